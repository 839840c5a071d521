#pragma once

#include "benchpaths.h"

#include <QString>

#include <optional>

namespace zol::bench {

struct TransferCost
{
    // Shares of one core, 0.01 being 1 %.
    std::optional<double> idleBefore;
    std::optional<double> transfer;
    std::optional<double> idleAfter;
    // Context switches a second of all its threads while idle.
    std::optional<double> wakeupsBefore;
    std::optional<double> wakeupsAfter;
    // Context switches of all its threads in the second after the close, while
    // the window shows the pages and unlocks itself.
    std::optional<qint64> switchesShowingEnd;
    double transferSeconds = 0;
    qint64 dumpBytes = 0;
    QString error;
};

// CPU share of one core of (processTicks, during wall nanoseconds).
double cpuShare(qint64 ticks, qint64 wallNs, double ticksPerSecond);

// ZOLprint, started under the probe, reads the simulated meter's sample dump
// at 2400 baud: its CPU share and wake-ups while idle before the read, from the moment
// the meter sees the port open until the program closes it ten seconds
// after the last byte, and the share and wake-ups while idle after.
TransferCost measureTransferCost(const BenchPaths &paths, int idleSeconds);

// The same dump read by the bare reader (paths.barereader) on paths.platform,
// from the open to its close after ten seconds of silence: only transfer,
// transferSeconds and dumpBytes are filled.
TransferCost measureBareTransferCost(const BenchPaths &paths);

} // namespace zol::bench
