#include "formdata/formdataopenmodel.h"

#include "core/inifile.h"
#include "formdata/formdatapaths.h"

#include <QDir>

TFormDataOpenModel::TFormDataOpenModel(const QString& currentScreenId, const QString& folder)
    : m_folder(folder.isEmpty() ? FormDataFolder() : folder)
    , m_currentScreenId(currentScreenId)
{
    const QStringList files = QDir(m_folder).entryList({ QStringLiteral("*.ini") },
                                                       QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& file : files) {
        const QString screenId = ScreenIdFromFileName(file.left(file.indexOf(QLatin1String(".ini"), 0, Qt::CaseInsensitive)));
        if (screenId.compare(m_currentScreenId, Qt::CaseInsensitive) != 0)
            m_screenIds << screenId;
    }
}

void TFormDataOpenModel::chooseScreen(const QString& screenId)
{
    m_chosenScreenId = screenId;
    m_chosenDataId = 0;
    TIniFile index(ScreenFilePath(m_folder, screenId));
    index.load();
    m_keys = index.keyNames(QStringLiteral("Info"));
    m_names.clear();
    for (const QString& key : m_keys)
        m_names << index.readString(QStringLiteral("Info"), key);
}

void TFormDataOpenModel::chooseData(int row)
{
    m_chosenDataId = row >= 0 && row < m_keys.size() ? m_keys[row].trimmed().toInt() : 0;
}

QString TFormDataOpenModel::acceptMessage() const
{
    if (m_chosenScreenId.isEmpty() || m_chosenDataId == 0)
        return QStringLiteral("画面IDを選択の上、データ名を指定してください");
    return QString();
}
