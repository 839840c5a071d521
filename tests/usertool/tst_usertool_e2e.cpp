#include "ordinaryuser.h"
#include "ptypair.h"
#include "qtserialport.h"
#include "textbox.h"
#include "toolfixture.h"
#include "zol6frames.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace zol;
using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace zol::test {

namespace {

// The meter's side of one exchange, on a thread of its own: it reads one
// frame, waits, and answers at the pace of a 9600-baud line.
class MeterExchange
{
public:
    using Answer = std::function<QByteArray(const QByteArray &frame)>;

    MeterExchange(PtyPair &pty, Answer answer, int delayMs = 0)
        : m_thread([this, &pty, answer, delayMs] {
              const auto deadline = Clock::now() + std::chrono::seconds(10);
              while (Clock::now() < deadline) {
                  frame += pty.read(50);
                  if (frame.size() >= 7 && frame.at(frame.size() - 2) == '\x03')
                      break;
              }
              frameAt = Clock::now();
              const QByteArray reply = answer(frame);
              std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
              const auto perByte = std::chrono::microseconds(10'000'000 / 9600);
              auto due = Clock::now();
              for (char b : reply) {
                  std::this_thread::sleep_until(due);
                  pty.write(QByteArray(1, b));
                  due += perByte;
              }
              done.store(true);
          })
    {}
    ~MeterExchange() { finish(); }

    void finish()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    // The program's frame only leaves while its event loop runs: wait for
    // done with QTRY_*, and read these once it is set.
    std::atomic<bool> done = false;
    QByteArray frame;
    Clock::time_point frameAt;

private:
    std::thread m_thread;
};

// The pseudo-terminal and the real serial control, made before the tool's
// window and gone after it.
struct RealLine
{
    PtyPair pty;
    QtSerialPort realPort;
};

// The tool with the real serial control on COM7, which points at a
// pseudo-terminal whose other side the test plays as the meter, and the
// system's own list of ports.
struct ToolOnPty : RealLine, ToolFixture
{
    ToolOnPty()
    {
        qputenv("ZOL_COM7", pty.slavePath().toLocal8Bit());
        withPort(realPort).withSystemPorts();
        window().show();
        typeComPort(u"7"_s);
    }
};

} // namespace

class UserToolEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void getSerialShowsVersion();
    void silentMeterTimesOut();
    void lateReplyBeatsTimeOut();
    void lineLostWhileWaiting();
    void portsThatCannotBeOpened();
};

void UserToolEndToEndTest::init()
{
    PtyPair probe;
    if (!probe.isValid())
        QSKIP("no pseudo-terminals here");
}

void UserToolEndToEndTest::getSerialShowsVersion()
{
    ToolOnPty tool;
    MeterExchange meter(tool.pty, [](const QByteArray &) { return kVersionReply; });
    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QVERIFY(tool.realPort.isOpen());

    QTRY_VERIFY_WITH_TIMEOUT(tool.idle(), 4000);
    meter.finish();
    QCOMPARE(meter.frame, kVersionCommand);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);
    QCOMPARE(tool.data(), u"Meter: ZOL6    \r\nHardware: HW12\r\nSoftware: 6.03\r\n"
                          u"Serial: 0012 456\r\nBattery status: 2\r\n"_s);
    QTRY_VERIFY(!tool.pty.slaveIsOpen());
}

void UserToolEndToEndTest::silentMeterTimesOut()
{
    ToolOnPty tool;
    Clock::time_point linesAt;
    connect(tool.txtErrors(), &TextBox::changed, tool.txtErrors(), [&] {
        if (tool.errors().contains(u"Timeout occured!"_s) && linesAt == Clock::time_point())
            linesAt = Clock::now();
    });
    MeterExchange meter(tool.pty, [](const QByteArray &) { return QByteArray(); });
    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(meter.done, 4000);
    QCOMPARE(meter.frame, kVersionCommand);
    QVERIFY(!tool.errors().contains(u"Timeout"_s));

    QTRY_VERIFY_WITH_TIMEOUT(tool.idle(), 15000);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"_s + kTimeoutLines);
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(linesAt - meter.frameAt).count();
    qInfo("time-out lines %lld ms after the frame arrived", static_cast<long long>(waited));
    // Five seconds, never less; a busy machine may run the timer late, so
    // the upper bound only catches a time-out far from its five seconds.
    QVERIFY2(waited >= 4900 && waited <= 9000, qPrintable(QString::number(waited)));
    QTRY_VERIFY(!tool.pty.slaveIsOpen());
}

void UserToolEndToEndTest::lateReplyBeatsTimeOut()
{
    ToolOnPty tool;
    MeterExchange meter(
        tool.pty, [](const QByteArray &) { return kVersionReply; }, 4000);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(tool.idle(), 8000);
    QVERIFY(clock.elapsed() >= 3900);
    meter.finish();
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);
    // The time-out was stopped by the reply, not merely outrun.
    QTest::qWait(1200);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);
}

// The meter's end goes away while the tool waits (the cable pulled, the
// adapter gone): the tool says so with the system's reason long before its
// time-out, and is ready for the next try.
void UserToolEndToEndTest::lineLostWhileWaiting()
{
    ToolOnPty tool;
    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QVERIFY(!tool.idle());
    QByteArray frame;
    QTRY_VERIFY_WITH_TIMEOUT((frame += tool.pty.read(50)).size() >= 7, 4000);
    QCOMPARE(frame, kVersionCommand);
    QVERIFY(tool.pty.write(kOkReply.first(3)));

    // Left waiting, the tool would end at its time-out with other lines.
    tool.pty.closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(tool.idle(), 8000);
    const QString errors = tool.errors();
    const QString lost = u"Version command to ZOL\r\nCOM port lost: "_s;
    QVERIFY2(errors.startsWith(lost) && errors.endsWith(u"\r\n"_s), qPrintable(errors));
    const QString reason = errors.sliced(lost.size()).chopped(2);
    QVERIFY2(!reason.trimmed().isEmpty() && !reason.contains(u'\n'), qPrintable(errors));
    QVERIFY(tool.data().isEmpty());
}

// A missing adapter and a port the user may not open each give one line
// with the system's reason and one naming the ports this computer has (the
// system's own list, whatever it holds here), and the next try on the right
// port works.
void UserToolEndToEndTest::portsThatCannotBeOpened()
{
    ToolOnPty tool;
    qputenv("ZOL_COM7", QByteArray("/dev/no-such-zol-adapter"));
    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QVERIFY(tool.idle());
    QVERIFY2(tool.errors().startsWith(u"COM7 = /dev/no-such-zol-adapter cannot be opened: "_s),
             qPrintable(tool.errors()));
    QCOMPARE(tool.errors().count(u"\r\n"_s), 2);
    QVERIFY2(tool.errors().section(u"\r\n"_s, 1).startsWith(u"Serial ports on this computer: "_s),
             qPrintable(tool.errors()));

    qputenv("ZOL_COM7", tool.pty.slavePath().toLocal8Bit());
    QVERIFY(denyAccess(tool.pty.slavePath()));
    {
        AsOrdinaryUser user;
        QVERIFY2(user.failure().isEmpty(), qPrintable(user.failure()));
        QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    }
    QVERIFY(tool.idle());
    // The kind of failure first, then the system's words, which tell a
    // forbidden device from one another program holds.
    QVERIFY2(tool.errors().startsWith(u"COM7 = "_s + tool.pty.slavePath() +
                                      u" cannot be opened: the port is in use by another "
                                      u"program, or access to it is denied (Permission denied)\r\n"
                                      u"Serial ports on this computer: "_s),
             qPrintable(tool.errors()));
    QCOMPARE(tool.errors().count(u"\r\n"_s), 2);

    QVERIFY(QFile::setPermissions(tool.pty.slavePath(), QFile::ReadOwner | QFile::WriteOwner));
    MeterExchange meter(tool.pty, [](const QByteArray &) { return kVersionReply; });
    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QTRY_VERIFY(meter.done.load());
    QTRY_VERIFY(tool.idle());
    QVERIFY(tool.errors().endsWith(u"Version received from ZOL\r\n"_s));
    QVERIFY(tool.data().contains(u"Serial: 0012 456\r\n"_s));
}

} // namespace zol::test

QTEST_MAIN(zol::test::UserToolEndToEndTest)
#include "tst_usertool_e2e.moc"
