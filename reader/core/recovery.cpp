#include "recovery.h"

#include "atomicfile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLockFile>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

constexpr quint32 kMagic = 0x5a4f4c52; // "ZOLR"
constexpr quint16 kVersion = 1;
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

} // namespace

QByteArray encodeKeptPages(const KeptPages &kept)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << kVersion << kept.savedAt << kept.counter << kept.current << kept.fileName;
    for (const QString &page : kept.pages)
        out << page;
    return bytes;
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
    if (in.status() != QDataStream::Ok || !in.atEnd() || !kept.savedAt.isValid())
        return std::nullopt;
    return kept;
}

RecoveryFiles::RecoveryFiles(const QString &folder) : m_folder(folder) {}

RecoveryFiles::~RecoveryFiles() = default;

bool RecoveryFiles::write(const KeptPages &kept, QString *reason)
{
    if (!m_ownLock) {
        if (!QDir().mkpath(m_folder)) {
            if (reason)
                *reason = u"cannot make the folder %1"_s.arg(QDir::toNativeSeparators(m_folder));
            return false;
        }
        const QString path = QDir(m_folder).filePath(
            u"pages-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces) + kSuffix);
        auto lock = lockFor(path);
        if (!lock->tryLock(0)) {
            if (reason)
                *reason = u"cannot lock %1"_s.arg(QDir::toNativeSeparators(lockPathOf(path)));
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
        QFile in(path);
        std::optional<KeptPages> kept;
        if (in.open(QIODevice::ReadOnly))
            kept = decodeKeptPages(in.readAll());
        in.close();
        // The writer replaces whole files, so a file that does not read is
        // not one of this version's: left alone for the program that wrote it.
        if (!kept)
            continue;
        m_orphanPath = path;
        m_orphanLock = std::move(lock);
        return kept;
    }
    return std::nullopt;
}

void RecoveryFiles::dropOrphan()
{
    if (!m_orphanLock)
        return;
    QFile::remove(m_orphanPath);
    m_orphanLock.reset();
    m_orphanPath.clear();
}

} // namespace zol
