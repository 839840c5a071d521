#include "recentfiles.h"

#include "keyvaluestore.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

QString keyOf(int index)
{
    return u"File%1"_s.arg(index + 1);
}

// The name that stands for the file: where a link or ".." leads, or, for a
// file that is gone, its absolute name made tidy.
QString identity(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kCase = Qt::CaseSensitive;
#endif

} // namespace

RecentFiles::RecentFiles(KeyValueStore &store) : m_store(store) {}

bool RecentFiles::sameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    return identity(a).compare(identity(b), kCase) == 0;
}

QStringList RecentFiles::files() const
{
    // By name only: the list is read each time the File menu opens, and a
    // file on a share that went away can hold up a look at the disk for long.
    // add() already keeps one entry per file.
    auto sameName = [](const QString &a, const QString &b) {
        return QDir::cleanPath(a).compare(QDir::cleanPath(b), kCase) == 0;
    };
    QStringList files;
    for (int i = 0; i < kCount; ++i) {
        const QString path = m_store.value(keyOf(i));
        if (path.isEmpty())
            continue;
        const bool listed = std::any_of(files.cbegin(), files.cend(),
                                        [&](const QString &f) { return sameName(f, path); });
        if (!listed)
            files << path;
    }
    return files;
}

void RecentFiles::add(const QString &path)
{
    if (path.isEmpty())
        return;
    QStringList files = this->files();
    files.removeIf([&path](const QString &f) { return sameFile(f, path); });
    files.prepend(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    write(files.mid(0, kCount));
}

void RecentFiles::remove(const QString &path)
{
    QStringList files = this->files();
    if (files.removeIf([&path](const QString &f) { return sameFile(f, path); }) > 0)
        write(files);
}

void RecentFiles::write(const QStringList &files)
{
    for (int i = 0; i < kCount; ++i) {
        if (i < files.size()) {
            if (m_store.value(keyOf(i)) != files.at(i))
                m_store.setValue(keyOf(i), files.at(i));
        } else if (m_store.keys().contains(keyOf(i))) {
            m_store.remove(keyOf(i));
        }
    }
}

QString shortenPath(const QString &path, int maxChars)
{
    const qsizetype room = qMax(maxChars, 3);
    if (path.size() <= room)
        return path;
    const QChar ellipsis(u'\u2026');
    auto cutInTheMiddle = [&] {
        // An odd character goes to the end, which holds the extension.
        const qsizetype left = (room - 1) / 2;
        return path.left(left) + ellipsis + path.right(room - 1 - left);
    };
    const qsizetype lastSeparator = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    if (lastSeparator < 0)
        return cutInTheMiddle();
    const QChar separator = path.at(lastSeparator);
    const QString name = path.mid(lastSeparator + 1);
    const QString folders = path.left(lastSeparator + 1);

    // The root and the first folder stay: they say which disk or home it is.
    qsizetype headEnd = 0;
    while (headEnd < folders.size() && folders.at(headEnd) == separator)
        ++headEnd;
    while (headEnd < folders.size() && folders.at(headEnd) != separator)
        ++headEnd;
    const QString head = folders.left(qMin(headEnd + 1, folders.size()));
    const QStringList middle = folders.mid(head.size()).split(separator, Qt::SkipEmptyParts);
    QString tail;
    for (qsizetype i = middle.size() - 1; i >= 0; --i) {
        const QString longer = middle.at(i) + separator + tail;
        if (head.size() + 2 + longer.size() + name.size() > room)
            break;
        tail = longer;
    }
    if (head.size() + 2 + tail.size() + name.size() <= room)
        return head + ellipsis + separator + tail + name;
    if (2 + name.size() <= room)
        return QString(ellipsis) + separator + name;
    return cutInTheMiddle();
}

} // namespace zol
