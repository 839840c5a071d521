#include "menureader.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>

namespace zol {

void MenuReader::install()
{
    static MenuReader *reader = nullptr;
    if (reader || !qApp)
        return;
    reader = new MenuReader(qApp);
    qApp->installEventFilter(reader);
}

bool MenuReader::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Shortcut:
        // An access key of the menu bar: if its Alt has not arrived yet, it
        // will arrive at the menu about to open.
        if (qobject_cast<QMenuBar *>(watched))
            m_lateAlt = !m_altDown;
        break;
    // Counted where a key reaches a control, which is where the screen
    // reader's bridge lets it through, not where it first comes in.
    case QEvent::KeyPress:
        if (watched->isWidgetType() && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Alt) {
            m_altDown = true;
            if (m_lateAlt && QApplication::activePopupWidget()) {
                m_lateAlt = false;
                return true;
            }
        }
        break;
    case QEvent::KeyRelease:
        if (watched->isWidgetType() && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Alt)
            m_altDown = m_lateAlt = false;
        break;
    default:
        break;
    }
    return false;
}

} // namespace zol
