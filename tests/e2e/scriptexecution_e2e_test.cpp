#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/enginepagechannel.h"
#include "core/memo.h"
#include "document/calverdinedocument.h"
#include "document/tagscript.h"
#include "document/tagtree.h"
#include "jstools/scriptexecution.h"

namespace {

class ScriptExecutionE2E : public TEngineSuite {
protected:
    void SetUp() override { UseNewProject(home.path()); }

    // Loads the page and returns the first script of its top document.
    TTagScript* open(TEngineTab& tab, const QString& path)
    {
        TCalverdineDocument* model = tab.open(s_server->urlText(path));
        return model && !model->RootFrame()->Scripts().empty() ? model->RootFrame()->Scripts().front().get() : nullptr;
    }

    // Runs one operation of the executor and waits for its answer.
    template <typename Start>
    std::pair<QString, bool> wait(Start start)
    {
        bool done = false;
        std::pair<QString, bool> result;
        start([&](const QString& text, bool ok) {
            result = { text, ok };
            done = true;
        });
        EXPECT_TRUE(WaitUntil([&] { return done; }, 10000));
        return result;
    }

    TTestHome home;
    TMemo console;
    TScriptExecutor executor { &console };
};

TEST_F(ScriptExecutionE2E, CodeVariablesAndSourcesOnTheRealPage)
{
    s_server->addPage(QStringLiteral("/js/page.html"),
                      "<html><body><script>var obj = { a: 1 }; var text = 'hi';\n"
                      "function f(a, b) { return typeof b; }</script></body></html>");
    TEngineTab tab(*s_profile);
    TTagScript* script = open(tab, QStringLiteral("/js/page.html"));
    ASSERT_NE(script, nullptr);
    ASSERT_EQ(script->Variables(), QStringList({ "obj=", "text=" }));
    const int roundTrips = tab.browser()->channel()->roundTrips();

    // Whole transcripts of code, variables and calls are checked through the command line.
    EXPECT_EQ(wait([&](auto done) { executor.Execute(script, "1+1", done); }).first, "2");
    EXPECT_EQ(tab.browser()->channel()->roundTrips(), roundTrips + 1) << "one round trip per execution";

    bool refreshed = false;
    executor.RefreshVariables(script, [&] { refreshed = true; });
    ASSERT_TRUE(WaitUntil([&] { return refreshed; }, 10000));
    EXPECT_EQ(script->Variables(), QStringList({ "obj=@Object:[object Object]", "text=\"hi\"" }));

    // Writing the object's text back is code that does not parse: reported, value kept.
    const auto writtenBack = wait([&](auto done) { executor.SetVariableValue(script, "obj", "@Object:[object Object]", done); });
    EXPECT_FALSE(writtenBack.second);
    EXPECT_EQ(LoggedErrors().last(), "JavaScript 変数の値設定が失敗しました。\nobj=[object Object]");
    EXPECT_EQ(tab.run(QStringLiteral("obj.a")).toInt(), 1);

    TTagScriptFunction* f = script->Functions().at(0).get();
    EXPECT_EQ(wait([&](auto done) { executor.GetSource(f, done); }).first, "function f(a, b) { return typeof b; }");
}

TEST_F(ScriptExecutionE2E, APageThatReplacesBuiltInsDoesNotChangeWhatTheToolReads)
{
    s_server->addPage(QStringLiteral("/jh/page.html"),
                      "<html><body><form name=f><input name=q value=v></form><script>\n"
                      "var plain = { a: 1 }; var custom = { toString: function () { return 'custom!'; } };\n"
                      "function h(x) { return x; }\n"
                      "window.eval = function () { return 'hijacked'; };\n"
                      "JSON.stringify = function () { throw new Error('no JSON'); }; JSON.parse = JSON.stringify;\n"
                      "Function.prototype.toString = function () { return 'hidden'; };\n"
                      "Object.prototype.toString = function () { return 'faked'; };\n"
                      "String = function () { return 'faked string'; };\n"
                      "</script></body></html>");
    TEngineTab tab(*s_profile);
    TTagScript* script = open(tab, QStringLiteral("/jh/page.html"));
    ASSERT_NE(script, nullptr) << "the page is read and parsed";
    EXPECT_EQ(tab.tab().GetDocumentModel()->GetValue(QStringLiteral("//f/q")), "v");
    EXPECT_EQ(wait([&](auto done) { executor.Execute(script, "1+1", done); }).first, "2");
    EXPECT_EQ(wait([&](auto done) { executor.Execute(script, "plain", done); }).first, "@Object:[object Object]");
    EXPECT_EQ(wait([&](auto done) { executor.GetVariableValue(script, "custom", done); }).first, "@Object:custom!");
    EXPECT_EQ(wait([&](auto done) { executor.Execute(script, "[1, 2]", done); }).first, "@Object:1,2");
    EXPECT_EQ(wait([&](auto done) { executor.GetSource(script->Functions().at(0).get(), done); }).first,
              "function h(x) { return x; }");
    EXPECT_TRUE(LoggedErrors().isEmpty()) << LoggedErrors().join('\n').toStdString();
}

}
