#pragma once

#include <string>

namespace zol::meter {

// A meter's report as it comes down the line: several pages of readings,
// species names with their accents in code page 437, CR LF line ends and a
// form feed closing each page.
std::string sampleDump();

} // namespace zol::meter
