#pragma once

#include "browser/tabwindow.h"
#include "support/recordingtabowner.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TEngineBrowser;
class TEngineProfile;

// A tab on the real engine without a main window: the browser control, its tab window
// and a recording owner. Browsers are destroyed with the object.
class TEngineTab {
public:
    explicit TEngineTab(TEngineProfile& profile, int tabId = 1, TRecordingTabOwner* owner = nullptr);
    ~TEngineTab();

    TEngineBrowser* browser() const { return m_browser; }
    TTabWindow& tab() const { return *m_tab; }
    TRecordingTabOwner& owner() const { return *m_owner; }

    // Navigates and waits for the page's document model (or a failure); false on timeout.
    bool load(const QString& url, int timeoutMs = 20000);
    // Waits until the tab parsed its page once more than `parsedBefore` times.
    bool waitForParse(int parsedBefore, int timeoutMs = 20000);
    int parseCount() const { return m_parses; }
    QStringList failures() const { return m_failures; }

    // Runs code in the page's main world and returns its result (test helper only).
    QVariant run(const QString& script, int timeoutMs = 10000);

private:
    TEngineBrowser* m_browser = nullptr;
    TTabWindow* m_tab = nullptr;
    std::unique_ptr<TRecordingTabOwner> m_ownOwner;
    TRecordingTabOwner* m_owner = nullptr;
    int m_parses = 0;
    QStringList m_failures;
};

// Deletes objects whose deletion was deferred.
void ProcessDeferredDeletes();
// Runs the event loop until the condition holds (true) or the time is up (false). Unlike
// QTest::qWaitFor it never sleeps, so the engine's many small hops are not slowed down.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);
// Runs the event loop for a while.
void Pause(int milliseconds);
