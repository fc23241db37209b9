#include "formdata/formvaluelist.h"
#include "core/textkey.h"

int TFormValueList::indexOfName(const QString& name) const
{
    return m_index.value(FoldedKey(name), -1);
}

void TFormValueList::append(const QString& name, const QString& value)
{
    const QString key = FoldedKey(name);
    if (!m_index.contains(key))
        m_index.insert(key, int(m_entries.size()));
    m_entries.emplace_back(name, value);
}

bool TFormValueList::removeName(const QString& name)
{
    const int at = indexOfName(name);
    if (at < 0)
        return false;
    m_entries.erase(m_entries.begin() + at);
    reindex();
    return true;
}

void TFormValueList::clear()
{
    m_entries.clear();
    m_index.clear();
}

void TFormValueList::reserve(int size)
{
    m_entries.reserve(size_t(size));
    m_index.reserve(size);
}

void TFormValueList::reindex()
{
    m_index.clear();
    m_index.reserve(qsizetype(m_entries.size()));
    for (int i = int(m_entries.size()) - 1; i >= 0; --i)
        m_index.insert(FoldedKey(m_entries[size_t(i)].first), i);
}

QStringList TFormValueList::lines() const
{
    QStringList result;
    result.reserve(count());
    for (int i = 0; i < count(); ++i)
        result << line(i);
    return result;
}
