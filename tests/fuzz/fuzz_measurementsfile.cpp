#include "measurementsfile.h"
#include "pagestore.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Loads a read file into the store the way Open does.
zol::PageStore load(const zol::MeasurementsRead &read)
{
    zol::PageStore pages;
    pages.replaceWith(read);
    return pages;
}

} // namespace

// Whatever a measurements file holds, reading it never gives more pages than
// the store has or a progress value outside the bar, and a file that opened
// is saved to bytes that open again to the same pages and counter.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const zol::MeasurementsRead read = zol::readMeasurements(bytes, [](int value) {
        if (value < 1 || value > 100)
            std::abort();
    });
    if (read.status != zol::MeasurementsRead::Status::Ok) {
        if (!read.entries.isEmpty())
            std::abort();
        return 0;
    }
    if (read.entries.isEmpty() || read.entries.size() > zol::PageStore::kPageCount ||
        !read.entries.last().startsWith(u"END"_s))
        std::abort();

    const zol::PageStore pages = load(read);
    const QStringList inUse = pages.pagesInUse();
    const zol::MeasurementsRead again = zol::readMeasurements(zol::formatMeasurements(inUse));
    if (again.status != zol::MeasurementsRead::Status::Ok)
        std::abort();
    const zol::PageStore reloaded = load(again);
    if (reloaded.iPages() != pages.iPages() || reloaded.pagesInUse() != inUse)
        std::abort();
    return 0;
}
