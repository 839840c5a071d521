#include "screenreader.h"

#include "menureader.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QTimer>

namespace zol {

namespace {

// An appearing notification is spoken when Orca gets to it; its name must
// still be there then, however far behind a loaded machine leaves Orca.
constexpr int kHideAfter = 2000;
constexpr int kDeleteAfter = 60000;

QHash<QByteArray, QAccessible::Role> &classRoles()
{
    static QHash<QByteArray, QAccessible::Role> roles;
    return roles;
}

QHash<QByteArray, AccessibleFactory> &classInterfaces()
{
    static QHash<QByteArray, AccessibleFactory> interfaces;
    return interfaces;
}

QAccessibleInterface *interfaceFor(const QString &key, QObject *object)
{
    if (!object)
        return nullptr;
    if (!object->isWidgetType())
        return accessibleMenuItem(object);
    auto *widget = static_cast<QWidget *>(object);
    const auto make = classInterfaces().constFind(key.toLatin1());
    if (make != classInterfaces().constEnd())
        return (*make)(widget);
    if (key == QLatin1StringView(Announcement::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Notification);
    const auto role = classRoles().constFind(key.toLatin1());
    if (role != classRoles().constEnd())
        return new QAccessibleWidget(widget, *role);
    return nullptr;
}

} // namespace

void installScreenReaderSupport()
{
    static const bool installed = [] {
        QAccessible::installFactory(&interfaceFor);
        MenuReader::install();
        return true;
    }();
    Q_UNUSED(installed);
}

void setAccessibleRole(const char *className, QAccessible::Role role)
{
    installScreenReaderSupport();
    classRoles().insert(className, role);
}

void setAccessibleInterface(const char *className, AccessibleFactory make)
{
    installScreenReaderSupport();
    classInterfaces().insert(className, make);
}

Announcement::Announcement(const QString &text, QWidget *parent) : QWidget(parent)
{
    installScreenReaderSupport();
    setAccessibleName(text);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 1, 1);
    // Hidden soon, so that reading the status bar again does not repeat old
    // news; kept a while longer for a screen reader that is behind.
    QTimer::singleShot(kHideAfter, this, &QWidget::hide);
    QTimer::singleShot(kDeleteAfter, this, &QObject::deleteLater);
}

} // namespace zol
