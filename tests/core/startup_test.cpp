#include "core/appcontext.h"
#include "core/error.h"
#include "core/startup.h"
#include "core/projectdocument.h"

#include "support/testhome.h"
#include "support/writelimit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts the application state afresh on the same home directory, as a second run would.
void restart(TTestHome& home)
{
    ResetApp();
    App().homeDirectory = home.path();
    App().setPrompter(&home.prompter());
    home.prompter().clear();
}

} // namespace

TEST(CommandLine, HomeProjectAndSwitches)
{
    const struct {
        QStringList arguments;
        const char* environmentHome;
        const char* home;
        const char* project;
        bool failed = false;
    } cases[] = {
        { {}, "", "", "" },
        { { "--home", "/tmp/h" }, "", "/tmp/h", "" },
        { { "--home=/tmp/h/" }, "/env", "/tmp/h", "" },
        { {}, "/env/home", "/env/home", "" },
        { { "--home", "/a", "/p/x.xml" }, "/env", "/a", "/p/x.xml" },
        { { "--", "/p/-odd.xml" }, "", "", "/p/-odd.xml" },
        { { "--home" }, "", "", "", true },
        { { "--bogus" }, "", "", "", true },
        { { "/a.xml", "/b.xml" }, "", "", "", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.arguments.join(' ')));
        const TCommandLine r = ParseCommandLine(c.arguments, c.environmentHome);
        EXPECT_EQ(!r.error.isEmpty(), c.failed) << r.error.toStdString();
        if (!c.failed) {
            EXPECT_EQ(r.homeDirectory, QString(c.home));
            EXPECT_EQ(r.projectFile, QString(c.project));
        }
    }
    EXPECT_TRUE(ParseCommandLine({ "--help" }, {}).help);
    EXPECT_TRUE(ParseCommandLine({ "--version" }, {}).version);
    EXPECT_TRUE(ParseCommandLine({ "--unattended" }, {}).unattended);
    EXPECT_EQ(ParseCommandLine({ "p.xml" }, {}).projectFile, QDir::current().absoluteFilePath("p.xml"));
}

TEST(FirstRun, YesCreatesTheHomeWithTheDefaultProjectAndTheSecondStartOpensIt)
{
    TTestHome home;
    const QString dir = home.file("Calverdine");
    home.prompter().answers = { TPrompter::Yes };
    ResolveHomeDirectory(dir);
    ASSERT_EQ(home.prompter().asked.size(), 1u);
    EXPECT_EQ(home.prompter().asked[0].text, QString("Application Data に Calverdine が作成されますが、よろしいですか"));
    EXPECT_EQ(home.prompter().asked[0].caption, QString("title"));
    EXPECT_EQ(home.prompter().asked[0].buttons, TPrompter::Buttons::YesNo);
    EXPECT_EQ(App().homeDirectory, dir);
    EXPECT_TRUE(QFileInfo(dir + "/DefaultProject/FormDefine").isDir());
    EXPECT_TRUE(QFileInfo(dir + "/DefaultProject/FormData").isDir());
    const QByteArray settings = ("[Global]\r\nDefaultProject=" + dir + "/DefaultProject.xml\r\n").toUtf8();
    EXPECT_EQ(FileBytes(dir + "/Calverdine.ini"), settings);
    ASSERT_NE(App().currentProject(), nullptr);
    EXPECT_TRUE(App().projectUnsaved);

    // The main window's creation writes the project file; no layout is read after a first run.
    EXPECT_FALSE(StartupPrepareProject());
    EXPECT_EQ(App().projectFileName, dir + "/DefaultProject.xml");
    auto written = TXMLProjectType::LoadProjectDocument(dir + "/DefaultProject.xml");
    EXPECT_EQ(written->Name(), QString("DefaultProject"));
    EXPECT_EQ(written->RootDirectory(), dir + "/DefaultProject");
    EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({ "Calverdine.ini", "DefaultProject", "DefaultProject.xml" }));
    EXPECT_EQ(home.prompter().asked.size(), 1u);

    restart(home);
    ResolveHomeDirectory(dir);
    EXPECT_TRUE(home.prompter().asked.empty());
    EXPECT_EQ(App().currentProject(), nullptr);
    EXPECT_FALSE(App().projectUnsaved);
    EXPECT_TRUE(StartupPrepareProject());
    EXPECT_EQ(App().projectFileName, dir + "/DefaultProject.xml");
    EXPECT_EQ(FileBytes(dir + "/Calverdine.ini"), settings);
}

TEST(FirstRun, RefusalCreatesNothing)
{
    TTestHome home;
    const QString dir = home.file("Calverdine");
    ASSERT_TRUE(QDir().mkdir(dir)); // an empty home counts as a first run as well
    home.prompter().answers = { TPrompter::No };
    try {
        ResolveHomeDirectory(dir);
        FAIL() << "start-up went on";
    } catch (const TError& e) {
        EXPECT_EQ(e.message(), QString("please create home directory"));
    }
    EXPECT_EQ(home.prompter().asked.size(), 1u);
    EXPECT_TRUE(App().homeDirectory.isEmpty());
    EXPECT_TRUE(QDir(dir).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    EXPECT_EQ(App().currentProject(), nullptr);
}

TEST(FirstRun, UnwritableProjectFileIsReportedAndLeavesNoPartialFile)
{
    TTestHome home;
    const QString dir = home.file("Calverdine");
    home.prompter().answers = { TPrompter::Yes };
    ResolveHomeDirectory(dir);
    {
        TWriteLimit limit(10);
        EXPECT_FALSE(StartupPrepareProject());
    }
    // The message names the file and the system's reason.
    const QStringList lines = home.prompter().messages().last().split('\n');
    ASSERT_EQ(lines.size(), 2) << home.prompter().messages().last().toStdString();
    EXPECT_EQ(lines[0], QString("ファイルが保存できませんでした"));
    EXPECT_TRUE(lines[1].contains("Calverdine/") && lines[1].contains(".xml")) << lines[1].toStdString();
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList({ "Calverdine.ini" }));
    ASSERT_NE(App().currentProject(), nullptr) << "kept in memory, still unsaved";
    EXPECT_TRUE(App().projectUnsaved);
}

TEST(LaterRun, StoredRelativeNameIsTakenFromTheHomeAndACommandLineProjectWins)
{
    TTestHome home;
    ASSERT_TRUE(WriteFileBytes(home.file("Calverdine.ini"), "[Form]\r\nTop=3\r\n[Global]\r\nDefaultProject=Shop.xml\r\n"));
    EXPECT_TRUE(StartupPrepareProject());
    EXPECT_EQ(App().projectFileName, home.file("Shop.xml"));
    restart(home);
    SetStartupProjectFile("/y/Named.xml");
    EXPECT_TRUE(StartupPrepareProject());
    EXPECT_EQ(App().projectFileName, QString("/y/Named.xml"));
}

TEST(LaterRun, MissingOrUnreadableSettingsFallBackToTheDefaultProject)
{
    TTestHome home;
    const QString fallback = home.path() + "/DefaultProject.xml";
    EXPECT_TRUE(StartupPrepareProject());
    EXPECT_EQ(App().projectFileName, fallback);

    restart(home);
    ASSERT_TRUE(WriteFileBytes(home.file("Calverdine.ini"), "\xff\xfe\x00garbage\r\n[Global]\r\nDefaultProject=\r\n"));
    EXPECT_TRUE(StartupPrepareProject());
    EXPECT_EQ(App().projectFileName, fallback);

    // A settings "file" that cannot be read at all (here: a directory).
    restart(home);
    QFile::remove(home.file("Calverdine.ini"));
    ASSERT_TRUE(QDir(home.path()).mkdir("Calverdine.ini"));
    EXPECT_TRUE(StartupPrepareProject());
    EXPECT_EQ(App().projectFileName, fallback);
    EXPECT_EQ(ReadGlobalInteger("AutoOperation", "Interval", 500), 500);
}

TEST(GlobalSettings, IntegersAndShortcutKeysFallBackToTheirDefaults)
{
    TTestHome home;
    const std::pair<QByteArray, int> cases[] = { { "Interval=250", 250 }, { "interval=-3", -3 }, { "Other=1", 500 },
                                                 { "Interval=abc", 500 }, { "Interval=", 500 }, { "Interval=9999", 9999 } };
    for (const auto& [line, expected] : cases) {
        ASSERT_TRUE(WriteFileBytes(home.file("Calverdine.ini"), "[AutoOperation]\r\n" + line + "\r\n"));
        EXPECT_EQ(ReadGlobalInteger("AutoOperation", "Interval", 500), expected) << line.constData();
    }
    EXPECT_EQ(ReadShortcutKey("FileOpen", 79), 79);
    ASSERT_TRUE(WriteFileBytes(home.file("CalverdineShortcutKey.ini"), "[ShortCutKey]\r\nFileOpen=9999\r\n"));
    EXPECT_EQ(ReadShortcutKey("FileOpen", 79), 79); // the stored sentinel means "not set"
    ASSERT_TRUE(WriteFileBytes(home.file("CalverdineShortcutKey.ini"), "[ShortCutKey]\r\nFileOpen=80\r\n"));
    EXPECT_EQ(ReadShortcutKey("FileOpen", 79), 80);
}

TEST(SingleInstance, SecondHolderIsRefusedAndALockOfAnEndedProcessIsTakenOver)
{
    TTestHome home;
    {
        TSingleInstance first(home.path());
        TSingleInstance second(home.path());
        EXPECT_TRUE(first.acquire());
        EXPECT_FALSE(second.acquire());
        first.release();
        EXPECT_TRUE(second.acquire());
    }
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(WriteFileBytes(home.file("Calverdine.lock"),
                               QByteArray::number(child) + "\n" + QCoreApplication::applicationName().toUtf8() + "\n"
                                   + QSysInfo::machineHostName().toUtf8() + "\n"));
    TSingleInstance instance(home.path());
    EXPECT_TRUE(instance.acquire());
}
