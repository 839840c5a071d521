#include "frmzolprint.h"

#include "comports.h"
#include "controlname.h"
#include "filedialog.h"
#include "frmabout.h"
#include "images.h"
#include "measurementsfile.h"
#include "menucheckstyle.h"
#include "messagebox.h"
#include "meterdecoder.h"
#include "pageprinter.h"
#include "portinfo.h"
#include "portlister.h"
#include "portnumbering.h"
#include "programlauncher.h"
#include "progressbar.h"
#include "recovery.h"
#include "serialport.h"
#include "settings.h"
#include "statusbar.h"
#include "textbox.h"
#include "twips.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

constexpr int kClientWidth = 8520;
constexpr int kClientHeight = 5160;
constexpr int kReadbufInterval = 1;
constexpr int kControleInterval = 10000;
constexpr int kRecoveryInterval = 2000;
const QString kTitle = QStringLiteral("ZOL Print");

QFont namedFont(const char16_t *family, qreal points)
{
    QFont font(QString::fromUtf16(family));
    font.setPointSizeF(points);
    return font;
}

// A menu item is read by its caption, as Qt gives it without the ampersand.
void nameItem(QAction *action, const QString &name)
{
    action->setObjectName(name);
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
    : QMainWindow(parent), m_services(std::move(services))
{
    if (m_services.recentFiles)
        m_recentFiles.emplace(*m_services.recentFiles);
    setWindowIcon(pngIcon(u":/zol/zol.png"_s));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(namedFont(u"Courier New", 11.25));
    nameControl(this, u"frmZOLprint"_s);

    buildControls();
    buildMenu();
    setDesignCaptions();

    tmrReadbuf.setObjectName(u"tmrReadbuf"_s);
    // The watchdog is restarted by every chunk off the line and fires on the
    // millisecond: the silence that ends a transfer is ten seconds, not ten
    // give or take the half second a coarse timer may drift.
    tmrControle.setObjectName(u"tmrControle"_s);
    // The receive tick is woken by the port rather than polling it: a 1 ms
    // timer running for nothing costs a laptop on battery all day. The port's
    // notification runs the tick at once, so no byte waits longer than it did
    // for a polling tick; the timer remains for a first look right after the
    // open and for bytes that one read left behind.
    tmrReadbuf.setSingleShot(true);
    connect(&tmrReadbuf, &QTimer::timeout, this, &frmZOLprint::tmrReadbuf_Timer);
    connect(&m_services.serialPort, &SerialPort::comm, this, &frmZOLprint::tmrReadbuf_Timer);
    connect(&tmrControle, &Watchdog::timeout, this, &frmZOLprint::tmrControle_Timer);
    connect(&m_services.serialPort, &SerialPort::lost, this, &frmZOLprint::MSComm1_Lost);

    tmrRecovery.setObjectName(u"tmrRecovery"_s);
    tmrRecovery.setSingleShot(true);
    tmrRecovery.setInterval(kRecoveryInterval);
    connect(&tmrRecovery, &QTimer::timeout, this, &frmZOLprint::keepPages);
    if (!m_services.recoveryFolder.isEmpty())
        m_recovery = std::make_unique<RecoveryFiles>(m_services.recoveryFolder);
    showTitle();

    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmZOLprint::~frmZOLprint() = default;

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
    QMenuBar *bar = menuBar();
    nameControl(bar, u"menuBar"_s);
    bar->setFont(desktopMenuFont(bar));
    auto addMenu = [](QWidget *parent, const QString &name) {
        auto *menu = new QMenu(parent);
        nameControl(menu, name);
        menu->menuAction()->setObjectName(name);
        return menu;
    };
    auto addItem = [this](QMenu *menu, const QString &name, const QKeySequence &shortcut,
                          void (frmZOLprint::*handler)()) {
        QAction *action = menu->addAction(QString());
        nameItem(action, name);
        action->setShortcut(shortcut);
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        return action;
    };

    mFile = addMenu(bar, u"mFile"_s);
    bar->addMenu(mFile);
    mOpen =
        addItem(mFile, u"mOpen"_s, QKeySequence(Qt::CTRL | Qt::Key_O), &frmZOLprint::mOpen_Click);
    mSave =
        addItem(mFile, u"mSave"_s, QKeySequence(Qt::CTRL | Qt::Key_S), &frmZOLprint::mSave_Click);
    mPrint = addMenu(mFile, u"mPrint"_s);
    mFile->addMenu(mPrint);
    mThispage = addItem(mPrint, u"mThispage"_s, QKeySequence(Qt::CTRL | Qt::Key_P),
                        &frmZOLprint::mThispage_Click);
    mAllpages = addItem(mPrint, u"mAllpages"_s, QKeySequence(), &frmZOLprint::mAllpages_Click);
    mPrint->addSeparator();
    mPreview = addItem(mPrint, u"mPreview"_s, QKeySequence(), &frmZOLprint::mPreview_Click);
    mToPdf = addItem(mPrint, u"mToPdf"_s, QKeySequence(), &frmZOLprint::mToPdf_Click);
    recentSeparator = mFile->addSeparator();
    for (int i = 0; i < RecentFiles::kCount; ++i) {
        mRecent[i] = addItem(mFile, u"mRecent%1"_s.arg(i + 1), QKeySequence(), nullptr);
        connect(mRecent[i], &QAction::triggered, this, [this, i] { mRecent_Click(i); });
    }
    recentEnd = mFile->addSeparator();
    // Full names, for files of one name in different folders.
    mFile->setToolTipsVisible(true);
    // Another copy of the program may have opened a file since.
    connect(mFile, &QMenu::aboutToShow, this, &frmZOLprint::showRecentFiles);
    showRecentFiles();
    mExit =
        addItem(mFile, u"mExit"_s, QKeySequence(Qt::CTRL | Qt::Key_Q), &frmZOLprint::mExit_Click);

    mComm = addMenu(bar, u"mComm"_s);
    bar->addMenu(mComm);
    mPort = addMenu(mComm, u"mPort"_s);
    mComm->addMenu(mPort);
    // Owned by the window, which outlives the menu.
    auto *checkStyle = new MenuCheckStyle;
    checkStyle->setParent(this);
    mPort->setStyle(checkStyle);
    mPort1 = addItem(mPort, u"mPort1"_s, QKeySequence(), &frmZOLprint::mPort1_Click);
    mPort2 = addItem(mPort, u"mPort2"_s, QKeySequence(), &frmZOLprint::mPort2_Click);
    mPort3 = addItem(mPort, u"mPort3"_s, QKeySequence(), &frmZOLprint::mPort3_Click);
    mPort4 = addItem(mPort, u"mPort4"_s, QKeySequence(), &frmZOLprint::mPort4_Click);
    portItems = new QActionGroup(this);
    portItems->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    int number = 1;
    for (QAction *item : {mPort1, mPort2, mPort3, mPort4}) {
        item->setData(number);
        item->setText(u"COM%1"_s.arg(number++));
        item->setCheckable(true);
        portItems->addAction(item);
    }
    // Adapters come and go while the program runs.
    connect(mPort, &QMenu::aboutToShow, this, &frmZOLprint::listPorts);
    mStart =
        addItem(mComm, u"mStart"_s, QKeySequence(Qt::CTRL | Qt::Key_I), &frmZOLprint::mStart_Click);

    mHelp = addMenu(bar, u"mHelp"_s);
    bar->addMenu(mHelp);
    mAbout = addItem(mHelp, u"mAbout"_s, QKeySequence(Qt::Key_F1), &frmZOLprint::mAbout_Click);
}

void frmZOLprint::setDesignCaptions()
{
    mFile->setTitle(u"Bestand"_s);
    mOpen->setText(u"Openen"_s);
    mSave->setText(u"Opslaan"_s);
    mPrint->setTitle(u"Afdrukken"_s);
    mThispage->setText(u"Deze pagina"_s);
    mAllpages->setText(u"Alle pagina's"_s);
    mPreview->setText(u"Afdrukvoorbeeld"_s);
    mToPdf->setText(u"Naar PDF-bestand..."_s);
    mExit->setText(u"Afsluiten"_s);
    mComm->setTitle(u"Comunicatie"_s);
    mPort->setTitle(u"Com poort"_s);
    mStart->setText(u"Inlezen ZOL"_s);
    mHelp->setTitle(u"Help"_s);
    mAbout->setText(u"Over ZOL Print"_s);
}

const QString &frmZOLprint::text(const LanguageTable &table) const
{
    return table[isValidLanguage(m_state.iLanguage) ? m_state.iLanguage : kEnglish];
}

void frmZOLprint::Form_Load()
{
    tmrReadbuf.stop();
    tmrReadbuf.setInterval(kReadbufInterval);
    tmrControle.stop();
    tmrControle.setInterval(kControleInterval);

    const Settings settings = readSettingsFile(m_services.settingsPath, defaultLanguage());
    m_state.iLanguage = settings.language;
    m_state.iPort = settings.port;

    txtPageno->setText(QString::number(m_state.pages.currentPageNumber()));

    // A number that no item offers checks none and is kept as it is.
    showPortCheckMark();

    fillLanguageTables(m_state.tables);

    const LanguageTables &t = m_state.tables;
    mFile->setTitle(text(t.sFile));
    mOpen->setText(text(t.sOpen));
    mSave->setText(text(t.sSave));
    mPrint->setTitle(text(t.sPrint));
    mAllpages->setText(text(t.sAllpages));
    mThispage->setText(text(t.sThispage));
    mPreview->setText(text(t.sPreview));
    mToPdf->setText(text(t.sToPdf));
    mExit->setText(text(t.sExit));
    mComm->setTitle(text(t.sComm));
    mPort->setTitle(text(t.sPort));
    mStart->setText(text(t.sStart));
    mHelp->setTitle(text(t.sHelp));
    mAbout->setText(text(t.sAbout));
    showRecentFiles();

    // The controls without a caption are named in the program's language.
    txtVenster->setAccessibleName(text(t.sNameVenster));
    txtPageno->setAccessibleName(text(t.sNamePageno));
    pbVoortgang->setAccessibleName(text(t.sNameVoortgang));
    StatusBar1->setAccessibleName(text(t.sNameStatus));
    // The captions are arrows, which a screen reader reads as "less less".
    cmdFirstpage->setAccessibleName(text(t.sNameFirstpage));
    cmdPrevpage->setAccessibleName(text(t.sNamePrevpage));
    cmdNextpage->setAccessibleName(text(t.sNameNextpage));
    cmdLastpage->setAccessibleName(text(t.sNameLastpage));
}

void frmZOLprint::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Nothing of a transfer may run behind a box from here on: bytes still
    // arriving would restart the watchdog, which would end the transfer and
    // stack its own messages over this one.
    tmrReadbuf.stop();
    tmrControle.stop();
    disconnect(&m_services.serialPort, nullptr, this, nullptr);
    m_services.serialPort.close();
    // The latest edits, when the program ends without the question (the
    // session ending): kept for the next start.
    if (tmrRecovery.isActive()) {
        tmrRecovery.stop();
        keepPages();
    }

    QString reason;
    const SettingsWritten written =
        writeSettingsFile(m_services.settingsPath, {m_state.iLanguage, m_state.iPort}, &reason);
    if (written != SettingsWritten::Yes) {
        // The program ends all the same, but the window is still there to
        // say that the chosen port will be forgotten, and where, in full:
        // the file is not one the user chose.
        if (written == SettingsWritten::ForeignLink)
            reason = text(m_state.tables.sSettingsLink).arg(QDir::toNativeSeparators(reason));
        showError(text(m_state.tables.sErr104) + u"\r\n"_s +
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
        if (m_services.serialPort.isOpen())
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

void frmZOLprint::selectPort(int port)
{
    m_state.iPort = static_cast<qint16>(port);
    showPortCheckMark();
}

void frmZOLprint::showPortCheckMark()
{
    // COM1 to COM4 first, then the listed ports. Unchecking the checked item
    // of an exclusive group is allowed from code, so no mark is left behind
    // for a number that no item offers.
    const QList<QAction *> items = portItems->actions();
    for (QAction *item : items)
        item->setChecked(item->data().isValid() && item->data().toInt() == m_state.iPort);
}

void frmZOLprint::listPorts()
{
    for (QAction *item : std::as_const(listedPorts)) {
        portItems->removeAction(item);
        delete item;
    }
    listedPorts.clear();
    if (!m_services.portNumbering)
        return;

    const PortLister &lister = m_services.portLister ? *m_services.portLister : systemPortLister();
    const QList<OfferedPort> offered = m_services.portNumbering->offer(lister.ports());
    if (offered.isEmpty())
        return;
    listedPorts.append(mPort->addSeparator());
    for (const OfferedPort &port : offered) {
        // A description is the system's text, not a caption with access keys.
        QString caption = port.caption;
        QAction *item = mPort->addAction(caption.replace(u'&', u"&&"_s));
        nameItem(item, u"mPort%1"_s.arg(port.number));
        item->setCheckable(true);
        portItems->addAction(item);
        numberItem(item, port);
        connect(item, &QAction::triggered, this,
                [this, item, port] { chooseListedPort(item, port); });
        listedPorts.append(item);
    }
    showPortCheckMark();
}

void frmZOLprint::numberItem(QAction *item, const OfferedPort &port)
{
    // Only an item that stands for the device Read ZOL opens carries a
    // number: the check mark goes by it.
    item->setData(m_services.portNumbering->opens(port) ? QVariant(int(port.number)) : QVariant());
}

void frmZOLprint::chooseListedPort(QAction *item, const OfferedPort &port)
{
    m_services.portNumbering->choose(port);
    numberItem(item, port);
    selectPort(port.number);
}

void frmZOLprint::showCurrentPage()
{
    txtPageno->setText(QString::number(m_state.pages.currentPageNumber()));
    txtVenster->setText(m_state.pages.currentPage());
    // The page number is drawn beside the buttons; a listener is told it,
    // and how many pages there are, wherever the focus is.
    const QString where = text(m_state.tables.sPageOf)
                              .arg(m_state.pages.currentPageNumber())
                              .arg(std::max(1, m_state.pages.pagesInUseCount()));
    txtPageno->setAccessibleDescription(where);
    StatusBar1->announce(where);
}

void frmZOLprint::cmdFirstpage_Click()
{
    m_state.pages.goToFirstPage();
    showCurrentPage();
}

void frmZOLprint::cmdPrevpage_Click()
{
    m_state.pages.goToPreviousPage();
    showCurrentPage();
}

void frmZOLprint::cmdNextpage_Click()
{
    m_state.pages.goToNextPage();
    showCurrentPage();
}

void frmZOLprint::cmdLastpage_Click()
{
    m_state.pages.goToLastPage();
    showCurrentPage();
}

void frmZOLprint::txtVenster_Change()
{
    m_state.pages.setCurrentPage(txtVenster->text());
}

void frmZOLprint::txtVenster_Edited()
{
    setUnsaved(true);
    if (!tmrRecovery.isActive())
        tmrRecovery.start();
}

void frmZOLprint::setUnsaved(bool unsaved)
{
    m_state.bUnsaved = unsaved;
    setWindowModified(unsaved);
    if (!unsaved) {
        tmrRecovery.stop();
        if (m_recovery)
            m_recovery->remove();
    }
}

void frmZOLprint::keepPages()
{
    if (!m_recovery || !m_state.bUnsaved)
        return;
    KeptPages kept;
    kept.savedAt = QDateTime::currentDateTime();
    kept.pages = m_state.pages.allPages();
    kept.counter = m_state.pages.iPages();
    kept.current = m_state.pages.iCurpage();
    kept.fileName = m_state.sFileName;
    // A recovery file that cannot be written leaves the pages where they
    // are; it is a safety net under Save, not a command of the user's.
    m_recovery->write(kept);
}

void frmZOLprint::showTitle()
{
    // Qt shows the mark of unsaved pages where the [*] stands.
    setWindowTitle(m_state.sFileName.isEmpty()
                       ? kTitle + u"[*]"_s
                       : u"%1 - %2[*]"_s.arg(kTitle, QFileInfo(m_state.sFileName).fileName()));
}

bool frmZOLprint::mayReplacePages()
{
    if (!m_state.bUnsaved)
        return true;
    switch (m_services.messageBoxes.askYesNoCancel(this, kTitle, text(m_state.tables.sUnsaved))) {
    case MessageBoxes::Answer::Yes:
        return savePages();
    case MessageBoxes::Answer::No:
        setUnsaved(false);
        return true;
    case MessageBoxes::Answer::Cancel:
        break;
    }
    return false;
}

void frmZOLprint::offerRecovery()
{
    if (!m_recovery)
        return;
    const std::optional<KeptPages> kept = m_recovery->takeOrphan();
    if (!kept)
        return;
    const QLocale locale(languageCode(m_state.iLanguage));
    const QString question =
        text(m_state.tables.sRecover).arg(locale.toString(kept->savedAt, QLocale::ShortFormat));
    if (!m_services.messageBoxes.askYesNo(this, kTitle, question)) {
        m_recovery->dropOrphan();
        return;
    }
    m_state.pages.restore(kept->pages, kept->counter, kept->current);
    m_state.sFileName = kept->fileName;
    setUnsaved(true);
    // This program's own copy first, then the old one goes: there is never
    // a moment with neither.
    keepPages();
    m_recovery->dropOrphan();
    showTitle();
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

void frmZOLprint::showError(const QString &message)
{
    m_services.messageBoxes.showOk(this, text(m_state.tables.sErrtitle), message,
                                   MessageBoxes::Icon::None);
}

void frmZOLprint::mStart_Click()
{
    SerialPort &port = m_services.serialPort;
    if (port.isOpen())
        return;
    // The meter may be cleared after this reading: the pages on show go
    // only with the user's word.
    if (!mayReplacePages())
        return;

    setInterfaceEnabled(false);

    port.setCommPort(m_state.iPort);
    port.setHandshaking(SerialPort::Handshaking::None);
    port.setRThreshold(1);
    port.setSettings(u"2400,n,8,1"_s);
    port.setDtrEnable(true);
    port.setRtsEnable(false);
    QString reason;
    if (!port.open(&reason)) {
        setInterfaceEnabled(true);
        QString message = text(m_state.tables.sErr103) + u"\r\n"_s + reason;
        // Which device the number stood for tells a wrong mapping from a
        // wrong cable.
        const QString device = comPortDeviceName(
            m_state.iPort, m_services.portNumbering
                               ? m_services.portNumbering->rememberedDevice(m_state.iPort)
                               : QString());
        if (!device.isEmpty())
            message += u"\r\nCOM%1 = %2"_s.arg(m_state.iPort).arg(device);
        // Which port to choose is the user's next question: name those there are.
        const PortLister &lister =
            m_services.portLister ? *m_services.portLister : systemPortLister();
        showError(message + u"\r\n"_s +
                  portListLine(text(m_state.tables.sPortlist), lister.ports(),
                               text(m_state.tables.sNoports)));
        return;
    }

    StatusBar1->setPanelText(1, text(m_state.tables.sConnected));
    // What the user is to do on the meter is said as well as shown, and the
    // bar's steps are no percentage.
    StatusBar1->announce(text(m_state.tables.sPrompt30));
    StatusBar1->announce(text(m_state.tables.sPrompt31));
    pbVoortgang->setBusy(true);

    m_state.sBuf = text(m_state.tables.sPrompt30) + u"\r\n"_s + text(m_state.tables.sPrompt31);
    m_state.pages.beginTransfer(m_state.sBuf);
    m_state.sFileName.clear();
    setUnsaved(false);
    showTitle();
    m_state.bReceived = false;
    m_state.sLost.reset();
    pbVoortgang->setValue(0);
    // Shown, not announced as a page: the instructions were said above.
    txtPageno->setText(QString::number(m_state.pages.currentPageNumber()));
    txtVenster->setText(m_state.sBuf);

    tmrReadbuf.start();
    tmrControle.start();
}

void frmZOLprint::tmrReadbuf_Timer()
{
    SerialPort &port = m_services.serialPort;
    if (!port.isOpen() || port.inBufferCount() <= 0)
        return;

    txtVenster->setText(QString());

    tmrControle.restart();

    pbVoortgang->setValue(pbVoortgang->value() < 100 ? pbVoortgang->value() + 10 : 0);

    const QByteArray chunk = port.readAll();
    m_state.iLength = static_cast<qint16>(chunk.size());
    m_state.pages.receive(chunk);
    m_state.bReceived = true;
    // One read hands over at most kMaxRead bytes; the rest is the next
    // tick's, a millisecond on, as when the tick polled.
    if (port.inBufferCount() > 0)
        tmrReadbuf.start();
}

void frmZOLprint::tmrControle_Timer()
{
    // Ten seconds of silence end a running transfer, also one whose current
    // page stayed empty (a dump that began with a form feed).
    const bool ended = m_services.serialPort.isOpen();
    if (ended)
        endTransfer();
    if (!m_state.pages.currentPage().isEmpty())
        txtVenster->setText(m_state.pages.currentPage());
    // Told once, after the pages are back on show, so that the user sees what
    // did arrive while reading why more may be missing.
    if (m_state.sLost) {
        const QString reason = *std::exchange(m_state.sLost, std::nullopt);
        showError(text(m_state.tables.sErr106) + u"\r\n"_s + reason);
    }
    if (ended && m_state.pages.overflowed())
        showError(text(m_state.tables.sErr107));
}

void frmZOLprint::MSComm1_Lost(const QString &reason)
{
    // The transfer goes on to its end by silence, as with a meter that just
    // stopped; only the first loss of a transfer has anything to tell.
    if (m_services.serialPort.isOpen() && !m_state.sLost)
        m_state.sLost = reason;
}

void frmZOLprint::endTransfer()
{
    m_services.serialPort.close();
    tmrReadbuf.stop();
    // Between transfers the page on show is the page stored, so a watchdog
    // tick would show what is there; it rests until the next transfer.
    tmrControle.stop();
    const qint16 received = m_state.pages.endTransfer(m_state.bReceived, m_state.sLost.has_value());
    StatusBar1->setPanelText(1, text(m_state.tables.sStop) + u" ("_s + QString::number(received) +
                                    u")"_s);
    if (m_state.bReceived) {
        setUnsaved(true);
        keepPages();
    }
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
        dialog->getSaveFileName(this, fileFilter(), text(m_state.tables.sDefext));
    if (!name)
        return false;
    const QStringList pages = m_state.pages.pagesInUse();
    if (const std::optional<qsizetype> inexact = firstInexactPage(pages)) {
        const QString question = text(m_state.tables.sSaveInexact).arg(*inexact + 1);
        // Yes may overwrite an older file with pages that do not come back
        // as they are.
        if (!m_services.messageBoxes.askYesNo(this, text(m_state.tables.sErrtitle), question,
                                              MessageBoxes::Icon::None, MessageBoxes::Answer::No))
            return false;
    }
    QString reason;
    if (!saveMeasurements(*name, pages, &reason)) {
        showError(text(m_state.tables.sErr104) + u"\r\n"_s + reason);
        return false;
    }
    m_state.sFileName = *name;
    setUnsaved(false);
    showTitle();
    rememberFile(*name);
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
        dialog->getOpenFileName(this, fileFilter(), text(m_state.tables.sDefext));
    if (!name)
        return;
    openMeasurementsFile(*name);
}

bool frmZOLprint::openMeasurementsFile(const QString &path)
{
    // A file that arrives while the meter is being read (dropped, or queued
    // just before Read ZOL) would replace the pages being received.
    if (m_unloaded || m_services.serialPort.isOpen())
        return false;
    if (!mayReplacePages())
        return false;
    pbVoortgang->setValue(1);
    const MeasurementsRead read =
        readMeasurementsFile(path, [this](int value) { pbVoortgang->setValue(value); });
    pbVoortgang->setValue(0);

    // A listed file that no longer opens leaves the list: it was renamed,
    // deleted, or overwritten by something else.
    switch (read.status) {
    case MeasurementsRead::Status::WrongHeader:
        forgetFile(path);
        showError(text(m_state.tables.sErr101));
        return false;
    case MeasurementsRead::Status::TooManyPages:
    case MeasurementsRead::Status::Truncated:
        forgetFile(path);
        showError(text(m_state.tables.sErr102));
        return false;
    case MeasurementsRead::Status::Ok:
        break;
    }

    m_state.pages.replaceWith(read);
    m_state.sFileName = path;
    setUnsaved(false);
    showTitle();
    showCurrentPage();
    rememberFile(path);
    return true;
}

QString frmZOLprint::fileFilter() const
{
    return text(m_state.tables.sFilter) + u'|' + text(m_state.tables.sFilterAll);
}

void frmZOLprint::rememberFile(const QString &path)
{
    if (!m_recentFiles)
        return;
    m_recentFiles->add(path);
    showRecentFiles();
}

void frmZOLprint::forgetFile(const QString &path)
{
    if (!m_recentFiles)
        return;
    m_recentFiles->remove(path);
    showRecentFiles();
}

void frmZOLprint::showRecentFiles()
{
    const QStringList files = m_recentFiles ? m_recentFiles->files() : QStringList();
    for (int i = 0; i < RecentFiles::kCount; ++i) {
        QAction *item = mRecent[i];
        item->setVisible(i < files.size());
        item->setData(i < files.size() ? QVariant(files.at(i)) : QVariant());
        if (i >= files.size())
            continue;
        const QString &file = files.at(i);
        const QString name = QFileInfo(file).fileName();
        // The name alone reads best; two files of that name need their folders.
        const bool twin = std::count_if(files.cbegin(), files.cend(), [&name](const QString &f) {
                              return QFileInfo(f).fileName() == name;
                          }) > 1;
        QString shown = twin ? QDir::toNativeSeparators(file) : name;
        item->setText(u"&%1 %2"_s.arg(i + 1).arg(shown.replace(u'&', u"&&"_s)));
        item->setToolTip(QDir::toNativeSeparators(file));
    }
    recentSeparator->setVisible(!files.isEmpty());
    recentEnd->setVisible(!files.isEmpty());
}

void frmZOLprint::mRecent_Click(int index)
{
    const QString path = mRecent[index]->data().toString();
    if (!path.isEmpty())
        openMeasurementsFile(path);
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
    printPages({m_state.pages.currentPage()});
}

void frmZOLprint::mAllpages_Click()
{
    // With no page in use there is nothing to print, and no job is started.
    printPages(m_state.pages.pagesInUse());
}

void frmZOLprint::printPages(const QStringList &pages)
{
    PrintFailure failure{PrintFailure::Kind::NoPrinter, QString()};
    if (m_services.printer && m_services.printer->printPages(pages, &failure))
        return;
    showError(text(m_state.tables.sErr105) + u"\r\n"_s + failureText(failure));
}

void frmZOLprint::mPreview_Click()
{
    PrintFailure failure{PrintFailure::Kind::NoPrinter, QString()};
    if (m_services.printer &&
        m_services.printer->preview(this, m_state.pages.pagesInUse(), &failure))
        return;
    showError(text(m_state.tables.sErr105) + u"\r\n"_s + failureText(failure));
}

void frmZOLprint::mToPdf_Click()
{
    FileDialog *dialog = m_services.fileDialog;
    if (!dialog || !m_services.printer)
        return;
    const QString proposed = m_state.sFileName.isEmpty()
                                 ? QString()
                                 : QFileInfo(m_state.sFileName).completeBaseName() + u".pdf"_s;
    const std::optional<QString> name =
        dialog->getSavePdfFileName(this, text(m_state.tables.sPdfFilter), proposed);
    if (!name)
        return;
    PrintFailure failure;
    if (!m_services.printer->writePdf(*name, m_state.pages.pagesInUse(), &failure))
        showError(text(m_state.tables.sErr104) + u"\r\n"_s + failureText(failure));
}

QString frmZOLprint::failureText(const PrintFailure &failure) const
{
    const LanguageTables &t = m_state.tables;
    switch (failure.kind) {
    case PrintFailure::Kind::NoPrinter:
        return text(t.sNoPrinter);
    case PrintFailure::Kind::CannotStart:
        return text(t.sCannotStart);
    case PrintFailure::Kind::NotAccepting:
        return failure.detail.isEmpty() ? text(t.sNotAccepting)
                                        : text(t.sNotAccepting) + u"\r\n"_s + failure.detail;
    case PrintFailure::Kind::Refused:
    case PrintFailure::Kind::CannotWrite:
        break;
    }
    // The print system's or the file system's own words.
    return failure.detail.isEmpty() ? text(t.sCannotStart) : failure.detail;
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
