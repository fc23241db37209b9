#include "core/viewaction.h"

#include "core/popupinfo.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/consolememos.h"
#include "core/layoutsettings.h"
#include "core/mainwindowhost.h"
#include "core/memo.h"
#include "core/tabaccess.h"
#include "core/projectdocument.h"

#include <QAction>
#include <QGuiApplication>

namespace {

const char* const kOwner = "TViewAction";

// A project setting read without creating the element when the file has none.
QString projectSetting(const char* element)
{
    TXMLProjectType* project = App().currentProject();
    if (!project)
        return QString();
    return QString::fromUtf8(project->root().child(element).text().as_string());
}

// Spaces and control characters at both ends removed.
QString trimControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

TViewAction::TViewAction(TLayoutSettings& layout, QObject* parent) : TActionCalverdine(parent), m_layout(layout)
{
    setObjectName(QString::fromLatin1(kOwner));

    handle(TEvent::ProjectNewed, &TViewAction::handleProjectNewed);
    handle(TEvent::ProjectOpened, &TViewAction::handleProjectOpened);
    handle(TEvent::ProjectClosed, &TViewAction::handleProjectClosed);
    handle(TEvent::TabWindowAdded, &TViewAction::handleTabWindowAdded);
    handle(TEvent::TabWindowWasNothing, &TViewAction::handleTabWindowWasNothing);
    handle(TEvent::TabWindowActivated, &TViewAction::handleTabWindowActivated);
    handle(TEvent::BrowserCommandForwardStateChanged, &TViewAction::handleTravelStateChanged);
    handle(TEvent::BrowserCommandBackStateChanged, &TViewAction::handleTravelStateChanged);
    handle(TEvent::BrowserCommandBusyStateChanged, &TViewAction::handleBusyStateChanged);
    handle(TEvent::BrowserStatusTextChanged, &TViewAction::handleStatusTextChanged);
    handle(TEvent::BrowserBeforeNavigate, &TViewAction::handleBeforeNavigate);
    handle(TEvent::BrowserDocumentCompleted, &TViewAction::handleDocumentCompleted);
    handle(TEvent::BrowserAddressAdded, &TViewAction::handleAddressAdded);
    handle(TEvent::PopupOpen, &TViewAction::handlePopupOpen);
    handle(TEvent::DownloadBegining, &TViewAction::handleDownloadBegining);

    TCommandList& commands = App().commands();
    for (const QString& name : commands.names()) {
        if (name.startsWith(QLatin1String("ActionView")))
            commands.claim(name, QString::fromLatin1(kOwner));
    }
    m_back = command("ActionViewBack");
    m_forward = command("ActionViewForward");
    m_home = command("ActionViewHome");
    m_stop = command("ActionViewStop");
    m_reload = command("ActionViewReload");
    m_textSize = command("ActionViewFontSize");
    m_source = command("ActionViewSource");
    m_logClear = command("ActionViewLogClear");
    m_showLeft = command("ActionViewShowLeftPanel");
    m_showRight = command("ActionViewShowRightPanel");
    m_showConsole = command("ActionViewShowConsolePanel");

    connect(m_back, &QAction::triggered, this, &TViewAction::goBack);
    connect(m_forward, &QAction::triggered, this, &TViewAction::goForward);
    connect(m_home, &QAction::triggered, this, &TViewAction::goHome);
    connect(m_stop, &QAction::triggered, this, &TViewAction::stop);
    connect(m_reload, &QAction::triggered, this, &TViewAction::reload);
    connect(command("ActionViewReReload"), &QAction::triggered, m_reload, &QAction::trigger);
    connect(command("ActionViewReload2"), &QAction::triggered, m_reload, &QAction::trigger);
    connect(m_textSize, &QAction::triggered, this, &TViewAction::applyTextSize);
    connect(m_source, &QAction::triggered, this, &TViewAction::viewSource);
    connect(m_logClear, &QAction::triggered, this, &TViewAction::clearLog);
    connect(command("ActionViewHistory"), &QAction::triggered, this, &TViewAction::showHistory);

    for (QAction* toggle : { m_showLeft, m_showRight, m_showConsole })
        toggle->setCheckable(true);
    connect(m_showLeft, &QAction::triggered, this, [this] { togglePanel(TPanel::Left); });
    connect(m_showRight, &QAction::triggered, this, [this] { togglePanel(TPanel::Right); });
    connect(m_showConsole, &QAction::triggered, this, [this] { togglePanel(TPanel::Console); });
    connect(&m_layout, &TLayoutSettings::panelChanged, this, &TViewAction::syncPanelChecks);
    syncPanelChecks();

    // No tab exists before the tab controller opens one.
    setNoTabState();
}

QAction* TViewAction::command(const char* name) const
{
    QAction* a = App().commands().action(QString::fromLatin1(name));
    Q_ASSERT(a);
    return a;
}

TTabView* TViewAction::currentTab() const
{
    return CurrentTabView();
}

TTabView* TViewAction::tab(int tabId) const
{
    return App().tabs ? App().tabs->FindTab(tabId) : nullptr;
}

void TViewAction::clearLog()
{
    App().operationLog().clear();
    TConsoleMemos& memos = App().service<TConsoleMemos>();
    memos.popup.clear();
    memos.download.clear();
    memos.script.clear();
}

void TViewAction::handleProjectNewed(int)
{
    clearLog();
    m_logClear->setEnabled(true);
}

void TViewAction::handleProjectOpened(int)
{
    clearLog();
    m_logClear->setEnabled(true);
}

void TViewAction::handleProjectClosed(int)
{
    clearLog();
    m_logClear->setEnabled(false);
}

void TViewAction::setNoTabState()
{
    for (QAction* a : { m_back, m_forward, m_home, m_stop, m_reload, m_textSize, m_source })
        a->setEnabled(false);
    m_textSize->setData(QVariant());
    updateHints();
}

void TViewAction::setDocumentState(TTabView* tab)
{
    const bool html = tab && tab->IsHtmlDocument();
    m_textSize->setEnabled(html);
    m_source->setEnabled(html);
    m_textSize->setData(html ? QVariant(tab->TextSize()) : QVariant());
}

void TViewAction::updateHints()
{
    for (QAction* a : { m_back, m_forward }) {
        if (!a->isEnabled())
            SetCommandHint(a, QString());
    }
    for (QAction* a : { m_home, m_stop, m_reload })
        SetCommandHint(a, a->isEnabled() ? CaptionBeforeParenthesis(a->text()) : QString());
}

void TViewAction::handleTabWindowAdded(int)
{
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    m_home->setEnabled(true);
    m_stop->setEnabled(false);
    m_reload->setEnabled(false);
    updateHints();
}

void TViewAction::handleTabWindowWasNothing(int)
{
    setNoTabState();
}

void TViewAction::handleTabWindowActivated(int)
{
    TTabView* tab = currentTab();
    if (!tab) {
        setNoTabState();
        return;
    }
    m_back->setEnabled(tab->CanGoBack());
    m_forward->setEnabled(tab->CanGoForward());
    m_home->setEnabled(true);
    const int state = tab->NavigationState();
    m_stop->setEnabled(state == 1);
    m_reload->setEnabled(state >= 1);
    setDocumentState(tab);
    updateHints();
}

void TViewAction::handleTravelStateChanged(int)
{
    TTabView* tab = currentTab();
    m_forward->setEnabled(tab && tab->CanGoForward());
    m_back->setEnabled(tab && tab->CanGoBack());
    updateHints();
}

void TViewAction::handleBusyStateChanged(int)
{
    TTabView* tab = currentTab();
    const bool busy = tab && tab->Busy();
    m_stop->setEnabled(busy);
    if (busy)
        m_reload->setEnabled(true);
    updateHints();
}

void TViewAction::handleBeforeNavigate(int)
{
    m_stop->setEnabled(true);
    updateHints();
}

void TViewAction::handleDocumentCompleted(int)
{
    m_stop->setEnabled(false);
    setDocumentState(currentTab());
    updateHints();
}

void TViewAction::handleAddressAdded(int)
{
    const QStringList addresses = App().service<TVisitedAddresses>().addresses;
    TTabView* tab = currentTab();
    Q_EMIT addressListChanged(addresses, tab ? tab->GetUrl() : QString());
}

void TViewAction::handleStatusTextChanged(int)
{
    const QString text = App().tabs ? App().tabs->CurrentStatusText() : QString();
    m_statusText = text;
    // Every report is shown: the status bar may have been emptied since the last one.
    Q_EMIT statusTextChanged(text);
    logStatusText(text);
}

void TViewAction::logStatusText(const QString& text)
{
    if (App().currentProject() && projectSetting("OutputStatusText").trimmed() == QLatin1String("0"))
        return;
    if (text.isEmpty() || text.startsWith(QLatin1String("http"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("file"), Qt::CaseInsensitive))
        return;
    // Written straight into the memo, without tick count (these are the browser's words).
    TMemo& log = App().operationLog();
    const QString done = PageDoneStatusText();
    if (text.startsWith(done) && !m_lastLoggedStatusText.contains(done)) {
        log.appendLine(text);
        m_lastLoggedStatusText = text;
    }
    if (text != m_lastLoggedStatusText && !trimControls(text).isEmpty()) {
        log.appendLine(text);
        m_lastLoggedStatusText = text;
    }
}

void TViewAction::handlePopupOpen(int tabId)
{
    TTabView* view = tab(tabId);
    TPopupMessageInfo* info = view ? view->PopupInfo() : nullptr;
    if (!info)
        return;
    QString kind;
    if (info->MessageType == TPopupMessageInfo::kConfirm)
        kind = QStringLiteral("confirm");
    else if (info->MessageType == TPopupMessageInfo::kAlert)
        kind = QStringLiteral("alert");
    TMemo& memo = App().service<TConsoleMemos>().popup;
    memo.appendLine(QStringLiteral("-> ") + kind);
    memo.appendLine(info->Text);
}

void TViewAction::handleDownloadBegining(int tabId)
{
    TTabView* view = tab(tabId);
    if (!view)
        return;
    const TDownloadInfo info = view->LastDownloadInfo();
    // An empty record means nothing was downloaded; "about:blank" is the engine's own start.
    if (info.Url.isEmpty() || info.Url == QLatin1String("about:blank"))
        return;
    TMemo& memo = App().service<TConsoleMemos>().download;
    memo.appendLine(QStringLiteral("-> ") + info.Url);
    for (const QString& line : info.Lines)
        memo.appendLine(line);
}

void TViewAction::goBack()
{
    if (TTabView* tab = currentTab())
        tab->GoBack();
}

void TViewAction::goForward()
{
    if (TTabView* tab = currentTab())
        tab->GoForward();
}

void TViewAction::goHome()
{
    const QString home = projectSetting("HomePage").trimmed();
    if (!App().tabs || home.isEmpty())
        return;
    App().tabs->NavigateCurrentTab(home);
}

void TViewAction::stop()
{
    if (TTabView* tab = currentTab())
        tab->StopLoading();
}

void TViewAction::reload()
{
    // Ctrl held reloads completely, bypassing the cache.
    const bool completely = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    if (TTabView* tab = currentTab())
        tab->Reload(completely);
}

void TViewAction::applyTextSize()
{
    TTabView* tab = currentTab();
    if (!tab)
        return;
    bool ok = false;
    const int size = m_textSize->data().toInt(&ok);
    if (ok && size >= 0 && size < kTextSizeCount)
        tab->SetTextSize(size);
    m_textSize->setData(tab->TextSize());
}

void TViewAction::viewSource()
{
    if (TTabView* tab = currentTab())
        tab->ViewSource();
}

void TViewAction::showHistory()
{
    m_layout.openPanel(TPanel::Left);
    if (App().mainWindow)
        App().mainWindow->showLeftPage(1);
}

void TViewAction::togglePanel(TPanel panel)
{
    m_layout.togglePanel(panel);
    syncPanelChecks();
}

void TViewAction::syncPanelChecks()
{
    m_showLeft->setChecked(m_layout.panel(TPanel::Left).isOpen());
    m_showRight->setChecked(m_layout.panel(TPanel::Right).isOpen());
    m_showConsole->setChecked(m_layout.panel(TPanel::Console).isOpen());
}
