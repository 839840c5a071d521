#include "filedrops.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace zol {

FileDrops::FileDrops(QWidget &window, QWidget &pageViewport, std::function<bool()> accepting)
    : QObject(&window), m_window(window), m_page(pageViewport), m_accepting(std::move(accepting))
{
    m_window.setAcceptDrops(true);
    m_window.installEventFilter(this);
    m_page.installEventFilter(this);
}

bool FileDrops::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (watched == &m_window ||
            (watched == &m_page && drop->mimeData() && drop->mimeData()->hasUrls())) {
            dragFile(drop);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

std::optional<QString> FileDrops::droppableFile(const QMimeData *data) const
{
    if (!data || !data->hasUrls() || !m_accepting())
        return std::nullopt;
    // Of several files, which one the user meant is not the program's to
    // guess: the drag is refused, and the cursor says so before letting go.
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return std::nullopt;
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return std::nullopt;
    return path;
}

void FileDrops::dragFile(QDropEvent *event)
{
    const std::optional<QString> path = droppableFile(event->mimeData());
    // Always as a copy: a file manager told that the file was moved would
    // delete it.
    if (!path || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (event->type() == QEvent::Drop)
        QTimer::singleShot(0, this, [this, file = *path] { emit dropped(file); });
}

} // namespace zol
