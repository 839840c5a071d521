#include "codepage.h"

#include <array>

namespace zol {

namespace {

// 0x80-0x9F of code page 1252. The five bytes Windows leaves undefined map to
// the C1 controls of the same value, so every byte survives a round trip.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QChar ansiToChar(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(kHighTable[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString fromAnsi(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes)
        text.append(ansiToChar(static_cast<unsigned char>(b)));
    return text;
}

char charToAnsi(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (std::size_t i = 0; i < kHighTable.size(); ++i) {
        if (kHighTable[i] == u)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

QByteArray toAnsi(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        // A pair of surrogates is one character outside the code page: one '?'.
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        bytes.append(charToAnsi(ch));
    }
    return bytes;
}

bool ansiCanCarry(QChar ch)
{
    if (ch.isSurrogate())
        return false;
    return ch == u'?' || charToAnsi(ch) != '?';
}

bool ansiCanCarry(const QString &text)
{
    for (QChar ch : text) {
        if (!ansiCanCarry(ch))
            return false;
    }
    return true;
}

} // namespace zol
