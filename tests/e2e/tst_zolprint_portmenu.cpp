#include "comports.h"
#include "comvariables.h"
#include "controls.h"
#include "keyvaluestore.h"
#include "portnumbering.h"
#include "qtserialport.h"
#include "readerfixture.h"
#include "zolmeterprocess.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

// One run of ZOLprint on the real serial control: the user's settings and
// zolprint.ini in folder are read afresh, as a restart reads them.
struct Run : ReaderFixture
{
    Run(const QString &folder, const QList<PortInfo> &present)
        : userSettings(folder + u"/user.conf"_s, QSettings::IniFormat),
          store(userSettings, u"ComPorts"_s), numbering(store)
    {
        line.setRememberedDevice([this](int n) { return numbering.rememberedDevice(n); });
        ports.list = present;
        withPort(line).withPortNumbering(numbering).withSettingsPath(folder + u"/zolprint.ini"_s);
        window();
    }
    // The window holds on to the port and the numbering, which go first.
    ~Run() { dropWindow(); }

    // Opens Communication > COM port, which lists the ports afresh, and
    // leaves it open.
    QMenu *openPortMenu()
    {
        QMenu *menu = control<QMenu>(window(), u"mPort"_s);
        menu->popup(QPoint(20, 20));
        return QTest::qWaitFor([menu] { return menu->isVisible(); }) ? menu : nullptr;
    }

    QSettings userSettings;
    SettingsStore store;
    PortNumbering numbering;
    QtSerialPort line;
};

} // namespace

// A new user on Linux with no ZOL_COM<n>: the adapter (the simulated meter's
// pseudo-terminal, with a stable name as /dev/serial/by-id gives one) is
// chosen from the menu and read, and is still the chosen port in the next run.
class ZolprintPortMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void chooseTheAdapterReadAndRestart();
};

void ZolprintPortMenuTest::chooseTheAdapterReadAndRestart()
{
    clearComVariables();
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"by-id"_s));
    const QString byId = dir.filePath(u"by-id"_s);
    const QString link = byId + u"/usb-ZOL_Meter_00012345-if00-port0"_s;
    {
        QFile ini(dir.filePath(u"zolprint.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(" 1 \r\n 1 \r\n");
    }

    QProcess meter;
    const QByteArray device =
        startZolmeter(meter, {u"dump"_s, u"--baud"_s, u"9600"_s, u"--link"_s, link});
    QVERIFY(!device.isEmpty());
    const QString path = QString::fromLocal8Bit(device);
    const QList<PortInfo> present{{path, u"ZOL meter"_s, stableDeviceName(path, byId)}};
    QCOMPARE(present[0].stableName, link);

    {
        Run run(dir.path(), present);
        QMenu *menu = run.openPortMenu();
        QVERIFY(menu);
        QAction *adapter = control<QAction>(run.window(), u"mPort5"_s);
        QCOMPARE(adapter->text(), u"COM5 - "_s + path + u" (ZOL meter)"_s);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(adapter).center());
        QTRY_VERIFY(!menu->isVisible());
        QCOMPARE(std::as_const(run.window()).port(), 5);

        run->mStart_Click();
        QVERIFY(run.boxes.shown.isEmpty());
        QVERIFY(run.line.isOpen());
        // Opened by the name that survives a replug.
        QCOMPARE(run.line.deviceName(), link);
        QTRY_VERIFY_WITH_TIMEOUT(!run.line.isOpen(), 30000);
        QCOMPARE(run.status(), u"Stop (5)"_s);
        QVERIFY(run.shownPage().startsWith(u"ZOL 5"_s));
        run->Form_Unload();
    }
    QFile ini(dir.filePath(u"zolprint.ini"_s));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), QByteArray(" 1 \r\n 5 \r\n"));
    ini.close();

    {
        Run run(dir.path(), present);
        QCOMPARE(std::as_const(run.window()).port(), 5);
        QMenu *menu = run.openPortMenu();
        QVERIFY(menu);
        QVERIFY(control<QAction>(run.window(), u"mPort5"_s)->isChecked());
        menu->hide();
        run->mStart_Click();
        QVERIFY(run.boxes.shown.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!run.line.isOpen(), 30000);
        QCOMPARE(run.status(), u"Stop (5)"_s);
    }

    // Unplugged: the meter ends, and its stable name goes with it.
    meter.terminate();
    QVERIFY(meter.waitForFinished(5000));
    QVERIFY(!QFileInfo::exists(link));
    Run run(dir.path(), {});
    QCOMPARE(std::as_const(run.window()).port(), 5);
    run->mStart_Click();
    QVERIFY(!run.line.isOpen());
    QCOMPARE(run.boxes.shown.size(), 1);
    const QStringList lines = run.boxes.shown[0].text.split(u"\r\n"_s);
    QVERIFY2(lines.size() == 4, qPrintable(run.boxes.shown[0].text));
    QCOMPARE(lines[0], u"Error 103 - COM port cannot be opened"_s);
    QVERIFY(!lines[1].isEmpty());
    // After the system's reason the device tried, then the ports there are.
    QCOMPARE(lines[2], u"COM5 = "_s + link);
    QCOMPARE(lines[3], u"Serial ports on this computer: none"_s);
}

QTEST_MAIN(ZolprintPortMenuTest)
#include "tst_zolprint_portmenu.moc"
