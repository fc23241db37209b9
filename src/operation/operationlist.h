#pragma once

#include "operation/commandautooperation.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

// The stored operations under their decimal OperationID, in the order of the operation
// list file; the list owns them.
class TOperationList {
public:
    int count() const { return int(m_entries.size()); }
    const QString& keyAt(int index) const { return m_entries[size_t(index)].first; }
    TCommandAutoOperation* at(int index) const { return m_entries[size_t(index)].second.get(); }
    int indexOf(const QString& key) const;
    TCommandAutoOperation* find(const QString& key) const;
    TCommandAutoOperation* find(int id) const { return find(QString::number(id)); }

    // Appends under the key; an entry already under that key is replaced in place.
    TCommandAutoOperation* add(const QString& key, std::unique_ptr<TCommandAutoOperation> operation);
    // Destroys the entry at the index and puts the operation in its place under the key.
    TCommandAutoOperation* replace(int index, const QString& key, std::unique_ptr<TCommandAutoOperation> operation);
    void remove(int index);
    void clear() { m_entries.clear(); }

private:
    std::vector<std::pair<QString, std::unique_ptr<TCommandAutoOperation>>> m_entries;
};
