#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// Rewriting stored files: the previous content is kept as "<file>.<tick>.bak" while the
// new content is written, and the new content replaces the file atomically, so a crash,
// a full disk or a read-only folder never leaves a half-written file. A write succeeds
// only when the new content and its directory entry have reached the disk.
namespace safefile {

enum class Backup {
    None, // plain atomic write
    Copy, // keep the old file as its backup first; the backup is removed after success
};

// "<path>.<signed tick count>.bak"
QString backupPath(const QString& path);

// Writes the bytes to the path. On failure returns false with a message naming the file
// and the system's reason in *error, and leaves the old file (and its backup) on disk.
bool write(const QString& path, const QByteArray& bytes, Backup backup = Backup::Copy, QString* error = nullptr);

// Reads a whole regular file; false with a message naming the file and the reason when it
// cannot be read. Anything but a regular file (a FIFO, a device, a folder) is refused
// without being opened for reading, so it can never block.
bool read(const QString& path, QByteArray* bytes, QString* error = nullptr);

// Keeps the file's current content under its backup name (a hard link, or a copy where
// links are not possible). True with an empty *backup when there is no regular file.
bool keepBackup(const QString& path, QString* backup, QString* error = nullptr);

// "<path>: <reason of errno>"
QString systemError(const QString& path, int errorNumber);

// The steps of a write (and the read) that a test can make fail: the hook gets the step and
// the path and answers 0 to go on or an errno value to fail that step with.
enum class Step { Open, Write, Sync, Rename, Read };
using FaultHook = std::function<int(Step, const QString& path)>;
void setFaultHook(FaultHook hook);

// An inter-process lock on a data directory, held for a read-change-write of its stored
// files: an advisory lock (flock) on the file ".calverdine.lock" in the directory, which
// dies with the process holding it. The same process may take it again while it holds it
// (nested saves).
class DirectoryLock {
public:
    // Waits up to the timeout for the lock; locked() tells whether it was taken, error()
    // why not. An empty directory takes no lock and counts as locked.
    explicit DirectoryLock(const QString& directory, int timeoutMs = 60000);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    bool locked() const { return m_locked; }
    const QString& error() const { return m_error; }

    // "<directory>/.calverdine.lock"
    static QString lockFilePath(const QString& directory);

private:
    QString m_key;
    bool m_locked = false;
    QString m_error;
};

}
