#pragma once

#include "portinfo.h"

#include <QList>
#include <QMap>
#include <QString>

namespace zol {

class KeyValueStore;

// A present port as the COM port menu offers it.
struct OfferedPort
{
    qint16 number = 0;
    PortInfo port;
    QString caption;
};

// Gives the serial ports present on this computer the COM numbers that
// ZOLprint's menu, zolprint.ini and the user-name tool's COM port box work
// with. Both programs keep the numbers in the same user settings, so that an
// adapter has one number on one computer whichever program gave it.
//
// On Windows a port keeps its own number (COM7 is 7). Elsewhere ports have no
// numbers of their own, so an adapter gets one from 5 up, the first that is
// neither remembered for another adapter nor taken by a ZOL_COM<n> variable.
// The number is remembered under the adapter's stable name when the user
// chooses it, and the same adapter gets it again after a replug or a
// restart. A port that ZOL_COM<n> names keeps n: the variable wins. Ports
// that COM1 to COM4 already name are not offered again.
class PortNumbering
{
public:
    enum class Naming { Windows, Posix };
#ifdef Q_OS_WIN
    static constexpr Naming kNativeNaming = Naming::Windows;
#else
    static constexpr Naming kNativeNaming = Naming::Posix;
#endif
    static constexpr int kFirstListedPort = 5;

    explicit PortNumbering(KeyValueStore &store, Naming naming = kNativeNaming);

    // The present ports COM1 to COM4 do not name, in the order of their
    // numbers. Nothing is remembered yet.
    QList<OfferedPort> offer(const QList<PortInfo> &present) const;
    // Every present port with the number that reaches it: those COM1 to
    // COM4 open under theirs, the others as offer() numbers them.
    QList<OfferedPort> numbered(const QList<PortInfo> &present) const;
    // The user chose port: from now on its number is its own.
    void choose(const OfferedPort &port);
    // The device remembered for COM n, empty when there is none.
    QString rememberedDevice(int number) const;
    // Whether opening COM n now opens port. A number offered to an adapter
    // that nobody chose yet may still stand for another device (COM5 is
    // /dev/ttyS4 until an adapter is chosen for it), and the menu must not
    // mark the adapter as the port in use then.
    bool opens(const OfferedPort &port) const;

private:
    bool leadsTo(const QString &path, const PortInfo &port) const;
    // What opening COM n (1 to 255) reaches now: ZOL_COM<n>, then on Windows
    // the port's own name, elsewhere what is remembered, then /dev/ttyS<n-1>.
    QString deviceOf(int number) const;
    bool namedByMenuItems(const PortInfo &port) const;
    QMap<int, QString> remembered() const;

    KeyValueStore &m_store;
    Naming m_naming;
};

} // namespace zol
