#include "pagestore.h"

#include "measurementsfile.h"
#include "meterdecoder.h"

#include <algorithm>

namespace zol {

namespace {

bool holdsText(const QString &text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i)
        if (!text.at(i).isSpace())
            return true;
    return false;
}

} // namespace

int PageStore::clampIndex(int index)
{
    return std::clamp(index, kFirstPage, kLastPage);
}

int PageStore::lastPageInUse() const
{
    // In int: iPages + 1 must not wrap around in 16 bits.
    return std::min(int(m_iPages) + 1, kLastPage);
}

int PageStore::pagesInUseCount() const
{
    return std::max(lastPageInUse() + 1, 0);
}

QStringList PageStore::pagesInUse() const
{
    QStringList pages;
    for (int i = kFirstPage; i <= lastPageInUse(); ++i)
        pages.append(m_sPage[i]);
    return pages;
}

void PageStore::goToPreviousPage()
{
    if (m_iCurpage > kFirstPage)
        --m_iCurpage;
}

void PageStore::goToNextPage()
{
    if (m_iCurpage < lastPageInUse())
        ++m_iCurpage;
}

void PageStore::goToLastPage()
{
    m_iCurpage = static_cast<qint16>(clampIndex(lastPageInUse()));
}

void PageStore::beginTransfer(const QString &prompt)
{
    for (QString &page : m_sPage)
        page.clear();
    m_iFillpage = 0;
    // The counter counts the form feeds from here, one ahead of them.
    m_iPages = 1;
    m_iCurpage = 0;
    // Page 0 holds the prompt until data come: the watchdog ends only a
    // transfer whose page on show is not empty.
    m_sPage[0] = prompt;
}

void PageStore::receive(const QByteArray &chunk)
{
    // Collect runs and append them whole: a dump of many kilobytes would
    // otherwise reallocate a page for every byte.
    QString run;
    run.reserve(chunk.size());
    for (char raw : chunk) {
        const auto byte = static_cast<unsigned char>(raw);
        if (byte == kFormFeed) {
            if (m_iFillpage < kLastPage) {
                m_sPage[m_iFillpage] += run;
                run.clear();
                ++m_iPages;
                ++m_iFillpage;
            }
            run.append(u' ');
            continue;
        }
        if (const std::optional<QChar> ch = decodeMeterByte(byte))
            run.append(*ch);
    }
    m_sPage[m_iFillpage] += run;
}

bool PageStore::fillPageCounts(bool dataArrived, bool lineLost) const
{
    // The prompt in page 0 while nothing has arrived is not the meter's.
    if (!dataArrived || m_iFillpage >= kLastPage)
        return false;
    // The space standing for the form feed that opened the page is not
    // text of its own.
    const qsizetype formFeedSpace = m_iFillpage > kFirstPage ? 1 : 0;
    const QString &tail = m_sPage[m_iFillpage];
    return lineLost ? tail.size() > formFeedSpace : holdsText(tail, formFeedSpace);
}

qint16 PageStore::endTransfer(bool dataArrived, bool lineLost)
{
    if (fillPageCounts(dataArrived, lineLost))
        ++m_iPages;
    const qint16 received = static_cast<qint16>(m_iPages - 1);
    // From one ahead of the pages to the counter's own measure: pages in
    // use minus two.
    m_iPages = static_cast<qint16>(m_iPages - 3);
    return received;
}

bool PageStore::overflowed() const
{
    return m_iFillpage >= kLastPage && holdsText(m_sPage[kLastPage], 1);
}

void PageStore::replaceWith(const MeasurementsRead &read)
{
    for (QString &page : m_sPage)
        page.clear();
    const qsizetype count = std::min<qsizetype>(read.entries.size(), kPageCount);
    for (qsizetype i = 0; i < count; ++i)
        m_sPage[i] = read.entries.at(i);
    m_iPages = std::clamp(read.counter(), kFewestPages, kMostPages);
    m_iCurpage = 0;
}

void PageStore::restore(const std::array<QString, kPageCount> &pages, qint16 counter,
                        qint16 current)
{
    m_sPage = pages;
    m_iPages = std::clamp(counter, kFewestPages, kMostPages);
    m_iFillpage = 0;
    m_iCurpage = static_cast<qint16>(
        std::clamp(int(current), kFirstPage, std::max(lastPageInUse(), kFirstPage)));
}

} // namespace zol
