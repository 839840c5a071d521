// zolbench: measures ZOLprint and the user-name tool side by side with their
// floors, prints the table and writes it with the machine it ran on.

#include "builtpaths.h"
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

using namespace Qt::StringLiterals;

using namespace zol::bench;

namespace {

constexpr double kStartupGoal = 1.2;
// ZOLprint's transfer against the bare reader's, in the median of the rounds.
constexpr double kTransferGoal = 1.2;
constexpr double kIdleCpuGoal = 0.002;
constexpr double kIdleWakeupGoal = 5;

struct Plan
{
    bool quick = false;
    QStringList parts;
    int startupRuns = 15;
    int idleSeconds = 10;
    int transferRounds = 5;
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
    return platform == "xcb" ? u"X display"_s : QString::fromLatin1(platform);
}

void progress(const QString &text)
{
    std::fprintf(stderr, "zolbench: %s\n", qPrintable(text));
    std::fflush(stderr);
}

QString ms(double value)
{
    return u"%1 ms"_s.arg(value, 0, 'f', value < 10 ? 2 : 1);
}

QString percent(std::optional<double> share)
{
    return share ? u"%1 %"_s.arg(*share * 100, 0, 'f', 2) : u"-"_s;
}

QString megabytesPerSecond(double bytesPerSecond)
{
    return u"%1 MB/s"_s.arg(bytesPerSecond / 1e6, 0, 'f', 1);
}

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return u"%1 MiB"_s.arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return u"%1 KiB"_s.arg(bytes / 1024);
    return u"%1 bytes"_s.arg(bytes);
}

QString goalText(double ratio)
{
    return u"ratio <= %1"_s.arg(ratio, 0, 'f', 1);
}

bool startupRows(const BenchPaths &paths, const Plan &plan, QList<ResultRow> &rows)
{
    progress(
        u"start-up on %1, %2 runs each"_s.arg(platformText(paths.platform)).arg(plan.startupRuns));
    const StartupTimes times = measureStartup(paths, plan.startupRuns);
    if (!times.error.isEmpty()) {
        progress(u"start-up failed: "_s + times.error);
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
        rows.append({u"%1 (%2)"_s.arg(QLatin1String(program.name), platformText(paths.platform)),
                     value ? ms(*value) : QString(),
                     floor ? u"bare window %1"_s.arg(ms(*floor)) : QString(), ratio,
                     goalText(kStartupGoal),
                     ratio ? std::optional<bool>(*ratio <= kStartupGoal) : std::nullopt});
    }
    // What any text costs before a program does anything of its own: the
    // part of the goal that no program that shows text can go below.
    const std::optional<double> text = median(times.textwindowMs);
    rows.append({u"Start-up to shown window: a bare window with one line of text (%1)"_s.arg(
                     platformText(paths.platform)),
                 text ? ms(*text) : QString(),
                 floor ? u"bare window %1"_s.arg(ms(*floor)) : QString(), ratioOf(text, floor),
                 u"none set"_s, std::nullopt});
    const std::optional<double> zolprint = median(times.zolprintMs);
    rows.append({u"Start-up to shown window: ZOLprint against the window with text (%1)"_s.arg(
                     platformText(paths.platform)),
                 zolprint ? ms(*zolprint) : QString(),
                 text ? u"window with text %1"_s.arg(ms(*text)) : QString(),
                 ratioOf(zolprint, text), u"none set"_s, std::nullopt});
    // What start-up does beyond the window, given something to find: no
    // goal of its own, but its cost is in the table.
    const std::optional<double> kept = median(times.zolprintKeptMs);
    rows.append({u"Start-up to shown window: ZOLprint finding %1 running copies' kept pages "
                 u"and %2 recent files (%3)"_s.arg(times.keptCopies)
                     .arg(times.recentFiles)
                     .arg(platformText(paths.platform)),
                 kept ? ms(*kept) : QString(),
                 zolprint ? u"ZOLprint with empty user folders %1"_s.arg(ms(*zolprint)) : QString(),
                 ratioOf(kept, zolprint), u"none set"_s, std::nullopt});
    return true;
}

QString spreadText(const Spread &spread)
{
    if (!spread.median)
        return u"-"_s;
    if (spread.count < 2)
        return percent(spread.median);
    return u"%1 (%2 to %3 in %4 rounds)"_s
        .arg(percent(spread.median), percent(spread.low), percent(spread.high))
        .arg(spread.count);
}

bool transferRows(const BenchPaths &paths, const Plan &plan, QList<ResultRow> &rows)
{
    progress(u"CPU share of a 2400-baud transfer of the sample dump by ZOLprint and by a bare "
             u"reader, taking turns, %1 rounds (about %2 s)"_s.arg(plan.transferRounds)
                 .arg(plan.transferRounds * 50 + plan.idleSeconds * 3 / 2));
    const TransferRounds rounds =
        measureTransferRounds(paths, plan.transferRounds, plan.idleSeconds, progress);
    if (!rounds.error.isEmpty()) {
        progress(u"transfer failed: "_s + rounds.error);
        return false;
    }
    const TransferCost &cost = rounds.first;
    const auto shareRow = [](const QString &name, std::optional<double> share, double goal) {
        const std::optional<double> ratio = ratioOf(share, goal);
        return ResultRow{name,
                         percent(share),
                         u"%1 of one core"_s.arg(percent(goal)),
                         ratio,
                         u"<= %1"_s.arg(percent(goal)),
                         ratio ? std::optional<bool>(*ratio <= 1.0) : std::nullopt};
    };
    const auto wakeupRow = [](const QString &name, std::optional<double> perSecond) {
        const std::optional<double> ratio = ratioOf(perSecond, kIdleWakeupGoal);
        return ResultRow{name,
                         perSecond ? u"%1 /s"_s.arg(*perSecond, 0, 'f', 1) : u"-"_s,
                         u"%1 /s"_s.arg(kIdleWakeupGoal),
                         ratio,
                         u"<= %1 /s"_s.arg(kIdleWakeupGoal),
                         ratio ? std::optional<bool>(*ratio <= 1.0) : std::nullopt};
    };
    const QString before = u"idle %1 s before any transfer"_s.arg(plan.idleSeconds / 2);
    const QString after =
        u"idle %1 s after the transfer, from 1 s after its end"_s.arg(plan.idleSeconds);
    // The same bytes read by a bare window, measured the same way: the part
    // of the share that any Qt program woken by each byte pays.
    const Spread program = spreadOf(rounds.zolprint);
    const Spread floor = spreadOf(rounds.bare);
    const std::optional<double> ratio = ratioOf(program.median, floor.median);
    rows.append({u"CPU share, ZOLprint, transfer of %1 bytes at 2400 baud with its 10-s end "
                 u"(%2 s), median"_s.arg(cost.dumpBytes)
                     .arg(cost.transferSeconds, 0, 'f', 1),
                 spreadText(program), u"bare reader %1"_s.arg(percent(floor.median)), ratio,
                 goalText(kTransferGoal),
                 ratio ? std::optional<bool>(*ratio <= kTransferGoal) : std::nullopt});
    rows.append({u"CPU share, bare window reading the same %1 bytes with QSerialPort, "
                 u"with a 10-s end (%2 s), median (floor)"_s.arg(cost.dumpBytes)
                     .arg(rounds.bareSeconds, 0, 'f', 1),
                 spreadText(floor), u"-"_s, std::nullopt, u"none set"_s, std::nullopt});
    rows.append(shareRow(u"CPU share, ZOLprint, "_s + before, cost.idleBefore, kIdleCpuGoal));
    rows.append(
        wakeupRow(u"Wake-ups (context switches), ZOLprint, "_s + before, cost.wakeupsBefore));
    rows.append({u"Context switches, ZOLprint, the first second after the transfer "
                 u"(showing its pages)"_s,
                 cost.switchesShowingEnd ? QString::number(*cost.switchesShowingEnd) : u"-"_s,
                 u"-"_s, std::nullopt, u"none set"_s, std::nullopt});
    rows.append(shareRow(u"CPU share, ZOLprint, "_s + after, cost.idleAfter, kIdleCpuGoal));
    rows.append(wakeupRow(u"Wake-ups (context switches), ZOLprint, "_s + after, cost.wakeupsAfter));
    return true;
}

bool receiveRows(const Plan &plan, const QString &scratch, QList<ResultRow> &rows)
{
    progress(u"decoding and page store, %1"_s.arg(sizeText(plan.decodeSize)));
    const MeterDump decodeDump = makeMeterDump(plan.decodeSize, zol::PageStore::kLastPage);
    const DecodeSpeed speed = measureDecoding(decodeDump.bytes, plan.decodeRepeats);
    const std::optional<double> copy = speed.copyBytesPerSecond > 0
                                           ? std::optional<double>(speed.copyBytesPerSecond)
                                           : std::nullopt;
    rows.append({u"Receive path: decoding into the page store (%1 in 32767-byte reads)"_s.arg(
                     sizeText(plan.decodeSize)),
                 megabytesPerSecond(speed.decodeBytesPerSecond),
                 u"plain copy %1"_s.arg(megabytesPerSecond(speed.copyBytesPerSecond)),
                 // How many times longer than the copy.
                 ratioOf(copy, speed.decodeBytesPerSecond), u"none set"_s, std::nullopt});

    qsizetype largest = 0;
    FullSpeedReceive largestRun;
    qsizetype largestReopening = 0;
    qsizetype tried = 0;
    bool ok = true;
    for (const qsizetype bytes : plan.fullSpeedSizes) {
        tried = bytes;
        progress(u"full-speed dump of %1"_s.arg(sizeText(bytes)));
        const FullSpeedReceive run =
            receiveAtFullSpeed(makeMeterDump(bytes, zol::PageStore::kLastPage), scratch);
        if (!run.exact) {
            progress(u"%1: %2"_s.arg(sizeText(bytes), run.problem));
            ok = false;
            break;
        }
        const QString saved = run.fileBytes == 0 ? u"not saved: %1"_s.arg(run.saveProblem)
                                                 : u"saved as %1 bytes, %2"_s.arg(run.fileBytes)
                                                       .arg(run.reopens ? u"opens again"_s
                                                                        : u"does not open again"_s);
        progress(u"%1 received whole in %2 ms; %3"_s.arg(sizeText(bytes))
                     .arg(run.seconds * 1000, 0, 'f', 1)
                     .arg(saved));
        largest = bytes;
        largestRun = run;
        // Beyond what it saves and opens again, a larger dump says nothing more.
        if (!run.reopens)
            break;
        largestReopening = bytes;
    }
    rows.append({u"Receive path: largest dump received byte-exact at full "
                 u"pseudo-terminal speed (100 pages)"_s,
                 largest == 0 ? u"none"_s
                 : largestRun.seconds > 0
                     ? u"%1 at %2"_s.arg(sizeText(largest),
                                         megabytesPerSecond(double(largest) / largestRun.seconds))
                     : sizeText(largest),
                 u"largest tried %1"_s.arg(sizeText(tried)),
                 ratioOf(double(largest), double(tried)), u"none set"_s, std::nullopt});
    rows.append({u"Receive path: largest of those that save and open again (Save refuses larger)"_s,
                 largestReopening > 0 ? sizeText(largestReopening) : u"none"_s,
                 u"largest received %1"_s.arg(sizeText(largest)),
                 ratioOf(double(largestReopening), double(largest)), u"none set"_s, std::nullopt});
    return ok;
}

bool fileRows(const BenchPaths &paths, const Plan &plan, const QString &scratch,
              QList<ResultRow> &rows)
{
    progress(u"open and save of a 100-page file, %1 times"_s.arg(plan.fileRepeats));
    const QStringList pages = makeReportPages(100);
    const FileTimes times = measureFiles(pages, scratch, plan.fileRepeats);
    if (!times.error.isEmpty()) {
        progress(u"files failed: "_s + times.error);
        return false;
    }
    const QString kb = u"%1 KB"_s.arg(times.fileBytes / 1000);
    rows.append({u"Open a 100-page measurements file (%1)"_s.arg(kb), ms(*times.openMs),
                 u"plain read %1"_s.arg(ms(*times.plainReadMs)),
                 ratioOf(times.openMs, times.plainReadMs), u"none set"_s, std::nullopt});
    rows.append({u"Save a 100-page measurements file (%1)"_s.arg(kb), ms(*times.saveMs),
                 u"plain atomic write %1"_s.arg(ms(*times.plainWriteMs)),
                 ratioOf(times.saveMs, times.plainWriteMs), u"none set"_s, std::nullopt});

    progress(u"peak memory of ZOLprint opening that file"_s);
    const QString file = QDir(scratch).filePath(u"report.mcs"_s);
    const PeakMemory peak = measureOpenedPeak(paths, file);
    if (!peak.error.isEmpty()) {
        progress(u"peak memory failed: "_s + peak.error);
        return false;
    }
    const auto mb = [](std::optional<qint64> kb) {
        return kb ? u"%1 MB"_s.arg(double(*kb) / 1024.0, 0, 'f', 1) : QString();
    };
    rows.append(
        {u"Peak memory (VmHWM) of ZOLprint after File > Open of that file"_s, mb(peak.openedKb),
         u"same process, window just shown %1"_s.arg(mb(peak.shownKb)),
         ratioOf(peak.openedKb ? std::optional<double>(double(*peak.openedKb)) : std::nullopt,
                 peak.shownKb ? std::optional<double>(double(*peak.shownKb)) : std::nullopt),
         u"none set"_s, std::nullopt});
    return true;
}

QString machineText(const QString &platformsText)
{
    return u"- Date: %1\n- Machine: %2, %3 logical CPUs, %4\n- Qt: %5 (built with %6)\n"
           u"- Build: %7\n- Programs run on: %8\n"_s
               .arg(QDateTime::currentDateTime().toString(Qt::ISODate), cpuModel())
               .arg(QThread::idealThreadCount())
               .arg(QSysInfo::prettyProductName() + u", kernel "_s + QSysInfo::kernelVersion(),
                    QString::fromLatin1(qVersion()), QString::fromLatin1(QT_VERSION_STR),
                    QString::fromLatin1(ZOL_BENCH_BUILD_TYPE), platformsText);
}

QString platformsDescription(const QList<QByteArray> &platforms)
{
    QStringList names;
    for (const QByteArray &platform : platforms) {
        names.append(platform == "xcb"
                         ? u"xcb on X display %1"_s.arg(qEnvironmentVariable("DISPLAY"))
                         : QString::fromLatin1(platform));
    }
    return names.join(u", "_s);
}

} // namespace

int main(int argc, char *argv[])
{
    // The window the receive path runs in is never shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Measures ZOLprint and ZOL user name."_s);
    parser.addHelpOption();
    const QCommandLineOption quickOption(u"quick"_s,
                                         u"One short round of each, to see that it runs."_s);
    const QCommandLineOption onlyOption(
        u"only"_s, u"Comma-separated: startup,transfer,receive,files."_s, u"parts"_s);
    const QCommandLineOption resultsOption(u"results"_s, u"Markdown file to write the table to."_s,
                                           u"file"_s);
    const QCommandLineOption platformsOption(
        u"platforms"_s,
        u"Comma-separated Qt platforms to run the programs on: xcb (needs an X "
        u"display), offscreen. Start-up is measured on each, the rest on the "
        u"first. Default: offscreen."_s,
        u"list"_s);
    const QCommandLineOption roundsOption(
        u"transfer-rounds"_s,
        u"Transfers of each, ZOLprint and the bare reader taking turns (default 5)."_s, u"n"_s);
    parser.addOptions({quickOption, onlyOption, resultsOption, platformsOption, roundsOption});
    parser.process(app);

    Plan plan;
    plan.parts = parser.isSet(onlyOption)
                     ? parser.value(onlyOption).split(u',', Qt::SkipEmptyParts)
                     : QStringList{u"startup"_s, u"transfer"_s, u"receive"_s, u"files"_s};
    for (const QString &part : plan.parts) {
        if (!QStringList{u"startup"_s, u"transfer"_s, u"receive"_s, u"files"_s}.contains(part)) {
            std::fprintf(stderr, "zolbench: unknown part \"%s\"\n", qPrintable(part));
            return 2;
        }
    }
    if (parser.isSet(quickOption)) {
        plan.quick = true;
        plan.startupRuns = 1;
        plan.idleSeconds = 2;
        plan.transferRounds = 1;
        plan.decodeSize = 256 * 1024;
        plan.decodeRepeats = 3;
        plan.fullSpeedSizes = {64 * 1024};
        plan.fileRepeats = 3;
    }

    if (parser.isSet(roundsOption)) {
        bool ok = false;
        plan.transferRounds = parser.value(roundsOption).toInt(&ok);
        if (!ok || plan.transferRounds < 1) {
            std::fprintf(stderr, "zolbench: --transfer-rounds wants a whole number above 0\n");
            return 2;
        }
    }

    if (parser.isSet(platformsOption)) {
        plan.platforms.clear();
        for (const QString &platform :
             parser.value(platformsOption).split(u',', Qt::SkipEmptyParts)) {
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

    BenchPaths paths = builtBenchPaths(plan.platforms.first());
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "zolbench: no scratch folder\n");
        return 1;
    }

    QList<ResultRow> rows;
    bool ok = true;
    if (plan.parts.contains(u"startup"_s)) {
        for (const QByteArray &platform : plan.platforms) {
            BenchPaths on = paths;
            on.platform = platform;
            ok = startupRows(on, plan, rows) && ok;
        }
    }
    if (plan.parts.contains(u"transfer"_s))
        ok = transferRows(paths, plan, rows) && ok;
    if (plan.parts.contains(u"receive"_s))
        ok = receiveRows(plan, scratch.path(), rows) && ok;
    if (plan.parts.contains(u"files"_s))
        ok = fileRows(paths, plan, scratch.path(), rows) && ok;

    const QString table = markdownTable(rows);
    std::fputs(qPrintable(u'\n' + table), stdout);
    std::fflush(stdout);

    if (parser.isSet(resultsOption)) {
        QFile results(parser.value(resultsOption));
        const QString text = u"# Benchmark results\n\n"_s +
                             machineText(platformsDescription(plan.platforms)) + u'\n' + table;
        if (!results.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            results.write(text.toUtf8()) < 0) {
            std::fprintf(stderr, "zolbench: cannot write %s\n", qPrintable(results.fileName()));
            return 1;
        }
    }
    return ok ? 0 : 1;
}
