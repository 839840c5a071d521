#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace zol::bench {

using ProbeReports = QList<std::pair<QByteArray, QByteArray>>;

// The complete "key value" lines of a probe's file; a last line still being
// written has no line end yet and is left for the next look.
ProbeReports parseProbeReports(const QByteArray &text);
// The value of the first report under key, if any.
std::optional<QByteArray> reportValue(const ProbeReports &reports, const QByteArray &key);

// The names of the folders a run's XDG_DATA_HOME and XDG_CONFIG_HOME point
// to, inside its work folder or the folder given as Launch::userFolders.
QString userDataFolder();
QString userConfigFolder();

// One run of a program with the window probe loaded, in a folder of its own.
class ProbedRun
{
public:
    struct Launch
    {
        QString program;
        QString probe;
        QString workDir;
        QMap<QByteArray, QByteArray> environment;
        QByteArray platform = "offscreen";
        // A folder holding the user's data and configuration folders
        // ("user-data", "user-config") to start with as they are; none:
        // empty ones of its own in workDir.
        QString userFolders = {};
    };

    ProbedRun() = default;
    ~ProbedRun();
    ProbedRun(const ProbedRun &) = delete;
    ProbedRun &operator=(const ProbedRun &) = delete;

    bool start(const Launch &launch, QString *error);
    qint64 pid() const { return m_pid; }
    // CLOCK_MONOTONIC just before the program was started.
    qint64 launchNs() const { return m_launchNs; }

    ProbeReports reports() const;
    // Waits until the probe reported key; nothing on time-out or when the
    // program ended without it. pollMs keeps the benchmark's own share low
    // while it waits beside a program whose CPU is measured.
    std::optional<QByteArray> waitForReport(const QByteArray &key, int timeoutMs, int pollMs = 2);
    // True when the program ended within the time, with its exit status.
    bool waitForExit(int timeoutMs, int *exitCode = nullptr);
    bool isRunning();
    void stop();
    // What the program wrote on its standard output and error.
    QByteArray output() const;

private:
    // True once the program has ended (and its status is taken).
    bool reap();

    qint64 m_pid = 0;
    int m_exitCode = -1;
    qint64 m_launchNs = 0;
    QString m_reportPath;
    QString m_outputPath;
};

} // namespace zol::bench
