#include "startup.h"

#include "probedrun.h"

#include <QDir>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace zol::bench {

namespace {

constexpr int kStartTimeoutMs = 20000;

} // namespace

std::optional<double> timeToShownWindow(const QString &program, const QString &probe,
                                        const QString &scratchDir, QString *error,
                                        const QByteArray &platform)
{
    // Each start finds an empty folder, as on a first start: no settings
    // file from the run before.
    QTemporaryDir workDir(QDir(scratchDir).filePath(u"start-XXXXXX"_s));
    if (!workDir.isValid()) {
        *error = u"cannot make a folder in %1"_s.arg(scratchDir);
        return std::nullopt;
    }
    ProbedRun run;
    if (!run.start({program, probe, workDir.path(), {}, platform}, error))
        return std::nullopt;
    int exitCode = -1;
    if (!run.waitForExit(kStartTimeoutMs, &exitCode)) {
        *error = u"%1 showed no window within %2 s"_s.arg(program).arg(kStartTimeoutMs / 1000);
        return std::nullopt;
    }
    const std::optional<QByteArray> shown = reportValue(run.reports(), "shown");
    bool ok = false;
    const qint64 shownNs = shown ? shown->toLongLong(&ok) : 0;
    if (!ok || exitCode != 0) {
        *error =
            u"%1 ended (status %2) without showing a window: %3"_s.arg(program).arg(exitCode).arg(
                QString::fromLocal8Bit(run.output().right(500)));
        return std::nullopt;
    }
    return double(shownNs - run.launchNs()) / 1e6;
}

StartupTimes measureStartup(const BenchPaths &paths, int runs)
{
    StartupTimes times;
    QTemporaryDir scratch;
    const struct
    {
        const QString &program;
        QList<double> &into;
    } programs[] = {{paths.barewindow, times.barewindowMs},
                    {paths.zolprint, times.zolprintMs},
                    {paths.usertool, times.usertoolMs}};
    // The first round only fills the system's caches and is not counted.
    for (int round = 0; round <= runs; ++round) {
        for (const auto &entry : programs) {
            const std::optional<double> ms = timeToShownWindow(
                entry.program, paths.probe, scratch.path(), &times.error, paths.platform);
            if (!ms)
                return times;
            if (round > 0)
                entry.into.append(*ms);
        }
    }
    return times;
}

} // namespace zol::bench
