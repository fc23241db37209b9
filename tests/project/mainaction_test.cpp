#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/eventbus.h"
#include "core/inifile.h"
#include "core/mainwindowhost.h"
#include "project/mainaction.h"
#include "project/mainmenucommand.h"
#include "core/projectdocument.h"
#include "core/projectstate.h"

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
#include <optional>

namespace {

// Records each settings dialog shown; confirms it, or runs the next scripted step.
class TFakeEditor final : public TProjectSettingsEditor {
public:
    bool edit(TXMLProjectType& project) override
    {
        seen << project.Name() + "|" + project.RootDirectory();
        if (script.empty())
            return true;
        const auto step = std::move(script.front());
        script.pop_front();
        return step(project);
    }
    QStringList seen;
    std::deque<std::function<bool(TXMLProjectType&)>> script;
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

const QString kAskSave = "プロジェクト設定が保存されていません\r保存しますか？";
const QString kAskOverwrite = "ファイルが存在します。上書きしてよろしいですか";

class MainActionTest : public testing::Test {
protected:
    void SetUp() override
    {
        BuildCommandCatalogue(App().commands());
        auto fake = std::make_unique<TFakeEditor>();
        editor = fake.get();
        auto action = std::make_unique<TMainAction>(std::move(fake));
        main = action.get();
        App().bus().AddListener(std::move(action));
        App().bus().AddListener(std::make_unique<TRecordingListener>(
            events, std::initializer_list<TEvent> { TEvent::ProjectNewed, TEvent::ProjectOpened, TEvent::ProjectSaved,
                                                    TEvent::ProjectClosed, TEvent::ProjectModified }));
        App().mainWindow = &window;
    }
    void TearDown() override { App().mainWindow = nullptr; }

    bool enabled(const char* name) { return App().commands().action(name)->isEnabled(); }
    TScriptedPrompter& prompter() { return home.prompter(); }
    QList<QAction*> menuItems() { return App().service<TMainMenuCommand>().items(); }
    QStringList homeFiles() { return QDir(home.path()).entryList(QDir::Files); }

    std::unique_ptr<TXMLProjectType> project(const QString& name)
    {
        auto p = TXMLProjectType::NewProjectDocument();
        p->ApplyNewProjectValues(name, home.path());
        return p;
    }

    // Writes a project named `name` to <home>/<file> and opens it.
    QString openSaved(const QString& file, const QString& name)
    {
        const QString path = home.file(file);
        EXPECT_TRUE(WriteFileBytes(path, project(name)->ProjectXmlText()));
        EXPECT_TRUE(main->OpenProject(path));
        events->clear();
        return path;
    }

    // Runs the settings command with a change confirmed in the dialog.
    void modify(const QString& homePage)
    {
        editor->script.push_back([homePage](TXMLProjectType& p) { p.SetHomePage(homePage); return true; });
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
    std::shared_ptr<QStringList> events = std::make_shared<QStringList>();
    TFakeWindow window { events };
    TMainAction* main = nullptr;
    TFakeEditor* editor = nullptr;
};

} // namespace

TEST_F(MainActionTest, NewTakesTheFirstFreeNameAndItsDataDirectoryUnlessCancelled)
{
    openSaved("A.xml", "A");
    editor->script.push_back([](TXMLProjectType&) { return false; });
    main->New();
    EXPECT_EQ(App().currentProject(), nullptr);
    EXPECT_EQ(*events, QStringList({ "ProjectClosed:0" }));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/NewProject"));
    EXPECT_TRUE(App().service<TProjectState>().closing);

    ASSERT_TRUE(QDir(home.path()).mkdir("NewProject"));
    ASSERT_TRUE(QDir(home.path()).mkdir("NewProject2"));
    editor->seen.clear();
    events->clear();
    main->New();
    EXPECT_EQ(editor->seen, QStringList({ "NewProject3|" + home.path() + "/NewProject3" }));
    ASSERT_NE(App().currentProject(), nullptr);
    EXPECT_EQ(App().currentProject()->Name(), QString("NewProject3"));
    EXPECT_TRUE(QFileInfo(home.path() + "/NewProject3").isDir());
    EXPECT_TRUE(App().projectUnsaved);
    EXPECT_EQ(*events, QStringList({ "ProjectNewed:0" }));
    EXPECT_TRUE(window.drop);
    EXPECT_EQ(window.caption, QString("NewProject3"));
}

TEST_F(MainActionTest, FirstSaveAsksForAPathThenSavesWithoutAsking)
{
    main->New();
    ASSERT_TRUE(WriteFileBytes(home.file("Taken.xml"), "keep")); // another file is never replaced without asking
    prompter().files = { home.file("Taken.xml") };
    main->Save();
    EXPECT_EQ(prompter().messages(), QStringList({ kAskOverwrite }));
    EXPECT_EQ(FileBytes(home.file("Taken.xml")), QByteArray("keep"));
    prompter().clear();
    prompter().files = { home.file("Mine.xml") };
    main->Save();
    ASSERT_EQ(prompter().asked.size(), 1u);
    const TPrompter::FileRequest& request = prompter().asked[0].request;
    EXPECT_EQ(request.filter, QString("XMLファイル|*.xml"));
    EXPECT_EQ(request.fileName, QString("NewProject.xml"));
    EXPECT_EQ(request.directory, home.path());
    EXPECT_EQ(App().projectFileName, home.file("Mine.xml"));
    EXPECT_FALSE(App().projectUnsaved);
    EXPECT_EQ(knownProjects(), QStringList({ "NewProject=" + home.file("Mine.xml") }));

    modify("http://changed/");
    main->Save();
    EXPECT_EQ(prompter().asked.size(), 1u);
    EXPECT_TRUE(FileBytes(home.file("Mine.xml")).contains("http://changed/"));
    EXPECT_EQ(*events, QStringList({ "ProjectNewed:0", "ProjectSaved:0", "ProjectModified:0", "ProjectSaved:0" }));
    EXPECT_EQ(homeFiles(), QStringList({ "CalverdineProjects.ini", "Mine.xml", "Taken.xml" })); // no backup left
}

TEST_F(MainActionTest, SaveAsAsksBeforeReplacingAnotherFileOnly)
{
    const QString path = openSaved("A.xml", "A");
    prompter().files = { path };
    main->SaveAs();
    EXPECT_EQ(prompter().messages(), QStringList()); // onto itself: no question
    EXPECT_EQ(prompter().asked[0].request.fileName, QString("A.xml"));

    ASSERT_TRUE(WriteFileBytes(home.file("B.xml"), "keep"));
    for (const int answer : { TPrompter::No, TPrompter::Yes }) {
        prompter().clear();
        prompter().files = { home.file("B.xml") };
        prompter().answers = { answer };
        main->SaveAs();
        EXPECT_EQ(prompter().messages(), QStringList({ kAskOverwrite }));
        if (answer == TPrompter::No) {
            EXPECT_EQ(FileBytes(home.file("B.xml")), QByteArray("keep"));
            EXPECT_EQ(App().projectFileName, path);
        }
    }
    EXPECT_EQ(App().projectFileName, home.file("B.xml"));
    EXPECT_EQ(TXMLProjectType::LoadProjectDocument(home.file("B.xml"))->Name(), QString("A"));
}

TEST_F(MainActionTest, KnownProjectsKeepOneEntryPerNameWithTheLaterPath)
{
    openSaved("One.xml", "Same");
    openSaved("Other.xml", "Other");
    openSaved("Two.xml", "Same");
    EXPECT_EQ(knownProjects(), QStringList({ "Same=" + home.file("Two.xml"), "Other=" + home.file("Other.xml") }));
    ASSERT_EQ(menuItems().size(), 2);
    EXPECT_EQ(menuItems()[1]->text(), QString("Other(&2)"));
    EXPECT_TRUE(menuItems()[0]->isChecked());
    EXPECT_FALSE(menuItems()[1]->isChecked());
    EXPECT_EQ(KnownProjectCaption("R&D", 11), QString("R&&D(&12)"));
}

TEST_F(MainActionTest, ExitGoesOnOnlyWhenTheChangesWereSavedOrGivenUp)
{
    main->New();
    events->clear();
    // Cancel; Yes with the save dialog cancelled; Yes with a failing write.
    const struct { int answer; const char* file; rlim_t writeLimit; } refusals[] = {
        { TPrompter::Cancel, nullptr, 0 }, { TPrompter::Yes, nullptr, 0 }, { TPrompter::Yes, "Mine.xml", 10 } };
    for (const auto& r : refusals) {
        SCOPED_TRACE(testing::Message() << "answer " << r.answer << " file " << (r.file ? r.file : "-"));
        prompter().clear();
        prompter().answers = { r.answer };
        if (r.file)
            prompter().files = { home.file(r.file) };
        {
            std::optional<TWriteLimit> limit;
            if (r.writeLimit)
                limit.emplace(r.writeLimit);
            main->Exit();
        }
        EXPECT_EQ(prompter().messages().first(), kAskSave);
        EXPECT_EQ(*events, QStringList()); // still running: no layout saved, nothing closed
        ASSERT_NE(App().currentProject(), nullptr);
        EXPECT_TRUE(App().projectUnsaved);
        EXPECT_EQ(homeFiles(), QStringList());
    }
    EXPECT_TRUE(prompter().messages().last().startsWith("ファイルが保存できませんでした\n"))
        << prompter().messages().last().toStdString();

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
    const QByteArray stored = FileBytes(path);
    modify("http://changed/");
    prompter().answers = { TPrompter::Cancel };
    menuItems().at(0)->trigger();
    EXPECT_EQ(App().currentProject()->HomePage(), QString("http://changed/"));
    EXPECT_TRUE(App().projectUnsaved);

    prompter().answers = { TPrompter::No };
    menuItems().at(0)->trigger();
    EXPECT_EQ(prompter().messages(), QStringList({ kAskSave, kAskSave }));
    ASSERT_NE(App().currentProject(), nullptr);
    EXPECT_EQ(App().currentProject()->HomePage(), QString("about:blank"));
    EXPECT_FALSE(App().projectUnsaved);
    EXPECT_EQ(*events, QStringList({ "ProjectModified:0", "ProjectClosed:0", "ProjectOpened:0" }));
    EXPECT_FALSE(App().service<TProjectState>().closing);
    EXPECT_TRUE(menuItems().at(0)->isChecked());
    EXPECT_EQ(App().projectFileName, path);
    EXPECT_EQ(FileBytes(path), stored);
}

TEST_F(MainActionTest, BadProjectFilesAreReportedAndLeftAlone)
{
    ASSERT_TRUE(WriteFileBytes(home.file("Broken.xml"), "<Project><Name>x</Nam"));
    ASSERT_TRUE(WriteFileBytes(home.file("Wrong.xml"), "<Other/>"));
    for (const char* name : { "Broken.xml", "Wrong.xml", "Missing.xml" }) {
        SCOPED_TRACE(name);
        prompter().clear();
        const QByteArray before = FileBytes(home.file(name));
        prompter().files = { home.file(name) };
        main->Open();
        EXPECT_EQ(prompter().messages(), QStringList({ "ファイルが開けませんでした" }));
        EXPECT_EQ(App().currentProject(), nullptr);
        EXPECT_EQ(FileBytes(home.file(name)), before);
    }
    EXPECT_EQ(*events, QStringList());
    EXPECT_EQ(homeFiles(), QStringList({ "Broken.xml", "Wrong.xml" })); // no known projects file either
}

TEST_F(MainActionTest, FailedSaveKeepsTheOldFileAndTheUnsavedState)
{
    const QString path = openSaved("A.xml", "A");
    const QByteArray stored = FileBytes(path);
    modify(QString(2000, QChar('x')));
    {
        TWriteLimit limit(stored.size() + 10); // the backup copy fits, the new content does not
        main->Save();
    }
    ASSERT_EQ(prompter().messages().size(), 1);
    // The first line is the message; the second names the file and the system's reason.
    EXPECT_TRUE(prompter().messages()[0].startsWith("ファイルが保存できませんでした\n")
                && prompter().messages()[0].section('\n', 1).contains(path))
        << prompter().messages()[0].toStdString();
    EXPECT_TRUE(App().projectUnsaved);
    EXPECT_TRUE(enabled("ActionMainSave"));
    EXPECT_EQ(FileBytes(path), stored);
    EXPECT_EQ(*events, QStringList({ "ProjectModified:0" }));
}

TEST_F(MainActionTest, CloseLeavesNoProjectBehindInTheWindow)
{
    openSaved("A.xml", "A");
    main->Close();
    EXPECT_FALSE(window.drop);
    EXPECT_EQ(window.caption, QString());
    EXPECT_TRUE(App().projectFileName.isEmpty());
}

TEST_F(MainActionTest, StartUpOpensTheProjectFileOnActivation)
{
    const auto activate = [&](std::unique_ptr<TXMLProjectType> current, const QString& file, bool unsaved) {
        main->CloseProject();
        events->clear();
        if (current)
            App().setCurrentProject(std::move(current));
        App().projectUnsaved = unsaved;
        App().projectFileName = file;
        App().bus().NotifyFormActivated(0);
    };
    activate(nullptr, openSaved("A.xml", "A"), false);
    EXPECT_EQ(*events, QStringList({ "ProjectOpened:0" }));

    // A first-run project whose file could not be written stays usable as a new project.
    activate(project("DefaultProject"), home.file("DefaultProject.xml"), true);
    EXPECT_EQ(*events, QStringList({ "ProjectNewed:0" }));
    EXPECT_TRUE(prompter().messages().isEmpty());

    // One already in its file gives way to the start-up file; when that cannot be opened,
    // no project is open.
    activate(project("DefaultProject"), home.file("Missing.xml"), false);
    EXPECT_EQ(prompter().messages(), QStringList({ "ファイルが開けませんでした" }));
    EXPECT_EQ(App().currentProject(), nullptr);
    EXPECT_EQ(*events, QStringList());
}
