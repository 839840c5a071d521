#pragma once

#include <QByteArray>
#include <QString>

namespace zol::bench {

// The programs measured, built in the same tree as the benchmark.
struct BenchPaths
{
    QString zolprint;
    QString usertool;
    QString barewindow;
    // A window with one line of text: what any text adds to the bare one.
    QString textwindow;
    QString probe;
    QString zolmeter;
    // The Qt platform the programs measured run on: "xcb" on an X display,
    // or "offscreen", which needs none.
    QByteArray platform = "offscreen";
    // A bare window reading the same dump: the floor for a transfer.
    QString barereader;
};

} // namespace zol::bench
