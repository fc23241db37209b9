#include "core/safefile.h"

#include "core/tickcount.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace safefile {

QString backupPath(const QString& path)
{
    return path + QLatin1Char('.') + TickCountText() + QStringLiteral(".bak");
}

bool write(const QString& path, const QByteArray& bytes, Backup backup, QString* error)
{
    QString backupFile;
    if (backup == Backup::Copy && QFileInfo::exists(path)) {
        backupFile = backupPath(path);
        QFile::remove(backupFile);
        if (!QFile::copy(path, backupFile)) {
            if (error)
                *error = QStringLiteral("cannot make the backup copy %1").arg(backupFile);
            return false;
        }
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // QSaveFile::commit() does not notice a failed flush of its buffer (Qt 6.4), so the
    // buffer is flushed and checked first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!backupFile.isEmpty())
        QFile::remove(backupFile);
    return true;
}

bool read(const QString& path, QByteArray* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

}
