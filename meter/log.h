#pragma once

#include <string>
#include <string_view>

namespace zol::meter {

// One line per event on standard error, so that a test or a technician can
// follow what the meter did and when.
void logEvent(const char *format, ...) __attribute__((format(printf, 1, 2)));

// "02 56 30 30 30 03 67"
std::string hexBytes(std::string_view bytes);

} // namespace zol::meter
