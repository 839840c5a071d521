#include "comvariables.h"
#include "controls.h"
#include "keyvaluestore.h"
#include "portnumbering.h"
#include "readerfixture.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSettings>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

const PortInfo kFtdi{u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s,
                     u"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s};
const PortInfo kCradle{u"/dev/ttyACM0"_s, u"Cradle & Co"_s, QString()};
const PortInfo kBuiltIn{u"/dev/ttyS0"_s, u"16550A-compatible COM port"_s, QString()};

// The window with the user's settings in a file of their own, numbering
// ports as the program does on Linux, and the COM port menu as the user
// sees it.
struct PortMenuFixture : ReaderFixture
{
    explicit PortMenuFixture(const QByteArray &zolprintIni = " 1 \r\n 1 \r\n")
    {
        withSettings(zolprintIni).withPortNumbering(numbering);
    }
    // The window holds on to the numbering, which goes first.
    ~PortMenuFixture() { dropWindow(); }

    QMenu *portMenu() { return control<QMenu>(window(), u"mPort"_s); }

    // Opens Communication > COM port as the user does, which lists the ports
    // afresh.
    bool openPortMenu()
    {
        portMenu()->popup(QPoint(20, 20));
        return QTest::qWaitFor([this] { return portMenu()->isVisible(); });
    }

    // What the open menu shows: the items by name, "-" for a separator.
    QStringList items()
    {
        QStringList names;
        const QList<QAction *> actions = portMenu()->actions();
        for (const QAction *action : actions)
            names << (action->isSeparator() ? u"-"_s : action->objectName());
        return names;
    }

    QStringList checkedItems()
    {
        QStringList names;
        const QList<QAction *> actions = portMenu()->actions();
        for (const QAction *action : actions) {
            if (action->isChecked())
                names << action->objectName();
        }
        return names;
    }

    QSettings userSettings{dir.filePath(u"user.conf"_s), QSettings::IniFormat};
    SettingsStore store{userSettings, u"ComPorts"_s};
    PortNumbering numbering{store, PortNumbering::Naming::Posix};
};

} // namespace

class PortMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void presentPortsListedBelowTheFourItems();
    void choosingAListedPortIsKeptAtExit();
    void markOnlyWhatReadOpens_data();
    void markOnlyWhatReadOpens();
};

void PortMenuTest::initTestCase()
{
    clearComVariables();
}

void PortMenuTest::presentPortsListedBelowTheFourItems()
{
    ZOL_SKIP_WITHOUT_BY_ID_LINKS();
    PortMenuFixture f;
    f.ports.list = {kFtdi, kBuiltIn, kCradle};
    f.window();
    // Nothing is listed before the user looks.
    QCOMPARE(f.ports.listings, 0);
    QCOMPARE(f.items(), QStringList({u"mPort1"_s, u"mPort2"_s, u"mPort3"_s, u"mPort4"_s}));

    QVERIFY(f.openPortMenu());
    QCOMPARE(f.ports.listings, 1);
    // ttyS0 is COM1 already.
    const QStringList expected = {u"mPort1"_s, u"mPort2"_s, u"mPort3"_s, u"mPort4"_s,
                                  u"-"_s,      u"mPort5"_s, u"mPort6"_s};
    QCOMPARE(f.items(), expected);
    QCOMPARE(control<QAction>(f.window(), u"mPort5"_s)->text(),
             u"COM5 - /dev/ttyUSB0 (FT232R USB UART)"_s);
    // The system's "&" is shown, not taken for an access key.
    QCOMPARE(control<QAction>(f.window(), u"mPort6"_s)->text(),
             u"COM6 - /dev/ttyACM0 (Cradle && Co)"_s);

    // One exclusive group: the four items and the listed ports.
    const QActionGroup *group = control<QAction>(f.window(), u"mPort1"_s)->actionGroup();
    QVERIFY(group);
    QCOMPARE(group->exclusionPolicy(), QActionGroup::ExclusionPolicy::Exclusive);
    for (const QString &name : {u"mPort2"_s, u"mPort3"_s, u"mPort4"_s, u"mPort5"_s, u"mPort6"_s}) {
        const QAction *item = control<QAction>(f.window(), name);
        QVERIFY2(item->isCheckable() && item->actionGroup() == group, qPrintable(name));
    }
    QCOMPARE(f.checkedItems(), QStringList({u"mPort1"_s}));
    f.portMenu()->hide();

    // Opening again lists again, without doubles; an adapter pulled out in
    // between is gone, and with no port present neither item nor separator
    // is left.
    f.ports.list = {kCradle};
    QVERIFY(f.openPortMenu());
    QCOMPARE(f.ports.listings, 2);
    QCOMPARE(f.items(), QStringList({u"mPort1"_s, u"mPort2"_s, u"mPort3"_s, u"mPort4"_s, u"-"_s,
                                     u"mPort5"_s}));
    QCOMPARE(control<QAction>(f.window(), u"mPort5"_s)->text(),
             u"COM5 - /dev/ttyACM0 (Cradle && Co)"_s);
    f.portMenu()->hide();
    f.ports.list.clear();
    QVERIFY(f.openPortMenu());
    QCOMPARE(f.items(), QStringList({u"mPort1"_s, u"mPort2"_s, u"mPort3"_s, u"mPort4"_s}));
    QCOMPARE(group->actions().size(), 4);
    f.portMenu()->hide();
}

void PortMenuTest::choosingAListedPortIsKeptAtExit()
{
    PortMenuFixture f;
    f.ports.list = {kFtdi, kCradle};
    frmZOLprint &w = f.window();
    QVERIFY(f.openPortMenu());
    QAction *cradle = control<QAction>(w, u"mPort6"_s);
    QTest::mouseClick(f.portMenu(), Qt::LeftButton, {},
                      f.portMenu()->actionGeometry(cradle).center());
    QTRY_VERIFY(!f.portMenu()->isVisible());
    QCOMPARE(std::as_const(w).port(), 6);
    QCOMPARE(f.checkedItems(), QStringList({u"mPort6"_s}));
    QCOMPARE(f.numbering.rememberedDevice(6), kCradle.device);

    // Back to a fixed item and on to the adapter: one mark throughout.
    w.mPort3_Click();
    QCOMPARE(f.checkedItems(), QStringList({u"mPort3"_s}));
    QVERIFY(f.openPortMenu());
    control<QAction>(w, u"mPort5"_s)->trigger();
    f.portMenu()->hide();
    QCOMPARE(std::as_const(w).port(), 5);
    QCOMPARE(f.checkedItems(), QStringList({u"mPort5"_s}));
    QCOMPARE(f.numbering.rememberedDevice(5), kFtdi.stableName);

    // zolprint.ini keeps the number as any other, in its two lines, at exit.
    QCOMPARE(f.settingsOnDisk(), QByteArray(" 1 \r\n 1 \r\n"));
    w.Form_Unload();
    QCOMPARE(f.settingsOnDisk(), QByteArray(" 1 \r\n 5 \r\n"));
}

void PortMenuTest::markOnlyWhatReadOpens_data()
{
    QTest::addColumn<QList<PortInfo>>("present");
    // The items marked when the menu first opens.
    QTest::addColumn<QStringList>("marked");
    // What COM5 is remembered to open once the user has chosen it.
    QTest::addColumn<QString>("remembered");
    // No adapter remembered for COM5 (fresh user settings, another
    // computer): it stands for /dev/ttyS4, and the adapter that is offered
    // as COM5 must not look like the port in use.
    QTest::newRow("adapter offered as COM5")
        << QList<PortInfo>{kFtdi} << QStringList() << kFtdi.stableName;
    // A port that COM5 opens by its own name is marked without a choice.
    QTest::newRow("COM5's own device")
        << QList<PortInfo>{PortInfo{u"/dev/ttyS4"_s, QString(), QString()}}
        << QStringList{u"mPort5"_s} << u"/dev/ttyS4"_s;
}

void PortMenuTest::markOnlyWhatReadOpens()
{
    ZOL_SKIP_WITHOUT_BY_ID_LINKS();
    QFETCH(QList<PortInfo>, present);
    QFETCH(QStringList, marked);
    QFETCH(QString, remembered);
    PortMenuFixture f(" 1 \r\n 5 \r\n");
    f.ports.list = present;
    frmZOLprint &w = f.window();
    QVERIFY(f.openPortMenu());
    QCOMPARE(f.items(), QStringList({u"mPort1"_s, u"mPort2"_s, u"mPort3"_s, u"mPort4"_s, u"-"_s,
                                     u"mPort5"_s}));
    QCOMPARE(f.checkedItems(), marked);
    QCOMPARE(std::as_const(w).port(), 5);
    // Choosing it makes it the port Read opens, and marks it.
    control<QAction>(w, u"mPort5"_s)->trigger();
    f.portMenu()->hide();
    QCOMPARE(f.numbering.rememberedDevice(5), remembered);
    QCOMPARE(f.checkedItems(), QStringList({u"mPort5"_s}));
    w.mPort2_Click();
    QCOMPARE(f.checkedItems(), QStringList({u"mPort2"_s}));
}

QTEST_MAIN(PortMenuTest)
#include "tst_portmenu.moc"
