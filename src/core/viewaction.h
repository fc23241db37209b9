#pragma once

#include "core/eventbus.h"

#include <QString>
#include <QStringList>

class QAction;
class TLayoutSettings;
class TTabView;
enum class TPanel;

// The view controller: back, forward, home, stop, reload, text size and source of the
// current tab, with their states kept from the bus events; the panel toggles; the status
// text with its logging; the popup and download lines of the console; clearing the log.
class TViewAction final : public TActionCalverdine {
    Q_OBJECT
public:
    static constexpr int kTextSizeCount = 5; // 0 smallest .. 4 largest

    explicit TViewAction(TLayoutSettings& layout, QObject* parent = nullptr);

    // The text the status bar shows (the last status text reported).
    const QString& statusText() const { return m_statusText; }
    // The last status text written to the operation log.
    const QString& lastLoggedStatusText() const { return m_lastLoggedStatusText; }

    // Empties the operation log, popup, download and script console pages.
    void clearLog();

Q_SIGNALS:
    void statusTextChanged(const QString& text);
    // The address box's list and text.
    void addressListChanged(const QStringList& addresses, const QString& currentAddress);

private:
    void handleProjectNewed(int);
    void handleProjectOpened(int);
    void handleProjectClosed(int);
    void handleTabWindowAdded(int);
    void handleTabWindowWasNothing(int);
    void handleTabWindowActivated(int);
    void handleTravelStateChanged(int);
    void handleBusyStateChanged(int);
    void handleStatusTextChanged(int);
    void handleBeforeNavigate(int);
    void handleDocumentCompleted(int);
    void handleAddressAdded(int);
    void handlePopupOpen(int tabId);
    void handleDownloadBegining(int tabId);

    void goBack();
    void goForward();
    void goHome();
    void stop();
    void reload();
    void applyTextSize();
    void viewSource();
    void showHistory();
    void togglePanel(TPanel panel);
    void syncPanelChecks();

    void logStatusText(const QString& text);
    void setNoTabState();
    void setDocumentState(TTabView* tab);
    void updateHints();

    TTabView* currentTab() const;
    TTabView* tab(int tabId) const;
    QAction* command(const char* name) const;

    TLayoutSettings& m_layout;
    QString m_statusText;
    QString m_lastLoggedStatusText;
    QAction* m_back = nullptr;
    QAction* m_forward = nullptr;
    QAction* m_home = nullptr;
    QAction* m_stop = nullptr;
    QAction* m_reload = nullptr;
    QAction* m_textSize = nullptr;
    QAction* m_source = nullptr;
    QAction* m_logClear = nullptr;
    QAction* m_showLeft = nullptr;
    QAction* m_showRight = nullptr;
    QAction* m_showConsole = nullptr;
};

// The status texts the browser shows once a page is done; written to the log once in a row.
inline QString PageDoneStatusText() { return QStringLiteral("ページが表示されました"); }
