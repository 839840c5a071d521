#include "accessibility.h"

#include "statusbar.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>

using namespace Qt::StringLiterals;

namespace zol::test {

namespace {

bool readable(const QWidget *widget)
{
    if (qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QLineEdit *>(widget) ||
        qobject_cast<const QPlainTextEdit *>(widget) ||
        qobject_cast<const QProgressBar *>(widget) || qobject_cast<const StatusBar *>(widget))
        return true;
    // A label with nothing in it, such as an empty status panel, has nothing
    // to read; one with a text or a picture has.
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return !label->text().isEmpty() || !label->pixmap().isNull();
    return false;
}

void checkName(QAccessibleInterface *iface, const QString &code, QStringList &problems)
{
    const QString name = iface ? iface->text(QAccessible::Name) : QString();
    if (name.trimmed().isEmpty() || name == code)
        problems << code + u": \""_s + name + u'"';
}

// Menu items, through the menu bar and every submenu below it.
void checkMenu(QAccessibleInterface *menu, QStringList &problems, int depth)
{
    if (!menu || depth > 4)
        return;
    for (int i = 0; i < menu->childCount(); ++i) {
        QAccessibleInterface *item = menu->child(i);
        if (!item)
            continue;
        auto *action = qobject_cast<QAction *>(item->object());
        if (action && (action->isSeparator() || !action->isVisible()))
            continue;
        checkName(item, action ? action->objectName() : u"(menu item)"_s, problems);
        if (item->childCount() > 0)
            checkMenu(item->child(0), problems, depth + 1);
    }
}

void collect(QAccessibleInterface *iface, QStringList &names, int depth)
{
    if (!iface || depth > 8)
        return;
    names << iface->text(QAccessible::Name);
    for (int i = 0; i < iface->childCount(); ++i)
        collect(iface->child(i), names, depth + 1);
}

} // namespace

QString spokenName(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}

QStringList unnamedControls(QWidget *window)
{
    QAccessible::setActive(true);
    QStringList problems;
    checkName(QAccessible::queryAccessibleInterface(window), window->objectName(), problems);
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!widget->isVisibleTo(window) || !readable(widget))
            continue;
        checkName(QAccessible::queryAccessibleInterface(widget), widget->objectName(), problems);
    }
    for (QMenuBar *bar : window->findChildren<QMenuBar *>())
        checkMenu(QAccessible::queryAccessibleInterface(bar), problems, 0);
    return problems;
}

QStringList spokenNamesBelow(QWidget *window)
{
    QAccessible::setActive(true);
    QStringList names;
    collect(QAccessible::queryAccessibleInterface(window), names, 0);
    return names;
}

} // namespace zol::test
