#include "programlauncher.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
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
#else
    QSKIP("uses a shell script as the program");
#endif
}

QTEST_GUILESS_MAIN(LauncherTest)
#include "tst_launcher.moc"
