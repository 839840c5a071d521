#include "filebench.h"

#include "measurementsfile.h"
#include "probedrun.h"
#include "resultstable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace zol::bench {

namespace {

constexpr int kReadingsPerPage = 50;

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

QStringList makeReportPages(int count)
{
    QStringList pages;
    int reading = 0;
    for (int page = 1; page <= count; ++page) {
        QString text = page == 1 ? QString() : u" "_s;
        text += u"ZOL 5 moisture meter         S/N 00012345\r\n"
                u"Report 14-03-2024 11:05      Page %1/%2\r\n"
                u"Site: Scierie Fran\u00e7ois, hall 2\r\n\r\n"
                u"Group %1   Species 07  M\u00e9l\u00e8ze / L\u00e4rche\r\n\r\n"
                u"  No.  Date        Time   Moist.%  Temp.C\r\n"_s.arg(page)
                    .arg(count);
        for (int i = 1; i <= kReadingsPerPage; ++i) {
            ++reading;
            text += u"%1  14-03-2024  %2:%3     %4.%5      18\r\n"_s.arg(i, 5)
                        .arg(9 + reading / 60 % 10, 2, 10, QChar(u'0'))
                        .arg(reading % 60, 2, 10, QChar(u'0'))
                        .arg(11 + reading % 9)
                        .arg(reading % 10);
        }
        text += u"\r\nReadings: %1\r\n"_s.arg(kReadingsPerPage);
        pages.append(text);
    }
    return pages;
}

FileTimes measureFiles(const QStringList &pages, const QString &dir, int repeats)
{
    FileTimes times;
    const QString path = QDir(dir).filePath(u"report.mcs"_s);
    const QString plainPath = QDir(dir).filePath(u"plain.bin"_s);
    // The counter that makes exactly these pages the pages in use.
    const auto counter = static_cast<qint16>(pages.size() - 2);
    const QByteArray bytes = formatMeasurements(pages);
    times.fileBytes = bytes.size();

    QList<double> save, open, plainWrite, plainRead;
    QElapsedTimer timer;
    for (int i = 0; i < repeats; ++i) {
        QString reason;
        timer.start();
        const bool saved = saveMeasurements(path, pages, &reason);
        save.append(msSince(timer));
        if (!saved) {
            times.error = u"saving failed: %1"_s.arg(reason);
            return times;
        }

        timer.start();
        const MeasurementsRead read = readMeasurementsFile(path);
        open.append(msSince(timer));
        if (read.status != MeasurementsRead::Status::Ok || read.counter() != counter ||
            read.entries.mid(0, pages.size()) != pages) {
            times.error = u"the saved file did not open to the same pages"_s;
            return times;
        }

        timer.start();
        QSaveFile out(plainPath);
        const bool written =
            out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
        plainWrite.append(msSince(timer));

        timer.start();
        QFile in(plainPath);
        const bool readBack = in.open(QIODevice::ReadOnly) && in.readAll() == bytes;
        plainRead.append(msSince(timer));
        if (!written || !readBack) {
            times.error = u"the plain copy failed"_s;
            return times;
        }
    }
    QFile::remove(plainPath);
    times.saveMs = median(save);
    times.openMs = median(open);
    times.plainWriteMs = median(plainWrite);
    times.plainReadMs = median(plainRead);
    return times;
}

PeakMemory measureOpenedPeak(const BenchPaths &paths, const QString &file)
{
    PeakMemory peak;
    QTemporaryDir workDir;
    ProbedRun program;
    if (!program.start(
            {paths.zolprint,
             paths.probe,
             workDir.path(),
             {{"ZOL_PROBE_TRIGGER", "mOpen"},
              {"ZOL_PROBE_ACCEPT_FILE", QFile::encodeName(QFileInfo(file).absoluteFilePath())}},
             paths.platform},
            &peak.error))
        return peak;
    int exitCode = -1;
    if (!program.waitForExit(30000, &exitCode)) {
        peak.error = u"ZOLprint did not finish opening the file"_s;
        return peak;
    }
    const ProbeReports reports = program.reports();
    if (const std::optional<QByteArray> message = reportValue(reports, "message")) {
        peak.error = u"ZOLprint said: %1"_s.arg(QString::fromUtf8(*message));
        return peak;
    }
    if (exitCode != 0 || !reportValue(reports, "triggered")) {
        peak.error = u"ZOLprint ended (status %1) before opening the file: %2"_s.arg(exitCode).arg(
            QString::fromLocal8Bit(program.output().right(500)));
        return peak;
    }
    // The first peak is noted when the window is shown, the last once the
    // file is open.
    for (const auto &[key, value] : reports) {
        if (key != "hwm")
            continue;
        if (!peak.shownKb)
            peak.shownKb = value.toLongLong();
        peak.openedKb = value.toLongLong();
    }
    return peak;
}

} // namespace zol::bench
