#include "programlauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace zol;
using namespace Qt::StringLiterals;

namespace {

[[maybe_unused]] bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

[[maybe_unused]] QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class LauncherTest : public QObject
{
    Q_OBJECT

private slots:
    void launcherStartsThePathAsItIs();
};

void LauncherTest::launcherStartsThePathAsItIs()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    // A space in the path must not split it into a program and an argument.
    const QString program = dir.filePath(u"system info"_s);
    const QString marker = dir.filePath(u"started"_s);
    QVERIFY(writeFile(program, "#!/bin/sh\necho \"$#\" > \"$(dirname \"$0\")/started\"\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QtProgramLauncher launcher;
    QVERIFY(launcher.start(program));
    // The script says how many arguments it was given.
    QTRY_COMPARE_WITH_TIMEOUT(readFile(marker), QByteArray("0\n"), 10000);

    QVERIFY(!launcher.start(dir.filePath(u"no such program"_s)));
    QVERIFY(!launcher.start(QString()));
    // A file that is there but cannot run.
    const QString plain = dir.filePath(u"plain"_s);
    QVERIFY(writeFile(plain, "text"));
    QVERIFY(!launcher.start(plain));

    QVERIFY(isOrdinaryFile(plain));
    QVERIFY(!isOrdinaryFile(dir.path()));
    QVERIFY(!isOrdinaryFile(dir.filePath(u"missing"_s)));
    const QString hidden = dir.filePath(u".hidden"_s);
    QVERIFY(writeFile(hidden, "x"));
    QVERIFY(!isOrdinaryFile(hidden));
#elif defined(Q_OS_WIN)
    // A copy of the program that writes "started" beside itself, in a folder
    // whose name has a space.
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"system info"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + u"/msinfo32.exe"_s;
    QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + u"/sysinfo/system info.exe"_s,
                        program));
    QtProgramLauncher launcher;
    QVERIFY(launcher.start(QDir::toNativeSeparators(program)));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder + u"/started"_s), 30000);

    QVERIFY(!launcher.start(dir.filePath(u"no such program.exe"_s)));
    QVERIFY(!launcher.start(QString()));
    // A file that is there but is no program.
    const QString plain = dir.filePath(u"plain.exe"_s);
    QVERIFY(writeFile(plain, "text"));
    QVERIFY(!launcher.start(QDir::toNativeSeparators(plain)));

    QVERIFY(isOrdinaryFile(plain));
    QVERIFY(!isOrdinaryFile(dir.path()));
    QVERIFY(!isOrdinaryFile(dir.filePath(u"missing"_s)));
    // Hidden and system files are Windows' attributes, not a leading dot.
    const QString hidden = dir.filePath(u"hidden.txt"_s);
    const QString system = dir.filePath(u"system.txt"_s);
    for (const QString &path : {hidden, system})
        QVERIFY(writeFile(path, "x"));
    QVERIFY(SetFileAttributesW(reinterpret_cast<LPCWSTR>(hidden.utf16()), FILE_ATTRIBUTE_HIDDEN));
    QVERIFY(SetFileAttributesW(reinterpret_cast<LPCWSTR>(system.utf16()), FILE_ATTRIBUTE_SYSTEM));
    QVERIFY(!isOrdinaryFile(hidden));
    QVERIFY(!isOrdinaryFile(system));
#else
    QSKIP("uses a shell script as the program");
#endif
}

QTEST_GUILESS_MAIN(LauncherTest)
#include "tst_launcher.moc"
