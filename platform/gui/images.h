#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace zol {

// Pictures of the programs' own resources, all PNG. Loaded by name alone, a
// picture makes Qt load every image-format plugin it has (GIF, ICO, JPEG and
// the libraries under them) to ask each whether it reads PNG before it uses
// its own PNG reader: milliseconds of a start-up that shows no other picture
// (a menu bar still asks them, for its own icon).
QPixmap pngPixmap(const QString &resource);
QIcon pngIcon(const QString &resource);

} // namespace zol
