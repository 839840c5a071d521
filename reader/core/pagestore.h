#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace zol {

// The pages of meter text: 101 of them, indices 0 to 100. The pages in use are
// sPage(0) to sPage(iPages + 1); iPages + 1 may be negative, and then only
// page 0 is there to be shown.
struct PageStore
{
    static constexpr int kFirstPage = 0;
    static constexpr int kLastPage = 100;
    static constexpr int kPageCount = kLastPage + 1;

    std::array<QString, kPageCount> sPage;
    qint16 iPages = 0;
    qint16 iCurpage = 0;
    qint16 iFillpage = 0;

    void clearPages();

    // Where each page button goes from the current page. Every result is a
    // valid index, whatever the counter holds.
    qint16 firstPageIndex() const { return kFirstPage; }
    qint16 previousPageIndex() const;
    qint16 nextPageIndex() const;
    qint16 lastPageIndex() const;

    // The pages in use, in order (none when iPages + 1 is below 0).
    QStringList pagesInUse() const;

    // Whether the page being filled is a page of its own when a transfer
    // ends. A dump cut off before its last form feed leaves its tail there,
    // and the user must reach, save and print that text like any other page.
    // The space standing for the form feed that opened the page is not text
    // of its own, nor is the prompt in page 0 while nothing has arrived
    // (dataArrived false). The store never has more than 100 pages in use,
    // as many as a measurements file holds.
    bool fillPageCounts(bool dataArrived) const;

    // Whether anything came after the form feed that closed the hundredth
    // page: it piles up in sPage(100), which is never a page in use, so the
    // user must be told that it is missing.
    bool overflowed() const;

    QString &currentPage() { return sPage[clampIndex(iCurpage)]; }
    const QString &currentPage() const { return sPage[clampIndex(iCurpage)]; }

    static int clampIndex(int index);
};

} // namespace zol
