#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>

TEngineTab::TEngineTab(TEngineProfile& profile, int tabId, TRecordingTabOwner* owner)
{
    if (!owner) {
        m_ownOwner = std::make_unique<TRecordingTabOwner>();
        owner = m_ownOwner.get();
    }
    m_owner = owner;
    m_browser = new TEngineBrowser(profile.profile());
    m_browser->resize(1024, 768);
    m_browser->show();
    m_tab = new TTabWindow(m_browser, nullptr, m_browser);
    m_tab->SetTabId(tabId);
    m_tab->SetOwner(m_owner);
    QObject::connect(m_tab, &TTabWindow::documentParsed, m_tab, [this] { ++m_parses; });
    QObject::connect(m_tab, &TTabWindow::parseFailed, m_tab, [this](const QString& message) {
        m_failures.append(message);
    });
}

TEngineTab::~TEngineTab()
{
    delete m_browser;
    ProcessDeferredDeletes();
}

bool TEngineTab::load(const QString& url, int timeoutMs)
{
    const int before = m_parses;
    const int failuresBefore = int(m_failures.size());
    m_tab->Navigate(url);
    return WaitUntil([&] { return m_parses > before || m_failures.size() > failuresBefore; }, timeoutMs)
        && m_parses > before;
}

bool TEngineTab::waitForParse(int parsedBefore, int timeoutMs)
{
    return WaitUntil([&] { return m_parses > parsedBefore; }, timeoutMs);
}

QVariant TEngineTab::run(const QString& script, int timeoutMs)
{
    struct Answer {
        QVariant value;
        bool done = false;
    };
    auto answer = std::make_shared<Answer>();
    m_browser->page()->runJavaScript(script, 0, [answer](const QVariant& value) {
        answer->value = value;
        answer->done = true;
    });
    if (!WaitUntil([&] { return answer->done; }, timeoutMs))
        return QVariant();
    return answer->value;
}

void ProcessDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return condition();
}

void Pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
