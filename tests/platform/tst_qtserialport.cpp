#include "ptypair.h"
#include "qtserialport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace zol;
using namespace Qt::StringLiterals;

namespace zol::test {

namespace {

// The real control on COM5, which points at the program side of a fresh
// pseudo-terminal pair; the test plays the meter on the master side.
struct PortOnPty
{
    PortOnPty()
    {
        qputenv("ZOL_COM5", pty.slavePath().toLocal8Bit());
        port.setCommPort(5);
        port.setBaudRate(2400);
        port.setDtrEnable(true);
        port.setRtsEnable(false);
    }

    PtyPair pty;
    QtSerialPort port;
};

// The descriptor QSerialPort holds for the device, found among our own, so
// that its line settings can be read back even where the device is locked.
int descriptorOf(const QString &device)
{
    const QDir fds(u"/proc/self/fd"_s);
    for (const QString &entry : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        char target[512] = {};
        const QByteArray link = fds.filePath(entry).toLocal8Bit();
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QString::fromLocal8Bit(target, n) == device)
            return entry.toInt();
    }
    return -1;
}

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 12345;
    for (char &b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<char>(x >> 23);
    }
    return bytes;
}

} // namespace

class TestQtSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void opensAndAppliesSettings();
    void openFailureGivesTheReason();
    void bytesBothWays();
    void nothingFromBeforeTheOpen();
    void readAllHandsOverAtMost32767();
    void sixtyFourKiBAtFullSpeed();
    void farEndHangingUp();
    void reopenedRightAfterAHangUp();
};

void TestQtSerialPort::opensAndAppliesSettings()
{
    PortOnPty line;
    QVERIFY(line.pty.isValid());
    QVERIFY(!line.port.isOpen());
    QVERIFY(!line.pty.slaveIsOpen());

    QString reason;
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    QVERIFY(line.port.isOpen());
    QVERIFY(line.pty.slaveIsOpen());
    QCOMPARE(line.port.deviceName(), line.pty.slavePath());
    // Opening what is open already changes nothing.
    QVERIFY(line.port.open(&reason));

    const int fd = descriptorOf(line.pty.slavePath());
    QVERIFY(fd >= 0);
    termios tio{};
    QCOMPARE(::tcgetattr(fd, &tio), 0);
    QCOMPARE(::cfgetospeed(&tio), speed_t(B2400));
    QCOMPARE(::cfgetispeed(&tio), speed_t(B2400));
    // One stop bit and no hardware handshaking: a pseudo-terminal keeps
    // both as asked (Linux forces eight data bits without parity on it).
    QCOMPARE(tio.c_cflag & (CSTOPB | CRTSCTS), tcflag_t(0));

    // A pseudo-terminal has no modem lines; asking for them is no error.
    QSignalSpy lost(&line.port, &SerialPort::lost);
    line.port.setDtrEnable(false);
    line.port.setRtsEnable(true);
    line.port.setDtrEnable(true);
    line.port.setRtsEnable(false);
    QTest::qWait(50);
    QCOMPARE(lost.count(), 0);
    QVERIFY(line.port.isOpen());
    QVERIFY(line.port.write("still fine", nullptr));
    QCOMPARE(line.pty.read(2000), QByteArray("still fine"));

    line.port.close();
    QVERIFY(!line.port.isOpen());
    QTRY_VERIFY(!line.pty.slaveIsOpen());
    QCOMPARE(descriptorOf(line.pty.slavePath()), -1);
    QCOMPARE(line.port.inBufferCount(), 0);
    QCOMPARE(line.port.readAll(), QByteArray());
    QString why;
    QVERIFY(!line.port.write("x", &why));
    QCOMPARE(why, u"the port is not open"_s);

    // And it opens again for the next exchange.
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    QVERIFY(line.port.isOpen());
    line.port.close();
}

void TestQtSerialPort::openFailureGivesTheReason()
{
    QtSerialPort port;
    qputenv("ZOL_COM6", "/dev/zol-no-such-device");
    port.setCommPort(6);
    QString reason;
    QVERIFY(!port.open(&reason));
    QVERIFY(!port.isOpen());
    // Said by its kind, in words the program can put into its language; the
    // system's "No such file or directory" adds nothing to that.
    QCOMPARE(reason, u"the device does not exist"_s);
    // The failure is not remembered against the next attempt.
    QVERIFY(!port.open(nullptr));

    port.setCommPort(0);
    reason.clear();
    QVERIFY(!port.open(&reason));
    QCOMPARE(reason, u"not a valid port number"_s);

    // A port another control holds is refused with a reason, and the one
    // that holds it goes on working.
    PortOnPty line;
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    QtSerialPort second;
    second.setCommPort(5);
    reason.clear();
    QVERIFY(!second.open(&reason));
    QVERIFY(!second.isOpen());
    // Held or forbidden: only the system's words tell which.
    const QString held = u"the port is in use by another program, or access to it is denied ("_s;
    QVERIFY2(reason.startsWith(held) && reason.size() > held.size() + 1 && reason.endsWith(u')'),
             qPrintable(reason));
    QVERIFY(line.port.isOpen());
    QVERIFY(line.pty.write("meter"));
    QTRY_COMPARE(line.port.inBufferCount(), 5);
    QCOMPARE(line.port.readAll(), QByteArray("meter"));

    line.port.close();
    QVERIFY2(second.open(&reason), qPrintable(reason));
    second.close();
    qunsetenv("ZOL_COM6");
}

void TestQtSerialPort::bytesBothWays()
{
    PortOnPty line;
    QString reason;
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    QSignalSpy comm(&line.port, &SerialPort::comm);

    const QByteArray dump("Page 1\r\n\x82\x8A\x00\x09\x7F\xFF\x0C", 15);
    QVERIFY(line.pty.write(dump));
    QTRY_VERIFY(comm.count() > 0);
    QTRY_COMPARE(line.port.inBufferCount(), int(dump.size()));
    QCOMPARE(line.port.readAll(), dump);
    QCOMPARE(line.port.inBufferCount(), 0);
    QCOMPARE(line.port.readAll(), QByteArray());

    // Written bytes reach the line at once, even when the port is closed
    // straight after, before the event loop turns.
    const QByteArray frame("\x02V000\x03g");
    QVERIFY(line.port.write(frame, nullptr));
    QCOMPARE(line.pty.read(2000), frame);
    const QByteArray last("\x02Y000\x03h");
    QVERIFY(line.port.write(last, nullptr));
    line.port.close();
    QCOMPARE(line.pty.read(2000), last);
}

void TestQtSerialPort::nothingFromBeforeTheOpen()
{
    // Everything read after an open was sent after it; a marker written then
    // shows when the line has delivered all it is going to.
    auto readUntil = [](PortOnPty &line, const QByteArray &marker) {
        QByteArray got;
        QElapsedTimer waited;
        waited.start();
        while (!got.endsWith(marker) && waited.elapsed() < 20000) {
            QTest::qWait(20);
            got += line.port.readAll();
        }
        return got;
    };

    PortOnPty line;
    QVERIFY(line.pty.write("tail of an earlier dump\f"));
    QString reason;
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    QVERIFY(line.pty.write("fresh"));
    QCOMPARE(readUntil(line, "fresh"), QByteArray("fresh"));

    // The same after a close: a late reply waits in the line until the next
    // open, and is dropped there.
    line.port.close();
    QVERIFY(line.pty.write("\x02o000\x03o late"));
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    QCOMPARE(line.port.inBufferCount(), 0);
    QVERIFY(line.pty.write("answer"));
    QCOMPARE(readUntil(line, "answer"), QByteArray("answer"));
}

void TestQtSerialPort::readAllHandsOverAtMost32767()
{
    // Nobody reads on the notifications: everything waits in the port.
    PortOnPty line;
    QString reason;
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    const QByteArray sent = pattern(40000);
    // The terminal's buffer is smaller than this; the event loop must drain
    // it while the meter writes.
    std::thread meter([&] { line.pty.write(sent); });
    QTRY_COMPARE_WITH_TIMEOUT(line.port.inBufferCount(), int(sent.size()), 10000);
    meter.join();

    const QByteArray first = line.port.readAll();
    QCOMPARE(first.size(), SerialPort::kMaxRead);
    QCOMPARE(line.port.inBufferCount(), int(sent.size()) - SerialPort::kMaxRead);
    const QByteArray rest = line.port.readAll();
    QCOMPARE(first + rest, sent);
    QCOMPARE(line.port.readAll(), QByteArray());
    line.port.close();

    // A reader that reads on each notification also gets the rest: the
    // control asks again for what did not fit, without new bytes coming.
    PortOnPty notified;
    QVERIFY2(notified.port.open(&reason), qPrintable(reason));
    QByteArray received;
    QList<int> chunks;
    connect(&notified.port, &SerialPort::comm, this, [&] {
        const QByteArray chunk = notified.port.readAll();
        chunks.append(int(chunk.size()));
        received += chunk;
    });
    QSignalSpy comm(&notified.port, &SerialPort::comm);
    notified.port.blockSignals(true);
    std::thread again([&] { notified.pty.write(sent); });
    QTRY_COMPARE_WITH_TIMEOUT(notified.port.inBufferCount(), int(sent.size()), 10000);
    again.join();
    notified.port.blockSignals(false);
    QVERIFY(notified.pty.write("!"));
    QTRY_COMPARE(received.size(), sent.size() + 1);
    QCOMPARE(received, sent + "!");
    QVERIFY(*std::max_element(chunks.begin(), chunks.end()) <= SerialPort::kMaxRead);
}

void TestQtSerialPort::sixtyFourKiBAtFullSpeed()
{
    PortOnPty line;
    QString reason;
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    QByteArray received;
    connect(&line.port, &SerialPort::comm, this, [&] { received += line.port.readAll(); });

    const QByteArray sent = pattern(64 * 1024);
    bool written = false;
    std::thread meter([&] { written = line.pty.write(sent); });
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), sent.size(), 15000);
    meter.join();
    QVERIFY(written);
    QCOMPARE(received, sent);
}

void TestQtSerialPort::farEndHangingUp()
{
    PortOnPty line;
    QString reason;
    QVERIFY2(line.port.open(&reason), qPrintable(reason));
    // The tail arrives unread, and unannounced, before the hang-up.
    const QByteArray tail("last page\r\n\x0C");
    line.port.blockSignals(true);
    QVERIFY(line.pty.write(tail));
    QTRY_COMPARE(line.port.inBufferCount(), int(tail.size()));
    line.port.blockSignals(false);
    QSignalSpy lost(&line.port, &SerialPort::lost);
    QSignalSpy comm(&line.port, &SerialPort::comm);
    line.pty.closeMaster();
    QTRY_COMPARE(lost.count(), 1);
    // The user is told what happened to the line, not the leftover error of
    // some earlier call that Qt words for an end of file.
    QCOMPARE(lost.first().first().toString(),
             u"the line was hung up: the device was unplugged or switched off"_s);

    // Qt reports the dead descriptor over and over unless the control stops
    // it: over a second and a half the process must stay nearly idle.
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(1500);
    const double cpu = cpuSeconds() - cpuBefore;
    QVERIFY2(cpu < 0.5 * wall.elapsed() / 1000.0, qPrintable(QString::number(cpu)));
    QCOMPARE(lost.count(), 1);
    // What had arrived before the hang-up is announced once.
    QCOMPARE(comm.count(), 1);

    // The program still sees its port open until it closes it, and that
    // tail is there to read.
    QVERIFY(line.port.isOpen());
    QCOMPARE(line.port.inBufferCount(), int(tail.size()));
    QCOMPARE(line.port.readAll(), tail);
    QCOMPARE(line.port.inBufferCount(), 0);
    QCOMPARE(line.port.readAll(), QByteArray());
    QVERIFY(!line.port.write("x", nullptr));
    line.port.close();
    QVERIFY(!line.port.isOpen());
    QCOMPARE(lost.count(), 1);

    // The same control goes on to the next device.
    PortOnPty next;
    QtSerialPort &port = line.port;
    QVERIFY2(port.open(&reason), qPrintable(reason));
    QCOMPARE(port.deviceName(), next.pty.slavePath());
    QVERIFY(next.pty.write("again"));
    QTRY_COMPARE(port.inBufferCount(), 5);
    QCOMPARE(port.readAll(), QByteArray("again"));
    port.close();
}

void TestQtSerialPort::reopenedRightAfterAHangUp()
{
    // A program that goes straight on to another device from its lost()
    // handler must not have the new line taken down by the old one's errors.
    auto first = std::make_unique<PortOnPty>();
    QString reason;
    QVERIFY2(first->port.open(&reason), qPrintable(reason));
    PtyPair next;
    QSignalSpy lost(&first->port, &SerialPort::lost);
    connect(&first->port, &SerialPort::lost, this, [&] {
        first->port.close();
        qputenv("ZOL_COM5", next.slavePath().toLocal8Bit());
        QString again;
        QVERIFY2(first->port.open(&again), qPrintable(again));
    });
    first->pty.closeMaster();
    QTRY_COMPARE(lost.count(), 1);
    QTest::qWait(300);
    QCOMPARE(lost.count(), 1);
    QVERIFY(first->port.isOpen());
    QVERIFY(next.write("alive"));
    QTRY_COMPARE(first->port.inBufferCount(), 5);
    QCOMPARE(first->port.readAll(), QByteArray("alive"));
    QVERIFY(first->port.write("ok", nullptr));
    QCOMPARE(next.read(2000), QByteArray("ok"));

    // More than one read's worth rescued at the hang-up is announced again
    // until it is all read.
    PortOnPty big;
    QVERIFY2(big.port.open(&reason), qPrintable(reason));
    const QByteArray sent = pattern(40000);
    big.port.blockSignals(true);
    std::thread meter([&] { big.pty.write(sent); });
    QTRY_COMPARE_WITH_TIMEOUT(big.port.inBufferCount(), int(sent.size()), 10000);
    meter.join();
    big.port.blockSignals(false);
    QByteArray received;
    connect(&big.port, &SerialPort::comm, this, [&] { received += big.port.readAll(); });
    big.pty.closeMaster();
    QTRY_COMPARE(received.size(), sent.size());
    QCOMPARE(received, sent);
}

} // namespace zol::test

QTEST_GUILESS_MAIN(zol::test::TestQtSerialPort)
#include "tst_qtserialport.moc"
