#include "controls.h"
#include "fakemessageboxes.h"
#include "frmzolprint.h"
#include "ordinaryuser.h"
#include "ptypair.h"
#include "qtserialport.h"
#include "statusbar.h"
#include "textbox.h"

#include "readerfakes.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

// ZOLprint with the real serial control on COM1, which points at a
// pseudo-terminal whose other side the test plays as the meter.
struct ReaderOnPty
{
    ReaderOnPty()
    {
        qputenv("ZOL_COM1", pty.slavePath().toLocal8Bit());
        window = std::make_unique<frmZOLprint>(ReaderServices{
            port, boxes, &dialog, &printer, &registry, &launcher, dir.filePath(u"zolprint.ini"_s)});
        window->Form_Load();
        window->mPort1_Click();
    }
    ~ReaderOnPty()
    {
        if (meter.joinable())
            meter.join();
    }

    // The meter writes at its line's pace from a thread of its own, as a
    // real meter would, while the program's event loop runs.
    void sendPaced(const QByteArray &bytes, int baud)
    {
        meter = std::thread([this, bytes, baud] {
            using Clock = std::chrono::steady_clock;
            const auto perByte = std::chrono::microseconds(10'000'000 / baud);
            auto due = Clock::now();
            for (char b : bytes) {
                std::this_thread::sleep_until(due);
                pty.write(QByteArray(1, b));
                due += perByte;
            }
            lastByteSent.store(true);
        });
    }

    void sendAtOnce(const QByteArray &bytes)
    {
        meter = std::thread([this, bytes] {
            pty.write(bytes);
            lastByteSent.store(true);
        });
    }

    QString status() const { return control<StatusBar>(*window, u"StatusBar1"_s)->panelText(1); }
    bool transferRunning() const { return port.isOpen(); }

    PtyPair pty;
    QTemporaryDir dir;
    QtSerialPort port;
    FakeMessageBoxes boxes;
    FakeFileDialog dialog;
    FakePagePrinter printer;
    EmptyRegistry registry;
    FakeLauncher launcher;
    std::unique_ptr<frmZOLprint> window;
    std::thread meter;
    std::atomic<bool> lastByteSent{false};
};

QByteArray threePageDump()
{
    QByteArray dump;
    for (int page = 1; page <= 3; ++page) {
        dump += "ZOL 5   Page " + QByteArray::number(page) + "\r\n";
        dump += "Beuk        14.2 %\r\nEik \x82\x8a    16.8 %\r\n";
        dump += '\f';
    }
    return dump;
}

} // namespace

class TransferEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void pacedDumpEndsTenSecondsAfterItsLastByte();
    void fullSpeedDumpLosesNoByte();
    void meterGoneMidDumpKeepsWhatArrived();
    void meterRestartingItsDumpLosesNothing();
    void portThatCannotBeOpened();
};

void TransferEndToEndTest::pacedDumpEndsTenSecondsAfterItsLastByte()
{
    ReaderOnPty r;
    QVERIFY(r.pty.isValid());
    r.window->mStart_Click();
    QVERIFY2(r.boxes.shown.isEmpty(),
             r.boxes.shown.isEmpty() ? "" : qPrintable(r.boxes.shown[0].text));
    QVERIFY(r.transferRunning());
    QCOMPARE(r.status(), u"Connected"_s);
    QTRY_VERIFY(r.pty.slaveIsOpen());
    // Waiting for the meter, nothing polls: the port's notification is what
    // wakes the reading of every byte below.
    const QTimer *tmrReadbuf = control<QTimer>(*r.window, u"tmrReadbuf"_s);
    QTRY_VERIFY(!tmrReadbuf->isActive());

    r.sendPaced(threePageDump(), 2400);
    QTRY_VERIFY_WITH_TIMEOUT(r.lastByteSent.load(), 10000);
    QElapsedTimer sinceLastByte;
    sinceLastByte.start();
    QTRY_VERIFY_WITH_TIMEOUT(!r.transferRunning(), 15000);
    const qint64 silence = sinceLastByte.elapsed();
    QVERIFY2(silence > 9000 && silence < 11500, qPrintable(QString::number(silence)));

    QCOMPARE(r.status(), u"Stop (3)"_s);
    const PageStore &pages = r.window->state().pages;
    QCOMPARE(pages.iPages(), 1);
    QCOMPARE(pages.sPage(0), u"ZOL 5   Page 1\r\nBeuk        14.2 %\r\nEik éè    16.8 %\r\n"_s);
    QCOMPARE(pages.sPage(2), u" ZOL 5   Page 3\r\nBeuk        14.2 %\r\nEik éè    16.8 %\r\n"_s);
    QCOMPARE(control<TextBox>(*r.window, u"txtVenster"_s)->text(), pages.sPage(0));
    QVERIFY(!r.pty.slaveIsOpen() || !r.transferRunning());
    QVERIFY(!tmrReadbuf->isActive());
}

void TransferEndToEndTest::fullSpeedDumpLosesNoByte()
{
    ReaderOnPty r;
    r.window->mStart_Click();
    QVERIFY(r.transferRunning());
    // The silence that ends the transfer is shortened here: what is under
    // test is the line, not the watchdog's ten seconds.
    control<Watchdog>(*r.window, u"tmrControle"_s)->setInterval(1500);
    control<Watchdog>(*r.window, u"tmrControle"_s)->start();

    QByteArray dump;
    QString expected;
    for (int i = 0; dump.size() < 64 * 1024; ++i) {
        const QByteArray line =
            "reading " + QByteArray::number(i).rightJustified(5, '0') + " \x81 12.5\r\n";
        dump += line;
        expected += QString::fromLatin1(line).replace(QChar(0x81), u'ü');
    }
    r.sendAtOnce(dump);
    QTRY_VERIFY_WITH_TIMEOUT(!r.transferRunning(), 20000);
    // No form feed: all of it is the one page.
    QCOMPARE(r.status(), u"Stop (1)"_s);
    const QString &received = r.window->state().pages.sPage(0);
    QCOMPARE(received.size(), expected.size());
    QCOMPARE(received, expected);
}

void TransferEndToEndTest::meterGoneMidDumpKeepsWhatArrived()
{
    ReaderOnPty r;
    r.window->mStart_Click();
    control<Watchdog>(*r.window, u"tmrControle"_s)->setInterval(1500);
    control<Watchdog>(*r.window, u"tmrControle"_s)->start();
    QSignalSpy lost(&r.port, &SerialPort::lost);

    r.sendAtOnce("first page\r\n\fsecond pa");
    r.meter.join();
    QTRY_COMPARE(r.window->state().pages.sPage(1), u" second pa"_s);
    r.pty.closeMaster();
    QTRY_COMPARE(lost.size(), 1);

    // The program neither spins nor ends the transfer early, nor says
    // anything yet: the silence ends it.
    QVERIFY(r.transferRunning());
    QVERIFY(r.boxes.shown.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!r.transferRunning(), 5000);
    QCOMPARE(lost.size(), 1);
    // The cut-off second page is a page in use like the first, and the user
    // is told why it may be incomplete.
    QCOMPARE(r.status(), u"Stop (2)"_s);
    const PageStore &pages = std::as_const(*r.window).state().pages;
    QCOMPARE(pages.pagesInUse(), QStringList({u"first page\r\n"_s, u" second pa"_s}));
    QCOMPARE(r.boxes.shown.size(), 1);
    QCOMPARE(r.boxes.shown[0].title, u"ZOL Print error"_s);
    QCOMPARE(r.boxes.shown[0].text,
             u"Error 106 - Connection to the ZOL lost, the last page may be incomplete\r\n"
             u"the line was hung up: the device was unplugged or switched off"_s);
    r.window->cmdLastpage_Click();
    QCOMPARE(control<TextBox>(*r.window, u"txtVenster"_s)->text(), u" second pa"_s);
    QVERIFY(control<QMenu>(*r.window, u"mFile"_s)->menuAction()->isEnabled());
}

void TransferEndToEndTest::meterRestartingItsDumpLosesNothing()
{
    ReaderOnPty r;
    r.window->mStart_Click();
    control<Watchdog>(*r.window, u"tmrControle"_s)->setInterval(1500);
    control<Watchdog>(*r.window, u"tmrControle"_s)->start();
    // The user breaks off the dump on the keypad and starts it again.
    r.sendAtOnce("Page 1\r\nEik 12");
    r.meter.join();
    QTest::qWait(500);
    r.sendAtOnce("Page 1\r\nEik 12.5\r\n\fPage 2\r\n\f");
    QTRY_VERIFY_WITH_TIMEOUT(!r.transferRunning(), 5000);
    QCOMPARE(r.status(), u"Stop (2)"_s);
    QCOMPARE(r.window->state().pages.sPage(0), u"Page 1\r\nEik 12Page 1\r\nEik 12.5\r\n"_s);
    QCOMPARE(r.window->state().pages.sPage(1), u" Page 2\r\n"_s);

    // And the program is ready for the next read, once the user has said
    // that the pages read may go.
    r.window->mStart_Click();
    QVERIFY(r.transferRunning());
    QCOMPARE(r.boxes.shown.size(), 1);
    QCOMPARE(r.boxes.shown[0].text, u"The pages have not been saved. Save them first?"_s);
}

void TransferEndToEndTest::portThatCannotBeOpened()
{
    ReaderOnPty r;
    // Text the user wrote on the first page.
    control<TextBox>(*r.window, u"txtVenster"_s)->setText(u"kept"_s);

    // Another program holds the port.
    QtSerialPort other;
    other.setCommPort(1);
    QString reason;
    QVERIFY2(other.open(&reason), qPrintable(reason));
    r.window->mStart_Click();
    QCOMPARE(r.boxes.shown.size(), 1);
    QVERIFY(r.boxes.shown[0].text.startsWith(u"Error 103 - COM port cannot be opened\r\n"_s));
    QVERIFY(r.boxes.shown[0].text.size() > u"Error 103 - COM port cannot be opened\r\n"_s.size());
    QVERIFY(!r.transferRunning());
    QVERIFY(!control<QTimer>(*r.window, u"tmrReadbuf"_s)->isActive());
    QCOMPARE(r.window->state().pages.sPage(0), u"kept"_s);
    other.close();

    // No such device.
    qputenv("ZOL_COM1", QByteArray("/dev/no-such-zol-port"));
    r.window->mStart_Click();
    QCOMPARE(r.boxes.shown.size(), 2);
    QVERIFY(!r.transferRunning());
    QVERIFY(control<QAction>(*r.window, u"mStart"_s)->isEnabled());

    // A device the user may not open, as a serial port is before they join
    // the dialout group: the message gives the reason.
    qputenv("ZOL_COM1", r.pty.slavePath().toLocal8Bit());
    QVERIFY(denyAccess(r.pty.slavePath()));
    {
        AsOrdinaryUser user;
        QVERIFY2(user.failure().isEmpty(), qPrintable(user.failure()));
        r.window->mStart_Click();
    }
    QCOMPARE(r.boxes.shown.size(), 3);
    QVERIFY2(r.boxes.shown[2].text.contains(u"ermission"_s), qPrintable(r.boxes.shown[2].text));
    QVERIFY(!r.transferRunning());
    QVERIFY(control<QAction>(*r.window, u"mStart"_s)->isEnabled());
    QCOMPARE(r.window->state().pages.sPage(0), u"kept"_s);
    QVERIFY(QFile::setPermissions(r.pty.slavePath(), QFile::ReadOwner | QFile::WriteOwner));

    // Once the port is there again, the read works.
    r.window->mStart_Click();
    QVERIFY(r.transferRunning());
    QCOMPARE(r.boxes.shown.size(), 3);
}

QTEST_MAIN(TransferEndToEndTest)
#include "tst_transfer_e2e.moc"
