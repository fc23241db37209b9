#include "enginetab.h"

#include "browser/tabaction.h"
#include "browser/views/tabwidgets.h"
#include "core/views/mainform.h"
#include "history/views/historyview.h"

#include <QFile>
#include <QMenu>
#include <QTreeWidget>

#include <memory>

namespace {

// The main window with the view, tab and history controllers on the real engine.
class HistoryE2E : public TEngineWindowSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        for (const char* name : { "home", "a", "b", "c" })
            s_server->addPage(QStringLiteral("/h/%1.html").arg(QLatin1String(name)), TitledPage(name));
    }

    HistoryE2E()
    {
        App().bus().AddListener(CreateHistoryAction(*form));
        tree = HistoryTree(*form);
    }

    void openProject() { TEngineWindowSuite::openProject("/h/home.html"); }

    static QString url(const char* name) { return s_server->urlText(QStringLiteral("/h/%1.html").arg(QLatin1String(name))); }
    int parsedCount() const { return window.parseCount(); }
    bool go(const char* name) { return window.go(url(name)); }
    QStringList addresses(int root) const
    {
        QStringList list;
        QTreeWidgetItem* node = tree->topLevelItem(root);
        for (int i = 0; i < node->childCount(); ++i)
            list << node->child(i)->toolTip(0);
        return list;
    }
    QStringList texts(QTreeWidgetItem* node) const
    {
        QStringList list;
        for (int i = 0; i < node->childCount(); ++i)
            list << node->child(i)->text(0);
        return list;
    }

    QTreeWidget* tree = nullptr;
};

TEST_F(HistoryE2E, VisitsTravelMenusFrontTabAndDomainFilesFollowThePages)
{
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->topLevelItemCount(), 3);

    openProject();
    ASSERT_TRUE(WaitUntil([&] { return parsedCount() >= 1; }));
    ASSERT_TRUE(go("a"));
    ASSERT_TRUE(go("b"));
    ASSERT_TRUE(go("a"));
    EXPECT_EQ(addresses(0), QStringList({ url("a"), url("b"), url("a"), url("home") }));
    // Each visit shows its page's title, also where the page was recorded before its title came.
    ASSERT_TRUE(WaitUntil([&] { return texts(tree->topLevelItem(0)) == QStringList({ "a", "b", "a", "home" }); }))
        << texts(tree->topLevelItem(0)).join(' ').toStdString();
    EXPECT_EQ(texts(tree->topLevelItem(1)), QStringList({ "a", "b", "a", "home" }));
    ASSERT_EQ(tree->topLevelItem(2)->childCount(), 1);
    EXPECT_EQ(texts(tree->topLevelItem(2)->child(0)), QStringList({ "a", "b", "home" }));

    // A reload of the same address records nothing new.
    const int before = parsedCount();
    App().tabs->CurrentTab()->Reload(false);
    ASSERT_TRUE(WaitUntil([&] { return parsedCount() > before; }));
    EXPECT_EQ(addresses(0).size(), 4);

    // The back menu lists b, a, home nearest first; its third item goes three steps back.
    QMenu* back = form->dropDownMenu(QStringLiteral("ActionViewBack"));
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->actions().size(), 3);
    back->actions().at(2)->trigger();
    ASSERT_TRUE(WaitUntil([&] { return App().tabs->CurrentTab()->GetUrl() == url("home") && addresses(0).first() == url("home"); }));
    QMenu* forward = form->dropDownMenu(QStringLiteral("ActionViewForward"));
    ASSERT_TRUE(WaitUntil([&] { return forward->actions().size() == 3 && back->actions().isEmpty(); }));

    // A second tab: its visits replace the front tab's; switching back restores them.
    const int parsed = parsedCount();
    App().tabs->OpenTab(url("c"));
    ASSERT_TRUE(WaitUntil([&] { return parsedCount() > parsed && addresses(1) == QStringList({ url("c") }); }));
    tabs->ShowTab(tabs->Tabs().at(0));
    ASSERT_TRUE(WaitUntil([&] { return addresses(1).size() == 4; })) << addresses(1).join(' ').toStdString();

    // Clicking a visit opens it in the current tab.
    QTreeWidgetItem* visitC = tree->topLevelItem(0)->child(0);
    ASSERT_EQ(visitC->toolTip(0), url("c"));
    emit tree->itemClicked(visitC, 0);
    ASSERT_TRUE(WaitUntil([&] { return App().tabs->CurrentTab()->GetUrl() == url("c"); }));

    // Closing writes the per-domain pages; the next opening shows them before any visit.
    closeProject();
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(tree->topLevelItem(2)->childCount(), 0);
    EXPECT_TRUE(App().service<TVisitedAddresses>().addresses.isEmpty());
    const QString folder = home.path() + "/E2E/TabWindow/";
    ASSERT_TRUE(QFile::exists(folder + "DomainHistryList.ini"));
    ASSERT_TRUE(QFile::exists(folder + "127.0.0.1.ini"));

    openProject();
    ASSERT_EQ(tree->topLevelItem(2)->childCount(), 1);
    EXPECT_EQ(tree->topLevelItem(2)->child(0)->childCount(), 4);
    EXPECT_TRUE(App().service<TVisitedAddresses>().addresses.contains(url("b")));
}

} // namespace
