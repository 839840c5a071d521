// zolbench: measures ZOLprint and the user-name tool side by side with their
// floors, prints the table and writes it with the machine it ran on.

#include "benchpaths.h"
#include "filebench.h"
#include "procinfo.h"
#include "receivepath.h"
#include "resultstable.h"
#include "startup.h"
#include "transfercost.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace zol::bench;

namespace {

constexpr double kStartupGoal = 1.3;
constexpr double kCpuGoal = 0.01;
constexpr double kIdleCpuGoal = 0.002;
constexpr double kIdleWakeupGoal = 5;

struct Plan
{
    bool quick = false;
    QStringList parts;
    int startupRuns = 15;
    int idleSeconds = 10;
    qsizetype decodeSize = 4 * 1024 * 1024;
    int decodeRepeats = 15;
    // Up to past the largest file the program opens (16 MiB).
    QList<qsizetype> fullSpeedSizes = {64 * 1024,       256 * 1024,       1024 * 1024,
                                       4 * 1024 * 1024, 16 * 1024 * 1024, 24 * 1024 * 1024,
                                       32 * 1024 * 1024};
    int fileRepeats = 21;
    // Start-up is measured on each; the rest on the first.
    QList<QByteArray> platforms = {"offscreen"};
};

QString platformText(const QByteArray &platform)
{
    return platform == "xcb" ? QStringLiteral("X display") : QString::fromLatin1(platform);
}

void progress(const QString &text)
{
    std::fprintf(stderr, "zolbench: %s\n", qPrintable(text));
    std::fflush(stderr);
}

QString ms(double value)
{
    return QStringLiteral("%1 ms").arg(value, 0, 'f', value < 10 ? 2 : 1);
}

QString percent(std::optional<double> share)
{
    return share ? QStringLiteral("%1 %").arg(*share * 100, 0, 'f', 2) : QStringLiteral("-");
}

QString megabytesPerSecond(double bytesPerSecond)
{
    return QStringLiteral("%1 MB/s").arg(bytesPerSecond / 1e6, 0, 'f', 1);
}

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

bool startupRows(const BenchPaths &paths, const Plan &plan, QList<ResultRow> &rows)
{
    progress(QStringLiteral("start-up on %1, %2 runs each")
                 .arg(platformText(paths.platform))
                 .arg(plan.startupRuns));
    const StartupTimes times = measureStartup(paths, plan.startupRuns);
    if (!times.error.isEmpty()) {
        progress(QStringLiteral("start-up failed: ") + times.error);
        return false;
    }
    const std::optional<double> floor = median(times.barewindowMs);
    const struct
    {
        const char *name;
        const QList<double> &times;
    } programs[] = {{"Start-up to shown window: ZOLprint", times.zolprintMs},
                    {"Start-up to shown window: ZOL user name", times.usertoolMs}};
    for (const auto &program : programs) {
        const std::optional<double> value = median(program.times);
        const std::optional<double> ratio = ratioOf(value, floor);
        rows.append({QStringLiteral("%1 (%2)").arg(QLatin1String(program.name),
                                                   platformText(paths.platform)),
                     value ? ms(*value) : QString(),
                     floor ? QStringLiteral("bare window %1").arg(ms(*floor)) : QString(), ratio,
                     QStringLiteral("ratio <= 1.3"),
                     ratio ? std::optional<bool>(*ratio <= kStartupGoal) : std::nullopt});
    }
    return true;
}

bool transferRows(const BenchPaths &paths, const Plan &plan, QList<ResultRow> &rows)
{
    progress(QStringLiteral("CPU share of a 2400-baud transfer of the sample dump (about %1 s)")
                 .arg(26 + plan.idleSeconds * 3 / 2));
    const TransferCost cost = measureTransferCost(paths, plan.idleSeconds);
    if (!cost.error.isEmpty()) {
        progress(QStringLiteral("transfer failed: ") + cost.error);
        return false;
    }
    const auto shareRow = [](const QString &name, std::optional<double> share, double goal) {
        const std::optional<double> ratio = ratioOf(share, goal);
        return ResultRow{name,
                         percent(share),
                         QStringLiteral("%1 of one core").arg(percent(goal)),
                         ratio,
                         QStringLiteral("<= %1").arg(percent(goal)),
                         ratio ? std::optional<bool>(*ratio <= 1.0) : std::nullopt};
    };
    const auto wakeupRow = [](const QString &name, std::optional<double> perSecond) {
        const std::optional<double> ratio = ratioOf(perSecond, kIdleWakeupGoal);
        return ResultRow{name,
                         perSecond ? QStringLiteral("%1 /s").arg(*perSecond, 0, 'f', 1)
                                   : QStringLiteral("-"),
                         QStringLiteral("%1 /s").arg(kIdleWakeupGoal),
                         ratio,
                         QStringLiteral("<= %1 /s").arg(kIdleWakeupGoal),
                         ratio ? std::optional<bool>(*ratio <= 1.0) : std::nullopt};
    };
    const QString before =
        QStringLiteral("idle %1 s before any transfer").arg(plan.idleSeconds / 2);
    const QString after = QStringLiteral("idle %1 s after the transfer, from 1 s after its end")
                              .arg(plan.idleSeconds);
    rows.append(shareRow(QStringLiteral("CPU share, ZOLprint, transfer of %1 bytes at 2400 baud "
                                        "with its 10-s end (%2 s)")
                             .arg(cost.dumpBytes)
                             .arg(cost.transferSeconds, 0, 'f', 1),
                         cost.transfer, kCpuGoal));
    rows.append(
        shareRow(QStringLiteral("CPU share, ZOLprint, ") + before, cost.idleBefore, kIdleCpuGoal));
    rows.append(wakeupRow(QStringLiteral("Wake-ups (context switches), ZOLprint, ") + before,
                          cost.wakeupsBefore));
    rows.append(
        {QStringLiteral("Context switches, ZOLprint, the first second after the transfer "
                        "(showing its pages)"),
         cost.switchesShowingEnd ? QString::number(*cost.switchesShowingEnd) : QStringLiteral("-"),
         QStringLiteral("-"), std::nullopt, QStringLiteral("none set"), std::nullopt});
    rows.append(
        shareRow(QStringLiteral("CPU share, ZOLprint, ") + after, cost.idleAfter, kIdleCpuGoal));
    rows.append(wakeupRow(QStringLiteral("Wake-ups (context switches), ZOLprint, ") + after,
                          cost.wakeupsAfter));
    return true;
}

bool receiveRows(const Plan &plan, const QString &scratch, QList<ResultRow> &rows)
{
    progress(QStringLiteral("decoding and page store, %1").arg(sizeText(plan.decodeSize)));
    const MeterDump decodeDump = makeMeterDump(plan.decodeSize, zol::PageStore::kLastPage);
    const DecodeSpeed speed = measureDecoding(decodeDump.bytes, plan.decodeRepeats);
    const std::optional<double> copy = speed.copyBytesPerSecond > 0
                                           ? std::optional<double>(speed.copyBytesPerSecond)
                                           : std::nullopt;
    rows.append(
        {QStringLiteral("Receive path: decoding into the page store (%1 in 32767-byte reads)")
             .arg(sizeText(plan.decodeSize)),
         megabytesPerSecond(speed.decodeBytesPerSecond),
         QStringLiteral("plain copy %1").arg(megabytesPerSecond(speed.copyBytesPerSecond)),
         // How many times longer than the copy.
         ratioOf(copy, speed.decodeBytesPerSecond), QStringLiteral("none set"), std::nullopt});

    qsizetype largest = 0;
    FullSpeedReceive largestRun;
    qsizetype largestReopening = 0;
    qsizetype tried = 0;
    bool ok = true;
    for (const qsizetype bytes : plan.fullSpeedSizes) {
        tried = bytes;
        progress(QStringLiteral("full-speed dump of %1").arg(sizeText(bytes)));
        const FullSpeedReceive run =
            receiveAtFullSpeed(makeMeterDump(bytes, zol::PageStore::kLastPage), scratch);
        if (!run.exact) {
            progress(QStringLiteral("%1: %2").arg(sizeText(bytes), run.problem));
            ok = false;
            break;
        }
        const QString saved = run.fileBytes == 0
                                  ? QStringLiteral("not saved: %1").arg(run.saveProblem)
                                  : QStringLiteral("saved as %1 bytes, %2")
                                        .arg(run.fileBytes)
                                        .arg(run.reopens ? QStringLiteral("opens again")
                                                         : QStringLiteral("does not open again"));
        progress(QStringLiteral("%1 received whole in %2 ms; %3")
                     .arg(sizeText(bytes))
                     .arg(run.seconds * 1000, 0, 'f', 1)
                     .arg(saved));
        largest = bytes;
        largestRun = run;
        // Beyond what it saves and opens again, a larger dump says nothing more.
        if (!run.reopens)
            break;
        largestReopening = bytes;
    }
    rows.append(
        {QStringLiteral("Receive path: largest dump received byte-exact at full "
                        "pseudo-terminal speed (100 pages)"),
         largest == 0 ? QStringLiteral("none")
         : largestRun.seconds > 0
             ? QStringLiteral("%1 at %2")
                   .arg(sizeText(largest), megabytesPerSecond(double(largest) / largestRun.seconds))
             : sizeText(largest),
         QStringLiteral("largest tried %1").arg(sizeText(tried)),
         ratioOf(double(largest), double(tried)), QStringLiteral("none set"), std::nullopt});
    rows.append(
        {QStringLiteral(
             "Receive path: largest of those that save and open again (Save refuses larger)"),
         largestReopening > 0 ? sizeText(largestReopening) : QStringLiteral("none"),
         QStringLiteral("largest received %1").arg(sizeText(largest)),
         ratioOf(double(largestReopening), double(largest)), QStringLiteral("none set"),
         std::nullopt});
    return ok;
}

bool fileRows(const BenchPaths &paths, const Plan &plan, const QString &scratch,
              QList<ResultRow> &rows)
{
    progress(QStringLiteral("open and save of a 100-page file, %1 times").arg(plan.fileRepeats));
    const QStringList pages = makeReportPages(100);
    const FileTimes times = measureFiles(pages, scratch, plan.fileRepeats);
    if (!times.error.isEmpty()) {
        progress(QStringLiteral("files failed: ") + times.error);
        return false;
    }
    const QString kb = QStringLiteral("%1 KB").arg(times.fileBytes / 1000);
    rows.append({QStringLiteral("Open a 100-page measurements file (%1)").arg(kb),
                 ms(*times.openMs), QStringLiteral("plain read %1").arg(ms(*times.plainReadMs)),
                 ratioOf(times.openMs, times.plainReadMs), QStringLiteral("none set"),
                 std::nullopt});
    rows.append(
        {QStringLiteral("Save a 100-page measurements file (%1)").arg(kb), ms(*times.saveMs),
         QStringLiteral("plain atomic write %1").arg(ms(*times.plainWriteMs)),
         ratioOf(times.saveMs, times.plainWriteMs), QStringLiteral("none set"), std::nullopt});

    progress(QStringLiteral("peak memory of ZOLprint opening that file"));
    const QString file = QDir(scratch).filePath(QStringLiteral("report.mcs"));
    const PeakMemory peak = measureOpenedPeak(paths, file);
    if (!peak.error.isEmpty()) {
        progress(QStringLiteral("peak memory failed: ") + peak.error);
        return false;
    }
    const auto mb = [](std::optional<qint64> kb) {
        return kb ? QStringLiteral("%1 MB").arg(double(*kb) / 1024.0, 0, 'f', 1) : QString();
    };
    rows.append(
        {QStringLiteral("Peak memory (VmHWM) of ZOLprint after File > Open of that file"),
         mb(peak.openedKb),
         QStringLiteral("same process, window just shown %1").arg(mb(peak.shownKb)),
         ratioOf(peak.openedKb ? std::optional<double>(double(*peak.openedKb)) : std::nullopt,
                 peak.shownKb ? std::optional<double>(double(*peak.shownKb)) : std::nullopt),
         QStringLiteral("none set"), std::nullopt});
    return true;
}

QString machineText(const QString &platformsText)
{
    return QStringLiteral(
               "- Date: %1\n- Machine: %2, %3 logical CPUs, %4\n- Qt: %5 (built with %6)\n"
               "- Build: %7\n- Programs run on: %8\n")
        .arg(QDateTime::currentDateTime().toString(Qt::ISODate), cpuModel())
        .arg(QThread::idealThreadCount())
        .arg(QSysInfo::prettyProductName() + QStringLiteral(", kernel ") +
                 QSysInfo::kernelVersion(),
             QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
             QStringLiteral(ZOL_BENCH_BUILD_TYPE), platformsText);
}

QString platformsDescription(const QList<QByteArray> &platforms)
{
    QStringList names;
    for (const QByteArray &platform : platforms) {
        names.append(
            platform == "xcb"
                ? QStringLiteral("xcb on X display %1").arg(qEnvironmentVariable("DISPLAY"))
                : QString::fromLatin1(platform));
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

int main(int argc, char *argv[])
{
    // The window the receive path runs in is never shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures ZOLprint and ZOL user name."));
    parser.addHelpOption();
    const QCommandLineOption quickOption(
        QStringLiteral("quick"), QStringLiteral("One short round of each, to see that it runs."));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"), QStringLiteral("Comma-separated: startup,transfer,receive,files."),
        QStringLiteral("parts"));
    const QCommandLineOption resultsOption(QStringLiteral("results"),
                                           QStringLiteral("Markdown file to write the table to."),
                                           QStringLiteral("file"));
    const QCommandLineOption platformsOption(
        QStringLiteral("platforms"),
        QStringLiteral("Comma-separated Qt platforms to run the programs on: xcb (needs an X "
                       "display), offscreen. Start-up is measured on each, the rest on the "
                       "first. Default: offscreen."),
        QStringLiteral("list"));
    parser.addOptions({quickOption, onlyOption, resultsOption, platformsOption});
    parser.process(app);

    Plan plan;
    plan.parts = parser.isSet(onlyOption)
                     ? parser.value(onlyOption).split(QLatin1Char(','), Qt::SkipEmptyParts)
                     : QStringList{QStringLiteral("startup"), QStringLiteral("transfer"),
                                   QStringLiteral("receive"), QStringLiteral("files")};
    for (const QString &part : plan.parts) {
        if (!QStringList{QStringLiteral("startup"), QStringLiteral("transfer"),
                         QStringLiteral("receive"), QStringLiteral("files")}
                 .contains(part)) {
            std::fprintf(stderr, "zolbench: unknown part \"%s\"\n", qPrintable(part));
            return 2;
        }
    }
    if (parser.isSet(quickOption)) {
        plan.quick = true;
        plan.startupRuns = 1;
        plan.idleSeconds = 2;
        plan.decodeSize = 256 * 1024;
        plan.decodeRepeats = 3;
        plan.fullSpeedSizes = {64 * 1024};
        plan.fileRepeats = 3;
    }

    if (parser.isSet(platformsOption)) {
        plan.platforms.clear();
        for (const QString &platform :
             parser.value(platformsOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (platform != u"xcb" && platform != u"offscreen") {
                std::fprintf(stderr, "zolbench: unknown platform \"%s\"\n", qPrintable(platform));
                return 2;
            }
            plan.platforms.append(platform.toLatin1());
        }
        if (plan.platforms.isEmpty())
            plan.platforms = {"offscreen"};
    }
    if (plan.platforms.contains("xcb") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "zolbench: xcb needs an X display (DISPLAY is not set)\n");
        return 2;
    }

    BenchPaths paths{QStringLiteral(ZOLPRINT_PATH),   QStringLiteral(USERTOOL_PATH),
                     QStringLiteral(BAREWINDOW_PATH), QStringLiteral(SHOWNPROBE_PATH),
                     QStringLiteral(ZOLMETER_PATH),   plan.platforms.first()};
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "zolbench: no scratch folder\n");
        return 1;
    }

    QList<ResultRow> rows;
    bool ok = true;
    if (plan.parts.contains(QStringLiteral("startup"))) {
        for (const QByteArray &platform : plan.platforms) {
            BenchPaths on = paths;
            on.platform = platform;
            ok = startupRows(on, plan, rows) && ok;
        }
    }
    if (plan.parts.contains(QStringLiteral("transfer")))
        ok = transferRows(paths, plan, rows) && ok;
    if (plan.parts.contains(QStringLiteral("receive")))
        ok = receiveRows(plan, scratch.path(), rows) && ok;
    if (plan.parts.contains(QStringLiteral("files")))
        ok = fileRows(paths, plan, scratch.path(), rows) && ok;

    const QString table = markdownTable(rows);
    std::fputs(qPrintable(QLatin1Char('\n') + table), stdout);
    std::fflush(stdout);

    if (parser.isSet(resultsOption)) {
        QFile results(parser.value(resultsOption));
        const QString text = QStringLiteral("# Benchmark results\n\n") +
                             machineText(platformsDescription(plan.platforms)) + QLatin1Char('\n') +
                             table;
        if (!results.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            results.write(text.toUtf8()) < 0) {
            std::fprintf(stderr, "zolbench: cannot write %s\n", qPrintable(results.fileName()));
            return 1;
        }
    }
    return ok ? 0 : 1;
}
