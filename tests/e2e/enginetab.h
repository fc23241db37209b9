#pragma once

#include "browser/tabwindow.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TEngineBrowser;
class TEngineProfile;

// The reports of tab windows, recorded as "Name:tab[:detail]" lines.
class TRecordingTabOwner : public TTabWindowOwner {
public:
    void OnBeforeNavigate(int tabId, const QString& url) override { add(QStringLiteral("BeforeNavigate"), tabId, url); }
    void OnNavigateComplete(int tabId, const QString& url) override { add(QStringLiteral("NavigateComplete"), tabId, url); }
    void OnDocumentComplete(int tabId, const QString& url, const QString& title) override
    {
        Q_UNUSED(title);
        add(QStringLiteral("DocumentComplete"), tabId, url);
    }
    void OnDocumentParsed(int tabId) override { add(QStringLiteral("DocumentParsed"), tabId); }
    void OnCommandState(int tabId, int code, bool enabled) override
    {
        add(QStringLiteral("CommandState"), tabId, QString::number(code) + (enabled ? QStringLiteral("+") : QStringLiteral("-")));
    }
    void OnStatusText(int tabId, const QString& text) override { add(QStringLiteral("StatusText"), tabId, text); }
    void OnTitleChange(int tabId) override { add(QStringLiteral("TitleChange"), tabId); }
    TBrowserControl* OnNewWindow(int tabId) override
    {
        add(QStringLiteral("NewWindow"), tabId);
        return newWindow ? newWindow() : nullptr;
    }
    void OnNavigateError(int tabId) override { add(QStringLiteral("NavigateError"), tabId); }
    void OnClose(int tabId) override { add(QStringLiteral("Close"), tabId); }
    void OnActivate(int tabId) override { add(QStringLiteral("Activate"), tabId); }
    void OnGesture(int tabId, int code) override { add(QStringLiteral("Gesture"), tabId, QString::number(code)); }
    void OnPopupOpen(int tabId) override
    {
        add(QStringLiteral("PopupOpen"), tabId);
        if (popupOpen)
            popupOpen(tabId);
    }
    void OnPopupOpened(int tabId) override { add(QStringLiteral("PopupOpened"), tabId); }
    void OnDownload(int tabId) override { add(QStringLiteral("Download"), tabId); }
    void OnKeyCommand(int tabId, TTabKeyCommand command) override
    {
        add(QStringLiteral("KeyCommand"), tabId, QString::number(int(command)));
    }
    bool IsCurrentTab(int tabId) const override { return tabId == currentTab; }

    // Reports whose line starts with the prefix.
    QStringList matching(const QString& prefix) const;
    int count(const QString& prefix) const { return int(matching(prefix).size()); }

    QStringList reports;
    int currentTab = 1;
    std::function<TBrowserControl*()> newWindow;
    std::function<void(int)> popupOpen;

private:
    void add(const QString& name, int tabId, const QString& detail = QString());
};

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
