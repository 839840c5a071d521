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
