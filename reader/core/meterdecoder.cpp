#include "meterdecoder.h"

#include "codepage.h"

#include <array>

namespace zol {

namespace {

// Bytes 128 to 167 of code page 437 that the meter uses for its accented
// letters. 0 marks bytes that are taken as Windows-1252 instead.
constexpr std::array<char16_t, 40> kMeterLetters = {
    u'Ç', u'ü', u'é', u'â', u'ä', u'à', u'å', u'ç', u'ê', u'ë', // 128-137
    u'è', u'ï', u'î', u'ì', u'Ä', u'Å', u'É', u'æ', u'Æ', u'ô', // 138-147
    u'ö', u'ò', u'û', u'ù', u'ÿ', u'Ö', u'Ü', 0,    0,    0,    // 148-157
    0,    0,    u'á', u'í', u'ó', u'ú', u'ñ', u'Ñ', 0,    u'º', // 158-167
};

} // namespace

std::optional<QChar> decodeMeterByte(unsigned char byte)
{
    if (byte == '\r' || byte == '\n')
        return QChar(char16_t(byte));
    if (byte < 32)
        return std::nullopt;
    if (byte >= 128 && byte < 128 + kMeterLetters.size() && kMeterLetters[byte - 128] != 0)
        return QChar(kMeterLetters[byte - 128]);
    return ansiToChar(byte);
}

} // namespace zol
