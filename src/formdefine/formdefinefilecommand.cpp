#include "formdefine/formdefinefilecommand.h"

#include "core/error.h"
#include "core/inifile.h"
#include "formdata/formdatapaths.h"
#include "formdefine/commatext.h"
#include "formdefine/formdefinemanager.h"
#include "formdefine/formdefinerow.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kInfo = QStringLiteral("Info");
const QString kType = QStringLiteral("Type");
const QString kEmptyRow = QStringLiteral(",,,,,,,,,,,,,,,,,,");
}

TFormDefineFileCommand::TFormDefineFileCommand(TFormDefineManager& manager, TPartTypeLookup typeLookup)
    : m_manager(manager)
    , m_typeLookup(typeLookup ? std::move(typeLookup) : TPartTypeLookup(&CurrentDocumentPartType))
{
}

void TFormDefineFileCommand::SaveDefinitions(const QString& screenId)
{
    const TFormDefineList* list = m_manager.loadedList(screenId);
    if (!list)
        return;
    TIniFile ini(DefinitionPath(screenId));
    for (int i = 0; i < list->count(); ++i)
        ini.writeString(kInfo, list->pathAt(i), list->at(i)->commaText());
    for (int i = 0; i < list->count(); ++i)
        ini.writeString(kType, list->pathAt(i), m_typeLookup(list->pathAt(i)));
    QDir().mkpath(QFileInfo(ini.fileName()).path());
    QString error;
    if (!ini.save(&error, true))
        throw TError(QStringLiteral("file save error: ") + ini.fileName());
}

void TFormDefineFileCommand::LoadDefinitions(const QString& screenId, TFormDefineList& list, TFormDefineEventHandler* handler)
{
    TIniFile ini(DefinitionPath(screenId));
    QString error;
    if (!ini.load(&error))
        throw TError(QStringLiteral("file load error: ") + ini.fileName());
    for (const QString& path : ini.keyNames(kInfo)) {
        auto row = std::make_unique<TFormDefineRow>(SplitCommaText(ini.readString(kInfo, path, kEmptyRow)));
        list.add(path, std::move(row))->bind(handler);
    }
}
