#include "fakebrowser.h"

#include "browser/tabaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/inifile.h"
#include "core/projectdocument.h"
#include "core/projectstate.h"
#include "support/recordinglistener.h"
#include "support/testhome.h"
#include "support/writelimit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Tab windows on fake browsers; a window that closes reports and goes later.
class TFakeTabFactory : public TTabWindowFactory {
public:
    struct Window {
        TFakeFrame frame;
        TFakeBrowser browser;
    };

    TTabWindow* CreateTabWindow(TTabWindow*) override
    {
        auto& window = *windows.emplace_back(std::make_unique<Window>());
        window.browser.autoNavigate = true;
        window.frame.destroyTab = true;
        return window.frame.tab = new TTabWindow(&window.browser, &window.frame);
    }
    TFakeBrowser* browserOf(TTabWindow* tab)
    {
        for (auto& w : windows) {
            if (w->frame.tab == tab)
                return &w->browser;
        }
        return nullptr;
    }

    std::vector<std::unique_ptr<Window>> windows;
};

// The strip and tree as lists in strip order.
class TFakeStrip : public TTabStripView {
public:
    void InsertTab(int position, TTabWindow* tab, const QString&) override { order.insert(position, tab); images[tab] = 8; }
    void RemoveTab(TTabWindow* tab) override { order.removeAll(tab); }
    void MoveTab(int from, int to) override { order.move(from, to); }
    void SelectTab(TTabWindow* tab) override { selected = tab; }
    void SetTabTexts(TTabWindow* tab, const QString& strip, const QString& node) override
    {
        stripCaptions[tab] = strip;
        nodeTexts[tab] = node;
    }
    void SetNodeImage(TTabWindow* tab, int image) override { images[tab] = image; }
    void SetRootText(const QString& text) override { root = text; }
    void BringToFront(TTabWindow*) override {}
    void Arrange(TTabArrangement) override {}
    void ShowAddress(const QString& url) override { address = url; }
    void FocusFindBox() override {}

    QList<TTabWindow*> order;
    TTabWindow* selected = nullptr;
    QHash<TTabWindow*, QString> stripCaptions, nodeTexts;
    QHash<TTabWindow*, int> images;
    QString root, address;
};

class TabActionTest : public ::testing::Test {
protected:
    TabActionTest()
    {
        BuildCommandCatalogue(App().commands());
        auto action = std::make_unique<TTabAction>(&factory, &strip);
        tabs = action.get();
        App().bus().AddListener(std::move(action));
        App().bus().AddListener(std::make_unique<TRecordingListener>(events, std::initializer_list<TEvent> {
            TEvent::TabWindowAdded, TEvent::TabWindowWasNothing, TEvent::TabWindowActivated,
            TEvent::BrowserBeforeNavigate, TEvent::BrowserNavigateCompleted, TEvent::BrowserTitleChanged,
            TEvent::BrowserStatusTextChanged, TEvent::DocumentParseCompleted, TEvent::BrowserCommandBusyStateChanged }));
    }
    ~TabActionTest() override { App().bus().clear(); }

    void openProject(bool withDataDirectory = true)
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues(QStringLiteral("Tabs"), home.path());
        project->SetHomePage(QStringLiteral("http://127.0.0.1/home.html"));
        if (withDataDirectory)
            QDir().mkpath(project->RootDirectory());
        else
            project->SetRootDirectory(QString());
        App().setCurrentProject(std::move(project));
        App().service<TProjectState>().closing = false;
        App().bus().NotifyProjectOpened(0);
    }
    void closeProject()
    {
        App().service<TProjectState>().closing = true;
        App().takeCurrentProject().reset();
        App().bus().NotifyProjectClosed(0);
        deleteClosed();
    }
    static void deleteClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QString listPath() const { return home.path() + "/Tabs/TabWindow/TabWindowList.ini"; }
    // "id=address" lines of the tab list file.
    QStringList tabList() const
    {
        TIniFile file(listPath());
        file.load();
        QStringList lines;
        for (const QString& key : file.keyNames("Info"))
            lines.append(key + "=" + file.readString("Info", key));
        return lines;
    }
    QStringList urls() const
    {
        QStringList list;
        for (TTabWindow* tab : strip.order)
            list.append(tab->GetUrl());
        return list;
    }
    TFakeBrowser& browser(int position) { return *factory.browserOf(strip.order.at(position)); }

    TTestHome home;
    TFakeTabFactory factory;
    TFakeStrip strip;
    TTabAction* tabs = nullptr;
    std::shared_ptr<QStringList> events = std::make_shared<QStringList>();
};

TEST_F(TabActionTest, AProjectWithoutADataDirectoryOpensItsHomePageAndKeepsNoList)
{
    openProject(false);
    EXPECT_EQ(urls(), QStringList { "http://127.0.0.1/home.html" });
    browser(0).Navigate("http://127.0.0.1/next.html");
    EXPECT_FALSE(QFileInfo::exists("/TabWindow"));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/TabWindow"));
}

// The file's order is kept when tabs move; each entry follows its tab's address.
TEST_F(TabActionTest, TabListKeepsItsOrderWhenTabsMove)
{
    QDir().mkpath(home.path() + "/Tabs/TabWindow");
    TIniFile file(listPath());
    file.writeString("Info", "900", "http://127.0.0.1/c.html");
    file.writeString("Info", "100", "http://127.0.0.1/a.html");
    file.writeString("Info", "500", "http://127.0.0.1/b.html");
    ASSERT_TRUE(file.save());

    openProject();
    EXPECT_EQ(urls(), (QStringList { "http://127.0.0.1/c.html", "http://127.0.0.1/a.html", "http://127.0.0.1/b.html" }));
    QStringList expected = tabList();
    ASSERT_EQ(expected.size(), 3);
    tabs->PopupOnTab(strip.order[0]);
    tabs->MoveNext();
    EXPECT_EQ(strip.order[1]->GetUrl(), "http://127.0.0.1/c.html");
    browser(2).Navigate("http://127.0.0.1/b2.html");
    expected[2] = expected[2].section('=', 0, 0) + "=http://127.0.0.1/b2.html";
    EXPECT_EQ(tabList(), expected);
}

// The list is CP932 text: an address that does not fit is written percent-encoded, so the
// reopened tab goes to the same address instead of one with question marks.
TEST_F(TabActionTest, EveryAddressComesBackFromTheTabList)
{
    const struct {
        const char* name;
        QString address;
        QString written;
    } rows[] = {
        { "Japanese, kept as text", "http://127.0.0.1/日本語.html?q=表示", "http://127.0.0.1/日本語.html?q=表示" },
        { "Korean path", "http://127.0.0.1/한국.html", "http://127.0.0.1/%ED%95%9C%EA%B5%AD.html" },
        { "accented query", "http://127.0.0.1/p.html?q=café", "http://127.0.0.1/p.html?q=caf%C3%A9" },
        { "emoji fragment", "http://127.0.0.1/p.html#\U0001F600", "http://127.0.0.1/p.html#%F0%9F%98%80" },
        { "host name", "http://bücher.example/", "http://xn--bcher-kva.example/" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        openProject();
        ASSERT_EQ(strip.order.size(), 1);
        browser(0).Navigate(row.address);
        const QStringList list = tabList();
        EXPECT_EQ(list.value(0).section('=', 1), row.written);
        closeProject();
        openProject();
        ASSERT_EQ(strip.order.size(), 1);
        EXPECT_EQ(QUrl(urls().value(0)), QUrl(row.address)) << urls().value(0).toStdString();
        closeProject();
    }
}

// Dropping a tree node on another places it before that node; the strip and the
// controller's order follow, the list file keeps its order.
TEST_F(TabActionTest, DraggingATabInTheTreeMovesItBeforeTheTarget)
{
    openProject();
    for (int i = 0; i < 3; ++i)
        tabs->OpenNewTab(false);
    const QList<TTabWindow*> t = strip.order; // A B C D
    const QStringList file = tabList();
    const struct {
        const char* name;
        int dragged, target; // indexes into t
        QList<int> order;
    } rows[] = {
        { "onto the next tab: already before it", 0, 1, { 0, 1, 2, 3 } },
        { "onto the first tab", 2, 0, { 2, 0, 1, 3 } },
        { "onto itself", 0, 0, { 2, 0, 1, 3 } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        tabs->DropTab(t[row.dragged], t[row.target]);
        QList<TTabWindow*> expected;
        for (int i : row.order)
            expected.append(t[i]);
        EXPECT_EQ(strip.order, expected);
        EXPECT_EQ(tabs->Tabs(), expected);
    }
    EXPECT_EQ(tabList(), file);
}

TEST_F(TabActionTest, CloseBeforeAfterAndOtherWorkFromTheChosenTab)
{
    openProject();
    for (int i = 0; i < 4; ++i)
        tabs->OpenNewTab(false);
    const QList<TTabWindow*> all = strip.order; // five tabs
    tabs->PopupOnTab(all[2]);
    EXPECT_EQ(strip.selected, all[2]);
    tabs->CloseNext();
    deleteClosed();
    EXPECT_EQ(strip.order, all.mid(0, 3));
    tabs->PopupOnTab(all[2]);
    tabs->ClosePrev();
    deleteClosed();
    EXPECT_EQ(strip.order, all.mid(2, 1));

    tabs->OpenNewTab(true);
    EXPECT_EQ(browser(1).calls.value(0), "Navigate about:blank");
    tabs->CloseOther();
    deleteClosed();
    ASSERT_EQ(strip.order.size(), 1);
    EXPECT_NE(strip.order[0], all[2]);

    events->clear();
    const int id = strip.order[0]->TabId();
    tabs->CloseTab(strip.order[0]);
    deleteClosed();
    EXPECT_TRUE(events->contains("TabWindowWasNothing:" + QString::number(id))) << events->join(',').toStdString();
    EXPECT_TRUE(tabList().isEmpty());
}

TEST_F(TabActionTest, ReportsBecomeBusEventsOfTheirTab)
{
    openProject();
    TTabWindow* first = strip.order[0];
    TTabWindow* second = tabs->OpenNewTab(false);
    events->clear();

    // Navigation events only for the current tab; titles and status texts for any tab.
    TFakeBrowser& b = browser(0);
    b.Navigate("http://127.0.0.1/x.html");
    b.events->TitleChange("A title longer than fifteen");
    b.events->StatusTextChange("status");
    const QString id = QString::number(first->TabId());
    EXPECT_EQ(*events, (QStringList { "BrowserTitleChanged:" + id, "BrowserStatusTextChanged:" + id }));
    EXPECT_EQ(tabs->CurrentStatusText(), "status");
    EXPECT_EQ(strip.stripCaptions[first], "A title longer ");
    EXPECT_EQ(strip.nodeTexts[first], "A title longer than fifteen");
    EXPECT_EQ(strip.images[first], TTabAction::kImageBeforeNavigate);

    // The current tab's page events in their order are checked on the real engine.
    browser(1).Navigate("http://127.0.0.1/y.html");
    browser(1).completePage("http://127.0.0.1/y.html");
    browser(1).answerSnapshot();
    EXPECT_TRUE(App().service<TVisitedAddresses>().addresses.contains("http://127.0.0.1/y.html"));
    EXPECT_EQ(strip.images[second], TTabAction::kImagePage);

    // Bringing the first tab to the front makes it current and last in the front order.
    first->FormActivate();
    first->FormActivate();
    EXPECT_EQ(tabs->CurrentTab(), first);
    EXPECT_EQ(tabs->FrontOrder().last(), first->TabId());
    EXPECT_TRUE(events->contains("TabWindowActivated:" + id));
    EXPECT_EQ(strip.address, "http://127.0.0.1/x.html");
}

TEST_F(TabActionTest, UpGestureClosesTheTabAfterAskingAndDownOpensOne)
{
    openProject();
    auto drag = [](TTabWindow* tab, int toY) {
        tab->RightButtonDown({ 100, 100 });
        tab->RightButtonUp({ 100, toY });
    };
    TTabWindow* tab = strip.order[0];
    home.prompter().answers = { TPrompter::No, TPrompter::Yes };
    drag(tab, 50);
    EXPECT_EQ(strip.order.size(), 1);
    EXPECT_EQ(home.prompter().messages(), QStringList { "タブを閉じてもいいですか" });
    drag(tab, 150);
    ASSERT_EQ(strip.order.size(), 2);
    drag(strip.order[1], 50);
    deleteClosed();
    EXPECT_EQ(strip.order, QList<TTabWindow*> { tab });
}

TEST_F(TabActionTest, AFailedTabListWriteIsReportedOnceAndKeepsTheOldList)
{
    openProject();
    const QStringList before = tabList();
    ASSERT_EQ(before.size(), 1);
    {
        TWriteLimit limit(16);
        tabs->OpenNewTab(true);
        browser(1).Navigate("http://127.0.0.1/z.html");
        browser(1).Navigate("http://127.0.0.1/z2.html");
    }
    EXPECT_EQ(home.prompter().messages().filter("file save error: ").size(), 1);
    EXPECT_EQ(tabList(), before) << "the old list stays whole";
    browser(1).Navigate("http://127.0.0.1/z3.html");
    EXPECT_EQ(tabList().size(), 2);
}

TEST_F(TabActionTest, NavigatingByAFavoriteTitleGoesToItsAddressAndOpensATabWhenNone)
{
    App().service<TFavoriteTitleMap>().entries = { { "Home", "http://127.0.0.1/fav-home.html" },
                                                   { "Home", "http://127.0.0.1/second.html" } };
    tabs->NavigateCurrentTab("Home");
    ASSERT_EQ(urls(), QStringList { "http://127.0.0.1/fav-home.html" }) << "a tab is opened for it";
    tabs->NavigateCurrentTab("home");
    EXPECT_EQ(browser(0).calls.last(), "Navigate http://127.0.0.1/fav-home.html")
        << "titles match without regard to case, the first one wins";
    tabs->NavigateCurrentTab("Homepage");
    EXPECT_EQ(browser(0).calls.last(), "Navigate Homepage");
}

}
