#pragma once

#include "recentfiles.h"

#include <QObject>

#include <array>

class QAction;
class QMenu;

namespace zol {

class KeyValueStore;

// The files last opened or saved, listed in the File menu between two
// separators that show with them, and kept in their store.
class RecentFilesMenu : public QObject
{
    Q_OBJECT

public:
    // The items go above before.
    RecentFilesMenu(QMenu &menu, QAction *before, KeyValueStore &store, QObject *parent);

    void remember(const QString &path);
    // A listed file that no longer opens leaves the list: it was renamed,
    // deleted, or overwritten by something else.
    void forget(const QString &path);
    // Another copy of the program may have opened a file since.
    void show();

signals:
    void chosen(const QString &path);

private:
    RecentFiles m_files;
    QAction *m_separator = nullptr;
    std::array<QAction *, RecentFiles::kCount> m_items{};
    QAction *m_end = nullptr;
};

} // namespace zol
