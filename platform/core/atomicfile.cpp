#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

// QSaveFile is not used: Qt 6.4's commit() reports success when the last
// flush of its buffer failed (a full disk), replacing the old file with an
// empty one, and a failed write larger than its buffer comes back as
// "Unknown error". Here every step is checked, and the system's own words
// for the first one that failed are what the caller shows.

namespace zol {

namespace {

// Where the file really is: a link chosen as the file is written through,
// as an editor does, and stays a link.
QString finalPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// A name beside the file, so that the rename never crosses file systems.
QString temporaryName(const QString &target)
{
    return target + u".zol"_s +
           QString::number(QRandomGenerator::global()->generate(), 36).rightJustified(7, u'0');
}

#ifdef Q_OS_WIN

QString systemReason(DWORD code)
{
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString reason =
        length ? QString::fromWCharArray(text, length).trimmed() : u"error %1"_s.arg(code);
    if (text)
        ::LocalFree(text);
    return reason;
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

class Handle
{
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() { close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool isValid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    void reset(HANDLE handle)
    {
        close();
        m_handle = handle;
    }
    bool close()
    {
        if (!isValid())
            return true;
        const bool closed = ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

bool writeAt(HANDLE file, qint64 offset, const char *data, qint64 size, DWORD *error)
{
    while (size > 0) {
        LARGE_INTEGER at;
        at.QuadPart = offset;
        const DWORD chunk = static_cast<DWORD>(qMin<qint64>(size, 1 << 20));
        DWORD written = 0;
        if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
            !::WriteFile(file, data, chunk, &written, nullptr)) {
            *error = ::GetLastError();
            return false;
        }
        if (written == 0) {
            *error = ERROR_DISK_FULL;
            return false;
        }
        data += written;
        offset += written;
        size -= written;
    }
    return true;
}

bool setSize(HANDLE file, qint64 size)
{
    LARGE_INTEGER at;
    at.QuadPart = size;
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

bool writeInPlace(const QString &target, const QByteArray &bytes, QString *reason);

bool replaceThroughTemporary(const QString &target, const QByteArray &bytes, QString *reason,
                             LockedFolder lockedFolder)
{
    QString temporary;
    Handle file(INVALID_HANDLE_VALUE);
    DWORD error = 0;
    for (int attempt = 0; attempt < 8 && !file.isValid(); ++attempt) {
        temporary = temporaryName(target);
        file.reset(::CreateFileW(native(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        error = file.isValid() ? 0 : ::GetLastError();
        if (error != ERROR_FILE_EXISTS)
            break;
    }
    if (!file.isValid()) {
        if (error == ERROR_ACCESS_DENIED && lockedFolder == LockedFolder::WriteInPlace &&
            QFileInfo(target).isFile())
            return writeInPlace(target, bytes, reason);
        *reason = systemReason(error);
        return false;
    }
    if (!writeAt(file.get(), 0, bytes.constData(), bytes.size(), &error) ||
        !::FlushFileBuffers(file.get()) || !file.close() ||
        !::MoveFileExW(native(temporary).c_str(), native(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (!error)
            error = ::GetLastError();
        file.close();
        ::DeleteFileW(native(temporary).c_str());
        *reason = systemReason(error);
        return false;
    }
    return true;
}

bool writeInPlace(const QString &target, const QByteArray &bytes, QString *reason)
{
    // The target has no links left in it: one that appears now is not followed.
    Handle file(::CreateFileW(native(target).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    LARGE_INTEGER oldSize;
    if (!file.isValid() || !::GetFileSizeEx(file.get(), &oldSize)) {
        *reason = systemReason(::GetLastError());
        return false;
    }
    // The same order as on other systems, see there.
    const qint64 size = bytes.size();
    const qint64 kept = qMin<qint64>(oldSize.QuadPart, size);
    DWORD error = 0;
    if (size > oldSize.QuadPart &&
        (!writeAt(file.get(), kept, bytes.constData() + kept, size - kept, &error) ||
         !::FlushFileBuffers(file.get()))) {
        if (!error)
            error = ::GetLastError();
        setSize(file.get(), oldSize.QuadPart);
        *reason = systemReason(error);
        return false;
    }
    if (!writeAt(file.get(), 0, bytes.constData(), kept, &error) ||
        !::FlushFileBuffers(file.get()) || !setSize(file.get(), size) ||
        !::FlushFileBuffers(file.get()) || !file.close()) {
        *reason = systemReason(error ? error : ::GetLastError());
        return false;
    }
    return true;
}

#else

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

bool replaceThroughTemporary(const QString &target, const QByteArray &bytes, QString *reason,
                             LockedFolder lockedFolder)
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

#endif

} // namespace

bool replaceFile(const QString &path, const QByteArray &bytes, QString *reason,
                 LockedFolder lockedFolder)
{
    return replaceFileAt(finalPath(path), bytes, reason, lockedFolder);
}

bool replaceFileAt(const QString &path, const QByteArray &bytes, QString *reason,
                   LockedFolder lockedFolder)
{
    QString why;
    const bool replaced =
        replaceThroughTemporary(QFileInfo(path).absoluteFilePath(), bytes, &why, lockedFolder);
    if (!replaced && reason)
        *reason = why;
    return replaced;
}

} // namespace zol
