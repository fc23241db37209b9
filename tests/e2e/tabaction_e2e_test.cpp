#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/tabaction.h"
#include "browser/views/tabwidgets.h"
#include "core/consolememos.h"
#include "core/inifile.h"
#include "core/views/mainform.h"
#include "support/recordinglistener.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTabBar>
#include <QTreeWidget>

#include <memory>

namespace {

// The main window with the view and tab controllers on the real engine, and a listener
// that records every event.
class TabActionE2E : public TEngineWindowSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        for (const char* title : { "Home", "A", "B", "Child" })
            s_server->addPage(QStringLiteral("/ta/%1.html").arg(QString::fromLatin1(title).toLower()), TitledPage(title));
    }

    TabActionE2E()
    {
        std::initializer_list<TEvent> all = {
            TEvent::TabWindowAdded, TEvent::TabWindowWasNothing, TEvent::TabWindowActivated,
            TEvent::BrowserCommandBusyStateChanged, TEvent::BrowserStatusTextChanged, TEvent::BrowserTitleChanged,
            TEvent::BrowserBeforeNavigate, TEvent::BrowserNavigateCompleted, TEvent::BrowserDocumentCompleted,
            TEvent::DocumentParseCompleted, TEvent::PopupOpen, TEvent::PopupOpened, TEvent::DownloadBegining,
        };
        App().bus().AddListener(std::make_unique<TRecordingListener>(events, all));
    }

    void openProject(int viewAlert = 1)
    {
        TEngineWindowSuite::openProject("/ta/home.html", [viewAlert](TXMLProjectType& project) { project.SetViewAlert(viewAlert); });
    }

    int parsedCount() const { return int(events->filter(QStringLiteral("DocumentParseCompleted")).size()); }

    bool waitForParses(int count) { return WaitUntil([&] { return parsedCount() >= count; }); }

    QStringList tabList() const
    {
        TIniFile file(home.path() + QStringLiteral("/E2E/TabWindow/TabWindowList.ini"));
        file.load();
        QStringList lines;
        for (const QString& key : file.keyNames(QStringLiteral("Info")))
            lines.append(key + QLatin1Char('=') + file.readString(QStringLiteral("Info"), key));
        return lines;
    }

    std::shared_ptr<QStringList> events = std::make_shared<QStringList>();
};

// The tab list is written as tabs open and restored on reopening; then a node of the tab
// tree dropped on another goes before it, and its strip tab with it.
TEST_F(TabActionE2E, TabListIsRestoredInFileOrderWithNewIdsAndTreeDropsMoveTheTabs)
{
    QStringList pages;
    for (const char* name : { "home", "a", "b", "child" })
        pages << s_server->urlText(QStringLiteral("/ta/%1.html").arg(QLatin1String(name)));
    // The list the open tabs should have written: each tab's ID with its page, in tab order.
    const auto listed = [&] {
        QStringList lines;
        for (TTabWindow* tab : tabs->Tabs())
            lines.append(QString::number(tab->TabId()) + QLatin1Char('=') + pages.value(lines.size()));
        return lines;
    };

    openProject();
    ASSERT_TRUE(waitForParses(1));
    for (int i = 1; i < pages.size(); ++i) {
        App().tabs->OpenTab(pages[i]);
        ASSERT_TRUE(waitForParses(i + 1));
    }

    // The list is written at every report of a tab: wait until it holds every page.
    EXPECT_TRUE(WaitUntil([&] { return tabList() == listed(); })) << tabList().join(QLatin1Char('\n')).toStdString();
    const QStringList written = tabList();

    closeProject();
    EXPECT_EQ(App().tabs->TabCount(), 0);
    EXPECT_EQ(tabList(), written) << "closing the project keeps the list";

    openProject();
    ASSERT_TRUE(WaitUntil([&] { return App().tabs->TabCount() == 4; }));
    for (const QString& line : written)
        EXPECT_EQ(App().tabs->FindTab(line.section(QLatin1Char('='), 0, 0).toInt()), nullptr) << "new IDs";
    // Each reopened tab is written once its own navigation has reached the page, in
    // whatever order the pages arrive.
    EXPECT_TRUE(WaitUntil([&] { return tabList() == listed(); })) << tabList().join(QLatin1Char('\n')).toStdString();

    QTabBar* strip = form->tabStrip();
    QTreeWidget* tree = form->tabTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    // The tabs' titles in the tree, on the strip and in the controller.
    const auto shown = [&] {
        QStringList inTree, onStrip, inController;
        for (int i = 0; i < root->childCount(); ++i)
            inTree << root->child(i)->text(0);
        for (int i = 0; i < strip->count(); ++i)
            onStrip << strip->tabText(i);
        for (TTabWindow* tab : tabs->Tabs())
            inController << tab->GetTitle();
        return QStringList { inTree.join(' '), onStrip.join(' '), inController.join(' ') };
    };
    // Titles come in reports of their own.
    ASSERT_TRUE(WaitUntil([&] { return shown() == QStringList(3, "Home A B Child"); })) << shown().join('\n').toStdString();

    form->showLeftPage(2); // the tree's page, "ウィンドウ"
    auto* watcher = form->findChild<TTabWidgets*>();
    ASSERT_NE(watcher, nullptr);
    tree->expandAll();
    // A drag that the tree starts ends in a drop on its viewport, which the tab widgets watch.
    // The offscreen platform runs no drags, so the drop is handed to the watcher as Qt would
    // hand it over. (Where a dropped tab goes is checked on the controller alone.)
    QTreeWidgetItem* target = root->child(2);
    tree->setCurrentItem(root->child(0));
    tree->scrollToItem(target);
    std::unique_ptr<QMimeData> data(tree->model()->mimeData({ tree->currentIndex() }));
    QDropEvent drop(QRectF(tree->visualItemRect(target)).center(), Qt::MoveAction, data.get(), Qt::LeftButton,
                    Qt::NoModifier);
    EXPECT_TRUE(static_cast<QObject*>(watcher)->eventFilter(tree->viewport(), &drop));
    EXPECT_EQ(shown(), QStringList(3, "A Home B Child"));
}

TEST_F(TabActionE2E, EventsOfAPageReachTheBusInOrderAlsoWhenItsAddressStaysTheSame)
{
    s_server->addPage(QStringLiteral("/ta/self.html"),
                      "<html><body><form name=f method=post action=self.html><input name=q value=1></form></body></html>");
    openProject();
    ASSERT_TRUE(waitForParses(1));
    const QString id = QString::number(tabs->CurrentTabWindow()->TabId());
    const QStringList page { "BrowserBeforeNavigate:" + id, "BrowserNavigateCompleted:" + id,
                             "BrowserDocumentCompleted:" + id, "DocumentParseCompleted:" + id };
    auto pageEvents = [&] {
        QStringList found;
        for (const QString& e : std::as_const(*events)) {
            if (page.contains(e))
                found.append(e);
        }
        return found;
    };

    events->clear();
    App().tabs->NavigateCurrentTab(s_server->urlText(QStringLiteral("/ta/self.html")));
    ASSERT_TRUE(waitForParses(1));
    EXPECT_EQ(pageEvents().join(' ').toStdString(), page.join(' ').toStdString());

    // The form posted back to its own address: no address changes, the navigation completes.
    events->clear();
    run(QStringLiteral("document.forms[0].submit(); 1"));
    ASSERT_TRUE(waitForParses(1));
    EXPECT_EQ(pageEvents().join(' ').toStdString(), page.join(' ').toStdString());
    EXPECT_EQ(s_server->requestCount(QStringLiteral("/ta/self.html")), 2);
}

TEST_F(TabActionE2E, MessageBoxesOfLocalPagesAreAnsweredAndLoggedAndRemoteOnesShown)
{
    openProject(0);
    ASSERT_TRUE(waitForParses(1));
    TTabWindow* local = tabs->CurrentTabWindow();
    run(QStringLiteral("alert('hello local'); 1"), local);
    EXPECT_TRUE(home.prompter().messages().isEmpty());
    EXPECT_EQ(App().service<TConsoleMemos>().popup.lines(), (QStringList { "-> alert", "hello local" }));

    // A handler of PopupOpen answers the confirm with Cancel: the page sees it, no box shows.
    auto answering = std::make_unique<TRecordingListener>(events, std::initializer_list<TEvent> {});
    answering->on(TEvent::PopupOpen, [](int tabId) {
        TPopupMessageInfo* info = App().tabs->FindTab(tabId)->PopupInfo();
        if (info->MessageType == TPopupMessageInfo::kConfirm) {
            info->AnswerResult = 0;
            info->AnswerButton = 2;
        }
    });
    App().bus().AddListener(std::move(answering));
    EXPECT_EQ(run(QStringLiteral("confirm('sure?') ? 'yes' : 'no'"), local).toString(), "no");
    EXPECT_EQ(local->PopupInfo()->ResultButton, 2);
    EXPECT_TRUE(home.prompter().messages().isEmpty());
    // Prompts are the engine's own box, which no one could answer without a screen.
    EXPECT_EQ(run(QStringLiteral("String(prompt('name?', 'x'))"), local).toString(), "null");

    App().tabs->OpenTab(s_server->urlText(QStringLiteral("/ta/a.html"), true));
    ASSERT_TRUE(waitForParses(2));
    run(QStringLiteral("alert('hello remote'); 1"));
    EXPECT_EQ(home.prompter().messages(), QStringList { "hello remote" });
    EXPECT_EQ(App().service<TConsoleMemos>().popup.lines().mid(4), (QStringList { "-> alert", "hello remote" }));
}

TEST_F(TabActionE2E, ScriptWindowsOpenAsTabsAndTheirCloseEndsTheirEvents)
{
    openProject();
    ASSERT_TRUE(waitForParses(1));
    TTabWindow* opener = tabs->CurrentTabWindow();
    run(QStringLiteral("window.open('child.html', 'child'); 1"), opener);
    ASSERT_TRUE(WaitUntil([&] { return App().tabs->TabCount() == 2 && parsedCount() >= 2; }));
    TTabWindow* child = tabs->CurrentTabWindow();
    ASSERT_NE(child, opener);
    EXPECT_TRUE(child->GetUrl().endsWith("/ta/child.html"));
    const QString childId = QString::number(child->TabId());

    run(QStringLiteral("setTimeout(function () { window.close(); document.title = 'after close'; "
                              "location.href = 'a.html'; }, 0); 1"), child);
    ASSERT_TRUE(WaitUntil([&] { return App().tabs->TabCount() == 1; }));
    const int childEvents = int(events->filter(":" + childId).size());
    Pause(700);
    EXPECT_EQ(events->filter(":" + childId).size(), childEvents) << events->join('\n').toStdString();
    EXPECT_FALSE(tabs->TabIdList().contains(childId));
    EXPECT_EQ(form->tabStrip()->count(), 1);
}

TEST_F(TabActionE2E, DownloadsAreLoggedUnderTheFilesAddressOncePerFile)
{
    s_server->addDownload(QStringLiteral("/ta/one.csv"), "1\n", QStringLiteral("one.csv"));
    s_server->addDownload(QStringLiteral("/ta/two.csv"), "2\n", QStringLiteral("two.csv"));
    s_server->addDownload(QStringLiteral("/ta/three.csv"), "3\n", QStringLiteral("three.csv"));
    s_server->addPage(QStringLiteral("/ta/downloads.html"),
                      "<html><body><a id=one href=one.csv download>1</a><a id=two href=two.csv download>2</a>"
                      "</body></html>");
    openProject();
    ASSERT_TRUE(waitForParses(1));
    App().tabs->NavigateCurrentTab(s_server->urlText(QStringLiteral("/ta/downloads.html")));
    ASSERT_TRUE(waitForParses(2));
    auto memo = [] { return App().service<TConsoleMemos>().download.lines(); };
    auto entries = [&] { return memo().filter(QStringLiteral("-> ")); };
    // Every download offers the save dialog (cancelled here): the n-th offer ends its handling.
    auto offered = [&](size_t count) {
        return WaitUntil([&] { return home.prompter().asked.size() >= count; });
    };
    auto click = [&](const char* id) {
        run(QStringLiteral("document.getElementById('%1').click(); 1").arg(QLatin1String(id)));
    };
    auto address = [](const char* file) -> QString { return "-> " + s_server->urlText(QStringLiteral("/ta/%1").arg(QLatin1String(file))); };

    // Links with the download attribute: each file once, under its own address.
    click("one");
    ASSERT_TRUE(offered(1));
    click("one");
    ASSERT_TRUE(offered(2));
    EXPECT_EQ(entries(), QStringList { address("one.csv") }) << "the same file again is no new entry";
    click("two");
    ASSERT_TRUE(offered(3));
    EXPECT_EQ(entries(), (QStringList { address("one.csv"), address("two.csv") }));
    EXPECT_EQ(tabs->CurrentTabWindow()->NavigationState(), TTabWindow::kStateDownload);

    // A navigation that ends in a download: one entry for the navigation's address.
    App().tabs->NavigateCurrentTab(s_server->urlText(QStringLiteral("/ta/three.csv")));
    ASSERT_TRUE(offered(4));
    EXPECT_EQ(entries(), (QStringList { address("one.csv"), address("two.csv"), address("three.csv") }));
    EXPECT_EQ(events->filter(QStringLiteral("DownloadBegining")).size(), 3);
    for (const auto& asked : home.prompter().asked)
        EXPECT_EQ(asked.kind, "save");
}

}

// A script opening windows in a loop gets twenty tabs, and one message; the rest of its
// calls answer no window instead of filling the tool with tabs.
TEST_F(TabActionE2E, AScriptOpeningWindowsInALoopIsStoppedAfterTwenty)
{
    openProject();
    ASSERT_TRUE(waitForParses(1));
    TTabWindow* opener = tabs->CurrentTabWindow();
    run(QStringLiteral("var n = 0; for (var i = 0; i < 40; i++) { if (window.open('child.html', 'w' + i)) n++; } n"), opener);
    ASSERT_TRUE(WaitUntil([&] { return !home.prompter().messages().isEmpty(); }));
    EXPECT_EQ(home.prompter().messages(), QStringList { "new window refused: the page has opened 20 windows on its own" });
    EXPECT_EQ(App().tabs->TabCount(), 21);
}
