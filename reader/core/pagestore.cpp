#include "pagestore.h"

#include <algorithm>

namespace zol {

void PageStore::clearPages()
{
    for (QString &page : sPage)
        page.clear();
}

int PageStore::clampIndex(int index)
{
    return std::clamp(index, kFirstPage, kLastPage);
}

qint16 PageStore::previousPageIndex() const
{
    const int current = clampIndex(iCurpage);
    return static_cast<qint16>(current > kFirstPage ? current - 1 : current);
}

qint16 PageStore::nextPageIndex() const
{
    // In int: iPages + 1 must not wrap around in 16 bits.
    const int current = clampIndex(iCurpage);
    const int last = int(iPages) + 1;
    return static_cast<qint16>(current < last && current < kLastPage ? current + 1 : current);
}

qint16 PageStore::lastPageIndex() const
{
    return static_cast<qint16>(clampIndex(int(iPages) + 1));
}

QStringList PageStore::pagesInUse() const
{
    QStringList pages;
    const int last = std::min(int(iPages) + 1, kLastPage);
    for (int i = kFirstPage; i <= last; ++i)
        pages.append(sPage[i]);
    return pages;
}

bool PageStore::fillPageCounts(bool dataArrived) const
{
    if (!dataArrived || iFillpage < kFirstPage || iFillpage >= kLastPage)
        return false;
    const qsizetype formFeedSpace = iFillpage > kFirstPage ? 1 : 0;
    return sPage[iFillpage].size() > formFeedSpace;
}

bool PageStore::overflowed() const
{
    // The space standing for that form feed is all the page holds then.
    return iFillpage >= kLastPage && sPage[kLastPage].size() > 1;
}

} // namespace zol
