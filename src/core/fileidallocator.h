#pragma once

#include <QSet>
#include <QString>

// Issues the numeric IDs that name files in the project's data directory: data sets,
// tabs, favorites, operations and commands. An ID is the tick count (or a little after it),
// above every ID issued before in this run, and not the base name of any file found in
// the data directory's sub-folders; while the tick count is below the last ID (it wrapped),
// the IDs follow the last one. Processes sharing a data directory share the last ID through
// the file ".calverdine.lastid" in it, read and written under the directory's lock, so
// their IDs never collide. A process-wide service: App().service<TFileIdAllocator>().
class TFileIdAllocator {
public:
    // Raises TError (after the log error "create favorite error. ") when no ID is free.
    int allocate();

    // The used-name set is built from this directory (none: the current project's).
    void setDataDirectory(const QString& directory) { m_fixedDirectory = directory; }

private:
    void buildUsedNames(const QString& directory);
    // Issues the candidate when it is above the last ID and names no file.
    bool take(qint32 candidate);
    int pick();

    int m_lastIssued = 0;
    bool m_built = false;
    QString m_builtFor;
    QString m_fixedDirectory;
    QSet<QString> m_usedNames;
};

// App().service<TFileIdAllocator>().allocate()
int AllocateFileId();
