#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

// The identity of one data set.
struct TFormDataInfo {
    int ID = 0;
    QString Name;
};

// The data sets of one screen, in index file order followed by those added in this run.
class TFormDataInfoList {
public:
    int count() const { return int(m_infos.size()); }
    TFormDataInfo* at(int i) const { return m_infos[size_t(i)].get(); }
    TFormDataInfo* find(int id) const;
    int indexOf(int id) const { return m_index.value(id, -1); }
    bool contains(int id) const { return m_index.contains(id); }

    // Adds the data set at the end, or renames the one with the same ID in place.
    TFormDataInfo* add(int id, const QString& name);
    bool remove(int id);
    void clear();

private:
    std::vector<std::unique_ptr<TFormDataInfo>> m_infos;
    QHash<int, int> m_index;
};
