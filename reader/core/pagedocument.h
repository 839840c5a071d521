#pragma once

#include "pagestore.h"
#include "recovery.h"

#include <QObject>
#include <QString>
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
    // (see PageStore). Pages that arrived are unsaved and kept at once.
    void beginReading(const QString &prompt);
    void receive(const QByteArray &chunk) { m_pages.receive(chunk); }
    qint16 endReading(bool dataArrived, bool lineLost);

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
    void adopt(const QString &fileName, bool unsaved);
    void keep();

    PageStore m_pages;
    QString m_fileName;
    bool m_unsaved = false;
    std::unique_ptr<RecoveryFiles> m_recovery;
    // Edits are kept at most every two seconds, not at every keystroke.
    QTimer tmrRecovery{this};
};

} // namespace zol
