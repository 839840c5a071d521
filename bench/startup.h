#pragma once

#include "benchpaths.h"

#include <QList>
#include <QString>

#include <optional>

namespace zol::bench {

struct StartupTimes
{
    QList<double> barewindowMs;
    QList<double> textwindowMs;
    QList<double> zolprintMs;
    QList<double> usertoolMs;
    // ZOLprint again, finding what a user's folders hold after a while:
    // other running copies' kept pages in its recovery folder (each locked
    // by its owner, so that start-up looks at each and offers none) and a
    // full list of recent files. Against zolprintMs it shows what start-up
    // does beyond building and showing the window.
    QList<double> zolprintKeptMs;
    int keptCopies = 0;
    int recentFiles = 0;
    QString error;
};

// Milliseconds from starting each program to its first shown main window.
// The five take turns run by run, so that whatever else the machine does
// meanwhile falls on all of them alike.
StartupTimes measureStartup(const BenchPaths &paths, int runs);

// One start of program under the probe in a fresh folder below scratchDir;
// nothing (and error set) when it showed no window.
std::optional<double> timeToShownWindow(const QString &program, const QString &probe,
                                        const QString &scratchDir, QString *error,
                                        const QByteArray &platform = "offscreen",
                                        const QString &userFolders = {});

} // namespace zol::bench
