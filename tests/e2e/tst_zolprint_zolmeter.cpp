#include "controls.h"
#include "fakemessageboxes.h"
#include "frmzolprint.h"
#include "qtserialport.h"
#include "statusbar.h"
#include "textbox.h"
#include "zolmeterprocess.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

// ZOLprint reading the simulated meter's sample dump, as a newcomer would.
class ZolprintAgainstZolmeterTest : public QObject
{
    Q_OBJECT

private slots:
    void readsTheSampleDump();
};

void ZolprintAgainstZolmeterTest::readsTheSampleDump()
{
    QProcess meter;
    // A faster line than the meter's own keeps the test short; the pacing at
    // 2400 baud is the same code.
    const QByteArray device = startZolmeter(meter, {u"dump"_s, u"--baud"_s, u"9600"_s});
    QVERIFY(!device.isEmpty());
    qputenv("ZOL_COM1", device);

    QTemporaryDir dir;
    QtSerialPort port;
    FakeMessageBoxes boxes;
    frmZOLprint window(ReaderServices{port, boxes, nullptr, nullptr, nullptr, nullptr,
                                      dir.filePath(u"zolprint.ini"_s)});
    window.Form_Load();
    window.mPort1_Click();
    window.mStart_Click();
    QVERIFY(boxes.shown.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!port.isOpen(), 30000);

    QCOMPARE(control<StatusBar>(window, u"StatusBar1"_s)->panelText(1), u"Stop (5)"_s);
    QCOMPARE(window.state().pages.iPages, 3);
    const QString first = control<TextBox>(window, u"txtVenster"_s)->text();
    QVERIFY2(first.startsWith(u"ZOL 5"_s), qPrintable(first));
    QVERIFY(first.contains(u"Schröder"_s));
    QVERIFY(first.contains(u"Scierie François"_s));
    window.cmdLastpage_Click();
    QVERIFY(control<TextBox>(window, u"txtVenster"_s)->text().contains(u"Summary"_s));

    meter.terminate();
    QVERIFY(meter.waitForFinished(5000));
    QCOMPARE(meter.exitCode(), 0);
}

QTEST_MAIN(ZolprintAgainstZolmeterTest)
#include "tst_zolprint_zolmeter.moc"
