#include "comvariables.h"
#include "keyvaluestore.h"
#include "memorystore.h"
#include "portnumbering.h"

#include <QFile>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using zol::test::MemoryStore;
using namespace Qt::StringLiterals;

namespace {

// ZOL_COM<n> for as long as it lives.
class Variable
{
public:
    Variable(int number, const QString &device) : m_name("ZOL_COM" + QByteArray::number(number))
    {
        qputenv(m_name.constData(), device.toUtf8());
    }
    ~Variable() { qunsetenv(m_name.constData()); }
    Variable(const Variable &) = delete;
    Variable &operator=(const Variable &) = delete;

private:
    QByteArray m_name;
};

const PortInfo kFtdi{u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s,
                     u"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s};
const PortInfo kProlific{u"/dev/ttyUSB1"_s, u"USB-Serial Controller"_s,
                         u"/dev/serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0"_s};

QList<int> numbersOf(const QList<OfferedPort> &offered)
{
    QList<int> numbers;
    for (const OfferedPort &port : offered)
        numbers << port.number;
    return numbers;
}

} // namespace

class PortNumberingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstAdapterGetsFiveAndKeepsIt();
    void secondAdapterGetsTheNextFreeNumber();
    void theVariableWins();
    void portsOfTheFourItemsAreNotOfferedAgain();
    void windowsPortsKeepTheirOwnNumbers();
    void oddStoresAndFullNumbering();
    void settingsStoreKeepsItsGroup();
};

void PortNumberingTest::initTestCase()
{
    zol::test::clearComVariables();
}

void PortNumberingTest::firstAdapterGetsFiveAndKeepsIt()
{
    ZOL_SKIP_WITHOUT_BY_ID_LINKS();
    MemoryStore store;
    PortNumbering numbering(store, PortNumbering::Naming::Posix);

    QList<OfferedPort> offered = numbering.offer({kFtdi});
    QCOMPARE(offered.size(), 1);
    QCOMPARE(offered[0].number, 5);
    QCOMPARE(offered[0].caption, u"COM5 - /dev/ttyUSB0 (FT232R USB UART)"_s);
    QCOMPARE(offered[0].port.stableName, kFtdi.stableName);
    // Looking is not choosing: nothing is remembered for an adapter the user
    // only saw in the menu.
    QVERIFY(store.values.isEmpty());
    QVERIFY(numbering.rememberedDevice(5).isEmpty());
    // Until then COM5 still opens /dev/ttyS4, not the adapter.
    QVERIFY(!numbering.opens(offered[0]));

    numbering.choose(offered[0]);
    QCOMPARE(store.values, (QMap<QString, QString>{{u"COM5"_s, kFtdi.stableName}}));
    // What COM5 opens is the name that outlives a replug.
    QCOMPARE(numbering.rememberedDevice(5), kFtdi.stableName);
    QVERIFY(numbering.opens(offered[0]));
    for (int other : {0, 1, 4, 6, 255, 256, -5})
        QVERIFY2(numbering.rememberedDevice(other).isEmpty(), qPrintable(QString::number(other)));

    // Plugged in again it is ttyUSB3, and a restart reads the same store.
    PortNumbering restarted(store, PortNumbering::Naming::Posix);
    PortInfo replugged = kFtdi;
    replugged.device = u"/dev/ttyUSB3"_s;
    offered = restarted.offer({replugged});
    QCOMPARE(offered.size(), 1);
    QCOMPARE(offered[0].number, 5);
    QCOMPARE(offered[0].caption, u"COM5 - /dev/ttyUSB3 (FT232R USB UART)"_s);
    QVERIFY(restarted.opens(offered[0]));
    restarted.choose(offered[0]);
    QCOMPARE(store.values.size(), 1);

    // A port without a stable name (a built-in one, a pseudo-terminal) is
    // remembered by its device, and a missing description leaves no brackets.
    const PortInfo plain{u"/dev/ttyS4"_s, QString(), QString()};
    offered = restarted.offer({plain});
    QCOMPARE(offered.size(), 1);
    QCOMPARE(offered[0].caption, u"COM6 - /dev/ttyS4"_s);
    QVERIFY(!restarted.opens(offered[0]));
    // Where nothing is remembered, COM7 opens /dev/ttyS6 by its own name,
    // unless a variable says otherwise.
    const PortInfo seventh{u"/dev/ttyS6"_s, QString(), QString()};
    QVERIFY(restarted.opens(OfferedPort{7, seventh, QString()}));
    {
        Variable seven(7, u"/dev/ttyUSB9"_s);
        QVERIFY(!restarted.opens(OfferedPort{7, seventh, QString()}));
    }
    restarted.choose(offered[0]);
    QCOMPARE(numbering.rememberedDevice(6), u"/dev/ttyS4"_s);
}

void PortNumberingTest::secondAdapterGetsTheNextFreeNumber()
{
    MemoryStore store;
    PortNumbering numbering(store, PortNumbering::Naming::Posix);
    numbering.choose(numbering.offer({kFtdi}).value(0));
    QCOMPARE(numbering.rememberedDevice(5), kFtdi.stableName);

    // The second adapter took ttyUSB0; the first is now ttyUSB1. Listed in
    // the order of their numbers, whatever the system's order.
    PortInfo first = kFtdi;
    first.device = u"/dev/ttyUSB1"_s;
    PortInfo second = kProlific;
    second.device = u"/dev/ttyUSB0"_s;
    QList<OfferedPort> offered = numbering.offer({second, first});
    QCOMPARE(numbersOf(offered), QList<int>({5, 6}));
    QCOMPARE(offered[0].port.stableName, kFtdi.stableName);
    QCOMPARE(offered[1].caption, u"COM6 - /dev/ttyUSB0 (USB-Serial Controller)"_s);

    // With the first one unplugged, its number stays reserved for it.
    offered = numbering.offer({second});
    QCOMPARE(numbersOf(offered), QList<int>({6}));
    numbering.choose(offered[0]);
    QCOMPARE(numbering.rememberedDevice(5), kFtdi.stableName);
    QCOMPARE(numbering.rememberedDevice(6), kProlific.stableName);

    // Two new ones at once get two numbers, not the same one.
    const PortInfo third{u"/dev/ttyACM0"_s, u"ZOL cradle"_s, QString()};
    const PortInfo fourth{u"/dev/ttyACM1"_s, QString(), QString()};
    offered = numbering.offer({third, fourth, second});
    QCOMPARE(numbersOf(offered), QList<int>({6, 7, 8}));
    QCOMPARE(offered[1].port.device, third.device);
    QCOMPARE(offered[2].port.device, fourth.device);
    numbering.choose(offered[2]);
    QCOMPARE(numbering.rememberedDevice(8), fourth.device);
    QCOMPARE(numbering.offer({third}).value(0).number, 7);
}

void PortNumberingTest::theVariableWins()
{
    ZOL_SKIP_WITHOUT_BY_ID_LINKS();
    MemoryStore store;
    PortNumbering numbering(store, PortNumbering::Naming::Posix);

    {
        // A scripted set-up named the adapter COM7: the menu shows it as
        // COM7 and there is nothing to remember.
        Variable variable(7, kFtdi.device);
        QList<OfferedPort> offered = numbering.offer({kFtdi});
        QCOMPARE(numbersOf(offered), QList<int>({7}));
        numbering.choose(offered[0]);
        QVERIFY(store.values.isEmpty());
    }

    numbering.choose(numbering.offer({kFtdi}).value(0));
    QCOMPARE(numbering.rememberedDevice(5), kFtdi.stableName);
    {
        // COM5 now opens the variable's device, so the adapter cannot keep 5;
        // nor is 6, the variable's number, given to the new adapter.
        Variable five(5, u"/dev/pts/9"_s);
        Variable six(6, u"/dev/pts/10"_s);
        QList<OfferedPort> offered = numbering.offer({kFtdi});
        QCOMPARE(numbersOf(offered), QList<int>({7}));
        numbering.choose(offered[0]);
        // One adapter, one number.
        QCOMPARE(store.values, (QMap<QString, QString>{{u"COM7"_s, kFtdi.stableName}}));
    }

    // The variable may name the device through a link, as /dev/serial/by-id
    // names an adapter.
    QTemporaryDir dir;
    const QString device = dir.filePath(u"ttyUSB9"_s);
    const QString link = dir.filePath(u"usb-ZOL_cradle-if00"_s);
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(device, link));
    const PortInfo linked{device, u"ZOL cradle"_s, QString()};
    Variable nine(9, link);
    QCOMPARE(numbersOf(numbering.offer({linked, kFtdi})), QList<int>({7, 9}));
}

void PortNumberingTest::portsOfTheFourItemsAreNotOfferedAgain()
{
    ZOL_SKIP_WITHOUT_BY_ID_LINKS();
    MemoryStore store;
    PortNumbering numbering(store, PortNumbering::Naming::Posix);
    QList<PortInfo> present;
    for (int n = 0; n < 6; ++n)
        present.append({u"/dev/ttyS%1"_s.arg(n), u"16550A-compatible COM port"_s, QString()});
    present.append(kFtdi);

    // COM1 to COM4 are ttyS0 to ttyS3 already.
    QList<OfferedPort> offered = numbering.offer(present);
    QCOMPARE(offered.size(), 3);
    QCOMPARE(offered[0].port.device, u"/dev/ttyS4"_s);
    QCOMPARE(offered[1].port.device, u"/dev/ttyS5"_s);
    QCOMPARE(offered[2].port.device, kFtdi.device);
    // The tool lists them all, each under the number that reaches it.
    QList<OfferedPort> all = numbering.numbered(present);
    QCOMPARE(numbersOf(all), QList<int>({1, 2, 3, 4, 5, 6, 7}));
    for (int n = 0; n < 6; ++n)
        QCOMPARE(all[n].port.device, u"/dev/ttyS%1"_s.arg(n));
    QCOMPARE(all[6].port, kFtdi);

    // With the adapter on COM2 by its variable, COM2's usual ttyS1 is offered
    // and the adapter is not, whether named by device or by its stable name.
    for (const QString &name : {kFtdi.device, kFtdi.stableName}) {
        Variable two(2, name);
        offered = numbering.offer(present);
        QStringList devices;
        for (const OfferedPort &port : offered)
            devices << port.port.device;
        QCOMPARE(devices, QStringList({u"/dev/ttyS1"_s, u"/dev/ttyS4"_s, u"/dev/ttyS5"_s}));
        all = numbering.numbered(present);
        QCOMPARE(numbersOf(all), QList<int>({1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(all[1].port, kFtdi);
        QCOMPARE(all[1].caption, u"COM2 - /dev/ttyUSB0 (FT232R USB UART)"_s);
    }

    QVERIFY(numbering.offer({}).isEmpty());
}

void PortNumberingTest::windowsPortsKeepTheirOwnNumbers()
{
    MemoryStore store;
    store.values.insert(u"COM5"_s, u"remembered elsewhere"_s);
    PortNumbering numbering(store, PortNumbering::Naming::Windows);
    const QList<PortInfo> present = {
        {u"COM1"_s, u"Communications Port"_s, QString()},
        {u"COM12"_s, QString(), QString()},
        {u"COM7"_s, u"USB Serial Port"_s, QString()},
        {u"com9"_s, u"Bluetooth link"_s, QString()},
        {u"COM300"_s, u"out of range"_s, QString()},
        {u"LPT1"_s, u"not a COM port"_s, QString()},
        {u"COM0"_s, QString(), QString()},
        {QString(), QString(), QString()},
    };
    const QList<OfferedPort> offered = numbering.offer(present);
    QCOMPARE(numbersOf(offered), QList<int>({7, 9, 12}));
    QCOMPARE(offered[0].caption, u"COM7 (USB Serial Port)"_s);
    QCOMPARE(offered[1].caption, u"COM9 (Bluetooth link)"_s);
    QCOMPARE(offered[2].caption, u"COM12"_s);

    numbering.choose(offered[0]);
    QCOMPARE(store.values.size(), 1);
    // Windows opens COM n itself: nothing remembered is used.
    QVERIFY(numbering.rememberedDevice(5).isEmpty());
    for (const OfferedPort &port : offered)
        QVERIFY2(numbering.opens(port), qPrintable(port.caption));
    {
        Variable seven(7, u"COM12"_s);
        QVERIFY(!numbering.opens(offered[0]));
        QVERIFY(numbering.opens(OfferedPort{7, present[1], QString()}));
    }

    // COM7 is COM1 for this user, so the menu's COM1 is it.
    Variable one(1, u"COM7"_s);
    QCOMPARE(numbersOf(numbering.offer(present)), QList<int>({9, 12}));
}

void PortNumberingTest::oddStoresAndFullNumbering()
{
    // Whatever a hand-edited configuration holds, no number outside 5..255
    // is given and nothing breaks.
    MemoryStore store;
    for (const QString &key : {u"COM"_s, u"COMx"_s, u"COM4"_s, u"COM0005"_s, u"COM256"_s, u"com6"_s,
                               u"COM7"_s, u"port"_s})
        store.values.insert(key, kProlific.stableName);
    store.values.insert(u"COM8"_s, QString());
    PortNumbering numbering(store, PortNumbering::Naming::Posix);
    // Only COM7 is a key the program could have written; COM8 is empty.
    QList<OfferedPort> offered = numbering.offer({kProlific, kFtdi});
    QCOMPARE(numbersOf(offered), QList<int>({5, 7}));
    QCOMPARE(offered[0].port.device, kFtdi.device);
    QVERIFY(numbering.rememberedDevice(4).isEmpty());

    MemoryStore full;
    for (int n = 5; n <= 255; ++n)
        full.values.insert(u"COM%1"_s.arg(n), u"/dev/serial/by-id/adapter-%1"_s.arg(n));
    PortNumbering crowded(full, PortNumbering::Naming::Posix);
    const PortInfo last{u"/dev/ttyUSB0"_s, QString(), u"/dev/serial/by-id/adapter-255"_s};
    offered = crowded.offer({kFtdi, last});
    // No number is left for a new adapter; a known one keeps its own.
    QCOMPARE(numbersOf(offered), QList<int>({255}));
    OfferedPort bogus = offered[0];
    bogus.number = 256;
    crowded.choose(bogus);
    QCOMPARE(full.values.size(), 251);
}

void PortNumberingTest::settingsStoreKeepsItsGroup()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"user.conf"_s);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(u"Other/COM5"_s, u"not a port of ours"_s);
        SettingsStore store(settings, u"ComPorts"_s);
        QVERIFY(store.keys().isEmpty());
        QVERIFY(store.value(u"COM5"_s).isEmpty());
        PortNumbering numbering(store, PortNumbering::Naming::Posix);
        numbering.choose(numbering.offer({kFtdi}).value(0));
        numbering.choose(numbering.offer({kProlific}).value(0));
        store.remove(u"COM9"_s);
    }
    // A second copy of the program (or the next run) finds the numbers.
    QSettings settings(path, QSettings::IniFormat);
    SettingsStore store(settings, u"ComPorts"_s);
    QCOMPARE(store.keys(), QStringList({u"COM5"_s, u"COM6"_s}));
    PortNumbering numbering(store, PortNumbering::Naming::Posix);
    QCOMPARE(numbering.rememberedDevice(5), kFtdi.stableName);
    QCOMPARE(numbering.rememberedDevice(6), kProlific.stableName);
    store.remove(u"COM5"_s);
    QCOMPARE(store.keys(), QStringList({u"COM6"_s}));
    QCOMPARE(settings.value(u"Other/COM5"_s).toString(), u"not a port of ours"_s);
}

QTEST_APPLESS_MAIN(PortNumberingTest)
#include "tst_portnumbering.moc"
