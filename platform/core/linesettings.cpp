#include "linesettings.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace zol {

std::optional<LineSettings> parseLineSettings(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;

    LineSettings result;
    const QString baudText = fields.at(0).trimmed();
    bool ok = false;
    result.baud = baudText.toInt(&ok);
    // toInt() accepts a sign; a baud rate is digits only.
    if (!ok || result.baud <= 0 || baudText.startsWith(u'+'))
        return std::nullopt;

    const QString parity = fields.at(1).trimmed().toLower();
    if (parity == u"n")
        result.parity = LineSettings::Parity::None;
    else if (parity == u"e")
        result.parity = LineSettings::Parity::Even;
    else if (parity == u"o")
        result.parity = LineSettings::Parity::Odd;
    else if (parity == u"m")
        result.parity = LineSettings::Parity::Mark;
    else if (parity == u"s")
        result.parity = LineSettings::Parity::Space;
    else
        return std::nullopt;

    const QString dataBits = fields.at(2).trimmed();
    if (dataBits.size() != 1 || dataBits.at(0) < u'5' || dataBits.at(0) > u'8')
        return std::nullopt;
    result.dataBits = dataBits.at(0).unicode() - u'0';

    const QString stopBits = fields.at(3).trimmed();
    if (stopBits == u"1")
        result.stopBits = LineSettings::StopBits::One;
    else if (stopBits == u"1.5")
        result.stopBits = LineSettings::StopBits::OneAndHalf;
    else if (stopBits == u"2")
        result.stopBits = LineSettings::StopBits::Two;
    else
        return std::nullopt;

    return result;
}

QString formatLineSettings(const LineSettings &settings)
{
    static const char16_t parityLetters[] = u"neoms";
    const QString stop = settings.stopBits == LineSettings::StopBits::One          ? u"1"_s
                         : settings.stopBits == LineSettings::StopBits::OneAndHalf ? u"1.5"_s
                                                                                   : u"2"_s;
    return u"%1,%2,%3,%4"_s.arg(settings.baud)
        .arg(QChar(parityLetters[static_cast<int>(settings.parity)]))
        .arg(settings.dataBits)
        .arg(stop);
}

} // namespace zol
