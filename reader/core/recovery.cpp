#include "recovery.h"

#include "atomicfile.h"
#include "regularfile.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLocale>
#include <QLockFile>
#include <QUuid>

#include <system_error>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

constexpr quint32 kMagic = 0x5a4f4c52; // "ZOLR"
constexpr quint16 kVersion = 1;
// Written after the pages only for a reading that ended early, so that a
// copy without it is byte for byte what older copies of the program write;
// they read one with it as cut short, which is near enough the truth.
constexpr quint8 kEndedEarly = 1;
const QString kSuffix = u".zolrecovery"_s;

QString lockPathOf(const QString &path)
{
    return path + u".lock"_s;
}

std::unique_ptr<QLockFile> lockFor(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(lockPathOf(path));
    // Only a program that has ended gives up its lock; a lock that is merely
    // old belongs to a program that has been running all day.
    lock->setStaleLockTime(0);
    return lock;
}

// Never more than the largest file the pages can make.
KeptPagesRead readCopy(const QString &path)
{
    QFile file;
    KeptPagesRead read;
    if (!openRegularFile(file, path, &read.reason))
        return read;
    const QByteArray bytes = file.read(kMaxRecoveryFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        read.reason = file.errorString();
        return read;
    }
    return readKeptPages(bytes);
}

// QLockFile does not say what the system said: a file written beside it
// asks again.
QString lockFailure(const QString &folder, QLockFile::LockError error)
{
    QFile probe(
        QDir(folder).filePath(u".probe-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces)));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return probe.errorString();
    const QByteArray bytes(512, '\0');
    const bool written = probe.write(bytes) == bytes.size() && probe.flush();
    const QString reason = probe.errorString();
    probe.remove();
    if (!written)
        return reason;
    return QString::fromLocal8Bit(std::make_error_code(error == QLockFile::PermissionError
                                                           ? std::errc::permission_denied
                                                           : std::errc::io_error)
                                      .message());
}

} // namespace

QByteArray encodeKeptPages(const KeptPages &kept)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << kVersion << kept.savedAt << kept.counter << kept.current << kept.fileName;
    for (const QString &page : kept.pages)
        out << page;
    if (kept.endedEarly)
        out << kEndedEarly;
    return bytes;
}

KeptPagesRead readKeptPages(const QByteArray &bytes)
{
    KeptPagesRead read;
    auto damaged = [&read](const QString &why) {
        read.status = KeptPagesRead::Status::Damaged;
        read.reason = why;
        return read;
    };
    if (bytes.isEmpty())
        return damaged(QCoreApplication::translate("zol::RecoveryFiles", "the file is empty"));
    if (bytes.size() > kMaxRecoveryFileSize)
        return damaged(QCoreApplication::translate(
            "zol::RecoveryFiles", "the file is larger than the pages it could hold"));
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    quint16 version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != kMagic)
        return damaged(QCoreApplication::translate("zol::RecoveryFiles",
                                                   "this is not a file of unsaved pages"));
    if (version > kVersion) {
        read.status = KeptPagesRead::Status::LaterVersion;
        return read;
    }
    if (version != kVersion)
        return damaged(QCoreApplication::translate("zol::RecoveryFiles",
                                                   "this is not a file of unsaved pages"));
    KeptPages &kept = read.kept;
    in >> kept.savedAt >> kept.counter >> kept.current >> kept.fileName;
    if (in.status() != QDataStream::Ok || !kept.savedAt.isValid())
        return damaged(QCoreApplication::translate("zol::RecoveryFiles",
                                                   "the file ends before its first page"));
    int whole = 0;
    for (QString &page : kept.pages) {
        QString text;
        in >> text;
        if (in.status() != QDataStream::Ok)
            break;
        page = text;
        ++whole;
    }
    if (whole == 0)
        return damaged(QCoreApplication::translate("zol::RecoveryFiles",
                                                   "the file ends before its first page"));
    if (whole == PageStore::kPageCount) {
        quint8 mark = kEndedEarly;
        if (!in.atEnd()) {
            in >> mark;
            kept.endedEarly = mark == kEndedEarly;
        }
        if (mark == kEndedEarly && in.status() == QDataStream::Ok && in.atEnd()) {
            read.status = KeptPagesRead::Status::Whole;
            return read;
        }
    }
    // The pages in use reach no further than the last page read whole.
    read.status = KeptPagesRead::Status::Incomplete;
    kept.incomplete = true;
    kept.counter = static_cast<qint16>(qMin<int>(kept.counter, whole - 2));
    kept.current = static_cast<qint16>(qBound(0, int(kept.current), qMax(0, kept.counter + 1)));
    return read;
}

std::optional<KeptPages> decodeKeptPages(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    quint16 version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion)
        return std::nullopt;
    KeptPages kept;
    in >> kept.savedAt >> kept.counter >> kept.current >> kept.fileName;
    for (QString &page : kept.pages)
        in >> page;
    if (in.status() == QDataStream::Ok && !in.atEnd()) {
        quint8 mark = 0;
        in >> mark;
        if (mark != kEndedEarly)
            return std::nullopt;
        kept.endedEarly = true;
    }
    if (in.status() != QDataStream::Ok || !in.atEnd() || !kept.savedAt.isValid())
        return std::nullopt;
    return kept;
}

RecoveryFiles::RecoveryFiles(const QString &folder) : m_folder(folder) {}

RecoveryFiles::~RecoveryFiles() = default;

bool RecoveryFiles::write(const KeptPages &kept, QString *reason, bool *tellUser)
{
    QString why;
    const bool written = writeOwn(kept, &why);
    if (reason)
        *reason = why;
    if (tellUser) {
        *tellUser = !written && !m_failureTold;
        m_failureTold = m_failureTold || !written;
    }
    return written;
}

bool RecoveryFiles::writeOwn(const KeptPages &kept, QString *reason)
{
    if (!m_ownLock) {
        if (!makeFolder(m_folder, reason))
            return false;
        const QString path = QDir(m_folder).filePath(
            u"pages-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces) + kSuffix);
        auto lock = lockFor(path);
        if (!lock->tryLock(0)) {
            *reason = lockFailure(m_folder, lock->error());
            return false;
        }
        m_ownPath = path;
        m_ownLock = std::move(lock);
    }
    return replaceFile(m_ownPath, encodeKeptPages(kept), reason);
}

void RecoveryFiles::remove()
{
    if (!m_ownLock)
        return;
    QFile::remove(m_ownPath);
    m_ownLock.reset();
    m_ownPath.clear();
}

std::optional<KeptPages> RecoveryFiles::takeOrphan()
{
    dropOrphan();
    const QFileInfoList files =
        QDir(m_folder).entryInfoList({u"*"_s + kSuffix}, QDir::Files, QDir::Time);
    for (const QFileInfo &file : files) {
        const QString path = file.absoluteFilePath();
        if (path == m_ownPath)
            continue;
        auto lock = lockFor(path);
        if (!lock->tryLock(0))
            continue;
        KeptPagesRead read = readCopy(path);
        if (read.status != KeptPagesRead::Status::Whole &&
            read.status != KeptPagesRead::Status::Incomplete)
            continue;
        m_orphanPath = path;
        m_orphanLock = std::move(lock);
        return std::move(read.kept);
    }
    return std::nullopt;
}

QList<DamagedCopy> RecoveryFiles::takeDamaged()
{
    QList<DamagedCopy> damaged;
    const QFileInfoList files =
        QDir(m_folder).entryInfoList({u"*"_s + kSuffix}, QDir::Files, QDir::Time);
    for (const QFileInfo &file : files) {
        const QString path = file.absoluteFilePath();
        if (path == m_ownPath || path == m_orphanPath)
            continue;
        auto lock = lockFor(path);
        if (!lock->tryLock(0))
            continue;
        const KeptPagesRead read = readCopy(path);
        if (read.status != KeptPagesRead::Status::Damaged)
            continue;
        // Moved aside, not deleted: what is in it may still be worth a look,
        // but no longer at every start.
        QString keptAs = path + u".damaged"_s;
        for (int i = 2; QFileInfo::exists(keptAs); ++i)
            keptAs = path + u".damaged%1"_s.arg(i);
        if (!QFile::rename(path, keptAs))
            keptAs.clear();
        damaged.append({path, read.reason, keptAs});
    }
    return damaged;
}

void RecoveryFiles::keepOrphan()
{
    m_orphanLock.reset();
    m_orphanPath.clear();
}

void RecoveryFiles::dropOrphan()
{
    if (!m_orphanLock)
        return;
    QFile::remove(m_orphanPath);
    m_orphanLock.reset();
    m_orphanPath.clear();
}

QString recoveryQuestion(const KeptPages &kept, const LanguageTables &tables, qint16 language)
{
    const int at = isValidLanguage(language) ? language : kEnglish;
    // The date as the program's language writes it, not the system's.
    const QString when =
        QLocale(languageCode(language)).toString(kept.savedAt, QLocale::ShortFormat);
    QString question =
        kept.incomplete
            ? tables.sRecoverIncomplete[at].arg(when, QString::number(qMax(1, kept.counter + 2)))
            : tables.sRecover[at].arg(when);
    if (kept.endedEarly)
        question += u"\r\n"_s + stopStatus(tables, language, kept.received(), true);
    return question;
}

QString damagedCopyMessage(const DamagedCopy &copy, const LanguageTables &tables, qint16 language)
{
    const int at = isValidLanguage(language) ? language : kEnglish;
    QString message =
        tables.sRecoverDamaged[at].arg(QDir::toNativeSeparators(copy.path), copy.reason);
    if (!copy.keptAs.isEmpty())
        message +=
            u"\r\n"_s + tables.sRecoverRenamed[at].arg(QDir::toNativeSeparators(copy.keptAs));
    return message;
}

QString notKeptMessage(const RecoveryFiles &files, const QString &reason,
                       const LanguageTables &tables, qint16 language)
{
    const int at = isValidLanguage(language) ? language : kEnglish;
    return tables.sNotKept[at].arg(QDir::toNativeSeparators(files.folder()), reason);
}

} // namespace zol
