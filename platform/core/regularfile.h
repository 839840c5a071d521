#pragma once

#include <QString>

class QFile;

namespace zol {

// Opens path for reading, but only when it is a regular file. A named pipe
// would wait for a writer, for ever if none comes; a device may never end,
// and opening a serial port raises its lines. What is checked is the file
// that was opened, so nothing put in its place meanwhile is read instead.
// On failure file stays closed and reason, when given, says why in a line
// that needs no file name: the system's words for a file that is missing or
// may not be read, this program's for a folder, a device or a pipe.
bool openRegularFile(QFile &file, const QString &path, QString *reason = nullptr);

} // namespace zol
