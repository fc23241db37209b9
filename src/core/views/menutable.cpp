#include "core/views/menutable.h"

#include "core/commandlist.h"

#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <iterator>
#include <vector>

namespace {

using R = TMenuRow;

const TMenuRow kMenuTable[] = {
    { R::Menu, nullptr, "メイン(&M)", "MenuMain" },
    { R::Command, "ActionMainNew" },
    { R::Command, "ActionMainOpen" },
    { R::Submenu, nullptr, "プロジェクトを開き直す(&R)", "MenuMainReopen" },
    { R::End },
    { R::Separator },
    { R::Command, "ActionMainSave" },
    { R::Command, "ActionMainSaveAs" },
    { R::Command, "ActionMainClose" },
    { R::Separator },
    { R::Command, "ActionMainConfig" },
    { R::Command, "ActionMainIEConfig" },
    { R::Separator },
    { R::Command, "ActionMainExit" },
    { R::End },

    { R::Menu, nullptr, "ファイル(&F)", "MenuFile" },
    { R::Command, "ActionFileOpen" },
    { R::Command, "ActionFileSaveAs" },
    { R::Separator },
    { R::Command, "ActionFileConfig" },
    { R::Command, "ActionFilePrint" },
    { R::Command, "ActionFilePrintPreview" },
    { R::End },

    { R::Menu, nullptr, "編集(&E)", "MenuEdit" },
    { R::Command, "ActionEditCut" },
    { R::Command, "ActionEditCopy" },
    { R::Command, "ActionEditPaste" },
    { R::Separator },
    { R::Command, "ActionEditSelectAll" },
    { R::Separator },
    { R::Command, "ActionFind" },
    { R::Check, "ActionFindDialogIE" },
    { R::End },

    { R::Menu, nullptr, "表示(&V)", "MenuView" },
    { R::Submenu, nullptr, "移動(&O)", "MenuViewGo" },
    { R::Command, "ActionViewBack" },
    { R::Command, "ActionViewForward" },
    { R::Separator },
    { R::Command, "ActionViewHome" },
    { R::End },
    { R::Command, "ActionViewStop" },
    { R::Command, "ActionViewReload" },
    { R::Separator },
    { R::Submenu, "ActionViewFontSize", "文字のサイズ(&X)", "MenuViewFontSize" },
    { R::Entry, "ActionViewFontSize", "最大(&G)", nullptr, 4 },
    { R::Entry, "ActionViewFontSize", "大(&L)", nullptr, 3 },
    { R::Entry, "ActionViewFontSize", "中(&M)", nullptr, 2 },
    { R::Entry, "ActionViewFontSize", "小(&S)", nullptr, 1 },
    { R::Entry, "ActionViewFontSize", "最小(&A)", nullptr, 0 },
    { R::End },
    { R::Command, "ActionViewSource" },
    { R::Separator },
    { R::Command, "ActionViewLogClear" },
    { R::Separator },
    { R::Check, "ActionViewShowLeftPanel" },
    { R::Check, "ActionViewShowRightPanel" },
    { R::Check, "ActionViewShowConsolePanel" },
    { R::End },

    { R::Menu, nullptr, "お気に入り(&A)", "MenuFavorite" },
    { R::Command, "ActionFavoritePageAdd" },
    { R::Command, "ActionFavoritePageReplace" },
    { R::Command, "ActionFavoritePageFolderAdd" },
    { R::Command, "ActionFavoriteTabAdd" },
    { R::Separator },
    { R::Command, "ActionFavoriteMovePrev" },
    { R::Command, "ActionFavoriteMoveNext" },
    { R::Command, "ActionFavoriteNameEdit" },
    { R::Command, "ActionFavoriteAddressEdit" },
    { R::Command, "ActionFavoriteDelete" },
    { R::Separator },
    { R::Command, "ActionFavoriteNavigate" },
    { R::Command, "ActionFavoriteNavigateNewWindow" },
    { R::Command, "ActionFavoriteNavigateFolderPages" },
    { R::Separator },
    { R::Command, "ActionFavoriteIEAddFavorite" },
    { R::Command, "ActionFavoriteIEOrganizeFavorite" },
    { R::End },

    { R::Menu, nullptr, "フォーム(&I)", "MenuForm" },
    { R::Command, "ActionFormSubmit" },
    { R::Command, "ActionFormReset" },
    { R::Command, "ActionFormReflesh" },
    { R::Separator },
    { R::Command, "ActionFormSave" },
    { R::Command, "ActionFormSaveAs" },
    { R::Command, "ActionFormSaveSelectTree" },
    { R::Check, "ActionFormSaveHidden" },
    { R::Separator },
    { R::Command, "ActionFormDefine" },
    { R::Command, "ActionFormDefineDelete" },
    { R::End },

    { R::Menu, nullptr, "データ(&D)", "MenuData" },
    { R::Command, "ActionDataInput" },
    { R::Command, "ActionDataInputHistory" },
    { R::Command, "ActionDataCompare" },
    { R::Separator },
    { R::Command, "ActionDataNameEdit" },
    { R::Command, "ActionDataDelete" },
    { R::Separator },
    { R::Command, "ActionDataOpen" },
    { R::Separator },
    { R::Submenu, nullptr, "定型データ(&M)", "MenuDataTemplate" },
    { R::End },
    { R::End },

    { R::Menu, nullptr, "JavaScript(&J)", "MenuJS" },
    { R::Command, "ActionJSExecuteCode" },
    { R::Command, "ActionJSExecuteFunction" },
    { R::Separator },
    { R::Command, "ActionJSViewSource" },
    { R::End },

    { R::Menu, nullptr, "キャプチャ(&C)", "MenuCapture" },
    { R::Submenu, "ActionCaptureSelectType", "対象領域(&R)", "MenuCaptureSelectType" },
    { R::Entry, "ActionCaptureSelectType", "表示されている部分のみ(&V)", nullptr, 1 },
    { R::Entry, "ActionCaptureSelectType", "スクロール領域も含める(&A)", nullptr, 2 },
    { R::End },
    { R::Separator },
    { R::Command, "ActionCaptureClipboard" },
    { R::Command, "ActionCaptureFile" },
    { R::End },

    { R::Menu, nullptr, "操作(&O)", "MenuTest" },
    { R::Submenu, nullptr, "テストケース(&T)", "MenuTestCase" },
    { R::Command, "ActionTestExecute" },
    { R::Separator },
    { R::Command, "ActionTestNew" },
    { R::Command, "ActionTestEdit" },
    { R::Command, "ActionTestDelete" },
    { R::End },
    { R::Separator },
    { R::Command, "ActionTestAutoNew" },
    { R::Command, "ActionTestAutoEdit" },
    { R::Command, "ActionTestAutoDelete" },
    { R::Separator },
    { R::Command, "ActionTestAutoExecute" },
    { R::Command, "ActionTestAutoCancel" },
    { R::End },

    { R::Menu, nullptr, "サーバー(&S)", "MenuServer" },
    { R::Submenu, nullptr, "プロキシ(&P)", "MenuServerProxy" },
    { R::Radio, "ActionServerProxyDisconnect" },
    { R::Radio, "ActionServerProxyConnect" },
    { R::End },
    { R::End },

    { R::Menu, nullptr, "ウィンドウ(&W)", "MenuWindow" },
    { R::Command, "ActionTabOpen" },
    { R::Command, "ActionTabClose" },
    { R::Command, "ActionTabCloseAll" },
    { R::Command, "ActionTabCloseOther" },
    { R::Command, "ActionTabClosePrev" },
    { R::Command, "ActionTabCloseNext" },
    { R::Separator },
    { R::Command, "ActionTabMovePrev" },
    { R::Command, "ActionTabMoveNext" },
    { R::Separator },
    { R::Command, "ActionTabLinesCascade" },
    { R::Command, "ActionTabLinesTileH" },
    { R::Command, "ActionTabLinesTileV" },
    { R::End },

    { R::Menu, nullptr, "ヘルプ(&H)", "MenuHelp" },
    { R::Command, "ActionHelpView" },
    { R::Separator },
    { R::Command, "ActionHelpVersion" },
    { R::End },
};

const TToolButtonRow kToolBarTable[] = {
    { "ActionViewBack", "ToolButtonBack", "PopupMenuBack", false, "go-previous", QStyle::SP_ArrowBack },
    { "ActionViewForward", "ToolButtonForward", "PopupMenuForward", false, "go-next", QStyle::SP_ArrowForward },
    { "ActionViewStop", "ToolButtonStop", nullptr, false, "process-stop", QStyle::SP_BrowserStop },
    { "ActionViewReload", "ToolButtonReload", nullptr, false, "view-refresh", QStyle::SP_BrowserReload },
    { "ActionViewHome", "ToolButtonHome", nullptr, false, "go-home", QStyle::SP_DirHomeIcon },
    { nullptr },
    { "ActionEditCopy", "ToolButtonCopy", "PopupMenuCopy", false, "edit-copy", QStyle::SP_FileIcon },
    { "ActionEditPaste", "ToolButtonPaste", "PopupMenuPaste", false, "edit-paste", QStyle::SP_FileLinkIcon },
    { "ActionFind", "ToolButtonFind", nullptr, false, "edit-find", QStyle::SP_FileDialogContentsView },
    { nullptr },
    { "ActionFormSave", "ToolButtonFormSave", "PopupMenuFormSave", false, "document-save", QStyle::SP_DialogSaveButton },
    { "ActionDataInputHistory", "ToolButtonDataInput", "PopupMenuDataInput", false, "document-revert",
      QStyle::SP_DialogResetButton },
    { "ActionJSExecuteCode", "ToolButtonJS", nullptr, false, "system-run", QStyle::SP_CommandLink },
    { "ActionCaptureHistory", "ToolButtonCapture", nullptr, false, "camera-photo", QStyle::SP_ComputerIcon },
    { "ActionTestExecute", "ToolButtonTest", nullptr, true, "media-playback-start", QStyle::SP_MediaPlay },
    { nullptr },
    { "ActionTabOpen", "ToolButtonTabOpen", nullptr, false, "tab-new", QStyle::SP_FileDialogNewFolder },
    { "ActionTabClose", "ToolButtonTabClose", nullptr, false, "window-close", QStyle::SP_DialogCloseButton },
};

// A tool button shows no tool tip while its command's hint is empty (QAction would fall
// back to the caption).
class THintFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip) {
            auto* button = qobject_cast<QToolButton*>(watched);
            QAction* a = button ? button->defaultAction() : nullptr;
            if (a && CommandHint(a).isEmpty())
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// A submenu of its own (not standing for a command) is enabled while it offers something: it
// is disabled while it is empty (known projects, templates filled at run time) and while every
// item in it is disabled (the commands of an area not built yet), so it never looks alive
// without being so.
class TContentsMenuFilter final : public QObject {
public:
    explicit TContentsMenuFilter(QMenu* menu) : QObject(menu), m_menu(menu) { update(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ActionAdded) {
            QAction* added = static_cast<QActionEvent*>(event)->action();
            connect(added, &QAction::changed, this, &TContentsMenuFilter::update, Qt::UniqueConnection);
        }
        if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved) {
            // The event comes before the menu's list changes: look again once it has.
            QMetaObject::invokeMethod(this, &TContentsMenuFilter::update, Qt::QueuedConnection);
            const QAction* changed = static_cast<QActionEvent*>(event)->action();
            bool offers = false;
            for (const QAction* a : m_menu->actions())
                offers = offers || (a != changed && offersSomething(a));
            if (event->type() == QEvent::ActionAdded)
                offers = offers || offersSomething(changed);
            m_menu->setEnabled(offers);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // An item marked "showsEmptyMenu" is the disabled line telling that a list has nothing in
    // it yet: the menu stays open so that the line can be read.
    static bool offersSomething(const QAction* a)
    {
        return !a->isSeparator() && a->isVisible() && (a->isEnabled() || a->property("showsEmptyMenu").toBool());
    }

    void update()
    {
        bool offers = false;
        for (const QAction* a : m_menu->actions())
            offers = offers || offersSomething(a);
        if (m_menu->isEnabled() != offers)
            m_menu->setEnabled(offers);
    }

    QMenu* m_menu;
};

// The icon theme's pictures are mostly grey already, so the style's greying leaves a disabled
// tool button looking alive: it is drawn faint as well.
QIcon WithFaintDisabledLook(const QIcon& icon, QStyle* style)
{
    QIcon result;
    for (const int extent : { 16, 22, 24, 32, 48 }) {
        const QPixmap normal = icon.pixmap(QSize(extent, extent), QIcon::Normal);
        if (normal.isNull())
            continue;
        QStyleOption option;
        const QPixmap grey = style->generatedIconPixmap(QIcon::Disabled, normal, &option);
        QPixmap faint(grey.size());
        faint.setDevicePixelRatio(grey.devicePixelRatio());
        faint.fill(Qt::transparent);
        QPainter painter(&faint);
        painter.setOpacity(0.35);
        painter.drawPixmap(0, 0, grey);
        painter.end();
        result.addPixmap(normal, QIcon::Normal);
        result.addPixmap(faint, QIcon::Disabled);
    }
    return result.isNull() ? icon : result;
}

void syncEntries(QAction* command)
{
    const QVariant data = command->data();
    for (QAction* entry : CommandEntries(command)) {
        entry->setEnabled(command->isEnabled());
        entry->setChecked(data.isValid() && data.toInt() == entry->data().toInt());
    }
}

QAction* ensureEntry(QAction* command, const QString& caption, int value)
{
    const QString name = command->objectName() + QLatin1Char('#') + QString::number(value);
    if (auto* existing = command->findChild<QAction*>(name, Qt::FindDirectChildrenOnly))
        return existing;
    auto* group = command->findChild<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly);
    if (!group) {
        group = new QActionGroup(command);
        group->setExclusive(true);
        QObject::connect(command, &QAction::changed, command, [command] { syncEntries(command); });
    }
    auto* entry = new QAction(caption, command);
    entry->setObjectName(name);
    entry->setData(value);
    entry->setCheckable(true);
    group->addAction(entry);
    QObject::connect(entry, &QAction::triggered, command, [command, value] {
        command->setData(value);
        command->trigger();
        syncEntries(command); // the owner may have refused the value
    });
    return entry;
}

} // namespace

const TMenuRow* MenuTable(int* count)
{
    *count = int(std::size(kMenuTable));
    return kMenuTable;
}

const TToolButtonRow* ToolBarTable(int* count)
{
    *count = int(std::size(kToolBarTable));
    return kToolBarTable;
}

QList<QAction*> CommandEntries(QAction* command)
{
    QList<QAction*> result;
    if (!command)
        return result;
    const QString prefix = command->objectName() + QLatin1Char('#');
    for (QAction* a : command->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (a->objectName().startsWith(prefix))
            result << a;
    }
    return result;
}

QHash<QString, QMenu*> BuildMenuBar(QMenuBar* bar, TCommandList& commands)
{
    QHash<QString, QMenu*> menus;
    std::vector<QMenu*> stack;
    std::vector<QActionGroup*> groups;
    for (const TMenuRow& row : kMenuTable) {
        QMenu* current = stack.empty() ? nullptr : stack.back();
        QAction* command = row.name ? commands.action(QString::fromLatin1(row.name)) : nullptr;
        switch (row.kind) {
        case R::Menu:
        case R::Submenu: {
            const QString caption = QString::fromUtf8(row.caption);
            QMenu* menu = (row.kind == R::Menu || !current) ? bar->addMenu(caption) : current->addMenu(caption);
            menu->setObjectName(QString::fromLatin1(row.objectName));
            menus.insert(menu->objectName(), menu);
            if (row.kind == R::Submenu && !command) {
                menu->installEventFilter(new TContentsMenuFilter(menu));
            }
            if (command) {
                // The submenu stands for its command: enabled with it.
                QAction* menuAction = menu->menuAction();
                menuAction->setEnabled(command->isEnabled());
                QObject::connect(command, &QAction::changed, menu,
                                 [menuAction, command] { menuAction->setEnabled(command->isEnabled()); });
            }
            stack.push_back(menu);
            groups.push_back(nullptr);
            break;
        }
        case R::End:
            if (!stack.empty()) {
                stack.pop_back();
                groups.pop_back();
            }
            break;
        case R::Separator:
            if (current)
                current->addSeparator();
            break;
        case R::Command:
        case R::Check:
        case R::Radio:
            if (!current || !command)
                break;
            if (row.kind != R::Command)
                command->setCheckable(true);
            if (row.kind == R::Radio) {
                if (!groups.back()) {
                    groups.back() = new QActionGroup(current);
                    groups.back()->setExclusive(true);
                }
                groups.back()->addAction(command);
            }
            current->addAction(command);
            break;
        case R::Entry:
            if (!current || !command)
                break;
            current->addAction(ensureEntry(command, QString::fromUtf8(row.caption), row.value));
            syncEntries(command);
            break;
        }
    }
    return menus;
}

QHash<QString, QMenu*> BuildToolBar(QToolBar* bar, TCommandList& commands)
{
    QHash<QString, QMenu*> dropDowns;
    auto* hintFilter = new THintFilter(bar);
    QStyle* style = bar->style();
    for (const TToolButtonRow& row : kToolBarTable) {
        if (!row.command) {
            bar->addSeparator();
            continue;
        }
        const QString name = QString::fromLatin1(row.command);
        QAction* command = commands.action(name);
        if (!command)
            continue;
        if (command->icon().isNull()) {
            const QString theme = QString::fromLatin1(row.themeIcon);
            command->setIcon(WithFaintDisabledLook(QIcon::hasThemeIcon(theme)
                                                       ? QIcon::fromTheme(theme)
                                                       : style->standardIcon(QStyle::StandardPixmap(row.standardIcon)),
                                                   style));
        }
        auto* button = new QToolButton(bar);
        button->setObjectName(QString::fromLatin1(row.button));
        button->setDefaultAction(command);
        button->setAutoRaise(true);
        button->installEventFilter(hintFilter);
        if (row.dropDown) {
            auto* menu = new QMenu(button);
            menu->setObjectName(QString::fromLatin1(row.dropDown));
            button->setMenu(menu);
            button->setPopupMode(QToolButton::MenuButtonPopup);
            dropDowns.insert(name, menu);
        }
        QAction* placed = bar->addWidget(button);
        placed->setObjectName(button->objectName());
        if (row.hidden)
            placed->setVisible(false);
    }
    return dropDowns;
}
