#include "pageprinter.h"

#include "atomicfile.h"
#include "printsystem.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

bool fail(PrintFailure *failure, PrintFailure::Kind kind, const QString &detail = QString())
{
    if (failure)
        *failure = PrintFailure{kind, detail};
    return false;
}

// The sheet the default printer would print on: its paper and its
// unprintable edges. Without a printer the PDF is a sheet of the locale's
// paper whose first printable position is its corner.
QPageLayout paperLayout()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        QPrinter printer(info, QPrinter::HighResolution);
        const QPageLayout layout = printer.pageLayout();
        return QPageLayout(layout.pageSize(), layout.orientation(), layout.minimumMargins(),
                           layout.units(), layout.minimumMargins());
    }
    const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    return QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF());
}

} // namespace

bool printPagesOn(QPagedPaintDevice &device, const QStringList &pages)
{
    if (pages.isEmpty())
        return true;
    // The text starts at the first printable position: Qt's own margin
    // inside it would move every column and cost lines at the foot.
    const QPageLayout layout = device.pageLayout();
    device.setPageMargins(layout.minimumMargins(), layout.units());

    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // The painter's origin is the first printable position and the device
    // measures the printable area.
    const qreal width = device.width();
    const qreal height = device.height();
    static const QRegularExpression lineEnd(u"\r\n|\r|\n"_s);

    QFont font(u"Courier New"_s);
    font.setPointSize(11);
    painter.setFont(QFont(font, &device));
    const QFontMetricsF metrics(painter.font(), &device);
    const qreal lineHeight = std::max<qreal>(1, metrics.lineSpacing());
    const qreal advance = std::max<qreal>(1, metrics.horizontalAdvance(u'M'));
    // A fixed-pitch font: every column as wide as the widest letter.
    const qsizetype columns = std::max<qsizetype>(1, qsizetype(std::floor(width / advance)));

    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        // Empty lines at the end of a page print nothing, and must not push
        // a blank sheet out after a full one.
        QStringList lines = pages.at(i).split(lineEnd);
        while (lines.size() > 1 && lines.last().isEmpty())
            lines.removeLast();
        qreal y = 0;
        for (const QString &line : std::as_const(lines)) {
            qsizetype from = 0;
            do {
                if (y > 0 && y + lineHeight > height) {
                    device.newPage();
                    y = 0;
                }
                painter.drawText(QPointF(0, y + metrics.ascent()), line.mid(from, columns));
                y += lineHeight;
                from += columns;
            } while (from < line.size());
        }
    }
    return painter.end();
}

bool QtPagePrinter::printPages(const QStringList &pages, PrintFailure *failure)
{
    if (pages.isEmpty())
        return true;
    if (!m_pdfPath.isEmpty())
        return writePdf(m_pdfPath, pages, failure);

    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return fail(failure, PrintFailure::Kind::NoPrinter);
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(QCoreApplication::applicationName());
    // Qt's engine hands the job over and drops the print system's answer:
    // a printer that refuses jobs is asked first, and the answer to the job
    // itself is read afterwards.
    QString why;
    if (!printsystem::acceptsJobs(info.printerName(), &why)) {
        const QString name = info.printerName();
        return fail(failure, PrintFailure::Kind::NotAccepting,
                    why.isEmpty() ? name : name + u": "_s + why);
    }
    if (!printPagesOn(printer, pages))
        return fail(failure, PrintFailure::Kind::CannotStart);
    if (!printsystem::lastJobAccepted(&why))
        return fail(failure, PrintFailure::Kind::Refused, why);
    return true;
}

bool QtPagePrinter::writePdf(const QString &path, const QStringList &pages, PrintFailure *failure)
{
    // The PDF is made in memory and then replaces the file in one step, so
    // a full disk or a folder that refuses it never leaves half a file.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(1200);
        writer.setCreator(QCoreApplication::applicationName());
        writer.setTitle(QFileInfo(path).completeBaseName());
        writer.setPageLayout(paperLayout());
        // A file was asked for: with no page in use it holds one blank sheet.
        if (!printPagesOn(writer, pages.isEmpty() ? QStringList{QString()} : pages))
            return fail(failure, PrintFailure::Kind::CannotStart);
    }
    QString reason;
    if (!replaceFile(path, bytes, &reason))
        return fail(failure, PrintFailure::Kind::CannotWrite, reason);
    return true;
}

bool QtPagePrinter::preview(QWidget *parent, const QStringList &pages, PrintFailure *failure)
{
    // The printer Print all pages prints on; without one, Qt's PDF printer,
    // so that the sheets can still be seen and printed to a file.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(QCoreApplication::applicationName());
    QPrintPreviewDialog dialog(&printer, parent);
    // The dialog paints for the preview and, after its print dialog, for
    // the job: the last paint is the job's.
    bool painted = true;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&pages, &painted](QPrinter *target) {
                         // Also the request the job's answer will follow.
                         if (target->outputFormat() == QPrinter::NativeFormat)
                             printsystem::acceptsJobs(target->printerName(), nullptr);
                         painted = printPagesOn(*target, pages);
                     });
    if (dialog.exec() != QDialog::Accepted)
        return true;
    if (!painted)
        return fail(failure, PrintFailure::Kind::CannotStart);
    QString why;
    if (printer.outputFormat() == QPrinter::NativeFormat && !printsystem::lastJobAccepted(&why))
        return fail(failure, PrintFailure::Kind::Refused, why);
    return true;
}

} // namespace zol
