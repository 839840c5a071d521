#include "menureader.h"

#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace zol {

namespace {

// A caption as it is seen: "&File" is "File", "&&" one ampersand.
QString withoutAccessKey(const QString &caption)
{
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&' && ++i == caption.size())
            break;
        text.append(caption.at(i));
    }
    return text;
}

class AccessibleMenuItem final : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    AccessibleMenuItem(QWidget *owner, QAction *action) : m_owner(owner), m_action(action) {}

    bool isValid() const override { return m_owner && m_action; }
    QObject *object() const override { return m_action; }
    QWindow *window() const override
    {
        return m_owner ? m_owner->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_owner);
    }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && m_action->menu()
                   ? QAccessible::queryAccessibleInterface(m_action->menu())
                   : nullptr;
    }
    int childCount() const override { return m_action->menu() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && m_action->menu() && child->object() == m_action->menu() ? 0 : -1;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return withoutAccessKey(m_action->text());
        if (t == QAccessible::Accelerator)
            return m_action->shortcut().toString();
        return {};
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        QRect area;
        if (auto *menu = qobject_cast<QMenu *>(m_owner))
            area = menu->actionGeometry(m_action);
        else if (auto *bar = qobject_cast<QMenuBar *>(m_owner))
            area = bar->actionGeometry(m_action);
        return area.translated(m_owner->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override
    {
        return m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.invisible = !m_owner->isVisible() || !m_action->isVisible();
        if (auto *menu = qobject_cast<QMenu *>(m_owner))
            state.focused = menu->activeAction() == m_action;
        else if (auto *bar = qobject_cast<QMenuBar *>(m_owner))
            state.focused = bar->activeAction() == m_action;
        state.disabled = m_action->isSeparator() || !m_action->isEnabled();
        state.checkable = m_action->isCheckable();
        state.checked = m_action->isChecked();
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }

    QStringList actionNames() const override
    {
        return {m_action->menu() ? showMenuAction() : pressAction()};
    }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            m_action->trigger();
        else if (auto *menu = qobject_cast<QMenu *>(m_owner))
            menu->setActiveAction(m_action);
        else if (auto *bar = qobject_cast<QMenuBar *>(m_owner))
            bar->setActiveAction(m_action);
    }
    // Orca reads "access key;path;accelerator" and speaks the accelerator.
    QStringList keyBindingsForAction(const QString &) const override
    {
        if (m_action->shortcut().isEmpty())
            return {};
        return {QString(), QString(), m_action->shortcut().toString()};
    }

private:
    QPointer<QWidget> m_owner;
    QPointer<QAction> m_action;
};

} // namespace

QAccessibleInterface *accessibleMenuItem(QObject *object)
{
    auto *action = qobject_cast<QAction *>(object);
    if (!action)
        return nullptr;
    for (QObject *owner : action->associatedObjects()) {
        if (qobject_cast<QMenu *>(owner) || qobject_cast<QMenuBar *>(owner))
            return new AccessibleMenuItem(static_cast<QWidget *>(owner), action);
    }
    return nullptr;
}

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
