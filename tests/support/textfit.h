#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

namespace zol::test {

// Every visible label (status panels included) and push button of the
// window whose text does not fit inside its box in the font it is drawn
// with: "lblVersion: needs 120x16 in 100x15". Empty when nothing is clipped.
QStringList clippedTexts(const QWidget *window);

// Each named control whose geometry is not the given twips rectangle at the
// screen's logical DPI, one line each.
struct TwipsPlace
{
    QString name;
    QRect twips;
};
QStringList misplacedControls(const QWidget *window, const QList<TwipsPlace> &places);

// The device pixel ratio this run asked for: QT_SCALE_FACTOR times the
// desktop's DPI (QT_FONT_DPI, as Xft.dpi gives it) over 96, so that a test
// at 200 % cannot pass by quietly running at 100 %.
qreal requestedScale();

} // namespace zol::test
