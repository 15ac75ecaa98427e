// KWSPIN32 driven like a user drives it: real key and mouse events on an offscreen screen with
// the C locale, data-driven rows of inputs and expected texts. The repeat timer is driven by
// handing it its own timer events, so no row depends on how fast the machine is. The last test
// writes pictures of the control to the build tree for a person to look at.
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <memory>

#include "kwctrl.h"

namespace {

constexpr unsigned kTime = KWSS_TIME;
constexpr unsigned kClock = KWSS_TIME | KWSS_CLOCK;
constexpr unsigned k12Hour = KWSS_TIME | KWSS_CLOCK | KWSS_12HOUR;
constexpr int kControlId = 1234;

intptr_t MakeRange(int low, int high) {
    return static_cast<intptr_t>((static_cast<uint32_t>(low) & 0xFFFF) |
                                 ((static_cast<uint32_t>(high) & 0xFFFF) << 16));
}

// A window holding the control and a second field to move the focus to.
struct Form {
    explicit Form(unsigned style) {
        window.resize(200, 80);
        spin = new KWSPIN32(style, &window, kControlId);
        spin->setGeometry(10, 10, 110, 24);
        other = new QLineEdit(&window);
        other->setGeometry(10, 45, 110, 24);
        window.show();
        window.activateWindow();
    }
    bool ready() { return QTest::qWaitForWindowActive(&window); }

    // The centre of one arrow half, by its KWSB_ bit.
    QPoint half(unsigned bit) const {
        int w = spin->width(), h = spin->height();
        int x = (bit & (KWSB_LEFTFIRST | KWSB_LEFTSECOND)) ? 8 : w - 9;
        int y = (bit & (KWSB_RIGHTFIRST | KWSB_LEFTFIRST)) ? h / 4 : h * 3 / 4;
        return {x, y};
    }
    // Types into the field as a user does: click in, select everything, type.
    void type(const QString &text) {
        QTest::mouseClick(spin->edit(), Qt::LeftButton);
        QTest::keyClick(spin->edit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(spin->edit(), text);
    }
    QTimer *repeatTimer() const { return spin->findChild<QTimer *>("KWSPIN32.repeat"); }
    // One firing of the repeat timer, delivered as the timer's own event.
    void tick() {
        QTimer *timer = repeatTimer();
        QTimerEvent event(timer->timerId());
        QCoreApplication::sendEvent(timer, &event);
    }

    QWidget window;
    KWSPIN32 *spin = nullptr;
    QLineEdit *other = nullptr;
};

}  // namespace

class KWSpin32Test : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void leavingTheFieldRereadsIt_data();
    void leavingTheFieldRereadsIt();
    void holdingAnArrowRepeatsWithinTheRange_data();
    void holdingAnArrowRepeatsWithinTheRange();
    void repeatPausesWhileThePointerIsOffTheHalf();
    void cancellingStopsThePress();
    void settingTheRange_data();
    void settingTheRange();
    void colonOnlyInTimeMode_data();
    void colonOnlyInTimeMode();
    void twelveHourTexts_data();
    void twelveHourTexts();
    void colorsThroughMessages_data();
    void colorsThroughMessages();
    void styleBitMessages();
    void textIsWrittenOnlyWhenItDiffers();
    void focusGoesToTheEditAndNotificationsCarryTheId();
    void destroyedControlHearsNothingFromItsEdit();
    void picturesOfTheTimeControl();
};

// Which texts read as valid is spin_text_test's; these rows show the control rereading the field
// when it loses the focus: reformatted when valid, restored when not, in each mode.
void KWSpin32Test::leavingTheFieldRereadsIt_data() {
    QTest::addColumn<unsigned>("style");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("minutes above 59 restore") << kTime << "2:30"
                                              << "1:75"
                                              << "2:30";
    QTest::newRow("minutes padded") << kTime << "2:30"
                                    << "3:5"
                                    << "3:05";
    QTest::newRow("clock pm adds 12") << kClock << "1:00"
                                      << "1:15 pm"
                                      << "13:15";
    QTest::newRow("12-hour pm") << k12Hour << "1:00 am"
                                << "1:05 pm"
                                << "1:05 pm";
    QTest::newRow("12-hour bad suffix restores") << k12Hour << "1:00 am"
                                                 << "2:00 x"
                                                 << "1:00 am";
    QTest::newRow("number above range restores") << 0u << "3"
                                                 << "12"
                                                 << "3";
}

void KWSpin32Test::leavingTheFieldRereadsIt() {
    QFETCH(unsigned, style);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Form form(style);
    QVERIFY(form.ready());
    form.spin->setText(start);
    QCOMPARE(form.spin->text(), start);
    form.type(typed);
    QCOMPARE(form.spin->text(), typed);  // nothing is checked while typing
    QTest::keyClick(form.spin->edit(), Qt::Key_Tab);
    QVERIFY(form.other->hasFocus());
    QCOMPARE(form.spin->text(), shown);
}

void KWSpin32Test::holdingAnArrowRepeatsWithinTheRange_data() {
    QTest::addColumn<unsigned>("style");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<QString>("start");
    QTest::addColumn<unsigned>("half");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("afterPress");
    QTest::addColumn<QString>("afterTicks");
    QTest::newRow("minutes up stops at 59")
        << kTime << false << "0:57" << KWSB_RIGHTFIRST << 5 << "0:58"
        << "0:59";
    QTest::newRow("minutes up repeats")
        << kTime << false << "0:50" << KWSB_RIGHTFIRST << 3 << "0:51"
        << "0:54";
    QTest::newRow("minutes down stops at 0")
        << kTime << false << "1:01" << KWSB_RIGHTSECOND << 4 << "1:00"
        << "1:00";
    QTest::newRow("hours up") << kTime << false << "1:00" << KWSB_LEFTFIRST << 2 << "2:00"
                              << "4:00";
    QTest::newRow("hours stop at 23 on a clock")
        << kClock << false << "22:10" << KWSB_LEFTFIRST << 3 << "23:10"
        << "23:10";
    QTest::newRow("reversed upper half goes down")
        << kTime << true << "0:10" << KWSB_RIGHTFIRST << 2 << "0:09"
        << "0:07";
    QTest::newRow("number stops at 9") << 0u << false << "7" << KWSB_RIGHTFIRST << 4 << "8"
                                       << "9";
}

void KWSpin32Test::holdingAnArrowRepeatsWithinTheRange() {
    QFETCH(unsigned, style);
    QFETCH(bool, reverse);
    QFETCH(QString, start);
    QFETCH(unsigned, half);
    QFETCH(int, ticks);
    QFETCH(QString, afterPress);
    QFETCH(QString, afterTicks);
    Form form(style);
    QVERIFY(form.ready());
    form.spin->setReverse(reverse);
    form.spin->setText(start);

    QTest::mousePress(form.spin, Qt::LeftButton, {}, form.half(half));
    QCOMPARE(form.spin->text(), afterPress);
    QCOMPARE(form.spin->buttonState() & KWSB_PRESSED, half);
    QTimer *timer = form.repeatTimer();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 400);
    for (int i = 0; i < ticks; ++i)
        form.tick();
    QCOMPARE(timer->interval(), 50);
    QCOMPARE(form.spin->text(), afterTicks);

    QTest::mouseRelease(form.spin, Qt::LeftButton, {}, form.half(half));
    QVERIFY(!timer->isActive());
    QCOMPARE(form.spin->buttonState() & (KWSB_PRESSED | KWSB_POINTERLEFT), 0u);
}

void KWSpin32Test::repeatPausesWhileThePointerIsOffTheHalf() {
    Form form(kTime);
    QVERIFY(form.ready());
    form.spin->setText("0:10");
    QTest::mousePress(form.spin, Qt::LeftButton, {}, form.half(KWSB_RIGHTFIRST));
    QTest::mouseMove(form.spin, form.half(KWSB_RIGHTSECOND));  // the other half counts as off
    QVERIFY(form.spin->buttonState() & KWSB_POINTERLEFT);
    form.tick();
    form.tick();
    QCOMPARE(form.spin->text(), QString("0:11"));
    QTest::mouseMove(form.spin, form.half(KWSB_RIGHTFIRST));
    QVERIFY(!(form.spin->buttonState() & KWSB_POINTERLEFT));
    form.tick();
    QCOMPARE(form.spin->text(), QString("0:12"));
    QTest::mouseRelease(form.spin, Qt::LeftButton, {}, form.half(KWSB_RIGHTFIRST));
}

void KWSpin32Test::cancellingStopsThePress() {
    Form form(kTime);
    QVERIFY(form.ready());
    QTest::mousePress(form.spin, Qt::LeftButton, {}, form.half(KWSB_LEFTFIRST));
    QVERIFY(form.repeatTimer()->isActive());
    form.spin->setEnabled(false);
    QVERIFY(!form.repeatTimer()->isActive());
    QCOMPARE(form.spin->buttonState(), unsigned(KWSB_DISABLED));
    form.spin->setEnabled(true);
    QTest::mousePress(form.spin, Qt::LeftButton, {}, form.half(KWSB_LEFTFIRST));
    QVERIFY(form.repeatTimer()->isActive());
    form.spin->hide();
    QVERIFY(!form.repeatTimer()->isActive());
    QCOMPARE(form.spin->buttonState(), unsigned(KWSB_HIDDEN));
    form.spin->show();
    QCOMPARE(form.spin->buttonState(), 0u);
    QCOMPARE(form.spin->text(), QString("2:00"));
}

// Where a new range moves the value is spin_state_test's; these rows show the message's answer,
// the text shown and the range read back.
void KWSpin32Test::settingTheRange_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<intptr_t>("result");
    QTest::addColumn<QString>("shown");
    const intptr_t old = MakeRange(0, 20);
    QTest::newRow("value at the maximum moves to the middle") << "10" << 1 << 10 << old << "5";
    QTest::newRow("value below moves") << "0" << 1 << 10 << old << "5";
    QTest::newRow("value inside stays") << "7" << 1 << 10 << old << "7";
    QTest::newRow("middle rounds down") << "20" << 2 << 5 << old << "3";
    QTest::newRow("equal bounds refused") << "7" << 5 << 5 << intptr_t(-1) << "7";
}

void KWSpin32Test::settingTheRange() {
    QFETCH(QString, start);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(intptr_t, result);
    QFETCH(QString, shown);
    Form form(0);
    QVERIFY(form.ready());
    QCOMPARE(form.spin->sendMessage(KWSM_GETRANGE, 0, 0), MakeRange(0, 9));
    QCOMPARE(form.spin->sendMessage(KWSM_SETRANGE, 0, MakeRange(0, 20)), MakeRange(0, 9));
    form.spin->setText(start);
    QCOMPARE(form.spin->text(), start);
    QCOMPARE(form.spin->sendMessage(KWSM_SETRANGE, 0, MakeRange(low, high)), result);
    QCOMPARE(form.spin->text(), shown);
    QCOMPARE(form.spin->value(), shown.toInt());
    QCOMPARE(form.spin->sendMessage(KWSM_GETRANGE, 0, 0),
             result == -1 ? MakeRange(0, 20) : MakeRange(low, high));
}

void KWSpin32Test::colonOnlyInTimeMode_data() {
    QTest::addColumn<unsigned>("style");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("inField");
    QTest::newRow("number mode refuses") << 0u << "1:2"
                                         << "12";
    QTest::newRow("time mode accepts") << kTime << "1:2"
                                       << "1:2";
    QTest::newRow("clock accepts") << kClock << "::"
                                   << "::";
}

void KWSpin32Test::colonOnlyInTimeMode() {
    QFETCH(unsigned, style);
    QFETCH(QString, typed);
    QFETCH(QString, inField);
    Form form(style);
    QVERIFY(form.ready());
    form.type(typed);
    QCOMPARE(form.spin->text(), inField);
}

void KWSpin32Test::twelveHourTexts_data() {
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("hour");
    QTest::addColumn<QString>("shown");
    QTest::newRow("hour 1") << 0 << 1 << "1:00 am";
    QTest::newRow("hour 12 is am") << 11 << 12 << "12:00 am";
    QTest::newRow("hour 13") << 12 << 13 << "1:00 pm";
    QTest::newRow("hour 24 is pm") << 23 << 24 << "12:00 pm";
    QTest::newRow("no step past 24") << 30 << 24 << "12:00 pm";
}

void KWSpin32Test::twelveHourTexts() {
    QFETCH(int, clicks);
    QFETCH(int, hour);
    QFETCH(QString, shown);
    Form form(k12Hour);
    QVERIFY(form.ready());
    QCOMPARE(form.spin->text(), QString("1:00 am"));
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(form.spin, Qt::LeftButton, {}, form.half(KWSB_LEFTFIRST));
    QCOMPARE(form.spin->value(), hour);
    QCOMPARE(form.spin->text(), shown);
    // The text reads back as the same hour.
    form.spin->sendMessage(KWSM_REREAD, 0, 0);
    QCOMPARE(form.spin->value(), hour);
}

void KWSpin32Test::colorsThroughMessages_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("color");
    QTest::newRow("face") << int(KWSC_FACE) << int(KWRGB(0, 128, 0));
    QTest::newRow("arrow") << int(KWSC_ARROW) << int(KWRGB(255, 0, 0));
    QTest::newRow("shadow") << int(KWSC_SHADOW) << int(KWRGB(1, 2, 3));
    QTest::newRow("highlight") << int(KWSC_HIGHLIGHT) << int(KWRGB(250, 250, 0));
    QTest::newRow("frame") << int(KWSC_FRAME) << int(KWRGB(0, 0, 255));
}

void KWSpin32Test::colorsThroughMessages() {
    QFETCH(int, index);
    QFETCH(int, color);
    Form form(kTime);
    QVERIFY(form.ready());
    QCOMPARE(form.spin->sendMessage(KWSM_GETCOLOR, index, 0), intptr_t(KWSC_DEFAULT));
    QCOMPARE(form.spin->sendMessage(KWSM_SETCOLOR, index, color), intptr_t(KWSC_DEFAULT));
    QCOMPARE(form.spin->sendMessage(KWSM_GETCOLOR, index, 0), intptr_t(color));
    QCOMPARE(form.spin->color(index), color);
    QCOMPARE(form.spin->sendMessage(KWSM_SETCOLOR, index, KWSC_DEFAULT), intptr_t(color));
    QCOMPARE(form.spin->sendMessage(KWSM_SETCOLOR, 5, color), intptr_t(0));
    QCOMPARE(form.spin->sendMessage(KWSM_GETCOLOR, 5, 0), intptr_t(0));
    QCOMPARE(form.spin->sendMessage(KWSM_GETCOLOR, uintptr_t(1) << 32, 0), intptr_t(0));

    // The colour is what gets painted: the minutes button's upper half, just inside its edges.
    form.spin->setColor(index, color);
    QImage image = form.spin->grab().toImage();
    const int right = form.spin->width() - 17;
    QPoint probe;
    switch (index) {
        case KWSC_FACE:
            probe = {right + 3, 3};
            break;
        case KWSC_ARROW:
            probe = form.half(KWSB_RIGHTFIRST);
            break;
        case KWSC_SHADOW:
            probe = {form.spin->width() - 2, 3};  // right edge of the raised half
            break;
        case KWSC_HIGHLIGHT:
            probe = {right + 1, 3};  // left edge of the raised half
            break;
        default:
            probe = {right, 3};  // the frame line
            break;
    }
    QCOMPARE(QColor(image.pixel(probe)).name(),
             QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF).name());
}

void KWSpin32Test::styleBitMessages() {
    Form form(kTime);
    QVERIFY(form.ready());
    QCOMPARE(form.spin->sendMessage(KWSM_GETNOSTEPATLIMIT, 0, 0), intptr_t(0));
    QCOMPARE(form.spin->sendMessage(KWSM_SETNOSTEPATLIMIT, 1, 0), intptr_t(0));
    QCOMPARE(form.spin->sendMessage(KWSM_SETNOSTEPATLIMIT, 7, 0), intptr_t(1));
    QCOMPARE(form.spin->sendMessage(KWSM_GETNOSTEPATLIMIT, 0, 0), intptr_t(1));
    QCOMPARE(form.spin->sendMessage(KWSM_SETREVERSE, 1, 0), intptr_t(0));
    QCOMPARE(form.spin->sendMessage(KWSM_GETREVERSE, 0, 0), intptr_t(1));
    QCOMPARE(form.spin->sendMessage(KWSM_SETREVERSE, 0, 0), intptr_t(1));
    QCOMPARE(form.spin->style(), unsigned(kTime | KWSS_NOSTEPATLIMIT));
    QCOMPARE(form.spin->sendMessage(0x400 + 52, 1, 1), intptr_t(0));
    // With the no-step bit a press at the limit leaves even a typed text alone.
    form.spin->edit()->setText("junk");
    QTest::mouseClick(form.spin, Qt::LeftButton, {}, form.half(KWSB_RIGHTSECOND));
    QCOMPARE(form.spin->text(), QString("junk"));
    form.spin->setNoStepAtLimit(false);
    QTest::mouseClick(form.spin, Qt::LeftButton, {}, form.half(KWSB_RIGHTSECOND));
    QCOMPARE(form.spin->text(), QString("0:00"));
    QCOMPARE(KWCtrlInit(), 0);
}

void KWSpin32Test::textIsWrittenOnlyWhenItDiffers() {
    Form form(kTime);
    QVERIFY(form.ready());
    QSignalSpy commands(form.spin, &KWSPIN32::command);
    form.spin->setText("1:30");  // the caller's text, then no rewrite
    QCOMPARE(commands.count(), 1);
    form.spin->reread();
    form.spin->sendMessage(KWSM_REREAD, 0, 0);
    QCOMPARE(commands.count(), 1);
    form.spin->setText("1:5");  // the caller's text, then the rewrite to 1:05
    QCOMPARE(commands.count(), 3);
    for (const QList<QVariant> &args : commands) {
        QCOMPARE(args.at(0).toInt(), kControlId);
        QCOMPARE(args.at(1).toInt(), KWEN_CHANGE);
    }
}

void KWSpin32Test::focusGoesToTheEditAndNotificationsCarryTheId() {
    Form form(kTime);
    QVERIFY(form.ready());
    form.other->setFocus();
    QSignalSpy commands(form.spin, &KWSPIN32::command);
    form.spin->setFocus();
    QVERIFY(form.spin->edit()->hasFocus());
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(1).toInt(), KWEN_SETFOCUS);
    QTest::keyClick(form.spin->edit(), Qt::Key_End);
    QTest::keyClick(form.spin->edit(), Qt::Key_Backspace);  // "0:0": re-read gives "0:00"
    // When the notification arrives the text has been re-read already.
    QString textAtKillFocus;
    connect(form.spin, &KWSPIN32::command, this, [&](int id, int code) {
        if (code == KWEN_KILLFOCUS && id == kControlId) textAtKillFocus = form.spin->text();
    });
    QTest::mouseClick(form.other, Qt::LeftButton);
    QCOMPARE(textAtKillFocus, QString("0:00"));
    QCOMPARE(commands.last().at(0).toInt(), kControlId);
    QCOMPARE(commands.last().at(1).toInt(), KWEN_KILLFOCUS);
}

void KWSpin32Test::destroyedControlHearsNothingFromItsEdit() {
    Form form(kTime);
    QVERIFY(form.ready());
    form.type("1:2");
    QVERIFY(form.spin->edit()->hasFocus());
    QSignalSpy commands(form.spin, &KWSPIN32::command);
    delete form.spin;  // the edit box loses the focus while its control goes away
    QCOMPARE(commands.count(), 0);
    QTest::mouseClick(form.other, Qt::LeftButton);
    QVERIFY(form.other->hasFocus());
}

void KWSpin32Test::picturesOfTheTimeControl() {
    Form form(kTime);
    QVERIFY(form.ready());
    form.spin->setText("1:30");
    const QString dir = QStringLiteral(KW_ARTIFACT_DIR);
    QVERIFY(QDir().mkpath(dir));

    QImage normal = form.spin->grab().toImage();
    QTest::mousePress(form.spin, Qt::LeftButton, {}, form.half(KWSB_RIGHTFIRST));
    QImage pressed = form.spin->grab().toImage();
    QTest::mouseRelease(form.spin, Qt::LeftButton, {}, form.half(KWSB_RIGHTFIRST));
    form.spin->setEnabled(false);
    QImage disabled = form.spin->grab().toImage();
    // Each picture also six times enlarged, pixel for pixel, to judge the edges by eye.
    auto save = [&](const QImage &image, const QString &name) {
        QImage large =
            image.scaled(image.size() * 6, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        return image.save(dir + "/kwspin32_time_" + name + ".png") &&
               large.save(dir + "/kwspin32_time_" + name + "_x6.png");
    };
    QVERIFY(save(normal, "normal"));
    QVERIFY(save(pressed, "pressed"));
    QVERIFY(save(disabled, "disabled"));

    // Pressed shows 1:31 with a sunken upper half; disabled has hollow arrows.
    QCOMPARE(form.spin->text(), QString("1:31"));
    const QPoint edge(form.spin->width() - 16, 3);  // left edge inside the upper half
    QVERIFY(normal.pixel(edge) != pressed.pixel(edge));
    const QPoint lowerCentre = form.half(KWSB_LEFTSECOND);
    QVERIFY(normal.pixel(lowerCentre) != disabled.pixel(lowerCentre));
}

QTEST_MAIN(KWSpin32Test)
#include "kwspin32_test.moc"
