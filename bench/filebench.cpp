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
        QString text = page == 1 ? QString() : QStringLiteral(" ");
        text += QStringLiteral("ZOL 5 moisture meter         S/N 00012345\r\n"
                               "Report 14-03-2024 11:05      Page %1/%2\r\n"
                               "Site: Scierie Fran\u00e7ois, hall 2\r\n\r\n"
                               "Group %1   Species 07  M\u00e9l\u00e8ze / L\u00e4rche\r\n\r\n"
                               "  No.  Date        Time   Moist.%  Temp.C\r\n")
                    .arg(page)
                    .arg(count);
        for (int i = 1; i <= kReadingsPerPage; ++i) {
            ++reading;
            text += QStringLiteral("%1  14-03-2024  %2:%3     %4.%5      18\r\n")
                        .arg(i, 5)
                        .arg(9 + reading / 60 % 10, 2, 10, QLatin1Char('0'))
                        .arg(reading % 60, 2, 10, QLatin1Char('0'))
                        .arg(11 + reading % 9)
                        .arg(reading % 10);
        }
        text += QStringLiteral("\r\nReadings: %1\r\n").arg(kReadingsPerPage);
        pages.append(text);
    }
    return pages;
}

FileTimes measureFiles(const QStringList &pages, const QString &dir, int repeats)
{
    FileTimes times;
    const QString path = QDir(dir).filePath(QStringLiteral("report.mcs"));
    const QString plainPath = QDir(dir).filePath(QStringLiteral("plain.bin"));
    // The counter that makes exactly these pages the pages in use.
    const auto counter = static_cast<qint16>(pages.size() - 2);
    const QByteArray bytes = formatMeasurements(pages, counter);
    times.fileBytes = bytes.size();

    QList<double> save, open, plainWrite, plainRead;
    QElapsedTimer timer;
    for (int i = 0; i < repeats; ++i) {
        QString reason;
        timer.start();
        const bool saved = saveMeasurements(path, pages, counter, &reason);
        save.append(msSince(timer));
        if (!saved) {
            times.error = QStringLiteral("saving failed: %1").arg(reason);
            return times;
        }

        timer.start();
        const MeasurementsRead read = readMeasurementsFile(path);
        open.append(msSince(timer));
        if (read.status != MeasurementsRead::Status::Ok || read.counter() != counter ||
            read.entries.mid(0, pages.size()) != pages) {
            times.error = QStringLiteral("the saved file did not open to the same pages");
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
            times.error = QStringLiteral("the plain copy failed");
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
        peak.error = QStringLiteral("ZOLprint did not finish opening the file");
        return peak;
    }
    const ProbeReports reports = program.reports();
    if (const std::optional<QByteArray> message = reportValue(reports, "message")) {
        peak.error = QStringLiteral("ZOLprint said: %1").arg(QString::fromUtf8(*message));
        return peak;
    }
    if (exitCode != 0 || !reportValue(reports, "triggered")) {
        peak.error = QStringLiteral("ZOLprint ended (status %1) before opening the file: %2")
                         .arg(exitCode)
                         .arg(QString::fromLocal8Bit(program.output().right(500)));
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
