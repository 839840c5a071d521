#pragma once

#include "commandexchange.h"
#include "toolcontrols.h"

#include <QString>
#include <QWidget>

class QCloseEvent;
class QEvent;
class QPushButton;
class QShowEvent;

namespace zol {

class MessageBoxes;
class PortLister;
class PortNumbering;
class SerialPort;
struct ReplyReport;

// What the window talks to; main() builds the real ones, tests build fakes.
struct UserToolServices
{
    SerialPort &serialPort;
    MessageBoxes &messageBoxes;
    // The ports present, listed beside the COM port box.
    const PortLister &portLister;
    // The numbers of those ports, kept with ZOLprint's in the user's
    // settings.
    PortNumbering &portNumbering;
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

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Opens the port the COM port box names; false, told in txtErrors,
    // when it cannot be had.
    bool openPort();
    // The ports present, under the numbers the COM port box takes.
    QStringList portLines() const;
    void sendCommand(const char *header, const QByteArray &data, const QString &logLine);
    void logReply(const ReplyReport &report);
    void endExchange();
    void setStatus(const QString &text);

    UserToolServices m_services;
    ToolControls m_controls;
    CommandExchange m_exchange;
    QString ToolTitle;
    bool m_centred = false;
    // The button of the command under way: it has the focus back when the
    // command ends, so that Enter or Space repeats it.
    QPushButton *m_commandButton = nullptr;
};

} // namespace zol
