#include "frmmain.h"

#include "controlname.h"
#include "fonts.h"
#include "frames.h"
#include "images.h"
#include "messagebox.h"
#include "portlister.h"
#include "portnumber.h"
#include "portnumbering.h"
#include "replies.h"
#include "screenreader.h"
#include "statusbar.h"
#include "textbox.h"
#include "twips.h"
#include "versiontext.h"
#include "windowplacement.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>

using namespace Qt::StringLiterals;

namespace zol {

namespace {
constexpr int kClientWidth = 7110;
constexpr int kClientHeight = 2655;
} // namespace

frmMain::frmMain(UserToolServices services, QWidget *parent)
    : QWidget(parent), m_services(services), m_exchange(services.serialPort, this)
{
    // A window of its own to a screen reader, not a filler inside nothing.
    setAccessibleRole(staticMetaObject.className(), QAccessible::Window);
    nameControl(this, u"frmMain"_s);
    setWindowTitle(u"ZOL User name tool"_s);
    setWindowIcon(pngIcon(u":/zol/zol.png"_s));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The form's default font; the layout's 17-pixel labels are made for it.
    setFont(classicFont(u"MS Sans Serif"_s, 8.25));
    setFixedSize(twipsSize(kClientWidth, kClientHeight));

    m_controls.build(*this);

    connect(&m_exchange, &CommandExchange::timedOut, this, &frmMain::tmrTimeout_Timer);
    connect(&m_exchange, &CommandExchange::bytesWaiting, this, &frmMain::MSComm1_OnComm);
    connect(&m_exchange, &CommandExchange::lineLost, this, &frmMain::MSComm1_Lost);
    connect(m_controls.cmdGetserial, &QPushButton::clicked, this, &frmMain::cmdGetserial_Click);
    connect(m_controls.cmdProgram, &QPushButton::clicked, this, &frmMain::cmdProgram_Click);
    connect(m_controls.cmdRemove, &QPushButton::clicked, this, &frmMain::cmdRemove_Click);
}

frmMain::~frmMain() = default;

void frmMain::Form_Load()
{
    ToolTitle = u"ZOL6 user name programming tool"_s;
    setWindowTitle(ToolTitle + u" vs "_s + toolVersionText());
    m_controls.txtName->setMaxLength(kUserNameLength);
    m_controls.txtComPort->setText(u"1"_s);
    m_controls.txtName->setText(QString());
    m_controls.cmdRemove->setVisible(false);
}

void frmMain::Form_Unload()
{
    // The outstanding reply is given up with the window; its time-out must
    // not report into a window that is going away.
    m_exchange.end();
}

QStringList frmMain::portLines() const
{
    QStringList lines;
    for (const OfferedPort &port : m_services.portNumbering.numbered(m_services.portLister.ports()))
        lines << numberedPortText(port.number, port.port);
    return lines;
}

void frmMain::DisableControls()
{
    m_controls.cmdGetserial->setEnabled(false);
    m_controls.cmdProgram->setEnabled(false);
    m_controls.cmdRemove->setEnabled(false);
    m_controls.txtName->setEnabled(false);
}

void frmMain::EnableControls()
{
    m_controls.cmdGetserial->setEnabled(true);
    m_controls.cmdProgram->setEnabled(true);
    m_controls.cmdRemove->setEnabled(true);
    m_controls.txtName->setEnabled(true);
}

bool frmMain::openPort()
{
    QLineEdit *txtComPort = m_controls.txtComPort;
    TextBox *txtErrors = m_controls.txtErrors;
    txtComPort->setEnabled(false);
    const QString typed = txtComPort->text().trimmed();
    const std::optional<qint16> number = comPortNumber(typed);
    PortNumbering &numbering = m_services.portNumbering;
    QString reason;
    QString device;
    if (number) {
        // As choosing it from ZOLprint's menu does: from now on the number
        // opens this adapter in both programs, whichever other adapters come.
        for (const OfferedPort &port : numbering.offer(m_services.portLister.ports())) {
            if (port.number == *number)
                numbering.choose(port);
        }
        if (m_exchange.open(*number, &reason, &device))
            return true;
        txtErrors->appendLine(comPortAndDevice(*number, device) + u" cannot be opened: "_s +
                              reason);
    } else {
        txtErrors->appendLine(notAPortText(typed));
    }
    const QStringList ports = portLines();
    txtErrors->appendLine(u"Serial ports on this computer: "_s +
                          (ports.isEmpty() ? u"none"_s : ports.join(u", "_s)));
    // The box shows its last lines; the cause is in the first.
    txtErrors->verticalScrollBar()->setValue(0);
    m_controls.showPorts(ports);
    // Nothing can be sent; the user corrects the number and tries again.
    endExchange();
    return false;
}

void frmMain::setStatus(const QString &text)
{
    m_controls.StatusBar1->setPanelText(1, text);
}

void frmMain::sendCommand(const char *header, const QByteArray &data, const QString &logLine)
{
    m_controls.txtErrors->setText(QString());
    m_controls.txtData->setText(QString());
    if (!m_exchange.isOpen() && !openPort())
        return;
    m_controls.txtErrors->appendLine(logLine);
    QString reason;
    if (!m_exchange.send(buildCommandFrame(header, data), &reason)) {
        // No reply can come to a command that never left: waiting out the
        // time-out would only hide the system's reason behind its hints.
        m_controls.txtErrors->appendLine(u"COM port cannot be written: "_s + reason);
        endExchange();
        return;
    }
    DisableControls();
    setStatus(u"Waiting..."_s);
}

void frmMain::cmdGetserial_Click()
{
    m_commandButton = m_controls.cmdGetserial;
    sendCommand(kVersionHeader, {}, u"Version command to ZOL"_s);
}

void frmMain::cmdRemove_Click()
{
    m_commandButton = m_controls.cmdRemove;
    sendCommand(kClearNameHeader, {}, u"Clear command to ZOL"_s);
}

void frmMain::cmdProgram_Click()
{
    QLineEdit *txtName = m_controls.txtName;
    // The meter keeps the one name it is given for good: a blank one would
    // spend it on nothing.
    if (txtName->text().trimmed().isEmpty()) {
        m_controls.txtErrors->setText(QString());
        m_controls.txtErrors->appendLine(u"A name is needed: type the user name in the Name box"_s);
        return;
    }
    txtName->setText(txtName->text().leftJustified(kUserNameLength, u' '));
    const QString field = txtName->text();

    // Shown in quotes, so that the spaces the meter will keep are seen.
    if (!m_services.messageBoxes.askYesNo(
            this, ToolTitle, u"Only one time programming possible, continue?\n\""_s + field + u'"',
            MessageBoxes::Icon::None, MessageBoxes::Answer::No))
        return;

    m_commandButton = m_controls.cmdProgram;
    sendCommand(kProgramNameHeader, userNameField(field),
                u"Program command to ZOL ("_s + field + u")"_s);
}

void frmMain::logReply(const ReplyReport &report)
{
    for (const QString &line : report.errors)
        m_controls.txtErrors->appendLine(line);
    for (const QString &line : report.data)
        m_controls.txtData->appendLine(line);
}

void frmMain::MSComm1_OnComm()
{
    while (const std::optional<QByteArray> reply = m_exchange.takeReply()) {
        // An earlier command's answer that came after its time-out: the user
        // learns what the meter did then, and this command waits on for its
        // own.
        if (m_exchange.isLate(*reply)) {
            logReply(lateReplyReport(*reply));
            continue;
        }
        logReply(replyReport(*reply));
        endExchange();
        return;
    }
}

void frmMain::MSComm1_Lost(const QString &reason)
{
    // A reply that arrived just before the line went may still wait to be
    // read; it ends the exchange as it would have anyway.
    MSComm1_OnComm();
    // The port is open only while a reply is awaited.
    if (!m_exchange.isOpen())
        return;
    // Nothing more can come: waiting out the time-out would only hide the
    // real cause behind its hints.
    m_controls.txtErrors->appendLine(u"COM port lost: "_s + reason);
    endExchange();
}

void frmMain::tmrTimeout_Timer()
{
    TextBox *txtErrors = m_controls.txtErrors;
    txtErrors->appendLine(u"Timeout occured!"_s);
    txtErrors->appendLine(u"Software version 6.03 or later?"_s);
    txtErrors->appendLine(u"Check cable and COM port setting"_s);
    txtErrors->appendLine(u"Set ZOL to *5 - connection"_s);
    endExchange();
}

void frmMain::endExchange()
{
    m_exchange.end();
    setStatus(u"Ready"_s);
    m_controls.txtComPort->setEnabled(true);
    EnableControls();
    if (m_commandButton)
        m_commandButton->setFocus();
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    centreOnScreen(*this);
    // Listing the ports asks the system about every serial device: the
    // window is drawn first, and the list follows it at once.
    whenFirstShown(*this, [this] { m_controls.showPorts(portLines()); });
}

void frmMain::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Back at the window after plugging an adapter in, the user finds it
    // listed; nothing polls in between.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_controls.lblPorts)
        m_controls.showPorts(portLines());
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

} // namespace zol
