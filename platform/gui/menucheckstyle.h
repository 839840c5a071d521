#pragma once

#include <QProxyStyle>

namespace zol {

// The chosen item of a menu is shown by a check mark, as in the classic
// Windows menus the technicians know: also in an exclusive group, which
// Fusion would draw with a radio dot, and without the box Fusion draws
// around a check mark. Other styles draw their own check mark for it.
class MenuCheckStyle final : public QProxyStyle
{
    Q_OBJECT

public:
    MenuCheckStyle();

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};

} // namespace zol
