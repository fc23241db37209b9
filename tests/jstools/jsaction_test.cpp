#include "jstools/jsaction.h"

#include "core/commandlist.h"
#include "core/memo.h"
#include "document/support/documenttesting.h"
#include "document/tagscript.h"
#include "document/tagtree.h"
#include "support/faketabs.h"
#include "support/scriptedprompter.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

using Node = TJSAction::Node;
using Answer = TPageChannel::ScriptAnswer;

class JSPanelLogic : public ::testing::Test {
protected:
    JSPanelLogic()
    {
        BuildCommandCatalogue(App().commands());
        App().setPrompter(&prompter);
        TFakeTab& tab = tabs.add(1);
        tab.navigationState = 2;
        TSnapshotBuilder b;
        auto& top = b.document("http://localhost/index.html");
        top.frame("IFRAME", "menu", "menu.html", 1);
        top.script("function go(a, b) { return a; }\nvar count = 1;");
        auto& frame = b.document("http://localhost/menu.html");
        frame.script("var inFrame;");
        tab.document = parseModel(b.build(&tab.channel));
        Answer a;
        a.ok = true;
        a.kind = "number";
        a.text = "7";
        tab.channel.scriptAnswer = a;
        action.showConsole = [this] { ++shown; };
        action.consoleSelection = [this] { return selection; };
    }
    ~JSPanelLogic() override { App().setPrompter(nullptr); }

    QStringList tree() const
    {
        QStringList lines;
        for (const Node& n : action.nodes())
            lines.append(QStringLiteral("%1 %2 %3").arg(n.parent).arg(int(n.kind)).arg(n.text));
        return lines;
    }
    QString enabled() const
    {
        QString flags;
        for (const char* name : { "ActionJSExecuteCode", "ActionJSExecuteFunction", "ActionJSViewSource" })
            flags += App().commands().action(QLatin1String(name))->isEnabled() ? '1' : '0';
        return flags;
    }
    int indexOf(const QString& text) const
    {
        for (size_t i = 0; i < action.nodes().size(); ++i)
            if (action.nodes()[i].text == text)
                return int(i);
        return -1;
    }
    TFakeTab& tab() { return *static_cast<TFakeTab*>(tabs.CurrentTab()); }

    TDocumentTestHome home;
    TFakeTabs tabs;
    TScriptedPrompter prompter;
    TMemo console;
    TJSAction action { &console };
    QString selection;
    int shown = 0;
};

TEST_F(JSPanelLogic, TheTreeShowsFramesBeforeTheirScriptsAndFollowsNavigation)
{
    EXPECT_EQ(tree(), QStringList({ "-1 0 画面ID" }));
    action.callHandler(TEvent::DocumentParseCompleted, 1);
    const QString screenId = tab().document->ScreenID();
    EXPECT_EQ(tree(), QStringList({ "-1 0 " + screenId, "0 1 menu", "1 2 SCRIPT", "0 2 SCRIPT", "3 3 go" }));

    tab().url = "http://localhost/next.html";
    action.callHandler(TEvent::BrowserBeforeNavigate, 1);
    EXPECT_EQ(tree(), QStringList({ "-1 0 http://localhost/next.html" }));
    EXPECT_EQ(enabled(), "000");

    action.callHandler(TEvent::TabWindowActivated, 1);
    EXPECT_EQ(action.nodes().size(), 1u) << "the tab shown last is not rebuilt";
    tabs.add(2).navigationState = 2;
    action.callHandler(TEvent::TabWindowActivated, 2);
    EXPECT_EQ(tree(), QStringList({ "-1 0 画面ID" }));
    tabs.current = 1;
    action.callHandler(TEvent::TabWindowActivated, 1);
    EXPECT_EQ(action.nodes().size(), 5u) << "a ready tab that was not the last one shown is built";
    action.callHandler(TEvent::ProjectClosed, 0);
    EXPECT_EQ(tree(), QStringList({ "-1 0 画面ID" }));
}

TEST_F(JSPanelLogic, CodeRunsOnlyWithASelectionAndABusyPageAfterAPanelRunKeepsTheTree)
{
    action.callHandler(TEvent::DocumentParseCompleted, 1);
    action.Select(4);
    tab().channel.scriptRequests.clear();
    selection = " \n\t ";
    action.ExecuteCode();
    EXPECT_EQ(prompter.messages(), QStringList({ "実行するコードを JavaScript コンソールに入力し、選択した状態にしてください" }));
    EXPECT_TRUE(tab().channel.scriptRequests.empty());

    selection = "\n 1+1 \n";
    action.ExecuteCode();
    ASSERT_EQ(tab().channel.scriptRequests.size(), 1u);
    EXPECT_EQ(tab().channel.scriptRequests[0].text, "1+1");

    action.ValueEdited(0, "5");
    action.ExecuteFunction();
    EXPECT_EQ(tab().channel.scriptRequests.back().text, "go(5, undefined)");
    const TTagScriptFunction* function = action.nodes()[4].function;
    action.callHandler(TEvent::BrowserCommandBusyStateChanged, 1);
    EXPECT_EQ(action.selected(), 4) << "the tree is not rebuilt after a run from the panel";
    EXPECT_EQ(action.gridRows().at(0).second, "5");
    EXPECT_EQ(action.nodes()[4].function, function);
    action.callHandler(TEvent::BrowserCommandBusyStateChanged, 1);
    EXPECT_EQ(action.selected(), 0) << "the next busy change rebuilds it";
}

TEST_F(JSPanelLogic, ViewSourceAppendsTheScriptOrTheFunctionsSource)
{
    action.callHandler(TEvent::DocumentParseCompleted, 1);
    action.Select(3);
    action.ViewSource();
    Answer source;
    source.ok = true;
    source.kind = "string";
    source.text = "function go(a, b) { return a; }";
    tab().channel.scriptAnswer = source;
    action.Select(4);
    action.ViewSource();
    EXPECT_EQ(console.lines(), QStringList({ QString(60, '-'), "function go(a, b) { return a; }", "var count = 1;",
                                             QString(60, '-'), "function go(a, b) { return a; }" }));
    EXPECT_EQ(shown, 2);
}

}
