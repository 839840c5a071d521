#include "recentfilesmenu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zol {

RecentFilesMenu::RecentFilesMenu(QMenu &menu, QAction *before, KeyValueStore &store,
                                 QObject *parent)
    : QObject(parent), m_files(store)
{
    m_separator = menu.insertSeparator(before);
    for (int i = 0; i < RecentFiles::kCount; ++i) {
        auto *item = new QAction(&menu);
        menu.insertAction(before, item);
        item->setObjectName(u"mRecent%1"_s.arg(i + 1));
        connect(item, &QAction::triggered, this, [this, item] {
            const QString path = item->data().toString();
            if (!path.isEmpty())
                emit chosen(path);
        });
        m_items[i] = item;
    }
    m_end = menu.insertSeparator(before);
    // Full names, for files of one name in different folders.
    menu.setToolTipsVisible(true);
    connect(&menu, &QMenu::aboutToShow, this, &RecentFilesMenu::show);
    show();
}

void RecentFilesMenu::remember(const QString &path)
{
    m_files.add(path);
    show();
}

void RecentFilesMenu::forget(const QString &path)
{
    m_files.remove(path);
    show();
}

void RecentFilesMenu::show()
{
    const QStringList files = m_files.files();
    for (int i = 0; i < RecentFiles::kCount; ++i) {
        QAction *item = m_items[i];
        item->setVisible(i < files.size());
        item->setData(i < files.size() ? QVariant(files.at(i)) : QVariant());
        if (i >= files.size())
            continue;
        const QString &file = files.at(i);
        const QString name = QFileInfo(file).fileName();
        // The name alone reads best; two files of that name need their folders.
        const bool twin = std::count_if(files.cbegin(), files.cend(), [&name](const QString &f) {
                              return QFileInfo(f).fileName() == name;
                          }) > 1;
        // A long path gives way in its middle, so that the menu fits on the screen.
        QString shown = shortenPath(twin ? QDir::toNativeSeparators(file) : name, 60);
        item->setText(u"&%1 %2"_s.arg(i + 1).arg(shown.replace(u'&', u"&&"_s)));
        item->setToolTip(QDir::toNativeSeparators(file));
    }
    m_separator->setVisible(!files.isEmpty());
    m_end->setVisible(!files.isEmpty());
}

} // namespace zol
