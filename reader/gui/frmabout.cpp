#include "frmabout.h"

#include "controlname.h"
#include "fonts.h"
#include "images.h"
#include "messagebox.h"
#include "programlauncher.h"
#include "programversion.h"
#include "twips.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

QLabel *addLabel(QWidget *parent, const QString &objectName, const QString &text, int left, int top,
                 int width, int height)
{
    auto *label = new QLabel(text, parent);
    nameControl(label, objectName);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeInTwips(label, left, top, width, height);
    return label;
}

QPushButton *addButton(QWidget *parent, const QString &objectName, const QString &caption, int left,
                       int top, int width, int height)
{
    auto *button = new QPushButton(caption, parent);
    nameControl(button, objectName);
    placeInTwips(button, left, top, width, height);
    return button;
}

} // namespace

QString versionLine(int major, int minor, int revision)
{
    return u"Version "_s + versionText(major, minor, revision);
}

LineControl::LineControl(const QColor &color, int width, QWidget *parent)
    : QWidget(parent), m_color(color), m_width(width)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void LineControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
}

frmAbout::frmAbout(AboutServices services, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_services(std::move(services))
{
    nameControl(this, u"frmAbout"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(pngIcon(u":/zol/zol.png"_s));
    setFont(classicFont(u"MS Sans Serif"_s, 8.25));
    // Where it was laid out, not centred over the main window.
    setGeometry(twipsRect(2340, 1935, 4215, 5505));
    setFixedSize(twipsSize(4215, 5505));
    buildControls();
    Form_Load();
}

void frmAbout::buildControls()
{
    lblTitle =
        addLabel(this, u"lblTitle"_s, u"ZOL Print Software for Windows"_s, 120, 120, 4005, 240);
    QFont bold = font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblUse =
        addLabel(this, u"lblUse"_s, u"For use with ZOL Moisture Meters"_s, 120, 360, 4095, 225);
    lblDisclaimer3 = addLabel(this, u"lblDisclaimer3"_s,
                              u"Copyright \u00a9 1999-2004 ZOL Instruments"_s, 120, 720, 3975, 255);
    lblVersion = addLabel(this, u"lblVersion"_s, u"Version"_s, 120, 1080, 4005, 225);
    Label1 = addLabel(this, u"Label1"_s,
                      u"ZOL and the names of the ZOL meters are registered trademarks of ZOL "
                      u"Instruments. Windows is a registered trademark of its owner."_s,
                      120, 1440, 3975, 615);
    lblDisclaimer2 =
        addLabel(this, u"lblDisclaimer2"_s,
                 u"Whoever installs and uses this software does so at their own risk, takes full "
                 u"responsibility for its use and for the data it prints, and has no claim against "
                 u"the author or ZOL Instruments."_s,
                 120, 2160, 3975, 855);
    lblDescription =
        addLabel(this, u"lblDescription"_s, u"Written by the ZOL Instruments software group"_s, 120,
                 3120, 4005, 285);
    lblHelp = addLabel(this, u"lblHelp"_s, u"www.zol-instruments.example"_s, 120, 3360, 3975, 255);

    // Grey first, then the white member over it.
    const int y = twips(3720);
    Line1[1] = new LineControl(QColor(0x80, 0x80, 0x80), 1, this);
    Line1[1]->setGeometry(twips(120), y, twips(4080) - twips(120) + 1, 1);
    Line1[0] = new LineControl(Qt::white, 2, this);
    // A two-pixel line is centred on its row, the extra pixel above it.
    Line1[0]->setGeometry(twips(105), y - 1, twips(4080) - twips(105) + 1, 2);
    for (int i = 0; i < 2; ++i)
        nameControl(Line1[i], u"Line1(%1)"_s.arg(i));

    Picture1 = new QLabel(this);
    nameControl(Picture1, u"Picture1"_s);
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(pngPixmap(u":/zol/about.png"_s));
    // It takes the focus, so a screen reader needs words for it.
    Picture1->setAccessibleName(
        u"Photograph of a ZOL moisture meter with its probe on a wooden beam"_s);
    Picture1->setFocusPolicy(Qt::TabFocus);
    placeInTwips(Picture1, 120, 3840, 2295, 1575);

    cmdOK = addButton(this, u"cmdOK"_s, u"OK"_s, 2640, 4080, 1260, 345);
    cmdOK->setDefault(true);
    cmdSysInfo = addButton(this, u"cmdSysInfo"_s, u"&System Info..."_s, 2640, 4800, 1245, 345);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    const QList<QWidget *> order = {cmdOK,          cmdSysInfo, lblDescription, lblUse,
                                    lblTitle,       lblVersion, lblHelp,        lblDisclaimer3,
                                    lblDisclaimer2, Picture1,   Label1};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    cmdOK->setFocus();
}

void frmAbout::Form_Load()
{
    setWindowTitle(u"About "_s + QString::fromUtf16(kApplicationTitle));
    lblVersion->setText(
        versionLine(ZOLPRINT_VERSION_MAJOR, ZOLPRINT_VERSION_MINOR, ZOLPRINT_VERSION_PATCH));
    // A screen reader reading the dialog passes over labels of fewer than
    // three words, and these two are what a caller to the helpdesk is asked.
    lblVersion->setAccessibleName(QString::fromUtf16(kApplicationTitle) + u" "_s +
                                  lblVersion->text());
    lblHelp->setAccessibleName(u"Web site "_s + lblHelp->text());
}

void frmAbout::cmdOK_Click()
{
    // done() rather than close(): QDialog's close event comes back here
    // through reject().
    done(QDialog::Accepted);
}

void frmAbout::reject()
{
    cmdOK_Click();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    bool started = false;
    try {
        started = runStartSysInfo();
    } catch (const RegistryValueError &) {
        started = false;
    }
    if (!started)
        m_services.messageBoxes.showOk(this, QString::fromUtf16(kApplicationTitle),
                                       u"System Information Is Unavailable At This Time"_s,
                                       MessageBoxes::Icon::None);
}

bool frmAbout::runStartSysInfo()
{
    QString SysInfoPath;
    if (!GetKeyValue(Registry::kLocalMachine, u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s,
                     u"PATH"_s, SysInfoPath)) {
        if (!GetKeyValue(Registry::kLocalMachine, u"SOFTWARE\\Microsoft\\Shared Tools Location"_s,
                         u"MSINFO"_s, SysInfoPath))
            return false;
        const QString program = SysInfoPath + QDir::separator() + u"MSINFO32.EXE"_s;
        if (!m_services.isOrdinaryFile(program))
            return false;
        SysInfoPath = program;
    }
    // The path named by the first value is started without looking for it:
    // a program that is not there fails to start, and that is reported.
    return m_services.launcher.start(SysInfoPath);
}

bool frmAbout::GetKeyValue(Registry::Key KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                           QString &KeyVal)
{
    return readKeyValue(m_services.registry, KeyRoot, KeyName, SubKeyRef, KeyVal);
}

} // namespace zol
