#include "frmmain.h"

#include "comports.h"
#include "controlname.h"
#include "fonts.h"
#include "frames.h"
#include "images.h"
#include "keyvaluestore.h"
#include "messagebox.h"
#include "portinfo.h"
#include "portlister.h"
#include "portnumber.h"
#include "portnumbering.h"
#include "replies.h"
#include "screenreader.h"
#include "serialport.h"
#include "statusbar.h"
#include "textbox.h"
#include "twips.h"
#include "versiontext.h"
#include "windowplacement.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QValidator>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

constexpr int kClientWidth = 7110;
constexpr int kClientHeight = 2655;
constexpr int kTimeoutInterval = 5000;
constexpr int kMeterBaud = 9600;
constexpr int kStatusPanelWidth = 1440;

// A key that would put a character into the name that the meter cannot
// store as typed does nothing; so does a paste holding one.
class UserNameValidator final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return userNameCarried(input) ? Acceptable : Invalid;
    }
};

// What a window given no store keeps for the length of the run.
class RunStore final : public KeyValueStore
{
public:
    QStringList keys() const override { return m_values.keys(); }
    QString value(const QString &key) const override { return m_values.value(key); }
    void setValue(const QString &key, const QString &value) override { m_values[key] = value; }
    void remove(const QString &key) override { m_values.remove(key); }

private:
    QMap<QString, QString> m_values;
};

} // namespace

frmMain::frmMain(UserToolServices services, QWidget *parent)
    : QWidget(parent), m_services(services),
      m_ownStore(services.portNumbering ? nullptr : std::make_unique<RunStore>()),
      m_ownNumbering(m_ownStore ? std::make_unique<PortNumbering>(*m_ownStore) : nullptr),
      m_numbering(m_ownNumbering ? *m_ownNumbering : *services.portNumbering)
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

    buildControls();

    // A coarse timer may fire up to 5 % early, and the meter is promised its
    // whole five seconds.
    tmrTimeout.setTimerType(Qt::PreciseTimer);
    tmrTimeout.setSingleShot(false);
    connect(&tmrTimeout, &QTimer::timeout, this, &frmMain::tmrTimeout_Timer);
    connect(&m_services.serialPort, &SerialPort::comm, this, &frmMain::MSComm1_OnComm);
    connect(&m_services.serialPort, &SerialPort::lost, this, &frmMain::MSComm1_Lost);
    connect(cmdGetserial, &QPushButton::clicked, this, &frmMain::cmdGetserial_Click);
    connect(cmdProgram, &QPushButton::clicked, this, &frmMain::cmdProgram_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmMain::cmdRemove_Click);
}

frmMain::~frmMain() = default;

void frmMain::buildControls()
{
    auto makeLabel = [this](const QString &name, const QString &caption) {
        auto *label = new QLabel(caption, this);
        nameControl(label, name);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    };
    auto makeButton = [this](const QString &name, const QString &caption) {
        auto *button = new QPushButton(caption, this);
        nameControl(button, name);
        button->setAutoDefault(false);
        return button;
    };
    auto makeLog = [this](const QString &name) {
        auto *box = new TextBox(this);
        nameControl(box, name);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // Tab walks through the window, as in every other box of it.
        box->setTabChangesFocus(true);
        return box;
    };
    auto makeLine = [this](const QString &name) {
        auto *line = new QLineEdit(this);
        nameControl(line, name);
        line->setFrame(true);
        return line;
    };

    Label1 = makeLabel(u"Label1"_s, u"Data:"_s);
    placeInTwips(Label1, 120, 120, 2175, 255);
    txtData = makeLog(u"txtData"_s);
    placeInTwips(txtData, 120, 360, 3135, 1005);
    lblErrors = makeLabel(u"lblErrors"_s, u"Errors/ warnings:"_s);
    placeInTwips(lblErrors, 3360, 120, 3255, 255);
    txtErrors = makeLog(u"txtErrors"_s);
    placeInTwips(txtErrors, 3360, 360, 3375, 975);
    cmdGetserial = makeButton(u"cmdGetserial"_s, u"Get serial"_s);
    placeInTwips(cmdGetserial, 120, 1440, 2175, 375);
    lblComport = makeLabel(u"lblComport"_s, u"COM port:"_s);
    placeInTwips(lblComport, 2400, 1440, 855, 255);
    txtComPort = makeLine(u"txtComPort"_s);
    txtComPort->setText(u"1"_s);
    placeInTwips(txtComPort, 3360, 1440, 375, 285);
    // Where the hidden Remove button would be: the numbers the box takes,
    // beside it, before the user has to guess one.
    lblPorts = makeLabel(u"lblPorts"_s, QString());
    lblPorts->setWordWrap(true);
    placeInTwips(lblPorts, 3840, 1440, 3150, 465);
    cmdRemove = makeButton(u"cmdRemove"_s, u"Remove user name"_s);
    placeInTwips(cmdRemove, 3840, 1440, 2175, 375);
    cmdProgram = makeButton(u"cmdProgram"_s, u"Program user name"_s);
    placeInTwips(cmdProgram, 120, 1920, 2175, 375);
    lblName = makeLabel(u"lblName"_s, u"Name:"_s);
    placeInTwips(lblName, 2400, 1920, 735, 255);
    txtName = makeLine(u"txtName"_s);
    txtName->setValidator(new UserNameValidator(txtName));
    placeInTwips(txtName, 3240, 1920, 1335, 285);

    // A box is read by the heading above or beside it.
    Label1->setBuddy(txtData);
    lblErrors->setBuddy(txtErrors);
    lblComport->setBuddy(txtComPort);
    lblName->setBuddy(txtName);

    StatusBar1 = new StatusBar(this);
    nameControl(StatusBar1, u"StatusBar1"_s);
    StatusBar1->setAccessibleName(u"Status bar"_s);
    StatusBar1->addPanel(StatusBar::PanelKind::Text, twips(kStatusPanelWidth),
                         twips(kStatusPanelWidth));
    placeInTwips(StatusBar1, 0, 2400, kClientWidth, 255);
    // Every line of the logs is news the user waits for, wherever the focus
    // is.
    connect(txtData, &TextBox::lineAppended, StatusBar1, &StatusBar::announce);
    connect(txtErrors, &TextBox::lineAppended, StatusBar1, &StatusBar::announce);

    tmrTimeout.setObjectName(u"tmrTimeout"_s);

    for (QLabel *label : {Label1, lblErrors, lblComport, lblName, lblPorts})
        label->setFocusPolicy(Qt::NoFocus);
    setTabOrder(txtName, txtComPort);
    setTabOrder(txtComPort, cmdGetserial);
    setTabOrder(cmdGetserial, cmdProgram);
    setTabOrder(cmdProgram, txtData);
    setTabOrder(txtData, txtErrors);
    setTabOrder(txtErrors, cmdRemove);
    txtName->setFocus();
}

void frmMain::Form_Load()
{
    m_state.ToolTitle = u"ZOL6 user name programming tool"_s;
    setWindowTitle(m_state.ToolTitle + u" vs "_s + toolVersionText());
    txtName->setMaxLength(kUserNameLength);
    tmrTimeout.stop();
    txtComPort->setText(u"1"_s);
    tmrTimeout.setInterval(kTimeoutInterval);
    txtName->setText(QString());
    cmdRemove->setVisible(false);
}

void frmMain::Form_Unload()
{
    // The outstanding reply is given up with the window; its time-out must
    // not report into a window that is going away.
    tmrTimeout.stop();
    if (m_services.serialPort.isOpen())
        closePort();
}

const PortLister &frmMain::portLister() const
{
    return givenOrSystemLister(m_services.portLister);
}

QStringList frmMain::portLines() const
{
    QStringList lines;
    for (const OfferedPort &port : m_numbering.numbered(portLister().ports()))
        lines << numberedPortText(port.number, port.port);
    return lines;
}

void frmMain::showPorts(const QStringList &lines)
{
    const QString text = lines.isEmpty() ? u"No serial port on this computer"_s : lines.join(u'\n');
    lblPorts->setText(text);
    // More ports than the label has lines for are all in its tip, and a
    // screen reader hears them with the box they belong to.
    lblPorts->setToolTip(text);
    txtComPort->setAccessibleDescription(text);
}

void frmMain::adoptTypedPort()
{
    const std::optional<qint16> number = comPortNumber(txtComPort->text());
    if (!number)
        return;
    // As choosing it from ZOLprint's menu does: from now on the number opens
    // this adapter in both programs, whichever other adapters come.
    for (const OfferedPort &port : m_numbering.offer(portLister().ports())) {
        if (port.number == *number) {
            m_numbering.choose(port);
            return;
        }
    }
}

void frmMain::reportUnopenedPort(const QString &reason)
{
    const QString typed = txtComPort->text().trimmed();
    const std::optional<qint16> number = comPortNumber(typed);
    QString line;
    if (typed.isEmpty())
        line = u"No COM port number given"_s;
    else if (!number)
        line = u"COM port "_s + typed + u" cannot be opened: "_s + reason;
    else
        line = comPortAndDevice(*number,
                                comPortDeviceName(*number, m_numbering.rememberedDevice(*number))) +
               u" cannot be opened: "_s + reason;
    txtErrors->appendLine(line);
    const QStringList ports = portLines();
    txtErrors->appendLine(u"Serial ports on this computer: "_s +
                          (ports.isEmpty() ? u"none"_s : ports.join(u", "_s)));
    // The box shows its last lines; the cause is in the first.
    txtErrors->verticalScrollBar()->setValue(0);
    showPorts(ports);
}

void frmMain::DisableControls()
{
    cmdGetserial->setEnabled(false);
    cmdProgram->setEnabled(false);
    cmdRemove->setEnabled(false);
    txtName->setEnabled(false);
}

void frmMain::EnableControls()
{
    cmdGetserial->setEnabled(true);
    cmdProgram->setEnabled(true);
    cmdRemove->setEnabled(true);
    txtName->setEnabled(true);
}

bool frmMain::openPort(QString &reason)
{
    SerialPort &MSComm1 = m_services.serialPort;
    txtComPort->setEnabled(false);
    const std::optional<qint16> number = comPortNumber(txtComPort->text());
    if (!number) {
        reason = u"not a valid port number"_s;
        return false;
    }
    return openMeterLine(MSComm1, *number, kMeterBaud, &reason);
}

void frmMain::closePort()
{
    m_services.serialPort.close();
}

void frmMain::setStatus(const QString &text)
{
    StatusBar1->setPanelText(1, text);
}

void frmMain::sendCommand(const char *header, const QByteArray &data, const QString &logLine)
{
    SerialPort &MSComm1 = m_services.serialPort;
    txtErrors->setText(QString());
    txtData->setText(QString());
    if (!MSComm1.isOpen()) {
        adoptTypedPort();
        QString reason;
        if (!openPort(reason)) {
            // Nothing can be sent; the user corrects the number and tries again.
            reportUnopenedPort(reason);
            setStatus(u"Ready"_s);
            txtComPort->setEnabled(true);
            returnFocus();
            return;
        }
    }
    m_state.CommandFrame = buildCommandFrame(header, data);
    txtErrors->appendLine(logLine);
    // Whatever is left of an earlier, unanswered exchange would otherwise
    // stand in front of this command's reply.
    m_state.ReceiveBuffer.clear();
    QString reason;
    if (!MSComm1.write(m_state.CommandFrame, &reason)) {
        // No reply can come to a command that never left: waiting out the
        // time-out would only hide the system's reason behind its hints.
        txtErrors->appendLine(u"COM port cannot be written: "_s + reason);
        endExchange();
        return;
    }
    DisableControls();
    tmrTimeout.start();
    setStatus(u"Waiting..."_s);
}

void frmMain::returnFocus()
{
    if (m_commandButton)
        m_commandButton->setFocus();
}

void frmMain::cmdGetserial_Click()
{
    m_commandButton = cmdGetserial;
    sendCommand(kVersionHeader, {}, u"Version command to ZOL"_s);
}

void frmMain::cmdRemove_Click()
{
    m_commandButton = cmdRemove;
    sendCommand(kClearNameHeader, {}, u"Clear command to ZOL"_s);
}

void frmMain::cmdProgram_Click()
{
    if (txtName->text().isEmpty())
        return;
    txtName->setText(txtName->text().leftJustified(kUserNameLength, u' '));

    // A name once programmed stays in the meter for good.
    if (!m_services.messageBoxes.askYesNo(this, m_state.ToolTitle,
                                          u"Only one time programming possible, continue?"_s,
                                          MessageBoxes::Icon::None, MessageBoxes::Answer::No))
        return;

    m_commandButton = cmdProgram;
    const QString field = txtName->text();
    sendCommand(kProgramNameHeader, userNameField(field),
                u"Program command to ZOL ("_s + field + u")"_s);
}

void frmMain::MSComm1_OnComm()
{
    appendReceived(m_state.ReceiveBuffer, m_services.serialPort.readAll());
    if (!replyComplete(m_state.ReceiveBuffer))
        return;

    if (!replyCheckRight(m_state.ReceiveBuffer))
        txtErrors->appendLine(u"CRC Error"_s);

    m_state.ReplyCode = m_state.ReceiveBuffer.at(1);
    switch (m_state.ReplyCode) {
    case 'o':
        txtErrors->appendLine(u"OK received from ZOL"_s);
        break;
    case 'f':
        txtErrors->appendLine(u"ERROR received from ZOL"_s);
        break;
    case 'w':
        txtErrors->appendLine(u"Curve programming OK"_s);
        break;
    case 'v':
        txtErrors->appendLine(u"Version received from ZOL"_s);
        for (const QString &line : versionLines(m_state.ReceiveBuffer))
            txtData->appendLine(line);
        break;
    default:
        txtErrors->appendLine(u"Unknown reply from ZOL"_s);
        break;
    }
    // Whatever the reply was, it is done with: left in the buffer, an
    // unrecognised one would stand in front of the next reply and spoil it.
    m_state.ReceiveBuffer.clear();
    endExchange();
}

void frmMain::MSComm1_Lost(const QString &reason)
{
    SerialPort &MSComm1 = m_services.serialPort;
    // A reply that arrived just before the line went may still wait to be
    // read; it ends the exchange as it would have anyway.
    if (MSComm1.isOpen() && MSComm1.inBufferCount() > 0)
        MSComm1_OnComm();
    // The port is open only while a reply is awaited.
    if (!MSComm1.isOpen())
        return;
    // Nothing more can come: waiting out the time-out would only hide the
    // real cause behind its hints.
    txtErrors->appendLine(u"COM port lost: "_s + reason);
    endExchange();
}

void frmMain::tmrTimeout_Timer()
{
    tmrTimeout.stop();
    txtErrors->appendLine(u"Timeout occured!"_s);
    txtErrors->appendLine(u"Software version 6.03 or later?"_s);
    txtErrors->appendLine(u"Check cable and COM port setting"_s);
    txtErrors->appendLine(u"Set ZOL to *5 - connection"_s);
    endExchange();
}

void frmMain::endExchange()
{
    tmrTimeout.stop();
    setStatus(u"Ready"_s);
    closePort();
    txtComPort->setEnabled(true);
    EnableControls();
    returnFocus();
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
    whenFirstShown(*this, [this] { showPorts(portLines()); });
}

void frmMain::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Back at the window after plugging an adapter in, the user finds it
    // listed; nothing polls in between.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && lblPorts)
        showPorts(portLines());
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

} // namespace zol
