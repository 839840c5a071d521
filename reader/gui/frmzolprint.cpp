#include "frmzolprint.h"

#include "controlname.h"
#include "filedialog.h"
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
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

constexpr int kClientWidth = 8520;
constexpr int kClientHeight = 5160;
using T = LanguageTables;
const QString kTitle = QStringLiteral("ZOL Print");

QFont namedFont(const char16_t *family, qreal points)
{
    QFont font(QString::fromUtf16(family));
    font.setPointSizeF(points);
    return font;
}

// Disabling a menu in the bar does not disable its items' shortcuts, and a
// shortcut must not open a file dialog in the middle of a transfer.
void setMenuEnabled(QMenu *menu, bool enabled)
{
    menu->menuAction()->setEnabled(enabled);
    for (QAction *action : menu->actions()) {
        if (QMenu *submenu = action->menu())
            setMenuEnabled(submenu, enabled);
        else
            action->setEnabled(enabled);
    }
}

// The menu bar belongs to the desktop, not to the window's Courier New. A
// font set on a widget keeps only what it sets itself, so every property is
// set again to make the desktop's font stand whole against the window's.
QFont desktopMenuFont(const QWidget *bar)
{
    const QFont desktop = QApplication::font(bar);
    QFont font(desktop);
    font.setFamilies(desktop.families().isEmpty() ? QStringList{desktop.family()}
                                                  : desktop.families());
    if (desktop.pointSizeF() > 0)
        font.setPointSizeF(desktop.pointSizeF());
    else
        font.setPixelSize(desktop.pixelSize());
    font.setWeight(desktop.weight());
    font.setStyle(desktop.style());
    font.setStyleHint(desktop.styleHint());
    return font;
}

} // namespace

frmZOLprint::frmZOLprint(ReaderServices services, QWidget *parent)
    : QMainWindow(parent), m_services(std::move(services)),
      m_portLister(givenOrSystemLister(m_services.portLister)),
      m_document(m_services.recoveryFolder, this), m_reading(m_services.serialPort, this)
{
    setWindowIcon(pngIcon(u":/zol/zol.png"_s));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(namedFont(u"Courier New", 11.25));
    nameControl(this, u"frmZOLprint"_s);

    buildControls();
    buildMenu();

    connect(&m_reading, &MeterReading::bytesWaiting, this, &frmZOLprint::tmrReadbuf_Timer);
    connect(&m_reading, &MeterReading::silence, this, &frmZOLprint::tmrControle_Timer);
    connect(&m_document, &PageDocument::changed, this, &frmZOLprint::showTitle);
    showTitle();

    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmZOLprint::~frmZOLprint() = default;

qint16 frmZOLprint::port() const
{
    return portMenu->port();
}

void frmZOLprint::buildControls()
{
    auto *client = new QWidget(this);
    nameControl(client, u"client"_s);
    client->setFixedSize(twipsSize(kClientWidth, kClientHeight));
    setCentralWidget(client);

    const QFont buttonFont = namedFont(u"MS Sans Serif", 9.75);
    auto makeButton = [client](const QString &name, const QString &caption) {
        auto *button = new QPushButton(caption, client);
        nameControl(button, name);
        button->setAutoDefault(false);
        return button;
    };
    cmdFirstpage = makeButton(u"cmdFirstpage"_s, u"<<"_s);
    cmdFirstpage->setFont(buttonFont);
    placeInTwips(cmdFirstpage, 120, 120, 735, 255);
    cmdPrevpage = makeButton(u"cmdPrevpage"_s, u"<"_s);
    placeInTwips(cmdPrevpage, 1080, 120, 735, 255);
    cmdNextpage = makeButton(u"cmdNextpage"_s, u">"_s);
    placeInTwips(cmdNextpage, 2760, 120, 735, 255);
    cmdLastpage = makeButton(u"cmdLastpage"_s, u">>"_s);
    placeInTwips(cmdLastpage, 3720, 120, 735, 255);

    txtPageno = new QLineEdit(client);
    nameControl(txtPageno, u"txtPageno"_s);
    txtPageno->setFont(buttonFont);
    // The program never reads the page number back, so typing there would
    // only mislead.
    txtPageno->setReadOnly(true);
    QPalette pagenoPalette = txtPageno->palette();
    pagenoPalette.setColor(QPalette::Base, pagenoPalette.color(QPalette::Button));
    txtPageno->setPalette(pagenoPalette);
    placeInTwips(txtPageno, 2040, 120, 495, 345);

    pbVoortgang = new ProgressBar(client);
    nameControl(pbVoortgang, u"pbVoortgang"_s);
    pbVoortgang->setRange(0, 100);
    pbVoortgang->setValue(0);
    pbVoortgang->setTextVisible(false);
    placeInTwips(pbVoortgang, 4680, 120, 1575, 255);

    txtVenster = new TextBox(client);
    nameControl(txtVenster, u"txtVenster"_s);
    txtVenster->setFont(namedFont(u"Courier New", 9.75));
    // No wrapping: the meter's columns must stay aligned.
    txtVenster->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtVenster->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtVenster->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the buttons, as in any other dialog; the meter's
    // columns are made of spaces.
    txtVenster->setTabChangesFocus(true);
    placeInTwips(txtVenster, 120, 600, 8295, 4215);

    StatusBar1 = new StatusBar(client);
    nameControl(StatusBar1, u"StatusBar1"_s);
    StatusBar1->setFont(namedFont(u"MS Sans Serif", 8.25));
    StatusBar1->addPanel(StatusBar::PanelKind::Text, 0, twips(1440));
    StatusBar1->addPanel(StatusBar::PanelKind::Time, twips(1440));
    StatusBar1->addPanel(StatusBar::PanelKind::Date, twips(1440));
    placeInTwips(StatusBar1, 0, 4905, 8520, 255);

    pbVoortgang->setFocusPolicy(Qt::NoFocus);
    setTabOrder(txtVenster, cmdPrevpage);
    setTabOrder(cmdPrevpage, cmdNextpage);
    setTabOrder(cmdNextpage, cmdFirstpage);
    setTabOrder(cmdFirstpage, cmdLastpage);
    setTabOrder(cmdLastpage, txtPageno);
    txtVenster->setFocus();

    connect(cmdFirstpage, &QPushButton::clicked, this, &frmZOLprint::cmdFirstpage_Click);
    connect(cmdPrevpage, &QPushButton::clicked, this, &frmZOLprint::cmdPrevpage_Click);
    connect(cmdNextpage, &QPushButton::clicked, this, &frmZOLprint::cmdNextpage_Click);
    connect(cmdLastpage, &QPushButton::clicked, this, &frmZOLprint::cmdLastpage_Click);
    connect(txtVenster, &TextBox::changed, this, &frmZOLprint::txtVenster_Change);
    connect(txtVenster, &TextBox::edited, this, &frmZOLprint::txtVenster_Edited);

    // A file dragged from the file manager opens, wherever on the window it
    // is let go. The page window would otherwise take it as text and paste
    // the file's name into the page.
    setAcceptDrops(true);
    txtVenster->viewport()->installEventFilter(this);
}

void frmZOLprint::buildMenu()
{
    // Every caption is set by Form_Load, in the program's language.
    QMenuBar *bar = menuBar();
    nameControl(bar, u"menuBar"_s);
    bar->setFont(desktopMenuFont(bar));
    auto addMenu = [bar](QMenu *parent, const QString &name) {
        auto *menu = new QMenu(parent ? static_cast<QWidget *>(parent) : bar);
        nameControl(menu, name);
        menu->menuAction()->setObjectName(name);
        if (parent)
            parent->addMenu(menu);
        else
            bar->addMenu(menu);
        return menu;
    };
    auto addItem = [this](QMenu *menu, const QString &name, const QKeySequence &shortcut,
                          void (frmZOLprint::*handler)()) {
        QAction *action = menu->addAction(QString());
        action->setObjectName(name);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    mFile = addMenu(nullptr, u"mFile"_s);
    mOpen =
        addItem(mFile, u"mOpen"_s, QKeySequence(Qt::CTRL | Qt::Key_O), &frmZOLprint::mOpen_Click);
    mSave =
        addItem(mFile, u"mSave"_s, QKeySequence(Qt::CTRL | Qt::Key_S), &frmZOLprint::mSave_Click);
    mPrint = addMenu(mFile, u"mPrint"_s);
    mThispage = addItem(mPrint, u"mThispage"_s, QKeySequence(Qt::CTRL | Qt::Key_P),
                        &frmZOLprint::mThispage_Click);
    mAllpages = addItem(mPrint, u"mAllpages"_s, QKeySequence(), &frmZOLprint::mAllpages_Click);
    mPrint->addSeparator();
    mPreview = addItem(mPrint, u"mPreview"_s, QKeySequence(), &frmZOLprint::mPreview_Click);
    mToPdf = addItem(mPrint, u"mToPdf"_s, QKeySequence(), &frmZOLprint::mToPdf_Click);
    recentFiles = new RecentFilesMenu(*mFile, m_services.recentFiles, this);
    connect(recentFiles, &RecentFilesMenu::chosen, this, &frmZOLprint::openMeasurementsFile);
    mExit =
        addItem(mFile, u"mExit"_s, QKeySequence(Qt::CTRL | Qt::Key_Q), &frmZOLprint::mExit_Click);

    mComm = addMenu(nullptr, u"mComm"_s);
    mPort = addMenu(mComm, u"mPort"_s);
    portMenu = new PortMenu(*mPort, m_services.portNumbering, m_portLister, this);
    connect(portMenu->fixedItem(1), &QAction::triggered, this, &frmZOLprint::mPort1_Click);
    connect(portMenu->fixedItem(2), &QAction::triggered, this, &frmZOLprint::mPort2_Click);
    connect(portMenu->fixedItem(3), &QAction::triggered, this, &frmZOLprint::mPort3_Click);
    connect(portMenu->fixedItem(4), &QAction::triggered, this, &frmZOLprint::mPort4_Click);
    mStart =
        addItem(mComm, u"mStart"_s, QKeySequence(Qt::CTRL | Qt::Key_I), &frmZOLprint::mStart_Click);

    mHelp = addMenu(nullptr, u"mHelp"_s);
    mAbout = addItem(mHelp, u"mAbout"_s, QKeySequence(Qt::Key_F1), &frmZOLprint::mAbout_Click);
}

void frmZOLprint::Form_Load()
{
    const Settings settings = readSettingsFile(m_services.settingsPath, defaultLanguage());
    m_texts = ReaderTexts(settings.language);
    portMenu->choose(settings.port);
    txtPageno->setText(QString::number(m_document.pages().currentPageNumber()));
    showCaptions();
}

void frmZOLprint::showCaptions()
{
    mFile->setTitle(m_texts[&T::sFile]);
    mOpen->setText(m_texts[&T::sOpen]);
    mSave->setText(m_texts[&T::sSave]);
    mPrint->setTitle(m_texts[&T::sPrint]);
    mAllpages->setText(m_texts[&T::sAllpages]);
    mThispage->setText(m_texts[&T::sThispage]);
    mPreview->setText(m_texts[&T::sPreview]);
    mToPdf->setText(m_texts[&T::sToPdf]);
    mExit->setText(m_texts[&T::sExit]);
    mComm->setTitle(m_texts[&T::sComm]);
    mPort->setTitle(m_texts[&T::sPort]);
    mStart->setText(m_texts[&T::sStart]);
    mHelp->setTitle(m_texts[&T::sHelp]);
    mAbout->setText(m_texts[&T::sAbout]);

    // The controls without a caption are named in the program's language.
    txtVenster->setAccessibleName(m_texts[&T::sNameVenster]);
    txtPageno->setAccessibleName(m_texts[&T::sNamePageno]);
    pbVoortgang->setAccessibleName(m_texts[&T::sNameVoortgang]);
    StatusBar1->setAccessibleName(m_texts[&T::sNameStatus]);
    // The captions are arrows, which a screen reader reads as "less less".
    cmdFirstpage->setAccessibleName(m_texts[&T::sNameFirstpage]);
    cmdPrevpage->setAccessibleName(m_texts[&T::sNamePrevpage]);
    cmdNextpage->setAccessibleName(m_texts[&T::sNameNextpage]);
    cmdLastpage->setAccessibleName(m_texts[&T::sNameLastpage]);
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
    if (written != SettingsWritten::Yes) {
        // The program ends all the same, but the window is still there to
        // say that the chosen port will be forgotten, and where, in full:
        // the file is not one the user chose.
        if (written == SettingsWritten::ForeignLink)
            reason = m_texts[&T::sSettingsLink].arg(QDir::toNativeSeparators(reason));
        showError(&T::sErr104,
                  QDir::toNativeSeparators(QFileInfo(m_services.settingsPath).absoluteFilePath()) +
                      u"\r\n"_s + reason);
    }
    emit programEnded();
}

void frmZOLprint::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        // A reading under way ends here, keeping what arrived, so that the
        // question below covers it.
        if (m_reading.isRunning())
            endTransfer();
        if (!mayReplacePages()) {
            event->ignore();
            return;
        }
    }
    Form_Unload();
    event->accept();
}

void frmZOLprint::mExit_Click()
{
    close();
}

void frmZOLprint::mPort1_Click()
{
    portMenu->choose(1);
}

void frmZOLprint::mPort2_Click()
{
    portMenu->choose(2);
}

void frmZOLprint::mPort3_Click()
{
    portMenu->choose(3);
}

void frmZOLprint::mPort4_Click()
{
    portMenu->choose(4);
}

void frmZOLprint::showCurrentPage()
{
    const PageStore &pages = m_document.pages();
    txtPageno->setText(QString::number(pages.currentPageNumber()));
    txtVenster->setText(pages.currentPage());
    // The page number is drawn beside the buttons; a listener is told it,
    // and how many pages there are, wherever the focus is.
    const QString where = m_texts[&T::sPageOf]
                              .arg(pages.currentPageNumber())
                              .arg(std::max(1, pages.pagesInUseCount()));
    txtPageno->setAccessibleDescription(where);
    StatusBar1->announce(where);
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
    m_document.setCurrentPage(txtVenster->text());
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

bool frmZOLprint::mayReplacePages()
{
    if (!m_document.isUnsaved())
        return true;
    switch (m_services.messageBoxes.askYesNoCancel(this, kTitle, m_texts[&T::sUnsaved])) {
    case MessageBoxes::Answer::Yes:
        return savePages();
    case MessageBoxes::Answer::No:
        m_document.discard();
        return true;
    case MessageBoxes::Answer::Cancel:
        break;
    }
    return false;
}

void frmZOLprint::offerRecovery()
{
    const std::optional<KeptPages> kept = m_document.takeOrphan();
    if (!kept)
        return;
    const QLocale locale(languageCode(m_texts.language()));
    const QString question =
        m_texts[&T::sRecover].arg(locale.toString(kept->savedAt, QLocale::ShortFormat));
    if (!m_services.messageBoxes.askYesNo(this, kTitle, question)) {
        m_document.dropOrphan();
        return;
    }
    m_document.restore(*kept);
    showCurrentPage();
}

void frmZOLprint::setInterfaceEnabled(bool enabled)
{
    setMenuEnabled(mComm, enabled);
    setMenuEnabled(mFile, enabled);
    setMenuEnabled(mHelp, enabled);
    cmdFirstpage->setEnabled(enabled);
    cmdLastpage->setEnabled(enabled);
    cmdNextpage->setEnabled(enabled);
    cmdPrevpage->setEnabled(enabled);
    // Typing during a transfer would replace the page being received.
    txtVenster->setReadOnly(!enabled);
}

void frmZOLprint::showError(ReaderTexts::Text what, const QString &reason)
{
    m_services.messageBoxes.showOk(this, m_texts[&T::sErrtitle], m_texts.withReason(what, reason),
                                   MessageBoxes::Icon::None);
}

void frmZOLprint::mStart_Click()
{
    if (m_reading.isRunning())
        return;
    // The meter may be cleared after this reading: the pages on show go
    // only with the user's word.
    if (!mayReplacePages())
        return;

    setInterfaceEnabled(false);
    QString reason;
    QString device;
    if (!m_reading.start(portMenu->port(), &reason, &device)) {
        setInterfaceEnabled(true);
        // Which device the number stood for tells a wrong mapping from a
        // wrong cable, and which port to choose is the user's next
        // question: those there are.
        if (!device.isEmpty())
            reason += u"\r\nCOM%1 = %2"_s.arg(portMenu->port()).arg(device);
        showError(&T::sErr103, reason + u"\r\n"_s +
                                   portListLine(m_texts[&T::sPortlist], m_portLister.ports(),
                                                m_texts[&T::sNoports]));
        return;
    }

    StatusBar1->setPanelText(1, m_texts[&T::sConnected]);
    // What the user is to do on the meter is said as well as shown, and the
    // bar's steps are no percentage.
    StatusBar1->announce(m_texts[&T::sPrompt30]);
    StatusBar1->announce(m_texts[&T::sPrompt31]);
    pbVoortgang->setBusy(true);

    const QString prompt = m_texts[&T::sPrompt30] + u"\r\n"_s + m_texts[&T::sPrompt31];
    m_document.beginReading(prompt);
    pbVoortgang->setValue(0);
    // Shown, not announced as a page: the instructions were said above.
    txtPageno->setText(QString::number(m_document.pages().currentPageNumber()));
    txtVenster->setText(prompt);
}

void frmZOLprint::tmrReadbuf_Timer()
{
    const std::optional<QByteArray> chunk = m_reading.take();
    if (!chunk)
        return;
    txtVenster->setText(QString());
    pbVoortgang->setValue(pbVoortgang->value() < 100 ? pbVoortgang->value() + 10 : 0);
    m_document.receive(*chunk);
}

void frmZOLprint::tmrControle_Timer()
{
    // Ten seconds of silence end a running transfer, also one whose current
    // page stayed empty (a dump that began with a form feed).
    const bool ended = m_reading.isRunning();
    if (ended)
        endTransfer();
    if (!m_document.pages().currentPage().isEmpty())
        txtVenster->setText(m_document.pages().currentPage());
    // Told once, after the pages are back on show, so that the user sees what
    // did arrive while reading why more may be missing.
    if (const std::optional<QString> lost = m_reading.takeLoss())
        showError(&T::sErr106, *lost);
    if (ended && m_document.pages().overflowed())
        showError(&T::sErr107);
}

void frmZOLprint::endTransfer()
{
    m_reading.stop();
    const qint16 received = m_document.endReading(m_reading.dataArrived(), m_reading.lineLost());
    StatusBar1->setPanelText(1, m_texts[&T::sStop] + u" ("_s + QString::number(received) + u")"_s);
    pbVoortgang->setValue(0);
    pbVoortgang->setBusy(false);
    setInterfaceEnabled(true);
    // The page buttons that had the focus were disabled; the received page
    // is what the user turns to now.
    txtVenster->setFocus();
}

void frmZOLprint::mSave_Click()
{
    savePages();
}

bool frmZOLprint::savePages()
{
    FileDialog *dialog = m_services.fileDialog;
    if (!dialog)
        return false;
    const std::optional<QString> name =
        dialog->getSaveFileName(this, fileFilter(), m_texts[&T::sDefext]);
    if (!name)
        return false;
    if (const std::optional<qsizetype> inexact =
            firstInexactPage(m_document.pages().pagesInUse())) {
        // Yes may overwrite an older file with pages that do not come back
        // as they are.
        if (!m_services.messageBoxes.askYesNo(this, m_texts[&T::sErrtitle],
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
    FileDialog *dialog = m_services.fileDialog;
    if (!dialog)
        return;
    if (!mayReplacePages())
        return;
    // A cancel changes nothing: the pages are replaced only by a file read whole.
    const std::optional<QString> name =
        dialog->getOpenFileName(this, fileFilter(), m_texts[&T::sDefext]);
    if (!name)
        return;
    openMeasurementsFile(*name);
}

bool frmZOLprint::openMeasurementsFile(const QString &path)
{
    // A file that arrives while the meter is being read (dropped, or queued
    // just before Read ZOL) would replace the pages being received.
    if (m_unloaded || m_reading.isRunning())
        return false;
    if (!mayReplacePages())
        return false;
    pbVoortgang->setValue(1);
    const MeasurementsRead read =
        readMeasurementsFile(path, [this](int value) { pbVoortgang->setValue(value); });
    pbVoortgang->setValue(0);

    switch (read.status) {
    case MeasurementsRead::Status::WrongHeader:
        recentFiles->forget(path);
        showError(&T::sErr101);
        return false;
    case MeasurementsRead::Status::TooManyPages:
    case MeasurementsRead::Status::Truncated:
        recentFiles->forget(path);
        showError(&T::sErr102);
        return false;
    case MeasurementsRead::Status::Ok:
        break;
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

std::optional<QString> frmZOLprint::droppableFile(const QMimeData *data) const
{
    // Only when File > Open could be chosen: not during a transfer.
    if (!data || !data->hasUrls() || !mOpen->isEnabled() || m_unloaded)
        return std::nullopt;
    // Of several files, which one the user meant is not the program's to
    // guess: the drag is refused, and the cursor says so before letting go.
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return std::nullopt;
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return std::nullopt;
    return path;
}

void frmZOLprint::dragFile(QDropEvent *event)
{
    const std::optional<QString> path = droppableFile(event->mimeData());
    // Always as a copy: a file manager told that the file was moved would
    // delete it.
    if (!path || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (event->type() != QEvent::Drop)
        return;
    // Opened once the drop is over, so that the file manager is not held up
    // by a message or a question about the file.
    QTimer::singleShot(0, this, [this, file = *path] { openMeasurementsFile(file); });
}

void frmZOLprint::dragEnterEvent(QDragEnterEvent *event)
{
    dragFile(event);
}

void frmZOLprint::dragMoveEvent(QDragMoveEvent *event)
{
    dragFile(event);
}

void frmZOLprint::dropEvent(QDropEvent *event)
{
    dragFile(event);
}

bool frmZOLprint::eventFilter(QObject *watched, QEvent *event)
{
    // Files dropped on the page window are the window's; text dropped there
    // is the page's, as before.
    if (watched == txtVenster->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (drop->mimeData() && drop->mimeData()->hasUrls()) {
                dragFile(drop);
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
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
    if (m_services.printer && m_services.printer->printPages(pages, &failure))
        return;
    showError(&T::sErr105, failureText(failure));
}

void frmZOLprint::mPreview_Click()
{
    PrintFailure failure{PrintFailure::Kind::NoPrinter, QString()};
    if (m_services.printer &&
        m_services.printer->preview(this, m_document.pages().pagesInUse(), &failure))
        return;
    showError(&T::sErr105, failureText(failure));
}

void frmZOLprint::mToPdf_Click()
{
    FileDialog *dialog = m_services.fileDialog;
    if (!dialog || !m_services.printer)
        return;
    const QString &file = m_document.fileName();
    const QString proposed =
        file.isEmpty() ? QString() : QFileInfo(file).completeBaseName() + u".pdf"_s;
    const std::optional<QString> name =
        dialog->getSavePdfFileName(this, m_texts[&T::sPdfFilter], proposed);
    if (!name)
        return;
    PrintFailure failure;
    if (!m_services.printer->writePdf(*name, m_document.pages().pagesInUse(), &failure))
        showError(&T::sErr104, failureText(failure));
}

QString frmZOLprint::failureText(const PrintFailure &failure) const
{
    switch (failure.kind) {
    case PrintFailure::Kind::NoPrinter:
        return m_texts[&T::sNoPrinter];
    case PrintFailure::Kind::CannotStart:
        return m_texts[&T::sCannotStart];
    case PrintFailure::Kind::NotAccepting:
        return m_texts.withReason(&T::sNotAccepting, failure.detail);
    case PrintFailure::Kind::Refused:
    case PrintFailure::Kind::CannotWrite:
        break;
    }
    // The print system's or the file system's own words.
    return failure.detail.isEmpty() ? m_texts[&T::sCannotStart] : failure.detail;
}

void frmZOLprint::mAbout_Click()
{
    if (!aboutDialog)
        aboutDialog = new frmAbout(AboutServices{m_services.registry, m_services.launcher,
                                                 &m_services.messageBoxes, &isOrdinaryFile},
                                   this);
    aboutDialog->show();
    aboutDialog->raise();
    aboutDialog->activateWindow();
}

} // namespace zol
