#include "toolcontrols.h"

#include "controlname.h"
#include "frames.h"
#include "statusbar.h"
#include "textbox.h"
#include "twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

constexpr int kClientWidth = 7110;
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

} // namespace

void ToolControls::build(QWidget &window)
{
    auto makeLabel = [&window](const QString &name, const QString &caption) {
        auto *label = new QLabel(caption, &window);
        nameControl(label, name);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFocusPolicy(Qt::NoFocus);
        return label;
    };
    auto makeButton = [&window](const QString &name, const QString &caption) {
        auto *button = new QPushButton(caption, &window);
        nameControl(button, name);
        button->setAutoDefault(false);
        return button;
    };
    auto makeLog = [&window](const QString &name) {
        auto *box = new TextBox(&window);
        nameControl(box, name);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // Tab walks through the window, as in every other box of it.
        box->setTabChangesFocus(true);
        return box;
    };
    auto makeLine = [&window](const QString &name) {
        auto *line = new QLineEdit(&window);
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
    // From the log above down to the Name row: two whole lines of ports.
    placeInTwips(lblPorts, 3840, 1335, 3150, 585);
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

    StatusBar1 = new StatusBar(&window);
    nameControl(StatusBar1, u"StatusBar1"_s);
    StatusBar1->setAccessibleName(u"Status bar"_s);
    StatusBar1->addPanel(StatusBar::PanelKind::Text, twips(kStatusPanelWidth),
                         twips(kStatusPanelWidth));
    placeInTwips(StatusBar1, 0, 2400, kClientWidth, 255);
    // Every line of the logs is news the user waits for, wherever the focus
    // is.
    QObject::connect(txtData, &TextBox::lineAppended, StatusBar1, &StatusBar::announce);
    QObject::connect(txtErrors, &TextBox::lineAppended, StatusBar1, &StatusBar::announce);

    QWidget::setTabOrder(txtName, txtComPort);
    QWidget::setTabOrder(txtComPort, cmdGetserial);
    QWidget::setTabOrder(cmdGetserial, cmdProgram);
    QWidget::setTabOrder(cmdProgram, txtData);
    QWidget::setTabOrder(txtData, txtErrors);
    QWidget::setTabOrder(txtErrors, cmdRemove);
    txtName->setFocus();
}

void ToolControls::showPorts(const QStringList &ports)
{
    const QString all = ports.isEmpty() ? u"No serial port on this computer"_s : ports.join(u'\n');
    const QFontMetrics metrics(lblPorts->font());
    const QRect box = lblPorts->contentsRect();
    auto fits = [&](const QString &text) {
        const QRect needed = metrics.boundingRect(QRect(0, 0, box.width(), 100000),
                                                  Qt::TextWordWrap | Qt::AlignLeft, text);
        return needed.height() <= box.height() && needed.width() <= box.width();
    };
    // A line cut in half by the Name row below helps nobody: the ports
    // that fit are shown whole, and the rest are counted.
    QString shown = all;
    for (qsizetype n = ports.size() - 1; n >= 0 && !fits(shown); --n) {
        const QString more = u"and %1 more (all in the tip)"_s.arg(ports.size() - n);
        shown = n > 0 ? QStringList(ports.first(n)).join(u'\n') + u'\n' + more : more;
    }
    lblPorts->setText(shown);
    lblPorts->setToolTip(all);
    txtComPort->setAccessibleDescription(all);
}

} // namespace zol
