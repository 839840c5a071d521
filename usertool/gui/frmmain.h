#pragma once

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>

class QCloseEvent;
class QEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

namespace zol {

class KeyValueStore;
class MessageBoxes;
class PortLister;
class PortNumbering;
class SerialPort;
class StatusBar;
class TextBox;

// What the window talks to; main() builds the real ones, tests build fakes.
struct UserToolServices
{
    SerialPort &serialPort;
    MessageBoxes &messageBoxes;
    // The ports the window lists; none given: the system's own.
    const PortLister *portLister = nullptr;
    // The numbers of those ports, kept with ZOLprint's in the user's
    // settings; none given: numbered afresh in every run, nothing kept.
    PortNumbering *portNumbering = nullptr;
};

// The form-level state, under its own names.
struct UserToolState
{
    QByteArray ReceiveBuffer;
    char ReceivedCheck = 0;
    char ReplyCode = 0;
    qint16 FrameLength = 0;
    qint16 CharIndex = 0;
    QByteArray CommandFrame;
    qint16 CheckValue = 0;
    QString ConfirmAnswer;
    QString ToolTitle;
};

class frmMain : public QWidget
{
    Q_OBJECT

public:
    explicit frmMain(UserToolServices services, QWidget *parent = nullptr);
    ~frmMain() override;

    // Event procedures, public so that tests can drive the window the way its
    // controls, timer and port do.
    void Form_Load();
    void Form_Unload();
    void DisableControls();
    void EnableControls();
    void MSComm1_OnComm();
    void MSComm1_Lost(const QString &reason);
    void cmdGetserial_Click();
    void cmdProgram_Click();
    void cmdRemove_Click();
    void tmrTimeout_Timer();

    // Tests read the state; only the window's own procedures change it.
    const UserToolState &state() const { return m_state; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    bool openPort(QString &reason);
    void closePort();
    // The ports present, under the numbers the COM port box takes.
    QStringList portLines() const;
    void showPorts(const QStringList &lines);
    // The adapter the typed number stands for is kept under that number.
    void adoptTypedPort();
    void reportUnopenedPort(const QString &reason);
    const PortLister &portLister() const;
    void sendCommand(const char *header, const QByteArray &data, const QString &logLine);
    void endExchange();
    void setStatus(const QString &text);
    void returnFocus();

    UserToolServices m_services;
    // Stands in for a numbering main() did not give.
    std::unique_ptr<KeyValueStore> m_ownStore;
    std::unique_ptr<PortNumbering> m_ownNumbering;
    PortNumbering &m_numbering;
    UserToolState m_state;
    bool m_centred = false;

    // Controls, under their own names. The timer is a child of the window so
    // that it can be found by name like every other control.
    QLabel *Label1 = nullptr;
    TextBox *txtData = nullptr;
    QLabel *lblErrors = nullptr;
    TextBox *txtErrors = nullptr;
    QPushButton *cmdGetserial = nullptr;
    QLabel *lblComport = nullptr;
    QLineEdit *txtComPort = nullptr;
    QLabel *lblPorts = nullptr;
    QPushButton *cmdRemove = nullptr;
    QPushButton *cmdProgram = nullptr;
    QLabel *lblName = nullptr;
    QLineEdit *txtName = nullptr;
    StatusBar *StatusBar1 = nullptr;
    QTimer tmrTimeout{this};

    // The button of the command under way: it has the focus back when the
    // command ends, so that Enter or Space repeats it.
    QPushButton *m_commandButton = nullptr;
};

} // namespace zol
