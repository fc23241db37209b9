#include "history/historyaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/log.h"
#include "core/projectdocument.h"
#include "core/tabaccess.h"

#include <QAction>
#include <QDir>

#include <algorithm>

namespace {

QStringList& VisitedAddresses()
{
    return App().service<TVisitedAddresses>().addresses;
}

} // namespace

THistoryEntry NewestVisit(const TTabView& tab)
{
    const QList<THistoryEntry> all = tab.AllEntries();
    const QList<THistoryEntry> ahead = tab.ForwardEntries();
    const qsizetype current = all.size() - 1 - ahead.size();
    if (current >= 0 && current < all.size() && all.at(current).Url == tab.GetUrl())
        return all.at(current);
    THistoryEntry entry;
    entry.Url = tab.GetUrl();
    entry.Title = tab.GetTitle().isEmpty() ? entry.Url : tab.GetTitle();
    return entry;
}

THistoryAction::THistoryAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(QStringLiteral("THistoryAction"));
    handle(TEvent::ProjectNewed, &THistoryAction::handleProjectOpened);
    handle(TEvent::ProjectOpened, &THistoryAction::handleProjectOpened);
    handle(TEvent::ProjectClosed, &THistoryAction::handleProjectClosed);
    handle(TEvent::TabWindowAdded, &THistoryAction::handleTabWindowAdded);
    handle(TEvent::TabWindowWasNothing, &THistoryAction::handleTabWindowAdded);
    handle(TEvent::TabWindowActivated, &THistoryAction::handleTabWindowActivated);
    handle(TEvent::BrowserNavigateCompleted, &THistoryAction::handleNavigateCompleted);
    handle(TEvent::BrowserTitleChanged, &THistoryAction::handleTitleChanged);
}

TTabView* THistoryAction::currentTab() const
{
    return CurrentTabView();
}

void THistoryAction::Travel(int steps)
{
    if (TTabView* tab = currentTab(); tab && steps != 0)
        tab->Travel(steps);
}

void THistoryAction::Open(const QString& url)
{
    if (!url.isEmpty() && m_open && App().tabs)
        App().tabs->NavigateCurrentTab(url);
}

void THistoryAction::handleProjectOpened(int)
{
    if (m_open)
        handleProjectClosed(0);
    m_store.Clear();
    m_open = true;
    m_folder.clear();
    TXMLProjectType* project = App().currentProject();
    // A project without a data directory has no history files ("/TabWindow" would be at the
    // root of the disk).
    const QString root = project ? project->RootDirectory().trimmed() : QString();
    if (!root.isEmpty()) {
        m_folder = QDir(root).filePath(QStringLiteral("TabWindow"));
        QStringList& visited = VisitedAddresses();
        for (const QString& url : m_store.Load(m_folder)) {
            if (!visited.contains(url, Qt::CaseInsensitive))
                visited.append(url);
        }
    }
    for (const QString& domain : m_store.DomainNames())
        Q_EMIT domainChanged(domain);
    Q_EMIT allVisitsChanged();
    App().bus().NotifyBrowserAddressAdded(0);
}

bool THistoryAction::Save()
{
    if (m_folder.isEmpty())
        return true;
    QString error;
    if (m_store.Save(m_folder, &error))
        return true;
    LogError(QStringLiteral("file save error: ") + error);
    return false;
}

void THistoryAction::handleProjectClosed(int)
{
    if (m_open)
        Save();
    m_open = false;
    m_folder.clear();
    m_store.Clear();
    m_frontVisits.clear();
    setTravelLists({}, {});
    VisitedAddresses().clear();
    Q_EMIT cleared();
}

void THistoryAction::handleTabWindowAdded(int)
{
    m_frontVisits.clear();
    Q_EMIT frontVisitsChanged();
}

void THistoryAction::handleTabWindowActivated(int)
{
    rebuildFront(currentTab());
}

void THistoryAction::rebuildFront(TTabView* tab)
{
    m_frontVisits = tab ? tab->AllEntries() : QList<THistoryEntry>();
    std::reverse(m_frontVisits.begin(), m_frontVisits.end());
    // The engine's list learns the page's title after the tab does.
    if (tab && !THistoryStore::StandsInForTitle(tab->GetTitle(), tab->GetUrl())) {
        for (THistoryEntry& entry : m_frontVisits) {
            if (entry.Url == tab->GetUrl() && THistoryStore::StandsInForTitle(entry.Title, entry.Url))
                entry.Title = tab->GetTitle();
        }
    }
    Q_EMIT frontVisitsChanged();
}

void THistoryAction::setTravelLists(const QList<THistoryEntry>& back, const QList<THistoryEntry>& forward)
{
    m_back = back;
    m_forward = forward;
    Q_EMIT travelMenusChanged(TravelMenuCaptions(back), TravelMenuCaptions(forward));
}

void THistoryAction::handleNavigateCompleted(int)
{
    TTabView* tab = currentTab();
    if (!tab || !m_open)
        return;
    setTravelLists(tab->BackEntries(), tab->ForwardEntries());
    const THistoryEntry visit = NewestVisit(*tab);
    if (!visit.Url.isEmpty()) {
        bool newPage = false;
        if (m_store.RecordVisit(visit, &newPage))
            Q_EMIT allVisitsChanged();
        if (newPage)
            Q_EMIT domainChanged(THistoryStore::DomainOf(visit.Url));
    }
    rebuildFront(tab);
}

// A visit is recorded when the page's address is known, which is often before its title:
// the title, once known, replaces the address that stood in for it.
void THistoryAction::handleTitleChanged(int tabId)
{
    TTabView* tab = App().tabs ? App().tabs->FindTab(tabId) : nullptr;
    if (!tab || !m_open)
        return;
    const QString url = tab->GetUrl();
    if (m_store.NameUntitledPage(url, tab->GetTitle())) {
        Q_EMIT allVisitsChanged();
        Q_EMIT domainChanged(THistoryStore::DomainOf(url));
    }
    if (tab == currentTab()) {
        setTravelLists(tab->BackEntries(), tab->ForwardEntries());
        rebuildFront(tab);
    }
}
