// The POSIX half of replaceFile (atomicfile.cpp): descriptors, errno, and
// fsync of the file and of its folder.
#include "atomicfile_p.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zol {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    bool isValid() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    void reset(int fd)
    {
        close();
        m_fd = fd;
    }
    // Some file systems report a failed write only here.
    bool close()
    {
        if (m_fd < 0)
            return true;
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 || errno == EINTR;
    }

private:
    int m_fd;
};

bool writeAt(int fd, qint64 offset, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, static_cast<size_t>(size), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        offset += written;
        size -= written;
    }
    return true;
}

bool syncFile(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// The rename is on the disk only once its folder is. A folder that cannot be
// opened or synced changes nothing: the new file is in place by then, and
// saying the save failed would be the false report.
void syncFolder(const QString &target)
{
    const Descriptor folder(::open(native(QFileInfo(target).absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isValid())
        syncFile(folder.get());
}

// A folder that takes no new file, but a file that may be written: the old
// bytes are never cut first. What does not fit yet is added after them, and
// taken off again when the disk is full; only then are the old bytes
// overwritten, which needs no new space, and the file shortened last.
bool writeInPlace(const QString &target, const QByteArray &bytes, QString *reason)
{
    // Not blocking: a pipe put in the file's place must not hold the program.
    // The target has no links left in it: one that appears now is not followed.
    Descriptor file(
        ::open(native(target).constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat info = {};
    if (!file.isValid() || ::fstat(file.get(), &info) != 0) {
        *reason = systemReason(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *reason = systemReason(EINVAL);
        return false;
    }
    const qint64 oldSize = info.st_size;
    const qint64 size = bytes.size();
    const qint64 kept = qMin(oldSize, size);
    if (size > oldSize && (!writeAt(file.get(), oldSize, bytes.constData() + kept, size - kept) ||
                           !syncFile(file.get()))) {
        const int error = errno;
        [[maybe_unused]] const int cut = ::ftruncate(file.get(), oldSize);
        *reason = systemReason(error);
        return false;
    }
    if (!writeAt(file.get(), 0, bytes.constData(), kept) || !syncFile(file.get()) ||
        ::ftruncate(file.get(), size) != 0 || !syncFile(file.get()) || !file.close()) {
        *reason = systemReason(errno);
        return false;
    }
    return true;
}

} // namespace

bool detail::replaceThroughTemporary(const QString &target, const QByteArray &bytes,
                                     QString *reason, LockedFolder lockedFolder)
{
    struct stat old = {};
    const bool replacing = ::stat(native(target).constData(), &old) == 0;
    // A file the user may not write is not replaced behind their back,
    // although its folder would allow that.
    if (replacing && S_ISREG(old.st_mode) &&
        ::faccessat(AT_FDCWD, native(target).constData(), W_OK, AT_EACCESS) != 0) {
        *reason = systemReason(errno);
        return false;
    }
    QString temporary;
    Descriptor file(-1);
    int error = 0;
    for (int attempt = 0; attempt < 8 && !file.isValid(); ++attempt) {
        temporary = temporaryName(target);
        // Nobody else may read the new file before it has the old one's mode.
        file.reset(::open(native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          replacing ? 0600 : 0666));
        error = file.isValid() ? 0 : errno;
        if (error != EEXIST)
            break;
    }
    if (!file.isValid()) {
        if ((error == EACCES || error == EPERM || error == EROFS) &&
            lockedFolder == LockedFolder::WriteInPlace && replacing && S_ISREG(old.st_mode))
            return writeInPlace(target, bytes, reason);
        *reason = systemReason(error);
        return false;
    }
    if (!writeAt(file.get(), 0, bytes.constData(), bytes.size()) ||
        (replacing && ::fchmod(file.get(), old.st_mode & 07777) != 0) || !syncFile(file.get()) ||
        !file.close() || ::rename(native(temporary).constData(), native(target).constData()) != 0) {
        error = errno;
        file.close();
        ::unlink(native(temporary).constData());
        *reason = systemReason(error);
        return false;
    }
    syncFolder(target);
    return true;
}

} // namespace zol
