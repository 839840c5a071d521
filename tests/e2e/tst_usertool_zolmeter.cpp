#include "comports.h"
#include "comvariables.h"
#include "controls.h"
#include "keyvaluestore.h"
#include "portnumbering.h"
#include "qtserialport.h"
#include "toolfixture.h"
#include "zolmeterprocess.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

// The simulated ZOL6 started with the given arguments, and the real serial
// control: made before the tool's window and gone after it.
struct MeterLine
{
    MeterLine(const QStringList &arguments, QProcess::ProcessChannelMode channels)
        : device(startZolmeter(meter, arguments, channels))
    {}

    QProcess meter;
    const QByteArray device;
    QString meterLog;
    QtSerialPort realPort;
};

// The tool with the real serial control on COM3, which points at the meter.
struct ToolOnZolmeter : MeterLine, ToolFixture
{
    explicit ToolOnZolmeter(const QStringList &arguments,
                            QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel)
        : MeterLine(arguments, channels)
    {
        qputenv("ZOL_COM3", device);
        withPort(realPort).withSystemPorts();
        txtComPort()->setText(u"3"_s);
    }

    // What the meter has logged so far, when its channels are separate.
    QString log()
    {
        meterLog += QString::fromLocal8Bit(meter.readAllStandardError());
        return meterLog;
    }
    bool stopMeter()
    {
        meter.terminate();
        return meter.waitForFinished(5000);
    }
};

} // namespace

// The user-name tool against the simulated ZOL6, as a technician would use it.
class UserToolAgainstZolmeterTest : public QObject
{
    Q_OBJECT

private slots:
    void getSerialAndProgramOnce();
    void adapterReachedByItsNumber();
    void faultsOnTheLine_data();
    void faultsOnTheLine();
    void lateReplyNeverAnswersTheNextCommand();
};

void UserToolAgainstZolmeterTest::getSerialAndProgramOnce()
{
    ToolOnZolmeter tool({u"zol6"_s, u"--serial"_s, u"00004242"_s});
    QVERIFY(!tool.device.isEmpty());

    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QTRY_VERIFY(tool.idle());
    const QString data = tool.data();
    QVERIFY2(data.startsWith(u"Meter: ZOL6"_s), qPrintable(data));
    QVERIFY(data.contains(u"\r\nSerial: 00004242\r\n"_s));
    QVERIFY(data.contains(u"\r\nHardware: "_s) && data.contains(u"\r\nSoftware: "_s));
    QVERIFY(data.contains(u"\r\nBattery status: "_s));
    QCOMPARE(data.count(u"\r\n"_s), 5);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);

    tool.txtName()->setText(u"AB"_s);
    QTest::mouseClick(tool.cmdProgram(), Qt::LeftButton);
    QCOMPARE(tool.boxes.shown.size(), 1);
    QTRY_VERIFY(tool.idle());
    QCOMPARE(tool.errors(), u"Program command to ZOL (AB          )\r\nOK received from ZOL\r\n"_s);

    QTest::mouseClick(tool.cmdProgram(), Qt::LeftButton);
    QTRY_VERIFY(tool.idle());
    QCOMPARE(tool.errors(),
             u"Program command to ZOL (AB          )\r\nERROR received from ZOL\r\n"_s);

    QVERIFY(tool.stopMeter());
}

// A technician with a USB adapter and no ZOL_COM<n>: the adapter (the meter's
// pseudo-terminal, with a stable name as /dev/serial/by-id gives one) is
// listed under a number before any command, that number reaches the meter,
// and the adapter keeps it, in ZOLprint's menu too, when another comes.
void UserToolAgainstZolmeterTest::adapterReachedByItsNumber()
{
    clearComVariables();
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"by-id"_s));
    const QString link = dir.filePath(u"by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s);
    QSettings userSettings(dir.filePath(u"user.conf"_s), QSettings::IniFormat);
    SettingsStore store(userSettings, u"ComPorts"_s);
    PortNumbering numbering(store);

    MeterLine line({u"zol6"_s, u"--serial"_s, u"00004242"_s}, QProcess::ForwardedErrorChannel);
    QVERIFY(!line.device.isEmpty());
    const QString device = QString::fromLocal8Bit(line.device);
    QVERIFY(QFile::link(device, link));
    const PortInfo adapter{device, u"FT232R USB UART"_s, link};
    line.realPort.setRememberedDevice(
        [&numbering](int n) { return numbering.rememberedDevice(n); });
    {
        ToolFixture tool;
        tool.withPort(line.realPort).withPorts({adapter}).withPortNumbering(numbering);
        QVERIFY(tool.showExposed());
        QTRY_COMPARE(control<QLabel>(tool.window(), u"lblPorts"_s)->text(),
                     u"COM5 = "_s + device + u" (FT232R USB UART)"_s);

        tool.typeComPort(u"5"_s);
        QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
        QTRY_VERIFY(tool.idle());
        QCOMPARE(tool.errors(), u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);
        QVERIFY2(tool.data().contains(u"\r\nSerial: 00004242\r\n"_s), qPrintable(tool.data()));
    }
    QCOMPARE(store.value(u"COM5"_s), link);

    // Another adapter that sorts first does not take the number away.
    const PortInfo second{u"/dev/ttyACM0"_s, u"CDC ACM"_s, QString()};
    const QList<OfferedPort> offered = PortNumbering(store).offer({second, adapter});
    QCOMPARE(offered.size(), 2);
    QCOMPARE(offered[0].number, 5);
    QCOMPARE(offered[0].port, adapter);
    QVERIFY(numbering.opens(offered[0]));
    QCOMPARE(offered[1].number, 6);
}

void UserToolAgainstZolmeterTest::faultsOnTheLine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("log");

    const QString asked = u"Version command to ZOL\r\n"_s;
    // Noise, a stray STX, a split and a NUL behind, at once: each alone is
    // a row of the window's replies.
    QTest::newRow("stray byte and STX, answer split, NUL behind")
        << QStringList{u"--noise"_s, u"--stray-stx"_s, u"--split"_s,
                       u"60"_s,      u"--trailing"_s,  u"00"_s}
        << asked + u"Version received from ZOL\r\n"_s;
    // More bytes behind a whole answer, in the same read.
    QTest::newRow("line end after each answer")
        << QStringList{u"--trailing"_s, u"0D0A"_s} << asked + u"Version received from ZOL\r\n"_s;
    QTest::newRow("wrong check") << QStringList{u"--bad-check"_s}
                                 << asked + u"CRC Error\r\nVersion received from ZOL\r\n"_s;
}

// Each fault a technician meets on the line ends in the log saying what
// happened and the tool ready for the next try (idle: the port closed, the
// controls enabled, "Ready"); none leaves it waiting.
void UserToolAgainstZolmeterTest::faultsOnTheLine()
{
    QFETCH(QStringList, options);
    QFETCH(QString, log);

    ToolOnZolmeter tool(QStringList{u"zol6"_s, u"--serial"_s, u"00007777"_s} + options);
    QVERIFY(!tool.device.isEmpty());

    for (int attempt = 0; attempt < 2; ++attempt) {
        QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
        QVERIFY(!tool.idle());
        QTRY_VERIFY_WITH_TIMEOUT(tool.idle(), 8000);
        QCOMPARE(tool.errors(), log);
        QVERIFY(tool.data().contains(u"Serial: 00007777\r\n"_s));
    }
    QVERIFY(tool.boxes.shown.isEmpty());

    QVERIFY(tool.stopMeter());
}

// The meter's answer to a command the tool gave up on comes during the next
// command. It is told as a late reply with what it says, so the technician
// learns the name was stored, and the next command still waits for its own.
void UserToolAgainstZolmeterTest::lateReplyNeverAnswersTheNextCommand()
{
    // The OK comes one and a half seconds into the next command, and that
    // command's own answer after its time-out.
    ToolOnZolmeter tool({u"zol6"_s, u"--late"_s, u"6500"_s});
    QVERIFY(!tool.device.isEmpty());

    tool.txtName()->setText(u"AB"_s);
    QTest::mouseClick(tool.cmdProgram(), Qt::LeftButton);
    QVERIFY(!tool.idle());
    QTRY_VERIFY_WITH_TIMEOUT(tool.idle(), 8000);
    QCOMPARE(tool.errors(), u"Program command to ZOL (AB          )\r\n"_s + kTimeoutLines);

    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QVERIFY(!tool.idle());
    QTRY_VERIFY_WITH_TIMEOUT(tool.idle(), 8000);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"
                            u"Late reply to an earlier command: OK received from ZOL\r\n"_s +
                                kTimeoutLines);
    QVERIFY(tool.data().isEmpty());

    QVERIFY(tool.stopMeter());
}

QTEST_MAIN(UserToolAgainstZolmeterTest)
#include "tst_usertool_zolmeter.moc"
