#include "browser/views/tabwidgets.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/views/internetoptionsdialog.h"
#include "browser/views/tabsubwindow.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/log.h"
#include "core/projectstate.h"
#include "core/views/mainform.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QStyle>
#include <QTabBar>
#include <QTreeWidget>

namespace {

constexpr int kTabRole = Qt::UserRole + 1;
// How long closing the window waits for a page still being printed.
constexpr int kPrintEndWaitMs = 120000;

QIcon NodeIcon(int image)
{
    QStyle* style = QApplication::style();
    switch (image) {
    case TTabAction::kImageBeforeNavigate:
    case TTabAction::kImageNavigating:
        return style->standardIcon(QStyle::SP_BrowserReload);
    case TTabAction::kImageStopped:
        return style->standardIcon(QStyle::SP_BrowserStop);
    case TTabAction::kImageError:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    default:
        return style->standardIcon(QStyle::SP_FileIcon);
    }
}

}

TTabWidgets::TTabWidgets(TMainForm& form, TEngineProfile* profile, QObject* parent)
    : QObject(parent), m_form(form), m_area(form.tabArea()), m_strip(form.tabStrip()), m_tree(form.tabTree()),
      m_address(form.addressBox())
{
    if (profile) {
        m_profile = profile;
    } else {
        const QString home = App().homeDirectory;
        m_ownProfile = std::make_unique<TEngineProfile>(home.isEmpty() ? QString() : TEngineProfile::StorageDirectory(home));
        m_profile = m_ownProfile.get();
    }

    m_root = new QTreeWidgetItem(m_tree);
    m_root->setExpanded(true);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setDragEnabled(true);
    m_tree->setAcceptDrops(true);
    m_tree->setDragDropMode(QAbstractItemView::InternalMove);
    m_tree->viewport()->installEventFilter(this);

    connect(m_strip, &QTabBar::currentChanged, this, &TTabWidgets::handleStripChosen);
    connect(m_strip, &QTabBar::tabBarClicked, this, &TTabWidgets::handleStripChosen);
    connect(m_strip, &QTabBar::tabBarDoubleClicked, this, [this](int) { toggleMaximised(); });
    connect(m_area, &QMdiArea::subWindowActivated, this, &TTabWidgets::handleSubWindowActivated);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (TTabWindow* tab = tabOf(item); tab && m_controller)
            m_controller->ShowTab(tab);
    });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, &TTabWidgets::handleTreeMenu);

    TEngineProfile* shared = m_profile;
    QWidget* dialogParent = &form;
    App().service<TInternetOptionsHook>().handler = [shared, dialogParent] {
        TFormInternetOptions dialog(*shared, dialogParent);
        dialog.exec();
    };
}

TTabWidgets::~TTabWidgets()
{
    App().service<TInternetOptionsHook>().handler = nullptr;
    if (m_controller)
        m_controller->DetachViews();
    // Pages go before the profile they belong to.
    for (const QPointer<TTabSubWindow>& window : std::as_const(m_windows))
        delete window.data();
    // A closed tab's browser that still prints outlives its window; the engine aborts the
    // program when its page or its profile goes before the print ends, and the printed
    // file would be lost. Such prints are let finish first.
    for (const QPointer<TEngineBrowser>& browser : std::as_const(m_browsers)) {
        if (browser && browser->Printing() && !browser->WaitForPrint(kPrintEndWaitMs))
            LogError(QStringLiteral("print error: the page was still being printed when its window closed"));
        delete browser.data();
    }
}

TTabWindow* TTabWidgets::CreateTabWindow(TTabWindow* current)
{
    auto* browser = new TEngineBrowser(m_profile->profile());
    m_browsers.removeAll(nullptr);
    m_browsers.append(browser);
    browser->setAcceptDrops(false); // dropped files go to the main window
    auto* window = new TTabSubWindow(browser);
    auto tab = std::make_unique<TTabWindow>(browser, window);
    TTabWindow* created = tab.get();
    window->setTab(std::move(tab));
    m_windows.insert(created, window);
    connect(window, &QObject::destroyed, this, [this, created] { m_windows.remove(created); });
    m_area->addSubWindow(window);
    TTabSubWindow* currentWindow = windowOf(current);
    if (!currentWindow || currentWindow->isMaximized()) {
        window->showMaximized();
    } else {
        window->resize(currentWindow->size());
        window->show();
    }
    return created;
}

TTabSubWindow* TTabWidgets::windowOf(TTabWindow* tab) const
{
    return tab ? m_windows.value(tab).data() : nullptr;
}

TTabWindow* TTabWidgets::tabOf(QTreeWidgetItem* item) const
{
    if (!item || item == m_root)
        return nullptr;
    return m_nodes.key(item, nullptr);
}

void TTabWidgets::InsertTab(int position, TTabWindow* tab, const QString& caption)
{
    m_updating = true;
    m_order.insert(position, tab);
    m_strip->insertTab(position, caption);
    auto* node = new QTreeWidgetItem;
    node->setText(0, tab->GetTitle());
    node->setIcon(0, NodeIcon(TTabAction::kImagePage));
    node->setData(0, kTabRole, QVariant::fromValue<quintptr>(quintptr(tab)));
    node->setFlags(node->flags() & ~Qt::ItemIsDropEnabled);
    m_root->insertChild(position, node);
    m_root->setExpanded(true);
    m_nodes.insert(tab, node);
    m_updating = false;
}

void TTabWidgets::RemoveTab(TTabWindow* tab)
{
    const int position = int(m_order.indexOf(tab));
    if (position < 0)
        return;
    m_updating = true;
    m_order.removeAt(position);
    m_strip->removeTab(position);
    delete m_nodes.take(tab);
    m_updating = false;
}

void TTabWidgets::MoveTab(int from, int to)
{
    if (from < 0 || to < 0 || from >= m_order.size() || to >= m_order.size())
        return;
    m_updating = true;
    m_order.move(from, to);
    m_strip->moveTab(from, to);
    QTreeWidgetItem* node = m_root->takeChild(from);
    m_root->insertChild(to, node);
    m_tree->setCurrentItem(m_nodes.value(m_order.value(m_strip->currentIndex())));
    m_updating = false;
}

void TTabWidgets::SelectTab(TTabWindow* tab)
{
    const int position = int(m_order.indexOf(tab));
    if (position < 0)
        return;
    m_updating = true;
    m_strip->setCurrentIndex(position);
    m_tree->setCurrentItem(m_nodes.value(tab));
    m_updating = false;
}

void TTabWidgets::SetTabTexts(TTabWindow* tab, const QString& stripCaption, const QString& nodeText)
{
    const int position = int(m_order.indexOf(tab));
    if (position < 0)
        return;
    m_strip->setTabText(position, stripCaption);
    m_strip->setTabToolTip(position, nodeText);
    if (QTreeWidgetItem* node = m_nodes.value(tab))
        node->setText(0, nodeText);
}

void TTabWidgets::SetNodeImage(TTabWindow* tab, int image)
{
    if (QTreeWidgetItem* node = m_nodes.value(tab))
        node->setIcon(0, NodeIcon(image));
}

void TTabWidgets::SetRootText(const QString& text)
{
    m_root->setText(0, text);
}

void TTabWidgets::BringToFront(TTabWindow* tab)
{
    if (TTabSubWindow* window = windowOf(tab))
        m_area->setActiveSubWindow(window);
}

void TTabWidgets::Arrange(TTabArrangement arrangement)
{
    const QList<QMdiSubWindow*> windows = m_area->subWindowList();
    if (windows.isEmpty())
        return;
    for (QMdiSubWindow* window : windows)
        window->showNormal();
    switch (arrangement) {
    case TTabArrangement::Cascade:
        m_area->cascadeSubWindows();
        break;
    case TTabArrangement::TileHorizontal:
    case TTabArrangement::TileVertical: {
        // One above the other, or side by side, in strip order.
        const QRect area = m_area->viewport()->rect();
        const int n = int(windows.size());
        int i = 0;
        for (TTabWindow* tab : std::as_const(m_order)) {
            TTabSubWindow* window = windowOf(tab);
            if (!window)
                continue;
            if (arrangement == TTabArrangement::TileHorizontal) {
                const int h = area.height() / n;
                window->setGeometry(0, i * h, area.width(), h);
            } else {
                const int w = area.width() / n;
                window->setGeometry(i * w, 0, w, area.height());
            }
            ++i;
        }
        break;
    }
    }
}

void TTabWidgets::ShowAddress(const QString& url)
{
    if (m_address)
        m_address->setEditText(url);
}

void TTabWidgets::FocusFindBox()
{
    if (QComboBox* find = m_form.findBox()) {
        find->setFocus(Qt::ShortcutFocusReason);
        if (find->lineEdit())
            find->lineEdit()->selectAll();
    }
}

void TTabWidgets::handleStripChosen(int index)
{
    if (m_updating || !m_controller)
        return;
    if (TTabWindow* tab = tabAt(index))
        m_controller->ShowTab(tab);
}

void TTabWidgets::handleSubWindowActivated(QMdiSubWindow* window)
{
    auto* sub = qobject_cast<TTabSubWindow*>(window);
    if (sub && sub->tab())
        sub->tab()->FormActivate();
}

void TTabWidgets::toggleMaximised()
{
    QMdiSubWindow* window = m_area->activeSubWindow();
    if (!window)
        return;
    if (window->isMaximized())
        window->showNormal();
    else if (window->isMinimized())
        window->showNormal();
    else
        window->showMaximized();
}

void TTabWidgets::handleTreeMenu(const QPoint& position)
{
    TTabWindow* tab = tabOf(m_tree->itemAt(position));
    if (!tab || !m_controller)
        return;
    m_controller->PopupOnTab(tab);
    QMenu menu(m_tree);
    menu.setObjectName(QStringLiteral("PopupMenuTab"));
    for (const char* name : std::initializer_list<const char*> { "ActionTabClose", "ActionTabCloseOther", "ActionTabClosePrev", "ActionTabCloseNext",
                              nullptr, "ActionTabMovePrev", "ActionTabMoveNext" }) {
        if (!name) {
            menu.addSeparator();
            continue;
        }
        if (QAction* action = App().commands().action(QString::fromLatin1(name)))
            menu.addAction(action);
    }
    menu.exec(m_tree->viewport()->mapToGlobal(position));
}

bool TTabWidgets::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree->viewport() && event->type() == QEvent::Drop) {
        // The controller moves the node and the strip tab together.
        auto* drop = static_cast<QDropEvent*>(event);
        TTabWindow* dragged = tabOf(m_tree->currentItem());
        TTabWindow* target = tabOf(m_tree->itemAt(drop->position().toPoint()));
        if (dragged && target && dragged != target && m_controller)
            m_controller->DropTab(dragged, target);
        drop->setDropAction(Qt::IgnoreAction);
        drop->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

std::unique_ptr<TActionCalverdine> CreateTabAction(TMainForm& form, TEngineProfile* profile)
{
    auto* widgets = new TTabWidgets(form, profile, &form);
    auto action = std::make_unique<TTabAction>(widgets, widgets);
    widgets->setController(action.get());
    return action;
}
