#include "readercontrols.h"

#include "controlname.h"
#include "fonts.h"
#include "progressbar.h"
#include "readertexts.h"
#include "statusbar.h"
#include "textbox.h"
#include "twips.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

constexpr int kClientWidth = 8520;
constexpr int kClientHeight = 5160;
using T = LanguageTables;

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

void ReaderControls::build(QMainWindow &window)
{
    const QFont windowFont = classicFont(u"Courier New"_s, 11.25);
    const QFont buttonFont = classicFont(u"MS Sans Serif"_s, 9.75);
    const QFont textFont = classicFont(u"Courier New"_s, 9.75);
    const QFont statusFont = classicFont(u"MS Sans Serif"_s, 8.25);
    // Every font the window draws with is loaded before the first control
    // is made: the first caption wakes the screen reader's bridge, which
    // waits for the session bus, and the start-up thread is reaching the
    // bus meanwhile (startupthread.h).
    for (const QFont &font :
         {windowFont, buttonFont, textFont, statusFont, QApplication::font("QMenuBar")})
        (void)QFontMetrics(font).height();

    window.setFont(windowFont);
    auto *client = new QWidget(&window);
    nameControl(client, u"client"_s);
    client->setFixedSize(twipsSize(kClientWidth, kClientHeight));
    window.setCentralWidget(client);

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
    txtVenster->setFont(textFont);
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
    StatusBar1->setFont(statusFont);
    StatusBar1->addPanel(StatusBar::PanelKind::Text, 0, twips(1440));
    StatusBar1->addPanel(StatusBar::PanelKind::Time, twips(1440));
    StatusBar1->addPanel(StatusBar::PanelKind::Date, twips(1440));
    placeInTwips(StatusBar1, 0, 4905, 8520, 255);

    pbVoortgang->setFocusPolicy(Qt::NoFocus);
    QWidget::setTabOrder(txtVenster, cmdPrevpage);
    QWidget::setTabOrder(cmdPrevpage, cmdNextpage);
    QWidget::setTabOrder(cmdNextpage, cmdFirstpage);
    QWidget::setTabOrder(cmdFirstpage, cmdLastpage);
    QWidget::setTabOrder(cmdLastpage, txtPageno);
    txtVenster->setFocus();

    // Every caption is set by Form_Load, in the program's language.
    QMenuBar *bar = window.menuBar();
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
    auto addItem = [](QMenu *menu, const QString &name, const QKeySequence &shortcut) {
        QAction *action = menu->addAction(QString());
        action->setObjectName(name);
        action->setShortcut(shortcut);
        return action;
    };

    mFile = addMenu(nullptr, u"mFile"_s);
    mOpen = addItem(mFile, u"mOpen"_s, QKeySequence(Qt::CTRL | Qt::Key_O));
    mSave = addItem(mFile, u"mSave"_s, QKeySequence(Qt::CTRL | Qt::Key_S));
    mPrint = addMenu(mFile, u"mPrint"_s);
    mThispage = addItem(mPrint, u"mThispage"_s, QKeySequence(Qt::CTRL | Qt::Key_P));
    mAllpages = addItem(mPrint, u"mAllpages"_s, QKeySequence());
    mPrint->addSeparator();
    mPreview = addItem(mPrint, u"mPreview"_s, QKeySequence());
    mToPdf = addItem(mPrint, u"mToPdf"_s, QKeySequence());
    mExit = addItem(mFile, u"mExit"_s, QKeySequence(Qt::CTRL | Qt::Key_Q));

    mComm = addMenu(nullptr, u"mComm"_s);
    mPort = addMenu(mComm, u"mPort"_s);
    mStart = addItem(mComm, u"mStart"_s, QKeySequence(Qt::CTRL | Qt::Key_I));

    mHelp = addMenu(nullptr, u"mHelp"_s);
    mAbout = addItem(mHelp, u"mAbout"_s, QKeySequence(Qt::Key_F1));
}

void ReaderControls::showCaptions(const ReaderTexts &texts)
{
    mFile->setTitle(texts[&T::sFile]);
    mOpen->setText(texts[&T::sOpen]);
    mSave->setText(texts[&T::sSave]);
    mPrint->setTitle(texts[&T::sPrint]);
    mAllpages->setText(texts[&T::sAllpages]);
    mThispage->setText(texts[&T::sThispage]);
    mPreview->setText(texts[&T::sPreview]);
    mToPdf->setText(texts[&T::sToPdf]);
    mExit->setText(texts[&T::sExit]);
    mComm->setTitle(texts[&T::sComm]);
    mPort->setTitle(texts[&T::sPort]);
    mStart->setText(texts[&T::sStart]);
    mHelp->setTitle(texts[&T::sHelp]);
    mAbout->setText(texts[&T::sAbout]);

    // The controls without a caption are named in the program's language.
    txtVenster->setAccessibleName(texts[&T::sNameVenster]);
    txtPageno->setAccessibleName(texts[&T::sNamePageno]);
    pbVoortgang->setAccessibleName(texts[&T::sNameVoortgang]);
    StatusBar1->setAccessibleName(texts[&T::sNameStatus]);
    // The captions are arrows, which a screen reader reads as "less less".
    cmdFirstpage->setAccessibleName(texts[&T::sNameFirstpage]);
    cmdPrevpage->setAccessibleName(texts[&T::sNamePrevpage]);
    cmdNextpage->setAccessibleName(texts[&T::sNameNextpage]);
    cmdLastpage->setAccessibleName(texts[&T::sNameLastpage]);
}

void ReaderControls::setEnabled(bool enabled)
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

} // namespace zol
