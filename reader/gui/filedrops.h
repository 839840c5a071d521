#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QDropEvent;
class QMimeData;
class QWidget;

namespace zol {

// A measurements file dragged from the file manager, let go anywhere on the
// window: on the page window too, which would otherwise paste the file's
// name into the page (text dropped there is still the page's).
class FileDrops : public QObject
{
    Q_OBJECT

public:
    // A file is taken only while accepting() says so.
    FileDrops(QWidget &window, QWidget &pageViewport, std::function<bool()> accepting);

signals:
    // Once the drop is over, so that the file manager is not held up by a
    // message or a question about the file.
    void dropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::optional<QString> droppableFile(const QMimeData *data) const;
    void dragFile(QDropEvent *event);

    QWidget &m_window;
    QWidget &m_page;
    std::function<bool()> m_accepting;
};

} // namespace zol
