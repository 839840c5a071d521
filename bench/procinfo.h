#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zol::bench {

// CLOCK_MONOTONIC, which every process on the machine shares: a time taken in
// the benchmark and one taken inside a program it started can be subtracted.
qint64 monotonicNs();

// utime + stime, in clock ticks, from the text of /proc/<pid>/stat. The
// command name sits in parentheses and may itself hold spaces and
// parentheses ("ZOL user name"), so the fields are counted from its end.
std::optional<qint64> parseCpuTicks(const QByteArray &statText);
std::optional<qint64> processCpuTicks(qint64 pid);
double clockTicksPerSecond();

// Time on the CPU in nanoseconds, the first field of a schedstat file.
std::optional<qint64> parseSchedstatNs(const QByteArray &schedstatText);
// The same summed over all threads of a process: finer than the clock ticks,
// for the idle shares, where one tick would be as much as the goal.
std::optional<qint64> processCpuNs(qint64 pid);

// A "Name:   1234 kB" field of /proc/<pid>/status, in kilobytes.
std::optional<qint64> parseStatusKb(const QByteArray &statusText, const QByteArray &field);
// The peak resident set (VmHWM) of a process; pid 0 is this process.
std::optional<qint64> processPeakKb(qint64 pid);

// A "name:   1234" field of /proc/<pid>/status that is a plain count.
std::optional<qint64> parseStatusCount(const QByteArray &statusText, const QByteArray &field);
// Voluntary and involuntary context switches of the text of one status file.
std::optional<qint64> parseContextSwitches(const QByteArray &statusText);
// The context switches of all threads of a process, each a wake-up: the
// process's own status file counts only its main thread, and a program's
// other threads (the display connection's reader, say) wake as well.
std::optional<qint64> processContextSwitches(qint64 pid);

// The first "model name" of /proc/cpuinfo, or an empty string.
QString parseCpuModel(const QByteArray &cpuinfoText);
QString cpuModel();

} // namespace zol::bench
