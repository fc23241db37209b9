#include "enginetab.h"

#include "browser/tabaction.h"
#include "core/homefiles.h"
#include "core/inifile.h"
#include "core/memo.h"
#include "core/views/mainform.h"
#include "formdata/dataaction.h"
#include "project/mainmenucommand.h"

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QStandardItemModel>
#include <QTabBar>

#include <functional>
#include <memory>

namespace {

// The whole main window with every controller, on the real engine, started on a project
// whose tab list the test wrote, as a user meets it after a restart.
class MainWindowE2E : public TEngineSuite {
public:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        for (const char* name : { "a", "b", "c", "home" }) {
            s_server->addPage(QStringLiteral("/mw/%1.html").arg(QLatin1String(name)),
                              QStringLiteral("<html><head><title>%1</title></head><body><form name=f>"
                                             "<input name=q value=%1></form></body></html>")
                                  .arg(QLatin1String(name))
                                  .toUtf8());
        }
    }

    ~MainWindowE2E() override
    {
        form.reset();
        ProcessDeferredDeletes();
    }

    static QString page(const char* name) { return s_server->urlText(QStringLiteral("/mw/%1.html").arg(QLatin1String(name))); }

    // Writes a project file with its tab list, known to the reopen menu as one opened before.
    QString writeProject(const QString& name, const QStringList& tabAddresses)
    {
        const QString path = WriteProjectFile(home.path(), name, page("home"), tabAddresses);
        TIniFile known(KnownProjectsPath());
        known.load();
        known.writeString(QStringLiteral("Info"), name, path);
        known.save();
        return path;
    }

    TTabAction* tabs() const { return dynamic_cast<TTabAction*>(App().tabs); }

    // Starts the window on the project and waits until its tabs are restored and parsed.
    bool start(const QString& projectFile, int tabCount)
    {
        form = StartMainWindow(*s_profile, projectFile);
        return WaitUntil([&] { return AllTabsReady(tabCount); });
    }

    QStringList errorLines() const { return App().operationLog().lines().filter(QStringLiteral("[ERROR]")); }

    TTestHome home;
    std::unique_ptr<TMainForm> form;
};

// Each way out of a project as the user takes it: the main menu's Exit, New (whose project
// settings are dismissed), Close, Open (of another project) and Reopen (of another project).
class ProjectClosePaths : public MainWindowE2E, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProjectClosePaths, ClosesTheRestoredTabsWithoutAnyControllerTouchingTheDroppedProject)
{
    const QString first = writeProject(QStringLiteral("ProjA"), { page("a"), page("b"), page("c") });
    const QString other = writeProject(QStringLiteral("ProjB"), { page("home") });
    ASSERT_TRUE(start(first, 3)) << errorLines().join('\n').toStdString();
    ASSERT_TRUE(errorLines().isEmpty()) << errorLines().join('\n').toStdString();
    // Nobody clicked a tab: the last restored tab is current, the others wait behind it.
    home.prompter().clear();

    const QByteArray way = GetParam();
    const int tabsAfter = way == "Open" || way == "Reopen" ? 1 : 0;
    if (way == "Open")
        home.prompter().files = { other };
    if (way == "New")
        AnswerNextDialog([](QWidget& w) { return qobject_cast<QDialog*>(&w); }, [](QWidget& w) { static_cast<QDialog&>(w).reject(); });
    TMainMenuCommand& menu = App().service<TMainMenuCommand>();
    if (way == "Reopen") {
        ASSERT_TRUE(menu.paths().contains(other));
        menu.items().at(menu.paths().indexOf(other))->trigger();
    } else {
        Command(QByteArray("ActionMain" + way).constData())->trigger();
    }
    ASSERT_TRUE(WaitUntil([&] { return AllTabsReady(tabsAfter); })) << tabs()->TabCount();
    // The engine's activation of the remaining windows arrives through the event loop.
    Pause(300);
    ProcessDeferredDeletes();

    EXPECT_TRUE(errorLines().isEmpty()) << errorLines().join('\n').toStdString();
    EXPECT_TRUE(home.prompter().messages().isEmpty()) << home.prompter().messages().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(EveryWayOut, ProjectClosePaths, ::testing::Values("Exit", "New", "Close", "Open", "Reopen"),
                         [](const auto& info) { return std::string(info.param); });

QString DataPanelRoot()
{
    return TDataAction::instance()->model()->item(0)->text();
}

int FilesUnder(const QString& folder)
{
    int count = 0;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++count;
    return count;
}

TEST_F(MainWindowE2E, HelpTakesNoTabAndAfterAFailedLoadTheDataCommandsNoLongerActOnThePageThatWasLeft)
{
    ASSERT_TRUE(start(writeProject(QStringLiteral("ProjA"), { page("a") }), 1));
    Command("ActionHelpView")->trigger();
    auto* help = form->findChild<QDialog*>(QStringLiteral("HelpWindow"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(tabs()->TabCount(), 1);
    TIniFile list(App().currentProject()->RootDirectory() + QStringLiteral("/TabWindow/TabWindowList.ini"));
    list.load();
    EXPECT_EQ(list.keyNames(QStringLiteral("Info")).size(), 1);
    EXPECT_TRUE(DataPanelRoot().contains(QStringLiteral("mw_a"))) << DataPanelRoot().toStdString();
    // The version names the engine.
    Command("ActionHelpVersion")->trigger();
    ASSERT_FALSE(home.prompter().asked.empty());
    const QString version = home.prompter().asked.back().text;
    EXPECT_FALSE(version.contains(QStringLiteral("0.0.0"))) << version.toStdString();
    EXPECT_TRUE(version.contains(QStringLiteral("Chromium"))) << version.toStdString();

    TTabWindow* tab = tabs()->CurrentTabWindow();
    const QString oldScreen = DataPanelRoot();
    ASSERT_FALSE(oldScreen.isEmpty());
    ASSERT_TRUE(tab->GetDocumentModel());
    const QString formData = App().currentProject()->RootDirectory() + QStringLiteral("/FormData");

    const QString failing = QStringLiteral("http://127.0.0.1:1/x");
    App().tabs->NavigateCurrentTab(failing);
    ASSERT_TRUE(WaitUntil([&] { return tab->NavigationState() == TTabWindow::kStateError && !tab->Busy(); }));
    ProcessDeferredDeletes();

    EXPECT_EQ(DataPanelRoot(), failing) << "the panel shows the address being loaded, not the screen left";
    EXPECT_EQ(tab->GetDocumentModel(), nullptr);
    Command("ActionFormSave")->trigger();
    Command("ActionFormSaveAs")->trigger();
    ProcessDeferredDeletes();
    EXPECT_EQ(FilesUnder(formData), 0) << "nothing on the failed page to save";
    EXPECT_TRUE(errorLines().isEmpty()) << errorLines().join('\n').toStdString();

    // The next page that loads is the one the commands act on again.
    App().tabs->NavigateCurrentTab(page("b"));
    ASSERT_TRUE(WaitUntil([&] { return tab->IsReady() && tab->GetUrl() == page("b"); }));
    EXPECT_NE(tab->GetDocumentModel(), nullptr);
}

TEST_F(MainWindowE2E, ClosingTheCurrentTabActivatesItsNeighbourAndTheCaptionKeepsTheProject)
{
    ASSERT_TRUE(start(writeProject(QStringLiteral("ProjA"), { page("a"), page("b"), page("c"), page("home") }), 4));
    TTabAction* t = tabs();
    auto currentTitle = [t] { return t->CurrentTabWindow() ? t->CurrentTabWindow()->GetTitle() : QString(); };
    ASSERT_EQ(currentTitle(), "home");
    EXPECT_TRUE(form->windowTitle().startsWith("Calverdine - ProjA")) << form->windowTitle().toStdString();

    const struct {
        const char* name;
        const char* close; // the title of the tab made current, then closed
        const char* next;  // the title of the tab current after it
    } steps[] = {
        { "the last tab gives way to the one before it", "home", "c" },
        { "a middle tab gives way to the one after it", "a", "b" },
    };
    for (const auto& step : steps) {
        for (TTabWindow* tab : t->Tabs()) {
            if (tab->GetTitle() == QLatin1String(step.close))
                t->ShowTab(tab);
        }
        ASSERT_TRUE(WaitUntil([&] { return currentTitle() == QLatin1String(step.close); })) << step.name;
        t->CloseTab(t->CurrentTabWindow());
        ASSERT_TRUE(WaitUntil([&] { return currentTitle() != QLatin1String(step.close) && !currentTitle().isEmpty(); }))
            << step.name;
        Pause(200); // a later activation by the tab area would show here
        EXPECT_EQ(currentTitle(), QLatin1String(step.next)) << step.name;
        EXPECT_EQ(form->tabStrip()->tabText(form->tabStrip()->currentIndex()), QLatin1String(step.next)) << step.name;
    }

    Command("ActionTabOpen")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return t->TabCount() == 3; }));
    EXPECT_TRUE(form->windowTitle().startsWith("Calverdine - ProjA")) << form->windowTitle().toStdString();
}

}
