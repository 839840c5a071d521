#pragma once

#include "programversion.h"

namespace zol {

// This build's own, from the project version.
QString toolVersionText();

} // namespace zol
