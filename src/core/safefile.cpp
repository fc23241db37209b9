#include "core/safefile.h"

#include "core/tickcount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {
namespace {

FaultHook& faultHook()
{
    static FaultHook hook;
    return hook;
}

// 0 to go on, or the errno a test asked this step to fail with.
int injected(Step step, const QString& path)
{
    const FaultHook& hook = faultHook();
    return hook ? hook(step, path) : 0;
}

void setError(QString* error, const QString& path, int errorNumber)
{
    if (error)
        *error = systemError(path, errorNumber);
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// Closes the descriptor on every path out.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    // Closes now; the errno of a failed close, else 0.
    int close()
    {
        if (m_fd < 0)
            return 0;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

int writeAll(int fd, const char* data, qsizetype size, const QString& path)
{
    while (size > 0) {
        if (const int fault = injected(Step::Write, path))
            return fault;
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

bool copyFile(const QString& from, const QString& to, QString* error)
{
    QByteArray bytes;
    if (!read(from, &bytes, error))
        return false;
    return write(to, bytes, Backup::None, error);
}

}

QString systemError(const QString& path, int errorNumber)
{
    return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errorNumber));
}

void setFaultHook(FaultHook hook)
{
    faultHook() = std::move(hook);
}

QString backupPath(const QString& path)
{
    return path + QLatin1Char('.') + TickCountText() + QStringLiteral(".bak");
}

bool keepBackup(const QString& path, QString* backup, QString* error)
{
    backup->clear();
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return true;
    const QString name = backupPath(path);
    ::unlink(native(name).constData());
    // A hard link costs nothing however large the file: the new content replaces the file
    // by a rename, so the link keeps the old content.
    if (::link(native(path).constData(), native(name).constData()) != 0 && !copyFile(path, name, error))
        return false;
    *backup = name;
    return true;
}

bool write(const QString& path, const QByteArray& bytes, Backup backup, QString* error)
{
    QString backupFile;
    if (backup == Backup::Copy && !keepBackup(path, &backupFile, error))
        return false;

    const QFileInfo info(path);
    const QString directory = info.absolutePath();
    QByteArray temp = native(directory + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX.tmp"));
    if (const int fault = injected(Step::Open, path)) {
        setError(error, path, fault);
        return false;
    }
    Fd fd(::mkostemps(temp.data(), 4, O_CLOEXEC));
    if (fd.get() < 0) {
        setError(error, path, errno);
        return false;
    }
    auto fail = [&](int errorNumber) {
        fd.reset();
        ::unlink(temp.constData());
        setError(error, path, errorNumber);
        return false;
    };
    // The file keeps the usual permissions of a new file rather than mkstemp's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.get(), 0666 & ~mask);
    if (const int rc = writeAll(fd.get(), bytes.constData(), bytes.size(), path))
        return fail(rc);
    if (const int fault = injected(Step::Sync, path))
        return fail(fault);
    if (::fdatasync(fd.get()) != 0)
        return fail(errno);
    if (const int rc = fd.close())
        return fail(rc);
    if (const int fault = injected(Step::Rename, path))
        return fail(fault);
    if (::rename(temp.constData(), native(path).constData()) != 0)
        return fail(errno);
    // The new name must reach the disk too, or a crash could bring the old file back.
    Fd dir(::open(native(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0 && ::fsync(dir.get()) != 0 && errno != EINVAL && errno != ENOTSUP) {
        setError(error, path, errno);
        return false;
    }
    if (!backupFile.isEmpty())
        ::unlink(native(backupFile).constData());
    return true;
}

bool read(const QString& path, QByteArray* bytes, QString* error)
{
    // Non-blocking, so that opening a FIFO never waits for a writer; the type is checked
    // before anything is read.
    if (const int fault = injected(Step::Read, path)) {
        setError(error, path, fault);
        return false;
    }
    Fd fd(::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        setError(error, path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        setError(error, path, errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (error)
            *error = path + QStringLiteral(": not a regular file");
        return false;
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    QByteArray result;
    result.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            setError(error, path, errno);
            return false;
        }
        if (n == 0)
            break;
        result.append(buffer, qsizetype(n));
    }
    *bytes = std::move(result);
    return true;
}

namespace {

struct HeldLock {
    int fd = -1;
    int depth = 0;
};

std::map<QString, HeldLock>& heldLocks()
{
    static std::map<QString, HeldLock> locks;
    return locks;
}

}

QString DirectoryLock::lockFilePath(const QString& directory)
{
    return directory + QStringLiteral("/.calverdine.lock");
}

DirectoryLock::DirectoryLock(const QString& directory, int timeoutMs)
{
    if (directory.isEmpty()) {
        m_locked = true;
        return;
    }
    const QString key = QFileInfo(directory).absoluteFilePath();
    if (auto it = heldLocks().find(key); it != heldLocks().end()) {
        ++it->second.depth;
        m_key = key;
        m_locked = true;
        return;
    }
    // An advisory lock of the kernel on the lock file: it goes with the process that holds
    // it, however that process ends, so a killed save never leaves the folder locked. The
    // file itself stays; its content does not matter.
    QDir().mkpath(key);
    const QString lockPath = lockFilePath(key);
    const int fd = ::open(native(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        m_error = systemError(lockPath, errno);
        return;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
            m_error = errno == EWOULDBLOCK ? lockPath + QStringLiteral(": the data folder is in use by another process")
                                           : systemError(lockPath, errno);
            ::close(fd);
            return;
        }
        QThread::msleep(5); // another process is saving: its save takes milliseconds
    }
    heldLocks()[key] = HeldLock { fd, 1 };
    m_key = key;
    m_locked = true;
}

DirectoryLock::~DirectoryLock()
{
    if (m_key.isEmpty())
        return;
    auto it = heldLocks().find(m_key);
    if (it == heldLocks().end())
        return;
    if (--it->second.depth == 0) {
        ::close(it->second.fd); // releases the lock
        heldLocks().erase(it);
    }
}

}
