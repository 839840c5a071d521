#include "pdfpages.h"

#include <QFile>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace zol::test {

int pdfPages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(u"/Type\\s*/Page[^s]"_s);
    return static_cast<int>(QString::fromLatin1(file.readAll()).count(page));
}

} // namespace zol::test
