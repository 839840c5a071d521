#include "portnumber.h"

#include "comports.h"

namespace zol {

std::optional<qint16> comPortNumber(const QString &typed)
{
    const QString text = typed.trimmed();
    // Only plain digits: toInt alone would also take a sign.
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
    }
    const int number = text.toInt();
    if (number < kFirstComPort || number > kLastComPort)
        return std::nullopt;
    return static_cast<qint16>(number);
}

} // namespace zol
