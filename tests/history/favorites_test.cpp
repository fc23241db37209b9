#include "history/favoriteaction.h"
#include "history/favoritemenucommand.h"
#include "browser/tabaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/eventbus.h"
#include "core/homefiles.h"
#include "core/projectdocument.h"
#include "core/safefile.h"
#include "core/tabaccess.h"
#include "support/faketabs.h"
#include "support/testhome.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

namespace FMC = TFavoriteMenuCommand;

// "Title(Title,Title)" for the nodes below a node.
QString Shape(const TFavoriteNode& node)
{
    QStringList parts;
    for (const auto& child : node.children) {
        QString part = child->text;
        if (!child->children.empty())
            part += QLatin1Char('(') + Shape(*child) + QLatin1Char(')');
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

QByteArray EntryBytes(int type, const char* title, const char* url)
{
    return QByteArray("[Item]\r\nType=") + QByteArray::number(type) + "\r\nTitle=" + title + "\r\nURL=" + url + "\r\n";
}

} // namespace

TEST(FavoriteFiles, ListsAndEntriesGoRoundTheirFiles)
{
    TTestHome home;
    const QString folder = home.file("Favorite");
    QDir().mkpath(folder);
    TFavoriteNode root;
    TFavoriteNode* news = root.Add(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Folder(1240001, "News")));
    news->Add(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Page(1240002, "Daily", "http://daily.test/?a=1&b=2")));
    TFavoriteNode* deep = news->Add(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Folder(1240003, "Deep")));
    deep->Add(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Page(1240004, "日本語のページ", "http://jp.test/")));
    root.Add(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Page(1240005, "Top", "http://top.test/")));
    for (TFavoriteNode* node : root.Descendants())
        ASSERT_TRUE(FMC::SaveEntry(folder, *node->entry));

    const QString list = folder + "/FavoriteList.txt";
    ASSERT_TRUE(FMC::SaveList(list, root));
    EXPECT_EQ(FileBytes(list), QByteArray("1-0-1240001-0\r\n2-0-1240002-1240001\r\n2-1-1240003-1240001\r\n"
                                          "3-0-1240004-1240003\r\n1-1-1240005-0\r\n"));
    EXPECT_EQ(FileBytes(folder + "/1240001.ini"), EntryBytes(2, "News", ""));
    EXPECT_EQ(FileBytes(folder + "/1240002.ini"), EntryBytes(1, "Daily", "http://daily.test/?a=1&b=2"));

    TFavoriteNode loaded;
    QString error;
    ASSERT_TRUE(FMC::LoadList(list, folder, loaded, &error)) << error.toStdString();
    EXPECT_EQ(Shape(loaded), "News(Daily,Deep(日本語のページ)),Top");
    EXPECT_EQ(FMC::ListLines(loaded), FMC::ListLines(root));
    EXPECT_EQ(loaded.Descendants().value(1)->entry->URL, "http://daily.test/?a=1&b=2");

    // Keys the program does not write stay in an entry file it rewrites.
    ASSERT_TRUE(WriteFileBytes(folder + "/1240005.ini", "[Item]\r\nType=1\r\nTitle=Old\r\nURL=http://old.test/\r\nNote=kept\r\n"));
    ASSERT_TRUE(FMC::SaveEntry(folder, TFavoriteEntry::Page(1240005, "New", "http://new.test/")));
    EXPECT_EQ(FileBytes(folder + "/1240005.ini"), "[Item]\r\nType=1\r\nTitle=New\r\nURL=http://new.test/\r\nNote=kept\r\n");
    // A missing entry file reads as an empty page.
    const TFavoriteEntry missing = FMC::LoadEntry(folder, 99);
    EXPECT_TRUE(missing.PageFlag);
    EXPECT_TRUE(missing.Title.isEmpty());
}

TEST(FavoriteFiles, ListsThatCannotBeTakenStopWhereTheyGoWrong)
{
    struct Row {
        const char* name;
        const char* content;
        bool ok;
        const char* shape;
        int skipped;
    };
    const Row rows[] = {
        { "missing file", nullptr, true, "", 0 },
        { "empty lines and LF ends", "\n1-0-11-0\n\n1-1-12-0\n", true, "11,12", 0 },
        { "parent named before it is read", "1-0-11-0\r\n2-0-13-12\r\n1-1-12-0\r\n", false, "11", 0 },
        { "its own parent", "1-0-11-11\r\n", false, "", 0 },
        { "two nodes parents of each other", "1-0-11-12\r\n1-0-12-11\r\n", false, "", 0 },
        { "repeated ID is read once", "1-0-11-0\r\n2-0-12-11\r\n1-1-11-0\r\n2-1-12-11\r\n", true, "11(12)", 2 },
        { "three fields", "1-0-11-0\r\n1-1-12\r\n1-2-13-0\r\n", false, "11", 0 },
        { "not a number", "1-0-abc-0\r\n", false, "", 0 },
        { "zero ID", "1-0-0-0\r\n", false, "", 0 },
        { "ID beyond 32 bits", "1-0-99999999999-0\r\n", false, "", 0 },
        { "negative parent", "1-0-11--1\r\n", false, "", 0 },
    };
    for (const Row& row : rows) {
        TTestHome home;
        const QString folder = home.file("Favorite");
        QDir().mkpath(folder);
        for (int id : { 11, 12, 13 })
            ASSERT_TRUE(FMC::SaveEntry(folder, TFavoriteEntry::Page(id, QString::number(id), "http://x.test/")));
        const QString list = folder + "/FavoriteList.txt";
        if (row.content) {
            ASSERT_TRUE(WriteFileBytes(list, row.content));
        }
        TFavoriteNode root;
        QString error;
        QStringList skipped;
        EXPECT_EQ(FMC::LoadList(list, folder, root, &error, &skipped), row.ok) << row.name;
        EXPECT_EQ(error.isEmpty(), row.ok) << row.name;
        EXPECT_EQ(Shape(root), QString::fromUtf8(row.shape)) << row.name;
        EXPECT_EQ(skipped.size(), row.skipped) << row.name;
    }
}

TEST(FavoriteFiles, TitlesLoseTheCharactersFileNamesCannotHold)
{
    struct Row { const char* name; const char* title; const char* expected; };
    for (const Row& row : { Row { "all of them", "a\\b/c:d,e;f*g?h\"i<j>k|l", "abcdefghijkl" },
                            Row { "only forbidden", "?:*", "" },
                            Row { "japanese kept", "ログイン：画面?", "ログイン：画面" } })
        EXPECT_EQ(FMC::TitleForFileName(QString::fromUtf8(row.title)), QString::fromUtf8(row.expected)) << row.name;
}

TEST(FavoriteFiles, TheShortcutFolderGivesFoldersFirstThenPages)
{
    TTestHome home;
    const QString folder = home.file("Favorites");
    ASSERT_TRUE(WriteFileBytes(folder + "/News.url", "[InternetShortcut]\r\nURL=http://news.test/\r\n"));
    ASSERT_TRUE(WriteFileBytes(folder + "/Blank.URL", "[InternetShortcut]\r\n"));
    ASSERT_TRUE(WriteFileBytes(folder + "/notes.txt", "x"));
    ASSERT_TRUE(WriteFileBytes(folder + "/Work/Wiki.url", "[InternetShortcut]\r\nURL=http://wiki.test/\r\n"));
    ASSERT_TRUE(QFile::link(folder, folder + "/Work/Loop"));
    TFavoriteNode root;
    const auto pages = FMC::ReadShortcutFolder(folder, root);
    EXPECT_EQ(Shape(root), "Work(Loop,Wiki),Blank,News") << "a link back to the folder is not read again";
    const QList<QPair<QString, QString>> expected { { "Wiki", "http://wiki.test/" }, { "Blank", "about:blank" }, { "News", "http://news.test/" } };
    EXPECT_EQ(pages, expected);
    EXPECT_TRUE(FMC::ReadShortcutFolder(home.file("none"), root).isEmpty());
}

namespace {

// The favorites controller on a project in a temporary home, with fake tabs.
class FavoriteActionTest : public testing::Test {
protected:
    FavoriteActionTest()
    {
        BuildCommandCatalogue(App().commands());
        action = new TFavoriteAction();
        App().bus().AddListener(std::unique_ptr<TActionCalverdine>(action));
        browserFolder = home.file("Shortcuts");
        EXPECT_TRUE(WriteFileBytes(GlobalSettingsPath(), "[Favorite]\r\nBrowserFavoritesFolder=" + browserFolder.toUtf8() + "\r\n"));
    }
    ~FavoriteActionTest() override { closeProject(); }

    void openProject()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues("P", home.path());
        QDir().mkpath(project->RootDirectory());
        folder = project->RootDirectory() + "/Favorite";
        App().setCurrentProject(std::move(project));
        App().bus().NotifyProjectOpened(0);
    }
    void closeProject()
    {
        if (!App().currentProject())
            return;
        App().takeCurrentProject().reset();
        App().bus().NotifyProjectClosed(0);
    }
    // Shows the page in the tab, which becomes the current one.
    void showPage(int id, const QString& title, const QString& url)
    {
        TFakeTab& tab = tabs.add(id);
        tab.title = title;
        tab.url = url;
        tab.navigationState = 2;
        App().bus().NotifyTabWindowAdded(id);
    }
    bool enabled(const char* name) const { return App().commands().action(QString::fromLatin1(name))->isEnabled(); }
    TFavoriteNode* pages() const { return action->root(TFavoriteAction::Pages); }
    TFavoriteNode* groups() const { return action->root(TFavoriteAction::Groups); }
    TFavoriteNode* browser() const { return action->root(TFavoriteAction::Browser); }
    TFavoriteNode* child(TFavoriteNode* node, int index) const { return node->children.at(size_t(index)).get(); }
    QByteArray list(const char* name = "FavoriteList.txt") const { return FileBytes(folder + "/" + name); }
    // Adds the page the tab shows below the pages root (or the selected folder); the selection stays.
    void addPage(const QString& title, const QString& url)
    {
        showPage(1, title, url);
        TFavoriteNode* keep = action->selected();
        action->PageAdd();
        action->Select(keep);
    }
    // Adds pages "P0".."Pn-1" at http://p.test/0...
    void addPages(int count)
    {
        for (int i = 0; i < count; ++i)
            addPage(QStringLiteral("P%1").arg(i), QStringLiteral("http://p.test/%1").arg(i));
    }

    TTestHome home;
    TFakeTabs tabs;
    TFavoriteAction* action = nullptr;
    QString folder;
    QString browserFolder;
};

} // namespace

TEST_F(FavoriteActionTest, TheFirstPageCreatesTheListAndItsEntryFile)
{
    openProject();
    showPage(7, "Login", "http://app.test/login");
    App().commands().action("ActionFavoritePageAdd")->trigger();
    ASSERT_EQ(pages()->children.size(), 1u);
    TFavoriteNode* page = child(pages(), 0);
    EXPECT_EQ(action->selected(), page);
    EXPECT_EQ(list(), QStringLiteral("1-0-%1-0\r\n").arg(page->entry->ID).toLatin1());
    EXPECT_EQ(FileBytes(FMC::EntryPath(folder, page->entry->ID)), EntryBytes(1, "Login", "http://app.test/login"));

    // A folder goes after it; a page added with the folder selected goes inside.
    action->FolderAdd();
    TFavoriteNode* folderNode = child(pages(), 1);
    EXPECT_TRUE(action->editing()) << "a new folder starts with its name being edited";
    action->FinishEdit(folderNode, "Work", true);
    EXPECT_EQ(FileBytes(FMC::EntryPath(folder, folderNode->entry->ID)), EntryBytes(2, "Work", ""));
    action->PageAdd();
    EXPECT_EQ(Shape(*pages()), "Login,Work(Login)");
    EXPECT_EQ(list(), QStringLiteral("1-0-%1-0\r\n1-1-%2-0\r\n2-0-%3-%2\r\n")
                          .arg(page->entry->ID).arg(folderNode->entry->ID).arg(child(folderNode, 0)->entry->ID).toLatin1());

    // Replace, and the address edit keeps the title shown.
    action->Select(page);
    showPage(8, "Menu", "http://app.test/menu");
    ASSERT_TRUE(enabled("ActionFavoritePageReplace"));
    action->PageReplace();
    EXPECT_EQ(FileBytes(FMC::EntryPath(folder, page->entry->ID)), EntryBytes(1, "Menu", "http://app.test/menu"));
    action->AddressEdit();
    action->FinishEdit(page, "http://app.test/other", true);
    EXPECT_EQ(page->text, "Menu");
    EXPECT_EQ(FileBytes(FMC::EntryPath(folder, page->entry->ID)), EntryBytes(1, "Menu", "http://app.test/other"));
}

TEST_F(FavoriteActionTest, DeletingAFolderDropsItsLinesButKeepsTheEntryFiles)
{
    openProject();
    showPage(1, "T", "http://t.test/");
    action->FolderAdd();
    action->FinishEdit(action->selected(), "F", true);
    TFavoriteNode* folderNode = action->selected();
    addPages(3);
    action->Select(nullptr);
    addPages(1);
    ASSERT_EQ(Shape(*pages()), "F(P0,P1,P2),P0");
    QList<int> ids;
    for (TFavoriteNode* node : folderNode->Descendants())
        ids << node->entry->ID;
    ids << folderNode->entry->ID;
    const int kept = child(pages(), 1)->entry->ID;

    action->Select(folderNode);
    action->Delete();
    EXPECT_EQ(Shape(*pages()), "P0");
    EXPECT_EQ(list(), QStringLiteral("1-0-%1-0\r\n").arg(kept).toLatin1());
    for (int id : ids)
        EXPECT_TRUE(QFile::exists(FMC::EntryPath(folder, id))) << id;
    action->Select(pages());
    EXPECT_FALSE(enabled("ActionFavoriteDelete")) << "a root cannot be deleted";
}

TEST_F(FavoriteActionTest, MovesSwapWithTheNodeBeforeOrAfter)
{
    struct Row {
        const char* name;
        const char* start; // "F" is a folder holding one page "X" when marked "F(X)"
        int selected;
        int direction;
        const char* expected;
    };
    const Row rows[] = {
        { "up among pages", "A,B,C", 2, -1, "A,C,B" },
        { "down among pages", "A,B,C", 0, 1, "B,A,C" },
        { "up past an empty folder", "A,F,B", 2, -1, "A,B,F" },
        { "up into a folder's last page", "F(X),B", 1, -1, "F(B),X" },
        { "down past a folder that holds pages", "A,F(X),B", 0, 1, "F(X),A,B" },
    };
    for (const Row& row : rows) {
        openProject();
        showPage(1, "T", "http://t.test/");
        for (const QString& part : QString::fromUtf8(row.start).split(',')) {
            action->Select(nullptr);
            if (part.startsWith('F')) {
                action->FolderAdd();
                action->FinishEdit(action->selected(), "F", true);
            }
            if (part != "F")
                addPage(part.right(2).left(1), "http://p.test/" + part);
        }
        TFavoriteNode* node = child(pages(), row.selected);
        action->Select(node);
        const int id = node->entry->ID;
        const char* command = row.direction < 0 ? "ActionFavoriteMovePrev" : "ActionFavoriteMoveNext";
        ASSERT_TRUE(enabled(command)) << row.name;
        App().commands().action(command)->trigger();
        EXPECT_EQ(Shape(*pages()), QString::fromUtf8(row.expected)) << row.name;
        ASSERT_TRUE(action->selected() && action->selected()->entry) << row.name;
        EXPECT_EQ(action->selected()->entry->ID, id) << row.name << ": the moved page stays selected";
        // The list on disk says what the tree shows.
        TFavoriteNode reread;
        ASSERT_TRUE(FMC::LoadList(folder + "/FavoriteList.txt", folder, reread)) << row.name;
        EXPECT_EQ(Shape(reread), QString::fromUtf8(row.expected)) << row.name;
        closeProject();
        QDir(folder).removeRecursively();
    }
    // The ends of a sibling list cannot move further.
    openProject();
    showPage(1, "T", "http://t.test/");
    addPages(2);
    for (int i : { 0, 1 }) {
        action->Select(child(pages(), i));
        EXPECT_EQ(enabled("ActionFavoriteMovePrev"), i == 1) << i;
        EXPECT_EQ(enabled("ActionFavoriteMoveNext"), i == 0) << i;
    }
}

TEST_F(FavoriteActionTest, GroupsHoldTheTabsInStripOrderAndDropsFollowTheirRules)
{
    ASSERT_TRUE(WriteFileBytes(browserFolder + "/News.url", "[InternetShortcut]\r\nURL=http://news.test/\r\n"));
    openProject();
    showPage(3, "Three", "http://three.test/");
    showPage(1, "One", "http://one.test/");
    action->TabAdd();
    ASSERT_EQ(groups()->children.size(), 1u);
    TFavoriteNode* group = child(groups(), 0);
    EXPECT_EQ(action->selected(), group);
    EXPECT_TRUE(action->editing());
    action->FinishEdit(group, "Morning", true);
    EXPECT_EQ(Shape(*groups()), "Morning(Three,One)");
    EXPECT_EQ(list("FavoriteTabList.txt"), QStringLiteral("1-0-%1-0\r\n2-0-%2-%1\r\n2-1-%3-%1\r\n")
                                               .arg(group->entry->ID).arg(child(group, 0)->entry->ID).arg(child(group, 1)->entry->ID)
                                               .toLatin1());
    action->Select(group);
    EXPECT_FALSE(enabled("ActionFavoritePageFolderAdd")) << "no folders inside the groups";

    addPages(1);
    action->Select(nullptr);
    action->FolderAdd();
    TFavoriteNode* folderNode = action->selected();
    action->FinishEdit(folderNode, "F", true);
    TFavoriteNode* page = child(pages(), 0);
    TFavoriteNode* news = child(browser(), 0);

    struct Row { const char* name; TFavoriteNode* dragged; TFavoriteNode* target; bool allowed; };
    const Row rows[] = {
        { "a root", pages(), folderNode, false },
        { "onto a page", folderNode, page, false },
        { "onto the groups root", page, groups(), false },
        { "a folder into a group", folderNode, group, false },
        { "into the browser's favorites", page, browser(), false },
        { "onto itself", folderNode, folderNode, false },
        { "a page into a folder", page, folderNode, true },
        { "a page into a group", page, group, true },
        { "a browser favorite into the pages", news, pages(), true },
        { "a group's page to the pages", child(group, 0), pages(), true },
    };
    for (const Row& row : rows)
        EXPECT_EQ(action->CanDrop(row.dragged, row.target), row.allowed) << row.name;

    // Within the pages root a drop moves: the ID stays.
    const int pageId = page->entry->ID;
    ASSERT_TRUE(action->Drop(page, folderNode));
    EXPECT_EQ(Shape(*pages()), "F(P0)");
    EXPECT_EQ(child(folderNode, 0)->entry->ID, pageId);
    EXPECT_EQ(list(), QStringLiteral("1-0-%1-0\r\n2-0-%2-%1\r\n").arg(folderNode->entry->ID).arg(pageId).toLatin1());

    // From the browser's favorites a drop copies with a new ID and entry file.
    ASSERT_TRUE(action->Drop(news, pages()));
    EXPECT_EQ(Shape(*pages()), "News,F(P0)");
    EXPECT_EQ(Shape(*browser()), "News");
    TFavoriteNode* copy = child(pages(), 0);
    EXPECT_NE(copy->entry->ID, 0);
    EXPECT_EQ(FileBytes(FMC::EntryPath(folder, copy->entry->ID)), EntryBytes(1, "News", "http://news.test/"));
    EXPECT_EQ(list(), QStringLiteral("1-0-%1-0\r\n1-1-%2-0\r\n2-0-%3-%2\r\n").arg(copy->entry->ID).arg(folderNode->entry->ID).arg(pageId).toLatin1());
}

TEST_F(FavoriteActionTest, OpeningGoesToTheCurrentTabOrNewTabs)
{
    openProject();
    showPage(1, "T", "http://t.test/");
    addPages(2);
    action->Select(child(pages(), 0));
    action->Navigate();
    action->NavigateNewWindow();
    EXPECT_EQ(tabs.navigated, QStringList({ "http://p.test/0" }));
    EXPECT_EQ(tabs.opened, QStringList({ "http://p.test/0" }));
    action->Select(pages());
    action->NavigateFolderPages();
    EXPECT_EQ(tabs.opened, QStringList({ "http://p.test/0", "http://p.test/0", "http://p.test/1" }));
}

TEST_F(FavoriteActionTest, BrowserFavoritesFeedTheAddressListAndTitleMap)
{
    ASSERT_TRUE(WriteFileBytes(browserFolder + "/News.url", "[InternetShortcut]\r\nURL=http://news.test/\r\n"));
    openProject();
    EXPECT_EQ(Shape(*browser()), "News");
    EXPECT_TRUE(App().service<TVisitedAddresses>().addresses.contains("News"));
    const QList<QPair<QString, QString>> map { { "News", "http://news.test/" } };
    EXPECT_EQ(App().service<TFavoriteTitleMap>().entries, map);
    action->Select(child(browser(), 0));
    EXPECT_FALSE(enabled("ActionFavoriteNameEdit")) << "the browser's favorites are read-only here";
    EXPECT_FALSE(enabled("ActionFavoriteDelete"));
    EXPECT_TRUE(enabled("ActionFavoriteNavigate"));

    // The add dialog is offered the title without forbidden characters; the file it writes
    // is read at once and the old title leaves the address list.
    showPage(1, "What? Now: <later>", "http://later.test/x?y=1");
    QString offered;
    QStringList offeredFolders;
    action->setAddDialog([&](QString& name, QString& subFolder, const QStringList& subFolders) {
        offered = name;
        offeredFolders = subFolders;
        name = "Later|";
        subFolder = QString();
        return true;
    });
    QDir().mkpath(browserFolder + "/Work");
    action->BrowserAdd();
    EXPECT_EQ(offered, "What Now later");
    EXPECT_EQ(offeredFolders, QStringList({ "", "Work" }));
    EXPECT_EQ(FileBytes(browserFolder + "/Later.url"), "[InternetShortcut]\r\nURL=http://later.test/x?y=1\r\n");
    EXPECT_EQ(Shape(*browser()), "Work,Later,News");
    EXPECT_EQ(App().service<TVisitedAddresses>().addresses.count("News"), 1) << "read twice, listed once";

    // A sub-folder the dialog did not offer is refused.
    action->setAddDialog([](QString& name, QString& subFolder, const QStringList&) {
        name = "Escaped";
        subFolder = "../..";
        return true;
    });
    action->BrowserAdd();
    EXPECT_FALSE(QFile::exists(home.file("Escaped.url")));

    QString opened;
    action->setFolderOpener([&](const QString& f) { opened = f; });
    QFile::remove(browserFolder + "/News.url");
    action->BrowserOrganize();
    EXPECT_EQ(opened, browserFolder);
    EXPECT_EQ(Shape(*browser()), "Work,Later");
    EXPECT_FALSE(App().service<TVisitedAddresses>().addresses.contains("News"));

    // What is organised in the file manager afterwards is read as it happens.
    ASSERT_TRUE(WriteFileBytes(browserFolder + "/Work/Wiki.url", "[InternetShortcut]\r\nURL=http://wiki.test/\r\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shape(*browser()) == "Work(Wiki),Later"; }, 10000)) << Shape(*browser()).toStdString();
    EXPECT_EQ(App().service<TFavoriteTitleMap>().entries.size(), 2);

    closeProject();
    EXPECT_TRUE(App().service<TFavoriteTitleMap>().entries.isEmpty());
    EXPECT_FALSE(App().service<TVisitedAddresses>().addresses.contains("Later")) << "titles leave with their project";
}

TEST_F(FavoriteActionTest, AListThatCannotBeReadIsReportedAndKeptOnDisk)
{
    const QByteArray damaged = "1-0-11-0\r\n2-0-13-12\r\n1-1-12-0\r\n";
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues("P", home.path());
        ASSERT_TRUE(WriteFileBytes(project->RootDirectory() + "/Favorite/FavoriteList.txt", damaged));
        ASSERT_TRUE(WriteFileBytes(project->RootDirectory() + "/Favorite/11.ini", EntryBytes(1, "Eleven", "http://11.test/")));
    }
    openProject();
    EXPECT_EQ(Shape(*pages()), "Eleven");
    const QStringList messages = home.prompter().messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("file load error: " + folder + "/FavoriteList.txt - ")) << messages.first().toStdString();

    showPage(1, "T", "http://t.test/");
    action->Select(nullptr);
    action->PageAdd();
    EXPECT_EQ(Shape(*pages()), "Eleven,T");
    const QStringList backups = QDir(folder).entryList({ "FavoriteList.txt.*.bak" });
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(FileBytes(folder + "/" + backups.first()), damaged);
}

// A favorite whose entry file cannot be stored is neither shown nor listed, and the failure
// is reported once: a list line never names an entry that was not stored.
TEST_F(FavoriteActionTest, AFavoriteWhoseEntryCannotBeStoredIsNeitherShownNorListed)
{
    openProject();
    showPage(7, "Login", "http://app.test/login");
    struct Row {
        const char* name;
        void (TFavoriteAction::*add)();
    };
    const Row rows[] = { { "page", &TFavoriteAction::PageAdd },
                         { "folder", &TFavoriteAction::FolderAdd },
                         { "tab group", &TFavoriteAction::TabAdd } };
    safefile::setFaultHook([](safefile::Step step, const QString& file) { return step == safefile::Step::Write && file.endsWith(".ini") ? ENOSPC : 0; });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        home.prompter().asked.clear();
        (action->*row.add)();
        EXPECT_TRUE(pages()->children.empty());
        EXPECT_TRUE(groups()->children.empty());
        EXPECT_EQ(home.prompter().messages().size(), 1) << home.prompter().messages().join('|').toStdString();
    }
    safefile::setFaultHook({});
    EXPECT_EQ(list(), QByteArray("<missing>"));
    EXPECT_EQ(list(qPrintable(FMC::GroupsListName())), QByteArray("<missing>"));
}
