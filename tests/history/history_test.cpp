#include "history/historyaction.h"
#include "history/historystore.h"
#include "core/appcontext.h"
#include "core/eventbus.h"
#include "core/inifile.h"
#include "core/projectdocument.h"
#include "core/safefile.h"
#include "core/tabaccess.h"
#include "support/faketabs.h"
#include "support/recordinglistener.h"
#include "support/testhome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

THistoryEntry Entry(const QString& title, const QString& url) { return THistoryEntry { title, url }; }

QStringList Titles(const QList<THistoryEntry>& entries)
{
    QStringList titles;
    for (const THistoryEntry& e : entries)
        titles << e.Title;
    return titles;
}

} // namespace

TEST(TravelMenu, CaptionsCarryAcceleratorsOnTheFirst36Items)
{
    QList<THistoryEntry> entries;
    for (int i = 0; i < 40; ++i)
        entries << Entry(QStringLiteral("P%1").arg(i), QStringLiteral("http://h/%1").arg(i));
    const QStringList captions = TravelMenuCaptions(entries);
    ASSERT_EQ(captions.size(), 40);
    struct Row { const char* name; int index; const char* caption; };
    for (const Row& row : { Row { "first", 0, "P0(&1)" }, Row { "ninth", 8, "P8(&9)" }, Row { "tenth is zero", 9, "P9(&0)" },
                            Row { "eleventh is A", 10, "P10(&A)" }, Row { "36th is Z", 35, "P35(&Z)" },
                            Row { "37th has none", 36, "P36" }, Row { "last has none", 39, "P39" } })
        EXPECT_EQ(captions.at(row.index), QString::fromUtf8(row.caption)) << row.name;
    EXPECT_TRUE(TravelMenuCaptions({}).isEmpty());
}

// A page recorded before its title was known gets the title once it is; a title the page
// was recorded with, or another page's entry, is left alone.
TEST(HistoryStore, APageRecordedBeforeItsTitleGetsItLater)
{
    const QString a = QStringLiteral("http://h.test/a?x=1"), b = QStringLiteral("http://h.test/b");
    struct Row {
        const char* name;
        QList<THistoryEntry> visits; // oldest first
        QString url, title;
        bool changed;
        QStringList allTitles;    // newest first
        QStringList domainTitles; // in address order
    };
    const Row rows[] = {
        { "address stood in for the title", { Entry(a, a) }, a, "A", true, { "A" }, { "A" } },
        { "empty title", { Entry("", b) }, b, "B", true, { "B" }, { "B" } },
        { "address without its scheme", { Entry("h.test/b", b) }, b, "B", true, { "B" }, { "B" } },
        { "new title is the address without its scheme", { Entry(b, b) }, b, "h.test/b", false, { b }, { b } },
        { "title that merely ends the address kept", { Entry("b", b) }, b, "B", false, { "b" }, { "b" } },
        { "recorded title kept", { Entry("Old", a) }, a, "New", false, { "Old" }, { "Old" } },
        { "older visit of the page: only its domain entry", { Entry(a, a), Entry("B", b) }, a, "A", true, { "B", a }, { "A", "B" } },
        { "title equal to the address changes nothing", { Entry(a, a) }, a, a, false, { a }, { a } },
        { "unknown page", { Entry(a, a) }, b, "B", false, { a }, { a } },
    };
    for (const Row& row : rows) {
        THistoryStore store;
        for (const THistoryEntry& visit : row.visits)
            store.RecordVisit(visit);
        EXPECT_EQ(store.NameUntitledPage(row.url, row.title), row.changed) << row.name;
        EXPECT_EQ(Titles(store.AllVisits()), row.allTitles) << row.name;
        EXPECT_EQ(Titles(store.Domains().value("h.test").values()), row.domainTitles) << row.name;
    }
}

TEST(HistoryStore, FilesAreWrittenInTheFormTheyAreReadAndSurviveAwkwardTitles)
{
    TTestHome home;
    const QString folder = home.file("TabWindow");
    THistoryStore store;
    store.AddToDomains(Entry("Top", "http://one.test/"));
    store.AddToDomains(Entry("a=b", "http://one.test/q?a=b"));
    store.AddToDomains(Entry("top", "http://one.test/other")); // differs only in case
    store.AddToDomains(Entry("", "http://one.test/untitled"));
    store.AddToDomains(Entry("[section]", "http://one.test/s"));
    store.AddToDomains(Entry("Two", "http://two.test/x"));
    QString error;
    ASSERT_TRUE(store.Save(folder, &error)) << error.toStdString();

    EXPECT_EQ(FileBytes(folder + "/DomainHistryList.ini"), QByteArray("[Item]\r\n0=one.test\r\n1=two.test\r\n"));
    EXPECT_EQ(FileBytes(folder + "/two.test.ini"), QByteArray("[Item]\r\nTwo=http://two.test/x\r\n"));

    THistoryStore read;
    const QStringList urls = read.Load(folder);
    EXPECT_EQ(urls.size(), 6);
    EXPECT_EQ(read.Domains().keys(), store.Domains().keys());
    for (const QString& domain : store.Domains().keys()) {
        EXPECT_EQ(read.Domains().value(domain).keys(), store.Domains().value(domain).keys()) << domain.toStdString();
    }
    EXPECT_EQ(read.Domains().value("one.test").value("http://one.test/q?a__EQUAL__b").Title, "a=b");
}

TEST(HistoryStore, ReadingToleratesMissingAndRepeatedFiles)
{
    TTestHome home;
    const QString folder = home.file("TabWindow");
    THistoryStore store;
    EXPECT_TRUE(store.Load(folder).isEmpty()) << "no files: an empty view";

    ASSERT_TRUE(WriteFileBytes(folder + "/DomainHistryList.ini", "[Item]\r\n0=a.test\r\n1=gone.test\r\n2=A.TEST\r\n3=../x\r\n"));
    ASSERT_TRUE(WriteFileBytes(folder + "/a.test.ini", "[Item]\r\nPage=http://a.test/p\r\nEmpty=\r\n"));
    EXPECT_EQ(store.Load(folder), QStringList({ "http://a.test/p" }));
    EXPECT_EQ(store.Domains().size(), 1);
}

// A domain whose file cannot be read (a folder stands where it is expected) or cannot be
// rewritten stays listed while its file is there, so a later session still reads its pages.
TEST(HistoryStore, SavingKeepsListedADomainWhoseFileCouldNotBeReadOrWritten)
{
    struct Row {
        const char* name;
        bool unreadable;
        bool writeFails;
    };
    for (const Row& row : { Row { "file cannot be read", true, false }, Row { "file cannot be rewritten", false, true } }) {
        SCOPED_TRACE(row.name);
        TTestHome home;
        const QString folder = home.file("TabWindow");
        ASSERT_TRUE(WriteFileBytes(folder + "/DomainHistryList.ini", "[Item]\r\n0=old.test\r\n"));
        if (row.unreadable)
            ASSERT_TRUE(QDir().mkpath(folder + "/old.test.ini"));
        else
            ASSERT_TRUE(WriteFileBytes(folder + "/old.test.ini", "[Item]\r\nOld=http://old.test/\r\n"));
        THistoryStore store;
        store.Load(folder);
        store.AddToDomains(Entry("New", "http://new.test/"));
        if (row.writeFails) {
            store.AddToDomains(Entry("Old 2", "http://old.test/2"));
            safefile::setFaultHook([](safefile::Step step, const QString& file) {
                return step == safefile::Step::Rename && file.endsWith("/old.test.ini") ? EIO : 0;
            });
        }
        QString error;
        const bool saved = store.Save(folder, &error);
        safefile::setFaultHook({});
        EXPECT_EQ(saved, !row.writeFails);
        if (row.writeFails) {
            EXPECT_EQ(error, safefile::systemError(folder + "/old.test.ini", EIO));
        }

        TIniFile list(folder + "/DomainHistryList.ini");
        ASSERT_TRUE(list.load());
        QStringList domains;
        for (const QString& key : list.keyNames("Item"))
            domains << list.readString("Item", key);
        domains.sort();
        EXPECT_EQ(domains, QStringList({ "new.test", "old.test" }));
        if (!row.unreadable) {
            THistoryStore again;
            again.Load(folder);
            EXPECT_TRUE(again.ContainsAddress("http://old.test/")) << "the old pages are read again";
        }
    }
}

// A list or a domain file that is there but cannot be read is never saved over: its pages
// would be replaced by this session's alone.
TEST(HistoryStore, AFileThatCouldNotBeReadIsNeverSavedOver)
{
    const QByteArray list = "[Item]\r\n0=old.test\r\n";
    const QByteArray pages = "[Item]\r\nOld=http://old.test/\r\n";
    for (const QString unreadable : { "DomainHistryList.ini", "old.test.ini" }) {
        SCOPED_TRACE(unreadable.toStdString());
        TTestHome home;
        const QString folder = home.file("TabWindow");
        ASSERT_TRUE(WriteFileBytes(folder + "/DomainHistryList.ini", list));
        ASSERT_TRUE(WriteFileBytes(folder + "/old.test.ini", pages));
        safefile::setFaultHook([&](safefile::Step step, const QString& file) {
            return step == safefile::Step::Read && file.endsWith("/" + unreadable) ? EACCES : 0;
        });
        THistoryStore store;
        store.Load(folder);
        safefile::setFaultHook({});
        store.AddToDomains(Entry("Old 2", "http://old.test/2"));
        QString error;
        EXPECT_FALSE(store.Save(folder, &error));
        EXPECT_TRUE(error.startsWith(folder + "/" + unreadable + ": ")) << error.toStdString();
        for (const auto& [file, bytes] : { std::pair { "/DomainHistryList.ini", list }, std::pair { "/old.test.ini", pages } }) {
            QFile stored(folder + file);
            ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
            EXPECT_EQ(stored.readAll(), bytes) << file;
        }
    }
}

namespace {

class HistoryActionTest : public testing::Test {
protected:
    HistoryActionTest()
    {
        action = new THistoryAction();
        App().bus().AddListener(std::unique_ptr<TActionCalverdine>(action));
        App().bus().AddListener(std::make_unique<TRecordingListener>(events, std::initializer_list<TEvent> { TEvent::BrowserAddressAdded }));
    }
    void openProject()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues("P", home.path());
        folder = project->RootDirectory() + "/TabWindow";
        App().setCurrentProject(std::move(project));
        App().bus().NotifyProjectOpened(0);
    }
    void closeProject()
    {
        App().takeCurrentProject().reset();
        App().bus().NotifyProjectClosed(0);
    }
    // The tab shows the last of its visits with the given pages ahead.
    void visit(TFakeTab& tab, const QList<THistoryEntry>& all, int ahead = 0)
    {
        tab.all = all;
        tab.forward = all.mid(all.size() - ahead);
        tab.back = all.mid(0, all.size() - ahead - 1);
        std::reverse(tab.back.begin(), tab.back.end());
        tab.url = all.at(all.size() - ahead - 1).Url;
        App().bus().NotifyBrowserNavigateCompleted(tab.id);
    }

    TTestHome home;
    TFakeTabs tabs;
    THistoryAction* action = nullptr;
    std::shared_ptr<QStringList> events = std::make_shared<QStringList>();
    QString folder;
};

} // namespace

TEST_F(HistoryActionTest, SeedsFromTheFilesRecordsVisitsAndWritesThemAtClose)
{
    const QString root = home.path() + "/P";
    ASSERT_TRUE(WriteFileBytes(root + "/TabWindow/DomainHistryList.ini", "[Item]\r\n0=old.test\r\n"));
    ASSERT_TRUE(WriteFileBytes(root + "/TabWindow/old.test.ini", "[Item]\r\nOld=http://old.test/\r\n"));
    App().service<TVisitedAddresses>().addresses = QStringList();
    openProject();
    EXPECT_EQ(App().service<TVisitedAddresses>().addresses, QStringList({ "http://old.test/" }));
    EXPECT_EQ(events->join(' '), "BrowserAddressAdded:0");
    EXPECT_TRUE(action->Store().ContainsAddress("http://old.test/"));

    TFakeTab& tab = tabs.add(1);
    const THistoryEntry a = Entry("A", "http://new.test/a"), b = Entry("B", "http://new.test/b");
    visit(tab, { a });
    visit(tab, { a, b });
    visit(tab, { a, b, a });
    visit(tab, { a, b, a }); // reload
    EXPECT_EQ(Titles(action->FrontVisits()), QStringList({ "A", "B", "A" }));
    // Back two steps (the travel menus are checked on the real engine): nothing new is recorded.
    visit(tab, { a, b, a }, 2);
    EXPECT_EQ(Titles(action->Store().AllVisits()), QStringList({ "A", "B", "A" })) << "the newest is the page shown";

    closeProject();
    EXPECT_TRUE(App().service<TVisitedAddresses>().addresses.isEmpty());
    EXPECT_TRUE(action->Store().AllVisits().isEmpty());
    EXPECT_EQ(FileBytes(folder + "/DomainHistryList.ini"), QByteArray("[Item]\r\n0=old.test\r\n1=new.test\r\n"));
    EXPECT_EQ(FileBytes(folder + "/new.test.ini"), QByteArray("[Item]\r\nA=http://new.test/a\r\nB=http://new.test/b\r\n"));
}
