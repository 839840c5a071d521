#include "keyvaluestore.h"
#include "memorystore.h"
#include "recentfiles.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using zol::test::MemoryStore;
using namespace Qt::StringLiterals;

namespace {

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class RecentFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void newestFirstAtMostFour();
    void oneEntryPerFile();
    void untidyStore();
    void keptInTheUsersSettings();
    void longPathsShortenedInTheMiddle_data();
    void longPathsShortenedInTheMiddle();
};

void RecentFilesTest::newestFirstAtMostFour()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(u"a.vmt"_s), b = dir.filePath(u"b.mcs"_s),
                  c = dir.filePath(u"c.fms"_s), d = dir.filePath(u"d.mdh"_s),
                  e = dir.filePath(u"e.vmt"_s);
    for (const QString &path : {a, b, c, d, e})
        QVERIFY(touch(path));
    MemoryStore store;
    RecentFiles recent(store);
    QVERIFY(recent.files().isEmpty());

    recent.add(a);
    recent.add(b);
    recent.add(c);
    QCOMPARE(recent.files(), QStringList({c, b, a}));
    // Opened again: to the front, not twice.
    recent.add(a);
    QCOMPARE(recent.files(), QStringList({a, c, b}));
    recent.add(a);
    QCOMPARE(recent.files(), QStringList({a, c, b}));
    // The fifth pushes the oldest out.
    recent.add(d);
    recent.add(e);
    QCOMPARE(recent.files(), QStringList({e, d, a, c}));
    QCOMPARE(store.values.keys(), QStringList({u"File1"_s, u"File2"_s, u"File3"_s, u"File4"_s}));

    recent.remove(d);
    QCOMPARE(recent.files(), QStringList({e, a, c}));
    // The last key is not left behind to bring an old entry back.
    QCOMPARE(store.values.keys(), QStringList({u"File1"_s, u"File2"_s, u"File3"_s}));
    // A file that is gone leaves by its name.
    QVERIFY(QFile::remove(a));
    recent.remove(a);
    QCOMPARE(recent.files(), QStringList({e, c}));
    recent.remove(dir.filePath(u"never.vmt"_s));
    QCOMPARE(recent.files(), QStringList({e, c}));
    recent.remove(e);
    recent.remove(c);
    QVERIFY(recent.files().isEmpty());
    QVERIFY(store.values.isEmpty());
}

void RecentFilesTest::oneEntryPerFile()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
    const QString a = dir.filePath(u"a.vmt"_s);
    QVERIFY(touch(a));
    MemoryStore store;
    RecentFiles recent(store);

    // A relative name is kept absolute: the next run may start elsewhere.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.filePath(u"sub"_s)));
    recent.add(u"../a.vmt"_s);
    const bool sameRelative = RecentFiles::sameFile(u"../a.vmt"_s, a);
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(sameRelative);
    QCOMPARE(recent.files(), QStringList({a}));

    recent.add(dir.filePath(u"b.vmt"_s));
    recent.add(dir.filePath(u"sub/../a.vmt"_s));
    QCOMPARE(recent.files(), QStringList({a, dir.filePath(u"b.vmt"_s)}));
    QVERIFY(!RecentFiles::sameFile(a, dir.filePath(u"b.vmt"_s)));
    // Two names of a file that is gone are the same name cleaned.
    QVERIFY(RecentFiles::sameFile(dir.filePath(u"gone.vmt"_s), dir.filePath(u"sub/../gone.vmt"_s)));
    QVERIFY(!RecentFiles::sameFile(QString(), QString()));

#ifdef Q_OS_UNIX
    // Through a link it is the same file, and stays listed under the name last used.
    const QString link = dir.filePath(u"sub/link.vmt"_s);
    QVERIFY(QFile::link(a, link));
    QVERIFY(RecentFiles::sameFile(link, a));
    recent.add(link);
    QCOMPARE(recent.files(), QStringList({link, dir.filePath(u"b.vmt"_s)}));
    recent.remove(a);
    QCOMPARE(recent.files(), QStringList({dir.filePath(u"b.vmt"_s)}));
    // Case counts on a file system where it does.
    QVERIFY(!RecentFiles::sameFile(a, dir.filePath(u"A.vmt"_s)));
#endif
}

void RecentFilesTest::untidyStore()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(u"a.vmt"_s), b = dir.filePath(u"b.vmt"_s),
                  c = dir.filePath(u"c.vmt"_s), d = dir.filePath(u"d.vmt"_s),
                  e = dir.filePath(u"e.vmt"_s);
    // What a hand-edited or older settings file may hold: holes, repeats,
    // more than four, keys out of range, keys that are not ours.
    MemoryStore store;
    store.values = {{u"File1"_s, QString()}, {u"File2"_s, b},
                    {u"File3"_s, b},         {u"File4"_s, dir.filePath(u"x/../a.vmt"_s)},
                    {u"File5"_s, c},         {u"File0"_s, d},
                    {u"FileX"_s, e},         {u"Other"_s, u"kept"_s}};
    RecentFiles recent(store);
    QCOMPARE(recent.files(), QStringList({b, dir.filePath(u"x/../a.vmt"_s)}));
    // The next change writes the list as it is shown, and leaves keys that
    // are not the list's alone.
    recent.add(c);
    QCOMPARE(recent.files(), QStringList({c, b, dir.filePath(u"x/../a.vmt"_s)}));
    QCOMPARE(store.values.value(u"File1"_s), c);
    QVERIFY(!store.values.contains(u"File4"_s));
    QCOMPARE(store.values.value(u"Other"_s), u"kept"_s);
    Q_UNUSED(a);
}

void RecentFilesTest::keptInTheUsersSettings()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"user.ini"_s);
    const QString a = dir.filePath(u"a b, c.vmt"_s), b = dir.filePath(u"Früh€.fms"_s);
    {
        QSettings settings(ini, QSettings::IniFormat);
        SettingsStore store(settings, u"RecentFiles"_s);
        RecentFiles recent(store);
        recent.add(a);
        recent.add(b);
    }
    QSettings settings(ini, QSettings::IniFormat);
    SettingsStore store(settings, u"RecentFiles"_s);
    QCOMPARE(RecentFiles(store).files(), QStringList({b, a}));
}

void RecentFilesTest::longPathsShortenedInTheMiddle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("room");
    QTest::addColumn<QString>("shown");

    const QString deep = u"/home/tech/Documents/metingen/2026/december/pages.mcs"_s;
    QTest::newRow("fits") << deep << 60 << deep;
    QTest::newRow("folders nearest the name stay")
        << deep << 40 << u"/home/\u2026/metingen/2026/december/pages.mcs"_s;
    QTest::newRow("Windows") << u"C:\\Users\\tech\\Documents\\metingen\\pages.mcs"_s << 30
                             << u"C:\\\u2026\\metingen\\pages.mcs"_s;
    QTest::newRow("only the name fits") << u"/home/tech/metingen/eiken-vloer-bovenverdieping.mcs"_s
                                        << 36 << u"\u2026/eiken-vloer-bovenverdieping.mcs"_s;
    QTest::newRow("the name cut, its extension kept")
        << u"/home/tech/eiken-vloer-bovenverdieping-achterkamer.mcs"_s << 21
        << u"/home/tech\u2026rkamer.mcs"_s;
    QTest::newRow("no folder") << u"eiken-vloer-bovenverdieping.mcs"_s << 11
                               << u"eiken\u2026g.mcs"_s;
}

void RecentFilesTest::longPathsShortenedInTheMiddle()
{
    QFETCH(QString, path);
    QFETCH(int, room);
    QFETCH(QString, shown);
    QCOMPARE(shortenPath(path, room), shown);
    QVERIFY(shortenPath(path, room).size() <= room);
}

QTEST_GUILESS_MAIN(RecentFilesTest)
#include "tst_recentfiles.moc"
