#include "formdata/formdatapaths.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/projectdocument.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>

QString DataDirectory()
{
    TXMLProjectType* project = App().currentProject();
    const QString directory = project ? project->RootDirectory() : QString();
    if (directory.isEmpty())
        throw TError(QStringLiteral("プロジェクトのデータディレクトリがありません"));
    return directory;
}

QString FormDataFolder()
{
    return DataDirectory() + QStringLiteral("/FormData");
}

QString FormDefineFolder()
{
    return DataDirectory() + QStringLiteral("/FormDefine");
}

QString ScreenFileName(const QString& screenId)
{
    if (screenId == QLatin1String("."))
        return QStringLiteral("%2E");
    if (screenId == QLatin1String(".."))
        return QStringLiteral("%2E%2E");
    QString name;
    name.reserve(screenId.size());
    for (const QChar c : screenId) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            name += QLatin1Char('%') + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            name += c;
    }
    // A file name holds at most 255 bytes, and the backup and temporary names add to it: a
    // longer name keeps its start and ends in a digest of the whole ID (letter case ignored,
    // as screen IDs are), so the same ID always names the same file.
    constexpr qsizetype kMaxBytes = 200, kPrefixBytes = 150;
    if (name.toUtf8().size() <= kMaxBytes)
        return name;
    QString prefix;
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const bool pair = name.at(i).isHighSurrogate() && i + 1 < name.size();
        const QString piece = pair ? name.mid(i, 2) : name.mid(i, 1);
        bytes += piece.toUtf8().size();
        if (bytes > kPrefixBytes)
            break;
        prefix += piece;
        i += piece.size() - 1;
    }
    const QByteArray digest = QCryptographicHash::hash(screenId.toCaseFolded().toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return prefix + QLatin1Char('~') + QString::fromLatin1(digest);
}

QString ScreenIdFromFileName(const QString& baseName)
{
    if (baseName.compare(QLatin1String("%2E"), Qt::CaseInsensitive) == 0)
        return QStringLiteral(".");
    if (baseName.compare(QLatin1String("%2E%2E"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("..");
    QString id;
    id.reserve(baseName.size());
    for (qsizetype i = 0; i < baseName.size(); ++i) {
        if (baseName[i] == QLatin1Char('%') && i + 2 < baseName.size()) {
            bool ok = false;
            const int code = baseName.mid(i + 1, 2).toInt(&ok, 16);
            if (ok && (code < 0x20 || code == '/' || code == '\\')) {
                id += QChar(char16_t(code));
                i += 2;
                continue;
            }
        }
        id += baseName[i];
    }
    return id;
}

QString ScreenFilePath(const QString& folder, const QString& screenId)
{
    const QString fileName = ScreenFileName(screenId) + QStringLiteral(".ini");
    const QString exact = folder + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(exact))
        return exact;
    // Screen IDs ignore letter case, as the file names of the system always have.
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().compare(fileName, Qt::CaseInsensitive) == 0)
            return it.filePath();
    }
    return exact;
}

QString ScreenIndexPath(const QString& screenId)
{
    return ScreenFilePath(FormDataFolder(), screenId);
}

QString DataFilePath(int dataId)
{
    return FormDataFolder() + QLatin1Char('/') + QString::number(dataId) + QStringLiteral(".xml");
}

QString DefinitionPath(const QString& screenId)
{
    return ScreenFilePath(FormDefineFolder(), screenId);
}
