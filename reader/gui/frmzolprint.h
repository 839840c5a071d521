#pragma once

#include "languages.h"
#include "pagestore.h"
#include "watchdog.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QCloseEvent;
class QLineEdit;
class QMenu;
class QPushButton;

namespace zol {

class FileDialog;
class MessageBoxes;
class PagePrinter;
struct PrintFailure;
class PortLister;
class PortNumbering;
class ProgressBar;
class ProgramLauncher;
class RecoveryFiles;
class Registry;
class SerialPort;
class StatusBar;
class TextBox;
class frmAbout;
struct OfferedPort;

// What the window talks to; main() builds the real ones, tests build fakes.
struct ReaderServices
{
    SerialPort &serialPort;
    MessageBoxes &messageBoxes;
    FileDialog *fileDialog = nullptr;
    PagePrinter *printer = nullptr;
    Registry *registry = nullptr;
    ProgramLauncher *launcher = nullptr;
    QString settingsPath = QString::fromUtf16(u"zolprint.ini");
    // The ports error 103 names and the COM port menu lists; none given:
    // the system's own.
    const PortLister *portLister = nullptr;
    // Without it the COM port menu offers COM1 to COM4 alone.
    PortNumbering *portNumbering = nullptr;
    // Where pages that were read or edited and not saved are kept against a
    // crash; none given: they are not kept.
    QString recoveryFolder = {};
};

// The form-level state every part of the window works on.
struct ReaderState
{
    qint16 iLanguage = kEnglish;
    qint16 iPort = 0;
    PageStore pages;
    qint16 iLength = 0;
    QString sBuf;
    LanguageTables tables;
    // The transfer under way: whether any byte came, and, once the line was
    // lost, the system's reason, told when the transfer has ended.
    bool bReceived = false;
    std::optional<QString> sLost;
    // Whether the pages differ from what was last saved or opened, and the
    // measurements file they were last saved to or opened from.
    bool bUnsaved = false;
    QString sFileName;
};

class frmZOLprint : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmZOLprint(ReaderServices services, QWidget *parent = nullptr);
    ~frmZOLprint() override;

    // Tests and the bench read the state; only the window's own procedures
    // change it.
    const ReaderState &state() const { return m_state; }

    // Event procedures. They are public so that tests can drive the window
    // the way its controls and timers do.
    void Form_Load();
    void Form_Unload();
    void mExit_Click();
    void mPort1_Click() { selectPort(1); }
    void mPort2_Click() { selectPort(2); }
    void mPort3_Click() { selectPort(3); }
    void mPort4_Click() { selectPort(4); }
    void mStart_Click();
    void tmrReadbuf_Timer();
    void tmrControle_Timer();
    void cmdFirstpage_Click();
    void cmdPrevpage_Click();
    void cmdNextpage_Click();
    void cmdLastpage_Click();
    void txtVenster_Change();
    void mOpen_Click();
    void mSave_Click();
    void mThispage_Click();
    void mAllpages_Click();
    void mPreview_Click();
    void mToPdf_Click();
    void mAbout_Click();

    // Opens a measurements file chosen outside the Open dialog, as Open does.
    void openMeasurementsFile(const QString &path);
    // At start: offers the pages a program that did not end as it should
    // left behind.
    void offerRecovery();

    bool isUnloaded() const { return m_unloaded; }

signals:
    // The program is to end now: every window closes with it.
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    void setDesignCaptions();
    void selectPort(int port);
    void listPorts();
    void chooseListedPort(QAction *item, const OfferedPort &port);
    void numberItem(QAction *item, const OfferedPort &port);
    void showPortCheckMark();
    void showCurrentPage();
    void setInterfaceEnabled(bool enabled);
    void endTransfer();
    void MSComm1_Lost(const QString &reason);
    void txtVenster_Edited();
    bool savePages();
    bool mayReplacePages();
    void setUnsaved(bool unsaved);
    void keepPages();
    void showTitle();
    void showError(const QString &text);
    void printPages(const QStringList &pages);
    QString failureText(const PrintFailure &failure) const;
    const QString &text(const LanguageTable &table) const;

    ReaderServices m_services;
    ReaderState m_state;
    bool m_unloaded = false;
    std::unique_ptr<RecoveryFiles> m_recovery;

    // Controls, under their own names. The timers are children of the window
    // so that they can be found by name like every other control.
    QPushButton *cmdFirstpage = nullptr;
    QPushButton *cmdPrevpage = nullptr;
    QLineEdit *txtPageno = nullptr;
    QPushButton *cmdNextpage = nullptr;
    QPushButton *cmdLastpage = nullptr;
    ProgressBar *pbVoortgang = nullptr;
    TextBox *txtVenster = nullptr;
    StatusBar *StatusBar1 = nullptr;
    QTimer tmrReadbuf{this};
    Watchdog tmrControle{this};
    // Edits are kept in the recovery file at most every two seconds.
    QTimer tmrRecovery{this};

    QMenu *mFile = nullptr;
    QAction *mOpen = nullptr;
    QAction *mSave = nullptr;
    QMenu *mPrint = nullptr;
    QAction *mThispage = nullptr;
    QAction *mAllpages = nullptr;
    QAction *mPreview = nullptr;
    QAction *mToPdf = nullptr;
    QAction *mExit = nullptr;
    QMenu *mComm = nullptr;
    QMenu *mPort = nullptr;
    QAction *mPort1 = nullptr;
    QAction *mPort2 = nullptr;
    QAction *mPort3 = nullptr;
    QAction *mPort4 = nullptr;
    // COM1 to COM4 and the ports listed below them: one check mark among all.
    QActionGroup *portItems = nullptr;
    // The present ports, listed afresh each time the menu opens.
    QList<QAction *> listedPorts;
    QAction *mStart = nullptr;
    QMenu *mHelp = nullptr;
    QAction *mAbout = nullptr;

    // The one About dialog; it deletes itself when closed.
    QPointer<frmAbout> aboutDialog;
};

} // namespace zol
