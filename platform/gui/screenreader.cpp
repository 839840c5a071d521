#include "screenreader.h"

#include "progressbar.h"

#include <QAccessibleValueInterface>
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

// The transfer bar steps by ten and starts again at nought: what it draws
// says that bytes are coming, not how far along the reading is. Read as a
// percentage it would tell a listener falsehoods, so while it is busy it
// reports a value without a range, which is what a screen reader takes for
// a busy indicator and does not read out. So does an idle bar at its start:
// "0 percent" after a reading has ended is no news either.
class AccessibleProgressBar final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit AccessibleProgressBar(ProgressBar *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return isFraction() ? QString::number(bar()->value()) : QString();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return isFraction() ? bar()->value() : 0; }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return isFraction() ? bar()->maximum() : 0; }
    QVariant minimumValue() const override { return isFraction() ? bar()->minimum() : 0; }
    QVariant minimumStepSize() const override { return 0; }

private:
    ProgressBar *bar() const { return static_cast<ProgressBar *>(widget()); }
    bool isFraction() const { return !bar()->isBusy() && bar()->value() > bar()->minimum(); }
};

QAccessibleInterface *interfaceFor(const QString &key, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (key == QLatin1StringView(ProgressBar::staticMetaObject.className()))
        return new AccessibleProgressBar(static_cast<ProgressBar *>(widget));
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
        return true;
    }();
    Q_UNUSED(installed);
}

void setAccessibleRole(const char *className, QAccessible::Role role)
{
    installScreenReaderSupport();
    classRoles().insert(className, role);
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
