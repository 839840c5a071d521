#pragma once

#include "benchpaths.h"

#include <QList>
#include <QString>

#include <optional>

namespace zol::bench {

struct StartupTimes
{
    QList<double> barewindowMs;
    QList<double> zolprintMs;
    QList<double> usertoolMs;
    QString error;
};

// Milliseconds from starting each program to its first shown main window.
// The three take turns run by run, so that whatever else the machine does
// meanwhile falls on all of them alike.
StartupTimes measureStartup(const BenchPaths &paths, int runs);

// One start of program under the probe in a fresh folder below scratchDir;
// nothing (and error set) when it showed no window.
std::optional<double> timeToShownWindow(const QString &program, const QString &probe,
                                        const QString &scratchDir, QString *error,
                                        const QByteArray &platform = "offscreen");

} // namespace zol::bench
