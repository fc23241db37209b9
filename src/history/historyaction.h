#pragma once

#include "core/eventbus.h"
#include "history/historystore.h"

#include <QList>
#include <QString>
#include <QStringList>

class TTabView;

// The history controller: records the visits of the project's tabs (every visit, the
// visits of the tab in front, the pages per domain), keeps the visited-address list that
// the address bar offers, fills the back and forward drop-down menus, and keeps the
// per-domain pages in the "TabWindow" folder between sessions.
class THistoryAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit THistoryAction(QObject* parent = nullptr);

    const THistoryStore& Store() const { return m_store; }
    bool IsOpen() const { return m_open; }
    // The current tab's visits, newest first.
    QList<THistoryEntry> FrontVisits() const { return m_frontVisits; }
    const QList<THistoryEntry>& BackEntries() const { return m_back; }
    const QList<THistoryEntry>& ForwardEntries() const { return m_forward; }

    // Makes the current tab travel the number of steps back (negative) or forward.
    void Travel(int steps);
    // Navigates the current tab to a recorded page.
    void Open(const QString& url);

    // The history folder of the open project, or empty when it keeps none.
    QString Folder() const { return m_folder; }
    // Writes the per-domain pages to the history files; false (and logged) on failure.
    bool Save();

Q_SIGNALS:
    void allVisitsChanged();
    void frontVisitsChanged();
    // The pages of a domain changed (domain added or page added).
    void domainChanged(const QString& domain);
    void travelMenusChanged(const QStringList& back, const QStringList& forward);
    // Everything was emptied: the project closed.
    void cleared();

private:
    void handleProjectOpened(int);
    void handleProjectClosed(int);
    void handleTabWindowAdded(int);
    void handleTabWindowActivated(int);
    void handleNavigateCompleted(int);
    void handleTitleChanged(int tabId);

    TTabView* currentTab() const;
    void rebuildFront(TTabView* tab);
    void setTravelLists(const QList<THistoryEntry>& back, const QList<THistoryEntry>& forward);

    THistoryStore m_store;
    bool m_open = false;
    QString m_folder;
    QList<THistoryEntry> m_frontVisits;
    QList<THistoryEntry> m_back;
    QList<THistoryEntry> m_forward;
};

// The newest visit of a tab: the entry of the page it shows in its travel log (the log
// goes on past it with the pages ahead), else its address and title.
THistoryEntry NewestVisit(const TTabView& tab);
