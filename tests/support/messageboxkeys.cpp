#include "messageboxkeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace zol::test {

MessageBoxKeys::MessageBoxKeys(QList<int> keys) : m_keys(std::move(keys))
{
    m_poll.setInterval(10);
    connect(&m_poll, &QTimer::timeout, this, &MessageBoxKeys::look);
    m_poll.start();
}

void MessageBoxKeys::look()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
        return;
    m_poll.stop();
    m_seen = true;
    m_default = box->standardButton(box->defaultButton());
    // Where a key goes: the application's focus when it is in the box, else
    // the box's own focus child, which takes it once the box is active.
    auto focus = [box] {
        QWidget *widget = QApplication::focusWidget();
        if (!widget || !box->isAncestorOf(widget))
            widget = box->focusWidget();
        return widget ? widget : box;
    };
    if (auto *button = qobject_cast<QAbstractButton *>(focus()))
        m_focus = box->standardButton(button);
    for (int key : std::as_const(m_keys)) {
        if (!box->isVisible())
            break;
        QTest::keyClick(focus(), static_cast<Qt::Key>(key));
    }
    m_closedByKeys = !box->isVisible();
    if (!m_closedByKeys)
        box->reject();
}

void addKeysOnASafeQuestionRows()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Enter") << QList<int>{Qt::Key_Return} << false;
    QTest::newRow("Enter on the keypad") << QList<int>{Qt::Key_Enter} << false;
    QTest::newRow("Space") << QList<int>{Qt::Key_Space} << false;
    QTest::newRow("Tab to Yes, Space") << QList<int>{Qt::Key_Tab, Qt::Key_Space} << true;
}

} // namespace zol::test
