#include "formdata/formdatamanager.h"

#include "core/appcontext.h"
#include "core/tabaccess.h"
#include "core/fileidallocator.h"
#include "formdata/formdatapopuphistory.h"

QString NewDataName()
{
    return QStringLiteral("New Data");
}

TFormDataManager::TFormDataManager() = default;
TFormDataManager::~TFormDataManager() = default;

TFormDataFileCommand& TFormDataManager::fileCommand()
{
    if (!m_fileCommand)
        m_fileCommand = std::make_unique<TFormDataFileCommand>();
    return *m_fileCommand;
}

TFormDataInfoList& TFormDataManager::dataList(const QString& screenId)
{
    const QString key = screenId.toCaseFolded();
    if (auto it = m_screens.constFind(key); it != m_screens.cend())
        return **it;
    auto list = std::make_shared<TFormDataInfoList>();
    m_screens.insert(key, list);
    TFormDataPopupHistory* history = nullptr;
    if (TTabRegistry* tabs = App().tabs) {
        if (TTabView* tab = tabs->CurrentTab())
            history = &App().service<TFormDataHistories>().saveHistory(tab->TabId());
    }
    try {
        fileCommand().LoadIndex(screenId, *list, m_store, history);
    } catch (...) {
        // Not loaded: the next request reads the index again.
        m_screens.remove(key);
        throw;
    }
    return *list;
}

bool TFormDataManager::exists(const QString& screenId, int dataId)
{
    return dataList(screenId).contains(dataId);
}

QString TFormDataManager::dataName(const QString& screenId, int dataId)
{
    const TFormDataInfo* info = dataList(screenId).find(dataId);
    return info ? info->Name : QString();
}

void TFormDataManager::changeName(const QString& screenId, int dataId, const QString& newName)
{
    // The name is one line of the screen index: line breaks would cut it.
    QString name = newName;
    for (QChar& c : name) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    if (TFormDataInfo* info = dataList(screenId).find(dataId))
        info->Name = name;
    fileCommand().SetDataName(screenId, dataId, name);
}

void TFormDataManager::deleteData(const QString& screenId, int dataId)
{
    dataList(screenId).remove(dataId);
    m_store.remove(dataId);
    fileCommand().DeleteData(screenId, dataId);
}

int TFormDataManager::save(const QString& screenId, const TTagBase& tag, int dataId, bool* written)
{
    TFormDataInfoList& list = dataList(screenId);
    TFormDataInfo* info = list.find(dataId);
    if (!info)
        info = list.add(AllocateFileId(), NewDataName());
    const int id = info->ID;
    const TFormValueList& values = m_store.fillFromTag(id, tag, m_includeHidden);
    const bool ok = fileCommand().SaveData(screenId, id, info->Name, values);
    if (written)
        *written = ok;
    return id;
}

TFormValueList& TFormDataManager::loadValues(const QString& screenId, int dataId)
{
    dataList(screenId); // the screen's data sets are in the store once its index is loaded
    TFormValueList& values = m_store.get(dataId);
    fileCommand().LoadValues(dataId, values);
    return values;
}

void TFormDataManager::clear()
{
    m_screens.clear();
    m_store.clear();
}
