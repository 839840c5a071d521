// Saving on a real full disk: a small tmpfs mounted in a mount namespace of
// this test's own (tests/support/private-mounts.sh starts it there), so that
// the file system says "No space left on device" as a full USB stick does.

#include "atomicfile.h"
#include "measurementsfile.h"
#include "ordinaryuser.h"
#include "readerfixture.h"
#include "recovery.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

const QString kNoSpace = QString::fromLocal8Bit(std::strerror(ENOSPC));

QString sameMountNamespace()
{
    const QFileInfo self(u"/proc/self/ns/mnt"_s);
    const QFileInfo first(u"/proc/1/ns/mnt"_s);
    return self.symLinkTarget() == first.symLinkTarget() ? self.symLinkTarget() : QString();
}

// A 64 KiB tmpfs of its own over a scratch folder; the files under test go
// into its folder "work", the filler beside it.
class SmallDisk
{
public:
    SmallDisk()
    {
        const QByteArray where = QFile::encodeName(m_mountPoint.path());
        if (::mount("zolfulldisk", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=64k,mode=0755") != 0) {
            m_failure = u"mount tmpfs: "_s + QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        m_mounted = true;
        if (!QDir(m_mountPoint.path()).mkdir(u"work"_s))
            m_failure = u"no folder work"_s;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_mountPoint.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    QString failure() const { return m_failure; }
    QString work() const { return m_mountPoint.path() + u"/work"_s; }
    QString path(const QString &name) const { return work() + u'/' + name; }
    QStringList files() const { return QDir(work()).entryList(QDir::Files | QDir::Hidden); }

    // Fills the disk to the last byte, then gives back `left` bytes (whole
    // pages of the tmpfs). False with failure() when that did not work out.
    bool fill(qint64 left = 0)
    {
        const QByteArray filler = QFile::encodeName(m_mountPoint.path() + u"/filler"_s);
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0)
            return fail(u"filler: "_s + QString::fromLocal8Bit(std::strerror(errno)));
        const QByteArray block(4096, 'x');
        qint64 size = 0;
        for (;;) {
            const ssize_t n = ::write(fd, block.constData(), block.size());
            if (n <= 0)
                break;
            size += n;
        }
        const int error = errno;
        const bool cut = left == 0 || ::ftruncate(fd, size - left) == 0;
        ::close(fd);
        if (error != ENOSPC || !cut)
            return fail(u"filling: "_s + QString::fromLocal8Bit(std::strerror(error)));
        struct statvfs info = {};
        if (::statvfs(filler.constData(), &info) != 0 ||
            qint64(info.f_bavail) * qint64(info.f_bsize) != left)
            return fail(
                u"%1 bytes free, not %2"_s.arg(qint64(info.f_bavail) * info.f_bsize).arg(left));
        return true;
    }

private:
    bool fail(const QString &why)
    {
        m_failure = why;
        return false;
    }

    QTemporaryDir m_mountPoint;
    bool m_mounted = false;
    QString m_failure;
};

// Pages of meter text that make a measurements file of about `bytes` bytes.
QStringList pagesOf(int bytes)
{
    QStringList pages;
    int total = 0;
    for (int i = 1; total < bytes; ++i) {
        const QString page =
            u"page %1\r\n"_s.arg(i) + QString(60, QChar(u'0' + i % 10)) + u"\r\n"_s;
        pages << page.repeated(8);
        total += static_cast<int>(pages.last().size()) + 3;
    }
    return pages;
}

} // namespace

class FullDiskTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void replacedOnlyWhenEveryByteIsWritten_data();
    void replacedOnlyWhenEveryByteIsWritten();
    void writtenInPlaceWithoutCuttingTheOldBytes_data();
    void writtenInPlaceWithoutCuttingTheOldBytes();
    void saveOnAFullDisk_data();
    void saveOnAFullDisk();
    void settingsAtExitOnAFullDisk_data();
    void settingsAtExitOnAFullDisk();
    void recoveryCopyOnAFullDisk();
};

void FullDiskTest::initTestCase()
{
    if (qEnvironmentVariable("ZOL_PRIVATE_MOUNTS") != u"1"_s) {
        const QString why = qEnvironmentVariable("ZOL_PRIVATE_MOUNTS_UNAVAILABLE");
        if (why.isEmpty())
            QSKIP("needs a mount namespace of its own: run it through "
                  "tests/support/private-mounts.sh, as ctest does");
        QSKIP(qPrintable(u"no mount namespace of its own here ("_s + why + u")"_s));
    }
    // Never mount over the machine's own folders, whatever the variable says.
    QVERIFY2(sameMountNamespace().isEmpty(), "started in the machine's own mount namespace");
}

void FullDiskTest::replacedOnlyWhenEveryByteIsWritten_data()
{
    QTest::addColumn<int>("oldSize"); // -1: no file of that name yet
    QTest::addColumn<int>("newSize");
    QTest::addColumn<int>("free"); // -1: the disk is not filled
    QTest::addColumn<bool>("replaced");

    // Qt's own saving buffers 16 KiB: below it a full disk used to be
    // reported as success, above it as "Unknown error".
    QTest::newRow("below the buffer, full") << 10240 << 3000 << 0 << false;
    QTest::newRow("above the buffer, full") << 10240 << 20000 << 0 << false;
    QTest::newRow("above the buffer, 4 KiB free") << 10240 << 20000 << 4096 << false;
    QTest::newRow("old file larger, full") << 30000 << 3000 << 0 << false;
    QTest::newRow("new name, below the buffer, full") << -1 << 3000 << 0 << false;
    QTest::newRow("new name, above the buffer, 4 KiB free") << -1 << 20000 << 4096 << false;
    QTest::newRow("empty file, full") << 10240 << 0 << 0 << true;
    QTest::newRow("room enough") << 10240 << 20000 << -1 << true;
    QTest::newRow("new name, room enough") << -1 << 3000 << -1 << true;
}

void FullDiskTest::replacedOnlyWhenEveryByteIsWritten()
{
    QFETCH(int, oldSize);
    QFETCH(int, newSize);
    QFETCH(int, free);
    QFETCH(bool, replaced);

    SmallDisk disk;
    QVERIFY2(disk.failure().isEmpty(), qPrintable(disk.failure()));
    const QString path = disk.path(u"pages.mcs"_s);
    const QByteArray old(qMax(oldSize, 0), 'o');
    if (oldSize >= 0) {
        QVERIFY(writeFile(path, old));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    }
    if (free >= 0)
        QVERIFY2(disk.fill(free), qPrintable(disk.failure()));

    QByteArray bytes(newSize, 'n');
    for (int i = 0; i < newSize; i += 100)
        bytes[i] = '\n';
    QString reason;
    QCOMPARE(replaceFile(path, bytes, &reason), replaced);
    if (replaced) {
        QVERIFY(reason.isEmpty());
        QCOMPARE(readFile(path), bytes);
        // A file that replaces another keeps who may read it.
        if (oldSize >= 0)
            QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ReadUser | QFile::WriteUser |
                                                   QFile::ReadGroup);
    } else {
        QCOMPARE(reason, kNoSpace);
        if (oldSize >= 0)
            QVERIFY(readFile(path) == old);
    }
    // Nothing half-written stays behind, under any name.
    const QStringList expected =
        oldSize >= 0 || replaced ? QStringList{u"pages.mcs"_s} : QStringList{};
    QCOMPARE(disk.files(), expected);
}

void FullDiskTest::writtenInPlaceWithoutCuttingTheOldBytes_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("written");

    // The tmpfs gives space in pages of 4 KiB: a file that ends on a page
    // needs a new one to grow; one that shrinks or stays in its page does not.
    QTest::newRow("grows past its page") << QByteArray(4096, 'o') << QByteArray(5000, 'n') << false;
    QTest::newRow("empty, grows") << QByteArray("") << QByteArray(" 2 \r\n 1 \r\n") << false;
    QTest::newRow("grows inside its page")
        << QByteArray(" 2 \r\n 3 \r\n") << QByteArray(" 2 \r\n 12 \r\n") << true;
    QTest::newRow("shrinks") << QByteArray(5000, 'o') << QByteArray(3000, 'n') << true;
    QTest::newRow("same size") << QByteArray(" 2 \r\n 3 \r\n") << QByteArray(" 2 \r\n 1 \r\n")
                               << true;
}

void FullDiskTest::writtenInPlaceWithoutCuttingTheOldBytes()
{
    QFETCH(QByteArray, old);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, written);

    SmallDisk disk;
    QVERIFY2(disk.failure().isEmpty(), qPrintable(disk.failure()));
    const QString path = disk.path(u"zolprint.ini"_s);
    QVERIFY(writeFile(path, old));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther |
                                            QFile::WriteOther));
    QVERIFY(denyAccess(disk.work()));
    QVERIFY2(disk.fill(), qPrintable(disk.failure()));

    QString reason;
    bool replaced = false;
    {
        // The folder takes no new file from an ordinary user.
        AsOrdinaryUser user;
        if (!user.failure().isEmpty())
            QSKIP(qPrintable(u"no ordinary user to act as in this user namespace: "_s +
                             user.failure()));
        replaced = replaceFile(path, bytes, &reason, LockedFolder::WriteInPlace);
    }
    QCOMPARE(replaced, written);
    QCOMPARE(readFile(path), written ? bytes : old);
    QCOMPARE(reason, written ? QString() : kNoSpace);
    QCOMPARE(disk.files(), QStringList{u"zolprint.ini"_s});
}

void FullDiskTest::saveOnAFullDisk_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("overOldFile");
    QTest::addColumn<int>("free");

    QTest::newRow("below 16 KiB, over the old file") << 3000 << true << 0;
    QTest::newRow("above 16 KiB, over the old file") << 20000 << true << 0;
    QTest::newRow("above 16 KiB, over the old file, 4 KiB free") << 20000 << true << 4096;
    QTest::newRow("below 16 KiB, new name") << 3000 << false << 0;
    QTest::newRow("above 16 KiB, new name, 4 KiB free") << 20000 << false << 4096;
}

void FullDiskTest::saveOnAFullDisk()
{
    QFETCH(int, size);
    QFETCH(bool, overOldFile);
    QFETCH(int, free);

    SmallDisk disk;
    QVERIFY2(disk.failure().isEmpty(), qPrintable(disk.failure()));
    // The pages come from a file elsewhere, as after an Open.
    const QStringList pages = pagesOf(size);
    const QByteArray newFile = formatMeasurements(pages);
    QVERIFY(newFile.size() > size);
    ReaderFixture w;
    QVERIFY(w.open(newFile));
    QCOMPARE(w.messages(), QStringList());

    // The older file: ten pages of 1 KiB, with 4 KiB free cut inside page 5.
    const QString path = disk.path(u"pages.mcs"_s);
    const QStringList oldPages = pagesOf(10240);
    const QByteArray oldFile = formatMeasurements(oldPages);
    if (overOldFile)
        QVERIFY(writeFile(path, oldFile));
    QVERIFY2(disk.fill(free), qPrintable(disk.failure()));

    w.dialog.answers.append(path);
    w->mSave_Click();
    QCOMPARE(w.messages(),
             QStringList{u"ZOL Print error: Error 104 - Error during saving\r\n"_s + kNoSpace});
    QCOMPARE(disk.files(), overOldFile ? QStringList{u"pages.mcs"_s} : QStringList{});
    if (overOldFile)
        QVERIFY(readFile(path) == oldFile);

    // Once there is room, the same window saves them whole.
    QVERIFY(QFile::remove(QFileInfo(disk.work()).absolutePath() + u"/filler"_s));
    w.dialog.answers.append(path);
    w->mSave_Click();
    QCOMPARE(w.messages().size(), 1);
    QVERIFY(readFile(path) == newFile);
}

void FullDiskTest::settingsAtExitOnAFullDisk_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<bool>("lockedFolder");
    QTest::addColumn<QString>("message"); // up to the path; empty: the machine's language

    // Replaced through a new file, which the full disk has no room for.
    QTest::newRow("folder takes new files")
        << QByteArray(" 2 \r\n 3 \r\n") << false
        << u"ZOL Print Fehler: Fehler 104 - Fehler beim Speichern\r\n"_s;
    // In a folder that takes no new file, the file is written in place: an
    // empty one needs room to grow and stays as it was.
    QTest::newRow("folder takes no new file, empty file") << QByteArray() << true << QString();
}

void FullDiskTest::settingsAtExitOnAFullDisk()
{
    QFETCH(QByteArray, old);
    QFETCH(bool, lockedFolder);
    QFETCH(QString, message);

    SmallDisk disk;
    QVERIFY2(disk.failure().isEmpty(), qPrintable(disk.failure()));
    const QString path = disk.path(u"zolprint.ini"_s);
    QVERIFY(writeFile(path, old));
    if (lockedFolder) {
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                                QFile::ReadOther | QFile::WriteOther));
        QVERIFY(denyAccess(disk.work()));
    }
    ReaderFixture w;
    w.withSettingsPath(path);
    // COM2, which neither file names, so that there is something to keep.
    w->mPort2_Click();
    QVERIFY2(disk.fill(), qPrintable(disk.failure()));
    {
        std::optional<AsOrdinaryUser> user;
        if (lockedFolder) {
            user.emplace();
            if (!user->failure().isEmpty())
                QSKIP(qPrintable(u"no ordinary user to act as in this user namespace: "_s +
                                 user->failure()));
        }
        w->close();
    }
    QVERIFY(w->isUnloaded());
    const QString reason = path + u"\r\n"_s + kNoSpace;
    QCOMPARE(w.messages().size(), 1);
    if (message.isEmpty())
        QVERIFY2(w.messages().first().endsWith(reason), qPrintable(w.messages().first()));
    else
        QCOMPARE(w.messages().first(), message + reason);
    QCOMPARE(readFile(path), old);
    QCOMPARE(disk.files(), QStringList{u"zolprint.ini"_s});
}

void FullDiskTest::recoveryCopyOnAFullDisk()
{
    SmallDisk disk;
    QVERIFY2(disk.failure().isEmpty(), qPrintable(disk.failure()));
    QVERIFY2(disk.fill(), qPrintable(disk.failure()));
    KeptPages kept;
    kept.savedAt = QDateTime::currentDateTime();
    kept.pages[0] = u"page 1"_s;

    // The system's reason, once; then quietly, until there is room.
    RecoveryFiles files(disk.work());
    QString reason;
    bool tell = false;
    QVERIFY(!files.write(kept, &reason, &tell));
    QCOMPARE(reason, kNoSpace);
    QVERIFY(tell);
    QVERIFY(!files.write(kept, &reason, &tell));
    QVERIFY(!tell);
    // A reading says what it brought, and that it is not kept.
    {
        ReaderFixture w;
        w.withRecoveryFolder(disk.work());
        w.read("Eik\r\n\fBeuk\r\n\f");
        QTRY_VERIFY2(w.status().startsWith(u"Stop (2) – Unsaved pages are not kept"_s),
                     qPrintable(w.status()));
    }
    QVERIFY(QFile::remove(QFileInfo(disk.work()).absolutePath() + u"/filler"_s));
    QVERIFY2(files.write(kept, &reason, &tell), qPrintable(reason));
    QCOMPARE(QDir(disk.work()).entryList({u"*.zolrecovery"_s}, QDir::Files).size(), 1);
}

QTEST_MAIN(FullDiskTest)
#include "tst_fulldisk.moc"
