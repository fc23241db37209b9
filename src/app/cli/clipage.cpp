#include "app/cli/clipage.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"

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
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        complete(QStringLiteral("the page did not load within %1 seconds").arg(kLoadTimeoutMs / 1000));
    });
}

TCliPage::~TCliPage()
{
    m_tab->SetOwner(nullptr);
    delete m_browser;
}

void TCliPage::load(const QString& url, std::function<void(const QString& error)> done)
{
    m_url = url;
    m_done = std::move(done);
    m_timeout.start(kLoadTimeoutMs);
    m_tab->Navigate(url);
}

void TCliPage::complete(const QString& error)
{
    m_timeout.stop();
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

void TCliPage::OnDownload(int)
{
    complete(QStringLiteral("the address is a download, not a page"));
}
