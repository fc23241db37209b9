#include "capture/findaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/eventbus.h"
#include "support/faketabs.h"
#include "support/testhome.h"

#include <QAction>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(FindHistory, AddingTexts)
{
    struct Case {
        const char* name;
        QStringList before;
        QString text;
        QStringList after;
    };
    const Case cases[] = {
        { "NewTextHeadsTheList", { "b" }, "a", { "a", "b" } },
        { "KnownTextMovesToTheTopWithoutDuplicate", { "a", "b", "c" }, "c", { "c", "a", "b" } },
        { "OtherCaseReplacesTheEntry", { "a", "Beta" }, "BETA", { "BETA", "a" } },
        { "BlanksAndControlsOnlyChangeNothing", { "a" }, " \t\r\n", { "a" } },
        { "EmptyChangesNothing", { "a" }, "", { "a" } },
        { "TextIsKeptWithItsBlanks", {}, " a ", { " a " } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList history = c.before;
        TFindAction::AddToHistory(history, c.text);
        EXPECT_EQ(history, c.after);
    }
}

class FindActionTest : public ::testing::Test {
protected:
    FindActionTest()
    {
        if (!App().commands().action(QStringLiteral("ActionFind")))
            BuildCommandCatalogue(App().commands());
        auto owned = std::make_unique<TFindAction>();
        find = owned.get();
        App().bus().AddListener(std::move(owned));
    }
    QAction* command(const char* name) { return App().commands().action(QString::fromLatin1(name)); }

    TTestHome home;
    TFakeTabs tabs;
    TFindAction* find = nullptr;
};

TEST_F(FindActionTest, DisablingEmptiesTheFindBoxAndTheHint)
{
    struct Case {
        const char* name;
        int state;
        bool html;
        TEvent event;
        bool enabled;
    };
    const Case cases[] = {
        { "CompletedHtmlPage", 2, true, TEvent::BrowserDocumentCompleted, true },
        { "ActivatedNavigatingTab", 1, true, TEvent::TabWindowActivated, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeTab& tab = tabs.add(1);
        tab.navigationState = c.state;
        tab.html = c.html;
        find->SetFindBoxText(QStringLiteral("typed"));
        App().bus().notify(c.event, 1);
        EXPECT_EQ(command("ActionFind")->isEnabled(), c.enabled);
        EXPECT_EQ(command("ActionFindButton")->isEnabled(), c.enabled);
        EXPECT_EQ(CommandHint(command("ActionFind")), c.enabled ? QStringLiteral("このページを検索") : QString());
        EXPECT_EQ(find->FindBoxText(), c.enabled ? QStringLiteral("typed") : QString()) << "disabling empties the box";
    }
}

TEST_F(FindActionTest, BrowserFindSwitchIsClearedByAProjectChange)
{
    QAction* own = command("ActionFindDialogIE");
    for (TEvent e : { TEvent::ProjectNewed, TEvent::ProjectOpened, TEvent::ProjectClosed }) {
        own->trigger();
        ASSERT_TRUE(find->UseBrowserFindBox());
        ASSERT_TRUE(own->isChecked());
        App().bus().notify(e, 0);
        EXPECT_FALSE(find->UseBrowserFindBox());
        EXPECT_FALSE(own->isChecked());
    }
    // Without the switch the command asks for the program's dialog.
    TFakeTab& tab = tabs.add(1);
    tab.html = true;
    App().bus().NotifyBrowserDocumentCompleted(1);
    QSignalSpy dialog(find, &TFindAction::showFindDialog);
    command("ActionFind")->trigger();
    EXPECT_EQ(dialog.count(), 1);
}

TEST_F(FindActionTest, SearchWithoutAPageFindsNothing)
{
    tabs.add(1).html = true;
    App().bus().NotifyBrowserDocumentCompleted(1);
    find->SetFindBoxText(QStringLiteral("x"));
    QSignalSpy searched(find, &TFindAction::searched);
    QSignalSpy focus(find, &TFindAction::focusFindBox);
    command("ActionFindButton")->trigger();
    ASSERT_EQ(searched.count(), 1);
    EXPECT_EQ(searched.at(0).at(0).toString(), QString());
    EXPECT_EQ(focus.count(), 1);
    EXPECT_EQ(find->History(), QStringList { "x" }) << "the box's text is kept in the list even when not found";
}

} // namespace
