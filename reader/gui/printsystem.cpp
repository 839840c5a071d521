#include "printsystem.h"

#include <QtGlobal>

#if defined(ZOL_HAVE_CUPS) && defined(Q_OS_UNIX)
#include <cups/cups.h>
#endif

namespace zol::printsystem {

#if defined(ZOL_HAVE_CUPS) && defined(Q_OS_UNIX)

bool acceptsJobs(const QString &printerName, QString *why)
{
    const qsizetype slash = printerName.indexOf(u'/');
    const QByteArray queue = printerName.left(slash).toLocal8Bit();
    const QByteArray instance = slash < 0 ? QByteArray() : printerName.mid(slash + 1).toLocal8Bit();
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(),
                                         instance.isEmpty() ? nullptr : instance.constData());
    // A printer the print system cannot describe is left to the job itself,
    // whose answer lastJobAccepted reads.
    if (!dest)
        return true;
    const char *accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool accepts = !accepting || qstrcmp(accepting, "false") != 0;
    if (!accepts && why) {
        const char *message =
            cupsGetOption("printer-state-message", dest->num_options, dest->options);
        *why = message ? QString::fromLocal8Bit(message) : QString();
    }
    cupsFreeDests(1, dest);
    return accepts;
}

bool lastJobAccepted(QString *why)
{
    // libcups keeps the status of the last request per thread, and Qt's
    // engine submits the job on the thread that ends the painter.
    if (cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE)
        return true;
    if (why)
        *why = QString::fromLocal8Bit(cupsLastErrorString());
    return false;
}

#else

bool acceptsJobs(const QString &, QString *)
{
    return true;
}

bool lastJobAccepted(QString *)
{
    return true;
}

#endif

} // namespace zol::printsystem
