#include "log.h"

#include <cstdarg>
#include <cstdio>

namespace zol::meter {

void logEvent(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string line = "zolmeter: ";
    if (length > 0) {
        const std::size_t prefix = line.size();
        line.resize(prefix + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(line.data() + prefix, static_cast<std::size_t>(length) + 1, format, again);
        line.resize(prefix + static_cast<std::size_t>(length));
    }
    va_end(again);
    line += '\n';
    // One write per line, so that the lines never interleave half-way with
    // whatever else shares the reader's end.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

std::string hexBytes(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

} // namespace zol::meter
