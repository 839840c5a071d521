#include "statusbar.h"
#include "textbox.h"

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

using namespace zol;
using namespace Qt::StringLiterals;

namespace zol::test {

namespace {

// QTest::keyClicks goes through Latin-1 key codes; a character such as the
// no-break space reaches the editor only as the text of a key event.
void typeText(QWidget *widget, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

} // namespace

class TestPlatformWidgets : public QObject
{
    Q_OBJECT

private slots:
    void textSetByTheProgram();
    void textTypedByTheUser();
    void statusBarPanels();
    void statusBarClockPanels();
};

void TestPlatformWidgets::textSetByTheProgram()
{
    TextBox box;
    QSignalSpy changed(&box, &TextBox::changed);

    box.setText(u""_s);
    QCOMPARE(changed.count(), 0);

    const QString page = u"line 1\r\nlone CR\rlone LF\nend\r\n"_s;
    box.setText(page);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(box.text(), page);
    // The editor shows four lines and an empty fifth, whatever the line ends.
    QCOMPARE(box.document()->blockCount(), 5);
    QCOMPARE(box.toPlainText(), u"line 1\nlone CR\nlone LF\nend\n"_s);

    // The same text again is no change: nothing is emitted, nothing rewritten.
    box.setText(page);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(box.text(), page);

    box.setText(u"a\u00A0b"_s);
    QCOMPARE(box.text(), u"a\u00A0b"_s);
    QCOMPARE(changed.count(), 2);

    box.setText(QString());
    QCOMPARE(box.text(), QString());
    QCOMPARE(changed.count(), 3);

    box.appendLine(u"OK received"_s);
    box.appendLine(u"second"_s);
    QCOMPARE(box.text(), u"OK received\r\nsecond\r\n"_s);
    QCOMPARE(changed.count(), 5);
}

void TestPlatformWidgets::textTypedByTheUser()
{
    TextBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setFocus();
    QSignalSpy changed(&box, &TextBox::changed);

    QTest::keyClicks(&box, u"abc"_s);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, u"def"_s);
    QCOMPARE(box.text(), u"abc\r\ndef"_s);
    // One notification per keystroke that changed the text.
    QCOMPARE(changed.count(), 7);

    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), u"abc\r\nde"_s);

    // Text the program set with its own line ends comes back with CR LF
    // once the user edits it, and what was not edited is kept.
    box.setText(u"x\ry\u00A0z"_s);
    box.moveCursor(QTextCursor::End);
    typeText(&box, QString(QChar(0x00A0)));
    QTest::keyClicks(&box, u"!"_s);
    QCOMPARE(box.text(), u"x\r\ny\u00A0z\u00A0!"_s);

    box.setText(QString());
    QTest::keyClick(&box, Qt::Key_Enter);
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(box.text(), u"\r\n\r\n"_s);

    // Typing into a box the program made read-only changes nothing.
    box.setText(u"kept"_s);
    box.setReadOnly(true);
    const int before = changed.count();
    QTest::keyClicks(&box, u"zz"_s);
    QCOMPARE(box.text(), u"kept"_s);
    QCOMPARE(changed.count(), before);
}

void TestPlatformWidgets::statusBarPanels()
{
    StatusBar bar;
    QCOMPARE(bar.addPanel(StatusBar::PanelKind::Text, 0, 100), 1);
    QCOMPARE(bar.addPanel(StatusBar::PanelKind::Time, 60), 2);
    QCOMPARE(bar.addPanel(StatusBar::PanelKind::Date, 80), 3);
    QCOMPARE(bar.panelCount(), 3);

    bar.setPanelText(1, u"Connected"_s);
    QCOMPARE(bar.panelText(1), u"Connected"_s);
    QCOMPARE(bar.panelLabel(1)->text(), u"Connected"_s);
    // Meter and user texts are shown as they are, never as markup.
    bar.setPanelText(1, u"<b>Stop</b> (3)"_s);
    bar.resize(400, 30);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QCOMPARE(bar.panelText(1), u"<b>Stop</b> (3)"_s);
    QCOMPARE(bar.panelLabel(1)->textFormat(), Qt::PlainText);

    // Panels that do not exist are ignored rather than crashing.
    bar.setPanelText(0, u"x"_s);
    bar.setPanelText(4, u"x"_s);
    QCOMPARE(bar.panelText(0), QString());
    QCOMPARE(bar.panelText(4), QString());
    QCOMPARE(bar.panelLabel(-1), nullptr);

    QCOMPARE(bar.panelLabel(2)->width(), 60);
    QCOMPARE(bar.panelLabel(3)->width(), 80);
    QVERIFY(bar.panelLabel(1)->width() >= 100);
}

void TestPlatformWidgets::statusBarClockPanels()
{
    StatusBar bar;
    bar.addPanel(StatusBar::PanelKind::Text, 0);
    bar.addPanel(StatusBar::PanelKind::Time, 60);
    bar.addPanel(StatusBar::PanelKind::Date, 80);
    const QLocale locale;
    // The clock may turn between the bar's reading of it and ours.
    const auto shownNow = [&locale](QStringList &times, QStringList &dates) {
        const QDateTime now = QDateTime::currentDateTime();
        for (int back = 0; back <= 2; ++back) {
            times.append(locale.toString(now.addSecs(-back).time(), QLocale::ShortFormat));
            dates.append(locale.toString(now.addSecs(-back).date(), QLocale::ShortFormat));
        }
    };
    QStringList times;
    QStringList dates;
    shownNow(times, dates);
    QVERIFY2(times.contains(bar.panelText(2)), qPrintable(bar.panelText(2)));
    QVERIFY2(dates.contains(bar.panelText(3)), qPrintable(bar.panelText(3)));

    // And the panels keep up with the clock without the program's help.
    QTest::qWait(2200);
    times.clear();
    dates.clear();
    shownNow(times, dates);
    QVERIFY2(times.contains(bar.panelText(2)), qPrintable(bar.panelText(2)));
    QVERIFY2(dates.contains(bar.panelText(3)), qPrintable(bar.panelText(3)));
    QCOMPARE(bar.panelText(1), QString());
}

} // namespace zol::test

QTEST_MAIN(zol::test::TestPlatformWidgets)
#include "tst_platformwidgets.moc"
