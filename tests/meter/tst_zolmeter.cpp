#include "frames.h"
#include "qtserialport.h"
#include "zol6frames.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace zol;
using namespace Qt::StringLiterals;

namespace zol::test {

namespace {

// The tool's own frame for programming a name: the meter is checked against
// what the tool sends, whose bytes the tool's tests hold to the letter.
QByteArray programFrame(const QString &name)
{
    return buildCommandFrame(kProgramNameHeader, userNameField(name));
}

// What zolmeter answers to kVersionCommand when started as zol6 --meter
// ZOL6-B --hardware 2.1 --software 7.00 --serial AB123456 --battery L.
const QByteArray kZol6BVersionReply = "\x02"
                                      "v037"
                                      "ZOL6-B\0\0"
                                      "2.1\0"
                                      "7.00"
                                      "AB123456"
                                      "\0\0\0\0\0\0\0\0\0\0\0\0"
                                      "L"
                                      "\x03"
                                      "?"_ba;

// An STX, later an ETX, and a byte after it: something like a reply is in.
bool replyArrived(const QByteArray &bytes)
{
    const qsizetype stx = bytes.indexOf(kStx);
    const qsizetype etx = stx < 0 ? -1 : bytes.indexOf(kEtx, stx);
    return etx >= 0 && etx + 1 < bytes.size();
}

// The file zolmeter sends as its dump, written whole.
bool writeDumpFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A zolmeter run. It ends with the test, by SIGTERM.
class Meter
{
public:
    explicit Meter(const QStringList &arguments)
    {
        m_process.setProgram(QString::fromLocal8Bit(ZOLMETER_PATH));
        m_process.setArguments(arguments);
        m_process.start();
    }
    ~Meter() { stop(); }

    // The device path, the first line the meter prints.
    QString device()
    {
        QElapsedTimer waited;
        waited.start();
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning &&
               waited.elapsed() < 5000)
            m_process.waitForReadyRead(100);
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }

    QString log()
    {
        m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
        return m_log;
    }

    // Waits for the meter to log text without running the event loop, so
    // that no port of the test reads meanwhile.
    bool waitForLog(const QString &text, int timeoutMs)
    {
        QElapsedTimer waited;
        waited.start();
        while (!log().contains(text)) {
            if (waited.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(50);
        }
        return true;
    }

    // Log lines that read exactly so, not lines that begin so.
    qsizetype lines(const QString &line) { return log().count(u"zolmeter: "_s + line + u'\n'); }

    // Exit code after a SIGTERM, or -1 when the meter did not end cleanly.
    int stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return exitCode();
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(1000);
            return -1;
        }
        return exitCode();
    }

    QProcess &process() { return m_process; }

private:
    int exitCode() const
    {
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QProcess m_process;
    QString m_log;
};

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run runToEnd(const QStringList &arguments)
{
    QProcess process;
    process.start(QString::fromLocal8Bit(ZOLMETER_PATH), arguments);
    Run run;
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// The program's end of the line: the real serial control on a COM port that
// points at the meter's device, reading on every notification.
class Line
{
public:
    Line(int comPort, const QString &device, int baud)
    {
        m_variable = "ZOL_COM" + QByteArray::number(comPort);
        qputenv(m_variable.constData(), device.toLocal8Bit());
        m_port.setCommPort(comPort);
        m_port.setBaudRate(baud);
        m_port.setDtrEnable(true);
        m_port.setRtsEnable(false);
        QObject::connect(&m_port, &SerialPort::comm, &m_port, [this] {
            bytes += m_port.readAll();
            arrivals.append({clock.elapsed(), int(bytes.size())});
        });
        QObject::connect(&m_port, &SerialPort::lost, &m_port,
                         [this](const QString &reason) { lost.append(reason); });
    }

    bool open()
    {
        clear();
        QString reason;
        const bool opened = m_port.open(&reason);
        if (!opened)
            qWarning("open failed: %s", qPrintable(reason));
        return opened;
    }

    // The programs' control empties the line at every open, so what the
    // meter left there is read first through a descriptor of our own, which
    // stays open until the control has the device, so that the meter sees
    // one open.
    bool openKeepingWhatWaits()
    {
        const QByteArray path = qgetenv(m_variable.constData());
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            qWarning("open of %s failed: %s", path.constData(), std::strerror(errno));
            return false;
        }
        QByteArray waiting;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            waiting.append(buffer, n);
        }
        const bool opened = open();
        ::close(fd);
        bytes = waiting + bytes;
        return opened;
    }
    void close() { m_port.close(); }

    // Sends without waiting for anything.
    void send(const QByteArray &command)
    {
        clear();
        QString reason;
        QVERIFY2(m_port.write(command, &reason), qPrintable(reason));
    }

    void clear()
    {
        bytes.clear();
        arrivals.clear();
        clock.start();
    }

    // Sends a command and collects until a reply is complete, plus a moment
    // for anything that would wrongly follow it.
    QByteArray exchange(const QByteArray &command, int timeoutMs = 2000)
    {
        clear();
        QString reason;
        if (!m_port.write(command, &reason)) {
            QTest::qFail(qPrintable(u"not sent: "_s + reason), __FILE__, __LINE__);
            return {};
        }
        (void)QTest::qWaitFor([this] { return replyLength(bytes) > 0; }, timeoutMs);
        QTest::qWait(40);
        return bytes;
    }

    qint64 firstArrival() const { return arrivals.isEmpty() ? -1 : arrivals.first().first; }
    qint64 lastArrival() const { return arrivals.isEmpty() ? -1 : arrivals.last().first; }

    QByteArray bytes;
    // Milliseconds since the open or the command, and the bytes by then.
    QList<std::pair<qint64, int>> arrivals;
    QElapsedTimer clock;
    // The reasons the port gave for losing the line.
    QStringList lost;

private:
    QByteArray m_variable;
    QtSerialPort m_port;
};

QByteArray allByteValues(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + i / 256) & 0xFF);
    return bytes;
}

} // namespace

class TestZolmeter : public QObject
{
    Q_OBJECT

private slots:
    void sampleReport();
    void sampleDumpPacedAfterASecond();
    void fileSentUnchangedOnEveryOpen();
    void linkAndSignals();
    void badArguments();
    void zol6Version();
    void zol6UserName();
    void zol6Faults();
    void zol6AnswersOutliveTheClose();
    void zol6Late();
    void dumpStale();
    void dumpCut();
    void dumpBehindItsPace();
};

void TestZolmeter::sampleReport()
{
    const Run run = runToEnd({u"sample"_s});
    QCOMPARE(run.exitCode, 0);
    const QByteArray dump = run.out;
    QVERIFY(dump.endsWith('\f'));
    QVERIFY(dump.count('\f') >= 4 && dump.count('\f') <= 5);
    for (qsizetype i = 0; i < dump.size(); ++i) {
        const auto b = uchar(dump.at(i));
        if (b == '\n')
            QVERIFY2(i > 0 && dump.at(i - 1) == '\r', qPrintable(QString::number(i)));
        else if (b == '\r')
            QVERIFY2(i + 1 < dump.size() && dump.at(i + 1) == '\n', qPrintable(QString::number(i)));
        else
            QVERIFY2(b >= 32 || b == '\f', qPrintable(QString::number(i)));
    }
    // The accented letters as the meter sends them, in code page 437.
    for (const char accent : {'\x82', '\x8A', '\x81', '\x94', '\xA4', '\x87', '\xA1'})
        QVERIFY2(dump.contains(accent), qPrintable(QString::number(uchar(accent), 16)));

    // Each page heads with the meter and the date, and its table of
    // readings keeps its columns.
    const QList<QByteArray> pages = dump.split('\f');
    const QRegularExpression reading(
        u"^ +\\d+  \\d\\d-\\d\\d-\\d{4}  \\d\\d:\\d\\d +\\d+\\.\\d +\\d+$"_s);
    const QRegularExpression date(u"\\d\\d-\\d\\d-\\d{4}"_s);
    int rows = 0;
    for (const QByteArray &page : pages.first(pages.size() - 1)) {
        const QList<QByteArray> lines = page.split('\n');
        QVERIFY(lines.first().contains("ZOL"));
        QVERIFY(date.match(QString::fromLatin1(lines.at(1))).hasMatch());
        QList<qsizetype> widths;
        QList<qsizetype> points;
        for (QByteArray line : lines) {
            line.chop(line.endsWith('\r') ? 1 : 0);
            if (!reading.match(QString::fromLatin1(line)).hasMatch())
                continue;
            widths.append(line.size());
            points.append(line.indexOf('.'));
        }
        rows += int(widths.size());
        QCOMPARE(std::count(widths.begin(), widths.end(), widths.value(0)), widths.size());
        QCOMPARE(std::count(points.begin(), points.end(), points.value(0)), points.size());
    }
    QVERIFY(rows >= 12);
    QVERIFY(dump.contains("Average"));
}

void TestZolmeter::sampleDumpPacedAfterASecond()
{
    const QByteArray expected = runToEnd({u"sample"_s}).out;
    QVERIFY(!expected.isEmpty());

    Meter meter({u"dump"_s});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    Line line(1, device, 2400);
    QVERIFY(line.open());

    // At 2400 baud, ten bits a character: 240 characters a second.
    const double seconds = expected.size() / 240.0;
    (void)QTest::qWaitFor([&] { return line.bytes.size() >= expected.size(); },
                          int(seconds * 1000) + 5000);
    QCOMPARE(line.bytes.size(), expected.size());
    QCOMPARE(line.bytes, expected);

    QVERIFY2(line.firstArrival() >= 800 && line.firstArrival() <= 2000,
             qPrintable(QString::number(line.firstArrival())));
    const double took = (line.lastArrival() - line.firstArrival()) / 1000.0;
    QVERIFY2(took > seconds * 0.9 && took < seconds * 1.1, qPrintable(QString::number(took)));
    // Paced all the way, neither in bursts nor falling behind.
    for (const auto &[at, total] : std::as_const(line.arrivals)) {
        const double due = (at - line.firstArrival()) * 0.240 + 1;
        QVERIFY2(total <= due + 24 && total >= due - 48,
                 qPrintable(u"%1 bytes at %2 ms"_s.arg(total).arg(at)));
    }
    QVERIFY(meter.log().contains(u"sending %1 bytes at 2400 baud"_s.arg(expected.size())));
    line.close();
    QCOMPARE(meter.stop(), 0);
}

void TestZolmeter::fileSentUnchangedOnEveryOpen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"dump.bin"_s);
    // Every byte value, the line's control characters included.
    const QByteArray bytes = allByteValues(2000);
    QVERIFY(writeDumpFile(path, bytes));

    Meter meter({u"dump"_s, path, u"--baud"_s, u"9600"_s});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    Line line(2, device, 9600);

    QVERIFY(line.open());
    QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= bytes.size(), 10000);
    QCOMPARE(line.bytes, bytes);
    line.close();
    QTRY_COMPARE(meter.lines(u"closed"_s), 1);

    // Closed half-way through: a meter does not notice, so the rest of the
    // dump goes out all the same and waits in the terminal. The next opener
    // finds it there, ahead of the dump that its own open starts.
    QVERIFY(line.open());
    QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= 100, 5000);
    line.close();
    const QByteArray head = line.bytes;
    QVERIFY(head.size() < bytes.size());
    QTRY_VERIFY_WITH_TIMEOUT(meter.log().count(u"done: 2000 bytes"_s) == 2, 10000);
    QVERIFY(meter.log().contains(u"closed after"_s));
    QTRY_COMPARE(meter.lines(u"closed"_s), 2);

    QVERIFY(line.openKeepingWhatWaits());
    const qsizetype tail = bytes.size() - head.size();
    QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= tail + bytes.size(), 10000);
    QTest::qWait(100);
    QCOMPARE(head + line.bytes, bytes + bytes);
    line.close();
    QCOMPARE(meter.log().count(u"sending 2000 bytes at 9600 baud"_s), 3);
    QCOMPARE(meter.stop(), 0);
}

void TestZolmeter::linkAndSignals()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(u"zolmeter-port"_s);
    // A link left by a meter that was killed is taken over.
    QVERIFY(QFile::link(u"/nonexistent/pts"_s, link));

    Meter meter({u"dump"_s, u"--link"_s, link});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    QTRY_COMPARE(QFileInfo(link).symLinkTarget(), device);

    // The port opens through the link, and SIGTERM in the middle of the dump
    // ends the meter cleanly and takes the link away.
    Line line(3, link, 2400);
    QVERIFY(line.open());
    QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() > 20, 4000);
    QCOMPARE(meter.stop(), 0);
    QVERIFY(meter.log().contains(u"stopped"_s));
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    line.close();

    // SIGINT, Ctrl+C, while waiting for a program.
    Meter waiting({u"zol6"_s});
    QVERIFY(waiting.device().startsWith(u'/'));
    QTRY_VERIFY(waiting.log().contains(u"waiting"_s));
    ::kill(pid_t(waiting.process().processId()), SIGINT);
    QVERIFY(waiting.process().waitForFinished(5000));
    QCOMPARE(waiting.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(waiting.process().exitCode(), 0);

    // A file in the way is an error, and the file is left as it was.
    const QString file = dir.filePath(u"taken"_s);
    {
        QFile taken(file);
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("mine");
    }
    const Run refused = runToEnd({u"dump"_s, u"--link"_s, file});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(file), qPrintable(refused.err));
    QFile taken(file);
    QVERIFY(taken.open(QIODevice::ReadOnly));
    QCOMPARE(taken.readAll(), QByteArray("mine"));

    const Run missing = runToEnd({u"dump"_s, dir.filePath(u"no-such.dump"_s)});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY2(missing.err.contains(u"no-such.dump"_s), qPrintable(missing.err));
    QVERIFY(missing.out.isEmpty());
}

void TestZolmeter::badArguments()
{
    const QList<QStringList> bad = {
        {},
        {u"fly"_s},
        {u"dump"_s, u"a.dump"_s, u"b.dump"_s},
        {u"dump"_s, u"--baud"_s, u"fast"_s},
        {u"dump"_s, u"--baud"_s, u"0"_s},
        {u"dump"_s, u"--baud"_s, u"-2400"_s},
        {u"dump"_s, u"--baud"_s},
        {u"dump"_s, u"--link"_s},
        {u"dump"_s, u"--silent"_s},
        {u"zol6"_s, u"--meter"_s, u"NINECHARS"_s},
        {u"zol6"_s, u"--hardware"_s, u"1.200"_s},
        {u"zol6"_s, u"--battery"_s, u"GG"_s},
        {u"zol6"_s, u"--battery"_s, u""_s},
        {u"zol6"_s, u"--split"_s},
        {u"zol6"_s, u"--split"_s, u"-1"_s},
        {u"zol6"_s, u"--silent=yes"_s},
        {u"zol6"_s, u"--stray-stx=1"_s},
        {u"dump"_s, u"--stray-stx"_s},
        {u"zol6"_s, u"--baud"_s, u"9600"_s},
        {u"zol6"_s, u"extra"_s},
        {u"sample"_s, u"--link"_s, u"x"_s},
        {u"zol6"_s, u"--late"_s, u"soon"_s},
        {u"zol6"_s, u"--late"_s, u"-5"_s},
        {u"zol6"_s, u"--late"_s},
        {u"zol6"_s, u"--trailing"_s, u"0D0"_s},
        {u"zol6"_s, u"--trailing"_s, u"zz"_s},
        {u"dump"_s, u"--late"_s, u"100"_s},
        {u"dump"_s, u"--cut"_s, u"half"_s},
        {u"dump"_s, u"--cut"_s},
        {u"zol6"_s, u"--cut"_s, u"10"_s},
        {u"dump"_s, u"--stale"_s, u""_s},
        {u"zol6"_s, u"--stale"_s, u"x"_s},
        {u"dump"_s, u"--stale"_s, QString(4097, u'x')},
    };
    for (const QStringList &arguments : bad) {
        const Run run = runToEnd(arguments);
        const QString what = arguments.join(u' ');
        QVERIFY2(run.exitCode == 2, qPrintable(what));
        QVERIFY2(run.err.contains(u"Usage: zolmeter"_s), qPrintable(what));
        // Nothing that a script could take for a device path.
        QVERIFY2(run.out.isEmpty(), qPrintable(what));
    }

    const Run help = runToEnd({u"--help"_s});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("zolmeter dump"));
    QVERIFY(help.out.contains("zolmeter zol6"));
    for (const char *option : {"--late MS", "--stale TEXT", "--cut N", "--stray-stx"})
        QVERIFY2(help.out.contains(option), option);
}

void TestZolmeter::zol6Version()
{
    Meter meter({u"zol6"_s, u"--meter"_s, u"ZOL6-B"_s, u"--hardware"_s, u"2.1"_s, u"--software"_s,
                 u"7.00"_s, u"--serial"_s, u"AB123456"_s, u"--battery"_s, u"L"_s});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    Line line(4, device, 9600);
    QVERIFY(line.open());

    QCOMPARE(line.exchange(kVersionCommand), kZol6BVersionReply);
    // 44 characters at 9600 baud take some 45 ms: paced, not in one burst.
    QVERIFY2(line.lastArrival() - line.firstArrival() >= 30,
             qPrintable(QString::number(line.lastArrival() - line.firstArrival())));
    QVERIFY(line.lastArrival() < 1000);
    QTRY_VERIFY(meter.log().contains(u"02 56 30 30 30 03 67"_s));

    // Bytes ahead of a frame are skipped, as is a frame whose rest never
    // came.
    QVERIFY(line.exchange(QByteArray("\xFF\x55", 2) + kVersionCommand).size() == 44);
    line.clear();
    QTest::qWait(20);
    line.exchange(QByteArray("\x02X012AB"), 200);
    QVERIFY(line.bytes.isEmpty());
    QTest::qWait(700);
    QCOMPARE(line.exchange(kVersionCommand), kZol6BVersionReply);
    QCOMPARE(meter.stop(), 0);

    Meter defaults({u"zol6"_s});
    Line other(5, defaults.device(), 9600);
    QVERIFY(other.open());
    QCOMPARE(other.exchange(kVersionCommand), kZolmeterVersionReply);
}

void TestZolmeter::zol6UserName()
{
    Meter meter({u"zol6"_s});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    Line line(6, device, 9600);
    QVERIFY(line.open());

    const QByteArray &ok = kOkReply;
    const QByteArray &refused = kErrorReply;
    QCOMPARE(line.exchange(kProgramAbCommand), ok);
    QCOMPARE(line.exchange(programFrame(u"CD"_s)), refused);

    // The name is in the meter's memory, not in the connection.
    line.close();
    QVERIFY(line.open());
    QCOMPARE(line.exchange(programFrame(u"EF"_s)), refused);
    QCOMPARE(line.exchange(kClearNameCommand), ok);
    QCOMPARE(line.exchange(programFrame(u"GH"_s)), ok);
    QCOMPARE(line.exchange(programFrame(u"IJ"_s)), refused);
    QCOMPARE(line.exchange(kClearNameCommand), ok);

    // A wrong check, an unknown command and a frame without its ETX are
    // all refused, and the meter goes on answering after them.
    QByteArray wrong = programFrame(u"KL"_s);
    wrong.back() = char(wrong.back() ^ 0x01);
    QCOMPARE(line.exchange(wrong), refused);
    QCOMPARE(line.exchange(buildCommandFrame("Q000")), refused);
    QCOMPARE(line.exchange(QByteArray("\x02V000Zg")), refused);
    QCOMPARE(line.exchange(programFrame(u"MN"_s)), ok);
    QTRY_VERIFY(meter.log().contains(u"02 58 30 31 32 4D 4E"_s));
    QVERIFY(meter.log().contains(u"wrong check"_s));
}

void TestZolmeter::zol6Faults()
{
    {
        Meter silent({u"zol6"_s, u"--silent"_s});
        Line line(7, silent.device(), 9600);
        QVERIFY(line.open());
        QVERIFY(line.exchange(kVersionCommand, 3000).isEmpty());
        // It still heard the frame.
        QTRY_VERIFY(silent.log().contains(u"02 56 30 30 30 03 67"_s));
    }
    {
        Meter badCheck({u"zol6"_s, u"--bad-check"_s});
        Line line(8, badCheck.device(), 9600);
        QVERIFY(line.open());
        const QByteArray version = line.exchange(kVersionCommand);
        QCOMPARE(version.size(), 44);
        QCOMPARE(version.first(43), kZolmeterVersionReply.first(43));
        QVERIFY(version.at(43) != kZolmeterVersionReply.at(43));
        QVERIFY(uchar(version.at(43)) >= 32);
        const QByteArray ok = line.exchange(kProgramAbCommand);
        QCOMPARE(ok.size(), 7);
        QCOMPARE(ok.first(6), kOkReply.first(6));
        QVERIFY(ok.at(6) != kOkReply.at(6));
    }
    {
        Meter noise({u"zol6"_s, u"--noise"_s});
        Line line(9, noise.device(), 9600);
        QVERIFY(line.open());
        const QByteArray version = line.exchange(kVersionCommand);
        QCOMPARE(version.size(), 45);
        QVERIFY(version.at(0) != kStx);
        QCOMPARE(version.mid(1), kZolmeterVersionReply);
        const QByteArray ok = line.exchange(kProgramAbCommand);
        QCOMPARE(ok.size(), 8);
        QCOMPARE(ok.mid(1), kOkReply);
    }
    {
        // Noise that is byte 2, alone and behind the other stray byte.
        Meter stray({u"zol6"_s, u"--stray-stx"_s});
        Line line(16, stray.device(), 9600);
        QVERIFY(line.open());
        const QByteArray version = line.exchange(kVersionCommand);
        QCOMPARE(version.size(), 45);
        QCOMPARE(version.at(0), kStx);
        QCOMPARE(version.mid(1), kZolmeterVersionReply);
        QCOMPARE(line.exchange(kClearNameCommand), QByteArray(1, kStx) + kOkReply);
    }
    {
        Meter both({u"zol6"_s, u"--noise"_s, u"--stray-stx"_s});
        Line line(17, both.device(), 9600);
        QVERIFY(line.open());
        const QByteArray ok = line.exchange(kClearNameCommand);
        QCOMPARE(ok.size(), 9);
        QVERIFY(ok.at(0) != kStx);
        QCOMPARE(ok.mid(1), QByteArray(1, kStx) + kOkReply);
    }
    {
        Meter split({u"zol6"_s, u"--split"_s, u"300"_s});
        Line line(10, split.device(), 9600);
        QVERIFY(line.open());
        const QByteArray version = line.exchange(kVersionCommand);
        QCOMPARE(version, kZolmeterVersionReply);
        // Half of the reply, a pause, then the rest.
        qint64 widest = 0;
        int before = 0;
        for (qsizetype i = 1; i < line.arrivals.size(); ++i) {
            const qint64 gap = line.arrivals.at(i).first - line.arrivals.at(i - 1).first;
            if (gap > widest) {
                widest = gap;
                before = line.arrivals.at(i - 1).second;
            }
        }
        QVERIFY2(widest >= 250 && widest < 1000, qPrintable(QString::number(widest)));
        QCOMPARE(before, 22);
    }
}

void TestZolmeter::zol6AnswersOutliveTheClose()
{
    // An answer the program did not read before it closed the port is still
    // there when it opens the port again.
    {
        Meter meter({u"zol6"_s});
        const QString device = meter.device();
        QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
        Line line(11, device, 9600);
        QVERIFY(line.open());
        line.send(kVersionCommand);
        // No event loop runs while waiting, so nothing on this side reads.
        QVERIFY2(meter.waitForLog(u"answered"_s, 10000), qPrintable(meter.log()));
        line.close();
        QVERIFY(line.bytes.isEmpty());
        // A bound for a loaded machine under the sanitizers, where five
        // seconds were seen to pass before the meter was scheduled.
        QTRY_COMPARE_WITH_TIMEOUT(meter.lines(u"closed"_s), 1, 20000);
        QVERIFY(line.openKeepingWhatWaits());
        QTRY_VERIFY_WITH_TIMEOUT(replyArrived(line.bytes), 5000);
        QTest::qWait(100);
        QCOMPARE(line.bytes, kZolmeterVersionReply);
        QCOMPARE(meter.stop(), 0);
    }
    // An answer half sent when the port closes is finished all the same.
    {
        Meter meter({u"zol6"_s, u"--split"_s, u"1500"_s});
        const QString device = meter.device();
        QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
        Line line(12, device, 9600);
        QVERIFY(line.open());
        line.send(kVersionCommand);
        QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= 22, 5000);
        line.close();
        const QByteArray head = line.bytes;
        QCOMPARE(head.size(), 22);
        QTRY_VERIFY_WITH_TIMEOUT(meter.log().contains(u"answered in two parts"_s), 10000);
        QVERIFY(meter.log().contains(u"the answer waits on the line"_s));
        QVERIFY(line.openKeepingWhatWaits());
        QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= 22, 5000);
        QTest::qWait(100);
        QCOMPARE(head + line.bytes, kZolmeterVersionReply);
        QCOMPARE(meter.stop(), 0);
    }
}

void TestZolmeter::zol6Late()
{
    Meter meter({u"zol6"_s, u"--late"_s, u"1500"_s});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    Line line(13, device, 9600);
    QVERIFY(line.open());

    // The clock starts before the frame goes out, so the answer cannot be
    // seen before the delay has passed.
    const QByteArray version = line.exchange(kVersionCommand, 10000);
    QCOMPARE(version, kZolmeterVersionReply);
    QVERIFY2(line.firstArrival() >= 1500, qPrintable(QString::number(line.firstArrival())));

    // The program gives up and closes the port before the answer is due: the
    // answer goes out all the same and waits for the next opener.
    line.send(kProgramAbCommand);
    line.close();
    QTRY_VERIFY_WITH_TIMEOUT(meter.log().contains(u"the answer waits on the line"_s), 10000);
    QVERIFY(line.openKeepingWhatWaits());
    QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= 7, 5000);
    QTest::qWait(100);
    QCOMPARE(line.bytes, kOkReply);
    // The name was stored although nobody was there to hear it.
    QCOMPARE(line.exchange(programFrame(u"CD"_s), 10000), kErrorReply);
    QCOMPARE(meter.stop(), 0);
}

void TestZolmeter::dumpStale()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"dump.bin"_s);
    const QByteArray bytes = allByteValues(300);
    QVERIFY(writeDumpFile(path, bytes));
    // Control characters pass as they are, and a backslash stays a backslash.
    const QByteArray stale("end of an old report\r\n\f\\r\\n");
    Meter meter(
        {u"dump"_s, path, u"--baud"_s, u"38400"_s, u"--stale"_s, QString::fromLatin1(stale)});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    QVERIFY(meter.log().contains(u"left %1 stale byte(s)"_s.arg(stale.size())));
    Line line(14, device, 38400);

    QVERIFY(line.openKeepingWhatWaits());
    QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= stale.size() + bytes.size(), 5000);
    QTest::qWait(100);
    QCOMPARE(line.bytes, stale + bytes);
    line.close();

    // Left once, at the start, not on every open.
    QTRY_COMPARE(meter.lines(u"closed"_s), 1);
    QVERIFY(line.open());
    QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= bytes.size(), 5000);
    QTest::qWait(100);
    QCOMPARE(line.bytes, bytes);
    QCOMPARE(meter.stop(), 0);
}

void TestZolmeter::dumpCut()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"dump.bin"_s);
    const QByteArray bytes = allByteValues(3000);
    QVERIFY(writeDumpFile(path, bytes));
    Meter meter({u"dump"_s, path, u"--baud"_s, u"9600"_s, u"--cut"_s, u"700"_s});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    Line line(15, device, 9600);
    QVERIFY(line.open());

    // Exactly the bytes before the cut arrive, then the port reports the
    // line gone, once, with the system's reason.
    QTRY_VERIFY_WITH_TIMEOUT(!line.lost.isEmpty(), 15000);
    QCOMPARE(line.bytes, bytes.first(700));
    QTest::qWait(200);
    QCOMPARE(line.lost.size(), 1);
    QVERIFY(!line.lost.first().isEmpty());
    QCOMPARE(line.bytes.size(), 700);

    // The meter is gone with the line.
    QTRY_COMPARE_WITH_TIMEOUT(meter.process().state(), QProcess::NotRunning, 5000);
    QCOMPARE(meter.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(meter.process().exitCode(), 0);
    QVERIFY2(meter.log().contains(u"cut after 700 bytes: hung up"_s), qPrintable(meter.log()));
    line.close();
}

// A meter held up in the middle of a dump (stopped here for a moment) is
// behind its pace when it goes on; it catches up and loses nothing.
void TestZolmeter::dumpBehindItsPace()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"dump.bin"_s);
    const QByteArray bytes = allByteValues(1200);
    QVERIFY(writeDumpFile(path, bytes));
    Meter meter({u"dump"_s, path, u"--baud"_s, u"2400"_s});
    const QString device = meter.device();
    QVERIFY2(device.startsWith(u'/'), qPrintable(meter.log()));
    Line line(18, device, 2400);
    QVERIFY(line.open());

    QTRY_VERIFY_WITH_TIMEOUT(line.bytes.size() >= 100, 5000);
    const auto pid = static_cast<pid_t>(meter.process().processId());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    QTest::qWait(500);
    QCOMPARE(::kill(pid, SIGCONT), 0);
    QTRY_VERIFY2_WITH_TIMEOUT(line.bytes.size() >= bytes.size(), qPrintable(meter.log()), 15000);
    QTest::qWait(100);
    QCOMPARE(line.bytes, bytes);
    QVERIFY(meter.log().contains(u"done: 1200 bytes"_s));
    QCOMPARE(meter.stop(), 0);
}

} // namespace zol::test

QTEST_GUILESS_MAIN(zol::test::TestZolmeter)
#include "tst_zolmeter.moc"
