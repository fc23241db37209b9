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
    TFormDataInfoList& list = dataList(screenId);
    // The list shows the new name only once the index holds it.
    fileCommand().SetDataName(screenId, dataId, name);
    if (TFormDataInfo* info = list.find(dataId))
        info->Name = name;
}

void TFormDataManager::deleteData(const QString& screenId, int dataId)
{
    TFormDataInfoList& list = dataList(screenId);
    fileCommand().DeleteData(screenId, dataId);
    list.remove(dataId);
    m_store.remove(dataId);
}

int TFormDataManager::save(const QString& screenId, const TTagBase& tag, int dataId, bool* written, const QString& newName)
{
    if (written)
        *written = false;
    TFormDataInfoList& list = dataList(screenId);
    TFormDataInfo* info = list.find(dataId);
    const bool added = !info;
    if (added) {
        QString name = newName.isEmpty() ? NewDataName() : newName;
        for (QChar& c : name) {
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                c = QLatin1Char(' ');
        }
        info = list.add(AllocateFileId(), name);
    }
    const int id = info->ID;
    // A new set that could not be stored is not listed: the list shows only stored sets.
    auto forget = [&] {
        if (added) {
            list.remove(id);
            m_store.remove(id);
        }
    };
    bool ok = false;
    try {
        const TFormValueList& values = m_store.fillFromTag(id, tag, m_includeHidden);
        ok = fileCommand().SaveData(screenId, id, info->Name, values);
    } catch (...) {
        forget();
        throw;
    }
    if (!ok)
        forget();
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
