#include "core/commandlist.h"

#include <QAction>

namespace {

struct Entry {
    const char* name;
    const char* category;
    const char* caption;
    const char* shortcut; // portable text form, empty when none
};

// Every command of the application, by category, in catalogue order.
const Entry kCatalogue[] = {
    { "ActionMainNew", "Main", "プロジェクトを新規作成(&N)...", "" },
    { "ActionMainOpen", "Main", "プロジェクトを開く(&O)...", "" },
    { "ActionMainSave", "Main", "プロジェクトを保存(&S)", "" },
    { "ActionMainSaveAs", "Main", "プロジェクトに名前をつけて保存(&A)...", "" },
    { "ActionMainClose", "Main", "プロジェクトを閉じる(&C)", "" },
    { "ActionMainConfig", "Main", "プロジェクトの設定(&U)...", "" },
    { "ActionMainIEConfig", "Main", "インターネットオプション(&I)...", "" },
    { "ActionMainExit", "Main", "終了(&X)", "" },

    { "ActionFileOpen", "File", "開く(&O)...", "" },
    { "ActionFileSaveAs", "File", "名前をつけて保存(&A)...", "" },
    { "ActionFileConfig", "File", "ページ設定(&U)...", "" },
    { "ActionFilePrint", "File", "印刷(&P)...", "Ctrl+P" },
    { "ActionFilePrintPreview", "File", "印刷プレビュー(&V)...", "" },

    { "ActionEditCut", "Edit", "切り取り(&T)", "" },
    { "ActionEditCopy", "Edit", "コピー(&C)", "" },
    { "ActionEditPaste", "Edit", "貼り付け(&P)", "" },
    { "ActionEditSelectAll", "Edit", "全て選択(&A)", "" },

    { "ActionFind", "Find", "このページを検索(&F)...", "" },
    { "ActionFindDialogIE", "Find", "IEの検索ボックスを使用する(&I)", "" },
    { "ActionFindButton", "Find", "検索", "" },

    { "ActionViewBack", "View", "前に戻る(&B)", "" },
    { "ActionViewForward", "View", "次に進む(&F)", "" },
    { "ActionViewHome", "View", "ホームページ(&H)", "" },
    { "ActionViewStop", "View", "中止(&P)", "" },
    { "ActionViewReload", "View", "最新の情報に更新(&R)", "" },
    { "ActionViewFontSize", "View", "文字のサイズ(&X)", "" },
    { "ActionViewSource", "View", "ソース(&C)", "" },
    { "ActionViewLogClear", "View", "ログを消去(&D)", "" },
    { "ActionViewShowLeftPanel", "View", "画面左パネルを表示(&Q)", "" },
    { "ActionViewShowRightPanel", "View", "画面右パネルを表示(&W)", "" },
    { "ActionViewShowConsolePanel", "View", "画面下パネルを表示(&S)", "" },
    { "ActionViewHistory", "View", "履歴", "" },
    { "ActionViewReReload", "View", "最新の情報に更新(&R)", "" },
    { "ActionViewReload2", "View", "最新の情報に更新(&R)", "" },

    { "ActionFavoritePageAdd", "Favorite", "現在のページをお気に入りに追加(&A)", "" },
    { "ActionFavoritePageReplace", "Favorite", "現在のページでお気に入りを置き換え(&R)", "" },
    { "ActionFavoritePageFolderAdd", "Favorite", "お気に入りページフォルダーを追加(&F)", "" },
    { "ActionFavoriteTabAdd", "Favorite", "表示しているウィンドウをお気に入りグループとして追加(&T)", "" },
    { "ActionFavoriteMovePrev", "Favorite", "選択したお気に入りを一つ前に移動(&B)", "" },
    { "ActionFavoriteMoveNext", "Favorite", "選択したお気に入りを一つ後に移動(&O)", "" },
    { "ActionFavoriteNameEdit", "Favorite", "選択したお気に入りの名前を変更(&M)", "" },
    { "ActionFavoriteAddressEdit", "Favorite", "選択したお気に入りのアドレスを変更(&U)", "" },
    { "ActionFavoriteDelete", "Favorite", "選択したお気に入りを削除(&X)", "" },
    { "ActionFavoriteNavigate", "Favorite", "開く(&P)", "" },
    { "ActionFavoriteNavigateNewWindow", "Favorite", "新しいウィンドウで開く(&N)", "" },
    { "ActionFavoriteNavigateFolderPages", "Favorite", "直下のページを全て新しいウィンドウで開く(&L)", "" },
    { "ActionFavoriteIEAddFavorite", "Favorite", "ブラウザーのお気に入りに追加(&A)...", "" },
    { "ActionFavoriteIEOrganizeFavorite", "Favorite", "ブラウザーのお気に入りの整理(&O)...", "" },

    { "ActionFormSubmit", "Form", "フォーム送信(&M)", "" },
    { "ActionFormReset", "Form", "フォームリセット(&R)", "" },
    { "ActionFormReflesh", "Form", "フォーム状態を更新(&U)", "" },
    { "ActionFormSave", "Form", "データを保存(&S)", "" },
    { "ActionFormSaveAs", "Form", "データに名前をつけて保存(&A)", "" },
    { "ActionFormSaveSelectTree", "Form", "選択した階層のデータを保存(&T)", "" },
    { "ActionFormSaveHidden", "Form", "Hidden属性データを保存する(&H)", "" },
    { "ActionFormDefine", "Form", "フォーム定義を編集(&D)", "" },
    { "ActionFormDefineDelete", "Form", "フォーム定義を削除(&X)", "" },
    { "ActionFormFrameSource", "Form", "選択した階層のソースを表示", "" },
    { "ActionFormTemplateEdit", "Form", "未登録", "" },

    { "ActionDataInput", "Data", "フォームへ反映(&I)", "" },
    { "ActionDataInputHistory", "Data", "直前に反映したデータを反映(&H)", "" },
    { "ActionDataCompare", "Data", "画面フォーム値との比較(&C)", "" },
    { "ActionDataNameEdit", "Data", "データの名前を変更(&E)", "" },
    { "ActionDataDelete", "Data", "データを削除(&D)", "" },
    { "ActionDataOpen", "Data", "別画面IDのデータを開きフォームへ反映(&O)...", "" },
    { "ActionDataInputSelect", "Data", "フォームへ選択して反映(&S)", "" },
    { "ActionDataInputSelectTree", "Data", "選択した階層のデータを反映(&T)", "" },

    { "ActionJSExecuteCode", "JavaScript", "任意のコードを実行(&C)", "" },
    { "ActionJSExecuteFunction", "JavaScript", "選択した関数を実行(&F)", "" },
    { "ActionJSViewSource", "JavaScript", "ソースを表示(&V)", "" },

    { "ActionCaptureSelectType", "Capture", "対象領域(&R)", "" },
    { "ActionCaptureClipboard", "Capture", "クリップボード(&C)", "" },
    { "ActionCaptureFile", "Capture", "ファイル(&F)", "" },
    { "ActionCaptureHistory", "Capture", "キャプチャ", "" },

    { "ActionTestExecute", "Test", "テストケースを実行(&X)", "" },
    { "ActionTestNew", "Test", "テストケースを新規作成(&N)", "" },
    { "ActionTestEdit", "Test", "テストケースを編集(&E)", "" },
    { "ActionTestDelete", "Test", "テストケースを削除(&D)", "" },
    { "ActionTestAutoNew", "Test", "自動操作を新規作成(&N)", "" },
    { "ActionTestAutoEdit", "Test", "自動操作を編集(&E)", "" },
    { "ActionTestAutoDelete", "Test", "自動操作を削除(&D)", "" },
    { "ActionTestAutoExecute", "Test", "自動操作を実行(&X)", "" },
    { "ActionTestAutoCancel", "Test", "自動操作を中止(&C)", "" },

    { "ActionServerProxyDisconnect", "Server", "プロキシサーバーを使用しない(&D)", "" },
    { "ActionServerProxyConnect", "Server", "プロキシサーバーに接続する(&C)", "" },
    { "ActionServerProxyConnectIE", "Server", "インターネットオプションで接続(&I)", "" },
    { "ActionServerProxyStart", "Server", "起動", "" },
    { "ActionServerProxyFinish", "Server", "停止", "" },
    { "ActionServerPushConnect", "Server", "接続", "" },
    { "ActionServerPuchDisconnect", "Server", "切断", "" },

    { "ActionTabOpen", "Tab", "ウィンドウを開く(&N)", "" },
    { "ActionTabClose", "Tab", "ウィンドウを閉じる(&D)", "" },
    { "ActionTabCloseAll", "Tab", "全てのウィンドウを閉じる(&X)", "" },
    { "ActionTabCloseOther", "Tab", "他のウィンドウを閉じる(&O)", "" },
    { "ActionTabClosePrev", "Tab", "順序が前のウィンドウを閉じる(&E)", "" },
    { "ActionTabCloseNext", "Tab", "順序が後のウィンドウを閉じる(&A)", "" },
    { "ActionTabMovePrev", "Tab", "ウィンドウの順序を前に移動(&B)", "" },
    { "ActionTabMoveNext", "Tab", "ウィンドウの順序を後に移動(&F)", "" },
    { "ActionTabLinesCascade", "Tab", "ウィンドウを重ねて表示(&C)", "" },
    { "ActionTabLinesTileH", "Tab", "ウィンドウを上下に並べて表示(&H)", "" },
    { "ActionTabLinesTileV", "Tab", "ウィンドウを左右に並べて表示(&V)", "" },

    { "ActionHelpView", "Help", "ヘルプ(&C)", "" },
    { "ActionHelpVersion", "Help", "バージョン情報(&A)", "" },
    { "ActionHelpViewHomepage", "Help", "ホームページ", "" },

    { "ActionPageControlShowTabSheetFavorite", "PageControl", "お気に入り", "Ctrl+I" },
    { "ActionPageControlShowTabSheetHistory", "PageControl", "履歴", "Ctrl+H" },
    { "ActionPageControlShowTabSheetTab", "PageControl", "ウィンドウ", "Ctrl+T" },
    { "ActionPageControlShowTabSheetForm", "PageControl", "フォーム", "Ctrl+Alt+F" },
    { "ActionPageControlShowTabSheetData", "PageControl", "データ", "Ctrl+Alt+D" },
    { "ActionPageControlShowTabSheetJS", "PageControl", "JavaScript", "Ctrl+Alt+J" },

    { "ActionAddressSelectText", "Address", "アドレス", "Ctrl+D" },
};

} // namespace

void BuildCommandCatalogue(TCommandList& list)
{
    for (const Entry& e : kCatalogue) {
        list.add(QString::fromLatin1(e.name), QString::fromLatin1(e.category), QString::fromUtf8(e.caption),
                 QKeySequence(QString::fromLatin1(e.shortcut), QKeySequence::PortableText));
    }
}
