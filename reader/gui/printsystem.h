#pragma once

#include <QString>

namespace zol::printsystem {

// What the print system says about a printer and about the last job sent to
// it. Qt's print engine submits a job and drops the answer, so a printer
// that refuses jobs would otherwise look as if it printed. Where there is no
// print system to ask (Windows, where the spooler reports itself, or a build
// without libcups) both answers are "nothing against it".

// Whether the printer (Qt's printer name, "queue" or "queue/instance") takes
// jobs now. When it does not, *why holds the print system's message about
// it, which may be empty. Ask this right before the job: it is also the
// request that lastJobAccepted's answer follows.
bool acceptsJobs(const QString &printerName, QString *why);

// Whether the print system took the job this thread submitted last; when it
// did not, *why holds its words.
bool lastJobAccepted(QString *why);

} // namespace zol::printsystem
