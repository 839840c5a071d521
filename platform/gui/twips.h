#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace zol {

// The windows are laid out in twips, 1440 to the inch; they are converted at
// the screen's logical DPI (15 twips per pixel at 96 DPI).
constexpr int kTwipsPerInch = 1440;

int twipsToPixels(int twips, qreal dpi);
qreal logicalDpi();
int twips(int value);
QSize twipsSize(int width, int height);
QRect twipsRect(int left, int top, int width, int height);
void placeInTwips(QWidget *widget, int left, int top, int width, int height);

} // namespace zol
