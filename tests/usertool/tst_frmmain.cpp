#include "accessibility.h"
#include "controls.h"
#include "fakemessageboxes.h"
#include "fakeportlister.h"
#include "fakeserialport.h"
#include "frmmain.h"
#include "messagebox.h"
#include "messageboxkeys.h"
#include "screenreader.h"
#include "statusbar.h"
#include "textbox.h"

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

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const QByteArray kVersionFrame = hex("02563030300367");
const QByteArray kOkReply = hex("026f303030035e");
const QByteArray kErrorReply = hex("02663030300357");
const QByteArray kCurveReply = hex("02773030300346");
const QString kTimeoutLines =
    u"Timeout occured!\r\nSoftware version 6.03 or later?\r\n"
    u"Check cable and COM port setting\r\nSet ZOL to *5 - connection\r\n"_s;

// The version record of a meter, 44 characters, with NUL padding in the
// meter name and inside the serial number.
QByteArray versionReply()
{
    QByteArray reply = hex("0276303030") + QByteArray("ZOL6\0\0\0\0", 8) + "HW12" + "6.03" +
                       QByteArray("0012\0"
                                  "456",
                                  8) +
                       "ABCDEFGHIJKL" + "2" + hex("03");
    unsigned char check = 0;
    for (char b : reply)
        check ^= static_cast<unsigned char>(b);
    reply.append(static_cast<char>(check < 32 ? check + 32 : check));
    return reply;
}

// Typing as a keyboard with these characters on its keys would: one key
// event each, carrying the character as its text.
void typeText(QWidget *widget, const QString &text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

struct Tool
{
    Tool() { window.Form_Load(); }

    QString errors() const { return control<TextBox>(window, u"txtErrors"_s)->text(); }
    QString data() const { return control<TextBox>(window, u"txtData"_s)->text(); }
    QString status() const { return control<StatusBar>(window, u"StatusBar1"_s)->panelText(1); }

    // Every control in the state of an Idle window, or one waiting for its
    // reply; a message names the first that is not.
    void verifyState(bool waiting, const char *where)
    {
        const QString at = QString::fromLatin1(where) + u": "_s;
        for (QWidget *w :
             std::initializer_list<QWidget *>{control<QPushButton>(window, u"cmdGetserial"_s),
                                              control<QPushButton>(window, u"cmdProgram"_s),
                                              control<QPushButton>(window, u"cmdRemove"_s),
                                              control<QLineEdit>(window, u"txtName"_s)})
            QVERIFY2(w->isEnabled() == !waiting, qPrintable(at + w->objectName()));
        QVERIFY2(control<QLineEdit>(window, u"txtComPort"_s)->isEnabled() == !waiting,
                 qPrintable(at + u"txtComPort"_s));
        QVERIFY2(port.isOpen() == waiting, qPrintable(at + u"port"_s));
        QVERIFY2(control<QTimer>(window, u"tmrTimeout"_s)->isActive() == waiting,
                 qPrintable(at + u"tmrTimeout"_s));
        if (waiting)
            QCOMPARE(status(), u"Waiting..."_s);
        QVERIFY2(control<QPushButton>(window, u"cmdRemove"_s)->isHidden(),
                 qPrintable(at + u"cmdRemove shown"_s));
    }

    FakeSerialPort port;
    FakeMessageBoxes boxes;
    FakePortLister ports;
    frmMain window{UserToolServices{port, boxes, &ports}};
};

} // namespace

class FrmMainTest : public QObject
{
    Q_OBJECT

private slots:
    void startUp();
    void layoutAndNames();
    void getSerial();
    void programUserName();
    void keysOnTheOneTimeQuestion_data();
    void keysOnTheOneTimeQuestion();
    void removeUserName();
    void timeOut();
    void replies();
    void versionReplies();
    void noiseAheadOfReply();
    void unknownReplyCode();
    void leftoverFromTimedOutReply();
    void unusablePort();
    void portLost();
    void commandThatCannotBeWritten();
    void oversizedBuffer();
    void comPortNumberChanges();
    void closingTheWindow();
    void focusAndLogsAfterACommand();
    void nameKeepsToTheCodePage();
    void whatAScreenReaderHears();
};

void FrmMainTest::startUp()
{
    Tool tool;
    frmMain &w = tool.window;
    QCOMPARE(w.windowTitle(), u"ZOL6 user name programming tool vs 1.00"_s);
    QCOMPARE(w.state().ToolTitle, u"ZOL6 user name programming tool"_s);
    QCOMPARE(control<QLineEdit>(w, u"txtComPort"_s)->text(), u"1"_s);
    QVERIFY(control<QLineEdit>(w, u"txtName"_s)->text().isEmpty());
    QCOMPARE(control<QLineEdit>(w, u"txtName"_s)->maxLength(), 12);
    QCOMPARE(control<QTimer>(w, u"tmrTimeout"_s)->interval(), 5000);
    QVERIFY(!control<QTimer>(w, u"tmrTimeout"_s)->isActive());
    QVERIFY(tool.status().isEmpty());
    QVERIFY(tool.port.calls.isEmpty());
    QVERIFY(w.state().ReceiveBuffer.isEmpty());
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(control<StatusBar>(w, u"StatusBar1"_s)->panelCount(), 1);

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(w, u"txtName"_s));
    QVERIFY(!control<QPushButton>(w, u"cmdRemove"_s)->isVisible());
    tool.verifyState(false, "start");

    // Fixed size, centred.
    QCOMPARE(w.minimumSize(), w.maximumSize());
    const QRect screen = w.screen()->availableGeometry();
    QVERIFY(qAbs(w.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w.frameGeometry().center().y() - screen.center().y()) <= 1);

    // The name box takes twelve characters and no more.
    QTest::keyClicks(control<QLineEdit>(w, u"txtName"_s), u"ABCDEFGHIJKLMNO"_s);
    QCOMPARE(control<QLineEdit>(w, u"txtName"_s)->text(), u"ABCDEFGHIJKL"_s);

    // Tab order: name, port, Get serial, Program, the two logs, and round.
    const QList<QWidget *> order = {
        control<QLineEdit>(w, u"txtComPort"_s),   control<QPushButton>(w, u"cmdGetserial"_s),
        control<QPushButton>(w, u"cmdProgram"_s), control<TextBox>(w, u"txtData"_s),
        control<TextBox>(w, u"txtErrors"_s),      control<QLineEdit>(w, u"txtName"_s)};
    for (QWidget *expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
}

void FrmMainTest::layoutAndNames()
{
    Tool tool;
    frmMain &w = tool.window;
    if (!qFuzzyCompare(w.screen()->logicalDotsPerInchY(), 96.0))
        QSKIP("the layout figures below are for 96 DPI");
    QCOMPARE(w.size(), QSize(474, 177));
    QCOMPARE(control<TextBox>(w, u"txtData"_s)->geometry(), QRect(8, 24, 209, 67));
    QCOMPARE(control<TextBox>(w, u"txtErrors"_s)->geometry(), QRect(224, 24, 225, 65));
    QCOMPARE(control<QPushButton>(w, u"cmdGetserial"_s)->geometry(), QRect(8, 96, 145, 25));
    QCOMPARE(control<QLineEdit>(w, u"txtComPort"_s)->geometry(), QRect(224, 96, 25, 19));
    QCOMPARE(control<QPushButton>(w, u"cmdRemove"_s)->geometry(), QRect(256, 96, 145, 25));
    QCOMPARE(control<QLineEdit>(w, u"txtName"_s)->geometry(), QRect(216, 128, 89, 19));
    QCOMPARE(control<QLabel>(w, u"lblName"_s)->geometry(), QRect(160, 128, 49, 17));
    QCOMPARE(control<StatusBar>(w, u"StatusBar1"_s)->geometry(), QRect(0, 160, 474, 17));
    QCOMPARE(control<StatusBar>(w, u"StatusBar1"_s)->panelLabel(1)->width(), 96);

    const QList<QPair<QWidget *, QString>> named = {
        {control<QLabel>(w, u"Label1"_s), u"Label1"_s},
        {control<TextBox>(w, u"txtData"_s), u"txtData"_s},
        {control<QLabel>(w, u"lblErrors"_s), u"lblErrors"_s},
        {control<TextBox>(w, u"txtErrors"_s), u"txtErrors"_s},
        {control<QPushButton>(w, u"cmdGetserial"_s), u"cmdGetserial"_s},
        {control<QLabel>(w, u"lblComport"_s), u"lblComport"_s},
        {control<QLineEdit>(w, u"txtComPort"_s), u"txtComPort"_s},
        {control<QPushButton>(w, u"cmdRemove"_s), u"cmdRemove"_s},
        {control<QPushButton>(w, u"cmdProgram"_s), u"cmdProgram"_s},
        {control<QLabel>(w, u"lblName"_s), u"lblName"_s},
        {control<QLineEdit>(w, u"txtName"_s), u"txtName"_s},
        {control<StatusBar>(w, u"StatusBar1"_s), u"StatusBar1"_s},
        {&w, u"frmMain"_s},
    };
    for (const auto &[widget, name] : named) {
        QCOMPARE(widget->objectName(), name);
        if (widget != &w)
            QCOMPARE(w.findChild<QWidget *>(name, Qt::FindDirectChildrenOnly), widget);
    }
    QCOMPARE(control<QTimer>(w, u"tmrTimeout"_s)->objectName(), u"tmrTimeout"_s);
    QCOMPARE(control<QLabel>(w, u"Label1"_s)->text(), u"Data:"_s);
    QCOMPARE(control<QLabel>(w, u"lblErrors"_s)->text(), u"Errors/ warnings:"_s);
    QCOMPARE(control<QLabel>(w, u"lblComport"_s)->text(), u"COM port:"_s);
    QCOMPARE(control<QLabel>(w, u"lblName"_s)->text(), u"Name:"_s);
    QCOMPARE(control<QPushButton>(w, u"cmdGetserial"_s)->text(), u"Get serial"_s);
    QCOMPARE(control<QPushButton>(w, u"cmdProgram"_s)->text(), u"Program user name"_s);
    QCOMPARE(control<QPushButton>(w, u"cmdRemove"_s)->text(), u"Remove user name"_s);
}

void FrmMainTest::getSerial()
{
    Tool tool;
    control<TextBox>(tool.window, u"txtErrors"_s)->setText(u"old errors\r\n"_s);
    control<TextBox>(tool.window, u"txtData"_s)->setText(u"old data\r\n"_s);
    tool.window.show();
    QTest::mouseClick(control<QPushButton>(tool.window, u"cmdGetserial"_s), Qt::LeftButton);

    QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"_s);
    QVERIFY(tool.data().isEmpty());
    QCOMPARE(tool.port.written, QList<QByteArray>{kVersionFrame});
    QCOMPARE(tool.port.calls,
             QStringList({u"port 1"_s, u"handshaking 0"_s, u"threshold 1"_s,
                          u"settings 9600,n,8,1"_s, u"dtr 1"_s, u"rts 0"_s, u"open"_s}));
    tool.verifyState(true, "sent");

    // A click on a disabled button is no command.
    QTest::mouseClick(control<QPushButton>(tool.window, u"cmdGetserial"_s), Qt::LeftButton);
    QCOMPARE(tool.port.written.size(), 1);

    tool.port.receive(kOkReply);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nOK received from ZOL\r\n"_s);
    QCOMPARE(tool.status(), u"Ready"_s);
    QCOMPARE(tool.port.calls.last(), u"close"_s);
    tool.verifyState(false, "answered");
    QCOMPARE(tool.window.state().ReplyCode, 'o');
    QCOMPARE(tool.window.state().ReceivedCheck, '\x5e');
}

void FrmMainTest::programUserName()
{
    {
        Tool tool;
        control<QLineEdit>(tool.window, u"txtName"_s)->setText(u"AB"_s);
        control<TextBox>(tool.window, u"txtErrors"_s)->setText(u"kept\r\n"_s);
        control<TextBox>(tool.window, u"txtData"_s)->setText(u"kept too\r\n"_s);
        tool.boxes.answers = {false};
        tool.window.cmdProgram_Click();

        QCOMPARE(control<QLineEdit>(tool.window, u"txtName"_s)->text(), u"AB          "_s);
        QCOMPARE(tool.boxes.shown.size(), 1);
        const FakeMessageBoxes::Shown &box = tool.boxes.shown.first();
        QVERIFY(box.question);
        QCOMPARE(box.title, u"ZOL6 user name programming tool"_s);
        QCOMPARE(box.text, u"Only one time programming possible, continue?"_s);
        QCOMPARE(box.icon, MessageBoxes::Icon::None);
        QCOMPARE(box.defaultAnswer, MessageBoxes::Answer::No);
        QCOMPARE(tool.window.state().ConfirmAnswer, u"7"_s);
        QVERIFY(tool.port.calls.isEmpty());
        QCOMPARE(tool.errors(), u"kept\r\n"_s);
        QCOMPARE(tool.data(), u"kept too\r\n"_s);
        tool.verifyState(false, "declined");

        // Asked again, with the name already filled: nothing more is added.
        tool.boxes.answers = {true};
        tool.window.cmdProgram_Click();
        QCOMPARE(tool.window.state().ConfirmAnswer, u"6"_s);
        QCOMPARE(tool.errors(), u"Program command to ZOL (AB          )\r\n"_s);
        QVERIFY(tool.data().isEmpty());
        QCOMPARE(tool.port.written,
                 QList<QByteArray>{hex("02583031324142202020202020202020200369")});
        tool.verifyState(true, "programming");
        tool.port.receive(kErrorReply);
        QCOMPARE(tool.errors(),
                 u"Program command to ZOL (AB          )\r\nERROR received from ZOL\r\n"_s);
        tool.verifyState(false, "refused");
    }
    {
        Tool tool;
        tool.window.cmdProgram_Click();
        QVERIFY(tool.boxes.shown.isEmpty());
        QVERIFY(tool.port.calls.isEmpty());
        QVERIFY(tool.status().isEmpty());

        control<QLineEdit>(tool.window, u"txtName"_s)->setText(u"ABCDEFGHIJKL"_s);
        tool.window.cmdProgram_Click();
        QCOMPARE(control<QLineEdit>(tool.window, u"txtName"_s)->text(), u"ABCDEFGHIJKL"_s);
        QCOMPARE(tool.port.written.last(), hex("02583031324142434445464748494a4b4c0366"));
        tool.port.receive(kOkReply);

        // A name of spaces is still a name.
        control<QLineEdit>(tool.window, u"txtName"_s)->setText(u" "_s);
        tool.window.cmdProgram_Click();
        QCOMPARE(control<QLineEdit>(tool.window, u"txtName"_s)->text(), QString(12, u' '));
        QCOMPARE(tool.port.written.last(), hex("0258303132202020202020202020202020036a"));
        QCOMPARE(tool.errors(), u"Program command to ZOL (            )\r\n"_s);
    }
}

void FrmMainTest::keysOnTheOneTimeQuestion_data()
{
    QTest::addColumn<QList<int>>("keys"); // pressed in the question
    QTest::addColumn<bool>("programmed");

    QTest::newRow("Enter") << QList<int>{Qt::Key_Return} << false;
    QTest::newRow("Enter on the keypad") << QList<int>{Qt::Key_Enter} << false;
    // The Space that clicked the button, bounced: its second press lands in
    // the question.
    QTest::newRow("Space twice") << QList<int>{Qt::Key_Space} << false;
    // Yes is still there for a deliberate choice.
    QTest::newRow("Tab to Yes, Space") << QList<int>{Qt::Key_Tab, Qt::Key_Space} << true;
}

void FrmMainTest::keysOnTheOneTimeQuestion()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, programmed);

    // The real window and the real question.
    FakeSerialPort port;
    QtMessageBoxes boxes;
    FakePortLister ports;
    frmMain window{UserToolServices{port, boxes, &ports}};
    window.Form_Load();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    control<QLineEdit>(window, u"txtName"_s)->setText(u"AB"_s);
    auto *program = control<QPushButton>(window, u"cmdProgram"_s);
    program->setFocus();

    MessageBoxKeys answer(keys);
    QTest::keyClick(program, Qt::Key_Space);
    QVERIFY(answer.seen());
    QVERIFY(answer.closedByKeys());
    QCOMPARE(answer.defaultButton(), QMessageBox::No);
    QCOMPARE(answer.focusButton(), QMessageBox::No);
    if (programmed) {
        QCOMPARE(window.state().ConfirmAnswer, u"6"_s);
        QCOMPARE(port.written, QList<QByteArray>{hex("02583031324142202020202020202020200369")});
    } else {
        QCOMPARE(window.state().ConfirmAnswer, u"7"_s);
        QVERIFY(port.written.isEmpty());
        QVERIFY(port.calls.isEmpty());
        QVERIFY(control<TextBox>(window, u"txtErrors"_s)->text().isEmpty());
    }
}

void FrmMainTest::removeUserName()
{
    Tool tool;
    tool.window.cmdRemove_Click();
    QVERIFY(tool.boxes.shown.isEmpty());
    QCOMPARE(tool.errors(), u"Clear command to ZOL\r\n"_s);
    QCOMPARE(tool.port.written, QList<QByteArray>{hex("02593030300368")});
    tool.verifyState(true, "clearing");
    tool.port.receive(kOkReply);
    tool.verifyState(false, "cleared");
}

void FrmMainTest::timeOut()
{
    Tool tool;
    tool.window.cmdGetserial_Click();
    tool.port.receive(hex("0276"));
    tool.window.tmrTimeout_Timer();
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"_s + kTimeoutLines);
    QCOMPARE(tool.status(), u"Ready"_s);
    tool.verifyState(false, "timed out");
    QCOMPARE(tool.port.calls.last(), u"close"_s);

    // The next command starts from fresh logs.
    tool.window.cmdGetserial_Click();
    tool.window.tmrTimeout_Timer();
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"_s + kTimeoutLines);
}

void FrmMainTest::replies()
{
    Tool tool;
    const QString sent = u"Version command to ZOL\r\n"_s;

    // Six characters are not a reply yet, the seventh completes it.
    tool.window.cmdGetserial_Click();
    tool.port.receive(kOkReply.first(6));
    QCOMPARE(tool.errors(), sent);
    tool.verifyState(true, "six characters");
    QCOMPARE(tool.window.state().FrameLength, qint16(6));
    tool.port.receive(kOkReply.sliced(6));
    QCOMPARE(tool.errors(), sent + u"OK received from ZOL\r\n"_s);
    tool.verifyState(false, "seven characters");

    // One character a notification.
    tool.window.cmdGetserial_Click();
    for (char b : kOkReply) {
        tool.verifyState(true, "split");
        tool.port.receive(QByteArray(1, b));
    }
    QCOMPARE(tool.errors(), sent + u"OK received from ZOL\r\n"_s);
    tool.verifyState(false, "split reply");

    // A wrong check is reported first, then the reply is acted on.
    tool.window.cmdGetserial_Click();
    QByteArray bad = kOkReply;
    bad.back() = 'X';
    tool.port.receive(bad);
    QCOMPARE(tool.errors(), sent + u"CRC Error\r\nOK received from ZOL\r\n"_s);
    tool.verifyState(false, "wrong check");

    tool.window.cmdGetserial_Click();
    tool.port.receive(kCurveReply);
    QCOMPARE(tool.errors(), sent + u"Curve programming OK\r\n"_s);

    // A data byte equal to ETX that happens to stand second-to-last ends
    // the reply there.
    tool.window.cmdGetserial_Click();
    tool.port.receive(hex("026f303030310378"));
    QCOMPARE(tool.errors(), sent + u"CRC Error\r\nOK received from ZOL\r\n"_s);
    tool.verifyState(false, "early ETX");
}

void FrmMainTest::versionReplies()
{
    Tool tool;
    tool.window.cmdGetserial_Click();
    const QByteArray reply = versionReply();
    tool.port.receive(reply.first(20));
    QVERIFY(tool.data().isEmpty());
    tool.port.receive(reply.sliced(20));
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nVersion received from ZOL\r\n"_s);
    QCOMPARE(tool.data(), u"Meter: ZOL6    \r\nHardware: HW12\r\nSoftware: 6.03\r\n"
                          u"Serial: 0012 456\r\nBattery status: 2\r\n"_s);
    tool.verifyState(false, "version");

    // A short record with a wrong check still shows every label.
    tool.window.cmdGetserial_Click();
    tool.port.receive(reply.first(24) + hex("03") + "!");
    QCOMPARE(tool.errors(),
             u"Version command to ZOL\r\nCRC Error\r\nVersion received from ZOL\r\n"_s);
    QCOMPARE(tool.data(), u"Meter: ZOL6    \r\nHardware: HW12\r\nSoftware: 6.03\r\n"
                          u"Serial: 001\x03!\r\nBattery status: \r\n"_s);
}

void FrmMainTest::noiseAheadOfReply()
{
    Tool tool;
    for (int round = 0; round < 3; ++round) {
        tool.window.cmdGetserial_Click();
        tool.port.receive(hex("ff"));
        tool.port.receive(hex("0003") + kOkReply.first(4));
        tool.port.receive(kOkReply.sliced(4));
        QCOMPARE(tool.errors(), u"Version command to ZOL\r\nOK received from ZOL\r\n"_s);
        tool.verifyState(false, "after noise");
    }

    // Noise that is byte 2, alone or in a chunk with the reply, even where
    // the reply itself is cut into pieces.
    const QString ok = u"OK received from ZOL\r\n"_s;
    const struct
    {
        QList<QByteArray> chunks;
        QString answer;
    } strayStx[] = {
        {{hex("02") + kOkReply}, ok},
        {{hex("02"), kOkReply}, ok},
        {{hex("02"), hex("02"), kOkReply.first(1), kOkReply.sliced(1)}, ok},
        {{hex("0200ff02"), kOkReply.first(3), kOkReply.sliced(3)}, ok},
        {{hex("02") + versionReply()}, u"Version received from ZOL\r\n"_s},
    };
    for (const auto &[chunks, answer] : strayStx) {
        tool.window.cmdGetserial_Click();
        for (const QByteArray &chunk : chunks)
            tool.port.receive(chunk);
        QCOMPARE(tool.errors(), u"Version command to ZOL\r\n"_s + answer);
        tool.verifyState(false, "after a stray STX");
    }
    QCOMPARE(tool.data(), u"Meter: ZOL6    \r\nHardware: HW12\r\nSoftware: 6.03\r\n"
                          u"Serial: 0012 456\r\nBattery status: 2\r\n"_s);
}

void FrmMainTest::unknownReplyCode()
{
    Tool tool;
    tool.window.cmdGetserial_Click();
    tool.port.receive(hex("02563030300367"));
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nUnknown reply from ZOL\r\n"_s);
    QVERIFY(tool.data().isEmpty());
    QCOMPARE(tool.status(), u"Ready"_s);
    QVERIFY(tool.window.state().ReceiveBuffer.isEmpty());
    tool.verifyState(false, "unknown");

    // The next reply stands on its own.
    tool.window.cmdGetserial_Click();
    tool.port.receive(kOkReply);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nOK received from ZOL\r\n"_s);
}

void FrmMainTest::leftoverFromTimedOutReply()
{
    Tool tool;
    tool.window.cmdGetserial_Click();
    tool.port.receive(versionReply().first(30));
    tool.window.tmrTimeout_Timer();
    // The time-out itself keeps what came; the next command does not.
    QCOMPARE(tool.window.state().ReceiveBuffer, versionReply().first(30));
    tool.window.cmdGetserial_Click();
    QVERIFY(tool.window.state().ReceiveBuffer.isEmpty());
    tool.port.receive(kOkReply);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nOK received from ZOL\r\n"_s);
    QVERIFY(tool.data().isEmpty());
}

void FrmMainTest::unusablePort()
{
    const QStringList badNumbers = {u"abc"_s, u"0"_s, u"256"_s, u"1.5"_s, u""_s, u"-2"_s};
    for (const QString &typed : badNumbers) {
        Tool tool;
        control<QLineEdit>(tool.window, u"txtComPort"_s)->setText(typed);
        tool.window.cmdGetserial_Click();
        QCOMPARE(tool.errors(), u"COM port "_s + typed +
                                    u" cannot be opened: not a valid port number\r\n"
                                    u"Serial ports on this computer: none\r\n"_s);
        QVERIFY(tool.port.calls.isEmpty());
        QCOMPARE(tool.status(), u"Ready"_s);
        tool.verifyState(false, "bad number");
    }

    Tool tool;
    tool.port.failOpenWith = u"Permission denied"_s;
    tool.ports.list = {{u"/dev/ttyS0"_s, QString()}, {u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s}};
    control<QLineEdit>(tool.window, u"txtName"_s)->setText(u"Z"_s);
    control<TextBox>(tool.window, u"txtData"_s)->setText(u"x\r\n"_s);
    tool.window.cmdProgram_Click();
    QCOMPARE(tool.errors(), u"COM port 1 cannot be opened: Permission denied\r\n"
                            u"Serial ports on this computer: /dev/ttyS0, "
                            u"/dev/ttyUSB0 (FT232R USB UART)\r\n"_s);
    QVERIFY(tool.data().isEmpty());
    QVERIFY(tool.port.written.isEmpty());
    tool.verifyState(false, "open failed");

    // Once the port can be had, the same command goes through.
    tool.port.failOpenWith.clear();
    tool.window.cmdProgram_Click();
    QCOMPARE(tool.port.written.size(), 1);
    tool.verifyState(true, "open now");
}

void FrmMainTest::portLost()
{
    Tool tool;
    control<TextBox>(tool.window, u"txtErrors"_s)->setText(u"earlier\r\n"_s);
    emit tool.port.lost(u"Input/output error"_s);
    QCOMPARE(tool.errors(), u"earlier\r\n"_s);
    QVERIFY(tool.port.calls.isEmpty());

    // The line goes while the tool waits: it says so at once, with the
    // system's reason, and is ready again.
    tool.window.cmdGetserial_Click();
    tool.port.receive(kOkReply.first(3));
    emit tool.port.lost(u"Input/output error"_s);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nCOM port lost: Input/output error\r\n"_s);
    QCOMPARE(tool.status(), u"Ready"_s);
    tool.verifyState(false, "lost");
    QCOMPARE(tool.port.calls.last(), u"close"_s);

    // A reply that came in full before the line went is still taken.
    tool.window.cmdGetserial_Click();
    {
        const QSignalBlocker unread(tool.port);
        tool.port.receive(kErrorReply);
    }
    emit tool.port.lost(u"Input/output error"_s);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nERROR received from ZOL\r\n"_s);
    tool.verifyState(false, "reply before the loss");

    // Half a reply before the loss is not mistaken for one.
    tool.window.cmdGetserial_Click();
    {
        const QSignalBlocker unread(tool.port);
        tool.port.receive(versionReply().first(40));
    }
    emit tool.port.lost(u"No such device"_s);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nCOM port lost: No such device\r\n"_s);
    QVERIFY(tool.data().isEmpty());
    tool.verifyState(false, "half a reply");
}

void FrmMainTest::commandThatCannotBeWritten()
{
    // The system refuses the command: said at once, with its reason, rather
    // than after the time-out with hints about the meter.
    Tool tool;
    tool.port.failWriteWith = u"Input/output error"_s;
    tool.window.cmdGetserial_Click();
    QCOMPARE(tool.errors(),
             u"Version command to ZOL\r\nCOM port cannot be written: Input/output error\r\n"_s);
    QCOMPARE(tool.status(), u"Ready"_s);
    QVERIFY(tool.port.written.isEmpty());
    QCOMPARE(tool.port.calls.last(), u"close"_s);
    tool.verifyState(false, "not written");

    // Once the port takes it, the same command goes through.
    tool.port.failWriteWith.clear();
    tool.window.cmdGetserial_Click();
    QCOMPARE(tool.port.written.size(), 1);
    tool.verifyState(true, "written");
    tool.port.receive(kOkReply);
    tool.verifyState(false, "answered");
}

void FrmMainTest::oversizedBuffer()
{
    Tool tool;
    tool.window.cmdGetserial_Click();
    QByteArray flood = hex("0276") + QByteArray(SerialPort::kMaxRead - 2, '\x01');
    tool.port.receive(flood);
    QCOMPARE(tool.window.state().FrameLength, qint16(32767));
    tool.port.receive(QByteArray(500, '\x01') + kOkReply);
    QCOMPARE(tool.errors(), u"Version command to ZOL\r\nOK received from ZOL\r\n"_s);
    tool.verifyState(false, "after flood");

    tool.window.cmdGetserial_Click();
    for (int i = 0; i < 4; ++i) {
        tool.port.receive(flood);
        QVERIFY(tool.window.state().FrameLength >= 0);
        QVERIFY(tool.window.state().ReceiveBuffer.size() <= 32767);
    }
    tool.verifyState(true, "flooded");
}

void FrmMainTest::comPortNumberChanges()
{
    Tool tool;
    control<QLineEdit>(tool.window, u"txtComPort"_s)->setText(u"2"_s);
    tool.window.cmdGetserial_Click();
    QCOMPARE(tool.port.calls.first(), u"port 2"_s);
    QCOMPARE(tool.port.commPort(), 2);
    tool.port.receive(kOkReply);

    tool.port.calls.clear();
    control<QLineEdit>(tool.window, u"txtComPort"_s)->setText(u" 17"_s);
    tool.window.cmdRemove_Click();
    QCOMPARE(tool.port.calls.first(), u"port 17"_s);
}

void FrmMainTest::closingTheWindow()
{
    {
        Tool tool;
        tool.window.show();
        tool.window.close();
        QVERIFY(!tool.port.calls.contains(u"close"_s));
    }
    {
        Tool tool;
        tool.window.show();
        tool.window.cmdGetserial_Click();
        tool.window.close();
        QVERIFY(!tool.port.isOpen());
        QCOMPARE(tool.port.calls.last(), u"close"_s);
        QVERIFY(!control<QTimer>(tool.window, u"tmrTimeout"_s)->isActive());
    }
}

void FrmMainTest::focusAndLogsAfterACommand()
{
    Tool tool;
    frmMain &w = tool.window;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *getSerial = control<QPushButton>(w, u"cmdGetserial"_s);
    auto *program = control<QPushButton>(w, u"cmdProgram"_s);
    auto *txtErrors = control<TextBox>(w, u"txtErrors"_s);
    // What a screen reader follows: the window's focused child.
    auto focused = [&w] {
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(&w);
        QAccessibleInterface *child = window ? window->focusChild() : nullptr;
        return child ? child->object() : nullptr;
    };

    // Answered: the button is disabled while waiting, then has the focus back.
    QTest::mouseClick(getSerial, Qt::LeftButton);
    QVERIFY(!getSerial->hasFocus());
    tool.port.receive(kOkReply);
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
    control<QLineEdit>(w, u"txtName"_s)->setText(u"Jan"_s);
    tool.boxes.answers = {true};
    control<QLineEdit>(w, u"txtName"_s)->setFocus();
    w.cmdProgram_Click();
    QCOMPARE(QApplication::focusWidget(), program);
    QVERIFY(txtErrors->text().startsWith(u"COM port 1 cannot be opened: Device"_s));
}

void FrmMainTest::nameKeepsToTheCodePage()
{
    Tool tool;
    frmMain &w = tool.window;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *txtName = control<QLineEdit>(w, u"txtName"_s);
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
    w.cmdProgram_Click();
    QCOMPARE(tool.port.written.size(), 1);
    QCOMPARE(tool.port.written.first().mid(5, 12), QByteArray("Zo\xEB         "));
    QCOMPARE(tool.errors(), u"Program command to ZOL (Zoë         )\r\n"_s);
}

void FrmMainTest::whatAScreenReaderHears()
{
    QAccessible::setActive(true);
    Tool tool;
    frmMain &w = tool.window;
    w.show();
    const QStringList problems = unnamedControls(&w);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_s)));
    // Boxes are read by their headings.
    QCOMPARE(spokenName(control<TextBox>(w, u"txtData"_s)), u"Data:"_s);
    QCOMPARE(spokenName(control<TextBox>(w, u"txtErrors"_s)), u"Errors/ warnings:"_s);
    QCOMPARE(spokenName(control<QLineEdit>(w, u"txtComPort"_s)), u"COM port:"_s);
    QCOMPARE(spokenName(control<QLineEdit>(w, u"txtName"_s)), u"Name:"_s);
    QCOMPARE(spokenName(control<QPushButton>(w, u"cmdGetserial"_s)), u"Get serial"_s);
    QCOMPARE(spokenName(&w), u"ZOL6 user name programming tool vs 1.00"_s);

    // The logs are read as text, line by line as they are shown.
    w.cmdGetserial_Click();
    tool.port.receive(versionReply());
    auto textOf = [&w](const QString &name) {
        QAccessibleInterface *box =
            QAccessible::queryAccessibleInterface(control<TextBox>(w, name));
        QAccessibleTextInterface *text = box ? box->textInterface() : nullptr;
        return text ? text->text(0, text->characterCount()) : QString();
    };
    QCOMPARE(textOf(u"txtErrors"_s), u"Version command to ZOL\nVersion received from ZOL\n"_s);
    QVERIFY2(textOf(u"txtData"_s).contains(u"Serial: 0012 456\n"_s),
             qPrintable(textOf(u"txtData"_s)));
    QVERIFY(spokenNamesBelow(&w).contains(u"Ready"_s));

    // A window to a screen reader, with a status bar that its status-bar
    // command finds.
    QCOMPARE(QAccessible::queryAccessibleInterface(&w)->role(), QAccessible::Window);
    auto *bar = control<StatusBar>(w, u"StatusBar1"_s);
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
    auto *getSerial = control<QPushButton>(w, u"cmdGetserial"_s);
    getSerial->setFocus();
    w.cmdGetserial_Click();
    QCOMPARE(spoken(), QStringList{u"Version command to ZOL. Waiting..."_s});
    tool.port.receive(versionReply());
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
    QVERIFY2(failed.first().startsWith(u"COM port 1 cannot be opened: Device or resource busy"_s),
             qPrintable(failed.first()));
    QVERIFY2(failed.first().endsWith(u"Ready"_s), qPrintable(failed.first()));
}

} // namespace zol::test

QTEST_MAIN(zol::test::FrmMainTest)
#include "tst_frmmain.moc"
