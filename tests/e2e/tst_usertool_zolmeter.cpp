#include "fakemessageboxes.h"
#include "frmmain.h"
#include "qtserialport.h"
#include "statusbar.h"
#include "textbox.h"
#include "zolmeterprocess.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

// The user-name tool against the simulated ZOL6, as a technician would use it.
class UserToolAgainstZolmeterTest : public QObject
{
    Q_OBJECT

private slots:
    void getSerialProgramOnceAndTimeOut();
};

void UserToolAgainstZolmeterTest::getSerialProgramOnceAndTimeOut()
{
    QProcess meter;
    const QByteArray device = startZolmeter(meter, {u"zol6"_s, u"--serial"_s, u"00004242"_s});
    QVERIFY(!device.isEmpty());
    qputenv("ZOL_COM3", device);

    QtSerialPort port;
    FakeMessageBoxes boxes;
    frmMain window(UserToolServices{port, boxes});
    window.Form_Load();
    window.txtComPort->setText(u"3"_s);
    auto idle = [&window] { return window.cmdGetserial->isEnabled(); };

    QTest::mouseClick(window.cmdGetserial, Qt::LeftButton);
    QTRY_VERIFY(idle());
    const QString data = window.txtData->text();
    QVERIFY2(data.startsWith(u"Meter: ZOL6"_s), qPrintable(data));
    QVERIFY(data.contains(u"\r\nSerial: 00004242\r\n"_s));
    QVERIFY(data.contains(u"\r\nHardware: "_s) && data.contains(u"\r\nSoftware: "_s));
    QVERIFY(data.contains(u"\r\nBattery status: "_s));
    QCOMPARE(data.count(u"\r\n"_s), 5);
    QCOMPARE(window.txtErrors->text(),
             u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);

    window.txtName->setText(u"AB"_s);
    QTest::mouseClick(window.cmdProgram, Qt::LeftButton);
    QCOMPARE(boxes.shown.size(), 1);
    QTRY_VERIFY(idle());
    QCOMPARE(window.txtErrors->text(),
             u"Program command to ZOL (AB          )\r\nOK received from ZOL\r\n"_s);

    QTest::mouseClick(window.cmdProgram, Qt::LeftButton);
    QTRY_VERIFY(idle());
    QCOMPARE(window.txtErrors->text(),
             u"Program command to ZOL (AB          )\r\nERROR received from ZOL\r\n"_s);

    // The meter stops answering: five seconds later the time-out speaks.
    ::kill(static_cast<pid_t>(meter.processId()), SIGSTOP);
    QTest::mouseClick(window.cmdGetserial, Qt::LeftButton);
    QVERIFY(!idle());
    QTRY_VERIFY_WITH_TIMEOUT(idle(), 8000);
    QVERIFY(window.txtErrors->text().endsWith(
        u"Timeout occured!\r\nSoftware version 6.03 or later?\r\n"
        u"Check cable and COM port setting\r\nSet ZOL to *5 - connection\r\n"_s));
    QCOMPARE(window.StatusBar1->panelText(1), u"Ready"_s);

    ::kill(static_cast<pid_t>(meter.processId()), SIGCONT);
    meter.terminate();
    QVERIFY(meter.waitForFinished(5000));
}

QTEST_MAIN(UserToolAgainstZolmeterTest)
#include "tst_usertool_zolmeter.moc"
