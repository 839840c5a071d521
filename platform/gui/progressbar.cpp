#include "progressbar.h"

#include "screenreader.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

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

QAccessibleInterface *accessibleProgressBar(QWidget *widget)
{
    return new AccessibleProgressBar(static_cast<ProgressBar *>(widget));
}

} // namespace

ProgressBar::ProgressBar(QWidget *parent) : QProgressBar(parent), m_value(QProgressBar::value())
{
    setAccessibleInterface(staticMetaObject.className(), &accessibleProgressBar);
    m_showDelay.setObjectName(u"showDelay"_s);
    m_showDelay.setSingleShot(true);
    connect(&m_showDelay, &QTimer::timeout, this, &ProgressBar::showHeld);
}

void ProgressBar::setValue(int value)
{
    if (value < minimum() || value > maximum())
        return;
    m_value = value;
    // A bar not on screen has nobody to show a delay to. A change a whole
    // interval after the last one shown is shown at once, so that a bar
    // stepped by a long loop that never returns to the event loop (a file
    // being read) still moves; a change within the interval waits for its
    // end, and then only the latest value is shown.
    if (!isVisible() || !m_lastShown.isValid() || m_lastShown.elapsed() >= kShowInterval) {
        m_showDelay.stop();
        showHeld();
        return;
    }
    if (!m_showDelay.isActive())
        m_showDelay.start(qMax<int>(1, kShowInterval - static_cast<int>(m_lastShown.elapsed())));
}

void ProgressBar::showHeld()
{
    if (isVisible())
        m_lastShown.start();
    QProgressBar::setValue(m_value);
}

} // namespace zol
