#include "frmzolprint.h"

#include "comports.h"
#include "controlname.h"
#include "filedialog.h"
#include "filedrops.h"
#include "frmabout.h"
#include "images.h"
#include "measurementsfile.h"
#include "messagebox.h"
#include "pageprinter.h"
#include "portinfo.h"
#include "portlister.h"
#include "portmenu.h"
#include "programlauncher.h"
#include "progressbar.h"
#include "recentfilesmenu.h"
#include "serialport.h"
#include "settings.h"
#include "statusbar.h"
#include "textbox.h"

#include <QAction>
#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

using T = LanguageTables;
const QString kTitle = QStringLiteral("ZOL Print");

// Two things the status bar says at once, either of which may be missing.
QString bothInStatus(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + u" – "_s + second;
}

} // namespace

frmZOLprint::frmZOLprint(ReaderServices services, QWidget *parent)
    : QMainWindow(parent), m_services(std::move(services)),
      m_document(m_services.recoveryFolder, this), m_reading(m_services.serialPort, this)
{
    setWindowIcon(pngIcon(u":/zol/zol.png"_s));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    nameControl(this, u"frmZOLprint"_s);
    ui.build(*this);

    connect(ui.cmdFirstpage, &QPushButton::clicked, this, &frmZOLprint::cmdFirstpage_Click);
    connect(ui.cmdPrevpage, &QPushButton::clicked, this, &frmZOLprint::cmdPrevpage_Click);
    connect(ui.cmdNextpage, &QPushButton::clicked, this, &frmZOLprint::cmdNextpage_Click);
    connect(ui.cmdLastpage, &QPushButton::clicked, this, &frmZOLprint::cmdLastpage_Click);
    connect(ui.txtVenster, &TextBox::changed, this, &frmZOLprint::txtVenster_Change);
    connect(ui.txtVenster, &TextBox::edited, this, &frmZOLprint::txtVenster_Edited);
    connect(ui.mOpen, &QAction::triggered, this, &frmZOLprint::mOpen_Click);
    connect(ui.mSave, &QAction::triggered, this, &frmZOLprint::mSave_Click);
    connect(ui.mThispage, &QAction::triggered, this, &frmZOLprint::mThispage_Click);
    connect(ui.mAllpages, &QAction::triggered, this, &frmZOLprint::mAllpages_Click);
    connect(ui.mPreview, &QAction::triggered, this, &frmZOLprint::mPreview_Click);
    connect(ui.mToPdf, &QAction::triggered, this, &frmZOLprint::mToPdf_Click);
    connect(ui.mExit, &QAction::triggered, this, &frmZOLprint::mExit_Click);
    connect(ui.mStart, &QAction::triggered, this, &frmZOLprint::mStart_Click);
    connect(ui.mAbout, &QAction::triggered, this, &frmZOLprint::mAbout_Click);

    recentFiles = new RecentFilesMenu(*ui.mFile, ui.mExit, m_services.recentFiles, this);
    connect(recentFiles, &RecentFilesMenu::chosen, this, &frmZOLprint::openMeasurementsFile);
    portMenu = new PortMenu(*ui.mPort, m_services.portNumbering, m_services.portLister, this);
    connect(portMenu->fixedItem(1), &QAction::triggered, this, &frmZOLprint::mPort1_Click);
    connect(portMenu->fixedItem(2), &QAction::triggered, this, &frmZOLprint::mPort2_Click);
    connect(portMenu->fixedItem(3), &QAction::triggered, this, &frmZOLprint::mPort3_Click);
    connect(portMenu->fixedItem(4), &QAction::triggered, this, &frmZOLprint::mPort4_Click);

    // Only when File > Open could be chosen: not during a transfer.
    auto *drops = new FileDrops(*this, *ui.txtVenster->viewport(),
                                [this] { return ui.mOpen->isEnabled() && !m_unloaded; });
    connect(drops, &FileDrops::dropped, this, &frmZOLprint::openMeasurementsFile);

    connect(&m_reading, &MeterReading::bytesWaiting, this, &frmZOLprint::tmrReadbuf_Timer);
    connect(&m_reading, &MeterReading::silence, this, &frmZOLprint::tmrControle_Timer);
    connect(&m_document, &PageDocument::changed, this, &frmZOLprint::showTitle);
    // Told after whatever is under way has written its own status: the end
    // of a reading would write over it.
    connect(&m_document, &PageDocument::notKept, this, &frmZOLprint::showNotKept,
            Qt::QueuedConnection);
    showTitle();

    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmZOLprint::~frmZOLprint() = default;

qint16 frmZOLprint::port() const
{
    return portMenu->port();
}

void frmZOLprint::Form_Load()
{
    const Settings settings = readSettingsFile(m_services.settingsPath, defaultLanguage());
    m_texts = ReaderTexts(settings.language);
    // The date in the status bar as the program's language writes it.
    ui.StatusBar1->setLocale(QLocale(languageCode(settings.language)));
    portMenu->choose(settings.port);
    ui.txtPageno->setText(QString::number(m_document.pages().currentPageNumber()));
    ui.showCaptions(m_texts);
    if (const std::optional<SettingsFolderFailure> &failure = m_services.settingsFolderFailure)
        ui.StatusBar1->setPanelText(
            1, m_texts[&T::sSettingsFolder].arg(QDir::toNativeSeparators(failure->folder),
                                                failure->reason,
                                                QDir::toNativeSeparators(failure->usedInstead)));
}

void frmZOLprint::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_reading.halt();
    // The latest edits, when the program ends without the question (the
    // session ending): kept for the next start.
    m_document.keepPendingEdit();

    QString reason;
    const SettingsWritten written =
        writeSettingsFile(m_services.settingsPath, {m_texts.language(), portMenu->port()}, &reason);
    // The program ends all the same, but the window is still there to say
    // that the chosen port will be forgotten, and where; ended by a signal or
    // the session, nobody is there to answer a box.
    if (written != SettingsWritten::Yes) {
        const QString message =
            m_texts.settingsNotWritten(m_services.settingsPath, written, reason);
        if (m_unattended)
            qWarning().noquote() << message;
        else
            showError(message);
    }
    emit programEnded();
}

void frmZOLprint::endProgram()
{
    if (m_unloaded)
        return;
    m_unattended = true;
    // What arrived of a reading under way is kept as the pages it made.
    if (m_reading.isRunning())
        endTransfer(true);
    Form_Unload();
}

void frmZOLprint::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        // A reading under way ends here, keeping what arrived, so that the
        // question below covers it.
        if (m_reading.isRunning()) {
            endTransfer(true);
            showReceivedPage();
        }
        bool givenUp = false;
        if (!mayReplacePages(&givenUp)) {
            event->ignore();
            return;
        }
        if (givenUp)
            m_document.discard();
    }
    Form_Unload();
    event->accept();
}

void frmZOLprint::mExit_Click()
{
    close();
}

void frmZOLprint::choosePort(int port)
{
    portMenu->choose(port);
}

void frmZOLprint::showCurrentPage()
{
    const PageStore &pages = m_document.pages();
    ui.txtPageno->setText(QString::number(pages.currentPageNumber()));
    ui.txtVenster->setText(pages.currentPage());
    // The page number is drawn beside the buttons; a listener is told it,
    // and how many pages there are, wherever the focus is.
    const QString where = m_texts[&T::sPageOf]
                              .arg(pages.currentPageNumber())
                              .arg(std::max(1, pages.pagesInUseCount()));
    ui.txtPageno->setAccessibleDescription(where);
    ui.StatusBar1->announce(where);
}

void frmZOLprint::cmdFirstpage_Click()
{
    m_document.goToFirstPage();
    showCurrentPage();
}

void frmZOLprint::cmdPrevpage_Click()
{
    m_document.goToPreviousPage();
    showCurrentPage();
}

void frmZOLprint::cmdNextpage_Click()
{
    m_document.goToNextPage();
    showCurrentPage();
}

void frmZOLprint::cmdLastpage_Click()
{
    m_document.goToLastPage();
    showCurrentPage();
}

void frmZOLprint::txtVenster_Change()
{
    m_document.setCurrentPage(ui.txtVenster->text());
}

void frmZOLprint::txtVenster_Edited()
{
    m_document.edited();
}

void frmZOLprint::showTitle()
{
    // Qt shows the mark of unsaved pages where the [*] stands.
    const QString &file = m_document.fileName();
    setWindowTitle(file.isEmpty() ? kTitle + u"[*]"_s
                                  : u"%1 - %2[*]"_s.arg(kTitle, QFileInfo(file).fileName()));
    setWindowModified(m_document.isUnsaved());
}

bool frmZOLprint::mayReplacePages(bool *givenUp)
{
    if (!m_document.isUnsaved())
        return true;
    switch (m_services.messageBoxes.askYesNoCancel(this, kTitle, m_texts[&T::sUnsaved])) {
    case MessageBoxes::Answer::Yes:
        return savePages();
    case MessageBoxes::Answer::No:
        // Given up only once what replaces them has come: a reading that
        // does not start or a file that cannot be read leaves them unsaved.
        if (givenUp)
            *givenUp = true;
        return true;
    case MessageBoxes::Answer::Cancel:
        break;
    }
    return false;
}

void frmZOLprint::offerRecovery()
{
    // The copy to offer is locked first and held: the scan for damaged
    // copies locks each copy only for a moment, and a second program
    // starting meanwhile must not take the one this one is about to offer.
    const std::optional<KeptPages> kept = m_document.takeOrphan();
    for (const DamagedCopy &copy : m_document.takeDamaged())
        showError(damagedCopyMessage(copy, m_texts.tables(), m_texts.language()));
    if (!kept)
        return;
    switch (m_services.messageBoxes.askYesNoOrClose(
        this, kTitle, recoveryQuestion(*kept, m_texts.tables(), m_texts.language()))) {
    case MessageBoxes::Answer::Yes:
        m_document.restore(*kept);
        showCurrentPage();
        if (kept->endedEarly)
            ui.StatusBar1->setPanelText(1, m_texts.stopStatus(kept->received(), true));
        return;
    case MessageBoxes::Answer::No:
        m_document.dropOrphan();
        return;
    case MessageBoxes::Answer::Cancel:
        // Closed, not answered: "not now", offered again at the next start.
        m_document.keepOrphan();
        return;
    }
}

void frmZOLprint::showNotKept(const QString &reason)
{
    const RecoveryFiles *files = m_document.recovery();
    if (!files)
        return;
    const QString message = notKeptMessage(*files, reason, m_texts.tables(), m_texts.language());
    // Beside what the status says already (Stop (n)), and again at the end
    // of the reading during which the copy failed.
    m_notKept = message;
    ui.StatusBar1->setPanelText(1, bothInStatus(ui.StatusBar1->panelText(1), message));
    ui.StatusBar1->announce(message);
}

void frmZOLprint::showError(ReaderTexts::Text what, const QString &reason)
{
    showError(m_texts.withReason(what, reason));
}

void frmZOLprint::showError(const QString &message)
{
    m_services.messageBoxes.showOk(this, m_texts[&T::sErrtitle], message, MessageBoxes::Icon::None);
}

void frmZOLprint::mStart_Click()
{
    if (m_reading.isRunning())
        return;
    // The meter may be cleared after this reading: the pages on show go
    // only with the user's word.
    if (!mayReplacePages())
        return;

    const qint16 iPort = portMenu->port();
    if (iPort < kFirstComPort || iPort > kLastComPort) {
        showError(m_texts.portNotValid(iPort, m_services.settingsPath));
        return;
    }
    ui.setEnabled(false);
    QString reason;
    QString device;
    if (!m_reading.start(iPort, &reason, &device)) {
        ui.setEnabled(true);
        showError(m_texts.portNotOpened(reason, iPort, device, m_services.portLister.ports()));
        return;
    }

    ui.StatusBar1->setPanelText(1, m_texts[&T::sConnected]);
    m_notKept.clear();
    // What the user is to do on the meter is said as well as shown, and the
    // bar's steps are no percentage.
    ui.StatusBar1->announce(m_texts[&T::sPrompt30]);
    ui.StatusBar1->announce(m_texts[&T::sPrompt31]);
    ui.pbVoortgang->setBusy(true);

    const QString prompt = m_texts[&T::sPrompt30] + u"\r\n"_s + m_texts[&T::sPrompt31];
    m_document.beginReading(prompt);
    ui.pbVoortgang->setValue(0);
    // Shown, not announced as a page: the instructions were said above.
    ui.txtPageno->setText(QString::number(m_document.pages().currentPageNumber()));
    ui.txtVenster->setText(prompt);
}

void frmZOLprint::tmrReadbuf_Timer()
{
    const std::optional<QByteArray> chunk = m_reading.take();
    if (!chunk)
        return;
    ui.txtVenster->setText(QString());
    ui.pbVoortgang->setValue(ui.pbVoortgang->value() < 100 ? ui.pbVoortgang->value() + 10 : 0);
    m_document.receive(*chunk);
}

void frmZOLprint::tmrControle_Timer()
{
    // Ten seconds of silence end a running transfer, also one whose current
    // page stayed empty (a dump that began with a form feed).
    const bool ended = m_reading.isRunning();
    if (ended)
        endTransfer();
    showReceivedPage();
    // Told once, after the pages are back on show, so that the user sees what
    // did arrive while reading why more may be missing.
    if (const std::optional<QString> lost = m_reading.takeLoss())
        showError(&T::sErr106, *lost);
    if (ended && m_document.pages().overflowed())
        showError(&T::sErr107);
}

void frmZOLprint::showReceivedPage()
{
    // The page window was emptied as the bytes came; left empty, typing
    // there would replace the meter's page with the typed text.
    if (!m_document.pages().currentPage().isEmpty())
        ui.txtVenster->setText(m_document.pages().currentPage());
}

void frmZOLprint::endTransfer(bool early)
{
    m_reading.stop();
    const qint16 received =
        m_document.endReading(m_reading.dataArrived(), m_reading.lineLost(), early);
    ui.StatusBar1->setPanelText(1, bothInStatus(m_texts.stopStatus(received, early), m_notKept));
    ui.pbVoortgang->setValue(0);
    ui.pbVoortgang->setBusy(false);
    ui.setEnabled(true);
    // The page buttons that had the focus were disabled; the received page
    // is what the user turns to now.
    ui.txtVenster->setFocus();
}

void frmZOLprint::mSave_Click()
{
    savePages();
}

bool frmZOLprint::savePages()
{
    const std::optional<QString> name = m_services.fileDialog.getSaveFileName(
        this, fileFilter(), m_texts[&T::sDefext], m_document.fileName());
    if (!name)
        return false;
    if (const std::optional<qsizetype> inexact =
            firstInexactPage(m_document.pages().pagesInUse())) {
        // Yes may overwrite an older file with pages that do not come back
        // as they are.
        if (!m_services.messageBoxes.askYesNo(this, kTitle,
                                              m_texts[&T::sSaveInexact].arg(*inexact + 1),
                                              MessageBoxes::Icon::None, MessageBoxes::Answer::No))
            return false;
    }
    QString reason;
    if (!m_document.save(*name, &reason)) {
        showError(&T::sErr104, reason);
        return false;
    }
    recentFiles->remember(*name);
    return true;
}

void frmZOLprint::mOpen_Click()
{
    if (!mayReplacePages())
        return;
    // A cancel changes nothing: the pages are replaced only by a file read whole.
    const std::optional<QString> name =
        m_services.fileDialog.getOpenFileName(this, fileFilter(), m_texts[&T::sDefext]);
    if (!name)
        return;
    loadFile(*name);
}

bool frmZOLprint::openMeasurementsFile(const QString &path)
{
    // A file that arrives while the meter is being read (dropped, or queued
    // just before Read ZOL) would replace the pages being received.
    if (m_unloaded || m_reading.isRunning())
        return false;
    if (!mayReplacePages())
        return false;
    return loadFile(path);
}

bool frmZOLprint::loadFile(const QString &path)
{
    if (m_unloaded || m_reading.isRunning())
        return false;
    ui.pbVoortgang->setValue(1);
    const MeasurementsRead read =
        readMeasurementsFile(path, [this](int value) { ui.pbVoortgang->setValue(value); });
    ui.pbVoortgang->setValue(0);

    if (read.status != MeasurementsRead::Status::Ok) {
        recentFiles->forget(path);
        showError(measurementsReadError(read, path, {m_texts[&T::sErr101], m_texts[&T::sErr102]}));
        return false;
    }

    m_document.open(path, read);
    showCurrentPage();
    recentFiles->remember(path);
    return true;
}

QString frmZOLprint::fileFilter() const
{
    return m_texts[&T::sFilter] + u'|' + m_texts[&T::sFilterAll];
}

void frmZOLprint::mThispage_Click()
{
    printPages({m_document.pages().currentPage()});
}

void frmZOLprint::mAllpages_Click()
{
    // With no page in use there is nothing to print, and no job is started.
    printPages(m_document.pages().pagesInUse());
}

void frmZOLprint::printPages(const QStringList &pages)
{
    PrintFailure failure{PrintFailure::Kind::NoPrinter, QString()};
    if (m_services.printer.printPages(pages, &failure))
        return;
    showError(&T::sErr105, m_texts.reason(failure));
}

void frmZOLprint::mPreview_Click()
{
    PrintFailure failure{PrintFailure::Kind::NoPrinter, QString()};
    if (m_services.printer.preview(this, m_document.pages().pagesInUse(), &failure))
        return;
    showError(&T::sErr105, m_texts.reason(failure));
}

void frmZOLprint::mToPdf_Click()
{
    const QString &file = m_document.fileName();
    const QString proposed =
        file.isEmpty() ? QString() : QFileInfo(file).completeBaseName() + u".pdf"_s;
    const std::optional<QString> name =
        m_services.fileDialog.getSavePdfFileName(this, m_texts[&T::sPdfFilter], proposed);
    if (!name)
        return;
    PrintFailure failure;
    if (!m_services.printer.writePdf(*name, m_document.pages().pagesInUse(), &failure))
        showError(&T::sErr104, m_texts.reason(failure));
}

void frmZOLprint::mAbout_Click()
{
    if (!aboutDialog)
        aboutDialog = new frmAbout(AboutServices{m_services.registry, m_services.launcher,
                                                 m_services.messageBoxes, &isOrdinaryFile},
                                   this);
    aboutDialog->show();
    aboutDialog->raise();
    aboutDialog->activateWindow();
}

} // namespace zol
