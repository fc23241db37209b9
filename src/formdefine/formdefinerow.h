#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class TFormDefineEventHandler;

// The definition of one element of one screen: 19 text fields (grid columns 0 to 18),
// field 3 being the alias. A bound row has its screen's definitions saved after each change.
class TFormDefineRow {
public:
    static constexpr int kFieldCount = 19;
    static constexpr int kAliasField = 3;

    TFormDefineRow();
    // Fields as read; fewer than 19 are filled up with empty ones, more are kept.
    explicit TFormDefineRow(const QStringList& fields);

    int count() const { return int(m_fields.size()); }
    const QString& field(int index) const { return m_fields[index]; }
    const QStringList& fields() const { return m_fields; }
    QString alias() const { return m_fields[kAliasField]; }
    QString commaText() const;

    // A change notifies the bound handler before and after; setting the same text is no change.
    void setField(int index, const QString& text);
    void setFields(const QStringList& fields);

    void bind(TFormDefineEventHandler* handler) { m_handler = handler; }

private:
    void change(const QStringList& fields);

    QStringList m_fields;
    TFormDefineEventHandler* m_handler = nullptr;
};

// The definitions of one screen by tag path (letter case ignored), in file order followed
// by the rows added since.
class TFormDefineList {
public:
    int count() const { return int(m_rows.size()); }
    const QString& pathAt(int i) const { return m_rows[size_t(i)].first; }
    TFormDefineRow* at(int i) const { return m_rows[size_t(i)].second.get(); }
    TFormDefineRow* find(const QString& path) const;
    // Adds a row under a path that is not present yet (else returns the present one).
    TFormDefineRow* add(const QString& path, std::unique_ptr<TFormDefineRow> row);
    bool remove(const QString& path);
    void clear();

private:
    std::vector<std::pair<QString, std::unique_ptr<TFormDefineRow>>> m_rows;
    QHash<QString, int> m_index; // case-folded path -> position
};
