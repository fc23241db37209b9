#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <map>
#include <memory>

// The data sets a tab used, per screen: the last one, and all of them in order of first use.
class TFormDataPopupHistory {
public:
    void add(const QString& screenId, int dataId);
    // The last data ID used on the screen, 0 when none.
    int last(const QString& screenId) const;
    // The data IDs used on the screen in order of first use (empty when none).
    const QList<int>& list(const QString& screenId) const;

private:
    QHash<QString, int> m_last;        // case-folded screen ID -> data ID
    QHash<QString, QList<int>> m_lists; // case-folded screen ID -> data IDs
    QList<int> m_empty;
};

// The save and input histories of every open tab, by tab ID. A process-wide service:
// App().service<TFormDataHistories>().
class TFormDataHistories {
public:
    TFormDataPopupHistory& saveHistory(int tabId) { return entry(tabId).save; }
    TFormDataPopupHistory& inputHistory(int tabId) { return entry(tabId).input; }
    // A tab closed: its histories go with it.
    void dropTab(int tabId) { m_tabs.erase(tabId); }
    // Drops the histories of tabs the tab controller no longer has.
    void dropClosedTabs();
    bool hasTab(int tabId) const { return m_tabs.count(tabId) != 0; }

private:
    struct Pair {
        TFormDataPopupHistory save;
        TFormDataPopupHistory input;
    };
    Pair& entry(int tabId);
    std::map<int, std::unique_ptr<Pair>> m_tabs;
};
