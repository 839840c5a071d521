#include "pagedocument.h"

#include "measurementsfile.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace zol {

namespace {
constexpr int kRecoveryInterval = 2000;
constexpr int kReadingCopyInterval = 1000;
} // namespace

PageDocument::PageDocument(const QString &recoveryFolder, QObject *parent) : QObject(parent)
{
    tmrRecovery.setObjectName(u"tmrRecovery"_s);
    tmrRecovery.setSingleShot(true);
    tmrRecovery.setInterval(kRecoveryInterval);
    connect(&tmrRecovery, &QTimer::timeout, this, &PageDocument::keep);
    tmrReadingCopy.setObjectName(u"tmrReadingCopy"_s);
    tmrReadingCopy.setSingleShot(true);
    tmrReadingCopy.setInterval(kReadingCopyInterval);
    connect(&tmrReadingCopy, &QTimer::timeout, this, &PageDocument::keepWholePages);
    m_copyWriter.setMaxThreadCount(1);
    if (!recoveryFolder.isEmpty())
        m_recovery = std::make_unique<RecoveryFiles>(recoveryFolder);
}

PageDocument::~PageDocument()
{
    settle();
}

void PageDocument::goToFirstPage()
{
    m_pages.goToFirstPage();
}

void PageDocument::goToPreviousPage()
{
    m_pages.goToPreviousPage();
}

void PageDocument::goToNextPage()
{
    m_pages.goToNextPage();
}

void PageDocument::goToLastPage()
{
    m_pages.goToLastPage();
}

void PageDocument::edited()
{
    if (!m_unsaved) {
        m_unsaved = true;
        emit changed();
    }
    if (!tmrRecovery.isActive())
        tmrRecovery.start();
}

void PageDocument::beginReading(const QString &prompt)
{
    m_pages.beginTransfer(prompt);
    adopt(QString(), false);
}

void PageDocument::receive(const QByteArray &chunk)
{
    const qint16 filling = m_pages.iFillpage();
    m_pages.receive(chunk);
    if (m_pages.iFillpage() != filling && m_recovery && !tmrReadingCopy.isActive())
        tmrReadingCopy.start();
}

qint16 PageDocument::endReading(bool dataArrived, bool lineLost, bool early)
{
    const qint16 received = m_pages.endTransfer(dataArrived, lineLost);
    // A reading that brought nothing left the pages as empty as it made them.
    if (dataArrived)
        adopt(m_fileName, true, early);
    return received;
}

void PageDocument::open(const QString &path, const MeasurementsRead &read)
{
    m_pages.replaceWith(read);
    adopt(path, false);
}

bool PageDocument::save(const QString &path, QString *reason)
{
    if (!saveMeasurements(path, m_pages.pagesInUse(), reason))
        return false;
    adopt(path, false);
    return true;
}

void PageDocument::discard()
{
    adopt(m_fileName, false);
}

std::optional<KeptPages> PageDocument::takeOrphan()
{
    settle();
    return m_recovery ? m_recovery->takeOrphan() : std::nullopt;
}

void PageDocument::restore(const KeptPages &kept)
{
    m_pages.restore(kept.pages, kept.counter, kept.current);
    adopt(kept.fileName, true, kept.endedEarly);
    // This program's own copy was written first, and only then the old one
    // goes: there is never a moment with neither.
    dropOrphan();
}

void PageDocument::dropOrphan()
{
    settle();
    if (m_recovery)
        m_recovery->dropOrphan();
}

void PageDocument::keepOrphan()
{
    settle();
    if (m_recovery)
        m_recovery->keepOrphan();
}

QList<DamagedCopy> PageDocument::takeDamaged()
{
    settle();
    return m_recovery ? m_recovery->takeDamaged() : QList<DamagedCopy>();
}

void PageDocument::keepPendingEdit()
{
    if (tmrRecovery.isActive()) {
        tmrRecovery.stop();
        keep();
    }
}

void PageDocument::adopt(const QString &fileName, bool unsaved, bool endedEarly)
{
    m_fileName = fileName;
    m_unsaved = unsaved;
    m_endedEarly = endedEarly;
    tmrReadingCopy.stop();
    if (unsaved) {
        keep();
    } else {
        tmrRecovery.stop();
        settle();
        if (m_recovery)
            m_recovery->remove();
    }
    emit changed();
}

void PageDocument::keep()
{
    if (!m_recovery || !m_unsaved)
        return;
    settle();
    KeptPages kept;
    kept.savedAt = QDateTime::currentDateTime();
    kept.pages = m_pages.allPages();
    kept.counter = m_pages.iPages();
    kept.current = m_pages.iCurpage();
    kept.fileName = m_fileName;
    kept.endedEarly = m_endedEarly;
    // A recovery file that cannot be written leaves the pages where they
    // are; it is a safety net under Save, not a command of the user's, so
    // the user hears of it once and the next change tries again.
    QString reason;
    bool tell = false;
    if (!m_recovery->write(kept, &reason, &tell) && tell)
        emit notKept(reason);
}

void PageDocument::keepWholePages()
{
    if (!m_recovery)
        return;
    // The pages before the one being filled are whole: a form feed closed
    // each. What came after the last one may be cut anywhere.
    const int whole = m_pages.iFillpage();
    KeptPages kept;
    kept.savedAt = QDateTime::currentDateTime();
    for (int i = 0; i < whole; ++i)
        kept.pages[i] = m_pages.sPage(i);
    kept.counter = static_cast<qint16>(whole - 2);
    kept.endedEarly = true;
    m_copyWriter.start([this, kept] {
        QString reason;
        bool tell = false;
        if (!m_recovery->write(kept, &reason, &tell) && tell)
            QMetaObject::invokeMethod(
                this, [this, reason] { emit notKept(reason); }, Qt::QueuedConnection);
    });
}

void PageDocument::settle()
{
    m_copyWriter.waitForDone();
}

} // namespace zol
