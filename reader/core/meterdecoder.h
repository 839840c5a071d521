#pragma once

#include "pagestore.h"

#include <QByteArray>
#include <QChar>

#include <optional>

namespace zol {

constexpr unsigned char kFormFeed = 0x0C;

// What a byte from the meter becomes on the page: nothing for the control
// bytes the meter pads its output with, its accented letters from code page
// 437, and every other byte as Windows-1252. A form feed is not a character
// here: it is a page break, handled by receiveChunk.
std::optional<QChar> decodeMeterByte(unsigned char byte);

// Files a chunk of received bytes into the pages being filled.
//
// Text before a form feed goes to the page being filled; the space standing
// for the form feed and what follows go to the next page. The pages are
// therefore the same however the line happened to cut the bytes into chunks.
// Page breaks stop at the last page: later form feeds become spaces there.
void receiveChunk(PageStore &store, const QByteArray &chunk);

} // namespace zol
