#pragma once

#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QWidget;

namespace zol {

// Why pages did not reach the paper or the PDF file. The window words the
// kind in its own language; detail is the system's own words, or the name
// of the printer concerned, and may be empty.
struct PrintFailure
{
    enum class Kind {
        NoPrinter,    // there is no default printer
        CannotStart,  // the printer cannot start the job
        NotAccepting, // the printer does not accept jobs; detail names it
        Refused,      // the print system refused the job; detail says why
        CannotWrite,  // the PDF file could not be written; detail says why
    };
    Kind kind = Kind::CannotStart;
    QString detail;
};

// Prints pages of fixed-pitch text, each page starting on a sheet of its own.
class PagePrinter
{
public:
    virtual ~PagePrinter() = default;
    // One job on the default printer, without a dialog. With no pages
    // there is nothing to print and no job is started.
    virtual bool printPages(const QStringList &pages, PrintFailure *failure) = 0;
    // The sheets printPages would print, as one PDF file with real text. The
    // file is replaced whole or not at all.
    virtual bool writePdf(const QString &path, const QStringList &pages, PrintFailure *failure) = 0;
    // Qt's print preview of the sheets printPages would print; its print
    // button lets the user choose the printer. Returns false when a job
    // printed from it did not go through.
    virtual bool preview(QWidget *parent, const QStringList &pages, PrintFailure *failure) = 0;
};

// Lays the pages out on a printer or PDF writer that is already set up:
// "Courier New" 11 point from the first printable position (the device's
// page margins are set to its unprintable ones, so none of Qt's own is
// added), each page on a sheet of its own, no empty sheet after the last. A
// page longer than a sheet goes on over the next ones and a line wider than
// the sheet goes on in the next line, so nothing is cut off. False when the
// device cannot start the job.
bool printPagesOn(QPagedPaintDevice &device, const QStringList &pages);

// The real printer: the system's default printer, or a PDF file.
class QtPagePrinter final : public PagePrinter
{
public:
    QtPagePrinter() = default;
    // printPages writes this PDF file instead of printing.
    explicit QtPagePrinter(const QString &pdfPath) : m_pdfPath(pdfPath) {}

    bool printPages(const QStringList &pages, PrintFailure *failure) override;
    bool writePdf(const QString &path, const QStringList &pages, PrintFailure *failure) override;
    bool preview(QWidget *parent, const QStringList &pages, PrintFailure *failure) override;

private:
    QString m_pdfPath;
};

} // namespace zol
