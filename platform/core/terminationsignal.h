#pragma once

#include <QObject>

class QSocketNotifier;

namespace zol {

// SIGTERM, SIGHUP and SIGINT (a logout, a shutdown, `kill`, the terminal
// closed, Ctrl+C) end a program at once by default, before it has written
// what it keeps.
// While one of these lives, they are taken from the system and handed to the
// event loop as received(), so that the program ends the way its own Exit
// does. One at a time in a program; on Windows, which ends a session through
// the window system, it never fires.
class TerminationSignal final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignal(QObject *parent = nullptr);
    ~TerminationSignal() override;
    TerminationSignal(const TerminationSignal &) = delete;
    TerminationSignal &operator=(const TerminationSignal &) = delete;

    // False when the signals could not be taken over: they end the program
    // as before.
    bool isActive() const { return m_notifier != nullptr; }

signals:
    // The signal's number; emitted once for each signal received.
    void received(int signal);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace zol
