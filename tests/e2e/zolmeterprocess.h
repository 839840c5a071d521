#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTest>

namespace zol::test {

// Starts the simulated meter and returns the pseudo-terminal it prints, or
// nothing when it did not start. A test that follows the meter's log asks for
// separate channels and reads it from standard error.
inline QByteArray
startZolmeter(QProcess &meter, const QStringList &arguments,
              QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel)
{
    meter.setProgram(QString::fromLocal8Bit(ZOLMETER_PATH));
    meter.setArguments(arguments);
    meter.setProcessChannelMode(channels);
    meter.start();
    if (!meter.waitForStarted() || !QTest::qWaitFor([&meter] { return meter.canReadLine(); }))
        return {};
    const QByteArray device = meter.readLine().trimmed();
    return device.startsWith("/dev/") ? device : QByteArray();
}

} // namespace zol::test
