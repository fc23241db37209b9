#include "operation/testfilecommand.h"
#include "operation/commandautooperation.h"
#include "operation/operationcommands.h"
#include "operation/operationlist.h"

#include "core/popupinfo.h"
#include "core/inifile.h"
#include "core/log.h"
#include "core/safefile.h"
#include "core/textcodec.h"
#include "formdata/formdatapaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kInfo = QStringLiteral("Info");

QString typeKey(int index)
{
    return QStringLiteral("OperationType[%1]").arg(index);
}

// The fields of a command text: the first `fixed` fields split at commas, then the rest
// as one text, so a name or key containing commas reads back whole.
QStringList splitFields(const QString& text, int fixed)
{
    QStringList fields;
    qsizetype from = 0;
    while (fields.size() < fixed) {
        const qsizetype comma = text.indexOf(QLatin1Char(','), from);
        if (comma < 0)
            break;
        fields << text.mid(from, comma - from);
        from = comma + 1;
    }
    fields << text.mid(from);
    return fields;
}

// Whether the data folder's lock was taken; reported as an error when not.
bool locked(const safefile::DirectoryLock& lock)
{
    if (lock.locked())
        return true;
    LogError(QStringLiteral("file save error: ") + lock.error());
    return false;
}

}

TTestFileCommand::TTestFileCommand(QString folder)
    : m_folder(std::move(folder))
    , m_listFileName(m_folder + QStringLiteral("/OperationList.txt"))
{
}

QString TTestFileCommand::CurrentFolder()
{
    return DataDirectory() + QStringLiteral("/OperationData");
}

QString TTestFileCommand::operationFileName(int operationId) const
{
    return m_folder + QLatin1Char('/') + QString::number(operationId) + QStringLiteral(".ini");
}

// ---- the stored form ----

QByteArray TTestFileCommand::OperationFileBytes(const TCommandAutoOperation& operation)
{
    TIniFile ini;
    ini.writeInteger(kInfo, QStringLiteral("OperationID"), operation.ID);
    ini.writeString(kInfo, QStringLiteral("OperationName"), operation.Name);
    ini.writeInteger(kInfo, QStringLiteral("OtherAutoOperationID"), operation.OtherAutoOperationID);
    ini.writeString(kInfo, QStringLiteral("MoveAddress"), operation.MoveAddress);
    ini.writeString(kInfo, QStringLiteral("TargetScreenID"), operation.TargetScreenID);
    ini.writeString(kInfo, QStringLiteral("FinishedScreenID"), operation.FinishedScreenID);
    for (int i = 0; i < operation.count(); ++i)
        ini.writeString(kInfo, typeKey(i), operation.at(i)->GetOperationType());
    // Every section is followed by a blank line.
    return ini.toBytes() + QByteArrayLiteral("\r\n");
}

std::unique_ptr<TCommandAbstract> TTestFileCommand::ParseCommand(const QString& text, const QString& targetScreenId)
{
    const QStringList head = splitFields(text, 1);
    bool ok = false;
    const int kind = head.first().trimmed().toInt(&ok);
    if (!ok)
        return nullptr;
    switch (kind) {
    case 0:
    case 4: {
        const QStringList fields = splitFields(text, 2);
        const QString dataId = fields.value(1);
        const QString dataName = fields.value(2);
        if (kind == 0) {
            auto command = std::make_unique<TCommandInputData>();
            command->ScreenID = targetScreenId;
            command->DataID = dataId;
            command->DataName = dataName;
            return command;
        }
        auto command = std::make_unique<TCommandFormCompare>();
        command->ScreenID = targetScreenId;
        command->DataID = dataId;
        command->DataName = dataName;
        return command;
    }
    case 1: {
        const QStringList fields = text.split(QLatin1Char(','));
        const QString box = fields.value(1).trimmed();
        if (box == QLatin1String("1")) {
            auto command = std::make_unique<TCommandClickPopup>();
            command->BoxType = TPopupMessageInfo::kAlert;
            command->Button = 1;
            return command;
        }
        const int button = fields.value(2).trimmed().toInt(&ok);
        if (box == QLatin1String("2") && ok && (button == 1 || button == 2)) {
            auto command = std::make_unique<TCommandClickPopup>();
            command->BoxType = TPopupMessageInfo::kConfirm;
            command->Button = button;
            return command;
        }
        return nullptr;
    }
    case 2: {
        auto command = std::make_unique<TCommandClickButton>();
        command->ButtonKey = head.value(1);
        return command;
    }
    case 3: {
        auto command = std::make_unique<TCommandClickAnchor>();
        command->AnchorKey = head.value(1);
        return command;
    }
    default:
        return nullptr;
    }
}

void TTestFileCommand::ParseOperationFile(const QByteArray& bytes, TCommandAutoOperation& operation)
{
    TIniFile ini;
    ini.parse(bytes);
    operation.Name = ini.readString(kInfo, QStringLiteral("OperationName"));
    operation.OtherAutoOperationID = ini.readInteger(kInfo, QStringLiteral("OtherAutoOperationID"), 0);
    operation.MoveAddress = ini.readString(kInfo, QStringLiteral("MoveAddress"));
    operation.TargetScreenID = ini.readString(kInfo, QStringLiteral("TargetScreenID"));
    operation.FinishedScreenID = ini.readString(kInfo, QStringLiteral("FinishedScreenID"));
    for (int i = 0;; ++i) {
        const QString text = ini.readString(kInfo, typeKey(i));
        if (text.isEmpty())
            break;
        std::unique_ptr<TCommandAbstract> command = ParseCommand(text, operation.TargetScreenID);
        if (!command) {
            LogWarn(QStringLiteral("operation %1: unknown command left out: %2=%3").arg(operation.ID).arg(typeKey(i), text));
            continue;
        }
        operation.append(std::move(command));
    }
}

// ---- files ----

bool TTestFileCommand::saveBytes(const QString& path, const QByteArray& bytes)
{
    if (safefile::write(path, bytes, safefile::Backup::Copy))
        return true;
    LogError(QStringLiteral("file save error: ") + path);
    return false;
}

bool TTestFileCommand::saveLines(const QString& path, const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return saveBytes(path, textcodec::toCp932(text));
}

bool TTestFileCommand::readList(QStringList* lines)
{
    lines->clear();
    if (!QFileInfo::exists(m_listFileName))
        return true;
    QByteArray bytes;
    if (!safefile::read(m_listFileName, &bytes)) {
        LogError(QStringLiteral("file load error: ") + m_listFileName);
        return false;
    }
    const QStringList raw = textcodec::fromCp932(bytes).split(QLatin1Char('\n'));
    for (QString line : raw) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            lines->append(line);
    }
    return true;
}

bool TTestFileCommand::writeOperation(const TCommandAutoOperation& operation)
{
    return saveBytes(operationFileName(operation.ID), OperationFileBytes(operation));
}

bool TTestFileCommand::readOperation(TCommandAutoOperation& operation)
{
    const QString path = operationFileName(operation.ID);
    QByteArray bytes;
    if (QFileInfo::exists(path) && !safefile::read(path, &bytes)) {
        LogError(QStringLiteral("file load error: ") + path);
        return false;
    }
    ParseOperationFile(bytes, operation);
    return true;
}

void TTestFileCommand::LoadOperations(TOperationList& operations)
{
    operations.clear();
    if (!QFileInfo::exists(m_listFileName)) {
        QDir().mkpath(m_folder);
        saveLines(m_listFileName, {});
    }
    QStringList lines;
    if (!readList(&lines))
        return;
    for (const QString& line : lines) {
        bool ok = false;
        const int id = line.trimmed().toInt(&ok);
        if (!ok || id == 0) {
            LogWarn(QStringLiteral("operation list: not an operation ID: ") + line);
            continue;
        }
        auto operation = std::make_unique<TCommandAutoOperation>(id);
        if (readOperation(*operation))
            operations.add(QString::number(id), std::move(operation));
    }
}

bool TTestFileCommand::AddOperation(const TCommandAutoOperation& operation)
{
    // The list is read, changed and written under the data folder's lock, so another process
    // changing it at the same time never loses an operation.
    safefile::DirectoryLock lock(QFileInfo(m_folder).path());
    if (!locked(lock))
        return false;
    QStringList lines;
    if (!readList(&lines))
        return false;
    QDir().mkpath(m_folder);
    // The operation first, its list line last: an operation is listed only once it is stored.
    const QString path = operationFileName(operation.ID);
    const bool existed = QFileInfo::exists(path);
    if (!writeOperation(operation))
        return false;
    lines << QString::number(operation.ID);
    if (!saveLines(m_listFileName, lines)) {
        if (!existed)
            QFile::remove(path);
        return false;
    }
    return true;
}

bool TTestFileCommand::SaveOperation(const TCommandAutoOperation& operation)
{
    return writeOperation(operation);
}

bool TTestFileCommand::DeleteOperation(const QString& operationId)
{
    safefile::DirectoryLock lock(QFileInfo(m_folder).path());
    if (!locked(lock))
        return false;
    QStringList lines;
    if (!readList(&lines))
        return false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).trimmed() == operationId.trimmed()) {
            lines.removeAt(i);
            break;
        }
    }
    if (!saveLines(m_listFileName, lines))
        return false;
    bool ok = false;
    const int id = operationId.toInt(&ok);
    if (ok) {
        const QString path = operationFileName(id);
        if (QFileInfo::exists(path) && !QFile::remove(path))
            LogWarn(QStringLiteral("file delete error: ") + path);
    }
    return true;
}
