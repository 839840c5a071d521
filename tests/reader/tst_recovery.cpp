#include "controls.h"
#include "readerfixture.h"
#include "textbox.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
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

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("ZOL_CRASH_IN"))
        return readEditAndDie(qEnvironmentVariable("ZOL_CRASH_IN"));
    RecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
