#include "browser/engine/engineprofile.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/webpage.h"
#include "browser/proxyrelay.h"

#include <QDir>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <unistd.h>

// Resources of a static library are linked in only when something names them.
static void InitEngineResources()
{
    Q_INIT_RESOURCE(engine);
}

TEngineProfile::TEngineProfile(const QString& storageDirectory, QObject* parent) : QObject(parent)
{
    InitEngineResources();
    // The engine reads it when it starts, which is when the first profile is made.
    PrepareEnvironment();
    // Every request of the engine goes through the process's relay, which follows the
    // proxy choice in force (loopback addresses included).
    TProxyRelay::StartForEngine();
    if (storageDirectory.isEmpty()) {
        m_profile = new QWebEngineProfile(this);
    } else {
        QDir().mkpath(storageDirectory);
        m_profile = new QWebEngineProfile(QString::fromLatin1(kStorageName), this);
        m_profile->setPersistentStoragePath(storageDirectory);
        m_profile->setCachePath(storageDirectory + QStringLiteral("/Cache"));
        m_profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        m_profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    }
    m_profile->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    m_profile->settings()->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, true);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, &TEngineProfile::handleDownloadRequested);
}

TEngineProfile::~TEngineProfile() = default;

bool TEngineProfile::isOffTheRecord() const
{
    return m_profile->isOffTheRecord();
}

QString TEngineProfile::StorageDirectory(const QString& homeDirectory)
{
    return homeDirectory + QStringLiteral("/EngineProfile");
}

void TEngineProfile::clearCache()
{
    m_profile->clearHttpCache();
    m_profile->clearAllVisitedLinks();
}

void TEngineProfile::clearCookies()
{
    m_profile->cookieStore()->deleteAllCookies();
}

void TEngineProfile::PrepareEnvironment()
{
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void TEngineProfile::handleDownloadRequested(QWebEngineDownloadRequest* download)
{
    // The decision is taken inside this call, as the engine requires.
    if (auto* page = qobject_cast<TWebPage*>(download->page())) {
        page->browser()->handleDownload(download);
        return;
    }
    TEngineBrowser::AskWhereToSave(download);
}
