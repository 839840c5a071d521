#include "images.h"

#include <QImageReader>
#include <QPixmapCache>

using namespace Qt::StringLiterals;

namespace zol {

QPixmap pngPixmap(const QString &resource)
{
    // The program's icon is asked for by the application and again by each
    // window; a decode of it once is all a start-up needs.
    const QString key = u"zol-png:"_s + resource;
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    QImageReader reader(resource, "png");
    reader.setAutoDetectImageFormat(false);
    pixmap = QPixmap::fromImage(reader.read());
    if (!pixmap.isNull())
        QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon pngIcon(const QString &resource)
{
    return QIcon(pngPixmap(resource));
}

} // namespace zol
