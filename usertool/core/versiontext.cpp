#include "versiontext.h"

namespace zol {

QString toolVersionText()
{
    return versionText(ZOLUSERNAME_VERSION_MAJOR, ZOLUSERNAME_VERSION_MINOR,
                       ZOLUSERNAME_VERSION_PATCH);
}

} // namespace zol
