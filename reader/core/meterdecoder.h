#pragma once

#include <QByteArray>
#include <QChar>

#include <optional>

namespace zol {

constexpr unsigned char kFormFeed = 0x0C;

// What a byte from the meter becomes on the page: nothing for the control
// bytes the meter pads its output with, its accented letters from code page
// 437, and every other byte as Windows-1252. A form feed is not a character
// here: it is a page break, which the page store files.
std::optional<QChar> decodeMeterByte(unsigned char byte);

} // namespace zol
