// The progress window on an offscreen screen: what the bar shows for each position (read back
// from the painted pixels), and Cancel by mouse, by Escape and through the event pump.
#include "app/ui/progress_window.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <algorithm>

namespace kw {

class ProgressWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void barShowsThePosition_data();
    void barShowsThePosition();
    void beginShowsTheWindow();
    void cancelButtonSetsTheFlagAndCloses();
    void withoutCancelTheWindowStays();
    void setPositionPumpsPendingEvents();
    void pictureOfTheWindow();
};

void ProgressWindowTest::barShowsThePosition_data() {
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("1..1 becomes 1..2, at 1") << 1 << 1 << 1 << QByteArray() << "  0%";
    QTest::newRow("1..1 becomes 1..2, at 2") << 1 << 1 << 2 << QByteArray() << "100%";
    QTest::newRow("below the range") << 1 << 10 << -5 << QByteArray() << "  0%";
    QTest::newRow("above the range") << 1 << 10 << 50 << QByteArray() << "100%";
    QTest::newRow("half way, no label") << 0 << 10 << 5 << QByteArray() << " 50%";
    QTest::newRow("reversed range") << 10 << 0 << 3 << QByteArray() << " 30%";
    QTest::newRow("label") << 1 << 3 << 2 << QByteArray("Loading Recipes...")
                           << "Loading Recipes...:  50%";
    QTest::newRow("label in Windows-1252")
        << 0 << 4 << 1 << QByteArray("Caf\xE9") << QString::fromUtf8("Caf\u00e9:  25%");
}

void ProgressWindowTest::barShowsThePosition() {
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(int, position);
    QFETCH(QByteArray, label);
    QFETCH(QString, text);
    ProgressWindow window;
    window.Begin(low, high, "Loading Data...", label.toStdString(), false);
    window.SetPosition(position);
    QCOMPARE(window.BarText(), text);

    // The painted bar: blue up to the filled width, grey after it, white text in the middle.
    QImage image = window.BarArea()->grab().toImage();
    const QRect bar = window.BarArea()->rect().adjusted(1, 1, -1, -1);
    const int filled = window.Model().FilledWidth(bar.width());
    const int row = bar.top() + 1;  // above the text
    QCOMPARE(QColor(image.pixel(0, row)), QColor(Qt::black));
    if (filled > 0) QCOMPARE(QColor(image.pixel(bar.left() + filled - 1, row)), QColor(0, 0, 192));
    if (filled < bar.width())
        QCOMPARE(QColor(image.pixel(bar.left() + filled, row)), QColor(192, 192, 192));
    // The text is smoothed, so count the pixels lighter than both bar colours.
    int light = 0;
    for (int y = bar.top(); y <= bar.bottom(); ++y) {
        for (int x = bar.left(); x <= bar.right(); ++x) {
            QColor c(image.pixel(x, y));
            light += std::min({c.red(), c.green(), c.blue()}) > 208;
        }
    }
    QVERIFY(light > 20);
    window.End();
}

void ProgressWindowTest::beginShowsTheWindow() {
    QWidget main;
    main.setGeometry(100, 100, 600, 400);
    main.show();
    ProgressWindow window(&main);
    window.Begin(0, 8, "Searching", "", true);
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QString("Please wait..."));
    QCOMPARE(window.findChild<QLabel *>()->text(), QString("Searching"));
    QCOMPARE(window.BarText(), QString("  0%"));
    QVERIFY(window.CancelButton()->isEnabled());
    QCOMPARE(window.CancelButton()->text(), QString("Cancel"));
    QVERIFY(!window.isModal());
    // Centred on the main window, give or take the window frame's margins.
    QVERIFY((window.frameGeometry().center() - main.frameGeometry().center()).manhattanLength() <
            8);
    window.End();
    QVERIFY(!window.isVisible());
}

void ProgressWindowTest::cancelButtonSetsTheFlagAndCloses() {
    ProgressWindow window;
    window.Begin(1, 100, "Loading file", "", true);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.Cancelled());
    QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
    QVERIFY(window.Cancelled());
    QVERIFY(!window.CancelButton()->isEnabled());
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    // Beginning again clears the flag.
    window.Begin(1, 100, "Loading file", "", true);
    QVERIFY(!window.Cancelled());
    QVERIFY(window.CancelButton()->isEnabled());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.Cancelled());
    window.End();
}

void ProgressWindowTest::withoutCancelTheWindowStays() {
    ProgressWindow window;
    window.Begin(1, 3, "Loading Data...", "Loading Recipes...", false);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.CancelButton()->isEnabled());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QVERIFY(!window.Cancelled());
    window.End();
}

void ProgressWindowTest::setPositionPumpsPendingEvents() {
    ProgressWindow window;
    window.Begin(1, 1000, "Loading file", "", true);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The user's click waits in the queue while the operation runs; SetPosition delivers it.
    QPushButton *cancel = window.CancelButton();
    const QPointF at = QRectF(cancel->rect()).center();
    const QPointF global = cancel->mapToGlobal(at);
    QCoreApplication::postEvent(cancel, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                        Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(cancel, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                        Qt::LeftButton, Qt::NoButton, {}));
    QVERIFY(!window.Cancelled());
    window.SetPosition(10);
    QVERIFY(window.Cancelled());
    QVERIFY(!window.isVisible());
}

void ProgressWindowTest::pictureOfTheWindow() {
    ProgressWindow window;
    window.Begin(1, 5, "Loading Data...", "Loading Recipes...", true);
    window.SetPosition(3);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString dir = QStringLiteral(KW_ARTIFACT_DIR);
    QVERIFY(QDir().mkpath(dir));
    QImage image = window.grab().toImage();
    QVERIFY(image.save(dir + "/progress_window_half.png"));
    window.End();
}

}  // namespace kw

QTEST_MAIN(kw::ProgressWindowTest)
#include "progress_window_test.moc"
