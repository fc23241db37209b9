#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

// The 34 events of the bus, in handler slot order. The names are spelled as the system
// spells them everywhere ("Forcused", "Begining").
enum class TEvent : int {
    FormActivated,
    ProjectNewed,
    ProjectOpened,
    ProjectSaved,
    ProjectClosed,
    ProjectModified,
    TabWindowAdded,
    TabWindowWasNothing,
    TabWindowActivated,
    BrowserCommandForwardStateChanged,
    BrowserCommandBackStateChanged,
    BrowserCommandBusyStateChanged,
    BrowserCommandTextSelected,
    BrowserCommandTextUnSelected,
    BrowserCommandTextInputForcused,
    BrowserCommandTextInputUnForcused,
    BrowserStatusTextChanged,
    BrowserTitleChanged,
    BrowserBeforeNavigate,
    BrowserNavigateCompleted,
    BrowserDocumentCompleted,
    BrowserAddressAdded,
    DocumentParseCompleted,
    PopupOpen,
    PopupOpened,
    PopupWindowsOpened,
    DownloadBegining,
    FormDataSaving,
    FormDataSaved,
    FormDataAdded,
    FormDataNameModified,
    FormDataDeleted,
    FormDataLoading,
    FormDataLoaded,
};
inline constexpr int kEventCount = 34;

QString EventName(TEvent event);

// Base of every controller: one optional handler per event. Handlers are set in the
// controller's constructor and never change afterwards.
class TActionCalverdine : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(int)>;

    explicit TActionCalverdine(QObject* parent = nullptr) : QObject(parent) {}
    ~TActionCalverdine() override;

    bool hasHandler(TEvent event) const { return bool(m_handlers[size_t(event)]); }
    void callHandler(TEvent event, int argument) const { m_handlers[size_t(event)](argument); }

protected:
    void setHandler(TEvent event, Handler handler) { m_handlers[size_t(event)] = std::move(handler); }

    template <class C>
    void handle(TEvent event, void (C::*method)(int))
    {
        C* self = static_cast<C*>(this);
        setHandler(event, [self, method](int argument) { (self->*method)(argument); });
    }

private:
    std::array<Handler, kEventCount> m_handlers;
};

// What the bus needs of a tab window: its lock and its closing flag.
class TTabLock {
public:
    virtual ~TTabLock() = default;
    virtual bool tryLockTab() = 0;
    virtual void unlockTab() = 0;
    virtual bool isClosing() const = 0;
};

// Finds the tab window with a tab ID (the tab controller answers; none before it exists).
class TTabLookup {
public:
    virtual ~TTabLookup() = default;
    virtual TTabLock* findTabLock(int tabId) = 0;
};

// The listener list and the notifiers. The list owns its controllers.
class TEventBus {
public:
    TEventBus();
    ~TEventBus();
    TEventBus(const TEventBus&) = delete;
    TEventBus& operator=(const TEventBus&) = delete;

    int AddListener(std::unique_ptr<TActionCalverdine> listener);
    void RemoveListener(int index);
    // Removes (and destroys) that controller, if it is on the bus.
    void RemoveListener(const TActionCalverdine* listener);
    TActionCalverdine* ListenerAt(int index) const;
    int ListenerCount() const { return int(m_listeners.size()); }
    // Destroys every controller, last added first.
    void clear();

    void setTabLookup(TTabLookup* lookup) { m_tabLookup = lookup; }
    TTabLookup* tabLookup() const { return m_tabLookup; }

    // Broadcast: every listener with a handler, in listening order; a failing handler is
    // logged as "notify error: " and shown once, and the rest still run.
    void notify(TEvent event, int argument);

    void NotifyFormActivated(int a) { notify(TEvent::FormActivated, a); }
    void NotifyProjectNewed(int a) { notify(TEvent::ProjectNewed, a); }
    void NotifyProjectOpened(int a) { notify(TEvent::ProjectOpened, a); }
    void NotifyProjectSaved(int a) { notify(TEvent::ProjectSaved, a); }
    void NotifyProjectClosed(int a) { notify(TEvent::ProjectClosed, a); }
    void NotifyProjectModified(int a) { notify(TEvent::ProjectModified, a); }
    void NotifyTabWindowAdded(int a) { notify(TEvent::TabWindowAdded, a); }
    void NotifyTabWindowWasNothing(int a) { notify(TEvent::TabWindowWasNothing, a); }
    void NotifyTabWindowActivated(int a) { notify(TEvent::TabWindowActivated, a); }
    void NotifyBrowserCommandForwardStateChanged(int a) { notify(TEvent::BrowserCommandForwardStateChanged, a); }
    void NotifyBrowserCommandBackStateChanged(int a) { notify(TEvent::BrowserCommandBackStateChanged, a); }
    void NotifyBrowserCommandBusyStateChanged(int a) { notify(TEvent::BrowserCommandBusyStateChanged, a); }
    void NotifyBrowserCommandTextSelected(int a) { notify(TEvent::BrowserCommandTextSelected, a); }
    void NotifyBrowserCommandTextUnSelected(int a) { notify(TEvent::BrowserCommandTextUnSelected, a); }
    void NotifyBrowserCommandTextInputForcused(int a) { notify(TEvent::BrowserCommandTextInputForcused, a); }
    void NotifyBrowserCommandTextInputUnForcused(int a) { notify(TEvent::BrowserCommandTextInputUnForcused, a); }
    void NotifyBrowserStatusTextChanged(int a) { notify(TEvent::BrowserStatusTextChanged, a); }
    void NotifyBrowserTitleChanged(int a) { notify(TEvent::BrowserTitleChanged, a); }
    void NotifyBrowserBeforeNavigate(int a) { notify(TEvent::BrowserBeforeNavigate, a); }
    void NotifyBrowserNavigateCompleted(int a) { notify(TEvent::BrowserNavigateCompleted, a); }
    void NotifyBrowserDocumentCompleted(int a) { notify(TEvent::BrowserDocumentCompleted, a); }
    void NotifyBrowserAddressAdded(int a) { notify(TEvent::BrowserAddressAdded, a); }
    void NotifyDocumentParseCompleted(int a) { notify(TEvent::DocumentParseCompleted, a); }
    void NotifyPopupOpen(int a) { notify(TEvent::PopupOpen, a); }
    void NotifyPopupOpened(int a) { notify(TEvent::PopupOpened, a); }
    void NotifyPopupWindowsOpened(int a) { notify(TEvent::PopupWindowsOpened, a); }
    void NotifyDownloadBegining(int a) { notify(TEvent::DownloadBegining, a); }
    void NotifyFormDataSaving(int a) { notify(TEvent::FormDataSaving, a); }
    void NotifyFormDataSaved(int a) { notify(TEvent::FormDataSaved, a); }
    void NotifyFormDataAdded(int a) { notify(TEvent::FormDataAdded, a); }
    void NotifyFormDataNameModified(int a) { notify(TEvent::FormDataNameModified, a); }
    void NotifyFormDataDeleted(int a) { notify(TEvent::FormDataDeleted, a); }
    void NotifyFormDataLoading(int a) { notify(TEvent::FormDataLoading, a); }
    void NotifyFormDataLoaded(int a) { notify(TEvent::FormDataLoaded, a); }

private:
    void dispatch(TActionCalverdine* listener, TEvent event, int argument);

    std::vector<std::unique_ptr<TActionCalverdine>> m_listeners;
    TTabLookup* m_tabLookup = nullptr;
};
