#include "windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace zol {

void centreOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

namespace {

class ExposeWatch : public QObject
{
public:
    ExposeWatch(QWidget &window, std::function<void()> work)
        : m_window(&window), m_work(std::move(work))
    {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The filter sees the expose before the window paints for it; the
        // work is queued behind that paint.
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, m_window, std::move(m_work));
            deleteLater();
        }
        return false;
    }

private:
    QWidget *m_window;
    std::function<void()> m_work;
};

} // namespace

void whenFirstShown(QWidget &window, std::function<void()> work)
{
    QWindow *handle = window.windowHandle();
    if (!handle || handle->isExposed()) {
        QTimer::singleShot(0, &window, std::move(work));
        return;
    }
    auto *watch = new ExposeWatch(window, std::move(work));
    watch->setParent(handle);
    handle->installEventFilter(watch);
}

} // namespace zol
