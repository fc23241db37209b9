#include "app/views/controllers.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/placeholderactions.h"
#include "core/inifile.h"
#include "core/views/mainform.h"
#include "core/views/menutable.h"
#include "support/testhome.h"

#include <QAction>
#include <QMenu>
#include <QHelpEvent>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

// The menu bar as the user reads it: "menu/submenu/entry", separators left out.
QStringList walk(const QList<QAction*>& actions, const QString& path = {})
{
    QStringList lines;
    for (QAction* a : actions) {
        if (a->isSeparator())
            continue;
        const QString line = path.isEmpty() ? a->text() : path + QLatin1Char('/') + a->text();
        lines << line;
        if (a->menu())
            lines << walk(a->menu()->actions(), line);
    }
    return lines;
}

QStringList expectedMenus()
{
    const struct {
        const char* menu;
        QStringList items;
    } menus[] = {
        { "メイン(&M)",
          { "プロジェクトを新規作成(&N)...", "プロジェクトを開く(&O)...", "プロジェクトを開き直す(&R)",
            "プロジェクトを保存(&S)", "プロジェクトに名前をつけて保存(&A)...", "プロジェクトを閉じる(&C)",
            "プロジェクトの設定(&U)...", "インターネットオプション(&I)...", "終了(&X)" } },
        { "ファイル(&F)", { "開く(&O)...", "名前をつけて保存(&A)...", "ページ設定(&U)...", "印刷(&P)...", "印刷プレビュー(&V)..." } },
        { "編集(&E)",
          { "切り取り(&T)", "コピー(&C)", "貼り付け(&P)", "全て選択(&A)", "このページを検索(&F)...",
            "IEの検索ボックスを使用する(&I)" } },
        { "表示(&V)",
          { "移動(&O)", "移動(&O)/前に戻る(&B)", "移動(&O)/次に進む(&F)", "移動(&O)/ホームページ(&H)", "中止(&P)",
            "最新の情報に更新(&R)", "文字のサイズ(&X)", "文字のサイズ(&X)/最大(&G)", "文字のサイズ(&X)/大(&L)",
            "文字のサイズ(&X)/中(&M)", "文字のサイズ(&X)/小(&S)", "文字のサイズ(&X)/最小(&A)", "ソース(&C)",
            "ログを消去(&D)", "画面左パネルを表示(&Q)", "画面右パネルを表示(&W)", "画面下パネルを表示(&S)" } },
        { "お気に入り(&A)",
          { "現在のページをお気に入りに追加(&A)", "現在のページでお気に入りを置き換え(&R)", "お気に入りページフォルダーを追加(&F)",
            "表示しているウィンドウをお気に入りグループとして追加(&T)", "選択したお気に入りを一つ前に移動(&B)",
            "選択したお気に入りを一つ後に移動(&O)", "選択したお気に入りの名前を変更(&M)", "選択したお気に入りのアドレスを変更(&U)",
            "選択したお気に入りを削除(&X)", "開く(&P)", "新しいウィンドウで開く(&N)", "直下のページを全て新しいウィンドウで開く(&L)",
            "ブラウザーのお気に入りに追加(&A)...", "ブラウザーのお気に入りの整理(&O)..." } },
        { "フォーム(&I)",
          { "フォーム送信(&M)", "フォームリセット(&R)", "フォーム状態を更新(&U)", "データを保存(&S)", "データに名前をつけて保存(&A)",
            "選択した階層のデータを保存(&T)", "Hidden属性データを保存する(&H)", "フォーム定義を編集(&D)", "フォーム定義を削除(&X)" } },
        { "データ(&D)",
          { "フォームへ反映(&I)", "直前に反映したデータを反映(&H)", "画面フォーム値との比較(&C)", "データの名前を変更(&E)",
            "データを削除(&D)", "別画面IDのデータを開きフォームへ反映(&O)...", "定型データ(&M)" } },
        { "JavaScript(&J)", { "任意のコードを実行(&C)", "選択した関数を実行(&F)", "ソースを表示(&V)" } },
        { "キャプチャ(&C)",
          { "対象領域(&R)", "対象領域(&R)/表示されている部分のみ(&V)", "対象領域(&R)/スクロール領域も含める(&A)",
            "クリップボード(&C)", "ファイル(&F)" } },
        { "操作(&O)",
          { "テストケース(&T)", "テストケース(&T)/テストケースを実行(&X)", "テストケース(&T)/テストケースを新規作成(&N)",
            "テストケース(&T)/テストケースを編集(&E)", "テストケース(&T)/テストケースを削除(&D)", "自動操作を新規作成(&N)",
            "自動操作を編集(&E)", "自動操作を削除(&D)", "自動操作を実行(&X)", "自動操作を中止(&C)" } },
        { "サーバー(&S)",
          { "プロキシ(&P)", "プロキシ(&P)/プロキシサーバーを使用しない(&D)", "プロキシ(&P)/プロキシサーバーに接続する(&C)" } },
        { "ウィンドウ(&W)",
          { "ウィンドウを開く(&N)", "ウィンドウを閉じる(&D)", "全てのウィンドウを閉じる(&X)", "他のウィンドウを閉じる(&O)",
            "順序が前のウィンドウを閉じる(&E)", "順序が後のウィンドウを閉じる(&A)", "ウィンドウの順序を前に移動(&B)",
            "ウィンドウの順序を後に移動(&F)", "ウィンドウを重ねて表示(&C)", "ウィンドウを上下に並べて表示(&H)",
            "ウィンドウを左右に並べて表示(&V)" } },
        { "ヘルプ(&H)", { "ヘルプ(&C)", "バージョン情報(&A)" } },
    };
    QStringList lines;
    for (const auto& m : menus) {
        const QString menu = QString::fromUtf8(m.menu);
        lines << menu;
        for (const QString& item : m.items)
            lines << menu + QLatin1Char('/') + item;
    }
    return lines;
}

// Owner of each command by the start of its name; the exceptions are listed by name.
QString expectedOwner(const QString& name)
{
    static const QHash<QString, QString> byName = {
        { "ActionFind", "TFindAction" }, { "ActionFindDialogIE", "TFindAction" }, { "ActionFindButton", "TFindAction" },
        { "ActionAddressSelectText", "TAddressAction" }, { "ActionServerProxyDisconnect", "ServerAction" },
        { "ActionServerProxyConnect", "ServerAction" }, { "ActionServerProxyConnectIE", "ServerAction" },
        { "ActionServerProxyStart", "" }, { "ActionServerProxyFinish", "" }, { "ActionServerPushConnect", "" },
        { "ActionServerPuchDisconnect", "" },
    };
    if (byName.contains(name))
        return byName.value(name);
    for (const char* area : { "Main", "File", "Edit", "View", "Favorite", "Form", "Data", "JS", "Capture", "Test", "Tab",
                              "Help", "PageControl" }) {
        if (name.startsWith(QLatin1String("Action") + QLatin1String(area)))
            return QLatin1String("T") + QLatin1String(area) + QLatin1String("Action");
    }
    return QStringLiteral("?");
}

// A main window built on a home whose shortcut file moves "open" to Ctrl+L.
class CommandCatalogue : public testing::Test {
protected:
    void SetUp() override
    {
        TIniFile keys(home.file("CalverdineShortcutKey.ini"));
        keys.writeInteger("ShortCutKey", "FileOpen", 76);
        ASSERT_TRUE(keys.save());
        form = std::make_unique<TMainForm>();
        form->FormCreate(CreateControllers);
    }
    static QAction* cmd(const char* name) { return App().commands().action(QString::fromLatin1(name)); }

    TTestHome home;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(CommandCatalogue, MenuBarShowsEveryCaptionInOrder)
{
    EXPECT_EQ(walk(form->menuBar()->actions()), expectedMenus());

    // A submenu filled at run time cannot be opened while it holds nothing.
    QMenu* templates = form->subMenu("MenuDataTemplate");
    EXPECT_FALSE(templates->menuAction()->isEnabled());
    QAction* entry = templates->addAction("ログイン画面");
    EXPECT_TRUE(templates->menuAction()->isEnabled());
    templates->removeAction(entry);
    EXPECT_FALSE(templates->menuAction()->isEnabled());

    // A submenu whose every command is disabled offers nothing either, until one is enabled.
    QMenu* go = form->subMenu("MenuViewGo");
    for (QAction* a : go->actions())
        a->setEnabled(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(go->menuAction()->isEnabled());
    cmd("ActionViewHome")->setEnabled(true);
    EXPECT_TRUE(go->menuAction()->isEnabled());
}

TEST_F(CommandCatalogue, EveryCommandHasItsOwnerAndTheOthersAreDisabled)
{
    TCommandList& commands = App().commands();
    EXPECT_EQ(commands.names().size(), 111);
    EXPECT_EQ(commands.categories().size(), 16);
    for (const QString& name : commands.names()) {
        EXPECT_EQ(commands.owner(name), expectedOwner(name)) << qPrintable(name);
        if (commands.owner(name).isEmpty()) {
            EXPECT_FALSE(commands.action(name)->isEnabled()) << qPrintable(name);
        }
    }
    // A placeholder's commands would stay disabled, its tool buttons without tips; every area
    // of the window now has its own controller.
    int placeholders = 0;
    for (int i = 0; i < App().bus().ListenerCount(); ++i) {
        auto* placeholder = qobject_cast<TPlaceholderAction*>(App().bus().ListenerAt(i));
        for (const QString& name : placeholder ? CommandsOwnedBy(placeholder->owner()) : QStringList()) {
            EXPECT_FALSE(commands.action(name)->isEnabled()) << qPrintable(name);
            EXPECT_EQ(CommandHint(commands.action(name)), QString()) << qPrintable(name);
        }
        placeholders += placeholder ? 1 : 0;
    }
    EXPECT_EQ(placeholders, 0);

    // The captions of the commands that no menu shows.
    const std::pair<const char*, const char*> outside[] = {
        { "ActionFindButton", "検索" }, { "ActionDataInputSelect", "フォームへ選択して反映(&S)" },
        { "ActionDataInputSelectTree", "選択した階層のデータを反映(&T)" },
        { "ActionFormFrameSource", "選択した階層のソースを表示" }, { "ActionFormTemplateEdit", "未登録" },
        { "ActionServerProxyConnectIE", "インターネットオプションで接続(&I)" }, { "ActionServerProxyStart", "起動" },
        { "ActionServerProxyFinish", "停止" }, { "ActionServerPushConnect", "接続" }, { "ActionServerPuchDisconnect", "切断" },
    };
    for (const auto& [name, caption] : outside)
        EXPECT_EQ(cmd(name)->text(), QString(caption)) << name;
}

TEST_F(CommandCatalogue, ShortcutFromTheKeyFileAndChecksAtStart)
{
    EXPECT_EQ(cmd("ActionFileOpen")->shortcut(), QKeySequence("Ctrl+L"));
    EXPECT_TRUE(cmd("ActionViewShowConsolePanel")->isChecked());
    cmd("ActionServerProxyConnect")->setChecked(true);
    cmd("ActionServerProxyDisconnect")->setChecked(true);
    EXPECT_FALSE(cmd("ActionServerProxyConnect")->isChecked()) << "one proxy entry at a time";
    const QList<QAction*> area = CommandEntries(cmd("ActionCaptureSelectType"));
    ASSERT_EQ(area.size(), 2);
    EXPECT_TRUE(area.at(0)->isChecked()) << "the visible part is the area at start";
    EXPECT_FALSE(area.at(1)->isChecked());
}

TEST_F(CommandCatalogue, TextSizeEntriesCarryTheCommandsValue)
{
    QAction* size = cmd("ActionViewFontSize");
    const QList<QAction*> entries = CommandEntries(size);
    ASSERT_EQ(entries.size(), 5);
    size->setEnabled(true);
    size->setData(3);
    for (QAction* e : entries) {
        EXPECT_TRUE(e->isEnabled());
        EXPECT_EQ(e->isChecked(), e->data().toInt() == 3) << qPrintable(e->text());
    }
    int applied = -1;
    QObject::connect(size, &QAction::triggered, [&] { applied = size->data().toInt(); });
    entries.at(0)->trigger(); // 最大
    EXPECT_EQ(applied, 4);
    size->setEnabled(false);
    EXPECT_FALSE(entries.at(4)->isEnabled());
    EXPECT_FALSE(form->subMenu("MenuViewFontSize")->menuAction()->isEnabled());
}

TEST_F(CommandCatalogue, ToolBarButtonsInOrderWithTheirDropDowns)
{
    QStringList shown, hidden;
    for (QAction* placed : form->toolBar()->actions()) {
        if (auto* button = qobject_cast<QToolButton*>(form->toolBar()->widgetForAction(placed))) {
            (placed->isVisible() ? shown : hidden) << button->defaultAction()->objectName();
            EXPECT_FALSE(button->defaultAction()->icon().isNull()) << qPrintable(button->objectName());
        }
    }
    EXPECT_EQ(shown, QStringList({ "ActionViewBack", "ActionViewForward", "ActionViewStop", "ActionViewReload",
                                   "ActionViewHome", "ActionEditCopy", "ActionEditPaste", "ActionFind",
                                   "ActionFormSave", "ActionDataInputHistory", "ActionJSExecuteCode",
                                   "ActionCaptureHistory", "ActionTabOpen", "ActionTabClose" }));
    EXPECT_EQ(hidden, QStringList({ "ActionTestExecute" }));
    for (const char* name : { "ActionViewBack", "ActionViewForward", "ActionEditCopy", "ActionEditPaste",
                              "ActionFormSave", "ActionDataInputHistory" })
        EXPECT_NE(form->dropDownMenu(name), nullptr) << name;
    EXPECT_EQ(form->dropDownMenu("ActionViewStop"), nullptr);
}

TEST_F(CommandCatalogue, ToolButtonsShowNoToolTipWhileTheHintIsEmpty)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QWidget* button = form->toolBar()->findChild<QToolButton*>("ToolButtonBack");
    ASSERT_NE(button, nullptr);
    auto askToolTip = [&] {
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(button, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    SetCommandHint(cmd("ActionViewBack"), "ページ1");
    EXPECT_EQ(askToolTip(), QString("ページ1"));
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
    SetCommandHint(cmd("ActionViewBack"), QString());
    EXPECT_EQ(askToolTip(), QString()) << "not the caption";
}
