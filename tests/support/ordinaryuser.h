#pragma once

#include <QString>

namespace zol::test {

// While it lives, files and devices are opened with an ordinary user's
// rights. Permission faults cannot be played as root, who passes every mode
// check, so as root the effective user becomes nobody; an ordinary user
// stays who they are.
class AsOrdinaryUser
{
public:
    AsOrdinaryUser();
    ~AsOrdinaryUser();
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

    // Empty when the switch worked; otherwise why it did not.
    QString failure() const { return m_failure; }

private:
    bool m_switched = false;
    QString m_failure;
};

// Makes path unreadable and unwritable, or a folder unwritable, for an
// ordinary user.
bool denyAccess(const QString &path);

} // namespace zol::test
