#include "probedrun.h"

#include "procinfo.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

extern char **environ;

namespace zol::bench {

ProbeReports parseProbeReports(const QByteArray &text)
{
    ProbeReports reports;
    qsizetype at = 0;
    for (;;) {
        const qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            break;
        const QByteArray line = text.mid(at, end - at);
        at = end + 1;
        const qsizetype space = line.indexOf(' ');
        if (space <= 0)
            continue;
        reports.append({line.left(space), line.mid(space + 1)});
    }
    return reports;
}

std::optional<QByteArray> reportValue(const ProbeReports &reports, const QByteArray &key)
{
    for (const auto &[name, value] : reports) {
        if (name == key)
            return value;
    }
    return std::nullopt;
}

QString userDataFolder()
{
    return u"user-data"_s;
}

QString userConfigFolder()
{
    return u"user-config"_s;
}

ProbedRun::~ProbedRun()
{
    stop();
}

bool ProbedRun::start(const Launch &launch, QString *error)
{
    const QDir dir(launch.workDir);
    m_reportPath = dir.filePath(u"probe.txt"_s);
    m_outputPath = dir.filePath(u"output.txt"_s);
    QFile::remove(m_reportPath);

    QMap<QByteArray, QByteArray> environment;
    for (char **entry = environ; *entry; ++entry) {
        const QByteArray text(*entry);
        const qsizetype eq = text.indexOf('=');
        if (eq > 0)
            environment.insert(text.left(eq), text.mid(eq + 1));
    }
    environment.insert("QT_QPA_PLATFORM", launch.platform);
    environment.insert("LD_PRELOAD", QFile::encodeName(launch.probe));
    environment.insert("ZOL_PROBE_OUT", QFile::encodeName(m_reportPath));
    // A user's folders of its own, empty at each start: a run that was
    // killed after a reading leaves its pages to recover there, and the next
    // start must not stop at the question about them, nor any run touch the
    // recent files of the user who runs the benchmark.
    // A start that is to find something there is given the folders ready.
    for (const auto &[variable, name] : {std::pair{"XDG_DATA_HOME", userDataFolder()},
                                         std::pair{"XDG_CONFIG_HOME", userConfigFolder()}}) {
        if (!launch.userFolders.isEmpty()) {
            environment.insert(variable,
                               QFile::encodeName(QDir(launch.userFolders).filePath(name)));
            continue;
        }
        QDir folder(dir.filePath(name));
        folder.removeRecursively();
        environment.insert(variable, QFile::encodeName(folder.path()));
    }
#ifdef ZOL_BENCH_SANITIZED
    // The sanitizer's run-time wants to be loaded first; the probe is.
    environment.insert("ASAN_OPTIONS",
                       environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
#endif
    for (auto it = launch.environment.cbegin(); it != launch.environment.cend(); ++it)
        environment.insert(it.key(), it.value());

    std::vector<QByteArray> envText;
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        envText.push_back(it.key() + '=' + it.value());
    std::vector<char *> envp;
    for (QByteArray &entry : envText)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    QByteArray program = QFile::encodeName(launch.program);
    char *argv[] = {program.data(), nullptr};

    const QByteArray workDir = QFile::encodeName(launch.workDir);
    const QByteArray outputPath = QFile::encodeName(m_outputPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.constData());

    pid_t pid = 0;
    m_launchNs = monotonicNs();
    const int result =
        ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        if (error)
            *error = u"cannot start %1: %2"_s.arg(launch.program,
                                                  QString::fromLocal8Bit(std::strerror(result)));
        return false;
    }
    m_pid = pid;
    return true;
}

ProbeReports ProbedRun::reports() const
{
    QFile file(m_reportPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseProbeReports(file.readAll());
}

std::optional<QByteArray> ProbedRun::waitForReport(const QByteArray &key, int timeoutMs, int pollMs)
{
    const qint64 deadline = monotonicNs() + qint64(timeoutMs) * 1'000'000;
    for (;;) {
        if (const std::optional<QByteArray> value = reportValue(reports(), key))
            return value;
        if (!isRunning() || monotonicNs() > deadline) {
            // It may have reported just before it ended.
            return reportValue(reports(), key);
        }
        QThread::msleep(static_cast<unsigned long>(pollMs));
    }
}

bool ProbedRun::reap()
{
    if (m_pid <= 0)
        return true;
    int status = 0;
    const pid_t done = ::waitpid(static_cast<pid_t>(m_pid), &status, WNOHANG);
    if (done == 0 || (done < 0 && errno == EINTR))
        return false;
    m_pid = 0;
    m_exitCode = done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool ProbedRun::isRunning()
{
    return !reap();
}

bool ProbedRun::waitForExit(int timeoutMs, int *exitCode)
{
    const qint64 deadline = monotonicNs() + qint64(timeoutMs) * 1'000'000;
    while (!reap()) {
        if (monotonicNs() > deadline)
            return false;
        QThread::msleep(1);
    }
    if (exitCode)
        *exitCode = m_exitCode;
    return true;
}

void ProbedRun::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(static_cast<pid_t>(m_pid), SIGKILL);
    int status = 0;
    ::waitpid(static_cast<pid_t>(m_pid), &status, 0);
    m_pid = 0;
}

QByteArray ProbedRun::output() const
{
    QFile file(m_outputPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace zol::bench
