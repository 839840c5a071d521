#include "textfit.h"

#include "twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

using namespace Qt::StringLiterals;

namespace zol::test {

namespace {

QString describe(const QWidget *widget)
{
    if (!widget->objectName().isEmpty())
        return widget->objectName();
    // A status panel has no name of its own: name it by its bar.
    const QWidget *parent = widget->parentWidget();
    return (parent ? parent->objectName() : QString()) + u"/panel"_s;
}

QString sizeText(const QSize &size)
{
    return u"%1x%2"_s.arg(size.width()).arg(size.height());
}

void checkLabel(const QLabel *label, QStringList &clipped)
{
    if (label->text().isEmpty())
        return;
    const QRect box = label->contentsRect();
    const QFontMetrics metrics(label->font());
    if (label->wordWrap()) {
        // Wrapped text grows downwards: it must end inside the box.
        const QRect needed = metrics.boundingRect(QRect(0, 0, box.width(), 100000),
                                                  Qt::TextWordWrap | Qt::AlignLeft, label->text());
        if (needed.height() > box.height() || needed.width() > box.width())
            clipped << describe(label) + u": needs "_s + sizeText(needed.size()) + u" in "_s +
                           sizeText(box.size());
        return;
    }
    const QSize needed = metrics.size(Qt::TextSingleLine, label->text());
    if (needed.width() > box.width() || needed.height() > box.height())
        clipped << describe(label) + u": needs "_s + sizeText(needed) + u" in "_s +
                       sizeText(box.size());
}

void checkButton(const QPushButton *button, QStringList &clipped)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.features = QStyleOptionButton::None;
    // The caption is drawn centred in the button's contents; it must fit
    // across, and its letters (not the font's whole line box, which the
    // classic 17-pixel page buttons never had room for) must fit upright.
    const QRect contents =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QFontMetrics metrics(button->font());
    const QString shown = QString(button->text()).remove(u'&');
    const int width = metrics.horizontalAdvance(shown);
    const int height = metrics.tightBoundingRect(shown).height();
    if (width > contents.width() || height > button->height())
        clipped << describe(button) + u": needs "_s + sizeText({width, height}) + u" in "_s +
                       sizeText(contents.size());
}

} // namespace

QStringList clippedTexts(const QWidget *window)
{
    QStringList clipped;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (const QWidget *widget : widgets) {
        if (!widget->isVisibleTo(window))
            continue;
        if (const auto *label = qobject_cast<const QLabel *>(widget))
            checkLabel(label, clipped);
        else if (const auto *button = qobject_cast<const QPushButton *>(widget))
            checkButton(button, clipped);
    }
    return clipped;
}

QStringList misplacedControls(const QWidget *window, const QList<TwipsPlace> &places)
{
    QStringList misplaced;
    for (const TwipsPlace &place : places) {
        const QWidget *widget = window->findChild<QWidget *>(place.name);
        const QRect expected =
            twipsRect(place.twips.x(), place.twips.y(), place.twips.width(), place.twips.height());
        if (!widget) {
            misplaced << place.name + u": missing"_s;
        } else if (widget->geometry() != expected) {
            const QRect g = widget->geometry();
            misplaced << place.name + u": at %1,%2 %3x%4, not %5,%6 %7x%8"_s.arg(g.x())
                                          .arg(g.y())
                                          .arg(g.width())
                                          .arg(g.height())
                                          .arg(expected.x())
                                          .arg(expected.y())
                                          .arg(expected.width())
                                          .arg(expected.height());
        }
    }
    return misplaced;
}

qreal requestedScale()
{
    bool ok = false;
    qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    if (!ok || scale <= 0)
        scale = 1.0;
    const int dpi = qEnvironmentVariableIntValue("QT_FONT_DPI", &ok);
    if (ok && dpi > 0)
        scale *= dpi / 96.0;
    return scale;
}

} // namespace zol::test
