#pragma once

#include <QString>

namespace zol {

// The version as both programs show it: major, a dot, then minor and
// revision run together ("1.00" for 1.0.0, "1.23" for 1.2.3, "1.105" for
// 1.10.5).
QString versionText(int major, int minor, int revision);

} // namespace zol
