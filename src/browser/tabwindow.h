#pragma once

#include "browser/browsercontrol.h"
#include "core/popupinfo.h"
#include "core/eventbus.h"
#include "core/tabaccess.h"

#include <QMutex>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class TCalverdineDocument;
class TPageSnapshot;
class TTabWindow;

// Commands a tab's keyboard shortcuts ask of its owner.
enum class TTabKeyCommand {
    OpenTab,      // Ctrl+N
    Find,         // Ctrl+F without Alt
    FocusFindBox, // Ctrl+E
    OpenFile,     // Ctrl + the FileOpen key
};

// The reports of a tab window to its owner, the tab controller, each with the tab ID.
class TTabWindowOwner {
public:
    virtual ~TTabWindowOwner() = default;

    virtual void OnBeforeNavigate(int tabId, const QString& url) = 0;
    virtual void OnNavigateComplete(int tabId, const QString& url) = 0;
    virtual void OnDocumentComplete(int tabId, const QString& url, const QString& title) = 0;
    virtual void OnDocumentParsed(int tabId) = 0;
    // 1 forward, 2 back, 3 busy, 11 text selected, 12 unselected, 21 text input focused,
    // 22 text input left.
    virtual void OnCommandState(int tabId, int code, bool enabled) = 0;
    virtual void OnStatusText(int tabId, const QString& text) = 0;
    virtual void OnTitleChange(int tabId) = 0;
    // Opens a tab for a window the page asked for; its control, or none.
    virtual TBrowserControl* OnNewWindow(int tabId) = 0;
    virtual void OnNavigateError(int tabId) = 0;
    virtual void OnClose(int tabId) = 0;
    virtual void OnActivate(int tabId) = 0;
    virtual void OnGesture(int tabId, int code) = 0;
    virtual void OnPopupOpen(int tabId) = 0;
    virtual void OnPopupOpened(int tabId) = 0;
    virtual void OnDownload(int tabId) = 0;
    virtual void OnKeyCommand(int tabId, TTabKeyCommand command) = 0;
    // Whether the tab is the current (front) tab.
    virtual bool IsCurrentTab(int tabId) const = 0;
};

// The window that holds a tab (a child window of the tab area). None when the tab runs
// without a window (the command line tool).
class TTabWindowFrame {
public:
    virtual ~TTabWindowFrame() = default;

    virtual void SetCaption(const QString& caption) = 0;
    // Not maximised and not minimised.
    virtual bool IsNormalState() const = 0;
    virtual void SetFrameLeft(int value) = 0;
    virtual void SetFrameTop(int value) = 0;
    virtual void SetFrameWidth(int value) = 0;
    virtual void SetFrameHeight(int value) = 0;
    // Closes the window: the frame calls the tab's FormClose and destroys itself later.
    virtual void CloseFrame() = 0;
    // No address, find or other text control outside the page has the keyboard focus.
    virtual bool MayActivateBrowser() const = 0;
};

// One tab: it turns the browser control's events into reports to its owner, decides when
// a page is complete enough to be parsed into the document model, tracks the document and
// element the user works in, handles shortcuts, gestures, script close and move requests,
// message boxes, downloads and text sending.
class TTabWindow final : public QObject, public TTabView, public TTabLock, public TBrowserControlEvents {
    Q_OBJECT
public:
    // NavigationState values.
    enum : int {
        kStateNew = 0,
        kStateNavigating = 1,
        kStateLoaded = 2,
        kStateDownload = 4,
        kStateStopped = 8,
        kStateError = 9,
    };
    static constexpr int kBackEntryLimit = 10;
    static constexpr int kForwardEntryLimit = 10;
    static constexpr int kAllEntryLimit = 100;
    static constexpr int kGestureDistance = 20;
    // Windows a page may open on its own, before it is loaded again or used.
    static constexpr int kNewWindowsPerPage = 20;
    static constexpr int kSnapshotTimeoutMs = 30000;
    // Snapshot answers from this size on are read on a worker thread (about 10,000 fields).
    static constexpr qsizetype kSnapshotAsideBytes = 1 << 20;
    // Texts of the status bar while a big page is read.
    static QString ParseProgressText(int percent);

    // The control is not owned (it lives in the window); the frame may be none.
    TTabWindow(TBrowserControl* control, TTabWindowFrame* frame, QObject* parent = nullptr);
    ~TTabWindow() override;

    void SetTabId(int tabId) { m_tabId = tabId; }
    void SetOwner(TTabWindowOwner* owner) { m_owner = owner; }
    TBrowserControl* Browser() const { return m_control; }
    void DetachFrame() { m_frame = nullptr; }

    void Navigate(const QString& url);
    // Closes the tab: its window closes (and calls FormClose); a tab without a window closes
    // and is destroyed later.
    void CloseWindow();

    // TTabView
    int TabId() const override { return m_tabId; }
    QString GetUrl() const override { return m_currentUrl; }
    QString GetRequestedUrl() const override { return m_requestedUrl; }
    QString GetTitle() const override { return m_title; }
    int NavigationState() const override { return m_navigationState; }
    bool CanGoBack() const override;
    bool CanGoForward() const override;
    bool Busy() const override;
    bool IsHtmlDocument() const override;
    bool IsReady() const override;
    int TextSize() const override;
    void SetTextSize(int size) override;
    void GoBack() override;
    void GoForward() override;
    void Travel(int steps) override;
    void StopLoading() override;
    void Reload(bool completely) override;
    void ViewSource() override;
    TCalverdineDocument* GetDocumentModel() override { return m_documentModel.get(); }
    TPopupMessageInfo* PopupInfo() override { return m_popupInfo.get(); }
    TDownloadInfo LastDownloadInfo() const override;
    QList<THistoryEntry> BackEntries() const override { return m_backEntries; }
    QList<THistoryEntry> ForwardEntries() const override { return m_forwardEntries; }
    QList<THistoryEntry> AllEntries() const override { return m_allEntries; }
    void SendTextToFocusedInput(const QString& text, int direction) override;
    void ActivateBrowser() override;
    void Capture(int area, const QSize& margin, TCaptureCallback done) override;
    void ExecEditCommand(EditCommand command) override;
    bool CanSavePage() const override;
    void SavePage(const QString& path, PageFileFormat format, std::function<void(const QString& error)> done) override;
    void PrintPage(QPrinter* printer, std::function<void(bool ok)> done) override;
    void HighlightMatches(const QString& text, bool matchCase, std::function<void(int matches)> done) override;

    // TTabLock (the bus holds it while a handler about this tab runs)
    bool tryLockTab() override { return m_tabLock.tryLock(); }
    void unlockTab() override { m_tabLock.unlock(); }
    bool isClosing() const override { return m_closing; }

    void LockTab() { m_tabLock.lock(); }
    void UnlockTab() { m_tabLock.unlock(); }
    void SetClosing(bool closing);
    bool IsClosing() const { return m_closing; }

    // The first 15 characters of the title.
    QString GetTabCaption() const { return m_title.left(15); }
    // The owner makes the tab current: the browser gets the focus when it can.
    void RequestActivate();
    TDownloadInfo NavigationInfo() const;
    bool DownloadReported() const { return m_downloadReported; }
    const QStringList& PendingUrls() const { return m_pendingUrls; }
    bool Parsed() const { return m_parsed; }
    bool EditFocus() const override { return m_editFocus; }
    bool InputFocused() const { return m_inputFocused; }
    QString SelectedText() const override { return m_selectedText; }
    int ActiveCount() const { return m_activeCount; }
    // Document handles of the last snapshot (-1 when none).
    int ClickedDocument() const { return m_clickedDocument; }
    bool DocumentClicked() const { return m_documentClicked; }
    int EventDocument() const { return m_eventDocument; }
    int ActiveElement() const { return m_activeElement; }
    // The size a script asked for, remembered also when it was not applied.
    QRect RequestedGeometry() const { return m_requestedGeometry; }

    // The window's side: it became active, it closes, keys and the pointer in the page.
    void FormActivate();
    void FormClose();
    // The host's keyboard translation: true when handled (the page does not see the key).
    bool TranslateAccelerator(int key, Qt::KeyboardModifiers modifiers);

    // The gesture of a right-button drag: 4 left, 8 right, plus 1 up, 2 down; 0 unless
    // exactly one direction moved more than 20 pixels.
    static int GestureCode(const QPoint& press, const QPoint& release);
    // The key of the open-file shortcut (with Ctrl); O unless the shortcut file says else.
    static void SetFileOpenKey(int key);

    // TBrowserControlEvents
    void BeforeNavigate2(const QString& url, bool topLevel) override;
    void NavigateComplete2(const QString& url) override;
    void DocumentComplete(const QString& url) override;
    void NavigateError(const QString& url) override;
    void CommandStateChange(int command, bool enable) override;
    void StatusTextChange(const QString& text) override;
    void TitleChange(const QString& text) override;
    TBrowserControl* NewWindow2() override;
    void FileDownload(const QString& url) override;
    void WindowSetLeft(int value) override;
    void WindowSetTop(int value) override;
    void WindowSetWidth(int value) override;
    void WindowSetHeight(int value) override;
    void WindowClosing() override;
    TMessageBoxAnswer ShowMessage(const QString& text, const QString& caption, int type) override;
    void DocumentEvent(const TDocumentEvent& event) override;
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    void PointerMoved() override;
    void RightButtonDown(const QPoint& point) override;
    bool RightButtonUp(const QPoint& point) override;

    // The tab most recently given the keyboard focus (process-wide), or none.
    static TTabWindow* LastActivated();

Q_SIGNALS:
    // The document model was rebuilt (after OnDocumentParsed was reported).
    void documentParsed();
    // A parse of the page failed; the message was logged.
    void parseFailed(const QString& message);

private:
    void ParseThePage();
    void HandleSnapshot(int serial, const TBrowserControl::SnapshotResult& result);
    // Reads a big snapshot on a worker thread, the progress in the status bar meanwhile.
    void ReadSnapshotAside(int serial, const QByteArray& json);
    void BuildModel(int serial, std::shared_ptr<TPageSnapshot> snapshot);
    // Takes the page's new model and tells the owner and the listeners.
    void AdoptModel(std::unique_ptr<TCalverdineDocument> model, bool readAside);
    void ParseFailed(const QString& message);
    void ReadTravelLog();
    void UpdateCommands();
    void ReportCommandState(int code, bool enabled);
    void HandleFocusTimer();
    void HandleSendTextTimer();
    void ReportWindowEventsWarning();

    TBrowserControl* m_control = nullptr;
    TTabWindowFrame* m_frame = nullptr;
    TTabWindowOwner* m_owner = nullptr;
    int m_tabId = 0;

    bool m_closing = false;
    bool m_closeReported = false;
    QRecursiveMutex m_tabLock;
    mutable QMutex m_downloadLock;

    QStringList m_pendingUrls;
    QString m_requestedUrl;
    QString m_currentUrl;
    QString m_title;
    int m_navigationState = kStateNew;
    bool m_canGoForward = false;
    bool m_canGoBack = false;
    bool m_busy = false;
    QString m_selectedText;
    QString m_eventSelection;
    bool m_editFocus = false;
    bool m_editFocusReported = false;
    bool m_inputFocused = false;
    bool m_activatePending = false;
    int m_activeCount = 0;
    int m_clickedDocument = -1;
    bool m_documentClicked = false;
    int m_eventDocument = -1;
    int m_activeElement = -1;
    std::unique_ptr<TCalverdineDocument> m_documentModel;
    bool m_parsed = false;
    int m_parseSerial = 0;
    int m_newWindows = 0; // windows the page asked for since it was loaded or last used
    QList<THistoryEntry> m_backEntries;
    QList<THistoryEntry> m_forwardEntries;
    QList<THistoryEntry> m_allEntries;
    TDownloadInfo m_navigationInfo;
    TDownloadInfo m_lastDownloadInfo;
    bool m_downloadReported = false;
    std::unique_ptr<TPopupMessageInfo> m_popupInfo;
    QString m_sendText;
    int m_sendDirection = 0;
    QPoint m_gesturePress;
    QRect m_requestedGeometry;

    QTimer m_focusTimer;
    QTimer m_sendTextTimer;
    QTimer m_snapshotTimer;
};
