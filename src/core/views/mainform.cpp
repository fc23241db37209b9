#include "core/views/mainform.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/consolememos.h"
#include "core/homefiles.h"
#include "core/layoutsettings.h"
#include "core/log.h"
#include "core/mainformaction.h"
#include "core/prompter.h"
#include "core/startup.h"
#include "core/views/appicons.h"
#include "core/views/consolesplitter.h"
#include "core/views/memoview.h"
#include "core/views/menutable.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProxyStyle>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QWidget* placeholder(const QString& name)
{
    auto* w = new QWidget;
    w->setObjectName(name);
    return w;
}

// Tabs of the side panels with less padding, so that their captions fit the panels' widths.
class TCompactTabStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_TabBarTabHSpace)
            return qMin(QProxyStyle::pixelMetric(metric, option, widget), 10);
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QWidget* pageOf(QTabWidget* panel, int index)
{
    return panel ? panel->widget(index) : nullptr;
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), m_layout(App().service<TLayoutSettings>())
{
    setObjectName(QStringLiteral("MainForm"));
    PreferJapaneseFont();
    UseInstalledIconTheme();
    // The application's icon: tab windows made before they have a parent show it too.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(ApplicationIcon());
    setWindowIcon(QApplication::windowIcon());
    setWindowTitle(ApplicationTitle());
    setMinimumSize(TLayoutSettings::kMinimumWindowWidth, TLayoutSettings::kMinimumWindowHeight);
    App().mainWindow = this;

    TCommandList& commands = App().commands();
    if (commands.names().isEmpty())
        BuildCommandCatalogue(commands);
    if (QAction* open = commands.action(QStringLiteral("ActionFileOpen")))
        open->setShortcut(FileOpenShortcut(ReadShortcutKey(QStringLiteral("FileOpen"), 79)));

    // Every command belongs to the window, so the shortcuts of those outside the menus work.
    for (const QString& name : commands.names())
        addAction(commands.action(name));

    const QHash<QString, QMenu*> menus = BuildMenuBar(menuBar(), commands);
    for (auto it = menus.begin(); it != menus.end(); ++it)
        m_dropDowns.insert(QStringLiteral("menu:") + it.key(), it.value());

    createToolBar();
    createPanels();

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("StatusText"));
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(m_statusLabel, 1);

    setMouseTracking(true);
    bindMemos();

    connect(&m_layout, &TLayoutSettings::panelChanged, this, &TMainForm::applyPanel);
    connect(&m_layout, &TLayoutSettings::pageIndexChanged, this, [this](TPanel panel, int index) {
        QTabWidget* w = panel == TPanel::Left ? m_leftPanel : panel == TPanel::Right ? m_rightPanel : m_consolePanel;
        if (w->currentIndex() != index)
            w->setCurrentIndex(index);
    });
    applyLayout();
}

TMainForm::~TMainForm()
{
    if (App().mainWindow == this)
        App().mainWindow = nullptr;
}

void TMainForm::createToolBar()
{
    m_toolBar = new QToolBar(QStringLiteral("ツールバー"), this);
    m_toolBar->setObjectName(QStringLiteral("CalverdineToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    const QHash<QString, QMenu*> dropDowns = BuildToolBar(m_toolBar, App().commands());
    for (auto it = dropDowns.begin(); it != dropDowns.end(); ++it)
        m_dropDowns.insert(it.key(), it.value());
}

QWidget* TMainForm::addPage(QTabWidget* panel, const QString& name, const QString& caption, QWidget* content)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content);
    panel->addTab(page, caption);
    return page;
}

void TMainForm::setPageContent(QWidget* page, QWidget* content)
{
    if (!page || !content)
        return;
    auto* layout = qobject_cast<QVBoxLayout*>(page->layout());
    if (!layout)
        return;
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            if (w != content)
                w->deleteLater();
        }
        delete item;
    }
    layout->addWidget(content);
}

void TMainForm::createPanels()
{
    m_mainSplitter = new QSplitter(Qt::Horizontal, this);
    m_mainSplitter->setObjectName(QStringLiteral("SplitterMain"));
    m_mainSplitter->setChildrenCollapsible(true);
    m_mainSplitter->setHandleWidth(4);
    setCentralWidget(m_mainSplitter);

    m_leftPanel = new QTabWidget;
    m_leftPanel->setObjectName(QStringLiteral("PageControlLeft"));
    m_tabTree = new QTreeWidget;
    m_tabTree->setObjectName(QStringLiteral("TreeViewTab"));
    m_tabTree->setHeaderHidden(true);
    addPage(m_leftPanel, QStringLiteral("TabSheetFavorite"), QStringLiteral("お気に入り"), placeholder(QStringLiteral("TreeViewFavorite")));
    addPage(m_leftPanel, QStringLiteral("TabSheetHistory"), QStringLiteral("履歴"), placeholder(QStringLiteral("TreeViewHistory")));
    addPage(m_leftPanel, QStringLiteral("TabSheetTab"), QStringLiteral("ウィンドウ"), m_tabTree);

    m_centre = new QWidget;
    m_centre->setObjectName(QStringLiteral("PanelCenter"));
    // The side panels keep their widths in narrow windows; the centre's bars give way.
    m_centre->setMinimumSize(200, 1);
    auto* centreLayout = new QVBoxLayout(m_centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(0);

    m_addressBar = new QWidget;
    m_addressBar->setObjectName(QStringLiteral("PanelAddress"));
    auto* addressLayout = new QHBoxLayout(m_addressBar);
    addressLayout->setContentsMargins(2, 2, 2, 2);
    addressLayout->setSpacing(2);
    auto* addressLabel = new QLabel(QStringLiteral("アドレス"));
    m_addressBox = new QComboBox;
    m_addressBox->setObjectName(QStringLiteral("ComboBoxExAddress"));
    m_addressBox->setEditable(true);
    m_addressBox->setInsertPolicy(QComboBox::NoInsert);
    m_addressBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_addressBox->setMinimumWidth(80);
    m_addressButton = new QToolButton;
    m_addressButton->setObjectName(QStringLiteral("ButtonAddress"));
    m_addressButton->setText(QStringLiteral("移動"));
    m_addressButton->setEnabled(false);
    addressLayout->addWidget(addressLabel);
    addressLayout->addWidget(m_addressBox, 1);
    addressLayout->addWidget(m_addressButton);

    m_findPanel = new QWidget;
    m_findPanel->setObjectName(QStringLiteral("PanelFind"));
    auto* findLayout = new QHBoxLayout(m_findPanel);
    findLayout->setContentsMargins(0, 0, 0, 0);
    findLayout->setSpacing(2);
    m_findBox = new QComboBox;
    m_findBox->setObjectName(QStringLiteral("ComboBoxExFind"));
    m_findBox->setEditable(true);
    m_findBox->setInsertPolicy(QComboBox::NoInsert);
    m_findBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* findButton = new QToolButton;
    findButton->setObjectName(QStringLiteral("ButtonFind"));
    QAction* find = App().commands().action(QStringLiteral("ActionFindButton"));
    findButton->setDefaultAction(find);
    findButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The box takes text only to find it: it is usable exactly when its button is.
    if (find) {
        m_findBox->setEnabled(find->isEnabled());
        connect(find, &QAction::changed, m_findBox, [this, find] { m_findBox->setEnabled(find->isEnabled()); });
    }
    findLayout->addWidget(m_findBox, 1);
    findLayout->addWidget(findButton);
    addressLayout->addWidget(m_findPanel);

    m_tabStrip = new QTabBar;
    m_tabStrip->setObjectName(QStringLiteral("TabControlBrowser"));
    m_tabStrip->setExpanding(false);
    m_tabStrip->setDocumentMode(true);
    m_tabStrip->setElideMode(Qt::ElideRight);
    m_tabStrip->setUsesScrollButtons(true);

    m_tabArea = new QMdiArea;
    m_tabArea->setObjectName(QStringLiteral("TabArea"));
    m_tabArea->setViewMode(QMdiArea::SubWindowView);
    m_tabArea->setMinimumSize(1, 1);
    m_tabArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_tabArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    m_consoleSplitter = new TConsoleSplitter;
    connect(m_consoleSplitter, &TConsoleSplitter::dragged, this, [this](int pressY, int releaseY) {
        const int current = m_consolePanel->isVisible() ? m_consolePanel->height() : 0;
        m_layout.dragConsoleSplitter(current, pressY, releaseY, consoleSpaceAvailable());
    });

    m_consolePanel = new QTabWidget;
    m_consolePanel->setObjectName(QStringLiteral("PageControlConsole"));
    m_consolePanel->setTabPosition(QTabWidget::South);
    m_consolePanel->setMinimumSize(1, 1);

    centreLayout->addWidget(m_addressBar);
    centreLayout->addWidget(m_tabStrip);
    centreLayout->addWidget(m_tabArea, 1);
    centreLayout->addWidget(m_consoleSplitter);
    centreLayout->addWidget(m_consolePanel);
    m_centre->installEventFilter(this);

    m_rightPanel = new QTabWidget;
    m_rightPanel->setObjectName(QStringLiteral("PageControlRight"));
    addPage(m_rightPanel, QStringLiteral("TabSheetForm"), QStringLiteral("フォーム"), placeholder(QStringLiteral("TreeViewForm")));
    addPage(m_rightPanel, QStringLiteral("TabSheetData"), QStringLiteral("データ"), placeholder(QStringLiteral("TreeViewData")));
    addPage(m_rightPanel, QStringLiteral("TabSheetJS"), QStringLiteral("JavaScript"), placeholder(QStringLiteral("TreeViewJS")));
    addPage(m_rightPanel, QStringLiteral("TabSheetTest"), QStringLiteral("操作"), placeholder(QStringLiteral("TreeViewTest")));

    auto* compactTabs = new TCompactTabStyle;
    compactTabs->setParent(this);
    for (QTabWidget* side : { m_leftPanel, m_rightPanel }) {
        side->setMinimumSize(1, 1);
        side->setUsesScrollButtons(true);
        side->tabBar()->setExpanding(false);
        side->tabBar()->setStyle(compactTabs);
    }
    m_mainSplitter->addWidget(m_leftPanel);
    m_mainSplitter->addWidget(m_centre);
    m_mainSplitter->addWidget(m_rightPanel);
    m_mainSplitter->setStretchFactor(0, 0);
    m_mainSplitter->setStretchFactor(1, 1);
    m_mainSplitter->setStretchFactor(2, 0);
    m_mainSplitter->setCollapsible(1, false);
    connect(m_mainSplitter, &QSplitter::splitterMoved, this, &TMainForm::handleSplitterMoved);

    connect(m_leftPanel, &QTabWidget::currentChanged, this,
            [this](int index) { m_layout.setPageIndex(TPanel::Left, index); });
    connect(m_rightPanel, &QTabWidget::currentChanged, this,
            [this](int index) { m_layout.setPageIndex(TPanel::Right, index); });
    connect(m_consolePanel, &QTabWidget::currentChanged, this, &TMainForm::handleConsolePageChanged);
}

void TMainForm::bindMemos()
{
    TConsoleMemos& memos = App().service<TConsoleMemos>();
    struct Page {
        const char* sheet;
        const char* caption;
        const char* name;
        TMemo* memo;
    };
    const Page pages[] = {
        { "TabSheetLog", "動作ログ", "MemoLog", &App().operationLog() },
        { "TabSheetPopup", "ポップアップ", "MemoPopup", &memos.popup },
        { "TabSheetDownload", "ダウンロード", "MemoDownload", &memos.download },
        { "TabSheetJSConsole", "JavaScript", "MemoJS", &memos.script },
        { "TabSheetTemplate", "定型入力", "StringGridTemplate", nullptr },
        { "TabSheetFormDefine", "フォーム定義", "StringGridForm", nullptr },
        { "TabSheetCompare", "データ比較", "MemoCompare", &memos.compare },
    };
    for (const Page& p : pages) {
        QWidget* content = nullptr;
        if (p.memo) {
            auto* view = new TMemoView(*p.memo);
            view->setShowsEachReport(p.memo == &memos.compare);
            content = view;
        } else
            content = placeholder(QString());
        content->setObjectName(QString::fromLatin1(p.name));
        addPage(m_consolePanel, QString::fromLatin1(p.sheet), QString::fromUtf8(p.caption), content);
    }
}

QWidget* TMainForm::leftPage(int index) const
{
    return pageOf(m_leftPanel, index);
}

QWidget* TMainForm::rightPage(int index) const
{
    return pageOf(m_rightPanel, index);
}

QWidget* TMainForm::consolePage(int index) const
{
    return pageOf(m_consolePanel, index);
}

QMenu* TMainForm::dropDownMenu(const QString& commandName) const
{
    if (commandName.startsWith(QLatin1String("menu:")))
        return nullptr;
    return m_dropDowns.value(commandName);
}

QMenu* TMainForm::subMenu(const QString& objectName) const
{
    return m_dropDowns.value(QStringLiteral("menu:") + objectName);
}

void TMainForm::setStatusText(const QString& text)
{
    m_statusLabel->setText(text);
}

void TMainForm::FormCreate(const TControllerFactory& createControllers)
{
    if (StartupPrepareProject() && !App().homeDirectory.isEmpty()) {
        const QString path = GlobalSettingsPath();
        QString error;
        if (!m_layout.load(path, &error))
            LogError(QStringLiteral("file load error: ") + path);
        applyLayout();
    }
    if (createControllers)
        createControllers(*this);
}

void TMainForm::FormActivate()
{
    if (m_mainFormAction)
        m_mainFormAction->FormActivate();
}

void TMainForm::setMainFormAction(TMainFormAction* action)
{
    m_mainFormAction = action;
}

TMainFormAction* TMainForm::mainFormAction() const
{
    return m_mainFormAction;
}

void TMainForm::applyLayout()
{
    QRect geometry = m_layout.geometry();
    // A window stored on a screen that is gone comes back on the primary screen.
    bool visible = false;
    for (QScreen* screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(geometry);
    if (!visible && QGuiApplication::primaryScreen())
        geometry.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    setGeometry(geometry);

    applyFindWidth();
    m_leftPanel->setCurrentIndex(m_layout.pageIndex(TPanel::Left));
    m_rightPanel->setCurrentIndex(m_layout.pageIndex(TPanel::Right));
    m_consolePanel->setCurrentIndex(m_layout.pageIndex(TPanel::Console));
    applyPanel(TPanel::Left);
    applyPanel(TPanel::Console);
}

void TMainForm::applyPanel(TPanel panel)
{
    if (m_applyingLayout)
        return;
    m_applyingLayout = true;
    if (panel == TPanel::Console) {
        const int shown = m_layout.panel(TPanel::Console).shown;
        const int available = consoleSpaceAvailable();
        const int height = available > 0 ? qMin(shown, available) : shown;
        m_consolePanel->setVisible(height > 0);
        if (height > 0)
            m_consolePanel->setFixedHeight(height);
        m_centre->layout()->activate();
    } else {
        const int left = m_layout.panel(TPanel::Left).shown;
        const int right = m_layout.panel(TPanel::Right).shown;
        QList<int> sizes = m_mainSplitter->sizes();
        int total = 0;
        for (int s : sizes)
            total += s;
        if (total <= 0)
            total = qMax(width(), left + right + 1);
        m_mainSplitter->setSizes({ left, qMax(1, total - left - right), right });
    }
    m_applyingLayout = false;
}

void TMainForm::applyFindWidth()
{
    // What the label, the smallest address box and the go button need beside the panel.
    const QLayout* bar = m_addressBar->layout();
    int others = bar->contentsMargins().left() + bar->contentsMargins().right();
    for (int i = 0; i < bar->count(); ++i) {
        QWidget* w = bar->itemAt(i)->widget();
        if (w && w != m_findPanel)
            others += (w->minimumWidth() > 0 ? w->minimumWidth() : w->minimumSizeHint().width()) + bar->spacing();
    }
    const int room = m_centre->width() > 0 ? m_centre->width() - others : m_layout.findWidth();
    m_findPanel->setFixedWidth(qBound(qMin(kMinimumFindWidth, m_layout.findWidth()), room, m_layout.findWidth()));
}

int TMainForm::consoleSpaceAvailable() const
{
    if (!m_centre || m_centre->height() <= 0)
        return 0;
    int used = m_addressBar->height() + m_consoleSplitter->height();
    if (m_tabStrip->isVisible())
        used += m_tabStrip->height();
    return qMax(0, m_centre->height() - used);
}

void TMainForm::handleSplitterMoved()
{
    if (m_applyingLayout)
        return;
    const QList<int> sizes = m_mainSplitter->sizes();
    if (sizes.size() != 3)
        return;
    m_applyingLayout = true;
    m_layout.resizePanel(TPanel::Left, sizes.at(0));
    m_layout.resizePanel(TPanel::Right, sizes.at(2));
    m_applyingLayout = false;
}

void TMainForm::handleConsolePageChanged(int index)
{
    m_layout.setPageIndex(TPanel::Console, index);
    QWidget* page = consolePage(index);
    QLayoutItem* first = page && page->layout() ? page->layout()->itemAt(0) : nullptr;
    if (auto* memo = qobject_cast<TMemoView*>(first ? first->widget() : nullptr))
        memo->scrollToEnd();
}

void TMainForm::saveLayout()
{
    const bool maximised = isMaximized() || isFullScreen();
    m_layout.setGeometry(maximised ? normalGeometry() : geometry());
    if (App().homeDirectory.isEmpty())
        return;
    const QString path = GlobalSettingsPath();
    QString error;
    if (!m_layout.save(path, &error))
        LogError(QStringLiteral("file save error: ") + path);
}

void TMainForm::quitApplication()
{
    m_quitting = true;
    close();
    QCoreApplication::quit();
}

void TMainForm::setFileDropEnabled(bool enabled)
{
    setAcceptDrops(enabled);
}

void TMainForm::setMainCaption(const QString& caption)
{
    setWindowTitle(caption.isEmpty() ? ApplicationTitle() : ApplicationTitle() + QStringLiteral(" - ") + caption);
}

void TMainForm::showConsolePage(int index)
{
    if (index >= 0 && index < m_consolePanel->count())
        m_consolePanel->setCurrentIndex(index);
}

void TMainForm::showRightPage(int index)
{
    if (index >= 0 && index < m_rightPanel->count())
        m_rightPanel->setCurrentIndex(index);
}

void TMainForm::showLeftPage(int index)
{
    if (index >= 0 && index < m_leftPanel->count())
        m_leftPanel->setCurrentIndex(index);
}

void TMainForm::focusPanel(TPanel panel)
{
    QTabWidget* w = panel == TPanel::Left ? m_leftPanel : panel == TPanel::Right ? m_rightPanel : m_consolePanel;
    QWidget* page = w->currentWidget();
    if (!page)
        return;
    // The first control of the page that takes the focus, else its tab.
    for (QWidget* child : page->findChildren<QWidget*>()) {
        if (child->isVisibleTo(page) && child->isEnabled() && (child->focusPolicy() & Qt::TabFocus)) {
            child->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
    w->tabBar()->setFocus(Qt::ShortcutFocusReason);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (m_quitting) {
        event->accept();
        return;
    }
    // The close box runs the exit command, which ends the application when it agrees.
    QAction* exit = App().commands().action(QStringLiteral("ActionMainExit"));
    if (exit && exit->isEnabled()) {
        exit->trigger();
        if (m_quitting)
            event->accept();
        else
            event->ignore();
        return;
    }
    // Without a working exit command the window still closes, keeping its layout.
    saveLayout();
    m_quitting = true;
    event->accept();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Queued: what FormActivated starts (opening the project) may ask modal questions.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        QMetaObject::invokeMethod(this, &TMainForm::FormActivate, Qt::QueuedConnection);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Without a window manager (a bare X server, offscreen) the window is never activated;
    // its first showing then stands for the first activation. FormActivate runs once.
    if (!event->spontaneous())
        QMetaObject::invokeMethod(this, &TMainForm::FormActivate, Qt::QueuedConnection);
}

void TMainForm::mouseMoveEvent(QMouseEvent* event)
{
    m_statusLabel->clear();
    QMainWindow::mouseMoveEvent(event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptDrops() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        Q_EMIT filesDropped(paths);
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // The console never takes more than the centre can give it; the find panel gives way
    // to the address box in a narrow centre.
    if (watched == m_centre && event->type() == QEvent::Resize) {
        applyPanel(TPanel::Console);
        applyFindWidth();
    }
    return QMainWindow::eventFilter(watched, event);
}
