#pragma once

#include "browser/tabwindow.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class TEngineBrowser;
class TEngineProfile;
class TLoadWatchdog;

// One page loaded headless in the real engine and parsed as a tab of the application
// parses it, for the subcommands of calverdine-cli.
class TCliPage final : public QObject, private TTabWindowOwner {
    Q_OBJECT
public:
    static constexpr int kLoadTimeoutMs = 60000;
    // The time a load may take: kLoadTimeoutMs, or the milliseconds of the environment
    // variable CALVERDINE_CLI_LOAD_TIMEOUT_MS when it holds a positive number.
    static int loadTimeoutMs();

    explicit TCliPage(TEngineProfile& profile, QObject* parent = nullptr);
    ~TCliPage() override;

    // Loads the address; `done` is called once, later, with an empty text when the page's
    // document model is ready, or with the reason of the failure.
    void load(const QString& url, std::function<void(const QString& error)> done);
    // The exit status of the command when the interface thread is held past the load time
    // and the command is ended from outside it (1 unless set).
    void setTimeoutExitStatus(int status) { m_timeoutExitStatus = status; }

    TTabWindow& tab() const { return *m_tab; }
    TEngineBrowser* browser() const { return m_browser; }
    // The model of the loaded page (none before a successful load).
    TCalverdineDocument* model() const { return m_tab->GetDocumentModel(); }

private:
    void complete(const QString& error);

    // TTabWindowOwner: the reports that tell how the load ends.
    void OnBeforeNavigate(int, const QString&) override {}
    void OnNavigateComplete(int, const QString&) override {}
    void OnDocumentComplete(int, const QString&, const QString&) override {}
    void OnDocumentParsed(int) override;
    void OnCommandState(int, int, bool) override {}
    void OnStatusText(int, const QString&) override {}
    void OnTitleChange(int) override {}
    TBrowserControl* OnNewWindow(int) override { return nullptr; }
    void OnNavigateError(int) override;
    void OnClose(int) override;
    void OnActivate(int) override {}
    void OnGesture(int, int) override {}
    void OnPopupOpen(int) override {}
    void OnPopupOpened(int) override {}
    void OnDownload(int) override;
    void OnKeyCommand(int, TTabKeyCommand) override {}
    bool IsCurrentTab(int) const override { return true; }

    TEngineBrowser* m_browser = nullptr;
    TTabWindow* m_tab = nullptr;
    QString m_url;
    std::function<void(const QString&)> m_done;
    QTimer m_timeout;
    int m_timeoutExitStatus = 1;
    // Ends the command when the interface thread is held past the time (a parse of a huge
    // page) and the timer above cannot fire.
    std::unique_ptr<TLoadWatchdog> m_watchdog;
};
