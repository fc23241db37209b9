#include "core/fileidallocator.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/log.h"
#include "core/safefile.h"
#include "core/tickcount.h"
#include "core/projectdocument.h"

#include <QDir>

#include <limits>

namespace {
const char* const kSubFolders[] = { "Capture", "Favorite", "FormData", "FormDefine", "FormTemplate", "OperationData", "TabWindow" };
constexpr int kCandidates = 10001;
}

void TFileIdAllocator::buildUsedNames(const QString& directory)
{
    m_usedNames.clear();
    m_built = true;
    m_builtFor = directory;
    if (directory.isEmpty())
        return;
    for (const char* folder : kSubFolders) {
        const QDir dir(directory + QLatin1Char('/') + QLatin1String(folder));
        const QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            const QString upper = name.toUpper();
            qsizetype at = upper.indexOf(QLatin1String(".INI"));
            if (at < 0)
                at = upper.indexOf(QLatin1String(".XML"));
            if (at < 0)
                at = upper.indexOf(QLatin1String(".TXT"));
            if (at >= 0)
                m_usedNames.insert(name.left(at));
        }
    }
}

bool TFileIdAllocator::take(qint32 candidate)
{
    if (candidate <= m_lastIssued || m_usedNames.contains(QString::number(candidate)))
        return false;
    m_lastIssued = candidate;
    return true;
}

int TFileIdAllocator::allocate()
{
    QString directory = m_fixedDirectory;
    if (directory.isEmpty()) {
        if (TXMLProjectType* project = App().currentProject())
            directory = project->RootDirectory();
    }
    // The set is built once per data directory: after another project is opened, the IDs
    // of its files must not be issued again.
    if (!m_built || directory != m_builtFor)
        buildUsedNames(directory);

    // Other processes issue IDs for the same folder: under the folder's lock, the last ID
    // any of them issued is read from the folder and the new one written back, so two
    // processes never issue the same ID, even in the same millisecond.
    const safefile::DirectoryLock lock(directory);
    const QString sharedPath = directory.isEmpty() || !lock.locked() ? QString() : directory + QStringLiteral("/.calverdine.lastid");
    if (!sharedPath.isEmpty()) {
        QByteArray bytes;
        bool ok = false;
        const int shared = safefile::read(sharedPath, &bytes) ? bytes.trimmed().toInt(&ok) : 0;
        if (ok && shared > m_lastIssued)
            m_lastIssued = shared;
    }
    const int id = pick();
    if (!sharedPath.isEmpty()) {
        QString error;
        if (!safefile::write(sharedPath, QByteArray::number(id), safefile::Backup::None, &error))
            LogWarn(QStringLiteral("file ID: ") + error);
    }
    return id;
}

int TFileIdAllocator::pick()
{
    const quint32 tick = TickCount();
    for (int i = 0; i < kCandidates; ++i) {
        if (take(qint32(tick + quint32(i))))
            return m_lastIssued;
    }
    // Read as a signed number the tick count turns negative after 24.8 days of uptime and
    // stays below the IDs issued before it wrapped: the IDs then go on above the last one.
    for (qint64 candidate = qint64(m_lastIssued) + 1; candidate <= qint64(m_lastIssued) + kCandidates; ++candidate) {
        if (candidate > std::numeric_limits<qint32>::max())
            break;
        if (take(qint32(candidate)))
            return m_lastIssued;
    }
    LogError(QStringLiteral("create favorite error. "));
    throw TError(QStringLiteral("create favorite error. "));
}

int AllocateFileId()
{
    return App().service<TFileIdAllocator>().allocate();
}
