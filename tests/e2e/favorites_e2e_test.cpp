#include "enginetab.h"

#include "browser/views/tabwidgets.h"
#include "commands/views/addressbar.h"
#include "core/homefiles.h"
#include "core/views/mainform.h"
#include "history/favoriteaction.h"
#include "history/views/favoriteview.h"
#include "history/views/historyview.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

// The main window with the view, tab, favorites, history and address controllers on the
// real engine, pages served on loopback.
class FavoritesE2E : public TEngineWindowSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        for (const char* name : { "a", "b", "c", "news" })
            s_server->addPage(QStringLiteral("/f/%1.html").arg(QLatin1String(name)), TitledPage(name));
    }

    FavoritesE2E()
    {
        WriteFileBytes(GlobalSettingsPath(), "[Favorite]\r\nBrowserFavoritesFolder=" + home.file("Shortcuts").toUtf8() + "\r\n");
        WriteFileBytes(home.file("Shortcuts/News.url"), "[InternetShortcut]\r\nURL=" + url("news").toUtf8() + "\r\n");
        TEventBus& bus = App().bus();
        bus.AddListener(CreateFavoriteAction(*form));
        bus.AddListener(CreateHistoryAction(*form));
        bus.AddListener(CreateAddressAction(*form));
        tree = FavoriteTree(*form);
        action = TFavoriteAction::instance();
    }

    void openProject() { TEngineWindowSuite::openProject("/f/a.html"); }
    static QString url(const char* name) { return s_server->urlText(QStringLiteral("/f/%1.html").arg(QLatin1String(name))); }
    bool shows(const char* name)
    {
        return WaitUntil([&] {
            TTabView* tab = App().tabs->CurrentTab();
            return tab && tab->GetUrl() == url(name) && tab->GetTitle() == name && tab->NavigationState() == 2;
        });
    }
    QTreeWidgetItem* root(int index) const { return tree->topLevelItem(index); }
    QStringList texts(QTreeWidgetItem* item) const
    {
        QStringList list;
        for (int i = 0; i < item->childCount(); ++i)
            list << item->child(i)->text(0);
        return list;
    }
    QPoint centre(QTreeWidgetItem* item) const
    {
        tree->scrollToItem(item);
        return tree->visualItemRect(item).center();
    }
    // Types the text into the open in-place editor and presses Enter (or Esc).
    bool typeIntoEditor(const QString& text, bool accept = true)
    {
        QLineEdit* editor = nullptr;
        if (!WaitUntil([&] {
                editor = tree->viewport()->findChild<QLineEdit*>();
                return editor && editor->isVisible();
            }))
            return false;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, accept ? Qt::Key_Return : Qt::Key_Escape);
        return true;
    }

    QTreeWidget* tree = nullptr;
    TFavoriteAction* action = nullptr;
};

TEST_F(FavoritesE2E, PagesAreAddedRenamedMovedOpenedGroupedAndKeptAcrossReopening)
{
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->topLevelItemCount(), 3);

    openProject();
    ASSERT_TRUE(shows("a"));
    EXPECT_EQ(texts(root(2)), QStringList({ "News" }));
    ASSERT_TRUE(WaitUntil([&] { return Command("ActionFavoritePageAdd")->isEnabled(); }));
    Command("ActionFavoritePageAdd")->trigger();
    ASSERT_EQ(texts(root(0)), QStringList({ "a" }));
    EXPECT_EQ(tree->currentItem(), root(0)->child(0));

    // F2 renames in place (what is stored is checked on the controller alone).
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_F2);
    ASSERT_TRUE(typeIntoEditor("Alpha"));
    ASSERT_TRUE(WaitUntil([&] { return !action->editing() && root(0)->child(0)->text(0) == "Alpha"; }));

    // A second page, moved before the first.
    App().tabs->NavigateCurrentTab(url("b"));
    ASSERT_TRUE(shows("b"));
    Command("ActionFavoritePageAdd")->trigger();
    ASSERT_EQ(texts(root(0)), QStringList({ "Alpha", "b" }));
    ASSERT_TRUE(Command("ActionFavoriteMovePrev")->isEnabled());
    Command("ActionFavoriteMovePrev")->trigger();
    EXPECT_EQ(texts(root(0)), QStringList({ "b", "Alpha" }));

    // Esc gives the name back; choosing another node ends the edit without a crash.
    tree->setCurrentItem(root(0)->child(1));
    QTest::keyClick(tree, Qt::Key_F2);
    ASSERT_TRUE(typeIntoEditor("Zzz", false));
    ASSERT_TRUE(WaitUntil([&] { return !action->editing(); }));
    EXPECT_EQ(texts(root(0)), QStringList({ "b", "Alpha" }));
    QTest::keyClick(tree, Qt::Key_F2, Qt::ShiftModifier);
    ASSERT_TRUE(WaitUntil([&] { return action->editing() && root(0)->child(1)->text(0) == url("a"); })) << "the address is edited";
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre(root(0)->child(0)));
    ASSERT_TRUE(WaitUntil([&] { return !action->editing() && tree->currentItem() == root(0)->child(0); }));
    EXPECT_EQ(texts(root(0)), QStringList({ "b", "Alpha" }));

    // Hovering shows the address; a click opens the page in the current tab.
    QTreeWidgetItem* alpha = root(0)->child(1);
    QTest::mouseMove(tree->viewport(), centre(alpha));
    ASSERT_TRUE(WaitUntil([&] { return form->statusLabel()->text() == url("a"); })) << form->statusLabel()->text().toStdString();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre(alpha));
    ASSERT_TRUE(shows("a"));

    // A group of all tabs, in strip order, named while it is new.
    App().tabs->OpenTab(url("c"));
    ASSERT_TRUE(shows("c"));
    Command("ActionFavoriteTabAdd")->trigger();
    ASSERT_TRUE(typeIntoEditor("Morning"));
    ASSERT_TRUE(WaitUntil([&] { return texts(root(1)) == QStringList({ "Morning" }); }));
    EXPECT_EQ(texts(root(1)->child(0)), QStringList({ "a", "c" }));

    // The browser favorite's title typed into the address bar opens its address.
    QComboBox* box = form->addressBox();
    ASSERT_GE(box->findText("News"), 0) << "offered by the address bar";
    box->setEditText("news");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(shows("news"));

    // The program's own dialog adds to the browser's favorites: offered the page's title,
    // what the user types loses the characters a file name cannot hold.
    QString offered;
    AnswerNextDialog([](QWidget& w) { return w.objectName() == "TFormBrowserFavoriteAdd"; },
                     [&](QWidget& dialog) {
                         auto* name = dialog.findChild<QLineEdit*>();
                         offered = name->text();
                         name->setText("Saved: page?");
                         static_cast<QDialog&>(dialog).accept();
                     });
    Command("ActionFavoriteIEAddFavorite")->trigger();
    EXPECT_EQ(offered, "news");
    EXPECT_EQ(FileBytes(home.file("Shortcuts/Saved page.url")), "[InternetShortcut]\r\nURL=" + url("news").toUtf8() + "\r\n");
    EXPECT_EQ(texts(root(2)), QStringList({ "News", "Saved page" }));

    closeProject();
    EXPECT_EQ(root(0)->childCount(), 0);
    EXPECT_EQ(root(2)->childCount(), 0);
    EXPECT_FALSE(Command("ActionFavoritePageFolderAdd")->isEnabled());
    openProject();
    EXPECT_EQ(texts(root(0)), QStringList({ "b", "Alpha" }));
    EXPECT_EQ(texts(root(1)), QStringList({ "Morning" }));
    EXPECT_EQ(texts(root(1)->child(0)), QStringList({ "a", "c" }));
    EXPECT_EQ(texts(root(2)), QStringList({ "News", "Saved page" }));
}

} // namespace
