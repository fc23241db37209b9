#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/consolememos.h"
#include "core/helpaction.h"
#include "core/layoutsettings.h"
#include "core/mainformaction.h"
#include "core/memo.h"
#include "core/pagecontrolaction.h"
#include "core/viewaction.h"
#include "support/faketabs.h"
#include "core/projectdocument.h"
#include "support/testhome.h"

#include <QAction>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The view controller on the bus, with fake tabs behind App().tabs.
class ViewActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BuildCommandCatalogue(App().commands());
        App().tabs = &tabs; // again after a test's own ResetApp()
        App().bus().AddListener(std::make_unique<TViewAction>(layout()));
    }

    static TLayoutSettings& layout() { return App().service<TLayoutSettings>(); }
    static QAction* cmd(const char* name) { return App().commands().action(QString::fromLatin1(name)); }
    static TViewAction& view() { return *static_cast<TViewAction*>(App().bus().ListenerAt(0)); }

    // Enabled states of back, forward, home, stop, reload, text size and source, one letter
    // each ("-" when disabled).
    static QString states()
    {
        QString s;
        for (const auto& [name, letter] : { std::pair { "ActionViewBack", 'B' }, { "ActionViewForward", 'F' },
                                            { "ActionViewHome", 'H' }, { "ActionViewStop", 'S' },
                                            { "ActionViewReload", 'R' }, { "ActionViewFontSize", 'Z' },
                                            { "ActionViewSource", 'C' } })
            s += cmd(name)->isEnabled() ? QLatin1Char(letter) : QLatin1Char('-');
        return s;
    }

    void openProject(int outputStatusText)
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues("P", home.path());
        project->SetOutputStatusText(outputStatusText);
        project->SetHomePage("http://127.0.0.1/home.html");
        App().setCurrentProject(std::move(project));
    }

    void reportStatus(const QString& text)
    {
        tabs.statusText = text;
        App().bus().NotifyBrowserStatusTextChanged(1);
    }

    TTestHome home;
    TFakeTabs tabs;
};

void everythingOn(TFakeTab& t)
{
    t.canGoBack = t.canGoForward = t.html = true;
    t.navigationState = 1;
}

} // namespace

TEST_F(ViewActionTest, BusyEnablesStopAndReloadAndNoTabDisablesAll)
{
    EXPECT_EQ(states(), QString("-------")) << "nothing to act on before the first tab";
    tabs.add(1).busy = true;
    App().bus().NotifyTabWindowAdded(1);
    App().bus().NotifyBrowserCommandBusyStateChanged(1);
    EXPECT_EQ(states(), QString("--HSR--"));
    tabs.current = 0; // the registry has no current tab
    App().bus().NotifyTabWindowActivated(1);
    EXPECT_EQ(states(), QString("-------"));
}

TEST_F(ViewActionTest, HintsAreCaptionsWhileEnabledAndEmptyWhileDisabled)
{
    TFakeTab& tab = tabs.add(1);
    SetCommandHint(cmd("ActionViewBack"), "前のページ"); // the history sets the back hint
    tab.canGoBack = true;
    tab.navigationState = 2;
    for (auto notify : { &TEventBus::NotifyTabWindowActivated, &TEventBus::NotifyTabWindowWasNothing }) {
        (App().bus().*notify)(1);
        for (const char* name : { "ActionViewBack", "ActionViewForward", "ActionViewHome", "ActionViewStop", "ActionViewReload" })
            EXPECT_EQ(CommandHint(cmd(name)).isEmpty(), !cmd(name)->isEnabled()) << name;
        if (notify == &TEventBus::NotifyTabWindowActivated) {
            EXPECT_EQ(CommandHint(cmd("ActionViewBack")), "前のページ") << "the hint the history set is kept";
        }
    }
}

TEST_F(ViewActionTest, CommandsActOnTheCurrentTab)
{
    openProject(1);
    TFakeTab& tab = tabs.add(7);
    everythingOn(tab);
    App().bus().NotifyTabWindowActivated(7);
    for (const char* name : { "ActionViewBack", "ActionViewForward", "ActionViewStop", "ActionViewReload",
                              "ActionViewReReload", "ActionViewReload2", "ActionViewSource", "ActionViewHome" })
        cmd(name)->trigger();
    EXPECT_EQ(tab.calls, QStringList({ "GoBack", "GoForward", "StopLoading", "Reload:0", "Reload:0", "Reload:0",
                                       "ViewSource" }));
    EXPECT_EQ(tabs.navigated, QStringList({ "http://127.0.0.1/home.html" }));
}

TEST_F(ViewActionTest, TextSizeEntryFollowsTheTabsZoom)
{
    TFakeTab& tab = tabs.add(1);
    tab.html = true;
    tab.textSize = 1;
    App().bus().NotifyTabWindowActivated(1);
    QAction* size = cmd("ActionViewFontSize");
    EXPECT_EQ(size->data().toInt(), 1);

    size->setData(4);
    size->trigger();
    EXPECT_EQ(tab.calls, QStringList({ "SetTextSize:4" }));
    EXPECT_EQ(size->data().toInt(), 4);

    size->setData(9); // not an entry: the tab is left alone and the check stays true to it
    size->trigger();
    EXPECT_EQ(tab.calls.size(), 1);
    EXPECT_EQ(size->data().toInt(), 4);

    tab.textSize = 0;
    App().bus().NotifyBrowserDocumentCompleted(1);
    EXPECT_EQ(size->data().toInt(), 0);
    App().bus().NotifyTabWindowWasNothing(1);
    EXPECT_FALSE(size->data().isValid());
}

TEST_F(ViewActionTest, StatusTextsAreLoggedOnceAndLinksNever)
{
    struct Case {
        const char* name;
        QStringList reported;
        QStringList logged;
    };
    const Case cases[] = {
        { "links and empty texts", { "http://a/", "file:///b", "HTTPS://c", "", "  \t" }, {} },
        { "repeats", { "サイト a に接続しています", "サイト a に接続しています", "完了" },
          { "サイト a に接続しています", "完了" } },
        { "page done once in a row", { "ページが表示されました", "ページが表示されました" }, { "ページが表示されました" } },
        { "page done again after another text", { "ページが表示されました", "x", "ページが表示されました" },
          { "ページが表示されました", "x", "ページが表示されました" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetApp();
        App().homeDirectory = home.path();
        SetUp();
        for (const QString& text : c.reported)
            reportStatus(text);
        EXPECT_EQ(App().operationLog().lines(), c.logged);
        EXPECT_EQ(view().statusText(), c.reported.last()) << "the status bar shows every text";
    }
}

TEST_F(ViewActionTest, StatusTextLoggingFollowsTheProjectSwitch)
{
    openProject(0);
    reportStatus("読み込み中");
    App().currentProject()->SetOutputStatusText(1);
    reportStatus("完了");
    EXPECT_EQ(App().operationLog().lines(), QStringList({ "完了" }));
}

TEST_F(ViewActionTest, PopupAndDownloadLines)
{
    TFakeTab& tab = tabs.add(3);
    TMemo& popup = App().service<TConsoleMemos>().popup;
    TMemo& download = App().service<TConsoleMemos>().download;

    App().bus().NotifyPopupOpen(3); // no message box yet
    EXPECT_EQ(popup.lineCount(), 0);
    const std::pair<int, const char*> kinds[] = { { 33, "-> confirm" }, { 48, "-> alert" }, { 64, "-> " } };
    QStringList expected;
    for (const auto& [type, head] : kinds) {
        tab.popup = TPopupMessageInfo {};
        tab.popup->MessageType = type;
        tab.popup->Text = "保存しますか？";
        App().bus().NotifyPopupOpen(3);
        expected << head << "保存しますか？";
    }
    EXPECT_EQ(popup.lines(), expected);

    tab.download = { "about:blank", { "x" } };
    App().bus().NotifyDownloadBegining(3);
    tab.download = {};
    App().bus().NotifyDownloadBegining(3);
    EXPECT_EQ(download.lineCount(), 0);
    tab.download = { "http://127.0.0.1/f.zip", { "サイト 127.0.0.1 からダウンロード", "x" } };
    App().bus().NotifyDownloadBegining(3);
    EXPECT_EQ(download.lines(), QStringList({ "-> http://127.0.0.1/f.zip", "サイト 127.0.0.1 からダウンロード", "x" }));
}

TEST_F(ViewActionTest, ProjectChangesAndTheClearCommandEmptyTheConsole)
{
    TConsoleMemos& memos = App().service<TConsoleMemos>();
    TMemo* const memosCleared[] = { &App().operationLog(), &memos.popup, &memos.download, &memos.script };
    QAction* clear = cmd("ActionViewLogClear");
    EXPECT_TRUE(clear->isEnabled());
    const std::pair<const char*, std::function<void()>> steps[] = {
        { "closed", [] { App().bus().NotifyProjectClosed(0); } },
        { "opened", [] { App().bus().NotifyProjectOpened(0); } },
        { "clear command", [&] { clear->trigger(); } },
        { "newed", [] { App().bus().NotifyProjectNewed(0); } },
    };
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        for (TMemo* m : memosCleared)
            m->appendLine("line");
        memos.compare.appendLine("line");
        step();
        for (TMemo* m : memosCleared)
            EXPECT_EQ(m->lineCount(), 0);
        EXPECT_EQ(clear->isEnabled(), QString(name) != "closed") << "a project opened after a close can clear its log";
    }
    EXPECT_EQ(memos.compare.lineCount(), 4) << "the comparison report is not the log's";
}

TEST_F(ViewActionTest, PanelTogglesRememberSizesAndCarryCheckMarks)
{
    QAction* left = cmd("ActionViewShowLeftPanel");
    QAction* console = cmd("ActionViewShowConsolePanel");
    EXPECT_TRUE(left->isChecked());
    left->trigger();
    EXPECT_EQ(layout().panel(TPanel::Left).shown, 0);
    EXPECT_FALSE(left->isChecked());
    left->trigger();
    EXPECT_EQ(layout().panel(TPanel::Left).shown, TLayoutSettings::kDesignLeftWidth);
    EXPECT_TRUE(left->isChecked());

    layout().resizePanel(TPanel::Console, 0); // collapsed by dragging the splitter
    EXPECT_FALSE(console->isChecked()) << "checks follow the panel however it changed";
}

TEST(HelpAction, HelpPageVersionAndHomepage)
{
    {
        TTestHome bare;
        BuildCommandCatalogue(App().commands());
        App().bus().AddListener(std::make_unique<THelpAction>());
        App().commands().action("ActionHelpView")->trigger(); // nothing to show the page in
        ASSERT_EQ(bare.prompter().messages(), QStringList({ "ヘルプを表示できません" }));
    }

    TTestHome home;
    BuildCommandCatalogue(App().commands());
    QStringList shown;
    App().bus().AddListener(std::make_unique<THelpAction>(QString(), [&](const QString& html) { shown << html; }));
    // The page lists the captions the view and page listeners give their commands.
    App().bus().AddListener(std::make_unique<TViewAction>(App().service<TLayoutSettings>()));
    App().bus().AddListener(std::make_unique<TPageControlAction>(App().service<TLayoutSettings>()));

    App().commands().action("ActionHelpView")->trigger();
    ASSERT_EQ(shown.size(), 1);
    const QString page = shown.at(0);
    EXPECT_TRUE(page.contains("<td>画面左パネルを表示(Q)</td>")) << "captions without accelerator marks";
    EXPECT_TRUE(page.contains("Ctrl+Alt+J"));
    EXPECT_FALSE(page.contains("ActionServerPushConnect") || page.contains("<td>接続</td>"));

    home.prompter().clear();
    App().commands().action("ActionHelpVersion")->trigger();
    ASSERT_EQ(home.prompter().asked.size(), 1u);
    EXPECT_EQ(home.prompter().asked[0].caption, QString("バージョン情報"));
    EXPECT_TRUE(home.prompter().asked[0].text.startsWith("Calverdine " CALVERDINE_PROJECT_VERSION "\n"))
        << home.prompter().asked[0].text.toStdString();

    EXPECT_EQ(App().commands().action("ActionHelpViewHomepage")->isEnabled(), !THelpAction::HomepageUrl().isEmpty());
}

TEST(MainFormAction, FileOpenShortcutFromTheVirtualKey)
{
    const std::pair<int, const char*> cases[] = {
        { 79, "Ctrl+O" }, { 76, "Ctrl+L" }, { 0x31, "Ctrl+1" }, { 0x71, "Ctrl+F2" },
        { 9999, "Ctrl+O" }, { -5, "Ctrl+O" }, { 0x61, "Ctrl+O" }, // lower case is not a key code
    };
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(FileOpenShortcut(key), QKeySequence(expected)) << key;
}
