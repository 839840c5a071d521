#include "measurementsfile.h"

#include "atomicfile.h"
#include "codepage.h"
#include "pagestore.h"
#include "regularfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace zol {

namespace {

const QString kCrLf = u"\r\n"_s;
const QString kSeparator = u"\f"_s;

// Lines end at CR LF, at a lone CR or at a lone LF: a file that went through
// an editor, mail or version control on another system has the same lines.
// The last line needs no line end.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(line);
            line.clear();
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

bool isCharacterDevice(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace

QByteArray formatMeasurements(const QStringList &pagesInUse)
{
    const qsizetype counter = pagesInUse.size() - 2;
    QString text = QLatin1String(kMeasurementsHeader) + kCrLf;
    for (const QString &page : pagesInUse)
        text += page + kCrLf + kSeparator + kCrLf;
    text += u"END"_s + kCrLf + QString::number(counter) + kCrLf;
    return toAnsi(text);
}

MeasurementsRead readMeasurements(const QByteArray &bytes, const std::function<void(int)> &progress)
{
    MeasurementsRead result;
    const QStringList lines = splitLines(fromAnsi(bytes));
    if (lines.isEmpty() || lines.first() != QLatin1String(kMeasurementsHeader))
        return result;

    int value = 1;
    qsizetype at = 1;
    for (;;) {
        if (at >= lines.size()) {
            result.status = MeasurementsRead::Status::Truncated;
            result.entries.clear();
            return result;
        }
        if (result.entries.size() == PageStore::kPageCount) {
            result.status = MeasurementsRead::Status::TooManyPages;
            result.entries.clear();
            return result;
        }
        const bool endPage = lines.at(at).startsWith(u"END"_s);
        QString page;
        if (endPage) {
            page = lines.at(at) + kCrLf;
        } else {
            QStringList pageLines;
            while (at < lines.size() && lines.at(at) != kSeparator)
                pageLines.append(lines.at(at++));
            if (at >= lines.size()) {
                result.status = MeasurementsRead::Status::Truncated;
                result.entries.clear();
                return result;
            }
            page = pageLines.join(kCrLf);
        }
        ++at;
        result.entries.append(page);
        value = value < 100 ? value + 1 : 1;
        if (progress)
            progress(value);
        if (endPage)
            break;
    }
    result.status = MeasurementsRead::Status::Ok;
    return result;
}

MeasurementsRead readMeasurements(QIODevice &device, const std::function<void(int)> &progress)
{
    const QByteArray bytes = device.read(kMaxMeasurementsFileSize + 1);
    if (bytes.size() > kMaxMeasurementsFileSize) {
        MeasurementsRead tooLarge;
        tooLarge.status = MeasurementsRead::Status::TooManyPages;
        return tooLarge;
    }
    return readMeasurements(bytes, progress);
}

MeasurementsRead readMeasurementsFile(const QString &path, const std::function<void(int)> &progress)
{
    QFile file;
    MeasurementsRead unread;
    if (!openRegularFile(file, path, &unread.unreadable))
        return unread;
    const QByteArray bytes = file.read(kMaxMeasurementsFileSize + 1);
    // A disk that fails under the file reads as an empty file otherwise.
    if (file.error() != QFileDevice::NoError) {
        unread.unreadable = file.errorString();
        return unread;
    }
    if (bytes.size() > kMaxMeasurementsFileSize) {
        MeasurementsRead tooLarge;
        tooLarge.status = MeasurementsRead::Status::TooManyPages;
        return tooLarge;
    }
    return readMeasurements(bytes, progress);
}

QString measurementsReadError(const MeasurementsRead &read, const QString &path,
                              const MeasurementsErrors &errors)
{
    if (!read.couldBeRead())
        return errors.loading + u"\r\n"_s + QDir::toNativeSeparators(path) + u"\r\n"_s +
               read.unreadable;
    switch (read.status) {
    case MeasurementsRead::Status::Ok:
        return {};
    case MeasurementsRead::Status::WrongHeader:
        return errors.wrongHeader;
    case MeasurementsRead::Status::TooManyPages:
    case MeasurementsRead::Status::Truncated:
        break;
    }
    return errors.loading;
}

std::optional<qsizetype> firstInexactPage(const QStringList &pagesInUse)
{
    // A file holds as many pages as the store beside the one that ends it.
    constexpr qsizetype kMostPages = PageStore::kPageCount - 1;
    if (pagesInUse.size() > kMostPages) {
        if (const std::optional<qsizetype> inexact = firstInexactPage(pagesInUse.first(kMostPages)))
            return inexact;
        return kMostPages;
    }
    // Asking the reader itself, so that this can never disagree with Open.
    const MeasurementsRead read = readMeasurements(formatMeasurements(pagesInUse));
    const qsizetype pagesRead =
        read.status == MeasurementsRead::Status::Ok ? read.entries.size() - 1 : 0;
    for (qsizetype i = 0; i < pagesInUse.size(); ++i) {
        if (i >= pagesRead || read.entries.at(i) != pagesInUse.at(i))
            return i;
    }
    return std::nullopt;
}

bool saveMeasurements(const QString &path, const QStringList &pagesInUse, QString *reason)
{
    const QByteArray bytes = formatMeasurements(pagesInUse);
    // What is saved must open again: a file past the reading limit would be
    // refused by Open, here and in every other copy of the program.
    if (bytes.size() > kMaxMeasurementsFileSize) {
        if (reason)
            *reason = QCoreApplication::translate("zol::MeasurementsFile",
                                                  "too large to be opened again");
        return false;
    }
    // A device chosen as the file is written to, never replaced by a regular
    // file, which an atomic rename would do. Only a character device (a
    // terminal, /dev/null): opening a pipe waits for a reader, and a disk
    // must never be written over.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        if (!isCharacterDevice(path)) {
            if (reason)
                *reason = QCoreApplication::translate("zol::MeasurementsFile", "not a file");
            return false;
        }
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly) || device.write(bytes) != bytes.size() ||
            !device.flush()) {
            if (reason)
                *reason = device.errorString();
            return false;
        }
        return true;
    }

    return replaceFile(path, bytes, reason);
}

} // namespace zol
