#pragma once

#include <QString>
#include <QStringList>

namespace zol {

class KeyValueStore;

// The files last opened or saved, newest first, as the File menu lists them.
// The list lives in the user's settings, not in the program's own memory, so
// that a second copy of the program and the next run see the same list.
//
// One file is one entry however it was named: a relative name, a name through
// a symbolic link and one with "." or ".." in it count as the file they reach.
// Names are kept absolute, so that an entry still means the same file when the
// program was started from another folder.
class RecentFiles
{
public:
    static constexpr int kCount = 4;

    explicit RecentFiles(KeyValueStore &store);

    // At most kCount files, newest first, each name once. What the store
    // holds beyond that, or empty or repeated, is passed over. Reads no disk.
    QStringList files() const;
    // Puts path at the front, taking it out of the place it had.
    void add(const QString &path);
    // Takes path out of the list, also when the file is gone.
    void remove(const QString &path);

    // Whether two names reach the same file (for a file that is gone: the
    // same absolute name).
    static bool sameFile(const QString &a, const QString &b);

private:
    void write(const QStringList &files);

    KeyValueStore &m_store;
};

// A path shortened to at most maxChars characters the way file managers do,
// so that a menu of them fits on the screen: the folders in the middle give
// way to "…" first, the ones nearest the file name last, and the name is cut
// in its middle only when it does not fit by itself.
QString shortenPath(const QString &path, int maxChars);

} // namespace zol
