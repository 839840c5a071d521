#pragma once

#include "pagestore.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class QLockFile;

namespace zol {

// Pages that were read or edited and not saved, as a recovery file keeps
// them: every page exactly, the counter, the page on show, and the
// measurements file they last came from, if any.
struct KeptPages
{
    QDateTime savedAt;
    std::array<QString, PageStore::kPageCount> pages;
    qint16 counter = 0;
    qint16 current = 0;
    QString fileName;
};

QByteArray encodeKeptPages(const KeptPages &kept);
// Nothing for bytes that are not a whole recovery file of this kind.
std::optional<KeptPages> decodeKeptPages(const QByteArray &bytes);

// The recovery files in one folder. Each running program keeps its own file
// and holds a lock beside it as long as it runs; a file whose lock no live
// program holds was left by a program that did not end as it should (a
// crash, a dead battery), and is offered to the next one that starts.
class RecoveryFiles
{
public:
    explicit RecoveryFiles(const QString &folder);
    ~RecoveryFiles();
    RecoveryFiles(const RecoveryFiles &) = delete;
    RecoveryFiles &operator=(const RecoveryFiles &) = delete;

    // Writes this program's file, all or nothing.
    bool write(const KeptPages &kept, QString *reason = nullptr);
    // Removes this program's file: its pages were saved or given up.
    void remove();

    // The newest file that no running program holds, locked for this one
    // until it is adopted or discarded.
    std::optional<KeptPages> takeOrphan();
    // The orphan's pages are this program's now, or given up: either way
    // its file goes.
    void dropOrphan();

private:
    QString m_folder;
    QString m_ownPath;
    std::unique_ptr<QLockFile> m_ownLock;
    QString m_orphanPath;
    std::unique_ptr<QLockFile> m_orphanLock;
};

} // namespace zol
