#pragma once

#include <QList>
#include <QObject>

class QAction;
class QActionGroup;
class QMenu;

namespace zol {

class PortLister;
class PortNumbering;
struct OfferedPort;

// The COM port menu and the port it has chosen: COM1 to COM4, and below
// them the ports present when the menu opens, numbered by the store of the
// numbers given to adapters. One check mark stands among all, on the item
// that opens the chosen port; a number that no item offers checks none and
// is kept as it is.
class PortMenu : public QObject
{
    Q_OBJECT

public:
    PortMenu(QMenu &menu, PortNumbering &numbering, const PortLister &lister, QObject *parent);

    // COM1 to COM4, for the window's mPort1_Click to mPort4_Click.
    QAction *fixedItem(int number) const { return m_fixed.at(number - 1); }

    qint16 port() const { return m_port; }
    void choose(qint16 port);

private:
    void listPorts();
    void chooseListed(QAction *item, const OfferedPort &port);
    void numberItem(QAction *item, const OfferedPort &port);
    void showCheckMark();

    QMenu &m_menu;
    PortNumbering &m_numbering;
    const PortLister &m_lister;
    qint16 m_port = 0;
    QList<QAction *> m_fixed;
    QActionGroup *m_items = nullptr;
    // Listed afresh each time the menu opens: adapters come and go.
    QList<QAction *> m_listed;
};

} // namespace zol
