#pragma once

#include "languages.h"
#include "pagestore.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
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
    // The file was cut short (or had more after its end): only its pages
    // read whole are here, the others empty, and the counter no further
    // than them.
    bool incomplete = false;
    // The reading that brought the pages ended before the meter had sent
    // everything: a signal, the window closed, or the program killed while
    // they came, so that only the pages read whole are kept.
    bool endedEarly = false;
    // The pages as the reading's status counted them, Stop (n).
    qint16 received() const { return static_cast<qint16>(qMax(0, counter + 2)); }
};

QByteArray encodeKeptPages(const KeptPages &kept);
// Nothing for bytes that are not a whole recovery file of this kind.
std::optional<KeptPages> decodeKeptPages(const QByteArray &bytes);

// The largest recovery file read: the most a measurements file may hold,
// as the two bytes a character the file keeps, and room for its name.
inline constexpr qint64 kMaxRecoveryFileSize = 2 * 16 * 1024 * 1024 + 64 * 1024;

// What can be read of the bytes of a recovery file: the whole file, the
// pages read whole of one cut short (incomplete), or nothing, and then why
// (reason, in English through QCoreApplication::translate). A file of a
// later version is neither: it belongs to the program that wrote it.
struct KeptPagesRead
{
    enum class Status { Whole, Incomplete, Damaged, LaterVersion };
    Status status = Status::Damaged;
    KeptPages kept;
    QString reason;
};
KeptPagesRead readKeptPages(const QByteArray &bytes);

// A recovery file that no running program holds and that cannot be read:
// where it was, why, and the name it was moved to so that it is told of
// once (empty when the folder would not let it be renamed).
struct DamagedCopy
{
    QString path;
    QString reason;
    QString keptAs;
};

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

    // Writes this program's file, all or nothing. On failure reason holds
    // the system's words; tellUser is true only for the first failure of
    // this program's run, which the user is to hear of: the later ones are
    // tried again quietly at each change.
    bool write(const KeptPages &kept, QString *reason = nullptr, bool *tellUser = nullptr);
    const QString &folder() const { return m_folder; }
    // Removes this program's file: its pages were saved or given up.
    void remove();

    // The newest file that no running program holds, locked for this one
    // until it is adopted or discarded. One cut short comes with the pages
    // read whole, marked incomplete; one that cannot be read is not offered.
    std::optional<KeptPages> takeOrphan();
    // The files no running program holds that cannot be read at all, each
    // moved aside so that it is named to the user once, not at every start.
    QList<DamagedCopy> takeDamaged();
    // The orphan's pages are this program's now, or given up: either way
    // its file goes.
    void dropOrphan();
    // The orphan is put off (the question was closed, not answered): its
    // file stays for the next start, and this program holds it no longer.
    void keepOrphan();

private:
    bool writeOwn(const KeptPages &kept, QString *reason);

    QString m_folder;
    QString m_ownPath;
    std::unique_ptr<QLockFile> m_ownLock;
    QString m_orphanPath;
    std::unique_ptr<QLockFile> m_orphanLock;
    bool m_failureTold = false;
};

// What the window says of them, in the program's language: the question
// before pages are restored (said to be incomplete when they are, with the
// status of a reading that ended early), a file
// that cannot be read, and pages that cannot be kept (reason as write()
// gave it).
QString recoveryQuestion(const KeptPages &kept, const LanguageTables &tables, qint16 language);
QString damagedCopyMessage(const DamagedCopy &copy, const LanguageTables &tables, qint16 language);
QString notKeptMessage(const RecoveryFiles &files, const QString &reason,
                       const LanguageTables &tables, qint16 language);

} // namespace zol
