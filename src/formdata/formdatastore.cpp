#include "formdata/formdatastore.h"

#include "core/error.h"

QString DeletedDataMessage()
{
    return QStringLiteral("データは削除されています");
}

TFormValueList& TFormDataStore::getOrCreate(int dataId)
{
    auto& slot = m_lists[dataId];
    if (!slot)
        slot = std::make_unique<TFormValueList>();
    return *slot;
}

TFormValueList& TFormDataStore::get(int dataId)
{
    const auto it = m_lists.find(dataId);
    if (it == m_lists.end())
        throw TError(DeletedDataMessage());
    return *it->second;
}
