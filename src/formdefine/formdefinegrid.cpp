#include "formdefine/formdefinegrid.h"

#include "core/appcontext.h"
#include "document/tagtree.h"
#include "formdefine/formdefinemanager.h"

#include <QHash>

namespace {

const char16_t* const kCaptions[TFormDefineGrid::kColumnCount] = {
    u"フォーム名", u"入力種別", u"名称", u"別名", u"必須", u"空白", u"複数選択",
    u"半角全角", u"英字", u"数字", u"記号", u"日本語", u"単位", u"最小数", u"最大数",
    u"データ型", u"最小値", u"最大値", u"小数桁数",
};

QStringList emptyRow()
{
    QStringList row;
    for (int c = 0; c < TFormDefineGrid::kColumnCount; ++c)
        row << QString();
    return row;
}

}

const QList<TFormDefineGrid::TColNumber>& TFormDefineGrid::groups()
{
    static const QList<TColNumber> table = {
        { 0, 1, u"HTML定義" }, { 2, 2, u"参照先" }, { 3, 6, u"基本属性" },
        { 7, 11, u"文字属性" }, { 12, 14, u"データ長" }, { 15, 18, u"数値属性" },
    };
    return table;
}

int TFormDefineGrid::groupOf(int column)
{
    static const QList<int> table = [] {
        QList<int> of(kColumnCount, -1);
        for (int g = 0; g < groups().size(); ++g)
            for (int c = groups()[g].first; c <= groups()[g].last; ++c)
                of[c] = g;
        return of;
    }();
    return column >= 0 && column < kColumnCount ? table[column] : -1;
}

QString TFormDefineGrid::columnCaption(int column)
{
    return column >= 0 && column < kColumnCount ? QString::fromUtf16(kCaptions[column]) : QString();
}

TFormDefineGrid::TFormDefineGrid(QObject* parent) : QObject(parent)
{
    reset();
}

void TFormDefineGrid::reset()
{
    m_cells.clear();
    m_parts.clear();
    m_screenId.clear();
    QStringList groupRow = emptyRow();
    for (const TColNumber& group : groups())
        groupRow[group.first] = QString::fromUtf16(group.caption);
    QStringList captionRow;
    for (int c = 0; c < kColumnCount; ++c)
        captionRow << columnCaption(c);
    m_cells << groupRow << captionRow << emptyRow();
    m_parts << nullptr << nullptr << nullptr;
    Q_EMIT cellsChanged();
}

void TFormDefineGrid::fill(const QString& screenId, TTagForm& form)
{
    reset();
    m_cells.removeLast();
    m_parts.removeLast();
    m_screenId = screenId;
    TFormDefineManager& manager = App().service<TFormDefineManager>();
    try {
        for (const auto& part : form.Parts()) {
            const TFormDefineRow& definition = manager.definition(screenId, part->GetPath());
            QStringList row = emptyRow();
            row[0] = part->GetLocalName();
            row[1] = part->GetType().toUpper();
            for (int c = kReferenceColumn; c < kColumnCount && c < definition.count(); ++c)
                row[c] = definition.field(c);
            m_cells << row;
            m_parts << part.get();
        }
    } catch (...) {
        // The screen's definitions cannot be read: the grid stays empty rather than half filled.
        reset();
        throw;
    }
    // A form without parts still shows one empty data row.
    if (form.Parts().empty()) {
        m_cells << emptyRow();
        m_parts << nullptr;
    }
    Q_EMIT cellsChanged();
}

QString TFormDefineGrid::cell(int column, int row) const
{
    if (row < 0 || row >= m_cells.size() || column < 0 || column >= kColumnCount)
        return QString();
    return m_cells[row][column];
}

TTagFormPart* TFormDefineGrid::part(int row) const
{
    return row >= 0 && row < m_parts.size() ? m_parts[row] : nullptr;
}

void TFormDefineGrid::ensurePickLists()
{
    if (m_pickListsLoaded)
        return;
    m_pickListsLoaded = true;
    m_pickLists.load(m_folder ? m_folder() : QString());
}

bool TFormDefineGrid::hasPickList(int column)
{
    ensurePickLists();
    if (column == kReferenceColumn)
        return !m_pickLists.references().isEmpty();
    return !m_pickLists.columnItems(column).isEmpty();
}

QStringList TFormDefineGrid::pickList(int column)
{
    ensurePickLists();
    if (column == kReferenceColumn)
        return m_pickLists.referenceNames();
    return m_pickLists.columnItems(column);
}

bool TFormDefineGrid::valueAllowed(int column, const QString& value)
{
    ensurePickLists();
    if (value.isEmpty())
        return true;
    const QStringList items = m_pickLists.columnItems(column);
    return items.isEmpty() || items.contains(value);
}

bool TFormDefineGrid::commit(int column, int row, const QString& text)
{
    if (row < kHeaderRows || row >= m_cells.size() || column < kReferenceColumn || column >= kColumnCount)
        return false;
    TTagFormPart* formPart = m_parts[row];
    if (formPart && m_partsValid && !m_partsValid())
        return false;
    if (!formPart) {
        m_cells[row][column].clear();
        return false;
    }
    TFormDefineRow& definition = App().service<TFormDefineManager>().definition(m_screenId, formPart->GetPath());
    QStringList fields = definition.fields();
    while (fields.size() < kColumnCount)
        fields << QString();
    QStringList& cells = m_cells[row];
    if (column == kReferenceColumn) {
        if (text.isEmpty()) {
            fields[kReferenceColumn].clear();
        } else {
            ensurePickLists();
            const TReferenceDefinition* reference = m_pickLists.findReference(text);
            if (!reference)
                return false;
            for (int i = 0; i < TFormDefinePickLists::kReferenceValueCount; ++i)
                fields[kReferenceColumn + 1 + i] = reference->values.value(i);
            fields[kReferenceColumn] = text;
        }
    } else {
        if (!valueAllowed(column, text))
            return false;
        // The row no longer follows its reference.
        fields[kReferenceColumn].clear();
        fields[column] = text;
    }
    // Applied before the save, so the grid shows what the file holds even when saving fails.
    for (int c = kReferenceColumn; c < kColumnCount; ++c)
        cells[c] = fields[c];
    definition.setFields(fields);
    return true;
}

bool TFormDefineGrid::commitEdit(int column, int row, const QString& text)
{
    bool taken = false;
    try {
        taken = commit(column, row, text);
    } catch (...) {
        Q_EMIT cellsChanged();
        throw;
    }
    Q_EMIT cellsChanged();
    return taken;
}

QString TFormDefineGrid::copyText(int left, int top, int right, int bottom) const
{
    QList<QStringList> rows;
    for (int r = top; r <= bottom; ++r) {
        QStringList row;
        for (int c = left; c <= right; ++c)
            row << cell(c, r);
        rows << row;
    }
    return CopyText(rows);
}

int TFormDefineGrid::paste(const QList<TPastedCell>& cells)
{
    int taken = 0;
    try {
        for (const TPastedCell& pasted : cells) {
            if (commit(pasted.column, pasted.row, pasted.text))
                ++taken;
        }
    } catch (...) {
        Q_EMIT cellsChanged();
        throw;
    }
    Q_EMIT cellsChanged();
    return taken;
}

void TFormDefineGrid::deleteDefinitions()
{
    const QString screenId = m_screenId;
    if (m_partsValid && !m_partsValid()) {
        reset();
        return;
    }
    QStringList paths;
    for (TTagFormPart* formPart : m_parts) {
        if (formPart)
            paths << formPart->GetPath();
    }
    reset();
    TFormDefineManager& manager = App().service<TFormDefineManager>();
    for (const QString& path : paths)
        manager.deleteDefinition(screenId, path);
}
