#include "versiontext.h"

namespace zol {

QString versionText(int major, int minor, int revision)
{
    return QString::number(major) + u'.' + QString::number(minor) + QString::number(revision);
}

QString toolVersionText()
{
    return versionText(ZOLUSERNAME_VERSION_MAJOR, ZOLUSERNAME_VERSION_MINOR,
                       ZOLUSERNAME_VERSION_PATCH);
}

} // namespace zol
