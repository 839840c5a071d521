#include "accessibility.h"
#include "controls.h"
#include "messagebox.h"
#include "messageboxkeys.h"
#include "screenreader.h"
#include "statusbar.h"
#include "textbox.h"
#include "toolfixture.h"
#include "zol6frames.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

using namespace zol;
using namespace Qt::StringLiterals;

namespace zol::test {

namespace {

// COM1 as a line names it, with the device it stands for.
#ifdef Q_OS_WIN
const QString kCom1 = u"COM1"_s;
#else
const QString kCom1 = u"COM1 = /dev/ttyS0"_s;
#endif
// What kVersionReply shows.
const QString kVersionLines = u"Meter: ZOL6    \r\nHardware: HW12\r\nSoftware: 6.03\r\n"
                              u"Serial: 0012 456\r\nBattery status: 2\r\n"_s;

} // namespace

class FrmMainTest : public QObject
{
    Q_OBJECT

private slots:
    void startUp();
    void controls_data();
    void controls();
    void sizeAt96Dpi();
    void getSerial();
    void programUserName();
    void namesAsTheMeterGetsThem_data();
    void namesAsTheMeterGetsThem();
    void keysOnTheOneTimeQuestion_data();
    void keysOnTheOneTimeQuestion();
    void removeUserName();
    void timeOut();
    void replies_data();
    void replies();
    void leftoverFromTimedOutReply();
    void unusablePortNumber_data();
    void unusablePortNumber();
    void portThatWillNotOpen();
    void portLost_data();
    void portLost();
    void commandThatCannotBeWritten();
    void oversizedBuffer();
    void comPortNumberChanges();
    void closingTheWindow_data();
    void closingTheWindow();
    void focusAndLogsAfterACommand();
    void nameKeepsToTheCodePage();
    void whatAScreenReaderHears();
};

void FrmMainTest::startUp()
{
    ToolFixture tool;
    frmMain &w = tool.window();
    QCOMPARE(w.objectName(), u"frmMain"_s);
    QCOMPARE(w.windowTitle(), u"ZOL6 user name programming tool vs 1.00"_s);
    QCOMPARE(tool.txtComPort()->text(), u"1"_s);
    QVERIFY(tool.txtName()->text().isEmpty());
    QVERIFY(!tool.tmrTimeout()->isActive());
    QVERIFY(tool.status().isEmpty());
    QVERIFY(tool.port.calls.isEmpty());
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(tool.statusBar()->panelCount(), 1);

    QVERIFY(tool.showActive());
    QCOMPARE(QApplication::focusWidget(), tool.txtName());
    QVERIFY(!tool.cmdRemove()->isVisible());
    tool.verifyState(false, "start");

    // Fixed size, centred.
    QCOMPARE(w.minimumSize(), w.maximumSize());
    const QRect screen = w.screen()->availableGeometry();
    QVERIFY(qAbs(w.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w.frameGeometry().center().y() - screen.center().y()) <= 1);

    // The name box takes twelve characters and no more.
    QTest::keyClicks(tool.txtName(), u"ABCDEFGHIJKLMNO"_s);
    QCOMPARE(tool.txtName()->text(), u"ABCDEFGHIJKL"_s);

    // Tab order: name, port, Get serial, Program, the two logs, and round.
    const QList<QWidget *> order = {tool.txtComPort(), tool.cmdGetserial(), tool.cmdProgram(),
                                    tool.txtData(),    tool.txtErrors(),    tool.txtName()};
    for (QWidget *expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
}

// The row's name is the control's: found under it as a child of the window,
// with its caption and its place at 96 DPI.
void FrmMainTest::controls_data()
{
    QTest::addColumn<QString>("caption"); // null: it has none
    QTest::addColumn<QRect>("at96Dpi");

    QTest::newRow("Label1") << u"Data:"_s << QRect(8, 8, 145, 17);
    QTest::newRow("txtData") << QString() << QRect(8, 24, 209, 67);
    QTest::newRow("lblErrors") << u"Errors/ warnings:"_s << QRect(224, 8, 217, 17);
    QTest::newRow("txtErrors") << QString() << QRect(224, 24, 225, 65);
    QTest::newRow("cmdGetserial") << u"Get serial"_s << QRect(8, 96, 145, 25);
    QTest::newRow("lblComport") << u"COM port:"_s << QRect(160, 96, 57, 17);
    QTest::newRow("txtComPort") << QString() << QRect(224, 96, 25, 19);
    QTest::newRow("cmdRemove") << u"Remove user name"_s << QRect(256, 96, 145, 25);
    QTest::newRow("cmdProgram") << u"Program user name"_s << QRect(8, 128, 145, 25);
    QTest::newRow("lblName") << u"Name:"_s << QRect(160, 128, 49, 17);
    QTest::newRow("txtName") << QString() << QRect(216, 128, 89, 19);
    QTest::newRow("StatusBar1") << QString() << QRect(0, 160, 474, 17);
}

void FrmMainTest::controls()
{
    QFETCH(QString, caption);
    QFETCH(QRect, at96Dpi);

    ToolFixture tool;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QWidget *widget = tool.window().findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    QVERIFY(widget);
    if (!caption.isNull()) {
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            QCOMPARE(label->text(), caption);
        else
            QCOMPARE(qobject_cast<const QAbstractButton *>(widget)->text(), caption);
    }
    if (!qFuzzyCompare(widget->screen()->logicalDotsPerInchY(), 96.0))
        QSKIP("the places are for 96 DPI");
    QCOMPARE(widget->geometry(), at96Dpi);
}

void FrmMainTest::sizeAt96Dpi()
{
    ToolFixture tool;
    if (!qFuzzyCompare(tool.window().screen()->logicalDotsPerInchY(), 96.0))
        QSKIP("the figures below are for 96 DPI");
    QCOMPARE(tool.window().size(), QSize(474, 177));
    QCOMPARE(tool.statusBar()->panelLabel(1)->width(), 96);
}

void FrmMainTest::getSerial()
{
    ToolFixture tool;
    tool.txtErrors()->setText(u"old errors\r\n"_s);
    tool.txtData()->setText(u"old data\r\n"_s);
    tool.window().show();
    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);

    QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"_s);
    QVERIFY(tool.data().isEmpty());
    QCOMPARE(tool.port.written, QList<QByteArray>{kVersionCommand});
    QCOMPARE(tool.port.line(), u"COM1 9600,n,8,1 handshaking 0 threshold 1 dtr 1 rts 0"_s);
    QVERIFY(tool.port.isOpen());
    tool.verifyState(true, "sent");

    // A click on a disabled button is no command.
    QTest::mouseClick(tool.cmdGetserial(), Qt::LeftButton);
    QCOMPARE(tool.port.written.size(), 1);

    tool.port.receive(kVersionReply);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);
    QCOMPARE(tool.data(), kVersionLines);
    QCOMPARE(tool.status(), u"Ready"_s);
    QCOMPARE(tool.port.calls.last(), u"close"_s);
    tool.verifyState(false, "answered");
}

void FrmMainTest::programUserName()
{
    ToolFixture tool;
    tool.txtName()->setText(u"AB"_s);
    tool.txtErrors()->setText(u"kept\r\n"_s);
    tool.txtData()->setText(u"kept too\r\n"_s);
    tool.boxes.answers = {false};
    tool.window().cmdProgram_Click();

    QCOMPARE(tool.txtName()->text(), u"AB          "_s);
    QCOMPARE(tool.boxes.shown.size(), 1);
    const FakeMessageBoxes::Shown &box = tool.boxes.shown.first();
    QVERIFY(box.question);
    QCOMPARE(box.title, u"ZOL6 user name programming tool"_s);
    // The name the meter will keep for good, spaces and all, on a line of its own.
    QCOMPARE(box.text, u"Only one time programming possible, continue?\n\"AB          \""_s);
    QCOMPARE(box.icon, MessageBoxes::Icon::None);
    QCOMPARE(box.defaultAnswer, MessageBoxes::Answer::No);
    QVERIFY(tool.port.calls.isEmpty());
    QCOMPARE(tool.errors(), u"kept\r\n"_s);
    QCOMPARE(tool.data(), u"kept too\r\n"_s);
    tool.verifyState(false, "declined");

    // Asked again, with the name already filled: nothing more is added.
    tool.boxes.answers = {true};
    tool.window().cmdProgram_Click();
    QCOMPARE(tool.errors(), u"Program command to ZOL (AB          )\r\n"_s);
    QVERIFY(tool.data().isEmpty());
    QCOMPARE(tool.port.written, QList<QByteArray>{kProgramAbCommand});
    tool.verifyState(true, "programming");
    // A version record asked for earlier is no answer to this command.
    tool.port.receive(kVersionReply + kErrorReply);
    QCOMPARE(tool.errors(), u"Program command to ZOL (AB          )\r\n"
                            u"Late reply to an earlier command: Version received from ZOL\r\n"
                            u"ERROR received from ZOL\r\n"_s);
    QCOMPARE(tool.data(), kVersionLines);
    tool.verifyState(false, "refused");
}

void FrmMainTest::namesAsTheMeterGetsThem_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("padded");   // what the name box shows after the click
    QTest::addColumn<QByteArray>("frame"); // empty: nothing is asked or sent, a name is asked for

    QTest::newRow("two letters") << u"AB"_s << u"AB          "_s << kProgramAbCommand;
    // Its check falls below 32 and is lifted.
    QTest::newRow("three letters") << u"ABC"_s << u"ABC         "_s << kProgramAbcCommand;
    QTest::newRow("twelve letters")
        << u"ABCDEFGHIJKL"_s << u"ABCDEFGHIJKL"_s << kProgramTwelveCommand;
    // The meter's one programming is not spent on a blank name.
    QTest::newRow("one space") << u" "_s << u" "_s << QByteArray();
    QTest::newRow("twelve spaces") << QString(12, u' ') << QString(12, u' ') << QByteArray();
    QTest::newRow("none") << QString() << QString() << QByteArray();
}

void FrmMainTest::namesAsTheMeterGetsThem()
{
    QFETCH(QString, typed);
    QFETCH(QString, padded);
    QFETCH(QByteArray, frame);

    ToolFixture tool;
    tool.txtName()->setText(typed);
    tool.window().cmdProgram_Click();
    QCOMPARE(tool.txtName()->text(), padded);
    if (frame.isEmpty()) {
        QCOMPARE(tool.errors(), u"A name is needed: type the user name in the Name box\r\n"_s);
        QVERIFY(tool.boxes.shown.isEmpty());
        QVERIFY(tool.port.calls.isEmpty());
        QVERIFY(tool.status().isEmpty());
        return;
    }
    QCOMPARE(tool.boxes.shown.size(), 1);
    QCOMPARE(tool.port.written, QList<QByteArray>{frame});
    QCOMPARE(tool.errors(), u"Program command to ZOL ("_s + padded + u")\r\n"_s);
    tool.port.receive(kOkReply);
    tool.verifyState(false, "programmed");
}

void FrmMainTest::keysOnTheOneTimeQuestion_data()
{
    addKeysOnASafeQuestionRows();
}

void FrmMainTest::keysOnTheOneTimeQuestion()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, yes);

    // The real window and the real question.
    QtMessageBoxes boxes;
    ToolFixture tool;
    tool.withMessageBoxes(boxes);
    QVERIFY(tool.showExposed());
    tool.txtName()->setText(u"AB"_s);
    tool.cmdProgram()->setFocus();

    MessageBoxKeys answer(keys);
    QTest::keyClick(tool.cmdProgram(), Qt::Key_Space);
    QVERIFY(answer.seen());
    QVERIFY(answer.closedByKeys());
    QCOMPARE(answer.defaultButton(), QMessageBox::No);
    QCOMPARE(answer.focusButton(), QMessageBox::No);
    if (yes) {
        QCOMPARE(tool.port.written, QList<QByteArray>{kProgramAbCommand});
    } else {
        QVERIFY(tool.port.written.isEmpty());
        QVERIFY(tool.port.calls.isEmpty());
        QVERIFY(tool.errors().isEmpty());
    }
}

void FrmMainTest::removeUserName()
{
    ToolFixture tool;
    tool.window().cmdRemove_Click();
    QVERIFY(tool.boxes.shown.isEmpty());
    QCOMPARE(tool.errors(), u"Clear command to ZOL\r\n"_s);
    QCOMPARE(tool.port.written, QList<QByteArray>{kClearNameCommand});
    tool.verifyState(true, "clearing");
    tool.port.receive(kOkReply);
    tool.verifyState(false, "cleared");
}

void FrmMainTest::timeOut()
{
    ToolFixture tool;
    tool.window().cmdGetserial_Click();
    tool.port.receive(kVersionReply.first(2));
    tool.window().tmrTimeout_Timer();
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"_s + kTimeoutLines);
    QCOMPARE(tool.status(), u"Ready"_s);
    tool.verifyState(false, "timed out");
    QCOMPARE(tool.port.calls.last(), u"close"_s);

    // The next command starts from fresh logs.
    tool.window().cmdGetserial_Click();
    tool.window().tmrTimeout_Timer();
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"_s + kTimeoutLines);
}

// What the meter sends after a command, in the pieces the port delivers
// it in, and what the logs then say.
void FrmMainTest::replies_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QString>("answer"); // the log's lines after the command's
    QTest::addColumn<QString>("data");

    const QString ok = u"OK received from ZOL\r\n"_s;
    const QString version = u"Version received from ZOL\r\n"_s;
    QTest::newRow("OK") << QList<QByteArray>{kOkReply} << ok << QString();
    QTest::newRow("ERROR") << QList<QByteArray>{kErrorReply} << u"ERROR received from ZOL\r\n"_s
                           << QString();
    QTest::newRow("curve programmed")
        << QList<QByteArray>{kCurveReply} << u"Curve programming OK\r\n"_s << QString();
    // Six characters are not a reply yet, the seventh completes it.
    QTest::newRow("six characters, then the seventh")
        << QList<QByteArray>{kOkReply.first(6), kOkReply.sliced(6)} << ok << QString();
    QList<QByteArray> oneByOne;
    for (char b : kOkReply)
        oneByOne.append(QByteArray(1, b));
    QTest::newRow("one character a notification") << oneByOne << ok << QString();
    // A wrong check is reported first, then the reply is acted on.
    QByteArray badCheck = kOkReply;
    badCheck.back() = 'X';
    QTest::newRow("wrong check") << QList<QByteArray>{badCheck} << u"CRC Error\r\n"_s + ok
                                 << QString();
    // A data byte equal to ETX that happens to stand second-to-last ends
    // the reply there.
    QTest::newRow("ETX second-to-last") << QList<QByteArray>{"\x02"
                                                             "o0001"
                                                             "\x03"
                                                             "x"_ba}
                                        << u"CRC Error\r\n"_s + ok << QString();
    // A reply code the tool does not know (a command's own letter here).
    QTest::newRow("unknown code") << QList<QByteArray>{kVersionCommand}
                                  << u"Unknown reply from ZOL\r\n"_s << QString();
    QTest::newRow("version record in two parts")
        << QList<QByteArray>{kVersionReply.first(20), kVersionReply.sliced(20)} << version
        << kVersionLines;
    // A short record with a wrong check still shows every label.
    QTest::newRow("short version record")
        << QList<QByteArray>{kVersionReply.first(24) + "\x03!"_ba} << u"CRC Error\r\n"_s + version
        << u"Meter: ZOL6    \r\nHardware: HW12\r\nSoftware: 6.03\r\n"
           u"Serial: 001\x03!\r\nBattery status: \r\n"_s;

    // Line noise ahead of the reply, alone or in a chunk with it; noise that
    // is byte 2 as well, even where the reply itself is cut into pieces.
    QTest::newRow("noise") << QList<QByteArray>{"\xFF"_ba, "\x00\x03"_ba + kOkReply.first(4),
                                                kOkReply.sliced(4)}
                           << ok << QString();
    QTest::newRow("stray STX, same chunk")
        << QList<QByteArray>{"\x02"_ba + kOkReply} << ok << QString();
    QTest::newRow("stray STX, own chunk")
        << QList<QByteArray>{"\x02"_ba, kOkReply} << ok << QString();
    QTest::newRow("stray STXs, reply cut")
        << QList<QByteArray>{"\x02"_ba, "\x02"_ba, kOkReply.first(1), kOkReply.sliced(1)} << ok
        << QString();
    QTest::newRow("stray STXs among noise, reply cut")
        << QList<QByteArray>{"\x02\x00\xFF\x02"_ba, kOkReply.first(3), kOkReply.sliced(3)} << ok
        << QString();
    QTest::newRow("stray STX, version record")
        << QList<QByteArray>{"\x02"_ba + kVersionReply} << version << kVersionLines;
    // Bytes behind a whole reply in the same read are no part of it.
    QTest::newRow("line end behind") << QList<QByteArray>{kOkReply + "\r\n"_ba} << ok << QString();
    QTest::newRow("NUL behind the version record")
        << QList<QByteArray>{kVersionReply.first(30), kVersionReply.sliced(30) + "\0"_ba} << version
        << kVersionLines;
    // An earlier Program's OK, come after its time-out, is told as such, and
    // the version record is still awaited.
    QTest::newRow("late OK, then the version record")
        << QList<QByteArray>{kOkReply.first(3), kOkReply.sliced(3) + kVersionReply}
        << u"Late reply to an earlier command: OK received from ZOL\r\n"_s + version
        << kVersionLines;
}

void FrmMainTest::replies()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, answer);
    QFETCH(QString, data);

    // A version record is asked for with Get serial; OK and ERROR answer
    // the clearing of the name.
    const bool version = !data.isEmpty();
    const QString sent = version ? u"Version command to ZOL\r\n"_s : u"Clear command to ZOL\r\n"_s;
    ToolFixture tool;
    frmMain &w = tool.window();
    // Twice, so that nothing of one exchange spoils the next.
    for (int round = 0; round < 2; ++round) {
        version ? w.cmdGetserial_Click() : w.cmdRemove_Click();
        for (qsizetype i = 0; i < chunks.size(); ++i) {
            tool.verifyState(true, "before a chunk");
            tool.port.receive(chunks.at(i));
            if (i + 1 < chunks.size()) {
                QCOMPARE(tool.errors(), sent);
                QVERIFY(tool.data().isEmpty());
            }
        }
        QCOMPARE(tool.errors(), sent + answer);
        QCOMPARE(tool.data(), data);
        QCOMPARE(tool.status(), u"Ready"_s);
        tool.verifyState(false, "answered");
    }

    // The next reply stands on its own.
    tool.window().cmdRemove_Click();
    tool.port.receive(kOkReply);
    QCOMPARE(tool.errors(), u"Clear command to ZOL\r\nOK received from ZOL\r\n"_s);
    QVERIFY(tool.data().isEmpty());
}

void FrmMainTest::leftoverFromTimedOutReply()
{
    ToolFixture tool;
    tool.window().cmdGetserial_Click();
    tool.port.receive(kVersionReply.first(30));
    tool.window().tmrTimeout_Timer();
    // What came of the unanswered reply does not stand in front of the next.
    tool.window().cmdGetserial_Click();
    tool.port.receive(kVersionReply);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);
    QCOMPARE(tool.data(), kVersionLines);
}

void FrmMainTest::unusablePortNumber_data()
{
    QTest::addColumn<QString>("typed");
    for (const QString &typed : {u"abc"_s, u"0"_s, u"256"_s, u"1.5"_s, u""_s, u"-2"_s})
        QTest::newRow(qPrintable(u'"' + typed + u'"')) << typed;
}

void FrmMainTest::unusablePortNumber()
{
    QFETCH(QString, typed);

    ToolFixture tool;
    tool.txtComPort()->setText(typed);
    tool.window().cmdGetserial_Click();
    // An empty box is not a port that would not open.
    QCOMPARE(
        tool.errors(),
        (typed.isEmpty() ? u"No COM port number given"_s
                         : u"COM port \""_s + typed + u"\" is not a port"_s) +
            u": type 1 to 255, or COM1 to COM255\r\nSerial ports on this computer: none\r\n"_s);
    QVERIFY(tool.port.calls.isEmpty());
    QCOMPARE(tool.status(), u"Ready"_s);
    tool.verifyState(false, "bad number");
}

void FrmMainTest::portThatWillNotOpen()
{
    ToolFixture tool;
    tool.port.failOpenWith = u"Permission denied"_s;
#ifdef Q_OS_WIN
    // Two, as the list has room for whole.
    tool.withPorts({{u"COM1"_s, QString()}, {u"COM5"_s, u"USB Serial Port"_s}});
    const QString ports = u"COM1\nCOM5 (USB Serial Port)"_s;
#else
    tool.withPorts({{u"/dev/ttyS0"_s, QString()}, {u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s}});
    const QString ports = u"COM1 = /dev/ttyS0\nCOM5 = /dev/ttyUSB0 (FT232R USB UART)"_s;
#endif
    // The numbers the box takes are there before any command.
    QVERIFY(tool.showExposed());
    QTRY_COMPARE(control<QLabel>(tool.window(), u"lblPorts"_s)->text(), ports);
    tool.txtName()->setText(u"Z"_s);
    tool.txtData()->setText(u"x\r\n"_s);
    tool.window().cmdProgram_Click();
    QCOMPARE(tool.errors(), kCom1 + u" cannot be opened: Permission denied\r\n"_s +
                                u"Serial ports on this computer: "_s +
                                QString(ports).replace(u'\n', u", "_s) + u"\r\n"_s);
    // The cause is the first line, and it is in sight.
    TextBox *txtErrors = tool.txtErrors();
    QVERIFY(txtErrors->verticalScrollBar()->maximum() > 0);
    QCOMPARE(txtErrors->cursorForPosition(QPoint(2, 2)).blockNumber(), 0);
    QVERIFY(tool.data().isEmpty());
    QVERIFY(tool.port.written.isEmpty());
    tool.verifyState(false, "open failed");

    // Once the port can be had, the same command goes through.
    tool.port.failOpenWith.clear();
    tool.window().cmdProgram_Click();
    QCOMPARE(tool.port.written.size(), 1);
    tool.verifyState(true, "open now");
}

// The line goes (the cable pulled, the adapter gone): the tool says so at
// once, with the system's reason, and is ready again.
void FrmMainTest::portLost_data()
{
    QTest::addColumn<bool>("waiting");      // for a reply when the line goes
    QTest::addColumn<QByteArray>("read");   // before the loss
    QTest::addColumn<QByteArray>("unread"); // arrived, not yet read, at the loss
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("answer"); // the log's lines after the command's

    const QString lost = u"COM port lost: Input/output error\r\n"_s;
    QTest::newRow("idle") << false << QByteArray() << QByteArray() << u"Input/output error"_s
                          << QString();
    QTest::newRow("part of a reply read")
        << true << kOkReply.first(3) << QByteArray() << u"Input/output error"_s << lost;
    // A reply that came in full before the line went is still taken.
    QTest::newRow("whole reply unread")
        << true << QByteArray() << kErrorReply << u"Input/output error"_s
        << u"ERROR received from ZOL\r\n"_s;
    // Half a reply before the loss is not mistaken for one.
    QTest::newRow("half a reply unread")
        << true << QByteArray() << kVersionReply.first(40) << u"No such device"_s
        << u"COM port lost: No such device\r\n"_s;
}

void FrmMainTest::portLost()
{
    QFETCH(bool, waiting);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, unread);
    QFETCH(QString, reason);
    QFETCH(QString, answer);

    ToolFixture tool;
    tool.txtErrors()->setText(u"earlier\r\n"_s);
    if (waiting)
        tool.window().cmdRemove_Click();
    if (!read.isEmpty())
        tool.port.receive(read);
    if (!unread.isEmpty()) {
        const QSignalBlocker unnoticed(tool.port);
        tool.port.receive(unread);
    }
    emit tool.port.lost(reason);

    if (!waiting) {
        QCOMPARE(tool.errors(), u"earlier\r\n"_s);
        QVERIFY(tool.port.calls.isEmpty());
        return;
    }
    QCOMPARE(tool.errors(), u"Clear command to ZOL\r\n"_s + answer);
    QVERIFY(tool.data().isEmpty());
    QCOMPARE(tool.status(), u"Ready"_s);
    QCOMPARE(tool.port.calls.last(), u"close"_s);
    tool.verifyState(false, "lost");

    // The port comes back: the next command is answered as ever.
    tool.window().cmdRemove_Click();
    tool.port.receive(kOkReply);
    QCOMPARE(tool.errors(), u"Clear command to ZOL\r\nOK received from ZOL\r\n"_s);
}

void FrmMainTest::commandThatCannotBeWritten()
{
    // The system refuses the command: said at once, with its reason, rather
    // than after the time-out with hints about the meter.
    ToolFixture tool;
    tool.port.failWriteWith = u"Input/output error"_s;
    tool.window().cmdGetserial_Click();
    QCOMPARE(tool.errors(),
             u"Version command to ZOL\r\nCOM port cannot be written: Input/output error\r\n"_s);
    QCOMPARE(tool.status(), u"Ready"_s);
    QVERIFY(tool.port.written.isEmpty());
    QCOMPARE(tool.port.calls.last(), u"close"_s);
    tool.verifyState(false, "not written");

    // Once the port takes it, the same command goes through.
    tool.port.failWriteWith.clear();
    tool.window().cmdGetserial_Click();
    QCOMPARE(tool.port.written.size(), 1);
    tool.verifyState(true, "written");
    tool.port.receive(kVersionReply);
    tool.verifyState(false, "answered");
}

void FrmMainTest::oversizedBuffer()
{
    ToolFixture tool;
    tool.window().cmdRemove_Click();
    const QByteArray flood = "\x02o"_ba + QByteArray(SerialPort::kMaxRead - 2, '\x01');
    tool.port.receive(flood);
    tool.port.receive(QByteArray(500, '\x01') + kOkReply);
    QCOMPARE(tool.errors(), u"Clear command to ZOL\r\nOK received from ZOL\r\n"_s);
    tool.verifyState(false, "after flood");

    tool.window().cmdRemove_Click();
    for (int i = 0; i < 4; ++i)
        tool.port.receive(flood);
    tool.verifyState(true, "flooded");
}

void FrmMainTest::comPortNumberChanges()
{
    ToolFixture tool;
    tool.txtComPort()->setText(u"2"_s);
    tool.window().cmdGetserial_Click();
    QCOMPARE(tool.port.calls.first(), u"port 2"_s);
    QCOMPARE(tool.port.commPort(), 2);
    tool.port.receive(kVersionReply);

    tool.port.calls.clear();
    tool.txtComPort()->setText(u" 17"_s);
    tool.window().cmdRemove_Click();
    QCOMPARE(tool.port.calls.first(), u"port 17"_s);
}

void FrmMainTest::closingTheWindow_data()
{
    QTest::addColumn<bool>("waiting"); // for a reply when the window closes
    QTest::newRow("idle") << false;
    QTest::newRow("waiting") << true;
}

void FrmMainTest::closingTheWindow()
{
    QFETCH(bool, waiting);

    ToolFixture tool;
    tool.window().show();
    if (waiting)
        tool.window().cmdGetserial_Click();
    tool.window().close();
    QVERIFY(!tool.port.isOpen());
    // Closed when it was open, and only then.
    QCOMPARE(tool.port.calls.contains(u"close"_s), waiting);
    if (waiting)
        QCOMPARE(tool.port.calls.last(), u"close"_s);
    QVERIFY(!tool.tmrTimeout()->isActive());
}

void FrmMainTest::focusAndLogsAfterACommand()
{
    ToolFixture tool;
    frmMain &w = tool.window();
    QVERIFY(tool.showActive());
    QPushButton *getSerial = tool.cmdGetserial();
    TextBox *txtErrors = tool.txtErrors();
    // What a screen reader follows: the window's focused child.
    auto focused = [&w] {
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&w);
        QAccessibleInterface *child = window ? window->focusChild() : nullptr;
        return child ? child->object() : nullptr;
    };

    // Answered: the button is disabled while waiting, then has the focus back.
    QTest::mouseClick(getSerial, Qt::LeftButton);
    QVERIFY(!getSerial->hasFocus());
    tool.port.receive(kVersionReply);
    QCOMPARE(QApplication::focusWidget(), getSerial);
    QCOMPARE(focused(), getSerial);
    // Enter was not used on a log: Space on the focused button repeats the command.
    QTest::keyClick(getSerial, Qt::Key_Space);
    QCOMPARE(tool.port.written.size(), 2);

    // Timed out: the focus is on the button again, and the log shows its
    // newest line, which does not fit the box with the lines before it.
    w.tmrTimeout_Timer();
    QCOMPARE(QApplication::focusWidget(), getSerial);
    QScrollBar *scroll = txtErrors->verticalScrollBar();
    QVERIFY(scroll->maximum() > 0);
    QCOMPARE(scroll->value(), scroll->maximum());
    QTextCursor end = txtErrors->textCursor();
    end.movePosition(QTextCursor::End);
    QVERIFY(txtErrors->viewport()->rect().contains(txtErrors->cursorRect(end).center()));
    // A screen reader reaching the log with Tab reads it from the top.
    QCOMPARE(txtErrors->textCursor().position(), 0);

    // The open failed: nothing was disabled, and the focus is where the
    // command was started, not in a box.
    tool.port.failOpenWith = u"Device or resource busy"_s;
    tool.txtName()->setText(u"Jan"_s);
    tool.boxes.answers = {true};
    tool.txtName()->setFocus();
    w.cmdProgram_Click();
    QCOMPARE(QApplication::focusWidget(), tool.cmdProgram());
    QVERIFY(txtErrors->text().startsWith(kCom1 + u" cannot be opened: Device"_s));
}

void FrmMainTest::nameKeepsToTheCodePage()
{
    ToolFixture tool;
    QVERIFY(tool.showActive());
    QLineEdit *txtName = tool.txtName();
    txtName->setFocus();

    // Characters outside the code page are refused key by key; é and ó are
    // in it, and so is the euro sign.
    typeText(txtName, u"Łukasz Żółć"_s);
    QCOMPARE(txtName->text(), u"ukasz ó"_s);
    txtName->clear();
    typeText(txtName, u"René €5"_s);
    QCOMPARE(txtName->text(), u"René €5"_s);

    // A paste with one such character is refused whole, as typing it would be.
    txtName->clear();
    QApplication::clipboard()->setText(u"Zoë Ωmega"_s);
    txtName->paste();
    QCOMPARE(txtName->text(), QString());
    QApplication::clipboard()->setText(u"Zoë"_s);
    txtName->paste();
    QCOMPARE(txtName->text(), u"Zoë"_s);

    // What the box shows goes to the meter byte for byte, and the log shows
    // the same text.
    tool.boxes.answers = {true};
    tool.window().cmdProgram_Click();
    QCOMPARE(tool.port.written.size(), 1);
    QCOMPARE(tool.port.written.first().mid(5, 12), "Zo\xEB         "_ba);
    QCOMPARE(tool.errors(), u"Program command to ZOL (Zoë         )\r\n"_s);
}

void FrmMainTest::whatAScreenReaderHears()
{
    QAccessible::setActive(true);
    ToolFixture tool;
    frmMain &w = tool.window();
    w.show();
    const QStringList problems = unnamedControls(&w);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_s)));
    // Boxes are read by their headings.
    QCOMPARE(spokenName(tool.txtData()), u"Data:"_s);
    QCOMPARE(spokenName(tool.txtErrors()), u"Errors/ warnings:"_s);
    QCOMPARE(spokenName(tool.txtComPort()), u"COM port:"_s);
    QCOMPARE(spokenName(tool.txtName()), u"Name:"_s);
    QCOMPARE(spokenName(tool.cmdGetserial()), u"Get serial"_s);
    QCOMPARE(spokenName(&w), u"ZOL6 user name programming tool vs 1.00"_s);

    // The logs are read as text, line by line as they are shown.
    w.cmdGetserial_Click();
    tool.port.receive(kVersionReply);
    auto textOf = [](TextBox *box) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(box);
        QAccessibleTextInterface *text = iface ? iface->textInterface() : nullptr;
        return text ? text->text(0, text->characterCount()) : QString();
    };
    QCOMPARE(textOf(tool.txtErrors()), u"Version command to ZOL\nVersion received from ZOL\n"_s);
    QVERIFY2(textOf(tool.txtData()).contains(u"Serial: 0012 456\n"_s),
             qPrintable(textOf(tool.txtData())));
    QVERIFY(spokenNamesBelow(&w).contains(u"Ready"_s));

    // A window to a screen reader, with a status bar that its status-bar
    // command finds.
    QCOMPARE(QAccessible::queryAccessibleInterface(&w)->role(), QAccessible::Window);
    StatusBar *bar = tool.statusBar();
    QCOMPARE(QAccessible::queryAccessibleInterface(bar)->role(), QAccessible::StatusBar);

    // Every log line and the status are announced as they come, those of one
    // moment as one message, and nothing takes the focus for it.
    auto spoken = [bar] {
        QCoreApplication::processEvents();
        QStringList said;
        for (Announcement *a : bar->findChildren<Announcement *>()) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(a);
            if (a->isVisible() && iface->role() == QAccessible::Notification)
                said.append(iface->text(QAccessible::Name));
            delete a;
        }
        return said;
    };
    spoken();
    QPushButton *getSerial = tool.cmdGetserial();
    getSerial->setFocus();
    w.cmdGetserial_Click();
    QCOMPARE(spoken(), QStringList{u"Version command to ZOL. Waiting..."_s});
    tool.port.receive(kVersionReply);
    const QStringList said = spoken();
    QCOMPARE(said.size(), 1);
    QVERIFY2(said.first().startsWith(u"Version received from ZOL. Meter: "_s),
             qPrintable(said.first()));
    QVERIFY2(said.first().contains(u"Serial: 0012 456. "_s), qPrintable(said.first()));
    QVERIFY2(said.first().endsWith(u". Ready"_s), qPrintable(said.first()));
    QCOMPARE(QApplication::focusWidget(), getSerial);

    // A port that does not open is announced with its reason.
    tool.port.failOpenWith = u"Device or resource busy"_s;
    w.cmdGetserial_Click();
    const QStringList failed = spoken();
    QCOMPARE(failed.size(), 1);
    QVERIFY2(failed.first().startsWith(kCom1 + u" cannot be opened: Device or resource busy"_s),
             qPrintable(failed.first()));
    QVERIFY2(failed.first().endsWith(u"Ready"_s), qPrintable(failed.first()));
}

} // namespace zol::test

QTEST_MAIN(zol::test::FrmMainTest)
#include "tst_frmmain.moc"
