#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>

namespace zol {

struct MeasurementsRead;

// The pages of meter text: 101 of them, indices 0 to 100, and the counters
// that say which are in use and which is on show. The pages in use are
// sPage(0) to sPage(iPages + 1); iPages + 1 may be negative, and then only
// page 0 is there to be shown.
//
// The counters change only through what happens to the pages: a transfer,
// a file, the page buttons, a recovered session. Whatever path they take,
// every index the store hands out is a page that exists.
class PageStore
{
public:
    static constexpr int kFirstPage = 0;
    static constexpr int kLastPage = 100;
    static constexpr int kPageCount = kLastPage + 1;
    // The counter when no page beyond page 0 is in use, and the most a
    // transfer or a file can bring: a hundred pages, as many as a
    // measurements file holds.
    static constexpr qint16 kFewestPages = -2;
    static constexpr qint16 kMostPages = kLastPage - 2;

    const QString &sPage(int index) const { return m_sPage[clampIndex(index)]; }
    qint16 iPages() const { return m_iPages; }
    qint16 iCurpage() const { return m_iCurpage; }
    qint16 iFillpage() const { return m_iFillpage; }

    // The number of pages in use, and the pages themselves in order (none
    // when iPages + 1 is below 0).
    int pagesInUseCount() const;
    QStringList pagesInUse() const;

    // The page on show, its number as the user counts (from 1), and the
    // write-back of the window into it.
    const QString &currentPage() const { return m_sPage[m_iCurpage]; }
    int currentPageNumber() const { return m_iCurpage + 1; }
    void setCurrentPage(const QString &text) { m_sPage[m_iCurpage] = text; }

    // The page buttons. Each leaves a valid index however the counter stands.
    void goToFirstPage() { m_iCurpage = kFirstPage; }
    void goToPreviousPage();
    void goToNextPage();
    void goToLastPage();

    // A transfer: every page emptied, the prompt on page 0 until data come,
    // then the meter's text filed page by page as it arrives.
    void beginTransfer(const QString &prompt);
    // Text before a form feed goes to the page being filled; the space
    // standing for the form feed and what follows go to the next page, so
    // the pages are the same however the line cut the bytes into chunks.
    // Page breaks stop at the last page: later form feeds become spaces
    // there.
    void receive(const QByteArray &chunk);
    // Ends the transfer and returns the number of pages it brought, which
    // is what the status bar tells. Text after the last form feed is a page
    // of its own when it holds more than white space, or when the line was
    // lost (dataArrived and lineLost as the transfer saw them): a dump cut
    // off just after a form feed leaves only a line end there.
    qint16 endTransfer(bool dataArrived, bool lineLost);
    // Whether anything came after the form feed that closed the hundredth
    // page: it piles up in sPage(100), which is never a page in use, so the
    // user must be told that it is missing.
    bool overflowed() const;

    // A file read whole replaces every page; page 1 is on show.
    void replaceWith(const MeasurementsRead &read);

    // Pages kept from an earlier run: every page as it was, the counter and
    // the page on show. A counter outside what a transfer or a file can
    // bring is brought inside it, so that a damaged recovery file cannot
    // point past the store.
    void restore(const std::array<QString, kPageCount> &pages, qint16 counter, qint16 current);
    const std::array<QString, kPageCount> &allPages() const { return m_sPage; }

    static int clampIndex(int index);

private:
    int lastPageInUse() const;
    bool fillPageCounts(bool dataArrived, bool lineLost) const;

    std::array<QString, kPageCount> m_sPage;
    qint16 m_iPages = 0;
    qint16 m_iCurpage = 0;
    qint16 m_iFillpage = 0;
};

} // namespace zol
