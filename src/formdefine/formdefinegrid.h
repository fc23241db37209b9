#pragma once

#include "formdefine/formdefinepicklists.h"
#include "formdefine/gridclipboard.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class TTagForm;
class TTagFormPart;

// The cells of the form definition grid: two header rows (group captions, column captions)
// and one data row per form part of the selected form, with the part's name and type and
// its definition fields 2 to 18. Accepted edits go into the definitions, which save their
// screen's file; refused ones leave the cell as it was.
class TFormDefineGrid final : public QObject {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 19;
    static constexpr int kHeaderRows = 2;
    static constexpr int kReferenceColumn = 2;

    // A group caption over the columns first..last.
    struct TColNumber {
        int first;
        int last;
        const char16_t* caption;
    };
    static const QList<TColNumber>& groups();
    // The group of each column.
    static int groupOf(int column);
    static QString columnCaption(int column);

    explicit TFormDefineGrid(QObject* parent = nullptr);

    // The folder of the pick list files (the current project's FormDefine folder by default).
    void setPickListFolder(std::function<QString()> folder) { m_folder = std::move(folder); }

    // Whether the parts of the rows still belong to the page shown; rows of a page that went
    // away take no edit.
    void setPartsValid(std::function<bool()> valid) { m_partsValid = std::move(valid); }
    // The pick lists are read again at their next need (another project was opened).
    void forgetPickLists() { m_pickListsLoaded = false; }
    // Back to the header rows and one empty row.
    void reset();
    // One row per part of the form, with the definitions of the screen.
    void fill(const QString& screenId, TTagForm& form);

    int rowCount() const { return int(m_cells.size()); }
    QString cell(int column, int row) const;
    TTagFormPart* part(int row) const;
    const QString& screenId() const { return m_screenId; }

    // Pick lists, read once on the first need.
    bool hasPickList(int column);
    QStringList pickList(int column);
    bool valueAllowed(int column, const QString& value);

    // Commits an edited cell: true when it was taken (and the definition saved once when
    // it changed), false when the cell keeps its earlier text.
    bool commitEdit(int column, int row, const QString& text);
    // The block as tab-separated text.
    QString copyText(int left, int top, int right, int bottom) const;
    // Commits pasted cells one by one like typed ones; cells outside the definition columns
    // of data rows are left out. Returns how many were taken.
    int paste(const QList<TPastedCell>& cells);
    // Deletes the definition of every data row (each delete saves) and resets the grid.
    void deleteDefinitions();

Q_SIGNALS:
    void cellsChanged();

private:
    void ensurePickLists();
    bool commit(int column, int row, const QString& text);

    QList<QStringList> m_cells;
    QList<TTagFormPart*> m_parts;
    QString m_screenId;
    TFormDefinePickLists m_pickLists;
    bool m_pickListsLoaded = false;
    std::function<QString()> m_folder;
    std::function<bool()> m_partsValid;
};
