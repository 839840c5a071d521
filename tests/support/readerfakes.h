#pragma once

#include "filedialog.h"
#include "pageprinter.h"
#include "programlauncher.h"
#include "registry.h"

#include <QList>
#include <QStringList>

namespace zol::test {

using namespace Qt::StringLiterals;

class FakeFileDialog final : public FileDialog
{
public:
    std::optional<QString> getOpenFileName(QWidget *, const QString &filter,
                                           const QString &defaultExtension) override
    {
        calls << u"open "_s + filter + u' ' + defaultExtension;
        return next();
    }
    std::optional<QString> getSaveFileName(QWidget *, const QString &filter,
                                           const QString &defaultExtension,
                                           const QString &proposedName) override
    {
        calls << u"save "_s + filter + u' ' + defaultExtension +
                     (proposedName.isEmpty() ? QString() : u' ' + proposedName);
        return next();
    }
    std::optional<QString> getSavePdfFileName(QWidget *, const QString &filter,
                                              const QString &proposedName) override
    {
        calls << u"pdf "_s + filter + u' ' + proposedName;
        return next();
    }

    // Each call takes the next answer; an empty queue is a cancel.
    QList<std::optional<QString>> answers;
    QStringList calls;

private:
    std::optional<QString> next() { return answers.isEmpty() ? std::nullopt : answers.takeFirst(); }
};

// Records what each command would print; failWith makes every command fail.
class FakePagePrinter final : public PagePrinter
{
public:
    bool printPages(const QStringList &pages, PrintFailure *failure) override
    {
        return record(jobs, pages, failure);
    }
    bool writePdf(const QString &path, const QStringList &pages, PrintFailure *failure) override
    {
        pdfPaths << path;
        return record(pdfs, pages, failure);
    }
    bool preview(QWidget *, const QStringList &pages, PrintFailure *failure) override
    {
        return record(previews, pages, failure);
    }

    QList<QStringList> jobs;
    QList<QStringList> pdfs;
    QStringList pdfPaths;
    QList<QStringList> previews;
    std::optional<PrintFailure> failWith;

private:
    bool record(QList<QStringList> &into, const QStringList &pages, PrintFailure *failure)
    {
        if (failWith) {
            if (failure)
                *failure = *failWith;
            return false;
        }
        into.append(pages);
        return true;
    }
};

class FakeLauncher final : public ProgramLauncher
{
public:
    bool start(const QString &path) override
    {
        started << path;
        return succeed;
    }

    QStringList started;
    bool succeed = true;
};

// A registry with no keys at all.
class EmptyRegistry final : public Registry
{
public:
    long openKey(Key, const QByteArray &, std::uint32_t, Key *) override { return 2; }
    long queryValue(Key, const QByteArray &, std::uint32_t *, QByteArray *,
                    std::uint32_t *) override
    {
        return 2;
    }
    long closeKey(Key) override { return 0; }
};

} // namespace zol::test
