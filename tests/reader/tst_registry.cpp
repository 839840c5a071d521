#include "registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace Qt::StringLiterals;

namespace {

const QString kMsinfoKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;

[[maybe_unused]] bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// Sets the variables the stand-in reads for one test, and puts them back.
class Environment
{
public:
    void set(const char *name, const QString &value)
    {
        if (!m_saved.contains(name))
            m_saved.insert(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name))
                                                                 : std::optional<QByteArray>());
        qputenv(name, value.toLocal8Bit());
    }
    ~Environment()
    {
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
            if (it.value())
                qputenv(it.key().constData(), *it.value());
            else
                qunsetenv(it.key().constData());
        }
    }

private:
    QMap<QByteArray, std::optional<QByteArray>> m_saved;
};

} // namespace

class RegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void desktopProgram_data();
    void desktopProgram();
    void standInHoldsOneValue();
};

void RegistryTest::desktopProgram_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("entries"); // desktop entries of GNOME Settings' pages
    QTest::addColumn<QString>("expected");    // with <bin> for the folder; empty: none

    const QStringList both = {u"kinfocenter"_s, u"gnome-control-center"_s};
    QTest::newRow("KDE") << u"KDE"_s << both << QStringList() << u"<bin>/kinfocenter"_s;
    // A path with a space is quoted only where arguments follow it.
    QTest::newRow("GNOME 43") << u"ubuntu:GNOME"_s << both << QStringList()
                              << u"\"<bin>/gnome-control-center\" info-overview"_s;
    QTest::newRow("GNOME 44") << u"GNOME"_s << both << QStringList({u"gnome-about-panel.desktop"_s})
                              << u"\"<bin>/gnome-control-center\" about"_s;
    QTest::newRow("GNOME 46") << u"GNOME"_s << both
                              << QStringList({u"gnome-about-panel.desktop"_s,
                                              u"gnome-system-panel.desktop"_s})
                              << u"\"<bin>/gnome-control-center\" system about"_s;
    QTest::newRow("Cinnamon") << u"X-Cinnamon"_s
                              << QStringList({u"hardinfo"_s, u"cinnamon-settings"_s})
                              << QStringList() << u"\"<bin>/cinnamon-settings\" info"_s;
    // Another desktop's program beats none.
    QTest::newRow("KDE without its own")
        << u"KDE"_s << QStringList({u"gnome-control-center"_s}) << QStringList()
        << u"\"<bin>/gnome-control-center\" info-overview"_s;
    QTest::newRow("no desktop named") << QString() << QStringList({u"hardinfo"_s, u"xfce4-about"_s})
                                      << QStringList() << u"<bin>/xfce4-about"_s;
    QTest::newRow("none installed") << u"GNOME"_s << QStringList()
                                    << QStringList({u"gnome-about-panel.desktop"_s}) << QString();
}

// The PATH value as the About dialog reads it: the command of the desktop's
// system information program, found in PATH, or no value at all.
void RegistryTest::desktopProgram()
{
#ifdef Q_OS_WIN
    QSKIP("the system's registry answers on Windows (tst_about under Wine)");
#else
    QFETCH(QString, desktop);
    QFETCH(QStringList, installed);
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString bin = dir.filePath(u"my bin"_s);
    const QString data = dir.filePath(u"share"_s);
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QDir().mkpath(data + u"/applications"_s));
    for (const QString &name : installed) {
        QVERIFY(writeFile(bin + u'/' + name, "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(bin + u'/' + name, QFile::ReadOwner | QFile::ExeOwner));
    }
    for (const QString &entry : entries)
        QVERIFY(writeFile(data + u"/applications/"_s + entry, "[Desktop Entry]\n"));

    Environment environment;
    environment.set("PATH", bin);
    environment.set("XDG_CURRENT_DESKTOP", desktop);
    environment.set("XDG_DATA_DIRS", data);
    environment.set("XDG_DATA_HOME", dir.filePath(u"home"_s));

    SystemRegistry registry;
    QString value = u"old"_s;
    const bool found =
        readKeyValue(registry, Registry::kLocalMachine, kMsinfoKey, u"PATH"_s, value);
    QCOMPARE(found, !expected.isEmpty());
    QCOMPARE(value, QString(expected).replace(u"<bin>"_s, bin));
#endif
}

void RegistryTest::standInHoldsOneValue()
{
#ifdef Q_OS_WIN
    QSKIP("the system's registry answers on Windows (tst_about under Wine)");
#else
    QTemporaryDir dir;
    const QString program = dir.filePath(u"kinfocenter"_s);
    QVERIFY(writeFile(program, "#!/bin/sh\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    Environment environment;
    environment.set("PATH", dir.path());
    environment.set("XDG_CURRENT_DESKTOP", u"KDE"_s);

    SystemRegistry registry;
    QString value;
    // Names without regard to case, as the system matches them.
    QVERIFY(
        readKeyValue(registry, Registry::kLocalMachine, kMsinfoKey.toLower(), u"path"_s, value));
    QCOMPARE(value, program);
    // The folder of the second lookup is never there: MSINFO32.EXE is no
    // program of these desktops.
    QVERIFY(!readKeyValue(registry, Registry::kLocalMachine,
                          u"SOFTWARE\\Microsoft\\Shared Tools Location"_s, u"MSINFO"_s, value));
    QVERIFY(value.isEmpty());
    QVERIFY(!readKeyValue(registry, Registry::kLocalMachine, kMsinfoKey, u"Other"_s, value));
    QVERIFY(!readKeyValue(registry, Registry::kCurrentUser, kMsinfoKey, u"PATH"_s, value));

    // The size counts the closing zero, and a buffer too small is told what
    // it would need, as the system does.
    Registry::Key key = 0;
    QCOMPARE(
        registry.openKey(Registry::kLocalMachine, kMsinfoKey.toLatin1(), kRegistryKeyAccess, &key),
        Registry::kSuccess);
    QByteArray buffer(4, '\0');
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    QCOMPARE(registry.queryValue(key, "PATH", &type, &buffer, &size), Registry::kMoreData);
    QCOMPARE(size, std::uint32_t(program.size() + 1));
    QCOMPARE(buffer, QByteArray(4, '\0'));
    buffer = QByteArray(1024, '\0');
    QCOMPARE(registry.queryValue(key, "PATH", &type, &buffer, &size), Registry::kSuccess);
    QCOMPARE(type, Registry::kTypeString);
    QCOMPARE(buffer.left(size), QFile::encodeName(program) + '\0');
    QCOMPARE(buffer.size(), 1024);
    QCOMPARE(registry.closeKey(key), Registry::kSuccess);
    QCOMPARE(registry.queryValue(0, "PATH", &type, &buffer, &size), Registry::kInvalidHandle);
#endif
}

QTEST_GUILESS_MAIN(RegistryTest)
#include "tst_registry.moc"
