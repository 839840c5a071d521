#pragma once

#include <QString>
#include <QStringList>

namespace zol {

// Prints pages of fixed-pitch text as one job, each page starting on a sheet
// of its own. Returns false, with a reason, when no printer can take the job.
class PagePrinter
{
public:
    virtual ~PagePrinter() = default;
    virtual bool printPages(const QStringList &pages, QString *reason) = 0;
};

} // namespace zol

class QPrinter;

namespace zol {

// Prints the pages on a printer that is already set up: "Courier New" 11 point
// from the first printable position, each page on a sheet of its own, no empty
// sheet after the last. A page longer than a sheet goes on over the next ones
// and a line wider than the sheet wraps, so nothing printed is cut off.
bool printPagesOn(QPrinter &printer, const QStringList &pages, QString *reason);

// The real printer: the system's default printer, or a PDF file.
class QtPagePrinter final : public PagePrinter
{
public:
    QtPagePrinter() = default;
    explicit QtPagePrinter(const QString &pdfPath) : m_pdfPath(pdfPath) {}

    bool printPages(const QStringList &pages, QString *reason) override;

private:
    QString m_pdfPath;
};

} // namespace zol
