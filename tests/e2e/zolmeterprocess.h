#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTest>

namespace zol::test {

// Starts the simulated meter and returns the pseudo-terminal it prints, or
// nothing when it did not start.
inline QByteArray startZolmeter(QProcess &meter, const QStringList &arguments)
{
    meter.setProgram(QStringLiteral(ZOLMETER_PATH));
    meter.setArguments(arguments);
    meter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    meter.start();
    if (!meter.waitForStarted() || !QTest::qWaitFor([&meter] { return meter.canReadLine(); }))
        return {};
    const QByteArray device = meter.readLine().trimmed();
    return device.startsWith("/dev/") ? device : QByteArray();
}

} // namespace zol::test
