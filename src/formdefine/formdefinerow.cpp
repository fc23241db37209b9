#include "formdefine/formdefinerow.h"
#include "core/textkey.h"

#include "formdefine/commatext.h"
#include "formdefine/formdefineeventhandler.h"

TFormDefineRow::TFormDefineRow()
{
    for (int i = 0; i < kFieldCount; ++i)
        m_fields << QString();
}

TFormDefineRow::TFormDefineRow(const QStringList& fields) : m_fields(fields)
{
    while (m_fields.size() < kFieldCount)
        m_fields << QString();
}

QString TFormDefineRow::commaText() const
{
    return CommaText(m_fields);
}

void TFormDefineRow::setField(int index, const QString& text)
{
    if (index < 0 || index >= count() || m_fields[index] == text)
        return;
    QStringList fields = m_fields;
    fields[index] = text;
    change(fields);
}

void TFormDefineRow::setFields(const QStringList& fields)
{
    QStringList padded = fields;
    while (padded.size() < kFieldCount)
        padded << QString();
    if (padded != m_fields)
        change(padded);
}

void TFormDefineRow::change(const QStringList& fields)
{
    if (m_handler)
        m_handler->beforeChange();
    m_fields = fields;
    if (m_handler)
        m_handler->afterChange();
}

TFormDefineRow* TFormDefineList::find(const QString& path) const
{
    const int at = m_index.value(FoldedKey(path), -1);
    return at < 0 ? nullptr : m_rows[size_t(at)].second.get();
}

TFormDefineRow* TFormDefineList::add(const QString& path, std::unique_ptr<TFormDefineRow> row)
{
    if (TFormDefineRow* present = find(path))
        return present;
    m_index.insert(FoldedKey(path), count());
    m_rows.emplace_back(path, std::move(row));
    return m_rows.back().second.get();
}

bool TFormDefineList::remove(const QString& path)
{
    const int at = m_index.value(FoldedKey(path), -1);
    if (at < 0)
        return false;
    m_rows.erase(m_rows.begin() + at);
    m_index.clear();
    for (int i = 0; i < count(); ++i)
        m_index.insert(FoldedKey(m_rows[size_t(i)].first), i);
    return true;
}

void TFormDefineList::clear()
{
    m_rows.clear();
    m_index.clear();
}
