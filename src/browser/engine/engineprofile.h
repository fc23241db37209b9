#pragma once

#include <QObject>
#include <QString>

class QWebEngineDownloadRequest;
class QWebEngineProfile;

// The engine profile every tab shares. Named, with its storage in a folder of the home
// directory, so cookies and cache persist like a browser's; without a folder it is an
// off-the-record profile (the command line tool, tests). Downloads go to the tab whose
// page asked for them. Pages must be destroyed before their profile.
class TEngineProfile final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kStorageName = "Calverdine";

    explicit TEngineProfile(const QString& storageDirectory = QString(), QObject* parent = nullptr);
    ~TEngineProfile() override;

    QWebEngineProfile* profile() const { return m_profile; }
    bool isOffTheRecord() const;

    // The profile's folder in the home directory.
    static QString StorageDirectory(const QString& homeDirectory);

    // Empties the HTTP cache (and the visited links) of the profile.
    void clearCache();
    // Deletes every cookie of the profile.
    void clearCookies();

    // Before the engine starts (the first profile does it): the engine runs without its
    // sandbox as root, which it refuses otherwise.
    static void PrepareEnvironment();

private:
    void handleDownloadRequested(QWebEngineDownloadRequest* download);

    QWebEngineProfile* m_profile = nullptr;
};
