#pragma once

#include <QString>

#include <optional>

namespace zol {

// The COM port number as typed into the window: a whole number from 1 to 255,
// surrounding spaces allowed. Anything else has no port.
std::optional<qint16> comPortNumber(const QString &typed);

} // namespace zol
