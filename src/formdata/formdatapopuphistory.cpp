#include "formdata/formdatapopuphistory.h"

#include "core/appcontext.h"
#include "core/tabaccess.h"

void TFormDataPopupHistory::add(const QString& screenId, int dataId)
{
    const QString key = screenId.toCaseFolded();
    m_last.insert(key, dataId);
    QList<int>& ids = m_lists[key];
    if (!ids.contains(dataId))
        ids.append(dataId);
}

int TFormDataPopupHistory::last(const QString& screenId) const
{
    return m_last.value(screenId.toCaseFolded(), 0);
}

const QList<int>& TFormDataPopupHistory::list(const QString& screenId) const
{
    const auto it = m_lists.constFind(screenId.toCaseFolded());
    return it == m_lists.cend() ? m_empty : *it;
}

TFormDataHistories::Pair& TFormDataHistories::entry(int tabId)
{
    auto& slot = m_tabs[tabId];
    if (!slot)
        slot = std::make_unique<Pair>();
    return *slot;
}

void TFormDataHistories::dropClosedTabs()
{
    TTabRegistry* tabs = App().tabs;
    if (!tabs)
        return;
    for (auto it = m_tabs.begin(); it != m_tabs.end();) {
        if (it->first != 0 && !tabs->FindTab(it->first))
            it = m_tabs.erase(it);
        else
            ++it;
    }
}
