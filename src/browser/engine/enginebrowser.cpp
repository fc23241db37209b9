#include "browser/engine/enginebrowser.h"

#include "browser/engine/enginepagechannel.h"
#include "browser/engine/pagecapture.h"
#include "browser/engine/pagebridge.h"
#include "browser/engine/webpage.h"
#include "core/appcontext.h"
#include "core/prompter.h"
#include "core/viewaction.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPrinter>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <utility>
#include <iterator>

namespace {

// Chromium's code for a load cut short (a stop, a download, a newer navigation).
constexpr int kErrorAborted = -3;

QString eventScriptSource()
{
    static const QString source = []() -> QString {
        QFile channel(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        QString text;
        if (channel.open(QIODevice::ReadOnly))
            text = QString::fromUtf8(channel.readAll());
        return text + QStringLiteral("\n;\n") + TEnginePageChannel::scriptSource(QStringLiteral("pageevents.js"));
    }();
    return source;
}

QList<THistoryEntry> entries(const QList<QWebEngineHistoryItem>& items)
{
    QList<THistoryEntry> list;
    list.reserve(items.size());
    for (const QWebEngineHistoryItem& item : items)
        list.append(THistoryEntry { item.title(), item.url().toString() });
    return list;
}

bool documentEventKind(const QString& name, TDocumentEvent::Kind* kind)
{
    static const QHash<QString, TDocumentEvent::Kind> kinds {
        { QStringLiteral("mousedown"), TDocumentEvent::MouseDown },
        { QStringLiteral("ready"), TDocumentEvent::ReadyState },
        { QStringLiteral("editfocus"), TDocumentEvent::BeforeEditFocus },
        { QStringLiteral("focusin"), TDocumentEvent::FocusIn },
        { QStringLiteral("focusout"), TDocumentEvent::FocusOut },
        { QStringLiteral("editblur"), TDocumentEvent::EditBlur },
        { QStringLiteral("selection"), TDocumentEvent::SelectionChange },
        { QStringLiteral("activate"), TDocumentEvent::Activate },
        { QStringLiteral("deactivate"), TDocumentEvent::Deactivate },
    };
    const auto it = kinds.constFind(name);
    if (it == kinds.cend())
        return false;
    *kind = *it;
    return true;
}

}

QString TEngineBrowser::PageDoneStatusText()
{
    return ::PageDoneStatusText();
}

QString TEngineBrowser::ConnectingStatusText(const QString& host)
{
    return QStringLiteral("サイト ") + host + QStringLiteral(" に接続しています...");
}

QString TEngineBrowser::MessageBoxCaption()
{
    return QStringLiteral("Web ページからのメッセージ");
}

TEngineBrowser::TEngineBrowser(QWebEngineProfile* profile, QWidget* parent) : QWebEngineView(parent)
{
    m_page = new TWebPage(profile, this);
    m_bridge = new TPageBridge(this);
    m_webChannel = new QWebChannel(this);
    m_webChannel->registerObject(QStringLiteral("calverdineBridge"), m_bridge);
    m_channel = new TEnginePageChannel(m_page, m_bridge, this);

    QWebEngineScript events;
    events.setName(QStringLiteral("calverdine-events"));
    events.setSourceCode(eventScriptSource());
    events.setInjectionPoint(QWebEngineScript::DocumentCreation);
    events.setWorldId(TEnginePageChannel::world());
    events.setRunsOnSubFrames(true);
    m_page->scripts().insert(events);
    // The entry point of script execution, in the page's own world before its scripts run.
    QWebEngineScript pageScripts;
    pageScripts.setName(QStringLiteral("calverdine-scripts"));
    pageScripts.setSourceCode(TEnginePageChannel::scriptSource(QStringLiteral("pagescripts.js")));
    pageScripts.setInjectionPoint(QWebEngineScript::DocumentCreation);
    pageScripts.setWorldId(QWebEngineScript::MainWorld);
    pageScripts.setRunsOnSubFrames(true);
    m_page->scripts().insert(pageScripts);
    m_page->setWebChannel(m_webChannel, TEnginePageChannel::world());
    setPage(m_page);

    connect(m_page, &QWebEnginePage::loadingChanged, this, &TEngineBrowser::handleLoadingChanged);
    connect(m_page, &QWebEnginePage::urlChanged, this, &TEngineBrowser::handleUrlChanged);
    connect(m_page, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        if (m_events)
            m_events->TitleChange(title);
    });
    connect(m_page, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
        if (m_events)
            m_events->StatusTextChange(url);
    });
    connect(m_page, &QWebEnginePage::windowCloseRequested, this, [this] {
        if (m_events)
            m_events->WindowClosing();
    });
    connect(m_page, &QWebEnginePage::geometryChangeRequested, this, [this](const QRect& geometry) {
        if (!m_events)
            return;
        m_events->WindowSetLeft(geometry.x());
        m_events->WindowSetTop(geometry.y());
        m_events->WindowSetWidth(geometry.width());
        m_events->WindowSetHeight(geometry.height());
    });
    connect(m_bridge, &TPageBridge::documentEventReceived, this, &TEngineBrowser::handleDocumentEvent);
}

TEngineBrowser::~TEngineBrowser()
{
    // No event reaches the tab while the page goes (first of the children: it was made first).
    m_events = nullptr;
}

// ---- calls ----

void TEngineBrowser::Navigate(const QString& url)
{
    const QUrl target = QUrl::fromUserInput(url);
    // The engine opens its own pages ("about:blank") without asking first: announce them
    // here, so they pass the same steps as any other address.
    if (target.scheme() == QLatin1String("about")) {
        handleNavigationRequest(target, QWebEnginePage::NavigationTypeTyped, true);
        m_selfAnnounced = target.toString();
    }
    m_page->load(target);
}

void TEngineBrowser::GoBack()
{
    m_page->triggerAction(QWebEnginePage::Back);
}

void TEngineBrowser::Travel(int steps)
{
    QWebEngineHistory* history = m_page->history();
    const int target = history->currentItemIndex() + steps;
    if (steps == 0 || target < 0 || target >= history->count())
        return;
    history->goToItem(history->itemAt(target));
}

void TEngineBrowser::GoForward()
{
    m_page->triggerAction(QWebEnginePage::Forward);
}

void TEngineBrowser::Stop()
{
    m_page->triggerAction(QWebEnginePage::Stop);
}

void TEngineBrowser::Refresh(bool completely)
{
    m_page->triggerAction(completely ? QWebEnginePage::ReloadAndBypassCache : QWebEnginePage::Reload);
}

QString TEngineBrowser::LocationURL() const
{
    return m_page->url().toString();
}

QString TEngineBrowser::Title() const
{
    return m_page->title();
}

bool TEngineBrowser::IsHtmlDocument() const
{
    return m_channel->lastSnapshotWasHtml();
}

bool TEngineBrowser::CanGoBack() const
{
    return m_page->history()->canGoBack();
}

bool TEngineBrowser::CanGoForward() const
{
    return m_page->history()->canGoForward();
}

QList<THistoryEntry> TEngineBrowser::BackEntries(int limit) const
{
    QList<THistoryEntry> list = entries(m_page->history()->backItems(limit));
    std::reverse(list.begin(), list.end()); // nearest first
    return list;
}

QList<THistoryEntry> TEngineBrowser::ForwardEntries(int limit) const
{
    return entries(m_page->history()->forwardItems(limit));
}

QList<THistoryEntry> TEngineBrowser::AllEntries(int allLimit) const
{
    const QList<QWebEngineHistoryItem> items = m_page->history()->items();
    return entries(items.mid(std::max<qsizetype>(0, items.size() - allLimit)));
}

qreal TEngineBrowser::ZoomFactor() const
{
    return m_page->zoomFactor();
}

void TEngineBrowser::SetZoomFactor(qreal factor)
{
    m_page->setZoomFactor(factor);
}

void TEngineBrowser::ViewSource()
{
    m_page->triggerAction(QWebEnginePage::ViewSource);
}

void TEngineBrowser::FocusPage()
{
    setFocus(Qt::OtherFocusReason);
}

bool TEngineBrowser::PageHasFocus() const
{
    QWidget* proxy = focusProxy();
    return hasFocus() || (proxy && proxy->hasFocus());
}

void TEngineBrowser::TakeSnapshot(const QStringList& innerTextIds, SnapshotCallback callback)
{
    m_channel->takeSnapshot(innerTextIds, std::move(callback));
}

TPageChannel* TEngineBrowser::PageChannel()
{
    return m_channel;
}

void TEngineBrowser::AppendText(int elementHandle, const QString& text, std::function<void(bool changed)> done)
{
    m_channel->appendText(elementHandle, text, std::move(done));
}

void TEngineBrowser::SendTabKey(bool backwards)
{
    QWidget* target = focusProxy() ? focusProxy() : this;
    const Qt::KeyboardModifiers modifiers = backwards ? Qt::ShiftModifier : Qt::NoModifier;
    const int key = backwards ? Qt::Key_Backtab : Qt::Key_Tab;
    const QString text = backwards ? QString() : QStringLiteral("\t");
    if (backwards)
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
    if (backwards)
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier));
}

// ---- events of the page ----

bool TEngineBrowser::handleNavigationRequest(const QUrl& url, int type, bool isMainFrame)
{
    // A server's redirect continues the navigation already announced.
    if (type == QWebEnginePage::NavigationTypeRedirect)
        return true;
    const QString text = url.toString();
    if (isMainFrame && !m_selfAnnounced.isEmpty()) {
        const bool already = text == m_selfAnnounced;
        m_selfAnnounced.clear();
        if (already)
            return true;
    }
    if (isMainFrame) {
        m_frameUrls.clear();
        m_topUrl = text;
        m_topCommitted = false;
    } else {
        m_frameUrls.append(text);
    }
    if (!m_events)
        return true;
    m_events->BeforeNavigate2(text, isMainFrame);
    if (isMainFrame && m_events && !url.host().isEmpty())
        m_events->StatusTextChange(ConnectingStatusText(url.host()));
    return true;
}

void TEngineBrowser::handleUrlChanged(const QUrl& url)
{
    m_hasDocument = true;
    m_topCommitted = true;
    if (!m_events)
        return;
    m_events->NavigateComplete2(url.toString());
    reportHistoryStates();
    updateCommands();
}

void TEngineBrowser::handleLoadingChanged(const QWebEngineLoadingInfo& info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        m_loading = true;
        m_readyState = QStringLiteral("loading");
        ++m_loadSerial;
        updateCommands();
        break;
    case QWebEngineLoadingInfo::LoadSucceededStatus: {
        m_loading = false;
        m_hasDocument = true;
        if (info.isErrorPage()) {
            m_readyState = QStringLiteral("complete");
            updateCommands();
            break;
        }
        // Frames are complete with the top page: their completions come first, while the
        // top document is not yet complete, so only the top document's completion parses.
        const int serial = m_loadSerial;
        const QStringList frames = std::exchange(m_frameUrls, {});
        const QString top = std::exchange(m_topUrl, {});
        m_readyState = QStringLiteral("interactive");
        // A page loaded again at the same address (a reload, a form posted back to its own
        // address) changes no URL; its navigation completes all the same.
        if (!std::exchange(m_topCommitted, true) && m_events) {
            m_events->NavigateComplete2(LocationURL());
            if (!m_events || serial != m_loadSerial)
                return;
        }
        for (const QString& frame : frames) {
            if (!m_events || serial != m_loadSerial)
                return;
            m_events->DocumentComplete(frame);
        }
        m_readyState = QStringLiteral("complete");
        if (!m_events || serial != m_loadSerial)
            return;
        m_events->DocumentComplete(top.isEmpty() ? LocationURL() : top);
        if (!m_events || serial != m_loadSerial)
            return;
        m_events->StatusTextChange(PageDoneStatusText());
        reportHistoryStates();
        updateCommands();
        break;
    }
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        m_loading = false;
        m_readyState = QStringLiteral("complete");
        updateCommands();
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        m_loading = false;
        m_readyState = QStringLiteral("complete");
        if (m_events && info.errorCode() != kErrorAborted)
            m_events->NavigateError(info.url().toString());
        updateCommands();
        break;
    }
}

void TEngineBrowser::reportHistoryStates()
{
    if (m_events)
        m_events->CommandStateChange(CSC_NAVIGATEBACK, CanGoBack());
    if (m_events)
        m_events->CommandStateChange(CSC_NAVIGATEFORWARD, CanGoForward());
}

void TEngineBrowser::updateCommands()
{
    if (m_events)
        m_events->CommandStateChange(CSC_UPDATECOMMANDS, true);
}

void TEngineBrowser::handleDocumentEvent(const QString& json)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    TDocumentEvent event;
    if (!m_events || !documentEventKind(o.value(QStringLiteral("k")).toString(), &event.kind))
        return;
    event.document = o.value(QStringLiteral("doc")).toInt(-1);
    event.activeElement = o.value(QStringLiteral("el")).toInt(-1);
    event.selectedText = o.value(QStringLiteral("text")).toString();
    m_events->DocumentEvent(event);
    if (event.kind != TDocumentEvent::ReadyState)
        updateCommands();
}

void TEngineBrowser::handleAlert(const QString& message)
{
    const QString caption = MessageBoxCaption();
    const TMessageBoxAnswer answer = m_events ? m_events->ShowMessage(message, caption, 48) : TMessageBoxAnswer {};
    if (answer.result == 0)
        return;
    if (TPrompter* prompter = App().prompter())
        prompter->message(message, caption, TPrompter::Buttons::Ok, TPrompter::Icon::Warning);
}

bool TEngineBrowser::handleConfirm(const QString& message)
{
    const QString caption = MessageBoxCaption();
    const TMessageBoxAnswer answer = m_events ? m_events->ShowMessage(message, caption, 33) : TMessageBoxAnswer {};
    if (answer.result == 0)
        return answer.button == TPrompter::Ok;
    TPrompter* prompter = App().prompter();
    return prompter
        && prompter->message(message, caption, TPrompter::Buttons::OkCancel, TPrompter::Icon::Question) == TPrompter::Ok;
}

bool TEngineBrowser::handlePrompt(const QString& message, const QString& defaultValue, QString* result, bool* shown)
{
    Q_UNUSED(message);
    Q_UNUSED(defaultValue);
    Q_UNUSED(result);
    // Prompts are always the engine's own box. Without anyone to answer (the command line
    // tool) or without a screen to show it on (the box would wait for ever, and the page's
    // script with it) they are cancelled.
    const QString platform = QGuiApplication::platformName();
    const bool screen = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    *shown = App().prompter() != nullptr && screen;
    return false;
}

QWebEnginePage* TEngineBrowser::handleCreateWindow()
{
    if (!m_events)
        return nullptr;
    auto* other = dynamic_cast<TEngineBrowser*>(m_events->NewWindow2());
    return other ? other->m_page : nullptr;
}

void TEngineBrowser::handleDownload(QWebEngineDownloadRequest* download)
{
    if (download->isSavePageDownload()) {
        // The page's own save: its file was chosen before, so nothing is asked here.
        auto done = std::exchange(m_saveDone, nullptr);
        if (!done) {
            download->cancel();
            return;
        }
        connect(download, &QWebEngineDownloadRequest::isFinishedChanged, this, [download, done] {
            if (!download->isFinished())
                return;
            // The engine reports a save it could not write (its folder is a file, say) as
            // completed: only a file that is there counts.
            const QString file = QDir(download->downloadDirectory()).filePath(download->downloadFileName());
            if (download->state() == QWebEngineDownloadRequest::DownloadCompleted && QFileInfo(file).isFile())
                done(QString());
            else if (download->state() == QWebEngineDownloadRequest::DownloadCompleted)
                done(QStringLiteral("the page was not saved"));
            else
                done(download->interruptReasonString().isEmpty() ? QStringLiteral("the page was not saved")
                                                                 : download->interruptReasonString());
        });
        download->accept();
        return;
    }
    if (m_events)
        m_events->FileDownload(download->url().toString());
    AskWhereToSave(download);
}

void TEngineBrowser::AskWhereToSave(QWebEngineDownloadRequest* download)
{
    TPrompter* prompter = App().prompter();
    if (!prompter || download->state() != QWebEngineDownloadRequest::DownloadRequested) {
        download->cancel();
        return;
    }
    TPrompter::FileRequest request;
    request.title = QStringLiteral("名前を付けて保存");
    request.filter = QStringLiteral("すべてのファイル|*.*");
    request.directory = download->downloadDirectory();
    request.fileName = download->downloadFileName();
    const QString path = prompter->saveFile(request);
    if (path.isEmpty()) {
        download->cancel();
        return;
    }
    const QFileInfo target(path);
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    download->accept();
}

// ---- the host window's messages ----

bool TEngineBrowser::event(QEvent* event)
{
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
        watchFocusProxy();
    return QWebEngineView::event(event);
}

void TEngineBrowser::watchFocusProxy()
{
    QWidget* proxy = focusProxy();
    if (!proxy || proxy == m_filteredProxy)
        return;
    if (m_filteredProxy)
        m_filteredProxy->removeEventFilter(this);
    m_filteredProxy = proxy;
    proxy->installEventFilter(this);
}

bool TEngineBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_filteredProxy || !m_events)
        return QWebEngineView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (m_events->KeyDown(key->key(), key->modifiers()))
            return true;
        if (key->key() == Qt::Key_F5) {
            // The engine leaves F5 to its host.
            Refresh(key->modifiers().testFlag(Qt::ControlModifier));
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        m_events->PointerMoved();
        break;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            m_rightDown = true;
            m_menuPending = false;
            m_events->RightButtonDown(mouse->position().toPoint());
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            break;
        m_rightDown = false;
        const bool gesture = m_events->RightButtonUp(mouse->position().toPoint());
        const bool menu = std::exchange(m_menuPending, false);
        if (gesture)
            return true;
        if (menu) {
            QContextMenuEvent reopened(QContextMenuEvent::Mouse, mapFromGlobal(m_menuPosition), m_menuPosition);
            QWebEngineView::contextMenuEvent(&reopened);
        }
        break;
    }
    default:
        break;
    }
    return QWebEngineView::eventFilter(watched, event);
}

void TEngineBrowser::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu waits for the release: a right-button drag may be a gesture.
    if (m_rightDown) {
        m_menuPending = true;
        m_menuPosition = event->globalPos();
        return;
    }
    QWebEngineView::contextMenuEvent(event);
}

void TEngineBrowser::RenderPage(bool wholePage, const QSize& margin, TCaptureCallback done)
{
    TPageCapture::Start(this, wholePage, margin, std::move(done));
}

bool TEngineBrowser::CanSavePage() const
{
    const QUrl url = m_page->url();
    return m_hasDocument && !m_loading && url.isValid() && url.scheme() != QLatin1String("about")
        && url.scheme() != QLatin1String("data");
}

void TEngineBrowser::SavePage(const QString& path, int format, std::function<void(const QString& error)> done)
{
    if (m_saveDone) {
        done(QStringLiteral("the page is being saved already"));
        return;
    }
    if (!CanSavePage()) {
        done(QStringLiteral("the page cannot be saved"));
        return;
    }
    m_saveDone = std::move(done);
    m_page->save(path, format == 1 ? QWebEngineDownloadRequest::MimeHtmlSaveFormat
                                   : QWebEngineDownloadRequest::CompleteHtmlSaveFormat);
}

void TEngineBrowser::PrintPage(QPrinter* printer, std::function<void(bool ok)> done)
{
    if (!printer) {
        done(false);
        return;
    }
    // The engine prints one page at a time: another print while one runs fails.
    if (!m_printDone.isEmpty()) {
        done(false);
        return;
    }
    m_printDone.append(std::move(done));
    connect(this, &QWebEngineView::printFinished, this, [this](bool ok) {
        const auto callbacks = std::exchange(m_printDone, {});
        for (const auto& callback : callbacks)
            callback(ok);
    }, Qt::SingleShotConnection);
    print(printer);
}

bool TEngineBrowser::WaitForPrint(int timeoutMs)
{
    if (!Printing())
        return true;
    QEventLoop loop;
    connect(this, &QWebEngineView::printFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return !Printing();
}

void TEngineBrowser::closeEvent(QCloseEvent* event)
{
    // The engine aborts the whole program when the page is closed while it is printed: the
    // closed window only hides it then, and its owner deletes it once the print has ended.
    if (Printing()) {
        QWidget::closeEvent(event);
        return;
    }
    QWebEngineView::closeEvent(event);
}

void TEngineBrowser::HighlightMatches(const QString& text, bool matchCase, std::function<void(int matches)> done)
{
    const QWebEnginePage::FindFlags flags = matchCase ? QWebEnginePage::FindCaseSensitively : QWebEnginePage::FindFlags();
    m_page->findText(text, flags, [done](const QWebEngineFindTextResult& result) { done(result.numberOfMatches()); });
}

void TEngineBrowser::ExecEditCommand(int command)
{
    static const QWebEnginePage::WebAction actions[] = { QWebEnginePage::Cut, QWebEnginePage::Copy,
                                                         QWebEnginePage::Paste, QWebEnginePage::SelectAll };
    if (command >= 0 && command < int(std::size(actions)))
        page()->triggerAction(actions[command]);
}
