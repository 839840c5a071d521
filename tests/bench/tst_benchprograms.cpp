#include "builtpaths.h"
#include "filebench.h"
#include "measurementsfile.h"
#include "probedrun.h"
#include "receivepath.h"
#include "startup.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace zol::bench;
using namespace Qt::StringLiterals;

// The probe inside the real programs: what every start-up, CPU and memory
// figure rests on.
class BenchProgramsTest : public QObject
{
    Q_OBJECT

private slots:
    void probeTimesTheFirstShownWindow();
    void probeOpensAFileThroughTheProgramsOwnMenu();
    void probeStartsATransferOnTheMetersPort();
    void probeReportsWhatWentWrong();
    void programThatStaysIsWaitedForAndStopped();
    void fullSpeedReceiveChecksEveryPageAndTheSavedFile();
    void benchWritesItsResults();

private:
    const BenchPaths m_paths = builtBenchPaths();
    QTemporaryDir m_scratch;
};

void BenchProgramsTest::probeTimesTheFirstShownWindow()
{
    for (const QString &program :
         {m_paths.barewindow, m_paths.textwindow, m_paths.zolprint, m_paths.usertool}) {
        QString error;
        const std::optional<double> ms =
            timeToShownWindow(program, m_paths.probe, m_scratch.path(), &error);
        QVERIFY2(ms, qPrintable(error));
        QVERIFY2(*ms > 1 && *ms < 20000, qPrintable(QString::number(*ms)));
    }
    // Each start had its own folder, and the probe ended the programs before
    // they could write their settings there.
    QVERIFY(QDir(m_scratch.path())
                .entryList({u"start-*"_s}, QDir::Dirs | QDir::NoDotAndDotDot)
                .isEmpty());

    // The whole round of five, ZOLprint once more with used user folders:
    // the copies are written and locked and the recent files listed, or the
    // round says why not.
    const StartupTimes times = measureStartup(m_paths, 1);
    QVERIFY2(times.error.isEmpty(), qPrintable(times.error));
    QCOMPARE(times.keptCopies, 10);
    QCOMPARE(times.recentFiles, 4);
    for (const QList<double> *ms : {&times.barewindowMs, &times.textwindowMs, &times.zolprintMs,
                                    &times.usertoolMs, &times.zolprintKeptMs})
        QCOMPARE(ms->size(), 1);

    // A program without a window is not taken for one that showed it late.
    QString error;
    QVERIFY(!timeToShownWindow(u"/bin/true"_s, m_paths.probe, m_scratch.path(), &error));
    QVERIFY2(error.contains(u"without showing a window"_s), qPrintable(error));
}

void BenchProgramsTest::probeOpensAFileThroughTheProgramsOwnMenu()
{
    const QString file = QDir(m_scratch.path()).filePath(u"report.mcs"_s);
    const QStringList pages = makeReportPages(100);
    QString reason;
    QVERIFY2(saveMeasurements(file, pages, &reason), qPrintable(reason));
    const PeakMemory peak = measureOpenedPeak(m_paths, file);
    QVERIFY2(peak.error.isEmpty(), qPrintable(peak.error));
    QVERIFY(peak.shownKb && peak.openedKb);
    QVERIFY(*peak.shownKb > 1000);
    QVERIFY(*peak.openedKb >= *peak.shownKb);

    const FileTimes times = measureFiles(pages, m_scratch.path(), 2);
    QVERIFY2(times.error.isEmpty(), qPrintable(times.error));
    QVERIFY(times.openMs && times.saveMs && times.plainReadMs && times.plainWriteMs);
    QVERIFY(times.fileBytes > 100 * 2000);
    QCOMPARE(times.fileBytes, QFileInfo(file).size());
}

void BenchProgramsTest::probeStartsATransferOnTheMetersPort()
{
    QProcess meter;
    meter.setProgram(m_paths.zolmeter);
    meter.setArguments({u"dump"_s});
    meter.start();
    QVERIFY(meter.waitForStarted() && meter.waitForReadyRead(5000));
    const QByteArray device = meter.readAllStandardOutput().trimmed();
    QVERIFY(device.startsWith("/dev/"));
    meter.setReadChannel(QProcess::StandardError);

    QTemporaryDir workDir;
    QFile settings(QDir(workDir.path()).filePath(u"zolprint.ini"_s));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("1\r\n1\r\n");
    settings.close();
    ProbedRun program;
    QString error;
    QVERIFY2(program.start({m_paths.zolprint,
                            m_paths.probe,
                            workDir.path(),
                            {{"ZOL_COM1", device},
                             {"ZOL_PROBE_TRIGGER", "mStart"},
                             {"ZOL_PROBE_TRIGGER_AFTER", "200"},
                             {"ZOL_PROBE_STAY", "1"}}},
                           &error),
             qPrintable(error));
    const std::optional<QByteArray> shown = program.waitForReport("shown", 20000);
    const std::optional<QByteArray> triggered = program.waitForReport("triggered", 20000);
    QVERIFY(shown && triggered);
    QVERIFY(triggered->toLongLong() - shown->toLongLong() >= 200'000'000);
    QByteArray log;
    QTRY_VERIFY2_WITH_TIMEOUT((log += meter.readAllStandardError()).contains("zolmeter: opened"),
                              log.constData(), 5000);
    // It stays, as asked, for the CPU to be measured.
    QVERIFY(program.isRunning());
    program.stop();
    QVERIFY(!program.isRunning());
    meter.terminate();
    QVERIFY(meter.waitForFinished(5000));
}

void BenchProgramsTest::probeReportsWhatWentWrong()
{
    // A file the program refuses: its message is reported instead of the
    // program waiting for a click.
    const QString bad = QDir(m_scratch.path()).filePath(u"bad.mcs"_s);
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a measurements file\r\n");
    file.close();
    const PeakMemory peak = measureOpenedPeak(m_paths, bad);
    QVERIFY2(peak.error.contains(u"Error 101"_s), qPrintable(peak.error));

    // An action the program does not have.
    QTemporaryDir workDir;
    ProbedRun run;
    QString error;
    QVERIFY(run.start(
        {m_paths.barewindow, m_paths.probe, workDir.path(), {{"ZOL_PROBE_TRIGGER", "mNoSuchItem"}}},
        &error));
    int exitCode = 0;
    QVERIFY(run.waitForExit(20000, &exitCode));
    QCOMPARE(exitCode, 3);
    QCOMPARE(reportValue(run.reports(), "error"),
             std::optional<QByteArray>("no action mNoSuchItem"));

    QVERIFY(!run.start({u"/no/such/program"_s, m_paths.probe, workDir.path(), {}}, &error));
    QVERIFY2(error.startsWith(u"cannot start /no/such/program"_s), qPrintable(error));
}

void BenchProgramsTest::programThatStaysIsWaitedForAndStopped()
{
    QTemporaryDir workDir;
    ProbedRun run;
    QString error;
    QVERIFY(run.start({m_paths.barewindow,
                       m_paths.probe,
                       workDir.path(),
                       {{"ZOL_PROBE_STAY", "1"}, {"QT_LOGGING_RULES", "qt.qpa.*=true"}}},
                      &error));
    const std::optional<QByteArray> shown = run.waitForReport("shown", 20000);
    QVERIFY(shown);
    // Shown after it was started, by the same clock.
    QVERIFY(shown->toLongLong() > run.launchNs());
    QVERIFY(reportValue(run.reports(), "hwm"));

    // A report that never comes: the wait ends on time, the program still runs.
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!run.waitForReport("never", 300));
    QVERIFY(timer.elapsed() >= 300 && timer.elapsed() < 5000);
    QVERIFY(run.isRunning());
    QVERIFY(!run.waitForExit(200));
    QVERIFY(run.pid() > 0);

    run.stop();
    QVERIFY(!run.isRunning());
    QCOMPARE(run.pid(), 0);
    // What the program said went to its own file, not to the benchmark's output.
    QVERIFY(run.output().contains("qt.qpa"));
}

void BenchProgramsTest::fullSpeedReceiveChecksEveryPageAndTheSavedFile()
{
    const FullSpeedReceive small =
        receiveAtFullSpeed(makeMeterDump(64 * 1024, PageStore::kLastPage), m_scratch.path());
    QVERIFY2(small.exact, qPrintable(small.problem));
    QVERIFY(small.reopens);
    QVERIFY(small.seconds > 0 && small.seconds < 30);
    QVERIFY(small.fileBytes > 50'000);

    // More than the program opens as a file: received whole, and the save
    // is refused rather than writing a file that would not open again.
    const FullSpeedReceive large = receiveAtFullSpeed(
        makeMeterDump(kMaxMeasurementsFileSize + 2 * 1024 * 1024, PageStore::kLastPage),
        m_scratch.path());
    QVERIFY2(large.exact, qPrintable(large.problem));
    QCOMPARE(large.fileBytes, 0);
    QVERIFY(!large.saveProblem.isEmpty());
    QVERIFY(!large.reopens);
}

void BenchProgramsTest::benchWritesItsResults()
{
    QProcess bench;
    bench.setProgram(QString::fromLocal8Bit(ZOLBENCH_PATH));
    bench.setArguments({u"--only"_s, u"startup,bogus"_s});
    bench.start();
    QVERIFY(bench.waitForFinished(10000));
    QCOMPARE(bench.exitCode(), 2);
    QVERIFY(bench.readAllStandardError().contains("unknown part \"bogus\""));
    bench.setArguments({u"--platforms"_s, u"offscreen,wayland"_s});
    bench.start();
    QVERIFY(bench.waitForFinished(10000));
    QCOMPARE(bench.exitCode(), 2);
    QVERIFY(bench.readAllStandardError().contains("unknown platform \"wayland\""));
    // Without an X display it says so rather than failing program by program.
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    noDisplay.remove(u"DISPLAY"_s);
    bench.setProcessEnvironment(noDisplay);
    bench.setArguments({u"--platforms"_s, u"xcb"_s});
    bench.start();
    QVERIFY(bench.waitForFinished(10000));
    QCOMPARE(bench.exitCode(), 2);
    QVERIFY(bench.readAllStandardError().contains("needs an X display"));

    const QString results = QDir(m_scratch.path()).filePath(u"results.md"_s);
    bench.setArguments({u"--quick"_s, u"--only"_s, u"startup"_s, u"--results"_s, results});
    bench.start();
    QVERIFY(bench.waitForFinished(30000));
    QCOMPARE(bench.exitCode(), 0);
    const QByteArray printed = bench.readAllStandardOutput();
    QFile file(results);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QVERIFY(written.contains("- Machine: "));
    QVERIFY(written.contains("- Qt: " QT_VERSION_STR));
    QVERIFY(written.contains("- Programs run on: offscreen\n"));
    // The same table on the screen and in the file, with both programs, and
    // without goals of their own the window with text and ZOLprint against
    // it, and ZOLprint finding used user folders.
    const QByteArray table = printed.trimmed();
    QVERIFY(table.startsWith("| Measurement |"));
    QVERIFY(written.trimmed().endsWith(table));
    QCOMPARE(table.count("\n| Start-up to shown window: "), 5);
    QCOMPARE(table.count(" (offscreen) | "), 5);
    QVERIFY(table.contains("a bare window with one line of text (offscreen) | "));
    QVERIFY(table.contains(" | window with text "));
    QCOMPARE(table.count(" | ratio <= 1.2 | "), 2);
    QVERIFY(table.contains("ZOLprint finding 10 running copies' kept pages and 4 recent files"));
}

QTEST_MAIN(BenchProgramsTest)
#include "tst_benchprograms.moc"
