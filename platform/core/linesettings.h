#pragma once

#include <QString>

#include <optional>

namespace zol {

struct LineSettings
{
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    bool operator==(const LineSettings &) const = default;
};

// Parses "2400,n,8,1"; anything malformed gives no value at all.
std::optional<LineSettings> parseLineSettings(const QString &text);
QString formatLineSettings(const LineSettings &settings);

} // namespace zol
