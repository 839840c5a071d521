#pragma once

#include <QString>

namespace zol::bench {

// The programs measured, built in the same tree as the benchmark.
struct BenchPaths
{
    QString zolprint;
    QString usertool;
    QString barewindow;
    QString probe;
    QString zolmeter;
};

} // namespace zol::bench
