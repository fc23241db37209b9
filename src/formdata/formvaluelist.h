#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The values of one data set: tag path and value pairs in collection order. Look-ups by
// path ignore letter case. Path and value are kept apart, so a path holding "=" is safe;
// the "path=value" line form is for display only.
class TFormValueList {
public:
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    const QString& name(int i) const { return m_entries[size_t(i)].first; }
    const QString& value(int i) const { return m_entries[size_t(i)].second; }

    // Position of the first entry with that path, or -1.
    int indexOfName(const QString& name) const;
    bool contains(const QString& name) const { return indexOfName(name) >= 0; }

    void append(const QString& name, const QString& value);
    // Removes the first entry with that path; false when there is none.
    bool removeName(const QString& name);
    void clear();
    void reserve(int size);

    // "path=value", as the lines of a data set read.
    QString line(int i) const { return name(i) + QLatin1Char('=') + value(i); }
    QStringList lines() const;

    bool operator==(const TFormValueList& other) const { return m_entries == other.m_entries; }

private:
    void reindex();

    std::vector<std::pair<QString, QString>> m_entries;
    QHash<QString, int> m_index; // case-folded path -> first position
};
