#pragma once

#include "fakemessageboxes.h"
#include "fakeportlister.h"
#include "fakeserialport.h"
#include "frmmain.h"
#include "memorystore.h"
#include "portlister.h"
#include "portnumbering.h"

#include <QString>

#include <memory>

class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace zol {
class StatusBar;
class TextBox;
} // namespace zol

namespace zol::test {

using namespace Qt::StringLiterals;

// The four lines of a time-out, as txtErrors shows them.
inline const QString kTimeoutLines =
    u"Timeout occured!\r\nSoftware version 6.03 or later?\r\n"
    u"Check cable and COM port setting\r\nSet ZOL to *5 - connection\r\n"_s;

// The "ZOL user name" window for a test, and what it talks to. By default the
// fakes below, owned here; a test that wants a real port, real message boxes
// or the system's port list says so before it first uses the window, because
// the window is made then and Form_Load run on it, as main() does.
class ToolFixture
{
public:
    ToolFixture();
    ~ToolFixture();
    ToolFixture(const ToolFixture &) = delete;
    ToolFixture &operator=(const ToolFixture &) = delete;

    // What the window is made with. A port or message boxes given here must
    // outlive the fixture.
    ToolFixture &withPort(SerialPort &serialPort);
    ToolFixture &withMessageBoxes(MessageBoxes &messageBoxes);
    // The ports a failed open names: those of the fake lister (the default),
    // or the system's own.
    ToolFixture &withPorts(QList<PortInfo> list);
    ToolFixture &withSystemPorts();
    // The ports numbered, and the numbers kept, as main() does it.
    ToolFixture &withPortNumbering(PortNumbering &numbering);

    frmMain &window();
    SerialPort &serialPort() const { return *m_serialPort; }

    // Shows the window and waits until it is on the screen, or also active
    // (has the keyboard). False when it never got there.
    [[nodiscard]] bool showExposed();
    [[nodiscard]] bool showActive();

    // The controls, found by their own names.
    QLineEdit *txtName();
    QLineEdit *txtComPort();
    QPushButton *cmdGetserial();
    QPushButton *cmdProgram();
    QPushButton *cmdRemove();
    TextBox *txtData();
    TextBox *txtErrors();
    StatusBar *statusBar();
    QTimer *tmrTimeout();

    QString errors();
    QString data();
    QString status();

    // The port number box emptied and the number typed into it.
    void typeComPort(const QString &typed);

    // Ready for the next command: the port closed, the controls enabled, no
    // time-out running, "Ready" in the status bar.
    bool idle();
    // Every control in the state of an idle window, or of one waiting for its
    // reply; a failure names the first that is not, after where.
    void verifyState(bool waiting, const char *where);

    FakeSerialPort port;
    FakeMessageBoxes boxes;
    FakePortLister ports;
    // What a run keeps of the ports' numbers, in memory.
    MemoryStore portStore;

private:
    SystemPortLister m_systemPorts;
    PortNumbering m_runNumbering{portStore};
    SerialPort *m_serialPort = &port;
    MessageBoxes *m_messageBoxes = &boxes;
    const PortLister *m_portLister = &ports;
    PortNumbering *m_numbering = &m_runNumbering;
    std::unique_ptr<frmMain> m_window;
};

// Typing as a keyboard with these characters on its keys would: one key
// event each, carrying the character as its text, so that characters no
// keyboard layout of the test machine has can be typed as well.
void typeText(QWidget *widget, const QString &text);

} // namespace zol::test
