#include "programversion.h"

namespace zol {

QString versionText(int major, int minor, int revision)
{
    return QString::number(major) + u'.' + QString::number(minor) + QString::number(revision);
}

} // namespace zol
