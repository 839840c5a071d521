#pragma once

#include "meterreading.h"
#include "pagedocument.h"
#include "readercontrols.h"
#include "readertexts.h"
#include "settings.h"

#include <QMainWindow>
#include <QPointer>

class QCloseEvent;

namespace zol {

class FileDialog;
class KeyValueStore;
class MessageBoxes;
class PagePrinter;
class PortLister;
class PortMenu;
class PortNumbering;
class ProgramLauncher;
class RecentFilesMenu;
class Registry;
class SerialPort;
class frmAbout;

// What the window talks to; main() builds the real ones, tests build fakes.
struct ReaderServices
{
    SerialPort &serialPort;
    MessageBoxes &messageBoxes;
    FileDialog &fileDialog;
    PagePrinter &printer;
    Registry &registry;
    ProgramLauncher &launcher;
    // The ports error 103 names and the COM port menu lists.
    const PortLister &portLister;
    // The numbers given to adapters, which the COM port menu offers.
    PortNumbering &portNumbering;
    // Where the files last opened or saved are kept.
    KeyValueStore &recentFiles;
    QString settingsPath = QString::fromUtf16(u"zolprint.ini");
    // Where pages that were read or edited and not saved are kept against a
    // crash; none given: they are not kept.
    QString recoveryFolder = {};
    // The user's settings folder could not be made: told once, at start.
    std::optional<SettingsFolderFailure> settingsFolderFailure = {};
};

class frmZOLprint : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmZOLprint(ReaderServices services, QWidget *parent = nullptr);
    ~frmZOLprint() override;

    // Tests and the bench read what the window's parts hold; only the
    // window's own procedures change it.
    const PageDocument &document() const { return m_document; }
    qint16 language() const { return m_texts.language(); }
    qint16 port() const;

    // Event procedures. They are public so that tests can drive the window
    // the way its controls and timers do.
    void Form_Load();
    void Form_Unload();
    void mExit_Click();
    void mPort1_Click() { choosePort(1); }
    void mPort2_Click() { choosePort(2); }
    void mPort3_Click() { choosePort(3); }
    void mPort4_Click() { choosePort(4); }
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

    // Every way of opening a measurements file ends here: File > Open, the
    // command line, a dropped file, a recent file. Unsaved pages are asked
    // about first. The pages are replaced only by a file read whole;
    // otherwise the user is told why, and false comes back.
    bool openMeasurementsFile(const QString &path);
    // At start: offers the pages a program that did not end as it should
    // left behind.
    void offerRecovery();

    // The program ends without a question: a signal (a logout, a shutdown,
    // kill) or the desktop session's end. The settings are written and the
    // unsaved pages kept for the next start; no box waits for an answer.
    void endProgram();

    bool isUnloaded() const { return m_unloaded; }

signals:
    // The program is to end now: every window closes with it.
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void choosePort(int port);
    void showCurrentPage();
    void endTransfer(bool early = false);
    void showReceivedPage();
    void txtVenster_Edited();
    bool savePages();
    bool mayReplacePages(bool *givenUp = nullptr);
    bool loadFile(const QString &path);
    void showTitle();
    void showNotKept(const QString &reason);
    void showError(ReaderTexts::Text what, const QString &reason = {});
    void showError(const QString &message);
    void printPages(const QStringList &pages);
    QString fileFilter() const;

    ReaderServices m_services;
    ReaderTexts m_texts;
    PageDocument m_document;
    MeterReading m_reading;
    bool m_unloaded = false;
    // Ending unattended: what would be a box goes to standard error.
    bool m_unattended = false;
    // That unsaved pages are not kept against a crash, told during the
    // reading under way: its Stop (n) says it again.
    QString m_notKept;

    // Controls, under their own names, and the menus that own their items.
    ReaderControls ui;
    RecentFilesMenu *recentFiles = nullptr;
    PortMenu *portMenu = nullptr;

    // The one About dialog; it deletes itself when closed.
    QPointer<frmAbout> aboutDialog;
};

} // namespace zol
