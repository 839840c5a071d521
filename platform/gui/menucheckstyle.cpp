#include "menucheckstyle.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionMenuItem>

namespace zol {

MenuCheckStyle::MenuCheckStyle() = default;

void MenuCheckStyle::drawControl(ControlElement element, const QStyleOption *option,
                                 QPainter *painter, const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (element == CE_MenuItem && item && item->checkType == QStyleOptionMenuItem::Exclusive) {
        QStyleOptionMenuItem asCheck = *item;
        asCheck.checkType = QStyleOptionMenuItem::NonExclusive;
        QProxyStyle::drawControl(element, &asCheck, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void MenuCheckStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                   QPainter *painter, const QWidget *widget) const
{
    if (element != PE_IndicatorCheckBox || !qobject_cast<const QMenu *>(widget)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    if (!(option->state & State_On))
        return;
    const QRectF box = QRectF(option->rect).adjusted(1, 1, -1, -1);
    QPainterPath tick;
    tick.moveTo(box.left() + box.width() * 0.15, box.top() + box.height() * 0.52);
    tick.lineTo(box.left() + box.width() * 0.40, box.top() + box.height() * 0.78);
    tick.lineTo(box.left() + box.width() * 0.88, box.top() + box.height() * 0.22);
    const bool highlighted = option->state & State_Selected;
    QPen pen(option->palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text),
             qMax<qreal>(1.5, box.height() / 7.0));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(tick);
    painter->restore();
}

} // namespace zol
