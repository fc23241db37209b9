#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/eventbus.h"
#include "core/inifile.h"
#include "core/mainwindowhost.h"
#include "project/mainaction.h"
#include "project/mainmenucommand.h"
#include "project/projectdocument.h"
#include "project/projectstate.h"

#include "support/recordinglistener.h"
#include "support/testhome.h"
#include "support/writelimit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace {

// Confirms the settings dialog (optionally changing the project) or cancels it, by script.
class TFakeEditor final : public TProjectSettingsEditor {
public:
    explicit TFakeEditor(QStringList* seen) : m_seen(seen) {}
    bool edit(TXMLProjectType& project) override
    {
        *m_seen << project.Name() + "|" + project.RootDirectory();
        if (script.empty())
            return true;
        auto step = script.front();
        script.pop_front();
        return step(project);
    }
    std::deque<std::function<bool(TXMLProjectType&)>> script;

private:
    QStringList* m_seen;
};

class TFakeWindow final : public TMainWindowHost {
public:
    explicit TFakeWindow(std::shared_ptr<QStringList> log) : m_log(std::move(log)) {}
    void saveLayout() override { *m_log << "saveLayout"; }
    void quitApplication() override { *m_log << "quit"; }
    void setFileDropEnabled(bool enabled) override { drop = enabled; }
    void setMainCaption(const QString& text) override { caption = text; }
    void showConsolePage(int) override {}
    void showRightPage(int) override {}
    bool drop = false;
    QString caption;

private:
    std::shared_ptr<QStringList> m_log;
};

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class MainActionTest : public testing::Test {
protected:
    void SetUp() override
    {
        BuildCommandCatalogue(App().commands());
        auto fake = std::make_unique<TFakeEditor>(&edited);
        editor = fake.get();
        auto action = std::make_unique<TMainAction>(std::move(fake));
        main = action.get();
        App().bus().AddListener(std::move(action));
        App().bus().AddListener(std::make_unique<TRecordingListener>(
            events, std::initializer_list<TEvent> { TEvent::ProjectNewed, TEvent::ProjectOpened, TEvent::ProjectSaved,
                                                    TEvent::ProjectClosed, TEvent::ProjectModified }));
        window = std::make_unique<TFakeWindow>(events);
        App().mainWindow = window.get();
    }
    void TearDown() override { App().mainWindow = nullptr; }

    bool enabled(const char* name) { return App().commands().action(name)->isEnabled(); }
    TScriptedPrompter& prompter() { return home.prompter(); }

    // Writes a project named `name` to <home>/<file> and opens it.
    QString openSaved(const QString& file, const QString& name)
    {
        auto p = TXMLProjectType::NewProjectDocument();
        p->ApplyNewProjectValues(name, home.path());
        const QString path = home.file(file);
        writeFile(path, p->ProjectXmlText());
        EXPECT_TRUE(main->OpenProject(path));
        events->clear();
        return path;
    }

    // Runs the settings command with a change confirmed in the dialog.
    void modify(const QString& homePage)
    {
        editor->script.push_back([homePage](TXMLProjectType& p) {
            p.SetHomePage(homePage);
            return true;
        });
        main->Settings();
    }

    QStringList knownProjects()
    {
        TIniFile ini(home.file("CalverdineProjects.ini"));
        ini.load();
        QStringList result;
        for (const QString& k : ini.keyNames("Info"))
            result << k + "=" + ini.readString("Info", k);
        return result;
    }

    TTestHome home;
    QStringList edited;
    std::shared_ptr<QStringList> events = std::make_shared<QStringList>();
    std::unique_ptr<TFakeWindow> window;
    TMainAction* main = nullptr;
    TFakeEditor* editor = nullptr;
};

} // namespace

TEST_F(MainActionTest, NewTakesTheFirstFreeNameAndItsDataDirectory)
{
    ASSERT_TRUE(QDir(home.path()).mkdir("NewProject"));
    ASSERT_TRUE(QDir(home.path()).mkdir("NewProject2"));
    main->New();
    EXPECT_EQ(edited, QStringList({ "NewProject3|" + home.path() + "/NewProject3" }));
    ASSERT_NE(App().currentProject(), nullptr);
    EXPECT_EQ(App().currentProject()->Name(), QString("NewProject3"));
    EXPECT_TRUE(QFileInfo(home.path() + "/NewProject3").isDir());
    EXPECT_TRUE(App().projectUnsaved);
    EXPECT_EQ(*events, QStringList({ "ProjectNewed:0" }));
    EXPECT_TRUE(enabled("ActionMainSave"));
    EXPECT_TRUE(window->drop);
    EXPECT_EQ(window->caption, QString("NewProject3"));
}

TEST_F(MainActionTest, CancelledNewLeavesNoProjectOpen)
{
    openSaved("A.xml", "A");
    editor->script.push_back([](TXMLProjectType&) { return false; });
    main->New();
    EXPECT_EQ(App().currentProject(), nullptr);
    EXPECT_EQ(*events, QStringList({ "ProjectClosed:0" }));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/NewProject"));
    EXPECT_FALSE(enabled("ActionMainSaveAs"));
    EXPECT_TRUE(App().service<TProjectState>().closing);
}

TEST_F(MainActionTest, FirstSaveAsksForAPathThenSavesWithoutAsking)
{
    main->New();
    writeFile(home.file("Taken.xml"), "keep"); // another file is never replaced without asking
    prompter().files = { home.file("Taken.xml"), home.file("Mine.xml") };
    prompter().answers = { TPrompter::No };
    main->Save();
    EXPECT_EQ(prompter().messages(), QStringList({ "ファイルが存在します。上書きしてよろしいですか" }));
    EXPECT_EQ(contents(home.file("Taken.xml")), QByteArray("keep"));
    prompter().clear();
    prompter().files = { home.file("Mine.xml") };
    main->Save();
    ASSERT_EQ(prompter().asked.size(), 1u);
    const TPrompter::FileRequest& request = prompter().asked[0].request;
    EXPECT_EQ(request.title, QString("プロジェクトを保存(&S)"));
    EXPECT_EQ(request.filter, QString("XMLファイル|*.xml"));
    EXPECT_EQ(request.fileName, QString("NewProject.xml"));
    EXPECT_EQ(request.directory, home.path());
    EXPECT_EQ(App().projectFileName, home.file("Mine.xml"));
    EXPECT_FALSE(App().projectUnsaved);
    EXPECT_FALSE(enabled("ActionMainSave"));
    EXPECT_EQ(knownProjects(), QStringList({ "NewProject=" + home.file("Mine.xml") }));
    const QList<QAction*> items = App().service<TMainMenuCommand>().items();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->text(), QString("NewProject(&1)"));
    EXPECT_TRUE(items[0]->isChecked());

    modify("http://changed/");
    EXPECT_TRUE(enabled("ActionMainSave"));
    main->Save();
    EXPECT_EQ(prompter().asked.size(), 1u);
    EXPECT_TRUE(contents(home.file("Mine.xml")).contains("http://changed/"));
    EXPECT_EQ(*events, QStringList({ "ProjectNewed:0", "ProjectSaved:0", "ProjectModified:0", "ProjectSaved:0" }));
    EXPECT_EQ(QDir(home.path()).entryList({ "*.bak" }, QDir::Files), QStringList());
}

TEST_F(MainActionTest, SaveAsAsksBeforeReplacingAnotherFileOnly)
{
    const QString path = openSaved("A.xml", "A");
    prompter().files = { path };
    main->SaveAs();
    EXPECT_EQ(prompter().messages(), QStringList()); // onto itself: no question
    EXPECT_EQ(prompter().asked[0].request.fileName, QString("A.xml"));

    writeFile(home.file("B.xml"), "keep");
    prompter().clear();
    prompter().files = { home.file("B.xml") };
    prompter().answers = { TPrompter::No };
    main->SaveAs();
    EXPECT_EQ(prompter().messages(), QStringList({ "ファイルが存在します。上書きしてよろしいですか" }));
    EXPECT_EQ(contents(home.file("B.xml")), QByteArray("keep"));
    EXPECT_EQ(App().projectFileName, path);

    prompter().files = { home.file("B.xml") };
    prompter().answers = { TPrompter::Yes };
    main->SaveAs();
    EXPECT_EQ(App().projectFileName, home.file("B.xml"));
    EXPECT_EQ(TXMLProjectType::LoadProjectDocument(home.file("B.xml"))->Name(), QString("A"));
}

TEST(KnownProjectsMenu, CaptionsNumberTheItemsAndShowAmpersands)
{
    EXPECT_EQ(KnownProjectCaption("Shop", 0), QString("Shop(&1)"));
    EXPECT_EQ(KnownProjectCaption("R&D", 11), QString("R&&D(&12)"));
}

TEST_F(MainActionTest, SameNameAtTwoPathsKeepsOneEntryWithTheLaterPath)
{
    openSaved("One.xml", "Same");
    openSaved("Other.xml", "Other");
    openSaved("Two.xml", "Same");
    EXPECT_EQ(knownProjects(), QStringList({ "Same=" + home.file("Two.xml"), "Other=" + home.file("Other.xml") }));
    const QList<QAction*> items = App().service<TMainMenuCommand>().items();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[1]->text(), QString("Other(&2)"));
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isChecked());
}

TEST_F(MainActionTest, ExitWithUnsavedChanges)
{
    const QString path = openSaved("A.xml", "A");
    const QByteArray stored = contents(path);
    modify("http://changed/");
    events->clear();

    prompter().answers = { TPrompter::Cancel };
    main->Exit();
    EXPECT_EQ(prompter().messages(), QStringList({ "プロジェクト設定が保存されていません\r保存しますか？" }));
    EXPECT_EQ(*events, QStringList()); // still running: no layout saved, nothing closed
    EXPECT_NE(App().currentProject(), nullptr);
    EXPECT_EQ(contents(path), stored);

    prompter().answers = { TPrompter::No };
    main->Exit();
    EXPECT_EQ(*events, QStringList({ "saveLayout", "ProjectClosed:0", "quit" }));
    EXPECT_EQ(contents(path), stored);
}

TEST_F(MainActionTest, ExitGoesOnAfterYesOnlyWhenTheSaveCompleted)
{
    main->New();
    events->clear();

    // Yes, then the save dialog is cancelled: the new project is still only in memory.
    prompter().answers = { TPrompter::Yes };
    main->Exit();
    EXPECT_EQ(*events, QStringList());
    ASSERT_NE(App().currentProject(), nullptr);
    EXPECT_TRUE(App().projectUnsaved);

    // Yes, then the write fails.
    prompter().clear();
    prompter().answers = { TPrompter::Yes };
    prompter().files = { home.file("Mine.xml") };
    {
        TWriteLimit limit(10);
        main->Exit();
    }
    EXPECT_EQ(prompter().messages().last(), QString("ファイルが保存できませんでした"));
    EXPECT_EQ(*events, QStringList());
    EXPECT_TRUE(App().projectUnsaved);

    prompter().clear();
    prompter().answers = { TPrompter::Yes };
    prompter().files = { home.file("Mine.xml") };
    main->Exit();
    EXPECT_EQ(*events, QStringList({ "ProjectSaved:0", "saveLayout", "ProjectClosed:0", "quit" }));
    EXPECT_EQ(TXMLProjectType::LoadProjectDocument(home.file("Mine.xml"))->Name(), QString("NewProject"));
}

TEST_F(MainActionTest, ReopeningTheCurrentProjectAsksAndReloadsItsFile)
{
    const QString path = openSaved("A.xml", "A");
    modify("http://changed/");
    prompter().answers = { TPrompter::No };
    App().service<TMainMenuCommand>().items().at(0)->trigger();
    EXPECT_EQ(prompter().messages().size(), 1);
    ASSERT_NE(App().currentProject(), nullptr);
    EXPECT_EQ(App().currentProject()->HomePage(), QString("about:blank"));
    EXPECT_FALSE(App().projectUnsaved);
    EXPECT_EQ(*events, QStringList({ "ProjectModified:0", "ProjectClosed:0", "ProjectOpened:0" }));
    EXPECT_FALSE(App().service<TProjectState>().closing);
    EXPECT_TRUE(App().service<TMainMenuCommand>().items().at(0)->isChecked());
    EXPECT_EQ(App().projectFileName, path);
}

TEST_F(MainActionTest, BadProjectFilesAreReportedAndLeftAlone)
{
    writeFile(home.file("Broken.xml"), "<Project><Name>x</Nam");
    writeFile(home.file("Wrong.xml"), "<Other/>");
    for (const QString& file : { home.file("Broken.xml"), home.file("Wrong.xml"), home.file("Missing.xml") }) {
        prompter().clear();
        const QByteArray before = contents(file);
        prompter().files = { file };
        main->Open();
        EXPECT_EQ(prompter().messages(), QStringList({ "ファイルが開けませんでした" })) << file.toStdString();
        EXPECT_EQ(App().currentProject(), nullptr);
        EXPECT_EQ(contents(file), before);
    }
    EXPECT_EQ(*events, QStringList());
    EXPECT_FALSE(QFileInfo::exists(home.file("CalverdineProjects.ini")));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList({ "Broken.xml", "Wrong.xml" }));
}

TEST_F(MainActionTest, FailedSaveKeepsTheOldFileAndTheUnsavedState)
{
    const QString path = openSaved("A.xml", "A");
    const QByteArray stored = contents(path);
    modify(QString(2000, QChar('x')));
    {
        TWriteLimit limit(stored.size() + 10); // the backup copy fits, the new content does not
        main->Save();
    }
    EXPECT_EQ(prompter().messages(), QStringList({ "ファイルが保存できませんでした" }));
    EXPECT_TRUE(App().projectUnsaved);
    EXPECT_TRUE(enabled("ActionMainSave"));
    EXPECT_EQ(contents(path), stored);
    EXPECT_EQ(*events, QStringList({ "ProjectModified:0" }));
}

TEST_F(MainActionTest, CommandStatesFollowTheProject)
{
    for (const char* name : { "ActionMainSave", "ActionMainSaveAs", "ActionMainClose", "ActionMainConfig",
                              "ActionMainIEConfig" })
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_EQ(App().commands().owner("ActionMainExit"), QString("TMainAction"));
    openSaved("A.xml", "A");
    EXPECT_FALSE(enabled("ActionMainSave"));
    EXPECT_TRUE(enabled("ActionMainSaveAs"));
    EXPECT_TRUE(enabled("ActionMainClose"));
    App().bus().NotifyTabWindowAdded(0);
    int optionsShown = 0;
    App().service<TInternetOptionsHook>().handler = [&optionsShown] { ++optionsShown; };
    App().commands().action("ActionMainIEConfig")->trigger();
    EXPECT_EQ(optionsShown, 1);
    App().bus().NotifyTabWindowWasNothing(0);
    EXPECT_FALSE(enabled("ActionMainIEConfig"));
    App().bus().NotifyTabWindowAdded(0);
    main->Close();
    EXPECT_FALSE(enabled("ActionMainSaveAs"));
    EXPECT_FALSE(enabled("ActionMainIEConfig"));
    EXPECT_FALSE(window->drop);
    EXPECT_EQ(window->caption, QString());
    EXPECT_TRUE(App().projectFileName.isEmpty());
}

TEST_F(MainActionTest, StartUpOpensTheProjectFileOnActivation)
{
    const QString path = openSaved("A.xml", "A");
    main->CloseProject();
    events->clear();
    App().projectFileName = path;
    App().bus().NotifyFormActivated(0);
    ASSERT_NE(App().currentProject(), nullptr);
    EXPECT_EQ(*events, QStringList({ "ProjectOpened:0" }));

    // A first-run project whose file could not be written stays usable as a new project.
    main->CloseProject();
    events->clear();
    auto p = TXMLProjectType::NewProjectDocument();
    p->ApplyNewProjectValues("DefaultProject", home.path());
    App().setCurrentProject(std::move(p));
    App().projectUnsaved = true;
    App().projectFileName = home.file("DefaultProject.xml");
    App().bus().NotifyFormActivated(0);
    EXPECT_EQ(*events, QStringList({ "ProjectNewed:0" }));
    EXPECT_TRUE(enabled("ActionMainSave"));
    EXPECT_TRUE(prompter().messages().isEmpty());

    // A first-run project already in its file gives way to the start-up file; when that
    // cannot be opened, no project is open.
    main->CloseProject();
    events->clear();
    p = TXMLProjectType::NewProjectDocument();
    p->ApplyNewProjectValues("DefaultProject", home.path());
    App().setCurrentProject(std::move(p));
    App().projectFileName = home.file("Missing.xml");
    App().bus().NotifyFormActivated(0);
    EXPECT_EQ(prompter().messages(), QStringList({ "ファイルが開けませんでした" }));
    EXPECT_EQ(App().currentProject(), nullptr);
    EXPECT_EQ(*events, QStringList());
}
