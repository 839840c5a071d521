#pragma once

#include <QByteArray>
#include <QString>

namespace zol::test {

// A pseudo-terminal pair for the tests of the real serial control and the
// benchmark. The caller holds the master side and plays the meter; the
// program opens slavePath().
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes everything, waiting when the terminal's buffer is full.
    bool write(const QByteArray &bytes);
    // Reads what the program sent, waiting up to timeoutMs for the first byte.
    QByteArray read(int timeoutMs);
    // True once the program has the slave side open.
    bool slaveIsOpen() const;
    // Hangs up the meter side, as a pulled cable or a closed meter program would.
    void closeMaster();

private:
    int m_master = -1;
    QString m_slavePath;
};

} // namespace zol::test
