#include "fonts.h"
#include "menucheckstyle.h"
#include "messagebox.h"
#include "progressbar.h"
#include "qtserialport.h"
#include "startupthread.h"
#include "statusbar.h"
#include "textbox.h"

#include <QApplication>
#include <QDateTime>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

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

// Runs act on the next message box once it is up, as a person would;
// what the box looked like is in the members.
struct NextBox
{
    explicit NextBox(std::function<void(QMessageBox *)> act) : m_act(std::move(act))
    {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_poll.stop();
            width = box->width();
            for (QAbstractButton *button : box->buttons()) {
                if (button->isVisible())
                    captions << button->text();
            }
            captions.sort();
            m_act(box);
            // A button's access key clicks it with a short animation.
            [[maybe_unused]] const bool closed =
                QTest::qWaitFor([box] { return !box->isVisible(); }, 5000);
            if (box->isVisible()) {
                stayedOpen = true;
                box->done(-2);
            }
        });
        m_poll.start();
    }

    int width = 0;
    QStringList captions;
    bool stayedOpen = false;

private:
    std::function<void(QMessageBox *)> m_act;
    QTimer m_poll;
};

} // namespace

class TestPlatformWidgets : public QObject
{
    Q_OBJECT

private slots:
    void textSetByTheProgram();
    void textTypedByTheUser();
    void statusBarPanels();
    void statusBarClockPanels();
    void statusBarClockSleepsOutOfSight();
    void progressBarPaintsABurstOnce();
    void classicFacesFallBackToMetricTwins();
    void startUpThreadEndsWhateverItWasTold();
    void serialControlRefusesWhatItCannotUse();
    void menuShowsTheChosenItemByACheckMark();
    void questionThatMayBePutOff_data();
    void questionThatMayBePutOff();
    void boxesHaveAccessKeysAndRoomForTheTitle();
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
    // The flexible panel takes the room left, so the last one ends at the edge.
    QVERIFY(bar.panelLabel(1)->x() <= 2);
    QVERIFY(bar.panelLabel(3)->geometry().right() >= bar.width() - 3);

    // Fixed panels alone start at the left edge, in order, as the user tool's
    // single status panel does.
    StatusBar fixedOnly;
    fixedOnly.addPanel(StatusBar::PanelKind::Text, 96, 96);
    fixedOnly.addPanel(StatusBar::PanelKind::Time, 60);
    fixedOnly.resize(400, 30);
    fixedOnly.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fixedOnly));
    QVERIFY(fixedOnly.panelLabel(1)->x() <= 2);
    QCOMPARE(fixedOnly.panelLabel(1)->width(), 96);
    QVERIFY(fixedOnly.panelLabel(2)->x() > fixedOnly.panelLabel(1)->geometry().right());
    QVERIFY(fixedOnly.panelLabel(2)->x() < 110);
}

void TestPlatformWidgets::statusBarClockPanels()
{
    // The clock shows hours and minutes in the locale's manner, also where its
    // short time has seconds (C's has).
    const QLocale saved;
    for (const QLocale &locale : {QLocale(QLocale::C), QLocale(u"en_US"_s), QLocale(u"de_DE"_s)}) {
        QLocale::setDefault(locale);
        const QString clock = locale.name() == u"en_US"_s ? u"h:mm AP"_s : u"HH:mm"_s;
        StatusBar bar;
        bar.addPanel(StatusBar::PanelKind::Text, 0);
        bar.addPanel(StatusBar::PanelKind::Time, 60);
        bar.addPanel(StatusBar::PanelKind::Date, 80);
        bar.show();
        // The clock may turn between the bar's reading of it and ours.
        const QDateTime now = QDateTime::currentDateTime();
        const QStringList times = {locale.toString(now.time(), clock),
                                   locale.toString(now.addSecs(-60).time(), clock)};
        const QStringList dates = {locale.toString(now.date(), QLocale::ShortFormat),
                                   locale.toString(now.addSecs(-60).date(), QLocale::ShortFormat)};
        QVERIFY2(times.contains(bar.panelText(2)), qPrintable(bar.panelText(2)));
        QVERIFY2(dates.contains(bar.panelText(3)), qPrintable(bar.panelText(3)));
        QCOMPARE(bar.panelText(1), QString());
    }
    QLocale::setDefault(saved);

    // A bar given the program's language writes the date in it at once,
    // whatever the system's is.
    QLocale::setDefault(QLocale(u"en_GB"_s));
    StatusBar bar;
    bar.addPanel(StatusBar::PanelKind::Date, 80);
    bar.show();
    const QLocale dutch(u"nl"_s);
    bar.setLocale(dutch);
    const QDateTime now = QDateTime::currentDateTime();
    QVERIFY2((QStringList{dutch.toString(now.date(), QLocale::ShortFormat),
                          dutch.toString(now.addSecs(-60).date(), QLocale::ShortFormat)})
                 .contains(bar.panelText(1)),
             qPrintable(bar.panelText(1)));
    QLocale::setDefault(saved);
}

void TestPlatformWidgets::statusBarClockSleepsOutOfSight()
{
    QWidget window;
    auto *bar = new StatusBar(&window);
    (new QVBoxLayout(&window))->addWidget(bar);
    bar->addPanel(StatusBar::PanelKind::Time, 60);
    const QTimer *clock = bar->findChild<QTimer *>(u"clock"_s);
    QVERIFY(clock);
    // Not yet shown, it has the time but no reason to wake.
    QVERIFY(!bar->panelText(1).isEmpty());
    QVERIFY(!clock->isActive());

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(clock->isActive());
    // It wakes when the shown time turns, at the next minute (allowing for a
    // busy machine between the two readings).
    const int due = (QTime::currentTime().msecsSinceStartOfDay() + clock->remainingTime()) % 60000;
    QVERIFY2(due < 2000 || due > 59900, qPrintable(QString::number(due)));

    window.setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(!clock->isActive());
    window.setWindowState(Qt::WindowNoState);
    window.show();
    QTRY_VERIFY(clock->isActive());
    window.hide();
    QVERIFY(!clock->isActive());
    window.show();
    QVERIFY(clock->isActive());

    // A bar of text panels only has no clock to keep.
    StatusBar textOnly;
    textOnly.addPanel(StatusBar::PanelKind::Text, 60);
    textOnly.show();
    QVERIFY(!textOnly.findChild<QTimer *>(u"clock"_s)->isActive());
}

void TestPlatformWidgets::progressBarPaintsABurstOnce()
{
    QWidget window;
    auto *bar = new ProgressBar(&window);
    (new QVBoxLayout(&window))->addWidget(bar);
    bar->setRange(0, 100);
    int paints = 0;
    struct PaintCounter : QObject
    {
        int *count;
        explicit PaintCounter(int *c) : count(c) {}
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    bar->installEventFilter(&counter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(paints > 0);

    // A burst of steps without a return to the event loop: every value is
    // exact at once, the drawing of it is not repeated for each.
    paints = 0;
    for (int i = 1; i <= 200; ++i) {
        const int value = (i * 10) % 110;
        bar->setValue(value);
        QCOMPARE(bar->value(), value);
    }
    // The first step is drawn at once, the other 199 wait.
    QCOMPARE(paints, 1);
    const QProgressBar *shown = bar;
    QCOMPARE(shown->value(), 10);
    // The last value is drawn a moment later, once, and is what the bar
    // itself (and so a screen reader) reports.
    QTRY_COMPARE(paints, 2);
    QCOMPARE(shown->value(), (200 * 10) % 110);
    const int afterBurst = paints;
    QTest::qWait(ProgressBar::kShowInterval + 200);
    QCOMPARE(paints, afterBurst);

    // Steps an interval apart or more, even in a loop that never returns to
    // the event loop (a long file read), are each drawn.
    paints = 0;
    for (int value = 10; value <= 50; value += 10) {
        QTest::qSleep(ProgressBar::kShowInterval + 50);
        bar->setValue(value);
        QCOMPARE(shown->value(), value);
    }
    QCOMPARE(paints, 5);

    // Out of range is ignored, as by QProgressBar.
    bar->setValue(101);
    bar->setValue(-1);
    QCOMPARE(bar->value(), 50);
}

// Where the Windows faces are missing, the windows get faces of the same
// widths, so that fixed-size labels hold their text as they were drawn.
void TestPlatformWidgets::classicFacesFallBackToMetricTwins()
{
    installFontSubstitutes();
    const QStringList families = QFontDatabase::families();
    struct Face
    {
        QString asked;
        QStringList twins;
    };
    const QList<Face> faces = {
        {u"MS Sans Serif"_s,
         {u"Microsoft Sans Serif"_s, u"Arial"_s, u"Liberation Sans"_s, u"Arimo"_s}},
        {u"Courier New"_s, {u"Liberation Mono"_s, u"Cousine"_s}},
    };
    for (const Face &face : faces) {
        QFont font(face.asked);
        font.setPointSizeF(8.25);
        // Named directly, the face is the one the substitutes give.
        const QFont named = classicFont(face.asked, 8.25);
        QCOMPARE(named.pointSizeF(), 8.25);
        // Windows' own MS Sans Serif is a bitmap face: an outline twin goes
        // first, where there is one.
        if (families.contains(face.asked) && !QFontDatabase::isSmoothlyScalable(face.asked)) {
            QVERIFY2(named.family() == face.asked || face.twins.contains(named.family()),
                     qPrintable(face.asked + u" became "_s + named.family()));
            continue;
        }
        QCOMPARE(QFontInfo(named).family(), QFontInfo(font).family());
        if (families.contains(face.asked))
            continue; // the face itself is there and is used
        const bool anyTwin = std::any_of(face.twins.begin(), face.twins.end(),
                                         [&](const QString &t) { return families.contains(t); });
        if (!anyTwin)
            continue; // nothing better than the system's fallback here
        const QString used = QFontInfo(font).family();
        QVERIFY2(face.twins.contains(used), qPrintable(face.asked + u" became "_s + used));
        QCOMPARE(named.family(), used);
    }
    // A face with nothing installed for it is left to the system's fallback.
    QCOMPARE(classicFont(u"No Such Face"_s, 9).family(), u"No Such Face"_s);
    if (qEnvironmentVariableIsSet("CI"))
        QVERIFY2(families.contains(u"Liberation Sans"_s), "fonts-liberation is not installed");
}

// A start that ends early (a refused option, a question answered with
// Exit) must not wait for work that never comes, nor do any twice.
void TestPlatformWidgets::startUpThreadEndsWhateverItWasTold()
{
    {
        StartUpThread neverTold;
    }
    StartUpThread told;
    told.applicationMade();
    told.applicationMade();
    told.finish();
    told.finish();
    QVERIFY(!QFontDatabase::families().isEmpty());
    QVERIFY(!QImageReader::supportedImageFormats().isEmpty());
}

void TestPlatformWidgets::serialControlRefusesWhatItCannotUse()
{
    // Outside 1..255 there is no device to open.
    QtSerialPort serial;
    serial.setCommPort(256);
    QString reason;
    QVERIFY(!serial.open(&reason));
    QVERIFY(!serial.isOpen());
    QVERIFY(!reason.isEmpty());
}

void TestPlatformWidgets::menuShowsTheChosenItemByACheckMark()
{
    // One item of a real menu, painted as the menu paints it.
    QMenu menu;
    MenuCheckStyle checkStyle;
    QStyle *base = menu.style();
    menu.setStyle(&checkStyle);
    auto paint = [&menu](QStyle *style, QStyleOptionMenuItem::CheckType type, bool checked) {
        QStyleOptionMenuItem item;
        item.initFrom(&menu);
        item.rect = QRect(0, 0, 160, 24);
        item.text = u"COM1"_s;
        item.menuItemType = QStyleOptionMenuItem::Normal;
        item.checkType = type;
        item.checked = checked;
        item.maxIconWidth = 16;
        QImage image(item.rect.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        style->drawControl(QStyle::CE_MenuItem, &item, &painter, &menu);
        return image;
    };
    using Type = QStyleOptionMenuItem::CheckType;

    // The chosen item of an exclusive group shows the same mark as a checked
    // item, and an item not chosen shows nothing where the mark would be.
    const QImage chosen = paint(&checkStyle, Type::Exclusive, true);
    QCOMPARE(chosen, paint(&checkStyle, Type::NonExclusive, true));
    const QImage other = paint(&checkStyle, Type::Exclusive, false);
    QVERIFY(chosen != other);
    QCOMPARE(other, paint(&checkStyle, Type::NonExclusive, false));
    // Not the radio dot nor the boxed mark the style under it draws.
    QVERIFY(chosen != paint(base, Type::Exclusive, true));
    QVERIFY(chosen != paint(base, Type::NonExclusive, true));
    // Without a box, an item not chosen looks as if it could not be checked.
    QCOMPARE(other, paint(&checkStyle, Type::NotCheckable, false));
}

void TestPlatformWidgets::questionThatMayBePutOff_data()
{
    QTest::addColumn<int>("key"); // 0: the box is closed as its title bar's button does
    QTest::addColumn<int>("answer");
    using A = MessageBoxes::Answer;
    QTest::newRow("Esc") << int(Qt::Key_Escape) << int(A::Cancel);
    QTest::newRow("close box") << 0 << int(A::Cancel);
    QTest::newRow("Enter, No the default") << int(Qt::Key_Return) << int(A::No);
    QTest::newRow("Y") << int(Qt::Key_Y) << int(A::Yes);
    QTest::newRow("N") << int(Qt::Key_N) << int(A::No);
}

void TestPlatformWidgets::questionThatMayBePutOff()
{
    QFETCH(int, key);
    QFETCH(int, answer);
    NextBox next([key](QMessageBox *box) {
        if (key == 0)
            box->close();
        else
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key(key));
    });
    QtMessageBoxes boxes;
    const MessageBoxes::Answer given =
        boxes.askYesNoOrClose(nullptr, u"ZOL Print"_s, u"Restore them?"_s, MessageBoxes::Icon::None,
                              MessageBoxes::Answer::No);
    QVERIFY(!next.stayedOpen);
    QCOMPARE(int(given), answer);
    // Two buttons to see, whatever stands behind Esc.
    QCOMPARE(next.captions, (QStringList{u"&No"_s, u"&Yes"_s}));
}

void TestPlatformWidgets::boxesHaveAccessKeysAndRoomForTheTitle()
{
    QtMessageBoxes boxes;
    {
        // Cancel gets a key that Yes and No have not taken: C presses it.
        NextBox next([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_C); });
        QCOMPARE(boxes.askYesNoCancel(nullptr, u"ZOL Print"_s, u"Save them first?"_s),
                 MessageBoxes::Answer::Cancel);
        QVERIFY(!next.stayedOpen);
        QCOMPARE(next.captions, (QStringList{u"&Cancel"_s, u"&No"_s, u"&Yes"_s}));
    }
    {
        // A short text under a long title: the box is as wide as the title
        // and the buttons of a title bar.
        const QString title = u"ZOL Print erreur ZOL Print erreur"_s;
        NextBox next([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); });
        boxes.showOk(nullptr, title, u"x"_s, MessageBoxes::Icon::None);
        QVERIFY(!next.stayedOpen);
        const int titleWidth =
            QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title);
        QVERIFY2(next.width > titleWidth + 60,
                 qPrintable(u"%1 for a title of %2"_s.arg(next.width).arg(titleWidth)));
    }
}

} // namespace zol::test

QTEST_MAIN(zol::test::TestPlatformWidgets)
#include "tst_platformwidgets.moc"
