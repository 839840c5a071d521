#include "startup.h"

#include "filebench.h"
#include "keyvaluestore.h"
#include "probedrun.h"
#include "recentfiles.h"
#include "recovery.h"

#include <QDateTime>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace zol::bench {

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr int kKeptCopies = 10;

// User folders as ZOLprint finds them when other copies of it run with
// unsaved pages and files have been opened before: the copies are this
// process's, written by the program's own recovery code and locked while it
// lives, as a running copy holds its own.
class UsedUserFolders
{
public:
    explicit UsedUserFolders(const QString &scratchDir)
        : m_dir(QDir(scratchDir).filePath(u"used-XXXXXX"_s))
    {}

    bool prepare(QString *error)
    {
        if (!m_dir.isValid()) {
            *error = u"cannot make a folder for the used user folders"_s;
            return false;
        }
        const QDir root(m_dir.path());
        // Where the program's main() puts them: its recovery folder is the
        // data location of "ZOL Print", its recent files the "ZOL" "ZOLprint"
        // user settings.
        const QString recovery = root.filePath(userDataFolder() + u"/ZOL Print"_s);
        const QStringList pages = makeReportPages(10);
        for (int i = 0; i < kKeptCopies; ++i) {
            KeptPages kept;
            kept.savedAt = QDateTime::currentDateTime();
            for (qsizetype page = 0; page < pages.size(); ++page)
                kept.pages[page] = pages.at(page);
            kept.counter = static_cast<qint16>(pages.size() - 2);
            auto copy = std::make_unique<RecoveryFiles>(recovery);
            QString reason;
            if (!copy->write(kept, &reason)) {
                *error = u"cannot keep pages in %1: %2"_s.arg(recovery, reason);
                return false;
            }
            m_copies.push_back(std::move(copy));
        }
        QSettings settings(root.filePath(userConfigFolder() + u"/ZOL/ZOLprint.conf"_s),
                           QSettings::IniFormat);
        SettingsStore store(settings, u"RecentFiles"_s);
        RecentFiles recent(store);
        for (int i = 0; i < RecentFiles::kCount; ++i)
            recent.add(root.filePath(u"reading-%1.mcs"_s.arg(i + 1)));
        settings.sync();
        m_recentFiles = int(recent.files().size());
        if (settings.status() != QSettings::NoError || m_recentFiles != RecentFiles::kCount) {
            *error = u"cannot write the recent files to %1"_s.arg(settings.fileName());
            return false;
        }
        return true;
    }

    QString path() const { return m_dir.path(); }
    int copies() const { return int(m_copies.size()); }
    int recentFiles() const { return m_recentFiles; }

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<RecoveryFiles>> m_copies;
    int m_recentFiles = 0;
};

} // namespace

std::optional<double> timeToShownWindow(const QString &program, const QString &probe,
                                        const QString &scratchDir, QString *error,
                                        const QByteArray &platform, const QString &userFolders)
{
    // Each start finds an empty folder, as on a first start: no settings
    // file from the run before.
    QTemporaryDir workDir(QDir(scratchDir).filePath(u"start-XXXXXX"_s));
    if (!workDir.isValid()) {
        *error = u"cannot make a folder in %1"_s.arg(scratchDir);
        return std::nullopt;
    }
    ProbedRun run;
    if (!run.start({program, probe, workDir.path(), {}, platform, userFolders}, error))
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
    UsedUserFolders used(scratch.path());
    if (!used.prepare(&times.error))
        return times;
    times.keptCopies = used.copies();
    times.recentFiles = used.recentFiles();
    const struct
    {
        const QString &program;
        QList<double> &into;
        QString userFolders;
    } programs[] = {{paths.barewindow, times.barewindowMs, {}},
                    {paths.textwindow, times.textwindowMs, {}},
                    {paths.zolprint, times.zolprintMs, {}},
                    {paths.usertool, times.usertoolMs, {}},
                    {paths.zolprint, times.zolprintKeptMs, used.path()}};
    // The first round only fills the system's caches and is not counted.
    for (int round = 0; round <= runs; ++round) {
        for (const auto &entry : programs) {
            const std::optional<double> ms =
                timeToShownWindow(entry.program, paths.probe, scratch.path(), &times.error,
                                  paths.platform, entry.userFolders);
            if (!ms)
                return times;
            if (round > 0)
                entry.into.append(*ms);
        }
    }
    return times;
}

} // namespace zol::bench
