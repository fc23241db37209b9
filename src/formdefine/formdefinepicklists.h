#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A named set of values for the definition fields 3 to 18.
struct TReferenceDefinition {
    QString name;
    QStringList values; // always 16
};

// The pick lists of the definition grid, read (never written) from the FormDefine folder:
// "_ItemsPickList.ini" with lines "COL_<column>=<comma text>" and "_ReferencePickList.ini"
// with lines "<reference name>=<comma text>". Missing files mean no pick lists.
class TFormDefinePickLists {
public:
    static constexpr int kReferenceValueCount = 16;

    // Reads both files of the folder (the current project's FormDefine folder when empty).
    void load(const QString& folder = QString());
    void parseItems(const QString& text);
    void parseReferences(const QString& text);

    // The choices of a grid column (empty when the file names none).
    QStringList columnItems(int column) const { return m_columns.value(column); }
    const QList<TReferenceDefinition>& references() const { return m_references; }
    QStringList referenceNames() const;
    // The first reference of that name (letter case ignored), or none.
    const TReferenceDefinition* findReference(const QString& name) const;

private:
    QHash<int, QStringList> m_columns;
    QList<TReferenceDefinition> m_references;
};
