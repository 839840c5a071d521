#pragma once

#include <QAccessible>
#include <QWidget>

namespace zol {

// What a screen reader is told beyond what Qt's own widgets tell it.
//
// Qt 6.4 has no call that makes a screen reader speak, and the name and
// description changes it does send carry the object instead of the new
// text, which Orca cannot speak. What Orca does speak without the focus
// moving is a notification appearing, above all one inside a status bar:
// that is how the programs announce (see StatusBar::announce).

// Makes the classes below known to Qt's accessibility and every menu heard
// (menureader.h); the controls that need it call it when they are built.
void installScreenReaderSupport();

// Gives every widget of the class named className (as its meta-object names
// it, "zol::frmMain") this role on the accessibility bus. Call it before a
// screen reader first sees such a widget: in its constructor is early
// enough, as Qt asks for an object's interface only when it is needed.
void setAccessibleRole(const char *className, QAccessible::Role role);

// Gives every widget of the class named className the interface that make
// builds for it, for a control whose own words Qt's interface gets wrong.
using AccessibleFactory = QAccessibleInterface *(*)(QWidget *widget);
void setAccessibleInterface(const char *className, AccessibleFactory make);

// An announcement: a notification of one pixel that nobody sees, named by its
// text. Orca speaks it when it appears; it disappears on its own.
class Announcement : public QWidget
{
    Q_OBJECT

public:
    Announcement(const QString &text, QWidget *parent);
};

} // namespace zol
