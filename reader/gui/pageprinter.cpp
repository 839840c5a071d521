#include "pageprinter.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zol {

bool printPagesOn(QPrinter &printer, const QStringList &pages, QString *reason)
{
    if (pages.isEmpty())
        return true;
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (reason)
            *reason =
                QCoreApplication::translate("zol::PagePrinter", "the printer cannot start the job");
        return false;
    }
    // The painter's origin is the first printable position.
    const QRect area(QPoint(0, 0),
                     printer.pageLayout().paintRectPixels(printer.resolution()).size());
    static const QRegularExpression lineEnd(u"\r\n|\r|\n"_s);

    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            printer.newPage();
        QFont font(u"Courier New"_s);
        font.setPointSize(11);
        painter.setFont(QFont(font, &printer));
        const QFontMetrics metrics = painter.fontMetrics();
        const int lineHeight = std::max(1, metrics.lineSpacing());
        const int columns =
            std::max(1, area.width() / std::max(1, metrics.horizontalAdvance(u'M')));

        // Empty lines at the end of a page print nothing, and must not push
        // a blank sheet out after a full one.
        QStringList lines = pages.at(i).split(lineEnd);
        while (lines.size() > 1 && lines.last().isEmpty())
            lines.removeLast();
        int y = 0;
        for (const QString &line : std::as_const(lines)) {
            qsizetype from = 0;
            do {
                if (y > 0 && y + lineHeight > area.height()) {
                    printer.newPage();
                    y = 0;
                }
                painter.drawText(0, y + metrics.ascent(), line.mid(from, columns));
                y += lineHeight;
                from += columns;
            } while (from < line.size());
        }
    }
    return painter.end();
}

bool QtPagePrinter::printPages(const QStringList &pages, QString *reason)
{
    if (m_pdfPath.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            if (reason)
                *reason = QCoreApplication::translate("zol::PagePrinter", "no default printer");
            return false;
        }
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(QCoreApplication::applicationName());
        return printPagesOn(printer, pages, reason);
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_pdfPath);
    return printPagesOn(printer, pages, reason);
}

} // namespace zol
