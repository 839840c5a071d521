#pragma once

#include "pagestore.h"
#include "recovery.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <memory>
#include <optional>

namespace zol {

struct MeasurementsRead;

// The pages the window shows, as a document: the pages themselves, the
// measurements file they were last saved to or opened from, whether they
// differ from it, and the recovery file that keeps them against a crash
// while they do. Whatever replaces the pages (a reading, a file, a restored
// copy) goes through one place, so that the name, the mark and the copy
// always tell the same story.
class PageDocument : public QObject
{
    Q_OBJECT

public:
    // No folder: the pages are not kept against a crash.
    explicit PageDocument(const QString &recoveryFolder, QObject *parent = nullptr);
    ~PageDocument() override;

    const PageStore &pages() const { return m_pages; }
    // Empty for pages that came from the meter and were not saved since.
    const QString &fileName() const { return m_fileName; }
    bool isUnsaved() const { return m_unsaved; }
    // The pages are those of a reading that ended before the meter had
    // finished, until they are saved or replaced.
    bool endedEarly() const { return m_endedEarly; }

    void goToFirstPage();
    void goToPreviousPage();
    void goToNextPage();
    void goToLastPage();
    // The page window's text written back into the page on show; the text
    // the program set is no change of the document.
    void setCurrentPage(const QString &text) { m_pages.setCurrentPage(text); }
    // The user typed: the pages differ from the file, and are kept within
    // two seconds.
    void edited();

    // A reading: the pages emptied and the prompt on the first, the meter's
    // text filed as it comes, and at the end the number of pages it brought
    // (see PageStore). Pages that arrived are unsaved and kept at once; one
    // ended early (a signal, the window closed) is kept with that mark.
    // While it runs, the pages read whole are kept as they come, as those of
    // a reading that ended early, so that a crash or a power cut costs none.
    void beginReading(const QString &prompt);
    void receive(const QByteArray &chunk);
    qint16 endReading(bool dataArrived, bool lineLost, bool early = false);

    // A file read whole replaces every page.
    void open(const QString &path, const MeasurementsRead &read);
    // Writes the pages in use to path; on failure the pages stay unsaved and
    // reason says why.
    bool save(const QString &path, QString *reason);
    // The user gave the unsaved pages up: they stay on show, and their copy
    // goes.
    void discard();

    // Pages a program that did not end as it should left behind, offered at
    // start; restored, they are this program's unsaved pages, dropped, they
    // are given up, and kept, they wait for the next start.
    std::optional<KeptPages> takeOrphan();
    void restore(const KeptPages &kept);
    void dropOrphan();
    void keepOrphan();
    // The left-behind copies that cannot be read at all, each named once.
    QList<DamagedCopy> takeDamaged();
    // Null when the pages are not kept against a crash.
    const RecoveryFiles *recovery() const { return m_recovery.get(); }

    // An edit still waiting for its copy is kept now: the program is ending.
    void keepPendingEdit();

signals:
    // The file name or the unsaved mark changed.
    void changed();
    // The pages could not be kept against a crash, for the first time in
    // this run (the system's reason); later failures are retried quietly.
    void notKept(const QString &reason);

private:
    // The one way the pages change hands: the file they belong to and
    // whether they differ from it.
    void adopt(const QString &fileName, bool unsaved, bool endedEarly = false);
    void keep();
    void keepWholePages();
    // Waits for a copy being written in the background: the recovery files
    // are touched by one thread at a time.
    void settle();

    PageStore m_pages;
    QString m_fileName;
    bool m_unsaved = false;
    bool m_endedEarly = false;
    std::unique_ptr<RecoveryFiles> m_recovery;
    // Edits are kept at most every two seconds, not at every keystroke.
    QTimer tmrRecovery{this};
    // During a reading the pages read whole are kept at most once a second,
    // written on a thread of their own: a slow disk must not hold up the
    // bytes coming in. After m_recovery, so that it ends first.
    QTimer tmrReadingCopy{this};
    QThreadPool m_copyWriter;
};

} // namespace zol
