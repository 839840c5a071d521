#include "printsystem.h"

#include <QtGlobal>

#if defined(ZOL_HAVE_CUPS) && defined(Q_OS_UNIX)
#include <QLibrary>

#include <cups/cups.h>
#endif

namespace zol::printsystem {

#if defined(ZOL_HAVE_CUPS) && defined(Q_OS_UNIX)

namespace {

// libcups brings a score of libraries of its own (TLS, Kerberos, service
// discovery), whose loading was most of what the program's start cost beyond
// its window. Nothing asks the print system before the first job, and by
// then Qt's own print plugin has loaded the same library: the one copy keeps
// the status of the last request that lastJobAccepted reads.
struct Cups
{
    decltype(&cupsGetNamedDest) getNamedDest = nullptr;
    decltype(&cupsGetOption) getOption = nullptr;
    decltype(&cupsFreeDests) freeDests = nullptr;
    decltype(&cupsLastError) lastError = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;

    bool loaded() const
    {
        return getNamedDest && getOption && freeDests && lastError && lastErrorString;
    }
};

const Cups &cups()
{
    static const Cups loaded = [] {
        Cups functions;
        QLibrary library(QStringLiteral("cups"), 2);
        if (!library.load())
            return functions;
        functions.getNamedDest =
            reinterpret_cast<decltype(&cupsGetNamedDest)>(library.resolve("cupsGetNamedDest"));
        functions.getOption =
            reinterpret_cast<decltype(&cupsGetOption)>(library.resolve("cupsGetOption"));
        functions.freeDests =
            reinterpret_cast<decltype(&cupsFreeDests)>(library.resolve("cupsFreeDests"));
        functions.lastError =
            reinterpret_cast<decltype(&cupsLastError)>(library.resolve("cupsLastError"));
        functions.lastErrorString = reinterpret_cast<decltype(&cupsLastErrorString)>(
            library.resolve("cupsLastErrorString"));
        // Stays loaded for the program's life: QLibrary's destructor does not
        // unload it.
        return functions;
    }();
    return loaded;
}

} // namespace

bool acceptsJobs(const QString &printerName, QString *why)
{
    const Cups &lib = cups();
    // Without the library there is no print system to ask; the job's own
    // fate is then all there is, as on a build without it.
    if (!lib.loaded())
        return true;
    const qsizetype slash = printerName.indexOf(u'/');
    const QByteArray queue = printerName.left(slash).toLocal8Bit();
    const QByteArray instance = slash < 0 ? QByteArray() : printerName.mid(slash + 1).toLocal8Bit();
    cups_dest_t *dest = lib.getNamedDest(CUPS_HTTP_DEFAULT, queue.constData(),
                                         instance.isEmpty() ? nullptr : instance.constData());
    // A printer the print system cannot describe is left to the job itself,
    // whose answer lastJobAccepted reads.
    if (!dest)
        return true;
    const char *accepting =
        lib.getOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool accepts = !accepting || qstrcmp(accepting, "false") != 0;
    if (!accepts && why) {
        const char *message =
            lib.getOption("printer-state-message", dest->num_options, dest->options);
        *why = message ? QString::fromLocal8Bit(message) : QString();
    }
    lib.freeDests(1, dest);
    return accepts;
}

bool lastJobAccepted(QString *why)
{
    const Cups &lib = cups();
    if (!lib.loaded())
        return true;
    // libcups keeps the status of the last request per thread, and Qt's
    // engine submits the job on the thread that ends the painter.
    if (lib.lastError() <= IPP_STATUS_OK_EVENTS_COMPLETE)
        return true;
    if (why)
        *why = QString::fromLocal8Bit(lib.lastErrorString());
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
