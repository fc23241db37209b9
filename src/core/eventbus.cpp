#include "core/eventbus.h"

#include "core/error.h"
#include "core/log.h"

namespace {
const char* const kEventNames[kEventCount] = {
    "FormActivated",
    "ProjectNewed",
    "ProjectOpened",
    "ProjectSaved",
    "ProjectClosed",
    "ProjectModified",
    "TabWindowAdded",
    "TabWindowWasNothing",
    "TabWindowActivated",
    "BrowserCommandForwardStateChanged",
    "BrowserCommandBackStateChanged",
    "BrowserCommandBusyStateChanged",
    "BrowserCommandTextSelected",
    "BrowserCommandTextUnSelected",
    "BrowserCommandTextInputForcused",
    "BrowserCommandTextInputUnForcused",
    "BrowserStatusTextChanged",
    "BrowserTitleChanged",
    "BrowserBeforeNavigate",
    "BrowserNavigateCompleted",
    "BrowserDocumentCompleted",
    "BrowserAddressAdded",
    "DocumentParseCompleted",
    "PopupOpen",
    "PopupOpened",
    "PopupWindowsOpened",
    "DownloadBegining",
    "FormDataSaving",
    "FormDataSaved",
    "FormDataAdded",
    "FormDataNameModified",
    "FormDataDeleted",
    "FormDataLoading",
    "FormDataLoaded",
};
}

QString EventName(TEvent event)
{
    const int i = int(event);
    return (i >= 0 && i < kEventCount) ? QString::fromLatin1(kEventNames[i]) : QString();
}

TActionCalverdine::~TActionCalverdine() = default;

TEventBus::TEventBus() = default;

TEventBus::~TEventBus()
{
    clear();
}

int TEventBus::AddListener(std::unique_ptr<TActionCalverdine> listener)
{
    m_listeners.push_back(std::move(listener));
    return int(m_listeners.size()) - 1;
}

void TEventBus::RemoveListener(int index)
{
    if (index < 0 || index >= int(m_listeners.size()))
        return;
    // Take it out first, so a destructor that raises an event sees a consistent list.
    std::unique_ptr<TActionCalverdine> removed = std::move(m_listeners[size_t(index)]);
    m_listeners.erase(m_listeners.begin() + index);
    removed.reset();
}

void TEventBus::RemoveListener(const TActionCalverdine* listener)
{
    for (size_t i = 0; i < m_listeners.size(); ++i) {
        if (m_listeners[i].get() == listener) {
            RemoveListener(int(i));
            return;
        }
    }
}

TActionCalverdine* TEventBus::ListenerAt(int index) const
{
    if (index < 0 || index >= int(m_listeners.size()))
        return nullptr;
    return m_listeners[size_t(index)].get();
}

void TEventBus::clear()
{
    while (!m_listeners.empty()) {
        std::unique_ptr<TActionCalverdine> last = std::move(m_listeners.back());
        m_listeners.pop_back();
        last.reset();
    }
}

void TEventBus::notify(TEvent event, int argument)
{
    // The count is taken once: a listener added during the broadcast is not called in it.
    const int count = int(m_listeners.size());
    for (int i = 0; i < count && i < int(m_listeners.size()); ++i) {
        TActionCalverdine* listener = m_listeners[size_t(i)].get();
        try {
            dispatch(listener, event, argument);
        } catch (...) {
            LogError(QStringLiteral("notify error: ") + CurrentExceptionMessage());
        }
    }
}

void TEventBus::dispatch(TActionCalverdine* listener, TEvent event, int argument)
{
    if (!listener || !listener->hasHandler(event))
        return;
    TTabLock* tab = (argument != 0 && m_tabLookup) ? m_tabLookup->findTabLock(argument) : nullptr;
    if (!tab) {
        listener->callHandler(event, argument);
        return;
    }
    if (!tab->tryLockTab())
        return;
    struct Unlock {
        TTabLock* tab;
        ~Unlock() { tab->unlockTab(); }
    } unlock { tab };
    if (!tab->isClosing())
        listener->callHandler(event, argument);
}
