#pragma once

#include <QString>

namespace zol::test {

// The pages of a PDF that Qt's printer wrote, counted from its page objects
// (Qt leaves them uncompressed); -1 when the file cannot be read.
int pdfPages(const QString &path);

} // namespace zol::test
