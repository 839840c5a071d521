#include "settings.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

// Whatever zolprint.ini holds, start-up gets a language it can index the
// tables with, and writing the numbers back reads them again unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const zol::Settings settings = zol::parseSettings(bytes, 1);
    if (settings.language < 0 || settings.language > 3)
        std::abort();
    const zol::Settings again = zol::parseSettings(zol::formatSettings(settings), 2);
    if (again.language != settings.language || again.port != settings.port)
        std::abort();
    return 0;
}
