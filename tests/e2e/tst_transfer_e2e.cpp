#include "controls.h"
#include "ordinaryuser.h"
#include "ptypair.h"
#include "qtserialport.h"
#include "readerfixture.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

// ZOLprint with the real serial control on COM1, which points at a
// pseudo-terminal whose other side the test plays as the meter.
struct ReaderOnPty : ReaderFixture
{
    ReaderOnPty()
    {
        onPseudoTerminal();
        window();
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
                pty().write(QByteArray(1, b));
                due += perByte;
            }
            lastByteSent.store(true);
        });
    }

    void sendAtOnce(const QByteArray &bytes)
    {
        meter = std::thread([this, bytes] {
            pty().write(bytes);
            lastByteSent.store(true);
        });
    }

    // Read ZOL, with the silence that ends the transfer shortened: what is
    // under test is the line, not the watchdog's ten seconds.
    void startShortRead()
    {
        window().mStart_Click();
        auto *watchdog = control<Watchdog>(window(), u"tmrControle"_s);
        watchdog->setInterval(1500);
        watchdog->start();
    }

    bool transferRunning() { return serialPort().isOpen(); }

    std::thread meter;
    std::atomic<bool> lastByteSent{false};
};

enum PortFault { HeldByAnother, NoSuchDevice, NotPermitted };

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
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
};

void TransferEndToEndTest::pacedDumpEndsTenSecondsAfterItsLastByte()
{
    ReaderOnPty r;
    QVERIFY(r.pty().isValid());
    r->mStart_Click();
    QVERIFY2(r.boxes.shown.isEmpty(),
             r.boxes.shown.isEmpty() ? "" : qPrintable(r.boxes.shown[0].text));
    QVERIFY(r.transferRunning());
    QCOMPARE(r.status(), u"Connected"_s);
    QTRY_VERIFY(r.pty().slaveIsOpen());
    // Waiting for the meter, nothing polls: the port's notification is what
    // wakes the reading of every byte below.
    const QTimer *tmrReadbuf = control<QTimer>(r.window(), u"tmrReadbuf"_s);
    QTRY_VERIFY(!tmrReadbuf->isActive());

    r.sendPaced(threePageDump(), 2400);
    QTRY_VERIFY_WITH_TIMEOUT(r.lastByteSent.load(), 10000);
    QElapsedTimer sinceLastByte;
    sinceLastByte.start();
    QTRY_VERIFY_WITH_TIMEOUT(!r.transferRunning(), 30000);
    // Ten seconds of silence, with room on both sides for a busy machine
    // that notices the last byte late or runs the watchdog late: what this
    // catches is an end long before the silence, or one far after it.
    const qint64 silence = sinceLastByte.elapsed();
    QVERIFY2(silence > 8000 && silence < 25000, qPrintable(QString::number(silence)));

    QCOMPARE(r.status(), u"Stop (3)"_s);
    const PageStore &pages = r.pages();
    QCOMPARE(pages.pagesInUseCount(), 3);
    QCOMPARE(pages.sPage(0), u"ZOL 5   Page 1\r\nBeuk        14.2 %\r\nEik éè    16.8 %\r\n"_s);
    QCOMPARE(pages.sPage(2), u" ZOL 5   Page 3\r\nBeuk        14.2 %\r\nEik éè    16.8 %\r\n"_s);
    QCOMPARE(r.shownPage(), pages.sPage(0));
    QVERIFY(!tmrReadbuf->isActive());
}

void TransferEndToEndTest::fullSpeedDumpLosesNoByte()
{
    ReaderOnPty r;
    r.startShortRead();
    QVERIFY(r.transferRunning());

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
    const QString &received = r.pages().sPage(0);
    QCOMPARE(received.size(), expected.size());
    QCOMPARE(received, expected);
}

void TransferEndToEndTest::meterGoneMidDumpKeepsWhatArrived()
{
    ReaderOnPty r;
    r.startShortRead();
    QSignalSpy lost(&r.serialPort(), &SerialPort::lost);

    r.sendAtOnce("first page\r\n\fsecond pa");
    r.meter.join();
    QTRY_COMPARE(r.pages().sPage(1), u" second pa"_s);
    r.pty().closeMaster();
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
    const PageStore &pages = r.pages();
    QCOMPARE(pages.pagesInUse(), QStringList({u"first page\r\n"_s, u" second pa"_s}));
    QCOMPARE(r.boxes.shown.size(), 1);
    QCOMPARE(r.boxes.shown[0].title, u"ZOL Print error"_s);
    QCOMPARE(r.boxes.shown[0].text,
             u"Error 106 - Connection to the ZOL lost, the last page may be incomplete\r\n"
             u"the line was hung up: the device was unplugged or switched off"_s);
    r->cmdLastpage_Click();
    QCOMPARE(r.shownPage(), u" second pa"_s);
    QVERIFY(control<QMenu>(r.window(), u"mFile"_s)->menuAction()->isEnabled());
}

void TransferEndToEndTest::meterRestartingItsDumpLosesNothing()
{
    ReaderOnPty r;
    r.startShortRead();
    // The user breaks off the dump on the keypad and starts it again.
    r.sendAtOnce("Page 1\r\nEik 12");
    r.meter.join();
    QTest::qWait(500);
    r.sendAtOnce("Page 1\r\nEik 12.5\r\n\fPage 2\r\n\f");
    QTRY_VERIFY_WITH_TIMEOUT(!r.transferRunning(), 5000);
    QCOMPARE(r.status(), u"Stop (2)"_s);
    QCOMPARE(r.pages().sPage(0), u"Page 1\r\nEik 12Page 1\r\nEik 12.5\r\n"_s);
    QCOMPARE(r.pages().sPage(1), u" Page 2\r\n"_s);

    // And the program is ready for the next read, once the user has said
    // that the pages read may go.
    r->mStart_Click();
    QVERIFY(r.transferRunning());
    QCOMPARE(r.boxes.shown.size(), 1);
    QCOMPARE(r.boxes.shown[0].text, u"The pages have not been saved. Save them first?"_s);
}

void TransferEndToEndTest::portThatCannotBeOpened_data()
{
    QTest::addColumn<int>("fault");
    // Part of the system's reason, which follows the program's own line.
    QTest::addColumn<QString>("reason");
    QTest::newRow("held by another program") << int(HeldByAnother) << QString();
    QTest::newRow("no such device") << int(NoSuchDevice) << QString();
    // As a serial port is before the user joins the dialout group.
    QTest::newRow("not the user's to open") << int(NotPermitted) << u"ermission"_s;
}

void TransferEndToEndTest::portThatCannotBeOpened()
{
    QFETCH(int, fault);
    QFETCH(QString, reason);
    ReaderOnPty r;
    // Text the user wrote on the first page.
    r.type(u"kept"_s);

    QtSerialPort other;
    switch (fault) {
    case HeldByAnother: {
        other.setCommPort(1);
        QString why;
        QVERIFY2(other.open(&why), qPrintable(why));
        r->mStart_Click();
        break;
    }
    case NoSuchDevice:
        qputenv("ZOL_COM1", QByteArray("/dev/no-such-zol-port"));
        r->mStart_Click();
        break;
    case NotPermitted: {
        QVERIFY(denyAccess(r.pty().slavePath()));
        AsOrdinaryUser user;
        QVERIFY2(user.failure().isEmpty(), qPrintable(user.failure()));
        r->mStart_Click();
        break;
    }
    }
    const QString error103 = u"Error 103 - COM port cannot be opened\r\n"_s;
    const QString device = fault == NoSuchDevice ? u"/dev/no-such-zol-port"_s : r.pty().slavePath();
    QCOMPARE(r.boxes.shown.size(), 1);
    const QString text = r.boxes.shown[0].text;
    QVERIFY2(text.startsWith(error103) && text.size() > error103.size() && text.contains(reason),
             qPrintable(text));
    // And the device COM1 stood for, which tells a wrong mapping from a
    // wrong cable.
    QVERIFY2(text.contains(u"\r\nCOM1 = "_s + device + u"\r\n"_s), qPrintable(text));
    QVERIFY(!r.transferRunning());
    QVERIFY(!control<QTimer>(r.window(), u"tmrReadbuf"_s)->isActive());
    QVERIFY(control<QAction>(r.window(), u"mStart"_s)->isEnabled());
    QCOMPARE(r.pages().sPage(0), u"kept"_s);

    // Once the port is there again, the read works.
    other.close();
    qputenv("ZOL_COM1", r.pty().slavePath().toLocal8Bit());
    QVERIFY(QFile::setPermissions(r.pty().slavePath(), QFile::ReadOwner | QFile::WriteOwner));
    r->mStart_Click();
    QVERIFY(r.transferRunning());
    QCOMPARE(r.boxes.shown.size(), 1);
}

QTEST_MAIN(TransferEndToEndTest)
#include "tst_transfer_e2e.moc"
