#include "ordinaryuser.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace zol::test {

namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;
} // namespace

AsOrdinaryUser::AsOrdinaryUser()
{
    if (::geteuid() != 0)
        return;
    if (::setegid(kNogroup) != 0 || ::seteuid(kNobody) != 0) {
        m_failure = QString::fromLocal8Bit(std::strerror(errno));
        ::setegid(0);
        return;
    }
    m_switched = true;
}

AsOrdinaryUser::~AsOrdinaryUser()
{
    if (!m_switched)
        return;
    // Back to root: the rest of the test and its clean-up need those rights.
    if (::seteuid(0) != 0 || ::setegid(0) != 0)
        std::abort();
}

bool denyAccess(const QString &path)
{
    const mode_t mode = QFileInfo(path).isDir() ? 0555 : 0;
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace zol::test
