#include "formdata/formdatainfo.h"

TFormDataInfo* TFormDataInfoList::find(int id) const
{
    const int pos = indexOf(id);
    return pos < 0 ? nullptr : at(pos);
}

TFormDataInfo* TFormDataInfoList::add(int id, const QString& name)
{
    if (TFormDataInfo* existing = find(id)) {
        existing->Name = name;
        return existing;
    }
    m_index.insert(id, count());
    m_infos.push_back(std::make_unique<TFormDataInfo>(TFormDataInfo { id, name }));
    return m_infos.back().get();
}

bool TFormDataInfoList::remove(int id)
{
    const int pos = indexOf(id);
    if (pos < 0)
        return false;
    m_infos.erase(m_infos.begin() + pos);
    m_index.clear();
    for (int i = 0; i < count(); ++i)
        m_index.insert(m_infos[size_t(i)]->ID, i);
    return true;
}

void TFormDataInfoList::clear()
{
    m_infos.clear();
    m_index.clear();
}
