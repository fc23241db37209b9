#include "browser/tabwindow.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/log.h"
#include "document/calverdinedocument.h"
#include "document/localhost.h"
#include "document/pagesnapshot.h"
#include "document/screenidparser.h"
#include "core/projectdocument.h"
#include "core/viewaction.h"

#include <QFutureWatcher>
#include <QMutexLocker>
#include <QPromise>
#include <QThreadPool>

#include <array>
#include <cmath>

namespace {

QPointer<TTabWindow>& lastActivatedTab()
{
    static QPointer<TTabWindow> s_lastActivated;
    return s_lastActivated;
}

int& fileOpenKey()
{
    static int s_fileOpenKey = Qt::Key_O;
    return s_fileOpenKey;
}

// Text sizes from smallest to largest, as zoom factors of the engine.
constexpr std::array<qreal, 5> kTextSizeZoom { 0.75, 0.9, 1.0, 1.2, 1.5 };

// The project's ViewAlert; a box is shown when there is no project or the value is unreadable.
int ViewAlertSetting()
{
    TXMLProjectType* project = App().currentProject();
    if (!project)
        return 1;
    try {
        return project->ViewAlert();
    } catch (...) {
        return 1;
    }
}

}

TTabWindow::TTabWindow(TBrowserControl* control, TTabWindowFrame* frame, QObject* parent)
    : QObject(parent), m_control(control), m_frame(frame)
{
    m_focusTimer.setInterval(100);
    connect(&m_focusTimer, &QTimer::timeout, this, &TTabWindow::HandleFocusTimer);
    m_sendTextTimer.setSingleShot(true);
    m_sendTextTimer.setInterval(10);
    connect(&m_sendTextTimer, &QTimer::timeout, this, &TTabWindow::HandleSendTextTimer);
    m_snapshotTimer.setSingleShot(true);
    connect(&m_snapshotTimer, &QTimer::timeout, this, [this] {
        ParseFailed(QStringLiteral("the page did not answer the snapshot within %1 seconds").arg(kSnapshotTimeoutMs / 1000));
    });
    if (m_control)
        m_control->SetEvents(this);
}

TTabWindow::~TTabWindow()
{
    if (m_control)
        m_control->SetEvents(nullptr);
    // The channel goes with the control; writes to a model that outlives it stay in memory.
    if (m_documentModel && m_documentModel->Snapshot())
        m_documentModel->Snapshot()->setChannel(nullptr);
}

TTabWindow* TTabWindow::LastActivated()
{
    return lastActivatedTab().data();
}

void TTabWindow::SetFileOpenKey(int key)
{
    // Letters and digits have the same codes as the stored virtual key codes.
    fileOpenKey() = key;
}

void TTabWindow::Navigate(const QString& url)
{
    if (m_control && !m_closing)
        m_control->Navigate(url);
}

void TTabWindow::CloseWindow()
{
    if (m_closeReported)
        return;
    if (m_frame) {
        m_frame->CloseFrame();
        return;
    }
    FormClose();
    deleteLater();
}

void TTabWindow::SetClosing(bool closing)
{
    QMutexLocker lock(&m_tabLock);
    m_closing = closing;
}

// ---- TTabView ----

bool TTabWindow::CanGoBack() const
{
    return m_canGoBack;
}

bool TTabWindow::CanGoForward() const
{
    return m_canGoForward;
}

bool TTabWindow::Busy() const
{
    return m_busy;
}

bool TTabWindow::IsHtmlDocument() const
{
    return m_control && m_control->HasDocument() && m_control->IsHtmlDocument();
}

bool TTabWindow::IsReady() const
{
    return m_parsed && m_navigationState >= kStateLoaded && m_navigationState <= 7;
}

int TTabWindow::TextSize() const
{
    if (!m_control)
        return 2;
    const qreal zoom = m_control->ZoomFactor();
    int best = 0;
    for (int i = 1; i < int(kTextSizeZoom.size()); ++i) {
        if (std::abs(kTextSizeZoom[size_t(i)] - zoom) < std::abs(kTextSizeZoom[size_t(best)] - zoom))
            best = i;
    }
    return best;
}

void TTabWindow::SetTextSize(int size)
{
    if (m_control && size >= 0 && size < int(kTextSizeZoom.size()))
        m_control->SetZoomFactor(kTextSizeZoom[size_t(size)]);
}

void TTabWindow::GoBack()
{
    if (m_control && !m_closing)
        m_control->GoBack();
}

void TTabWindow::GoForward()
{
    if (m_control && !m_closing)
        m_control->GoForward();
}

void TTabWindow::Travel(int steps)
{
    if (m_control && !m_closing)
        m_control->Travel(steps);
}

void TTabWindow::StopLoading()
{
    if (m_control)
        m_control->Stop();
    m_pendingUrls.clear();
    if (m_navigationState == kStateNavigating || m_navigationState == kStateDownload)
        m_navigationState = kStateStopped;
}

void TTabWindow::Reload(bool completely)
{
    if (!IsHtmlDocument() || m_closing)
        return;
    m_navigationState = kStateNavigating;
    m_busy = true;
    ReportCommandState(3, true);
    m_pendingUrls.clear();
    m_control->Refresh(completely);
}

void TTabWindow::ViewSource()
{
    if (m_control && !m_closing)
        m_control->ViewSource();
}

TDownloadInfo TTabWindow::LastDownloadInfo() const
{
    QMutexLocker lock(&m_downloadLock);
    return m_lastDownloadInfo;
}

TDownloadInfo TTabWindow::NavigationInfo() const
{
    QMutexLocker lock(&m_downloadLock);
    return m_navigationInfo;
}

void TTabWindow::SendTextToFocusedInput(const QString& text, int direction)
{
    m_sendText = text;
    m_sendDirection = direction;
    m_sendTextTimer.start();
}

void TTabWindow::HandleSendTextTimer()
{
    m_sendTextTimer.stop();
    if (!m_control || m_closing || m_activeElement < 0)
        return;
    QPointer<TTabWindow> self(this);
    const int direction = m_sendDirection;
    m_control->AppendText(m_activeElement, m_sendText, [self, direction](bool changed) {
        if (!self || !changed || self->m_closing || !self->m_control)
            return;
        if (direction == -1)
            self->m_control->SendTabKey(true);
        else if (direction == 1)
            self->m_control->SendTabKey(false);
    });
}

void TTabWindow::Capture(int area, const QSize& margin, TCaptureCallback done)
{
    if (area != 1 && area != 2)
        return;
    if (!m_control || m_closing) {
        done({ QImage(), QString(), QStringLiteral("the tab is closing") });
        return;
    }
    m_control->RenderPage(area == 2, area == 2 ? margin : QSize(), std::move(done));
}

void TTabWindow::ExecEditCommand(EditCommand command)
{
    if (m_control && !m_closing)
        m_control->ExecEditCommand(int(command));
}

bool TTabWindow::CanSavePage() const
{
    return m_control && !m_closing && m_control->CanSavePage();
}

void TTabWindow::SavePage(const QString& path, PageFileFormat format, std::function<void(const QString& error)> done)
{
    if (!m_control || m_closing) {
        done(QStringLiteral("the tab is closing"));
        return;
    }
    m_control->SavePage(path, format == PageFileFormat::SingleFile ? 1 : 0, std::move(done));
}

void TTabWindow::PrintPage(QPrinter* printer, std::function<void(bool ok)> done)
{
    if (!m_control || m_closing || !printer) {
        done(false);
        return;
    }
    m_control->PrintPage(printer, std::move(done));
}

void TTabWindow::HighlightMatches(const QString& text, bool matchCase, std::function<void(int matches)> done)
{
    if (!m_control || m_closing) {
        done(0);
        return;
    }
    m_control->HighlightMatches(text, matchCase, std::move(done));
}

void TTabWindow::ActivateBrowser()
{
    if (!m_control || m_closing)
        return;
    m_control->FocusPage();
    m_focusTimer.stop();
    m_activatePending = false;
    lastActivatedTab() = this;
}

void TTabWindow::RequestActivate()
{
    m_activatePending = true;
    m_focusTimer.start();
}

void TTabWindow::HandleFocusTimer()
{
    // Once the page holds the focus by itself there is nothing left to give it.
    if (!m_activatePending || m_inputFocused || m_closing) {
        m_focusTimer.stop();
        m_activatePending = false;
        return;
    }
    ActivateBrowser();
}

// ---- The window's side ----

void TTabWindow::FormActivate()
{
    if (m_activeCount > 0 && !m_closing && m_owner)
        m_owner->OnActivate(m_tabId);
    m_activeCount = m_activeCount >= 10000 ? 1 : m_activeCount + 1;
}

void TTabWindow::FormClose()
{
    SetClosing(true);
    if (m_closeReported)
        return;
    m_closeReported = true;
    m_focusTimer.stop();
    m_sendTextTimer.stop();
    m_snapshotTimer.stop();
    ++m_parseSerial; // a snapshot still on its way is dropped
    if (lastActivatedTab() == this)
        lastActivatedTab() = nullptr;
    if (m_owner)
        m_owner->OnClose(m_tabId);
}

void TTabWindow::ReportWindowEventsWarning()
{
    LogWarn(QStringLiteral("WindowEvents warning:") + CurrentExceptionMessage());
}

bool TTabWindow::KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (m_closing)
        return true;
    m_newWindows = 0;
    try {
        if (key == Qt::Key_Escape)
            StopLoading();
    } catch (...) {
        ReportWindowEventsWarning();
    }
    return TranslateAccelerator(key, modifiers);
}

bool TTabWindow::TranslateAccelerator(int key, Qt::KeyboardModifiers modifiers)
{
    try {
        const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
        const bool alt = modifiers.testFlag(Qt::AltModifier);
        if (key == Qt::Key_F5) {
            m_navigationState = kStateNavigating;
            return false;
        }
        if (!ctrl || !m_owner)
            return false;
        TTabKeyCommand command;
        if (key == Qt::Key_N)
            command = TTabKeyCommand::OpenTab;
        else if (key == Qt::Key_F && !alt)
            command = TTabKeyCommand::Find;
        else if (key == Qt::Key_E)
            command = TTabKeyCommand::FocusFindBox;
        else if (key == fileOpenKey())
            command = TTabKeyCommand::OpenFile;
        else
            return false;
        m_owner->OnKeyCommand(m_tabId, command);
        return true;
    } catch (...) {
        LogWarn(QStringLiteral("Translate warning:") + CurrentExceptionMessage());
        return false;
    }
}

void TTabWindow::PointerMoved()
{
    if (m_closing || !m_owner)
        return;
    try {
        if (m_owner->IsCurrentTab(m_tabId) && LastActivated() != this && (!m_frame || m_frame->MayActivateBrowser()))
            ActivateBrowser();
    } catch (...) {
        ReportWindowEventsWarning();
    }
}

void TTabWindow::RightButtonDown(const QPoint& point)
{
    m_gesturePress = point;
}

bool TTabWindow::RightButtonUp(const QPoint& point)
{
    if (m_closing)
        return true;
    try {
        const int code = GestureCode(m_gesturePress, point);
        if (code == 0)
            return false;
        if (m_owner)
            m_owner->OnGesture(m_tabId, code);
        return true;
    } catch (...) {
        ReportWindowEventsWarning();
        return false;
    }
}

int TTabWindow::GestureCode(const QPoint& press, const QPoint& release)
{
    const int dx = press.x() - release.x();
    const int dy = press.y() - release.y();
    const int horizontal = dx > kGestureDistance ? 4 : (dx < -kGestureDistance ? 8 : 0);
    const int vertical = dy > kGestureDistance ? 1 : (dy < -kGestureDistance ? 2 : 0);
    if ((horizontal != 0) == (vertical != 0))
        return 0;
    return horizontal + vertical;
}

// ---- Browser control events ----

void TTabWindow::BeforeNavigate2(const QString& url, bool topLevel)
{
    if (m_closing)
        return;
    m_pendingUrls.append(url);
    m_clickedDocument = -1;
    m_documentClicked = false;
    if (url.toUpper().contains(QLatin1String("JAVASCRIPT:")))
        return;
    if (!url.startsWith(QLatin1String("res://")))
        m_navigationState = kStateNavigating;
    m_busy = false;
    {
        QMutexLocker lock(&m_downloadLock);
        m_lastDownloadInfo = TDownloadInfo();
        m_navigationInfo = TDownloadInfo { url, {} };
        m_downloadReported = false;
    }
    if (topLevel) {
        // The page is going away: a snapshot still on its way would describe the old one.
        ++m_parseSerial;
        m_newWindows = 0;
        m_snapshotTimer.stop();
    }
    m_requestedUrl = url;
    if (m_owner)
        m_owner->OnBeforeNavigate(m_tabId, url);
}

void TTabWindow::NavigateComplete2(const QString& url)
{
    if (m_closing)
        return;
    m_currentUrl = url;
    ReadTravelLog();
    if (m_owner)
        m_owner->OnNavigateComplete(m_tabId, url);
}

void TTabWindow::ReadTravelLog()
{
    if (!m_control)
        return;
    m_backEntries = m_control->BackEntries(kBackEntryLimit);
    m_forwardEntries = m_control->ForwardEntries(kForwardEntryLimit);
    m_allEntries = m_control->AllEntries(kAllEntryLimit);
}

void TTabWindow::DocumentComplete(const QString& url)
{
    if (m_closing || !m_control || !m_control->HasDocument())
        return;
    if (!m_control->IsHtmlDocument()) {
        m_busy = false;
        ReportCommandState(3, false);
        ParseThePage();
        return;
    }
    m_pendingUrls.removeOne(url);
    if (m_pendingUrls.isEmpty()) {
        m_busy = false;
        ReportCommandState(3, false);
    }
    if (m_control->ReadyState() == QLatin1String("complete") || m_pendingUrls.isEmpty())
        ParseThePage();
}

void TTabWindow::ParseThePage()
{
    if (m_closing)
        return;
    m_parsed = false;
    if (m_navigationState < kStateStopped)
        m_navigationState = kStateLoaded;
    m_eventDocument = -1;
    m_activeElement = -1;
    if (m_documentModel && m_documentModel->Snapshot())
        m_documentModel->Snapshot()->setChannel(nullptr);
    m_documentModel.reset();
    m_currentUrl = m_control->LocationURL();
    const int serial = ++m_parseSerial;
    if (m_owner) {
        const QString title = m_control->IsHtmlDocument() ? m_control->Title() : m_currentUrl;
        QPointer<TTabWindow> self(this);
        m_owner->OnDocumentComplete(m_tabId, m_currentUrl, title);
        // A handler may have closed the tab or started the next page.
        if (!self || m_closing || serial != m_parseSerial)
            return;
    }
    m_snapshotTimer.start(kSnapshotTimeoutMs);
    QPointer<TTabWindow> self(this);
    m_control->TakeSnapshot(SnapshotInnerTextIds(), [self, serial](const TBrowserControl::SnapshotResult& result) {
        if (self)
            self->HandleSnapshot(serial, result);
    });
}

void TTabWindow::HandleSnapshot(int serial, const TBrowserControl::SnapshotResult& result)
{
    if (serial != m_parseSerial || m_closing)
        return;
    m_snapshotTimer.stop();
    std::unique_ptr<TCalverdineDocument> model;
    try {
        if (!result.error.isEmpty())
            throw TError(result.error);
        std::shared_ptr<TPageSnapshot> snapshot;
        if (result.html && result.json.size() >= kSnapshotAsideBytes) {
            ReadSnapshotAside(serial, result.json);
            return;
        }
        if (result.html)
            snapshot = TPageSnapshot::fromJson(result.json, m_control->PageChannel());
        model = ParsePage(m_currentUrl, std::move(snapshot));
    } catch (...) {
        ParseFailed(CurrentExceptionMessage());
        return;
    }
    AdoptModel(std::move(model), false);
}

QString TTabWindow::ParseProgressText(int percent)
{
    return QStringLiteral("ページを解析しています (%1%)").arg(percent);
}

namespace {

struct TSnapshotRead {
    std::shared_ptr<TPageSnapshot> snapshot;
    QString error;
};

}

void TTabWindow::ReadSnapshotAside(int serial, const QByteArray& json)
{
    // The snapshot is plain data (no object with a thread of its own): made on the worker,
    // it is handed to this thread whole, and only here gets the page channel.
    auto promise = std::make_shared<QPromise<TSnapshotRead>>();
    auto* watcher = new QFutureWatcher<TSnapshotRead>(this);
    QPointer<TTabWindow> self(this);
    connect(watcher, &QFutureWatcher<TSnapshotRead>::progressValueChanged, this, [self, serial](int percent) {
        if (self && serial == self->m_parseSerial && !self->m_closing && self->m_owner)
            self->m_owner->OnStatusText(self->m_tabId, ParseProgressText(percent));
    });
    connect(watcher, &QFutureWatcher<TSnapshotRead>::finished, this, [self, watcher, serial] {
        watcher->deleteLater();
        if (!self || serial != self->m_parseSerial || self->m_closing || watcher->future().resultCount() == 0)
            return;
        const TSnapshotRead read = watcher->future().result();
        if (!read.error.isEmpty()) {
            self->ParseFailed(read.error);
            return;
        }
        if (self->m_owner)
            self->m_owner->OnStatusText(self->m_tabId, ParseProgressText(100));
        self->BuildModel(serial, read.snapshot);
    });
    watcher->setFuture(promise->future());
    promise->start();
    promise->setProgressRange(0, 100);
    if (m_owner)
        m_owner->OnStatusText(m_tabId, ParseProgressText(0));
    QThreadPool::globalInstance()->start([promise, json] {
        TSnapshotRead read;
        int shown = 0;
        try {
            read.snapshot = TPageSnapshot::fromJson(json, nullptr, [&](int percent) {
                // Every tenth is enough for the status bar (and its log).
                if (percent / 10 > shown / 10) {
                    shown = percent;
                    promise->setProgressValue(percent / 10 * 10);
                }
            });
        } catch (...) {
            read.error = CurrentExceptionMessage();
        }
        promise->addResult(read);
        promise->finish();
    });
}

void TTabWindow::BuildModel(int serial, std::shared_ptr<TPageSnapshot> snapshot)
{
    if (serial != m_parseSerial || m_closing)
        return;
    std::unique_ptr<TCalverdineDocument> model;
    try {
        snapshot->setChannel(m_control->PageChannel());
        model = ParsePage(m_currentUrl, std::move(snapshot));
    } catch (...) {
        ParseFailed(CurrentExceptionMessage());
        return;
    }
    AdoptModel(std::move(model), true);
}

void TTabWindow::AdoptModel(std::unique_ptr<TCalverdineDocument> model, bool readAside)
{
    m_documentModel = std::move(model);
    m_parsed = true;
    QPointer<TTabWindow> self(this);
    // A page read aside showed its progress: the status bar goes back to the usual text.
    if (readAside && m_owner)
        m_owner->OnStatusText(m_tabId, PageDoneStatusText());
    if (self && m_owner)
        m_owner->OnDocumentParsed(m_tabId);
    if (self)
        Q_EMIT documentParsed();
}

void TTabWindow::ParseFailed(const QString& message)
{
    ++m_parseSerial;
    m_snapshotTimer.stop();
    const QString text = QStringLiteral("document parse error: ") + m_currentUrl + QStringLiteral(" -> ") + message;
    QPointer<TTabWindow> self(this);
    LogError(text);
    if (self)
        Q_EMIT parseFailed(text);
}

void TTabWindow::NavigateError(const QString& url)
{
    if (m_closing)
        return;
    // A failed address never completes: left pending it would hold up the busy report of
    // every later page.
    m_pendingUrls.removeOne(url);
    m_navigationState = kStateError;
    // The tab now shows the engine's error page: the model of the page left behind must not
    // be what the commands act on.
    ++m_parseSerial;
    m_snapshotTimer.stop();
    m_parsed = false;
    m_eventDocument = -1;
    m_activeElement = -1;
    if (m_documentModel && m_documentModel->Snapshot())
        m_documentModel->Snapshot()->setChannel(nullptr);
    m_documentModel.reset();
    if (m_owner)
        m_owner->OnNavigateError(m_tabId);
}

void TTabWindow::ReportCommandState(int code, bool enabled)
{
    if (m_owner && !m_closing)
        m_owner->OnCommandState(m_tabId, code, enabled);
}

void TTabWindow::CommandStateChange(int command, bool enable)
{
    if (m_closing)
        return;
    switch (command) {
    case CSC_NAVIGATEFORWARD:
        if (enable != m_canGoForward) {
            m_canGoForward = enable;
            ReportCommandState(1, enable);
        }
        break;
    case CSC_NAVIGATEBACK:
        if (enable != m_canGoBack) {
            m_canGoBack = enable;
            ReportCommandState(2, enable);
        }
        break;
    case CSC_UPDATECOMMANDS:
        if (m_control && m_control->HasDocument())
            UpdateCommands();
        break;
    default:
        break;
    }
}

void TTabWindow::UpdateCommands()
{
    const bool busy = m_control->Busy() || m_control->ReadyState() != QLatin1String("complete");
    if (busy != m_busy) {
        m_busy = busy;
        ReportCommandState(3, busy);
    }
    if (IsReady() && m_eventDocument >= 0) {
        const QString text = m_eventSelection;
        if (m_selectedText.isEmpty() && !text.isEmpty())
            ReportCommandState(11, true);
        else if (!m_selectedText.isEmpty() && text.isEmpty())
            ReportCommandState(12, true);
        m_selectedText = text;
    }
    if (m_editFocus != m_editFocusReported) {
        ReportCommandState(m_editFocus ? 21 : 22, true);
        m_editFocusReported = m_editFocus;
    }
}

void TTabWindow::StatusTextChange(const QString& text)
{
    if (m_closing)
        return;
    if (m_owner)
        m_owner->OnStatusText(m_tabId, text);
    try {
        // Skipped while the records are being reported (a handler may set a status text).
        if (m_downloadLock.tryLock()) {
            struct Unlock {
                QMutex& mutex;
                ~Unlock() { mutex.unlock(); }
            } unlock { m_downloadLock };
            if (text.contains(QStringLiteral("サイト ")) && !m_navigationInfo.Lines.contains(text))
                m_navigationInfo.Lines.append(text);
        }
    } catch (...) {
        LogWarn(QStringLiteral("Download warning:") + CurrentExceptionMessage());
    }
}

void TTabWindow::TitleChange(const QString& text)
{
    if (m_closing)
        return;
    if (m_frame)
        m_frame->SetCaption(text);
    m_title = text;
    if (m_owner)
        m_owner->OnTitleChange(m_tabId);
}

TBrowserControl* TTabWindow::NewWindow2()
{
    if (m_closing || !m_owner)
        return nullptr;
    // A page that opens window after window on its own (a script in a loop) would fill the
    // tool with tabs until it stops answering: past a number no test page needs, its further
    // windows are refused until it is loaded again or the user presses a key or a button in
    // it, and the user is told once.
    if (m_newWindows >= kNewWindowsPerPage) {
        if (m_newWindows++ == kNewWindowsPerPage) {
            // Told after the engine's request has been answered, not inside it.
            const QString message = QStringLiteral("new window refused: the page has opened %1 windows on its own")
                                        .arg(kNewWindowsPerPage);
            QMetaObject::invokeMethod(this, [message] { LogError(message); }, Qt::QueuedConnection);
        }
        return nullptr;
    }
    ++m_newWindows;
    return m_owner->OnNewWindow(m_tabId);
}

void TTabWindow::FileDownload(const QString& url)
{
    if (m_closing)
        return;
    QMutexLocker lock(&m_downloadLock);
    // A link with the download attribute, or a script, downloads from a shown page without a
    // navigation of its own: its record names the file, never the page.
    const bool ofNavigation
        = url.isEmpty() || url == m_navigationInfo.Url || m_navigationState == kStateNavigating;
    const TDownloadInfo info = ofNavigation ? m_navigationInfo : TDownloadInfo { url, {} };
    if (info == m_lastDownloadInfo || (ofNavigation && m_downloadReported))
        return;
    // The owner's handlers read the records through LastDownloadInfo(), which takes the lock.
    m_lastDownloadInfo = info;
    if (ofNavigation)
        m_downloadReported = true;
    if (m_navigationState != kStateError)
        m_navigationState = kStateDownload;
    lock.unlock();
    if (m_owner)
        m_owner->OnDownload(m_tabId);
}

void TTabWindow::WindowSetLeft(int value)
{
    m_requestedGeometry.moveLeft(value);
    if (m_frame && !m_closing && m_frame->IsNormalState())
        m_frame->SetFrameLeft(value);
}

void TTabWindow::WindowSetTop(int value)
{
    m_requestedGeometry.moveTop(value);
    if (m_frame && !m_closing && m_frame->IsNormalState())
        m_frame->SetFrameTop(value);
}

void TTabWindow::WindowSetWidth(int value)
{
    m_requestedGeometry.setWidth(value);
    if (m_frame && !m_closing && m_frame->IsNormalState())
        m_frame->SetFrameWidth(value);
}

void TTabWindow::WindowSetHeight(int value)
{
    m_requestedGeometry.setHeight(value);
    if (m_frame && !m_closing && m_frame->IsNormalState())
        m_frame->SetFrameHeight(value);
}

void TTabWindow::WindowClosing()
{
    if (m_closeReported)
        return;
    SetClosing(true);
    if (m_frame)
        m_frame->CloseFrame();
    else
        FormClose();
}

TMessageBoxAnswer TTabWindow::ShowMessage(const QString& text, const QString& caption, int type)
{
    // A closing tab answers Cancel without a box: nobody is there to read it.
    if (m_closing)
        return TMessageBoxAnswer { 0, 2 };
    m_popupInfo = std::make_unique<TPopupMessageInfo>();
    m_popupInfo->Text = text;
    m_popupInfo->Caption = caption;
    m_popupInfo->MessageType = type;
    m_popupInfo->AnswerResult = -1;
    m_popupInfo->AnswerButton = -1;

    QPointer<TTabWindow> self(this);
    if (m_owner)
        m_owner->OnPopupOpen(m_tabId);
    if (!self)
        return TMessageBoxAnswer { 0, 2 };

    int result = 1;
    int button = -1;
    const TPopupMessageInfo& info = *m_popupInfo;
    const bool local = IsLocalURL(m_currentUrl);
    if (type == TPopupMessageInfo::kAlert && local) {
        result = ViewAlertSetting();
        if (info.AnswerResult != -1)
            result = info.AnswerResult;
    } else if (type == TPopupMessageInfo::kConfirm && local) {
        if (info.AnswerResult != -1 && info.AnswerButton != -1) {
            result = info.AnswerResult;
            button = info.AnswerButton;
        }
    }
    m_popupInfo->Result = result;
    m_popupInfo->ResultButton = button;
    if (m_owner)
        m_owner->OnPopupOpened(m_tabId);
    return TMessageBoxAnswer { result, button };
}

void TTabWindow::DocumentEvent(const TDocumentEvent& event)
{
    if (m_closing)
        return;
    switch (event.kind) {
    case TDocumentEvent::MouseDown:
        m_newWindows = 0;
        m_clickedDocument = event.document;
        m_documentClicked = true;
        break;
    case TDocumentEvent::ReadyState:
        if (m_control && m_control->ReadyState() == QLatin1String("complete")) {
            m_pendingUrls.clear();
            ParseThePage();
            m_eventDocument = event.document;
        }
        break;
    case TDocumentEvent::BeforeEditFocus:
        m_editFocus = true;
        m_eventDocument = event.document;
        m_activeElement = event.activeElement;
        break;
    case TDocumentEvent::FocusIn:
        m_eventDocument = event.document;
        m_activeElement = event.activeElement;
        m_inputFocused = true;
        break;
    case TDocumentEvent::FocusOut:
        m_eventDocument = event.document;
        m_inputFocused = false;
        if (lastActivatedTab() == this)
            lastActivatedTab() = nullptr;
        break;
    case TDocumentEvent::EditBlur:
        m_editFocus = false;
        break;
    case TDocumentEvent::SelectionChange:
        m_eventDocument = event.document;
        m_activeElement = event.activeElement;
        m_eventSelection = event.selectedText;
        break;
    case TDocumentEvent::Activate:
        m_clickedDocument = event.document;
        break;
    case TDocumentEvent::Deactivate:
        m_editFocus = false;
        m_eventDocument = event.document;
        m_clickedDocument = -1;
        break;
    }
}
