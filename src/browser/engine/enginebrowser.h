#pragma once

#include "browser/browsercontrol.h"

#include <QPointer>
#include <QStringList>
#include <QWebEngineView>

class QContextMenuEvent;
class QWebChannel;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class TEnginePageChannel;
class TPageBridge;
class TWebPage;

// The web browser control of a tab on Qt WebEngine: a view with its page, the page-side
// event sink relayed through a web channel, and the live page channel. It raises the
// control's events in the order the tab expects (frames before the top document) and
// synthesises the status texts the engine does not give.
class TEngineBrowser final : public QWebEngineView, public TBrowserControl {
    Q_OBJECT
public:
    // Status texts the engine does not give, synthesised for the status logging rules.
    static QString PageDoneStatusText();
    static QString ConnectingStatusText(const QString& host);
    // The caption of the page's message boxes.
    static QString MessageBoxCaption();

    TEngineBrowser(QWebEngineProfile* profile, QWidget* parent = nullptr);
    ~TEngineBrowser() override;

    TWebPage* webPage() const { return m_page; }
    TEnginePageChannel* channel() const { return m_channel; }

    // TBrowserControl
    void SetEvents(TBrowserControlEvents* events) override { m_events = events; }
    void Navigate(const QString& url) override;
    void GoBack() override;
    void GoForward() override;
    void Travel(int steps) override;
    void Stop() override;
    void Refresh(bool completely) override;
    QString LocationURL() const override;
    QString Title() const override;
    bool Busy() const override { return m_loading; }
    bool HasDocument() const override { return m_hasDocument; }
    bool IsHtmlDocument() const override;
    QString ReadyState() const override { return m_readyState; }
    bool CanGoBack() const override;
    bool CanGoForward() const override;
    QList<THistoryEntry> BackEntries(int limit) const override;
    QList<THistoryEntry> ForwardEntries(int limit) const override;
    QList<THistoryEntry> AllEntries(int allLimit) const override;
    qreal ZoomFactor() const override;
    void SetZoomFactor(qreal factor) override;
    void ViewSource() override;
    void FocusPage() override;
    bool PageHasFocus() const override;
    void TakeSnapshot(const QStringList& innerTextIds, SnapshotCallback callback) override;
    TPageChannel* PageChannel() override;
    void AppendText(int elementHandle, const QString& text, std::function<void(bool changed)> done) override;
    void SendTabKey(bool backwards) override;
    void ExecEditCommand(int command) override;
    void RenderPage(bool wholePage, const QSize& margin, TCaptureCallback done) override;
    bool CanSavePage() const override;
    void SavePage(const QString& path, int format, std::function<void(const QString& error)> done) override;
    void PrintPage(QPrinter* printer, std::function<void(bool ok)> done) override;
    bool Printing() const { return !m_printDone.isEmpty(); }
    // Runs the event loop until the running print has ended (true) or the time is up.
    bool WaitForPrint(int timeoutMs);
    void HighlightMatches(const QString& text, bool matchCase, std::function<void(int matches)> done) override;

    // From the page.
    bool handleNavigationRequest(const QUrl& url, int type, bool isMainFrame);
    void handleAlert(const QString& message);
    bool handleConfirm(const QString& message);
    bool handlePrompt(const QString& message, const QString& defaultValue, QString* result, bool* shown);
    QWebEnginePage* handleCreateWindow();
    // From the profile: a download of this page. Asks where to save it.
    void handleDownload(QWebEngineDownloadRequest* download);
    // The save dialog of a download: accepted into the chosen file, or cancelled. Decided
    // inside the call, as the engine requires.
    static void AskWhereToSave(QWebEngineDownloadRequest* download);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void handleLoadingChanged(const QWebEngineLoadingInfo& info);
    void handleUrlChanged(const QUrl& url);
    void handleDocumentEvent(const QString& json);
    void reportHistoryStates();
    void updateCommands();
    void watchFocusProxy();

    TBrowserControlEvents* m_events = nullptr;
    TWebPage* m_page = nullptr;
    QWebChannel* m_webChannel = nullptr;
    TPageBridge* m_bridge = nullptr;
    TEnginePageChannel* m_channel = nullptr;

    bool m_loading = false;
    bool m_hasDocument = false;
    QString m_readyState = QStringLiteral("uninitialized");
    QString m_topUrl;        // the address the top document's navigation was announced with
    bool m_topCommitted = true; // the top navigation reported its address (urlChanged)
    QString m_selfAnnounced; // an address announced by Navigate itself, not again by the engine
    QStringList m_frameUrls; // frame navigations of the current page, in order
    int m_loadSerial = 0;

    // The save of the page waiting for the engine's download of it.
    std::function<void(const QString& error)> m_saveDone;
    // Printing in progress: its end goes to these callbacks.
    QList<std::function<void(bool ok)>> m_printDone;

    QPointer<QWidget> m_filteredProxy;
    bool m_rightDown = false;
    bool m_menuPending = false;
    QPoint m_menuPosition;
};
