#include "procinfo.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <ctime>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace zol::bench {

namespace {

QByteArray readProcFile(const QString &path)
{
    QFile file(path);
    // /proc files report size 0; read them to their end instead.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return file.readAll();
}

QString procPath(qint64 pid, const char *name)
{
    return pid == 0 ? u"/proc/self/%1"_s.arg(QLatin1String(name))
                    : u"/proc/%1/%2"_s.arg(pid).arg(QLatin1String(name));
}

std::optional<qint64> toNumber(const QByteArray &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value >= 0 ? std::optional<qint64>(value) : std::nullopt;
}

} // namespace

qint64 monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

std::optional<qint64> parseCpuTicks(const QByteArray &statText)
{
    const qsizetype close = statText.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    // After the name: state (field 3), ..., utime (14), stime (15).
    const QList<QByteArray> fields = statText.mid(close + 1).simplified().split(' ');
    constexpr int kUtime = 14 - 3;
    constexpr int kStime = 15 - 3;
    if (fields.size() <= kStime)
        return std::nullopt;
    const std::optional<qint64> user = toNumber(fields[kUtime]);
    const std::optional<qint64> system = toNumber(fields[kStime]);
    if (!user || !system)
        return std::nullopt;
    return *user + *system;
}

std::optional<qint64> processCpuTicks(qint64 pid)
{
    return parseCpuTicks(readProcFile(procPath(pid, "stat")));
}

double clockTicksPerSecond()
{
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? double(ticks) : 100.0;
}

std::optional<qint64> parseSchedstatNs(const QByteArray &schedstatText)
{
    const QList<QByteArray> fields = schedstatText.simplified().split(' ');
    if (fields.size() < 3)
        return std::nullopt;
    return toNumber(fields[0]);
}

namespace {

// Adds up a figure of every thread of a process; nothing when the process
// is not there or a figure could not be read from any thread.
template <typename Parse>
std::optional<qint64> sumOverThreads(qint64 pid, const char *file, Parse parse)
{
    const QString tasks = procPath(pid, "task");
    const QStringList threads = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    qint64 total = 0;
    bool any = false;
    for (const QString &thread : threads) {
        // A thread that ended since the listing has nothing more to count.
        if (const std::optional<qint64> value =
                parse(readProcFile(tasks + u'/' + thread + u'/' + QLatin1String(file)))) {
            total += *value;
            any = true;
        }
    }
    return any ? std::optional<qint64>(total) : std::nullopt;
}

} // namespace

std::optional<qint64> processCpuNs(qint64 pid)
{
    return sumOverThreads(pid, "schedstat", parseSchedstatNs);
}

std::optional<qint64> parseStatusKb(const QByteArray &statusText, const QByteArray &field)
{
    const QByteArray key = field + ':';
    for (const QByteArray &line : statusText.split('\n')) {
        if (!line.startsWith(key))
            continue;
        const QList<QByteArray> parts = line.mid(key.size()).simplified().split(' ');
        if (parts.size() != 2 || parts[1] != "kB")
            return std::nullopt;
        return toNumber(parts[0]);
    }
    return std::nullopt;
}

std::optional<qint64> processPeakKb(qint64 pid)
{
    return parseStatusKb(readProcFile(procPath(pid, "status")), "VmHWM");
}

std::optional<qint64> parseStatusCount(const QByteArray &statusText, const QByteArray &field)
{
    const QByteArray key = field + ':';
    for (const QByteArray &line : statusText.split('\n')) {
        if (line.startsWith(key))
            return toNumber(line.mid(key.size()).trimmed());
    }
    return std::nullopt;
}

std::optional<qint64> parseContextSwitches(const QByteArray &statusText)
{
    const std::optional<qint64> voluntary = parseStatusCount(statusText, "voluntary_ctxt_switches");
    const std::optional<qint64> involuntary =
        parseStatusCount(statusText, "nonvoluntary_ctxt_switches");
    if (!voluntary || !involuntary)
        return std::nullopt;
    return *voluntary + *involuntary;
}

std::optional<qint64> processContextSwitches(qint64 pid)
{
    return sumOverThreads(pid, "status", parseContextSwitches);
}

QString parseCpuModel(const QByteArray &cpuinfoText)
{
    for (const QByteArray &line : cpuinfoText.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == "model name")
            return QString::fromUtf8(line.mid(colon + 1).trimmed());
    }
    return {};
}

QString cpuModel()
{
    return parseCpuModel(readProcFile(u"/proc/cpuinfo"_s));
}

} // namespace zol::bench
