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

} // namespace zol::test
