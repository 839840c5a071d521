#include "images.h"

#include <QImageReader>

namespace zol {

QPixmap pngPixmap(const QString &resource)
{
    QImageReader reader(resource, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon pngIcon(const QString &resource)
{
    return QIcon(pngPixmap(resource));
}

} // namespace zol
