#pragma once

#include "benchpaths.h"

namespace zol::bench {

// The programs as this build tree placed them. Only for the targets that are
// given their paths when compiled (zol_bench_paths in bench/CMakeLists.txt):
// the benchmark and its tests.
inline BenchPaths builtBenchPaths(const QByteArray &platform = "offscreen")
{
    BenchPaths paths;
    paths.zolprint = QString::fromLocal8Bit(ZOLPRINT_PATH);
    paths.usertool = QString::fromLocal8Bit(USERTOOL_PATH);
    paths.barewindow = QString::fromLocal8Bit(BAREWINDOW_PATH);
    paths.textwindow = QString::fromLocal8Bit(TEXTWINDOW_PATH);
    paths.probe = QString::fromLocal8Bit(SHOWNPROBE_PATH);
    paths.zolmeter = QString::fromLocal8Bit(ZOLMETER_PATH);
    paths.platform = platform;
    paths.barereader = QString::fromLocal8Bit(BAREREADER_PATH);
    return paths;
}

} // namespace zol::bench
