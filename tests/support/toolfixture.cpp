#include "toolfixture.h"

#include "controls.h"
#include "fonts.h"
#include "statusbar.h"
#include "textbox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <initializer_list>
#include <utility>

namespace zol::test {

using namespace Qt::StringLiterals;

ToolFixture::ToolFixture() = default;

ToolFixture::~ToolFixture() = default;

// A setter after the window was made would change nothing the window uses:
// a test written so would test something else than it says.
static void requireNoWindowYet(const std::unique_ptr<frmMain> &window, const char *setter)
{
    if (window)
        qFatal("ToolFixture::%s after the window was made", setter);
}

ToolFixture &ToolFixture::withPort(SerialPort &serialPort)
{
    requireNoWindowYet(m_window, "withPort");
    m_serialPort = &serialPort;
    return *this;
}

ToolFixture &ToolFixture::withMessageBoxes(MessageBoxes &messageBoxes)
{
    requireNoWindowYet(m_window, "withMessageBoxes");
    m_messageBoxes = &messageBoxes;
    return *this;
}

ToolFixture &ToolFixture::withPorts(QList<PortInfo> list)
{
    requireNoWindowYet(m_window, "withPorts");
    ports.list = std::move(list);
    m_portLister = &ports;
    return *this;
}

ToolFixture &ToolFixture::withSystemPorts()
{
    requireNoWindowYet(m_window, "withSystemPorts");
    m_portLister = &m_systemPorts;
    return *this;
}

ToolFixture &ToolFixture::withPortNumbering(PortNumbering &numbering)
{
    requireNoWindowYet(m_window, "withPortNumbering");
    m_numbering = &numbering;
    return *this;
}

frmMain &ToolFixture::window()
{
    if (!m_window) {
        // As the program's start does: the window's faces as it was drawn with.
        installFontSubstitutes();
        m_window = std::make_unique<frmMain>(UserToolServices{.serialPort = *m_serialPort,
                                                              .messageBoxes = *m_messageBoxes,
                                                              .portLister = *m_portLister,
                                                              .portNumbering = *m_numbering});
        m_window->Form_Load();
    }
    return *m_window;
}

bool ToolFixture::showExposed()
{
    window().show();
    return QTest::qWaitForWindowExposed(&window());
}

bool ToolFixture::showActive()
{
    window().show();
    window().activateWindow();
    return QTest::qWaitForWindowActive(&window());
}

QLineEdit *ToolFixture::txtName()
{
    return control<QLineEdit>(window(), u"txtName"_s);
}

QLineEdit *ToolFixture::txtComPort()
{
    return control<QLineEdit>(window(), u"txtComPort"_s);
}

QPushButton *ToolFixture::cmdGetserial()
{
    return control<QPushButton>(window(), u"cmdGetserial"_s);
}

QPushButton *ToolFixture::cmdProgram()
{
    return control<QPushButton>(window(), u"cmdProgram"_s);
}

QPushButton *ToolFixture::cmdRemove()
{
    return control<QPushButton>(window(), u"cmdRemove"_s);
}

TextBox *ToolFixture::txtData()
{
    return control<TextBox>(window(), u"txtData"_s);
}

TextBox *ToolFixture::txtErrors()
{
    return control<TextBox>(window(), u"txtErrors"_s);
}

StatusBar *ToolFixture::statusBar()
{
    return control<StatusBar>(window(), u"StatusBar1"_s);
}

QTimer *ToolFixture::tmrTimeout()
{
    return control<QTimer>(window(), u"tmrTimeout"_s);
}

QString ToolFixture::errors()
{
    return txtErrors()->text();
}

QString ToolFixture::data()
{
    return txtData()->text();
}

QString ToolFixture::status()
{
    return statusBar()->panelText(1);
}

void ToolFixture::typeComPort(const QString &typed)
{
    txtComPort()->clear();
    QTest::keyClicks(txtComPort(), typed);
}

bool ToolFixture::idle()
{
    return !serialPort().isOpen() && cmdGetserial()->isEnabled() && cmdProgram()->isEnabled() &&
           txtName()->isEnabled() && txtComPort()->isEnabled() && !tmrTimeout()->isActive() &&
           status() == u"Ready"_s;
}

void ToolFixture::verifyState(bool waiting, const char *where)
{
    const QString at = QString::fromLatin1(where) + u": "_s;
    for (QWidget *w : std::initializer_list<QWidget *>{cmdGetserial(), cmdProgram(), cmdRemove(),
                                                       txtName(), txtComPort()})
        QVERIFY2(w->isEnabled() == !waiting, qPrintable(at + w->objectName()));
    QVERIFY2(serialPort().isOpen() == waiting, qPrintable(at + u"port"_s));
    QVERIFY2(tmrTimeout()->isActive() == waiting, qPrintable(at + u"tmrTimeout"_s));
    if (waiting)
        QCOMPARE(status(), u"Waiting..."_s);
    QVERIFY2(cmdRemove()->isHidden(), qPrintable(at + u"cmdRemove shown"_s));
}

void typeText(QWidget *widget, const QString &text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace zol::test
