#pragma once

#include "benchpaths.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zol::bench {

// count pages of a meter's report, each a full sheet of readings, as the
// program holds them after a transfer.
QStringList makeReportPages(int count);

struct FileTimes
{
    std::optional<double> openMs;
    std::optional<double> saveMs;
    std::optional<double> plainReadMs;
    std::optional<double> plainWriteMs;
    qint64 fileBytes = 0;
    QString error;
};
// Medians over repeats: saving and opening a measurements file of the pages,
// against writing (through the same atomic replace) and reading its bytes
// unchanged. Every open must give back the pages saved.
FileTimes measureFiles(const QStringList &pages, const QString &dir, int repeats);

struct PeakMemory
{
    std::optional<qint64> shownKb;
    std::optional<qint64> openedKb;
    QString error;
};
// VmHWM of ZOLprint, started under the probe, once its window is shown and
// once it has opened the file through its own File > Open.
PeakMemory measureOpenedPeak(const BenchPaths &paths, const QString &file);

} // namespace zol::bench
