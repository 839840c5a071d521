#include "controls.h"
#include "ordinaryuser.h"
#include "readerfixture.h"
#include "recovery.h"
#include "testfiles.h"
#include "textbox.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kDump = "Eik 12.5 %\r\n\fBeuk 14.2 %\r\n\fEs 11.0 %\r\n";
const QString kCrashIn = u"ZOL_CRASH_IN"_s;

// ZOLprint as a technician leaves it: a reading, one correction typed, and
// then the battery dies. Returns only when it could not get that far.
int readEditAndDie(const QString &folder)
{
    ReaderFixture w;
    w.withSettingsPath(QDir(folder).filePath(u"zolprint.ini"_s))
        .withRecoveryFolder(QDir(folder).filePath(u"recovery"_s));
    w->show();
    w.read(kDump);
    auto *venster = control<TextBox>(w.window(), u"txtVenster"_s);
    venster->setFocus();
    QTest::keyClick(venster, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(venster, u"Ok "_s);
    // Until the correction is kept, as it is within two seconds.
    const QTimer *tmrRecovery = control<QTimer>(w.window(), u"tmrRecovery"_s);
    if (!tmrRecovery->isActive() ||
        !QTest::qWaitFor([&] { return !tmrRecovery->isActive(); }, 60000))
        return 1;
    // The fixture's own folder is not left behind by the kill.
    w.dir.remove();
    std::raise(SIGKILL);
    return 1;
}

// ZOLprint started on the folder of `first`, which offers what it finds.
void startBeside(ReaderFixture &w, const ReaderFixture &first)
{
    w.withSettingsPath(first.settingsPath()).withRecoveryFolder(first.recoveryFolder());
    w->offerRecovery();
}

} // namespace

class RecoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void pagesSurviveAKilledProgram();
    void damagedCopiesAreOfferedOrNamedOnce();
    void copyThatCannotBeWrittenIsToldOnce_data();
    void copyThatCannotBeWrittenIsToldOnce();
};

void RecoveryTest::pagesSurviveAKilledProgram()
{
    ReaderFixture window;
    const QString folder = window.dir.path();
    auto crash = [&folder] {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kCrashIn, folder);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        return child.waitForFinished(120000) && child.exitStatus() == QProcess::CrashExit;
    };
    QVERIFY(crash());
    QCOMPARE(window.recoveryFiles().size(), 1);

    // The next start offers the pages, and Yes brings them back exactly,
    // the correction included, as pages that are not saved yet.
    window.boxes.answers = {true};
    window->offerRecovery();
    QCOMPARE(window.boxes.shown.size(), 1);
    QCOMPARE(window.boxes.shown[0].title, u"ZOL Print"_s);
    QVERIFY2(window.boxes.shown[0].text.startsWith(u"Unsaved pages from "_s) &&
                 window.boxes.shown[0].text.endsWith(u" were found. Restore them?"_s),
             qPrintable(window.boxes.shown[0].text));
    QCOMPARE(window.pages().pagesInUse(),
             (QStringList{u"Ok Eik 12.5 %\r\n"_s, u" Beuk 14.2 %\r\n"_s, u" Es 11.0 %\r\n"_s}));
    QCOMPARE(window.shownPage(), u"Ok Eik 12.5 %\r\n"_s);
    QVERIFY(window->isWindowModified());
    QCOMPARE(window.recoveryFiles().size(), 1);

    // A second program started beside it is offered nothing: the pages are
    // this one's now.
    {
        ReaderFixture other;
        startBeside(other, window);
        QVERIFY(other.boxes.shown.isEmpty());
    }
    window.dropWindow();

    // Killed again, and this time the user does not want them: gone.
    QVERIFY(crash());
    ReaderFixture third;
    third.boxes.answers = {false, false};
    startBeside(third, window);
    // The one left by the window closed above without a question, and the
    // one just killed: both offered in turn, newest first, at two starts.
    QCOMPARE(third.boxes.shown.size(), 1);
    third->offerRecovery();
    QCOMPARE(third.boxes.shown.size(), 2);
    QVERIFY(window.recoveryFiles().isEmpty());
    QCOMPARE(third.pages().sPage(0), QString());
}

void RecoveryTest::damagedCopiesAreOfferedOrNamedOnce()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"kept"_s);
    QVERIFY(QDir().mkpath(folder));
    const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                      QFile::WriteOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(dir.path(), open) && QFile::setPermissions(folder, open));
    auto file = [&folder](const QString &name) {
        return QDir(folder).filePath(name + u".zolrecovery"_s);
    };

    KeptPages kept;
    kept.savedAt = QDateTime(QDate(2026, 12, 8), QTime(14, 5));
    for (int i = 0; i < 5; ++i)
        kept.pages[i] = u"page %1\r\n"_s.arg(i + 1);
    kept.counter = 3;
    kept.current = 4;
    const QByteArray whole = encodeKeptPages(kept);
    // Cut inside the third page, as a disk that failed under it leaves it.
    const QString third = u"page 3"_s;
    const QByteArray thirdBytes(reinterpret_cast<const char *>(third.utf16()), third.size() * 2);
    QByteArray bigEndian;
    for (qsizetype i = 0; i < thirdBytes.size(); i += 2)
        bigEndian += thirdBytes.mid(i + 1, 1) + thirdBytes.mid(i, 1);
    const qsizetype cut = whole.indexOf(bigEndian);
    QVERIFY(cut > 0);
    QVERIFY(writeFile(file(u"cut"_s), whole.left(cut + 4)));

    QVERIFY(writeFile(file(u"empty"_s), QByteArray()));
    QByteArray noise(4096, '\0');
    QRandomGenerator random(30);
    for (char &c : noise)
        c = static_cast<char>(random.bounded(256));
    QVERIFY(writeFile(file(u"random"_s), noise));
    // Larger than any pages make it, whatever its start says; sparse, so it
    // costs the disk nothing.
    QVERIFY(writeFile(file(u"large"_s), whole));
    QVERIFY(QFile::resize(file(u"large"_s), kMaxRecoveryFileSize + 1));
    QVERIFY(writeFile(file(u"unreadable"_s), whole));
    QVERIFY(denyAccess(file(u"unreadable"_s)));

    AsOrdinaryUser user;
    QVERIFY2(user.failure().isEmpty(), qPrintable(user.failure()));
    RecoveryFiles files(folder);
    QMap<QString, QString> reasons;
    for (const DamagedCopy &copy : files.takeDamaged()) {
        reasons.insert(QFileInfo(copy.path).completeBaseName(), copy.reason);
        QCOMPARE(copy.keptAs, copy.path + u".damaged"_s);
        QVERIFY(QFileInfo::exists(copy.keptAs) && !QFileInfo::exists(copy.path));
    }
    QCOMPARE(reasons, (QMap<QString, QString>{
                          {u"empty"_s, u"the file is empty"_s},
                          {u"large"_s, u"the file is larger than the pages it could hold"_s},
                          {u"random"_s, u"this is not a file of unsaved pages"_s},
                          {u"unreadable"_s, u"Permission denied"_s},
                      }));
    // Told once: the next start finds none of them.
    QVERIFY(RecoveryFiles(folder).takeDamaged().isEmpty());

    LanguageTables tables;
    fillLanguageTables(tables);
    QCOMPARE(damagedCopyMessage(
                 {u"/k/a.zolrecovery"_s, u"the file is empty"_s, u"/k/a.zolrecovery.damaged"_s},
                 tables, kEnglish),
             u"Unsaved pages kept in /k/a.zolrecovery cannot be read: the file is empty\r\n"
             u"The file has been renamed to /k/a.zolrecovery.damaged."_s);

    // The one cut short offers the pages read whole, said to be incomplete.
    const std::optional<KeptPages> offered = files.takeOrphan();
    QVERIFY(offered);
    QVERIFY(offered->incomplete);
    QCOMPARE(offered->pages[0], kept.pages[0]);
    QCOMPARE(offered->pages[1], kept.pages[1]);
    QCOMPARE(offered->pages[2], QString());
    QCOMPARE(offered->counter, 0);
    QCOMPARE(offered->current, 1);
    const QString question = recoveryQuestion(*offered, tables, kEnglish);
    QVERIFY2(question.contains(u"cut short: only the pages up to page 2 could be read."_s),
             qPrintable(question));
    QVERIFY(!recoveryQuestion(kept, tables, kEnglish).contains(u"cut short"_s));
    kept.endedEarly = true;
    QVERIFY(recoveryQuestion(kept, tables, kEnglish)
                .endsWith(u" Restore them?\r\nStop (5) – ended before the ZOL had finished"_s));

    // Put off, not answered: offered again at the next start.
    files.keepOrphan();
    QVERIFY(QFileInfo::exists(file(u"cut"_s)));
    RecoveryFiles next(folder);
    const std::optional<KeptPages> again = next.takeOrphan();
    QVERIFY(again);
    QCOMPARE(again->pages[1], kept.pages[1]);
    next.keepOrphan();

    // In the window: a copy that cannot be read is named, the question
    // closed puts the cut one off to the next start, and only No gives it up.
    QVERIFY(writeFile(file(u"empty"_s), QByteArray()));
    for (const MessageBoxes::Answer answer :
         {MessageBoxes::Answer::Cancel, MessageBoxes::Answer::No}) {
        ReaderFixture w;
        w.withRecoveryFolder(folder);
        w.boxes.putOff = {answer};
        w->offerRecovery();
        const bool first = answer == MessageBoxes::Answer::Cancel;
        // Named once; the name it was moved to is the copy's own affair.
        QCOMPARE(w.errors().size(), first ? 1 : 0);
        if (first)
            QCOMPARE(w.errors().constFirst().section(u"\r\n"_s, 0, 0),
                     damagedCopyMessage({file(u"empty"_s), u"the file is empty"_s, {}}, tables,
                                        kEnglish));
        QCOMPARE(w.boxes.shown.last().text, question);
        QCOMPARE(w.pages().sPage(0), QString());
        QCOMPARE(QFileInfo::exists(file(u"cut"_s)), first);
    }
}

void RecoveryTest::copyThatCannotBeWrittenIsToldOnce_data()
{
    QTest::addColumn<QString>("blocker"); // a plain file at this path below the folder
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("reason");

    QTest::newRow("read-only folder") << QString() << u"kept"_s << true << u"Permission denied"_s;
    QTest::newRow("plain file as the folder")
        << u"kept"_s << u"kept"_s << false << u"Not a directory"_s;
    QTest::newRow("plain file above the folder")
        << u"data"_s << u"data/kept"_s << false << u"Not a directory"_s;
}

void RecoveryTest::copyThatCannotBeWrittenIsToldOnce()
{
    QFETCH(QString, blocker);
    QFETCH(QString, folder);
    QFETCH(bool, readOnly);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther));
    const QString path = dir.filePath(folder);
    if (!blocker.isEmpty())
        QVERIFY(writeFile(dir.filePath(blocker), "notes"));
    if (readOnly)
        QVERIFY(QDir().mkpath(path) && denyAccess(path));
    KeptPages kept;
    kept.savedAt = QDateTime::currentDateTime();
    kept.pages[0] = u"page 1"_s;

    std::optional<AsOrdinaryUser> user;
    user.emplace();
    QVERIFY2(user->failure().isEmpty(), qPrintable(user->failure()));
    RecoveryFiles files(path);
    QString why;
    bool tell = false;
    QVERIFY(!files.write(kept, &why, &tell));
    QCOMPARE(why, reason);
    QVERIFY(tell);
    LanguageTables tables;
    fillLanguageTables(tables);
    QCOMPARE(notKeptMessage(files, why, tables, kEnglish),
             u"Unsaved pages are not kept against a crash: %1 cannot be written to (%2)"_s.arg(
                 QDir::toNativeSeparators(path), reason));
    // Tried again at each change, and quietly.
    QVERIFY(!files.write(kept, &why, &tell));
    QCOMPARE(why, reason);
    QVERIFY(!tell);

    // The window says so once, after the reading's own status, and then
    // keeps trying without a word.
    {
        ReaderFixture w;
        w.withRecoveryFolder(path);
        w.read(kDump);
        QTRY_COMPARE(w.status(), u"Stop (3) – "_s + notKeptMessage(files, why, tables, kEnglish));
        w.read(kDump);
        QCoreApplication::processEvents();
        QCOMPARE(w.status(), u"Stop (3)"_s);
    }

    // Once the folder takes files, the copy is kept; failing again later in
    // the run is not told a second time.
    user.reset();
    if (!blocker.isEmpty())
        QVERIFY(QFile::remove(dir.filePath(blocker)));
    if (readOnly)
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY2(files.write(kept, &why, &tell), qPrintable(why));
    QVERIFY(!tell);
    QCOMPARE(QDir(path).entryList({u"*.zolrecovery"_s}, QDir::Files).size(), 1);
    files.remove();
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ZOL_CRASH_IN"))
        return readEditAndDie(qEnvironmentVariable("ZOL_CRASH_IN"));
    RecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
