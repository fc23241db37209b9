#include "browser/tabaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/error.h"
#include "core/inifile.h"
#include "core/log.h"
#include "core/mainwindowhost.h"
#include "core/prompter.h"
#include "core/startup.h"
#include "core/textcodec.h"
#include "core/fileidallocator.h"
#include "core/projectdocument.h"
#include "core/projectstate.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QUrl>

namespace {

// Keeps a report that arrives during the guarded work from entering it again.
struct TTryLock {
    explicit TTryLock(QMutex& m) : mutex(m), locked(m.tryLock()) {}
    ~TTryLock()
    {
        if (locked)
            mutex.unlock();
    }
    QMutex& mutex;
    const bool locked;
};

const QString kInfo = QStringLiteral("Info");

// The stored shortcut is a virtual key code: letters and digits are Qt's codes, F1-F24 are
// 0x70-0x87.
int QtKeyOfVirtualKey(int virtualKey)
{
    if (virtualKey >= 0x70 && virtualKey <= 0x87)
        return Qt::Key_F1 + (virtualKey - 0x70);
    return virtualKey;
}

// The address as the tab list stores it: unchanged unless the file's code page cannot hold
// it, then percent-encoded so it is not lost.
QString StorableAddress(const QString& url)
{
    if (textcodec::fromCp932(textcodec::toCp932(url)) == url)
        return url;
    return QString::fromLatin1(QUrl(url).toEncoded());
}

}

TTabAction::TTabAction(TTabWindowFactory* factory, TTabStripView* view, QObject* parent)
    : TActionCalverdine(parent), m_factory(factory), m_view(view)
{
    handle(TEvent::ProjectNewed, &TTabAction::handleProjectOpened);
    handle(TEvent::ProjectOpened, &TTabAction::handleProjectOpened);
    handle(TEvent::ProjectClosed, &TTabAction::handleProjectClosed);
    handle(TEvent::TabWindowAdded, &TTabAction::handleTabWindowAdded);
    handle(TEvent::TabWindowWasNothing, &TTabAction::handleTabWindowWasNothing);
    handle(TEvent::TabWindowActivated, &TTabAction::handleTabWindowActivated);

    m_open = command("ActionTabOpen");
    m_close = command("ActionTabClose");
    m_closeAll = command("ActionTabCloseAll");
    m_closeOther = command("ActionTabCloseOther");
    m_closePrev = command("ActionTabClosePrev");
    m_closeNext = command("ActionTabCloseNext");
    m_movePrev = command("ActionTabMovePrev");
    m_moveNext = command("ActionTabMoveNext");
    m_cascade = command("ActionTabLinesCascade");
    m_tileH = command("ActionTabLinesTileH");
    m_tileV = command("ActionTabLinesTileV");

    connect(m_open, &QAction::triggered, this, [this] { OpenNewTab(true); });
    connect(m_close, &QAction::triggered, this, [this] { CloseTab(m_commandTab ? m_commandTab.data() : m_current.data()); });
    connect(m_closeAll, &QAction::triggered, this, &TTabAction::CloseAll);
    connect(m_closeOther, &QAction::triggered, this, &TTabAction::CloseOther);
    connect(m_closePrev, &QAction::triggered, this, &TTabAction::ClosePrev);
    connect(m_closeNext, &QAction::triggered, this, &TTabAction::CloseNext);
    connect(m_movePrev, &QAction::triggered, this, &TTabAction::MovePrev);
    connect(m_moveNext, &QAction::triggered, this, &TTabAction::MoveNext);
    connect(m_cascade, &QAction::triggered, this, [this] { Arrange(TTabArrangement::Cascade); });
    connect(m_tileH, &QAction::triggered, this, [this] { Arrange(TTabArrangement::TileHorizontal); });
    connect(m_tileV, &QAction::triggered, this, [this] { Arrange(TTabArrangement::TileVertical); });
    for (QAction* a : { m_open, m_close, m_closeAll, m_closeOther, m_closePrev, m_closeNext, m_movePrev, m_moveNext,
                        m_cascade, m_tileH, m_tileV })
        a->setEnabled(false);
    SetCommandHint(m_open, QString());
    SetCommandHint(m_close, QString());

    TTabWindow::SetFileOpenKey(QtKeyOfVirtualKey(ReadShortcutKey(QStringLiteral("FileOpen"), 79)));
    App().tabs = this;
    App().bus().setTabLookup(this);
}

TTabAction::~TTabAction()
{
    for (const QPointer<TTabWindow>& tab : m_tabs) {
        if (tab)
            tab->SetOwner(nullptr);
    }
    if (App().tabs == this)
        App().tabs = nullptr;
    if (App().bus().tabLookup() == this)
        App().bus().setTabLookup(nullptr);
}

QAction* TTabAction::command(const char* name)
{
    QAction* action = App().commands().claim(QString::fromLatin1(name), QStringLiteral("TTabAction"));
    if (!action)
        action = new QAction(QString::fromLatin1(name), this); // a catalogue without it (tests)
    return action;
}

// ---- tabs ----

TTabWindow* TTabAction::findTab(int tabId) const
{
    if (tabId == 0)
        return nullptr;
    for (const QPointer<TTabWindow>& tab : m_tabs) {
        if (tab && tab->TabId() == tabId)
            return tab.data();
    }
    return nullptr;
}

QList<TTabWindow*> TTabAction::Tabs() const
{
    QList<TTabWindow*> list;
    for (const QPointer<TTabWindow>& tab : m_tabs) {
        if (tab)
            list.append(tab.data());
    }
    return list;
}

int TTabAction::PositionOf(const TTabWindow* tab) const
{
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        if (m_tabs[i] == tab)
            return int(i);
    }
    return -1;
}

bool TTabAction::IsCurrentTab(int tabId) const
{
    return isCurrent(tabId);
}

int TTabAction::NodeImage(int navigationState)
{
    switch (navigationState) {
    case TTabWindow::kStateNavigating:
        return kImageNavigating;
    case TTabWindow::kStateStopped:
        return kImageStopped;
    case TTabWindow::kStateError:
        return kImageError;
    default:
        return kImagePage;
    }
}

void TTabAction::updateNodeImage(TTabWindow* tab)
{
    if (m_view)
        m_view->SetNodeImage(tab, NodeImage(tab->NavigationState()));
}

void TTabAction::moveToFront(int tabId)
{
    m_frontOrder.removeAll(tabId);
    m_frontOrder.append(tabId);
}

TTabWindow* TTabAction::OpenNewTab(bool navigateBlank)
{
    if (!m_factory)
        return nullptr;
    TTabWindow* tab = m_factory->CreateTabWindow(m_current.data());
    if (!tab)
        return nullptr;
    int tabId = 0;
    try {
        tabId = AllocateFileId();
    } catch (...) {
        // The allocator logged its error; the window goes again.
        tab->CloseWindow();
        return nullptr;
    }
    tab->SetTabId(tabId);
    m_lastTabId = tabId;
    m_tabs.push_back(tab);
    m_current = tab;
    if (m_view) {
        m_view->InsertTab(int(m_tabs.size()) - 1, tab, tab->GetTabCaption());
        m_view->SelectTab(tab);
    }
    const QString id = QString::number(tabId);
    if (!m_tabIdList.contains(id))
        m_tabIdList.append(id);
    if (m_view)
        m_view->ShowAddress(QString());
    tab->SetOwner(this);
    if (navigateBlank)
        NavigateCurrentTab(QStringLiteral("about:blank"));
    App().bus().NotifyTabWindowAdded(tabId);
    moveToFront(tabId);
    return tab;
}

void TTabAction::NavigateCurrentTab(const QString& text)
{
    if (!m_current && !OpenNewTab(false))
        return;
    QString address = text;
    if (App().hasService<TFavoriteTitleMap>()) {
        for (const auto& entry : App().service<TFavoriteTitleMap>().entries) {
            if (entry.first.compare(text, Qt::CaseInsensitive) == 0) {
                address = entry.second;
                break;
            }
        }
    }
    m_current->Navigate(address);
}

void TTabAction::OpenTab(const QString& url)
{
    if (OpenNewTab(false))
        NavigateCurrentTab(url);
}

QList<int> TTabAction::TabOrder() const
{
    QList<int> ids;
    for (const auto& tab : m_tabs) {
        if (tab)
            ids << tab->TabId();
    }
    return ids;
}

// ---- closing, moving, arranging ----

void TTabAction::CloseTab(TTabWindow* tab)
{
    if (tab)
        tab->CloseWindow();
}

void TTabAction::closeFrom(const QList<TTabWindow*>& tabs)
{
    // Each close removes its tab from the lists; the windows are kept track of by pointer.
    std::vector<QPointer<TTabWindow>> guarded(tabs.begin(), tabs.end());
    // All are marked first: the tab area activates the next window as each one goes, and a
    // tab that is about to close must not reach the controllers as the activated one (after
    // the project was closed they would look for its data directory).
    for (const QPointer<TTabWindow>& tab : guarded) {
        if (tab)
            tab->SetClosing(true);
    }
    for (const QPointer<TTabWindow>& tab : guarded) {
        if (tab)
            tab->CloseWindow();
    }
}

void TTabAction::CloseAll()
{
    QList<TTabWindow*> tabs = Tabs();
    std::reverse(tabs.begin(), tabs.end());
    closeFrom(tabs);
}

void TTabAction::CloseOther()
{
    const int keep = m_current ? m_current->TabId() : 0;
    QList<TTabWindow*> tabs;
    for (TTabWindow* tab : Tabs()) {
        if (tab->TabId() != keep)
            tabs.prepend(tab);
    }
    closeFrom(tabs);
}

void TTabAction::ClosePrev()
{
    const QList<TTabWindow*> all = Tabs();
    const int p = PositionOf(m_commandTab ? m_commandTab.data() : m_current.data());
    QList<TTabWindow*> tabs;
    for (int i = p - 1; i >= 0; --i)
        tabs.append(all.at(i));
    closeFrom(tabs);
}

void TTabAction::CloseNext()
{
    const QList<TTabWindow*> all = Tabs();
    const int p = PositionOf(m_commandTab ? m_commandTab.data() : m_current.data());
    if (p < 0)
        return;
    QList<TTabWindow*> tabs;
    for (int i = int(all.size()) - 1; i > p; --i)
        tabs.append(all.at(i));
    closeFrom(tabs);
}

void TTabAction::MovePrev()
{
    const int p = PositionOf(m_commandTab ? m_commandTab.data() : m_current.data());
    if (p <= 0)
        return;
    std::swap(m_tabs[size_t(p)], m_tabs[size_t(p - 1)]);
    if (m_view)
        m_view->MoveTab(p, p - 1);
    setPositionStates(m_current.data());
}

void TTabAction::MoveNext()
{
    const int p = PositionOf(m_commandTab ? m_commandTab.data() : m_current.data());
    if (p < 0 || p + 1 >= int(m_tabs.size()))
        return;
    std::swap(m_tabs[size_t(p)], m_tabs[size_t(p + 1)]);
    if (m_view)
        m_view->MoveTab(p, p + 1);
    setPositionStates(m_current.data());
}

void TTabAction::DropTab(TTabWindow* dragged, TTabWindow* target)
{
    const int from = PositionOf(dragged);
    int to = PositionOf(target);
    if (from < 0 || to < 0 || from == to)
        return;
    // Placed before the target; moving towards the end, the target's place shifts by one.
    if (from < to)
        --to;
    QPointer<TTabWindow> moved = m_tabs[size_t(from)];
    m_tabs.erase(m_tabs.begin() + from);
    m_tabs.insert(m_tabs.begin() + to, moved);
    if (m_view)
        m_view->MoveTab(from, to);
    setPositionStates(m_current.data());
}

void TTabAction::Arrange(TTabArrangement arrangement)
{
    if (m_view)
        m_view->Arrange(arrangement);
}

void TTabAction::ShowTab(TTabWindow* tab)
{
    if (!tab || PositionOf(tab) < 0 || !m_view)
        return;
    m_view->BringToFront(tab);
    tab->ActivateBrowser();
}

void TTabAction::PopupOnTab(TTabWindow* tab)
{
    if (!tab || PositionOf(tab) < 0)
        return;
    if (m_view) {
        m_view->SelectTab(tab);
        m_view->BringToFront(tab);
    }
    setPositionStates(tab);
}

void TTabAction::setPositionStates(TTabWindow* tab)
{
    m_commandTab = tab;
    const int n = int(m_tabs.size());
    const int p = PositionOf(tab);
    const bool known = p >= 0;
    m_closePrev->setEnabled(known && p > 0);
    m_closeNext->setEnabled(known && p < n - 1);
    m_movePrev->setEnabled(known && p > 0);
    m_moveNext->setEnabled(known && p < n - 1);
    m_closeOther->setEnabled(n > 1);
}

// ---- the tab list file ----

QString TTabAction::TabListPath() const
{
    return m_tabWindowFolder.isEmpty() ? QString() : m_tabWindowFolder + QStringLiteral("/TabWindowList.ini");
}

void TTabAction::WriteTabList()
{
    if (m_tabWindowFolder.isEmpty())
        return;
    // A report that arrives while the file is written does not write it again.
    const TTryLock lock(m_fileLock);
    if (!lock.locked)
        return;
    TIniFile file(TabListPath());
    for (const QString& id : m_tabIdList) {
        if (TTabWindow* tab = findTab(id.toInt()))
            file.writeString(kInfo, id, StorableAddress(tab->GetUrl()));
    }
    const QByteArray bytes = file.toBytes();
    if (bytes == m_lastWritten && QFile::exists(file.fileName()))
        return;
    QString error;
    if (!file.save(&error, true)) {
        // The list is written at every navigation: one message until a write succeeds.
        if (!std::exchange(m_saveFailed, true))
            LogError(QStringLiteral("file save error: ") + file.fileName());
        return;
    }
    m_saveFailed = false;
    m_lastWritten = bytes;
}

void TTabAction::reopenTabs()
{
    TIniFile file(TabListPath());
    QString error;
    if (!m_tabWindowFolder.isEmpty() && !file.load(&error))
        LogError(QStringLiteral("file load error: ") + file.fileName());
    const QStringList keys = file.keyNames(kInfo);
    if (keys.isEmpty()) {
        QString home;
        if (TXMLProjectType* project = App().currentProject())
            home = project->HomePage();
        if (OpenNewTab(false))
            NavigateCurrentTab(home.isEmpty() ? QStringLiteral("about:blank") : home);
        return;
    }
    for (const QString& key : keys) {
        const QString address = file.readString(kInfo, key);
        if (OpenNewTab(false))
            NavigateCurrentTab(address.isEmpty() ? QStringLiteral("about:blank") : address);
    }
}

// ---- events ----

void TTabAction::handleProjectOpened(int)
{
    TXMLProjectType* project = App().currentProject();
    if (!project)
        return;
    const QString name = project->Name();
    if (App().mainWindow)
        App().mainWindow->setMainCaption(name);
    if (m_view)
        m_view->SetRootText(name);
    m_open->setEnabled(true);
    SetCommandHint(m_open, CaptionBeforeParenthesis(m_open->text()));
    m_movePrev->setEnabled(false);
    m_moveNext->setEnabled(false);
    m_lastWritten.clear();
    m_saveFailed = false;
    // A project without a data directory keeps no tab list: its folder would otherwise be
    // "/TabWindow" at the root of the disk.
    const QString dataDirectory = project->RootDirectory().trimmed();
    if (dataDirectory.isEmpty()) {
        m_tabWindowFolder.clear();
        LogWarn(QStringLiteral("the project has no data directory: the tab list is not kept"));
    } else {
        m_tabWindowFolder = dataDirectory + QStringLiteral("/TabWindow");
        // The whole path: a project whose data directory went missing keeps its tab list.
        QDir().mkpath(m_tabWindowFolder);
    }
    reopenTabs();
}

void TTabAction::handleProjectClosed(int)
{
    CloseAll();
    m_open->setEnabled(false);
    SetCommandHint(m_open, QString());
}

void TTabAction::handleTabWindowAdded(int tabId)
{
    // The caption keeps the project's name beside the page's title, however the tab came.
    if (App().mainWindow)
        App().mainWindow->setMainCaption(App().currentProject() ? App().currentProject()->Name() : QString());
    for (QAction* a : { m_close, m_closeAll, m_cascade, m_tileH, m_tileV })
        a->setEnabled(true);
    SetCommandHint(m_close, CaptionBeforeParenthesis(m_close->text()));
    setPositionStates(findTab(tabId));
    WriteTabList();
}

void TTabAction::handleTabWindowWasNothing(int)
{
    for (QAction* a : { m_close, m_closeAll, m_closeOther, m_movePrev, m_moveNext, m_cascade, m_tileH, m_tileV })
        a->setEnabled(false);
    m_closePrev->setEnabled(false);
    m_closeNext->setEnabled(false);
    SetCommandHint(m_close, QString());
}

void TTabAction::handleTabWindowActivated(int tabId)
{
    setPositionStates(findTab(tabId));
}

// ---- reports of the tab windows ----

void TTabAction::OnBeforeNavigate(int tabId, const QString& url)
{
    Q_UNUSED(url);
    TTabWindow* tab = findTab(tabId);
    if (!tab)
        return;
    if (m_view)
        m_view->SetNodeImage(tab, kImageBeforeNavigate);
    if (isCurrent(tabId))
        App().bus().NotifyBrowserBeforeNavigate(tabId);
    WriteTabList();
}

void TTabAction::OnNavigateComplete(int tabId, const QString& url)
{
    Q_UNUSED(url);
    if (!findTab(tabId))
        return;
    if (isCurrent(tabId))
        App().bus().NotifyBrowserNavigateCompleted(tabId);
    WriteTabList();
}

void TTabAction::OnDocumentComplete(int tabId, const QString& url, const QString& title)
{
    Q_UNUSED(title);
    TTabWindow* tab = findTab(tabId);
    if (!tab)
        return;
    updateNodeImage(tab);
    QStringList& visited = App().service<TVisitedAddresses>().addresses;
    if (!visited.contains(url, Qt::CaseInsensitive)) {
        visited.append(url);
        App().bus().NotifyBrowserAddressAdded(tabId);
    }
    if (isCurrent(tabId)) {
        App().bus().NotifyBrowserDocumentCompleted(tabId);
        if (TTabWindow* still = findTab(tabId))
            still->ActivateBrowser();
    }
    WriteTabList();
}

void TTabAction::OnDocumentParsed(int tabId)
{
    if (!findTab(tabId))
        return;
    if (isCurrent(tabId))
        App().bus().NotifyDocumentParseCompleted(tabId);
    WriteTabList();
}

void TTabAction::OnCommandState(int tabId, int code, bool enabled)
{
    Q_UNUSED(enabled);
    TTabWindow* tab = findTab(tabId);
    if (!tab)
        return;
    updateNodeImage(tab);
    if (!isCurrent(tabId))
        return;
    TEventBus& bus = App().bus();
    switch (code) {
    case 1: bus.NotifyBrowserCommandForwardStateChanged(tabId); break;
    case 2: bus.NotifyBrowserCommandBackStateChanged(tabId); break;
    case 3: bus.NotifyBrowserCommandBusyStateChanged(tabId); break;
    case 11: bus.NotifyBrowserCommandTextSelected(tabId); break;
    case 12: bus.NotifyBrowserCommandTextUnSelected(tabId); break;
    case 21: bus.NotifyBrowserCommandTextInputForcused(tabId); break;
    case 22: bus.NotifyBrowserCommandTextInputUnForcused(tabId); break;
    default: break;
    }
}

void TTabAction::OnStatusText(int tabId, const QString& text)
{
    if (!findTab(tabId))
        return;
    {
        const TTryLock lock(m_statusLock);
        if (!lock.locked)
            return;
        m_statusText = text;
    }
    App().bus().NotifyBrowserStatusTextChanged(tabId);
}

void TTabAction::OnTitleChange(int tabId)
{
    TTabWindow* tab = findTab(tabId);
    if (!tab)
        return;
    if (m_view)
        m_view->SetTabTexts(tab, tab->GetTabCaption(), tab->GetTitle());
    App().bus().NotifyBrowserTitleChanged(tabId);
}

TBrowserControl* TTabAction::OnNewWindow(int tabId)
{
    Q_UNUSED(tabId);
    TTabWindow* tab = OpenNewTab(false);
    return tab ? tab->Browser() : nullptr;
}

void TTabAction::OnNavigateError(int tabId)
{
    Q_UNUSED(tabId);
}

void TTabAction::OnClose(int tabId)
{
    TTabWindow* tab = findTab(tabId);
    if (!tab)
        return;
    if (m_view)
        m_view->RemoveTab(tab);
    const int position = PositionOf(tab);
    m_tabs.erase(m_tabs.begin() + position);
    if (m_current == tab) {
        m_current = nullptr;
        // The neighbour takes the closed tab's place, as in the strip: the one after it, or
        // the one before when it was the last. Brought to the front while the closing window
        // is still there, so the tab area has no active window to replace by its own choice.
        if (!m_tabs.empty()) {
            TTabWindow* neighbour = m_tabs[size_t(qMin(position, int(m_tabs.size()) - 1))];
            if (neighbour && !neighbour->IsClosing())
                ShowTab(neighbour);
        }
    }
    if (m_commandTab == tab)
        m_commandTab = nullptr;
    m_frontOrder.removeAll(tabId);
    // The tab is out of the lists first, so the bus finds no closing tab for this event.
    if (m_tabs.empty())
        App().bus().NotifyTabWindowWasNothing(tabId);
    else // the remaining tabs have new neighbours
        setPositionStates(m_commandTab ? m_commandTab.data() : m_current.data());
    m_tabIdList.removeAll(QString::number(tabId));
    if (!App().service<TProjectState>().closing)
        WriteTabList();
}

void TTabAction::OnActivate(int tabId)
{
    TTabWindow* tab = findTab(tabId);
    if (!tab)
        return;
    m_current = tab;
    if (m_view) {
        m_view->SelectTab(tab);
        m_view->ShowAddress(tab->GetUrl());
    }
    App().bus().NotifyTabWindowActivated(tabId);
    if (TTabWindow* still = findTab(tabId)) {
        still->RequestActivate();
        moveToFront(tabId);
    }
}

void TTabAction::OnGesture(int tabId, int code)
{
    if (!isCurrent(tabId))
        return;
    switch (code) {
    case 1: {
        TPrompter* prompter = App().prompter();
        if (prompter
            && prompter->message(QStringLiteral("タブを閉じてもいいですか"), QString(), TPrompter::Buttons::YesNo,
                                 TPrompter::Icon::Question)
                == TPrompter::Yes)
            CloseTab(findTab(tabId));
        break;
    }
    case 2:
        OpenNewTab(true);
        break;
    case 4:
        if (QAction* back = App().commands().action(QStringLiteral("ActionViewBack")); back && back->isEnabled())
            m_current->GoBack();
        break;
    case 8:
        if (QAction* forward = App().commands().action(QStringLiteral("ActionViewForward")); forward && forward->isEnabled())
            m_current->GoForward();
        break;
    default:
        break;
    }
}

void TTabAction::OnPopupOpen(int tabId)
{
    if (findTab(tabId))
        App().bus().NotifyPopupOpen(tabId);
}

void TTabAction::OnPopupOpened(int tabId)
{
    if (findTab(tabId))
        App().bus().NotifyPopupOpened(tabId);
}

void TTabAction::OnDownload(int tabId)
{
    TTabWindow* tab = findTab(tabId);
    if (!tab)
        return;
    if (m_view)
        m_view->SetNodeImage(tab, kImagePage);
    App().bus().NotifyDownloadBegining(tabId);
}

void TTabAction::OnKeyCommand(int tabId, TTabKeyCommand command)
{
    Q_UNUSED(tabId);
    auto trigger = [](const char* name) {
        if (QAction* action = App().commands().action(QString::fromLatin1(name)); action && action->isEnabled())
            action->trigger();
    };
    switch (command) {
    case TTabKeyCommand::OpenTab:
        if (m_open->isEnabled())
            OpenNewTab(true);
        break;
    case TTabKeyCommand::Find:
        trigger("ActionFind");
        break;
    case TTabKeyCommand::FocusFindBox:
        if (m_view)
            m_view->FocusFindBox();
        break;
    case TTabKeyCommand::OpenFile:
        trigger("ActionFileOpen");
        break;
    }
}
