#include "atomicfile.h"
#include "codepage.h"
#include "comports.h"
#include "portinfo.h"
#include "terminationsignal.h"
#include "watchdog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <thread>
#endif

using namespace zol;
using namespace Qt::StringLiterals;

namespace zol::test {

class TestPlatformLogic : public QObject
{
    Q_OBJECT

private slots:
    void codePageAgreesWithWindows1252();
    void codePageKeepsEveryByte();
    void codePageMarksWhatItCannotHold();
    void codePageCarriesOnlyWhatComesBack();
    void comPortDevices();
    void rememberedAndStableNames();
    void portLines();
    void replacingThroughLinks();
    void watchdogFiresOnceAfterItsLastRestart();
    void watchdogStopsAndStartsOver();
    void terminationSignalsReachTheEventLoop();
};

void TestPlatformLogic::codePageAgreesWithWindows1252()
{
    const QList<std::pair<unsigned char, char16_t>> known = {
        {0x80, 0x20AC}, {0x82, 0x201A}, {0x83, 0x0192}, {0x85, 0x2026}, {0x8A, 0x0160},
        {0x8C, 0x0152}, {0x8E, 0x017D}, {0x91, 0x2018}, {0x92, 0x2019}, {0x93, 0x201C},
        {0x94, 0x201D}, {0x96, 0x2013}, {0x97, 0x2014}, {0x99, 0x2122}, {0x9C, 0x0153},
        {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}, {0x41, u'A'}};
    for (const auto &[byte, ch] : known) {
        QCOMPARE(ansiToChar(byte), QChar(ch));
        QCOMPARE(charToAnsi(QChar(ch)), static_cast<char>(byte));
    }
    // The five bytes Windows leaves undefined stay themselves, as C1 controls.
    for (unsigned char byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        QCOMPARE(ansiToChar(byte).unicode(), char16_t(byte));
        QCOMPARE(charToAnsi(QChar(char16_t(byte))), static_cast<char>(byte));
    }

    // ICU's table, where Qt has it, as a second opinion on every byte.
    QStringDecoder windows("windows-1252");
    if (windows.isValid()) {
        for (int byte = 0; byte < 256; ++byte) {
            const QByteArray one(1, static_cast<char>(byte));
            QCOMPARE(fromAnsi(one), QString(windows(one)));
        }
    }
}

void TestPlatformLogic::codePageKeepsEveryByte()
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(static_cast<char>(byte));
    const QString text = fromAnsi(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(toAnsi(text), all);
    QCOMPARE(fromAnsi(QByteArray()), QString());
    QCOMPARE(toAnsi(QString()), QByteArray());
}

void TestPlatformLogic::codePageMarksWhatItCannotHold()
{
    QCOMPARE(toAnsi(u"Ā"_s), QByteArray("?"));
    QCOMPARE(toAnsi(u"Ω€"_s), QByteArray("?\x80"));
    // U+0080 is a C1 control that 1252 puts no byte to (0x80 is the euro).
    QCOMPARE(toAnsi(QString(QChar(char16_t(0x80)))), QByteArray("?"));
    QCOMPARE(toAnsi(u"漢字"_s), QByteArray("??"));

    // One character outside the plane: two code units, one '?'.
    QCOMPARE(toAnsi(u"a😀b"_s), QByteArray("a?b"));
    QCOMPARE(toAnsi(u"😀😀"_s), QByteArray("??"));
    // Broken pairs still give one '?' each and never read past the end.
    const QChar high(char16_t(0xD83D));
    const QChar low(char16_t(0xDE00));
    QCOMPARE(toAnsi(QString(high)), QByteArray("?"));
    QCOMPARE(toAnsi(QString(low) + u'x'), QByteArray("?x"));
    QCOMPARE(toAnsi(u"x"_s + high + high + low), QByteArray("x??"));
}

void TestPlatformLogic::codePageCarriesOnlyWhatComesBack()
{
    // Every character that has a byte comes back from it as itself, and the
    // rule agrees with the conversion for the whole first plane.
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
        const QChar ch(static_cast<char16_t>(u));
        const bool roundTrip =
            !ch.isSurrogate() && ansiToChar(static_cast<unsigned char>(charToAnsi(ch))) == ch;
        QVERIFY2(ansiCanCarry(ch) == roundTrip, qPrintable(QString::number(u, 16)));
    }
    QVERIFY(ansiCanCarry(u'?'));
    QVERIFY(ansiCanCarry(u"René €5 Zoë ŠŽ"_s));
    QVERIFY(ansiCanCarry(QString()));
    QVERIFY(!ansiCanCarry(u"Łukasz"_s));
    QVERIFY(!ansiCanCarry(u"a😀"_s));
    QVERIFY(!ansiCanCarry(QChar(char16_t(0xD83D))));
}

void TestPlatformLogic::comPortDevices()
{
    qunsetenv("ZOL_COM3");
#ifdef Q_OS_WIN
    QCOMPARE(comPortDeviceName(3), u"COM3"_s);
#else
    QCOMPARE(comPortDeviceName(1), u"/dev/ttyS0"_s);
    QCOMPARE(comPortDeviceName(3), u"/dev/ttyS2"_s);
    QCOMPARE(comPortDeviceName(255), u"/dev/ttyS254"_s);
#endif
    qputenv("ZOL_COM3", "/dev/pts/7");
    QCOMPARE(comPortDeviceName(3), u"/dev/pts/7"_s);
    // Only the variable of that very number counts.
    QVERIFY(comPortDeviceName(4) != u"/dev/pts/7"_s);
    qputenv("ZOL_COM255", "/tmp/meter");
    QCOMPARE(comPortDeviceName(255), u"/tmp/meter"_s);
    qputenv("ZOL_COM3", "");
#ifndef Q_OS_WIN
    QCOMPARE(comPortDeviceName(3), u"/dev/ttyS2"_s);
#endif

    // Outside 1..255 there is no device, whatever the environment says.
    qputenv("ZOL_COM0", "/dev/pts/1");
    qputenv("ZOL_COM256", "/dev/pts/2");
    for (int port : {0, 256, -1, 1000})
        QVERIFY2(comPortDeviceName(port).isEmpty(), qPrintable(QString::number(port)));

    for (const char *name : {"ZOL_COM0", "ZOL_COM3", "ZOL_COM255", "ZOL_COM256"})
        qunsetenv(name);
}

void TestPlatformLogic::rememberedAndStableNames()
{
    const QString adapter = u"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s;
    qunsetenv("ZOL_COM5");
    QCOMPARE(comPortDeviceName(5, adapter), adapter);
    QVERIFY(comPortVariable(5).isEmpty());
    // The variable still wins over what the program remembered.
    qputenv("ZOL_COM5", "/dev/pts/4");
    QCOMPARE(comPortVariable(5), u"/dev/pts/4"_s);
    QCOMPARE(comPortDeviceName(5, adapter), u"/dev/pts/4"_s);
    qunsetenv("ZOL_COM5");
    QVERIFY(comPortDeviceName(0, adapter).isEmpty());
    QVERIFY(comPortDeviceName(256, adapter).isEmpty());
    QVERIFY(comPortVariable(256).isEmpty());

#ifdef Q_OS_WIN
    // Links as /dev/serial/by-id holds them are Linux's; Windows has COM numbers.
    return;
#endif
    // A folder of links as /dev/serial/by-id holds them; the device a plain
    // file standing in for /dev/ttyUSB0.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"by-id"_s));
    const QString device = dir.filePath(u"ttyUSB0"_s);
    const QString other = dir.filePath(u"ttyUSB1"_s);
    for (const QString &path : {device, other}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString byId = dir.filePath(u"by-id"_s);
    QVERIFY(QFile::link(other, byId + u"/usb-Prolific-if00-port0"_s));
    QVERIFY(QFile::link(device, byId + u"/usb-FTDI_A50285BI-if00-port0"_s));
    QVERIFY(QFile::link(dir.filePath(u"gone"_s), byId + u"/usb-unplugged-if00-port0"_s));
    QCOMPARE(stableDeviceName(device, byId), byId + u"/usb-FTDI_A50285BI-if00-port0"_s);
    QCOMPARE(stableDeviceName(other, byId), byId + u"/usb-Prolific-if00-port0"_s);
    // No link, no such device, no such folder: no stable name.
    QVERIFY(stableDeviceName(dir.filePath(u"by-id"_s), byId).isEmpty());
    QVERIFY(stableDeviceName(dir.filePath(u"ttyUSB7"_s), byId).isEmpty());
    QVERIFY(stableDeviceName(device, dir.filePath(u"nowhere"_s)).isEmpty());
    QVERIFY(stableDeviceName(QString(), byId).isEmpty());
}

void TestPlatformLogic::portLines()
{
    const QString heading = u"Serial ports on this computer:"_s;
    QCOMPARE(portListLine(heading, {}, u"none"_s), u"Serial ports on this computer: none"_s);
    QCOMPARE(portListLine(heading, {{u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s}}, u"none"_s),
             u"Serial ports on this computer: /dev/ttyUSB0 (FT232R USB UART)"_s);
    // A port without a description is named alone; the order given is kept;
    // a description from a driver with line breaks stays on the one line.
    QCOMPARE(portListLine(u"Ports série de cet ordinateur :"_s,
                          {{u"COM3"_s, QString()},
                           {u"COM10"_s, u"  USB Serial\r\nDevice "_s},
                           {u"COM4"_s, u" "_s}},
                          u"aucun"_s),
             u"Ports série de cet ordinateur : COM3, COM10 (USB Serial Device), COM4"_s);
    // A port the system cannot name is no help to the user.
    QCOMPARE(portListLine(heading, {{QString(), u"ghost"_s}}, u"none"_s),
             u"Serial ports on this computer: none"_s);
}

void TestPlatformLogic::replacingThroughLinks()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString target = dir.filePath(u"target.txt"_s);
    const QString link = dir.filePath(u"link.txt"_s);
    auto bytesOf = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
    }
    QVERIFY(QFile::link(u"target.txt"_s, link));

    // A file the user chose through a link: written where the link leads,
    // and the link stays.
    QString reason;
    QVERIFY(replaceFile(link, "through", &reason));
    QCOMPARE(bytesOf(target), QByteArray("through"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);

    // The file at exactly that path: the link itself is replaced, the file
    // it led to stays.
    QVERIFY(replaceFileAt(link, "at", &reason));
    QVERIFY(!QFileInfo(link).isSymbolicLink());
    QCOMPARE(bytesOf(link), QByteArray("at"));
    QCOMPARE(bytesOf(target), QByteArray("through"));

    // Nothing beside them, and a folder in the way gives the system's reason.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({u"link.txt"_s, u"target.txt"_s}));
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
    QVERIFY(!replaceFile(dir.filePath(u"folder"_s), "x", &reason));
    QCOMPARE(reason, QString::fromLocal8Bit(std::strerror(EISDIR)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({u"link.txt"_s, u"target.txt"_s}));
#else
    // Windows has no links to make by hand; what it has is a file another
    // program holds unshared for a moment after it was written.
    QTemporaryDir dir;
    const QString target = dir.filePath(u"target.txt"_s);
    QVERIFY(replaceFile(target, "old", nullptr));
    HANDLE held = ::CreateFileW(reinterpret_cast<const wchar_t *>(target.utf16()), GENERIC_READ, 0,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    QVERIFY(held != INVALID_HANDLE_VALUE);
    std::thread letGo([held] {
        ::Sleep(300);
        ::CloseHandle(held);
    });
    QString reason;
    const bool replaced = replaceFile(target, "new", &reason);
    letGo.join();
    QVERIFY2(replaced, qPrintable(reason));
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("new"));
#endif
}

void TestPlatformLogic::watchdogFiresOnceAfterItsLastRestart()
{
    constexpr int kInterval = 300;
    Watchdog watchdog;
    watchdog.setInterval(kInterval);
    QSignalSpy fired(&watchdog, &Watchdog::timeout);
    QElapsedTimer sinceRestart;
    watchdog.start();
    sinceRestart.start();

    // Restarted well past its first deadline, as a stream of chunks does:
    // it must neither fire on the deadline it was started with nor lose the
    // latest restart.
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < 2 * kInterval) {
        QTest::qWait(20);
        QVERIFY2(fired.isEmpty(), "fired while restarted");
        QVERIFY(watchdog.isActive());
        watchdog.restart();
        sinceRestart.start();
        QVERIFY(watchdog.remainingTime() <= kInterval);
        QVERIFY(watchdog.remainingTime() > 0);
    }

    QVERIFY(fired.wait(20 * kInterval));
    // A timer may be late on a busy machine, never early.
    QVERIFY2(sinceRestart.elapsed() >= kInterval,
             qPrintable(QString::number(sinceRestart.elapsed())));
    QVERIFY(!watchdog.isActive());
    QCOMPARE(watchdog.remainingTime(), -1);
    QTest::qWait(2 * kInterval);
    QCOMPARE(fired.size(), 1);
}

void TestPlatformLogic::watchdogStopsAndStartsOver()
{
    Watchdog watchdog;
    watchdog.setInterval(100);
    QSignalSpy fired(&watchdog, &Watchdog::timeout);

    // A restart of one at rest starts it.
    watchdog.restart();
    QVERIFY(watchdog.isActive());
    watchdog.stop();
    QVERIFY(!watchdog.isActive());
    QTest::qWait(300);
    QVERIFY(fired.isEmpty());

    // Stopped after restarts, and started again: it counts from the start.
    watchdog.start();
    watchdog.restart();
    watchdog.stop();
    QElapsedTimer sinceStart;
    watchdog.start();
    sinceStart.start();
    QVERIFY(fired.wait(5000));
    QVERIFY(sinceStart.elapsed() >= 100);
    QCOMPARE(fired.size(), 1);
}

void TestPlatformLogic::terminationSignalsReachTheEventLoop()
{
#ifndef Q_OS_UNIX
    QSKIP("Windows ends a session through the window system, not by a signal");
#else
    struct sigaction before = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &before), 0);
    {
        TerminationSignal termination;
        QVERIFY(termination.isActive());
        QSignalSpy received(&termination, &TerminationSignal::received);
        // Without it, either would end this test here.
        QCOMPARE(::raise(SIGTERM), 0);
        QCOMPARE(::raise(SIGHUP), 0);
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 2, 10000);
        QCOMPARE(received.at(0).at(0).toInt(), SIGTERM);
        QCOMPARE(received.at(1).at(0).toInt(), SIGHUP);
        // One at a time: a second takes nothing over.
        TerminationSignal second;
        QVERIFY(!second.isActive());
    }
    // Gone, it hands the signals back as they were.
    struct sigaction now = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &now), 0);
    QVERIFY(now.sa_handler == before.sa_handler);
    TerminationSignal again;
    QVERIFY(again.isActive());
#endif
}

} // namespace zol::test

QTEST_GUILESS_MAIN(zol::test::TestPlatformLogic)
#include "tst_platformlogic.moc"
