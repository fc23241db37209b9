#include "app/cli/clipage.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

QString TimeoutMessage(int ms)
{
    return QStringLiteral("the page did not load within %1 seconds").arg(ms % 1000 ? QString::number(ms / 1000.0) : QString::number(ms / 1000));
}

}

// A thread that waits for an armed deadline and, when the interface thread has not ended the
// load by then, writes the load error and ends the process with exit status 1.
class TLoadWatchdog {
public:
    TLoadWatchdog() : m_thread([this] { run(); }) {}
    ~TLoadWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    void arm(std::chrono::milliseconds after, const QByteArray& message, int exitStatus)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_exitStatus = exitStatus;
        m_deadline = std::chrono::steady_clock::now() + after;
        m_message = message;
        m_armed = true;
        m_changed.notify_all();
    }
    void disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
        m_changed.notify_all();
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (!m_armed) {
                m_changed.wait(lock);
                continue;
            }
            m_changed.wait_until(lock, m_deadline);
            if (m_armed && !m_stop && std::chrono::steady_clock::now() >= m_deadline) {
                std::fflush(stdout);
                std::fputs(m_message.constData(), stderr);
                std::fflush(stderr);
                std::_Exit(m_exitStatus);
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::chrono::steady_clock::time_point m_deadline;
    QByteArray m_message;
    int m_exitStatus = 1;
    bool m_armed = false;
    bool m_stop = false;
    std::thread m_thread;
};

TCliPage::TCliPage(TEngineProfile& profile, QObject* parent) : QObject(parent)
{
    m_browser = new TEngineBrowser(profile.profile());
    // Laid out like a tab of a usual window, so page sizes are what the application sees.
    m_browser->resize(1280, 900);
    m_browser->show();
    m_tab = new TTabWindow(m_browser, nullptr, m_browser);
    m_tab->SetTabId(1);
    m_tab->SetOwner(this);
    connect(m_tab, &TTabWindow::parseFailed, this, [this](const QString& message) { complete(message); });
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] { complete(TimeoutMessage(loadTimeoutMs())); });
}

int TCliPage::loadTimeoutMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("CALVERDINE_CLI_LOAD_TIMEOUT_MS", &ok);
    return ok && ms > 0 ? ms : kLoadTimeoutMs;
}

TCliPage::~TCliPage()
{
    m_watchdog.reset();
    m_tab->SetOwner(nullptr);
    delete m_browser;
}

void TCliPage::load(const QString& url, std::function<void(const QString& error)> done)
{
    m_url = url;
    m_done = std::move(done);
    const int timeoutMs = loadTimeoutMs();
    m_timeout.start(timeoutMs);
    // The timer above ends the load in order; the watchdog only when the interface thread
    // does not come back to run it within a grace after the time.
    if (!m_watchdog)
        m_watchdog = std::make_unique<TLoadWatchdog>();
    const int graceMs = std::min(timeoutMs, 2000);
    m_watchdog->arm(std::chrono::milliseconds(timeoutMs + graceMs),
                    QStringLiteral("load error: %1: %2\n").arg(url, TimeoutMessage(timeoutMs)).toLocal8Bit(),
                    m_timeoutExitStatus);
    m_tab->Navigate(url);
}

void TCliPage::complete(const QString& error)
{
    m_timeout.stop();
    if (m_watchdog)
        m_watchdog->disarm();
    if (std::function<void(const QString&)> done = std::exchange(m_done, nullptr))
        done(error);
}

void TCliPage::OnDocumentParsed(int)
{
    complete(QString());
}

void TCliPage::OnNavigateError(int)
{
    complete(QStringLiteral("the page could not be loaded"));
}

void TCliPage::OnClose(int)
{
    // A page that closes its own window before it was read ends the load at once.
    complete(QStringLiteral("the page closed its window"));
}

void TCliPage::OnDownload(int)
{
    complete(QStringLiteral("the address is a download, not a page"));
}
