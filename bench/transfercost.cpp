#include "transfercost.h"

#include "languages.h"
#include "probedrun.h"
#include "procinfo.h"
#include "settings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

using namespace Qt::StringLiterals;

namespace zol::bench {

namespace {

// Long enough for the window to settle, short enough to keep the run brief.
constexpr int kSettleMs = 1000;
constexpr int kTransferTimeoutMs = 90000;

struct CpuMark
{
    qint64 ticks = 0;
    qint64 ns = 0;
    std::optional<qint64> switches;
    std::optional<qint64> cpuNs;
};

std::optional<CpuMark> markNow(qint64 pid)
{
    const std::optional<qint64> ticks = processCpuTicks(pid);
    if (!ticks)
        return std::nullopt;
    return CpuMark{*ticks, monotonicNs(), processContextSwitches(pid), processCpuNs(pid)};
}

std::optional<double> shareBetween(const std::optional<CpuMark> &from,
                                   const std::optional<CpuMark> &to)
{
    if (!from || !to || to->ns <= from->ns)
        return std::nullopt;
    return cpuShare(to->ticks - from->ticks, to->ns - from->ns, clockTicksPerSecond());
}

// The same to the nanosecond, where the threads' own figures can be read: an
// idle program may use less than one tick in the whole window, and a
// transfer's share moves by a whole tick's worth with where the ticks fall.
std::optional<double> nsShareBetween(const std::optional<CpuMark> &from,
                                     const std::optional<CpuMark> &to)
{
    if (!from || !to || !from->cpuNs || !to->cpuNs || to->ns <= from->ns)
        return shareBetween(from, to);
    return double(*to->cpuNs - *from->cpuNs) / double(to->ns - from->ns);
}

std::optional<double> wakeupsBetween(const std::optional<CpuMark> &from,
                                     const std::optional<CpuMark> &to)
{
    if (!from || !to || !from->switches || !to->switches || to->ns <= from->ns)
        return std::nullopt;
    return double(*to->switches - *from->switches) / (double(to->ns - from->ns) / 1e9);
}

void sleepUntil(qint64 ns)
{
    const qint64 left = ns - monotonicNs();
    if (left > 0)
        QThread::usleep(static_cast<unsigned long>(left / 1000));
}

// Reads the meter's log up to a line starting with prefix.
std::optional<QByteArray> waitForMeterLine(QProcess &meter, const QByteArray &prefix, int timeoutMs)
{
    const qint64 deadline = monotonicNs() + qint64(timeoutMs) * 1'000'000;
    for (;;) {
        while (meter.canReadLine()) {
            const QByteArray line = meter.readLine().trimmed();
            if (line.startsWith(prefix))
                return line;
        }
        const qint64 left = (deadline - monotonicNs()) / 1'000'000;
        if (left <= 0 || meter.state() != QProcess::Running)
            return std::nullopt;
        meter.waitForReadyRead(static_cast<int>(left));
    }
}

// Starts the simulated meter's sample dump on a new pseudo-terminal: the
// device to read, with the meter's log to be read from its standard error.
std::optional<QByteArray> startMeter(QProcess &meter, const BenchPaths &paths)
{
    meter.setProgram(paths.zolmeter);
    meter.setArguments({u"dump"_s});
    meter.start();
    if (!meter.waitForStarted() || !meter.waitForReadyRead(5000))
        return std::nullopt;
    const QByteArray device = meter.readAllStandardOutput().trimmed();
    meter.setReadChannel(QProcess::StandardError);
    return device;
}

void stopMeter(QProcess &meter)
{
    meter.terminate();
    if (!meter.waitForFinished(3000))
        meter.kill();
    meter.waitForFinished(1000);
}

// "zolmeter: done: 2810 bytes in 11.71 s"
qint64 bytesDone(const QByteArray &line)
{
    return line.mid(line.indexOf(':', 10) + 1).trimmed().split(' ').value(0).toLongLong();
}

// The transfer as the meter sees it, from the moment it sees the port open to
// the moment the reader (process pid, called who in failures) closes it:
// fills the share, the length and the bytes sent, and gives the close's mark.
// On a failure, ok is false and failure says what went wrong.
struct OpenToClose
{
    bool ok = false;
    QString failure;
    std::optional<CpuMark> end;
};

OpenToClose measureOpenToClose(QProcess &meter, qint64 pid, const QString &who, int openTimeoutMs,
                               TransferCost &cost)
{
    OpenToClose result;
    if (!waitForMeterLine(meter, "zolmeter: opened", openTimeoutMs)) {
        result.failure = u"%1 did not open the port"_s.arg(who);
        return result;
    }
    const std::optional<CpuMark> start = markNow(pid);
    const std::optional<QByteArray> done =
        waitForMeterLine(meter, "zolmeter: done:", kTransferTimeoutMs);
    if (!done) {
        result.failure = u"the dump was not sent whole"_s;
        return result;
    }
    cost.dumpBytes = bytesDone(*done);
    if (!waitForMeterLine(meter, "zolmeter: closed", kTransferTimeoutMs)) {
        result.failure = u"%1 did not end the transfer"_s.arg(who);
        return result;
    }
    result.end = markNow(pid);
    cost.transfer = nsShareBetween(start, result.end);
    if (start && result.end)
        cost.transferSeconds = double(result.end->ns - start->ns) / 1e9;
    result.ok = true;
    return result;
}

} // namespace

double cpuShare(qint64 ticks, qint64 wallNs, double ticksPerSecond)
{
    if (wallNs <= 0 || ticksPerSecond <= 0)
        return 0;
    return (double(ticks) / ticksPerSecond) / (double(wallNs) / 1e9);
}

TransferCost measureTransferCost(const BenchPaths &paths, int idleSeconds)
{
    TransferCost cost;
    QTemporaryDir workDir;
    QFile settings(QDir(workDir.path()).filePath(u"zolprint.ini"_s));
    if (!settings.open(QIODevice::WriteOnly) || settings.write(formatSettings({kEnglish, 1})) < 0) {
        cost.error = u"cannot write %1"_s.arg(settings.fileName());
        return cost;
    }
    settings.close();

    QProcess meter;
    const std::optional<QByteArray> device = startMeter(meter, paths);
    if (!device) {
        cost.error = u"zolmeter did not start"_s;
        return cost;
    }

    // The read starts well after the window is up, so that the idle share
    // before it can be measured in between.
    const int idleBeforeMs = idleSeconds * 500;
    const int triggerAfterMs = kSettleMs + idleBeforeMs + kSettleMs;
    ProbedRun program;
    if (!program.start({paths.zolprint,
                        paths.probe,
                        workDir.path(),
                        {{"ZOL_COM1", *device},
                         {"ZOL_PROBE_TRIGGER", "mStart"},
                         {"ZOL_PROBE_TRIGGER_AFTER", QByteArray::number(triggerAfterMs)},
                         {"ZOL_PROBE_STAY", "1"}},
                        paths.platform},
                       &cost.error)) {
        stopMeter(meter);
        return cost;
    }
    const std::optional<QByteArray> shown = program.waitForReport("shown", 20000, 20);
    if (!shown) {
        cost.error = u"ZOLprint showed no window: %1"_s.arg(
            QString::fromLocal8Bit(program.output().right(500)));
        stopMeter(meter);
        return cost;
    }
    const qint64 shownNs = shown->toLongLong();
    sleepUntil(shownNs + qint64(kSettleMs) * 1'000'000);
    const std::optional<CpuMark> idleStart = markNow(program.pid());
    sleepUntil(shownNs + qint64(kSettleMs + idleBeforeMs) * 1'000'000);
    const std::optional<CpuMark> idleEnd = markNow(program.pid());
    cost.idleBefore = nsShareBetween(idleStart, idleEnd);
    cost.wakeupsBefore = wakeupsBetween(idleStart, idleEnd);

    const auto fail = [&](const QString &what) {
        const ProbeReports reports = program.reports();
        const std::optional<QByteArray> message = reportValue(reports, "message");
        cost.error =
            what + (message ? u" (message: %1)"_s.arg(QString::fromUtf8(*message)) : QString());
        program.stop();
        stopMeter(meter);
        return cost;
    };

    const OpenToClose transfer =
        measureOpenToClose(meter, program.pid(), u"ZOLprint"_s, triggerAfterMs + 10000, cost);
    if (!transfer.ok)
        return fail(transfer.failure);
    const std::optional<CpuMark> &transferEnd = transfer.end;

    // Right after the close the window shows the pages and unlocks itself, as
    // it first showed itself before the idle time before the read: that paint
    // is counted on its own, and the idle time starts once it has settled, as
    // the one before the read does.
    sleepUntil(transferEnd ? transferEnd->ns + qint64(kSettleMs) * 1'000'000 : 0);
    const std::optional<CpuMark> settled = markNow(program.pid());
    if (transferEnd && settled && transferEnd->switches && settled->switches)
        cost.switchesShowingEnd = *settled->switches - *transferEnd->switches;
    sleepUntil(settled ? settled->ns + qint64(idleSeconds) * 1'000'000'000 : 0);
    const std::optional<CpuMark> afterEnd = markNow(program.pid());
    cost.idleAfter = nsShareBetween(settled, afterEnd);
    cost.wakeupsAfter = wakeupsBetween(settled, afterEnd);
    if (!program.isRunning())
        return fail(u"ZOLprint ended during the measurement"_s);
    program.stop();
    stopMeter(meter);
    return cost;
}

TransferCost measureBareTransferCost(const BenchPaths &paths)
{
    TransferCost cost;
    QProcess meter;
    const std::optional<QByteArray> device = startMeter(meter, paths);
    if (!device) {
        cost.error = u"zolmeter did not start"_s;
        return cost;
    }
    QProcess reader;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, QString::fromLatin1(paths.platform));
    reader.setProcessEnvironment(environment);
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start(paths.barereader, {QString::fromLocal8Bit(*device)});
    const auto fail = [&](const QString &what) {
        cost.error = what;
        reader.kill();
        reader.waitForFinished(3000);
        stopMeter(meter);
        return cost;
    };
    if (!reader.waitForStarted())
        return fail(u"the bare reader did not start"_s);
    const OpenToClose transfer =
        measureOpenToClose(meter, reader.processId(), u"the bare reader"_s, 20000, cost);
    if (!transfer.ok)
        return fail(transfer.failure);
    reader.kill();
    reader.waitForFinished(3000);
    stopMeter(meter);
    return cost;
}

TransferRounds measureTransferRounds(const BenchPaths &paths, int rounds, int idleSeconds,
                                     const std::function<void(const QString &)> &progress)
{
    TransferRounds result;
    const auto tell = [&progress](const QString &text) {
        if (progress)
            progress(text);
    };
    for (int round = 0; round < rounds; ++round) {
        const auto zolprint = [&]() {
            tell(u"round %1 of %2: ZOLprint"_s.arg(round + 1).arg(rounds));
            // Idle time only once: it is the same in every round, and the
            // rounds are there for the transfer's spread.
            const TransferCost cost = measureTransferCost(paths, round == 0 ? idleSeconds : 0);
            if (!cost.error.isEmpty() || !cost.transfer) {
                result.error =
                    cost.error.isEmpty() ? u"ZOLprint's share could not be read"_s : cost.error;
                return false;
            }
            if (round == 0)
                result.first = cost;
            result.zolprint.append(*cost.transfer);
            return true;
        };
        const auto bare = [&]() {
            tell(u"round %1 of %2: bare reader"_s.arg(round + 1).arg(rounds));
            const TransferCost cost = measureBareTransferCost(paths);
            if (!cost.error.isEmpty() || !cost.transfer) {
                result.error =
                    u"bare reader: "_s +
                    (cost.error.isEmpty() ? u"its share could not be read"_s : cost.error);
                return false;
            }
            result.bareSeconds = cost.transferSeconds;
            result.bare.append(*cost.transfer);
            return true;
        };
        const bool ok = round % 2 == 0 ? zolprint() && bare() : bare() && zolprint();
        if (!ok)
            return result;
    }
    return result;
}

} // namespace zol::bench
