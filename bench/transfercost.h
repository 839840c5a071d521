#pragma once

#include "benchpaths.h"

#include <QList>
#include <QString>

#include <functional>

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

// The shares of one core, 0.01 being 1 %, of ZOLprint's and the bare reader's
// transfers of the same dump, round by round in one run, and ZOLprint's
// first round whole (with its idle figures).
struct TransferRounds
{
    TransferCost first;
    QList<double> zolprint;
    QList<double> bare;
    double bareSeconds = 0;
    QString error;
};

// rounds transfers of each, ZOLprint and the bare reader taking turns, the
// one that goes first changing every round, so that whatever else the
// machine does meanwhile falls on both alike. Only ZOLprint's first round
// measures idle time (idleSeconds); the others start the read once its window
// has settled. progress is told the start of each transfer.
TransferRounds measureTransferRounds(const BenchPaths &paths, int rounds, int idleSeconds,
                                     const std::function<void(const QString &)> &progress = {});

// The transfer's share is each thread's time on the CPU in nanoseconds
// (schedstat), not the process's 10-ms ticks: over a transfer of 23 s the
// ticks alone move a share by about 0.09 points either way, as much as the
// difference between the program and its floor.
//
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
