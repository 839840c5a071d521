#include "regularfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zol {

namespace {

void setReason(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
}

QString notAFile(bool folder, bool pipe)
{
    if (folder)
        return QCoreApplication::translate("zol::RegularFile", "a folder, not a file");
    if (pipe)
        return QCoreApplication::translate("zol::RegularFile", "a named pipe, not a file");
    return QCoreApplication::translate("zol::RegularFile", "a device, not a file");
}

#ifdef Q_OS_UNIX

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString notAFile(mode_t mode)
{
    return notAFile(S_ISDIR(mode), S_ISFIFO(mode));
}

#endif

} // namespace

bool openRegularFile(QFile &file, const QString &path, QString *reason)
{
    file.close();
    if (path.isEmpty()) {
        setReason(reason, QCoreApplication::translate("zol::RegularFile", "no file name"));
        return false;
    }
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    // A look before the open keeps a device from being opened at all; the
    // look after it is the one that counts.
    struct stat before = {};
    if (::stat(name.constData(), &before) != 0) {
        setReason(reason, systemReason(errno));
        return false;
    }
    if (!S_ISREG(before.st_mode)) {
        setReason(reason, notAFile(before.st_mode));
        return false;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        setReason(reason, systemReason(errno));
        return false;
    }
    struct stat opened = {};
    if (::fstat(fd, &opened) != 0) {
        setReason(reason, systemReason(errno));
        ::close(fd);
        return false;
    }
    if (!S_ISREG(opened.st_mode)) {
        setReason(reason, notAFile(opened.st_mode));
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        setReason(reason, file.errorString());
        return false;
    }
    return true;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        setReason(reason, notAFile(info.isDir(), false));
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setReason(reason, file.errorString());
        return false;
    }
    return true;
#endif
}

} // namespace zol
