#include "formdata/formdatafilecommand.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/eventbus.h"
#include "core/inifile.h"
#include "core/log.h"
#include "core/prompter.h"
#include "core/safefile.h"
#include "formdata/formdatacommon.h"
#include "formdata/formdatainfo.h"
#include "formdata/formdatapaths.h"
#include "formdata/formdatapopuphistory.h"
#include "formdata/formdatastore.h"
#include "formdata/formvaluelist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pugixml.hpp>

#include <unistd.h>

namespace {

const QString kInfo = QStringLiteral("Info");

class TByteWriter final : public pugi::xml_writer {
public:
    explicit TByteWriter(QByteArray& out) : m_out(out) {}
    void write(const void* data, size_t size) override { m_out.append(static_cast<const char*>(data), qsizetype(size)); }

private:
    QByteArray& m_out;
};

void showError(const QString& text)
{
    if (TPrompter* prompter = App().prompter())
        prompter->message(text, QString(), TPrompter::Buttons::Ok, TPrompter::Icon::Error);
}

void loadIndexFile(TIniFile& ini)
{
    QString error;
    if (!ini.load(&error))
        throw TError(QStringLiteral("file load error: ") + ini.fileName());
}

void writeIndexFile(const TIniFile& ini, bool withBackup)
{
    QDir().mkpath(QFileInfo(ini.fileName()).path());
    QString error;
    if (!ini.save(&error, withBackup))
        throw TError(QStringLiteral("file save error: ") + ini.fileName());
}

// The previous data file under "<file>.<tick>.bak" while the new one is written. A hard link
// costs nothing however large the file: the new content replaces the file by a rename, so
// the link keeps the old content. A copy where links are not possible. False when neither
// can be made: the file is then not rewritten.
bool keepBackup(const QString& path, QString* backup)
{
    backup->clear();
    if (!QFileInfo::exists(path))
        return true;
    const QString name = safefile::backupPath(path);
    QFile::remove(name);
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(name).constData()) != 0
        && !QFile::copy(path, name))
        return false;
    *backup = name;
    return true;
}

}

TFormDataFileCommand::TFormDataFileCommand(TPartTypeLookup typeLookup)
    : m_typeLookup(typeLookup ? std::move(typeLookup) : TPartTypeLookup(&CurrentDocumentPartType))
{
}

QByteArray TFormDataFileCommand::DataFileBytes(const TFormValueList& values, const TPartTypeLookup& typeLookup)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("FormData");
    for (int i = 0; i < values.count(); ++i) {
        pugi::xml_node item = root.append_child("FormDataItem");
        item.append_attribute("key").set_value(values.name(i).toUtf8().constData());
        const QString type = typeLookup ? typeLookup(values.name(i)) : QString();
        item.append_attribute("atttype").set_value(type.toUtf8().constData());
        if (!values.value(i).isEmpty())
            item.append_child(pugi::node_pcdata).set_value(values.value(i).toUtf8().constData());
    }
    QByteArray bytes;
    TByteWriter writer(bytes);
    doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration | pugi::format_no_empty_element_tags,
             pugi::encoding_utf8);
    return bytes;
}

bool TFormDataFileCommand::ParseDataFile(const QByteArray& bytes, TFormValueList& values)
{
    pugi::xml_document doc;
    // Line ends inside values stay as they were written.
    const unsigned flags = pugi::parse_default & ~pugi::parse_eol;
    const pugi::xml_parse_result result = doc.load_buffer(bytes.constData(), size_t(bytes.size()), flags, pugi::encoding_utf8);
    const pugi::xml_node root = doc.document_element();
    if (!result || !root)
        return false;
    values.clear();
    for (pugi::xml_node item = root.child("FormDataItem"); item; item = item.next_sibling("FormDataItem"))
        values.append(QString::fromUtf8(item.attribute("key").value()), QString::fromUtf8(item.child_value()));
    return true;
}

bool TFormDataFileCommand::SaveData(const QString& screenId, int dataId, const QString& name, const TFormValueList& values)
{
    TIniFile index(ScreenIndexPath(screenId));
    loadIndexFile(index);
    index.writeString(kInfo, QString::number(dataId), name);
    writeIndexFile(index, true);

    const QString dataPath = DataFilePath(dataId);
    QString backup;
    if (!keepBackup(dataPath, &backup)
        || !safefile::write(dataPath, DataFileBytes(values, m_typeLookup), safefile::Backup::None)) {
        showError(QStringLiteral("ファイルが保存できませんでした"));
        LogError(QStringLiteral("file save error: ") + dataPath);
        return false;
    }
    if (!backup.isEmpty())
        QFile::remove(backup);
    return true;
}

void TFormDataFileCommand::SetDataName(const QString& screenId, int dataId, const QString& name)
{
    TIniFile index(ScreenIndexPath(screenId));
    loadIndexFile(index);
    index.writeString(kInfo, QString::number(dataId), name);
    writeIndexFile(index, false);
}

void TFormDataFileCommand::DeleteData(const QString& screenId, int dataId)
{
    TIniFile index(ScreenIndexPath(screenId));
    loadIndexFile(index);
    index.deleteKey(kInfo, QString::number(dataId));
    writeIndexFile(index, false);
    const QString dataPath = DataFilePath(dataId);
    if (QFileInfo::exists(dataPath) && !QFile::remove(dataPath))
        LogWarn(QStringLiteral("file delete error: ") + dataPath);
}

void TFormDataFileCommand::LoadValues(int dataId, TFormValueList& values)
{
    const QString dataPath = DataFilePath(dataId);
    if (!QFileInfo::exists(dataPath))
        return;
    QByteArray bytes;
    if (!safefile::read(dataPath, &bytes) || !ParseDataFile(bytes, values)) {
        values.clear();
        showError(QStringLiteral("ファイルが開けませんでした"));
    }
}

void TFormDataFileCommand::LoadIndex(const QString& screenId, TFormDataInfoList& infos, TFormDataStore& store,
                                     TFormDataPopupHistory* saveHistory)
{
    TIniFile index(ScreenIndexPath(screenId));
    loadIndexFile(index);
    for (const QString& key : index.keyNames(kInfo)) {
        bool ok = false;
        const int dataId = key.trimmed().toInt(&ok);
        if (!ok) {
            // A hand-edited line: the others still load, and the line stays in the file.
            LogWarn(QStringLiteral("form data index: not a data ID: ") + key + QStringLiteral(" in ") + index.fileName());
            continue;
        }
        infos.add(dataId, index.readString(kInfo, key));
        LoadValues(dataId, store.getOrCreate(dataId));
        if (saveHistory)
            saveHistory->add(screenId, dataId);
    }
    App().bus().NotifyFormDataNameModified(formdata::currentTabId());
}
