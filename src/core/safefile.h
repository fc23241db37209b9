#pragma once

#include <QByteArray>
#include <QString>

// Rewriting stored files: the previous content is kept as "<file>.<tick>.bak" while the
// new content is written, and the new content replaces the file atomically, so a crash,
// a full disk or a read-only folder never leaves a half-written file.
namespace safefile {

enum class Backup {
    None, // plain atomic write
    Copy, // copy the old file to its backup first; the backup is removed after success
};

// "<path>.<signed tick count>.bak"
QString backupPath(const QString& path);

// Writes the bytes to the path. On failure returns false with a message in *error and
// leaves both the old file and its backup on disk.
bool write(const QString& path, const QByteArray& bytes, Backup backup = Backup::Copy, QString* error = nullptr);

// Reads a whole file; false with a message when it cannot be opened.
bool read(const QString& path, QByteArray* bytes, QString* error = nullptr);

}
