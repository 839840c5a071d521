#include "portmenu.h"

#include "menucheckstyle.h"
#include "portlister.h"
#include "portnumbering.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace zol {

PortMenu::PortMenu(QMenu &menu, PortNumbering &numbering, const PortLister &lister, QObject *parent)
    : QObject(parent), m_menu(menu), m_numbering(numbering), m_lister(lister)
{
    // Made after the menu bar, and so deleted after the menu that uses it.
    auto *checkStyle = new MenuCheckStyle;
    checkStyle->setParent(this);
    m_menu.setStyle(checkStyle);
    m_items = new QActionGroup(this);
    m_items->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (int number = 1; number <= 4; ++number) {
        QAction *item = m_menu.addAction(u"COM%1"_s.arg(number));
        item->setObjectName(u"mPort%1"_s.arg(number));
        item->setData(number);
        item->setCheckable(true);
        m_items->addAction(item);
        m_fixed.append(item);
    }
    connect(&m_menu, &QMenu::aboutToShow, this, &PortMenu::listPorts);
}

void PortMenu::choose(qint16 port)
{
    m_port = port;
    showCheckMark();
}

void PortMenu::showCheckMark()
{
    // Unchecking the checked item of an exclusive group is allowed from
    // code, so no mark is left behind for a number that no item offers.
    const QList<QAction *> items = m_items->actions();
    for (QAction *item : items)
        item->setChecked(item->data().isValid() && item->data().toInt() == m_port);
}

void PortMenu::listPorts()
{
    for (QAction *item : std::as_const(m_listed)) {
        m_items->removeAction(item);
        delete item;
    }
    m_listed.clear();

    const QList<OfferedPort> offered = m_numbering.offer(m_lister.ports());
    if (offered.isEmpty())
        return;
    m_listed.append(m_menu.addSeparator());
    for (const OfferedPort &port : offered) {
        // A description is the system's text, not a caption with access keys.
        QString caption = port.caption;
        QAction *item = m_menu.addAction(caption.replace(u'&', u"&&"_s));
        item->setObjectName(u"mPort%1"_s.arg(port.number));
        item->setCheckable(true);
        m_items->addAction(item);
        numberItem(item, port);
        connect(item, &QAction::triggered, this, [this, item, port] { chooseListed(item, port); });
        m_listed.append(item);
    }
    showCheckMark();
}

void PortMenu::numberItem(QAction *item, const OfferedPort &port)
{
    // Only an item that stands for the device Read ZOL opens carries a
    // number: the check mark goes by it.
    item->setData(m_numbering.opens(port) ? QVariant(int(port.number)) : QVariant());
}

void PortMenu::chooseListed(QAction *item, const OfferedPort &port)
{
    m_numbering.choose(port);
    numberItem(item, port);
    choose(port.number);
}

} // namespace zol
