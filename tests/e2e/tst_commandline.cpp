#include "recovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

using namespace Qt::StringLiterals;

// Both programs as a person types them in a terminal, or a build machine runs
// them: with no display at all, so that an answer that needed a window fails.
class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void answersWithoutAWindow_data();
    void answersWithoutAWindow();
    void endedBySignalKeepsSettingsAndPages_data();
    void endedBySignalKeepsSettingsAndPages();
};

void CommandLineTest::answersWithoutAWindow_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    // What standard output and standard error must match; empty: nothing.
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString reader = QString::fromLocal8Bit(ZOLPRINT_PATH);
    const QString tool = QString::fromLocal8Bit(USERTOOL_PATH);
    const QString version = uR"(^ZOL Print \d+\.\d+\.\d+\n$)"_s;
    QTest::newRow("--version") << reader << QStringList{u"--version"_s} << 0 << version
                               << QString();
    QTest::newRow("-v") << reader << QStringList{u"-v"_s} << 0 << version << QString();
    // A file named as well does not start the window.
    QTest::newRow("Qt's option and a file")
        << reader << QStringList{u"-platform"_s, u"offscreen"_s, u"-v"_s, u"a.mcs"_s} << 0
        << version << QString();
    QTest::newRow("--help")
        << reader << QStringList{u"--help"_s} << 0
        << uR"(^Usage: ZOLprint \[options\] \[file\]\n(.|\n)*--user-settings(.|\n)*-v, --version)"_s
        << QString();
    QTest::newRow("unknown option")
        << reader << QStringList{u"-x"_s, u"a.mcs"_s} << 2 << QString()
        << uR"(^ZOLprint: Unknown option 'x'\.\nTry 'ZOLprint --help')"_s;
    QTest::newRow("tool --version") << tool << QStringList{u"--version"_s} << 0
                                    << uR"(^ZOL user name \d+\.\d+\.\d+\n$)"_s << QString();
    QTest::newRow("tool -h") << tool << QStringList{u"-h"_s} << 0
                             << uR"(^Usage: \S.* \[options\]\n(.|\n)*-h, --help)"_s << QString();
    // ZOLprint's option is not the tool's.
    QTest::newRow("tool --user-settings") << tool << QStringList{u"--user-settings"_s} << 2
                                          << QString() << u"Unknown option 'user-settings'"_s;
    // The tool opens no file: what it does not take is named, not ignored.
    QTest::newRow("tool and a file")
        << tool << QStringList{u"somefile"_s} << 2 << QString()
        << uR"(^zol-user-name: Unexpected argument 'somefile'\.\nTry 'zol-user-name --help')"_s;
    QTest::newRow("tool -- x") << tool << QStringList{u"--"_s, u"x"_s} << 2 << QString()
                               << u"Unexpected argument 'x'"_s;
}

void CommandLineTest::answersWithoutAWindow()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QVERIFY2(process.waitForFinished(30000), "it waited for something");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString stdOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitCode(), status);
    if (out.isEmpty())
        QCOMPARE(stdOut, QString());
    else
        QVERIFY2(QRegularExpression(out).match(stdOut).hasMatch(), qPrintable(stdOut));
    if (err.isEmpty())
        QCOMPARE(stdErr, QString());
    else
        QVERIFY2(QRegularExpression(err).match(stdErr).hasMatch(), qPrintable(stdErr));
}

void CommandLineTest::endedBySignalKeepsSettingsAndPages_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("reading");
#ifdef Q_OS_UNIX
    QTest::newRow("SIGTERM at the question") << SIGTERM << false;
    QTest::newRow("SIGINT at the question") << SIGINT << false;
    QTest::newRow("SIGTERM during a reading") << SIGTERM << true;
    QTest::newRow("SIGKILL during a reading") << SIGKILL << true;
#else
    QTest::newRow("no signals") << 0 << false;
#endif
}

// A logout, Ctrl+C or kill while ZOLprint waits at its restore question: the
// settings are written, the copy stays for the next start, and the program
// ends. During a reading the pages read whole are kept as a reading that
// ended early, even when nothing of the program is left to end it.
void CommandLineTest::endedBySignalKeepsSettingsAndPages()
{
#ifndef Q_OS_UNIX
    QSKIP("Windows ends a session through the window system, not by a signal.");
#else
    QFETCH(int, signal);
    QFETCH(bool, reading);
    QTemporaryDir dir;
    const QString settings = dir.filePath(u"zolprint.ini"_s);
    QFile ini(settings);
    QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("1\n3\n") == 4);
    ini.close();
    const QString folder = dir.filePath(u"data/ZOL Print"_s);
    QVERIFY(QDir().mkpath(folder));
    QString copy = QDir(folder).filePath(u"left.zolrecovery"_s);
    zol::KeptPages kept;
    kept.savedAt = QDateTime::currentDateTime();
    kept.pages[0] = u"Eik 12.5 %\r\n"_s;
    QFile file(copy);
    QVERIFY(reading ||
            (file.open(QIODevice::WriteOnly) && file.write(zol::encodeKeptPages(kept)) > 0));
    file.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_DATA_HOME"_s, dir.filePath(u"data"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    QProcess meter;
#ifdef SHOWNPROBE_PATH
    if (reading) {
        meter.start(QString::fromLocal8Bit(ZOLMETER_PATH), {u"dump"_s});
        QVERIFY(meter.waitForReadyRead(10000));
        environment.insert(u"ZOL_COM3"_s, QString::fromLocal8Bit(meter.readLine().trimmed()));
        environment.insert(u"LD_PRELOAD"_s, QString::fromLocal8Bit(SHOWNPROBE_PATH));
        environment.insert(u"ZOL_PROBE_TRIGGER"_s, u"mStart"_s);
        environment.insert(u"ZOL_PROBE_STAY"_s, u"1"_s);
    }
#else
    if (reading)
        QSKIP("Read ZOL is worked by the benchmark's probe, which this build lacks.");
#endif
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir.path());
    // As a terminal starts it, whatever this test's own parent ignores.
    process.setChildProcessModifier([] { std::signal(SIGINT, SIG_DFL); });
    process.start(QString::fromLocal8Bit(ZOLPRINT_PATH), {});
    // The copy is locked while its question is open; during a reading, one
    // is kept once a page has come whole, while the meter goes on.
    QStringList copies;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(copies = QDir(folder).entryList({reading ? u"*.zolrecovery"_s : u"*.lock"_s})).isEmpty(),
        30000);
    copy = QDir(folder).filePath(copies.constFirst()).remove(u".lock"_s);
    QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signal), 0);
    QVERIFY2(process.waitForFinished(30000), "the question held it");
    meter.kill();
    meter.waitForFinished();
    QCOMPARE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             signal != SIGKILL);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), signal == SIGKILL ? QByteArray("1\n3\n") : " 1 \r\n 3 \r\n");
    file.setFileName(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const zol::KeptPagesRead read = zol::readKeptPages(file.readAll());
    QCOMPARE(read.status, zol::KeptPagesRead::Status::Whole);
    QCOMPARE(read.kept.endedEarly, reading);
    QVERIFY(read.kept.received() >= 1);
    QCOMPARE(QFileInfo::exists(copy + u".lock"_s), signal == SIGKILL);
#endif
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
