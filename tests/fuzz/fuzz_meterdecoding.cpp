#include "pagestore.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

// The first byte of each input cuts the rest into chunks, as the line and the
// receive tick would. The pages must not depend on the cut, the counters must
// stay within the store, and no control byte but CR and LF may reach a page.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int chunkSize = 1 + data[0] % 64;
    const QByteArray dump(reinterpret_cast<const char *>(data + 1),
                          static_cast<qsizetype>(size - 1));

    zol::PageStore whole;
    whole.beginTransfer(QString());
    whole.receive(dump);

    zol::PageStore chunked;
    chunked.beginTransfer(QString());
    for (qsizetype at = 0; at < dump.size(); at += chunkSize)
        chunked.receive(dump.mid(at, chunkSize));

    if (whole.iFillpage() < 0 || whole.iFillpage() > zol::PageStore::kLastPage)
        std::abort();
    if (whole.iPages() != whole.iFillpage() + 1 || chunked.iPages() != whole.iPages())
        std::abort();
    for (int i = 0; i < zol::PageStore::kPageCount; ++i) {
        if (chunked.sPage(i) != whole.sPage(i))
            std::abort();
        for (QChar c : whole.sPage(i)) {
            if (c.unicode() < 32 && c != u'\r' && c != u'\n')
                std::abort();
        }
    }
    return 0;
}
