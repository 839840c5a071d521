#include "messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

// Anything but Yes or No (Cancel, or the box closed) answers Cancel.
MessageBoxes::Answer toAnswer(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return MessageBoxes::Answer::Yes;
    case QMessageBox::No:
        return MessageBoxes::Answer::No;
    default:
        return MessageBoxes::Answer::Cancel;
    }
}

QMessageBox::Icon toQt(MessageBoxes::Icon icon)
{
    switch (icon) {
    case MessageBoxes::Icon::Information:
        return QMessageBox::Information;
    case MessageBoxes::Icon::Warning:
        return QMessageBox::Warning;
    case MessageBoxes::Icon::Critical:
        return QMessageBox::Critical;
    case MessageBoxes::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The letter after the '&' of a caption, if it has one.
QChar accessKeyOf(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) == u'&') {
            if (caption.at(i + 1) != u'&')
                return caption.at(i + 1).toLower();
            ++i;
        }
    }
    return {};
}

// Qt's own captions (in the program's language through Qt's catalogs) give
// Yes and No an access key but not Cancel: it gets the first letter that no
// other button of the box has taken.
void giveAccessKeys(QMessageBox &box)
{
    const QList<QAbstractButton *> buttons = box.buttons();
    QString taken;
    for (const QAbstractButton *button : buttons) {
        if (const QChar key = accessKeyOf(button->text()); !key.isNull())
            taken += key;
    }
    for (QAbstractButton *button : buttons) {
        QString caption = button->text();
        if (caption.isEmpty() || button->isHidden() || !accessKeyOf(caption).isNull())
            continue;
        for (qsizetype i = 0; i < caption.size(); ++i) {
            const QChar c = caption.at(i).toLower();
            if (c.isLetterOrNumber() && !taken.contains(c)) {
                taken += c;
                button->setText(caption.insert(i, u'&'));
                break;
            }
        }
    }
}

// A message box is as wide as its text, and a window manager cuts the title
// of a narrow one short ("ZOL P... t error"). Room for the title in the
// title bar's font, beside the buttons a title bar has.
void makeRoomForTheTitle(QMessageBox &box)
{
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int buttons = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    const int width = metrics.horizontalAdvance(box.windowTitle()) + buttons;
    // QMessageBox sets its own size when shown; its layout is what it keeps.
    if (auto *layout = qobject_cast<QGridLayout *>(box.layout()))
        layout->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                        layout->rowCount(), 0, 1, layout->columnCount());
}

int run(QMessageBox &box)
{
    giveAccessKeys(box);
    makeRoomForTheTitle(box);
    return box.exec();
}

} // namespace

void QtMessageBoxes::showOk(QWidget *parent, const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent);
    run(box);
}

bool QtMessageBoxes::askYesNo(QWidget *parent, const QString &title, const QString &text, Icon icon,
                              Answer defaultAnswer)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
    // The default button also has the focus: Space presses it too.
    box.setDefaultButton(defaultAnswer == Answer::No ? QMessageBox::No : QMessageBox::Yes);
    return run(box) == QMessageBox::Yes;
}

MessageBoxes::Answer QtMessageBoxes::askYesNoCancel(QWidget *parent, const QString &title,
                                                    const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    return toAnswer(run(box));
}

MessageBoxes::Answer QtMessageBoxes::askYesNoOrClose(QWidget *parent, const QString &title,
                                                     const QString &text, Icon icon,
                                                     Answer defaultAnswer)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultAnswer == Answer::No ? QMessageBox::No : QMessageBox::Yes);
    // With Yes and No alone, Qt makes No the escape button, and Esc or the
    // close box answer No. A Cancel that nobody sees takes that part.
    QPushButton *closed = box.addButton(QMessageBox::Cancel);
    closed->hide();
    box.setEscapeButton(closed);
    return toAnswer(run(box));
}

} // namespace zol
