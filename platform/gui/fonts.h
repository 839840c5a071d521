#pragma once

#include <QFont>
#include <QString>

namespace zol {

// The windows ask for the classic Windows faces. Where a face is missing,
// the system's own fallback is often a wider sans (DejaVu Sans), which
// spills fixed-size labels; the metric-compatible faces keep the layout as
// it was drawn. Call once, after the application object exists.
void installFontSubstitutes();

// A classic face at a size, named as this system has it: the family itself
// where it is installed as an outline face, else the first of its
// substitutes that is (else the first installed at all), always smoothed. Asked
// for by its missing name, the font database searches the system's
// fallbacks for each name it lacks before it comes to the substitute, which
// at start-up costs as much as loading the font itself. Where none of them
// is installed the family is asked for as given, and the system's fallback
// chooses as before.
QFont classicFont(const QString &family, qreal points);

} // namespace zol
