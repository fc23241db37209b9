#include "operation/operationlist.h"

int TOperationList::indexOf(const QString& key) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_entries[size_t(i)].first == key)
            return i;
    }
    return -1;
}

TCommandAutoOperation* TOperationList::find(const QString& key) const
{
    const int i = indexOf(key);
    return i < 0 ? nullptr : at(i);
}

TCommandAutoOperation* TOperationList::add(const QString& key, std::unique_ptr<TCommandAutoOperation> operation)
{
    const int i = indexOf(key);
    if (i >= 0)
        return replace(i, key, std::move(operation));
    m_entries.emplace_back(key, std::move(operation));
    return m_entries.back().second.get();
}

TCommandAutoOperation* TOperationList::replace(int index, const QString& key, std::unique_ptr<TCommandAutoOperation> operation)
{
    m_entries[size_t(index)] = { key, std::move(operation) };
    return m_entries[size_t(index)].second.get();
}

void TOperationList::remove(int index)
{
    m_entries.erase(m_entries.begin() + index);
}
