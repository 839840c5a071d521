#pragma once

#include <QObject>

class QAccessibleInterface;

namespace zol {

// Keeps a menu opened by its access key open under a screen reader.
//
// With a screen reader listening, Qt 6.4 holds back every key until the
// reader has seen it and then posts it again, while a menu bar's access key
// (Alt+F) opens its menu at once. The Alt press of that chord then reaches
// the menu it opened, and a menu closes on Alt: typed briskly, Alt+F shows
// the File menu for a few milliseconds and nothing is heard. That one late
// press is dropped; an Alt pressed again in an open menu closes it as ever.
// Without a screen reader the Alt press comes before the menu opens, and
// nothing is dropped.
class MenuReader final : public QObject
{
    Q_OBJECT

public:
    // Watches the keys of the whole program, every window and menu; once.
    static void install();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;

    bool m_altDown = false;
    bool m_lateAlt = false;
};

// A menu item as a screen reader asks for it, or nullptr for an action that
// stands in no menu. Qt's own gives the reader the item's shortcut where
// Orca looks for the item's path in the menus, so that the shortcut is
// never heard; here it stands where Orca reads an accelerator.
QAccessibleInterface *accessibleMenuItem(QObject *action);

} // namespace zol
