#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <optional>

class QIODevice;

namespace zol {

// The measurements file: "ZOL 0000", each page followed by a line holding only
// a form feed, "END" and the page counter, every line ended by CR LF, in
// Windows-1252. Other copies of the program write and read the same bytes.
inline constexpr char kMeasurementsHeader[] = "ZOL 0000";

// The counter line is the pages' count minus two, as the page store counts
// them; readers ignore it.
QByteArray formatMeasurements(const QStringList &pagesInUse);

struct MeasurementsRead
{
    enum class Status {
        Ok,
        WrongHeader,  // no header line, or not exactly the header: message 101
        TooManyPages, // more pages than the store holds: message 102
        Truncated,    // the file ends inside a page or before "END": message 102
    };

    Status status = Status::WrongHeader;
    // Why no line at all could be read, with status WrongHeader: the file is
    // missing, a folder, a device or a pipe, may not be read, or a read
    // failed. Empty when the file was read, whatever it held.
    QString unreadable;
    bool couldBeRead() const { return unreadable.isEmpty(); }
    // Every page read, the one that begins with "END" last (it holds "END"
    // and CR LF); the counter for them is entries - 3.
    QStringList entries;
    qint16 counter() const { return static_cast<qint16>(entries.size() - 3); }
};

// The largest file read: 101 pages of meter text take a few hundred
// kilobytes, and anything larger is more than the store is made for.
inline constexpr qint64 kMaxMeasurementsFileSize = 16 * 1024 * 1024;

// Reads a whole file. progress is called after each page with the progress
// bar's next value (2, 3, ... 100, then 1 again).
MeasurementsRead readMeasurements(const QByteArray &bytes,
                                  const std::function<void(int)> &progress = {});
// The same from an open device, read to its end but no further than the
// largest file; a larger one gives TooManyPages.
MeasurementsRead readMeasurements(QIODevice &device, const std::function<void(int)> &progress = {});
// Opens, reads and closes the file at path. Only a regular file is read: a
// pipe or a device, which could block or never end, and a file that cannot
// be opened or read give WrongHeader with the reason in unreadable.
MeasurementsRead readMeasurementsFile(const QString &path,
                                      const std::function<void(int)> &progress = {});

// What Open tells about a file it did not read, in one message: error 101
// for a file without the header, error 102 for one too large or cut short,
// and for one that could not be read at all error 102 with its name and the
// reason. Empty for a file that was read. errors holds the messages' texts
// in the program's language: sErr101 and sErr102.
struct MeasurementsErrors
{
    QString wrongHeader;
    QString loading;
};
QString measurementsReadError(const MeasurementsRead &read, const QString &path,
                              const MeasurementsErrors &errors);

// The index of the first page that Open would not read back as it is, or
// nothing when every page would: a page whose first line begins with "END"
// ends the file there, a line holding only a form feed splits its page, a
// lone CR or LF comes back as CR LF, and a character the code page lacks as
// "?".
std::optional<qsizetype> firstInexactPage(const QStringList &pagesInUse);

// Writes through an atomic replace: on any failure the older file of that name
// stays as it was, and reason says why. Pages that would make a file larger
// than the largest file read are refused, so that every saved file opens.
bool saveMeasurements(const QString &path, const QStringList &pagesInUse, QString *reason);

} // namespace zol
