#include "controls.h"
#include "fakemessageboxes.h"
#include "fakeserialport.h"
#include "frmzolprint.h"
#include "readerfakes.h"
#include "textbox.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    FakeSerialPort port;
    FakeMessageBoxes boxes;
    frmZOLprint window(ReaderServices{port, boxes, nullptr, nullptr, nullptr, nullptr,
                                      QDir(folder).filePath(u"zolprint.ini"_s), nullptr, nullptr,
                                      QDir(folder).filePath(u"recovery"_s)});
    window.Form_Load();
    window.show();
    window.mStart_Click();
    port.receive(kDump);
    window.tmrControle_Timer();
    auto *venster = control<TextBox>(window, u"txtVenster"_s);
    venster->setFocus();
    QTest::keyClick(venster, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(venster, u"Ok "_s);
    // Until the correction is kept, as it is within two seconds.
    const QTimer *tmrRecovery = control<QTimer>(window, u"tmrRecovery"_s);
    if (!tmrRecovery->isActive() ||
        !QTest::qWaitFor([&] { return !tmrRecovery->isActive(); }, 60000))
        return 1;
    std::raise(SIGKILL);
    return 1;
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
    QTemporaryDir dir;
    const QString recovery = dir.filePath(u"recovery"_s);
    auto crash = [&dir] {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kCrashIn, dir.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        return child.waitForFinished(120000) && child.exitStatus() == QProcess::CrashExit;
    };
    QVERIFY(crash());
    QCOMPARE(QDir(recovery).entryList({u"*.zolrecovery"_s}, QDir::Files).size(), 1);

    auto start = [&dir](FakeSerialPort &port, FakeMessageBoxes &boxes) {
        auto window = std::make_unique<frmZOLprint>(ReaderServices{
            port, boxes, nullptr, nullptr, nullptr, nullptr, dir.filePath(u"zolprint.ini"_s),
            nullptr, nullptr, dir.filePath(u"recovery"_s)});
        window->Form_Load();
        window->offerRecovery();
        return window;
    };

    // The next start offers the pages, and Yes brings them back exactly,
    // the correction included, as pages that are not saved yet.
    FakeSerialPort port;
    FakeMessageBoxes boxes;
    boxes.answers = {true};
    auto window = start(port, boxes);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, u"ZOL Print"_s);
    QVERIFY2(boxes.shown[0].text.startsWith(u"Unsaved pages from "_s) &&
                 boxes.shown[0].text.endsWith(u" were found. Restore them?"_s),
             qPrintable(boxes.shown[0].text));
    const PageStore &pages = window->state().pages;
    QCOMPARE(pages.pagesInUse(),
             (QStringList{u"Ok Eik 12.5 %\r\n"_s, u" Beuk 14.2 %\r\n"_s, u" Es 11.0 %\r\n"_s}));
    QCOMPARE(control<TextBox>(*window, u"txtVenster"_s)->text(), u"Ok Eik 12.5 %\r\n"_s);
    QVERIFY(window->isWindowModified());
    QCOMPARE(QDir(recovery).entryList({u"*.zolrecovery"_s}, QDir::Files).size(), 1);

    // A second program started beside it is offered nothing: the pages are
    // this one's now.
    FakeSerialPort otherPort;
    FakeMessageBoxes otherBoxes;
    auto other = start(otherPort, otherBoxes);
    QVERIFY(otherBoxes.shown.isEmpty());
    other.reset();
    window.reset();

    // Killed again, and this time the user does not want them: gone.
    QVERIFY(crash());
    FakeSerialPort thirdPort;
    FakeMessageBoxes thirdBoxes;
    thirdBoxes.answers = {false, false};
    auto third = start(thirdPort, thirdBoxes);
    // The one left by the window closed above without a question, and the
    // one just killed: both offered in turn, newest first, at two starts.
    QCOMPARE(thirdBoxes.shown.size(), 1);
    third->offerRecovery();
    QCOMPARE(thirdBoxes.shown.size(), 2);
    QVERIFY(QDir(recovery).entryList({u"*.zolrecovery"_s}, QDir::Files).isEmpty());
    QCOMPARE(third->state().pages.sPage(0), QString());
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
