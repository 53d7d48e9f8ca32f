#include "AlertWindow.h"
#include "PrivateDisplay.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

// The alert on its own: its fades, countdown, hover, replacement in place, immediate
// close, placement and drag, and what it draws and tells assistive technology.
class TestAlertWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fadesInAndOut_data();
    void fadesInAndOut();
    void countdown_data();
    void countdown();
    void hoverHoldsTheAlert();
    void newTextReplacesInPlace();
    void closesAtOnce_data();
    void closesAtOnce();
    void placementAndDrag_data();
    void placementAndDrag();
    void drawsThePictureAtItsPlace();
    void linkHighlightAndClick();
    void followsLightAndDarkPalettes();
    void readableByAssistiveTechnology();
    void showsWithoutTakingTheFocus();

private:
    void showAndWaitShown();
    static void enter(QWidget *widget);
    static void leave(QWidget *widget);

    std::unique_ptr<AlertWindow> m_alert;
};

const QString Message = QStringLiteral("<b>\u3000FalvanePelorin</b><br><br>\u30002011/07/22 "
                                       "最新のデータに更新されました。<br><br>\u3000<a href=\"#\">"
                                       "FalvanePelorinクエンベルキットを起動</a>");

void TestAlertWindow::init()
{
    m_alert = std::make_unique<AlertWindow>();
    m_alert->setImages({QPixmap(32, 32)});
    m_alert->addMessage(Message);
}

void TestAlertWindow::cleanup()
{
    m_alert.reset();
    QApplication::setPalette(QPalette());
}

void TestAlertWindow::enter(QWidget *widget)
{
    const QPointF local(10, 30);
    QEnterEvent event(local, local, widget->mapToGlobal(local));
    QCoreApplication::sendEvent(widget, &event);
}

void TestAlertWindow::leave(QWidget *widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

void TestAlertWindow::showAndWaitShown()
{
    m_alert->showAlert();
    QTRY_COMPARE_WITH_TIMEOUT(m_alert->state(), AlertWindow::State::Shown, 5000);
}

void TestAlertWindow::fadesInAndOut_data()
{
    QTest::addColumn<int>("alphaStart");
    QTest::addColumn<int>("alphaEnd");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("fadeTime");
    QTest::addColumn<QList<int>>("fadeIn");

    QList<int> notifier;
    for (int alpha = 2; alpha <= 220; alpha += 2)
        notifier << alpha;
    QTest::newRow("the notifier's: 0 to 220 by 2 every 10 ms") << 0 << 220 << 2 << 10 << notifier;
    // The last step stops at the end value instead of overshooting it.
    QTest::newRow("uneven step") << 10 << 100 << 7 << 5
                                 << QList<int> {17, 24, 31, 38, 45, 52, 59, 66, 73, 80, 87, 94, 100};
}

void TestAlertWindow::fadesInAndOut()
{
    QFETCH(int, alphaStart);
    QFETCH(int, alphaEnd);
    QFETCH(int, step);
    QFETCH(int, fadeTime);
    QFETCH(QList<int>, fadeIn);

    m_alert->setAlpha(alphaStart, alphaEnd);
    m_alert->setFade(step, fadeTime);
    m_alert->setDisplayTime(200);
    QList<int> levels;
    QList<qint64> times;
    QElapsedTimer clock;
    connect(m_alert.get(), &AlertWindow::alphaChanged, this, [&](int alpha) {
        levels << alpha;
        times << clock.elapsed();
    });
    QSignalSpy states(m_alert.get(), &AlertWindow::stateChanged);

    clock.start();
    m_alert->showAlert();
    QVERIFY(m_alert->isVisible());
    QCOMPARE(m_alert->state(), AlertWindow::State::FadingIn);
    QTRY_COMPARE_WITH_TIMEOUT(m_alert->state(), AlertWindow::State::Hidden, 10000);
    QVERIFY(!m_alert->isVisible());

    QList<int> expected = fadeIn;
    if (alphaStart != 0)
        expected.prepend(alphaStart);
    QList<int> fadeOut;
    for (int alpha = alphaEnd - step; alpha > alphaStart; alpha -= step)
        fadeOut << alpha;
    fadeOut << alphaStart;
    QCOMPARE(levels, expected + fadeOut);

    // Steps come no faster than the fade time (the timer may be late, never early).
    const int inSteps = static_cast<int>(fadeIn.size());
    const qint64 fadeInTook = times.at(expected.size() - 1) - times.at(expected.size() - inSteps);
    QVERIFY2(fadeInTook >= (inSteps - 1) * fadeTime - 2 * fadeTime, qPrintable(QString::number(fadeInTook)));
    const auto stateList = [&] {
        QList<AlertWindow::State> list;
        for (const auto &args : states)
            list << args.at(0).value<AlertWindow::State>();
        return list;
    }();
    QCOMPARE(stateList,
             (QList<AlertWindow::State> {AlertWindow::State::FadingIn, AlertWindow::State::Shown,
                                         AlertWindow::State::FadingOut, AlertWindow::State::Hidden}));
    QVERIFY(!m_alert->isFading());
    QVERIFY(!m_alert->isCountingDown());
}

void TestAlertWindow::countdown_data()
{
    QTest::addColumn<bool>("autoHide");
    QTest::newRow("auto-hide") << true;
    QTest::newRow("stays until closed") << false;
}

void TestAlertWindow::countdown()
{
    QFETCH(bool, autoHide);
    m_alert->setAutoHide(autoHide);
    m_alert->setDisplayTime(1000);
    QList<int> elapsed;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] { elapsed << m_alert->countdownElapsed(); });

    showAndWaitShown();
    QElapsedTimer shown;
    shown.start();
    sampler.start(20);
    QCOMPARE(m_alert->isCountingDown(), autoHide);
    if (!autoHide) {
        QTest::qWait(1500);
        QCOMPARE(m_alert->state(), AlertWindow::State::Shown);
        QCOMPARE(m_alert->countdownElapsed(), 0);
        QCOMPARE(m_alert->alpha(), 220);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_alert->state(), AlertWindow::State::FadingOut, 5000);
    QVERIFY2(shown.elapsed() >= 950, qPrintable(QString::number(shown.elapsed())));
    QVERIFY(!m_alert->isCountingDown());
    // Counted in ticks of 100 ms.
    for (const int value : elapsed)
        QCOMPARE(value % AlertWindow::CountdownTick, 0);
    QVERIFY(elapsed.contains(500));
}

void TestAlertWindow::hoverHoldsTheAlert()
{
    m_alert->setDisplayTime(800);
    showAndWaitShown();
    QTRY_VERIFY(m_alert->countdownElapsed() >= 300);

    enter(m_alert.get());
    QCOMPARE(m_alert->alpha(), AlertWindow::FullOpacity);
    QVERIFY(!m_alert->isCountingDown());
    const int held = m_alert->countdownElapsed();
    QTest::qWait(1000); // longer than the display time: it would have faded by now
    QCOMPARE(m_alert->state(), AlertWindow::State::Shown);
    QCOMPARE(m_alert->countdownElapsed(), held);

    leave(m_alert.get());
    QCOMPARE(m_alert->alpha(), 220);
    QCOMPARE(m_alert->countdownElapsed(), 0); // from zero again
    QVERIFY(m_alert->isCountingDown());
    QTRY_COMPARE_WITH_TIMEOUT(m_alert->state(), AlertWindow::State::FadingOut, 3000);

    // The pointer coming back during the fade-out holds it at full opacity again.
    QTRY_VERIFY(m_alert->alpha() < 200);
    enter(m_alert.get());
    QCOMPARE(m_alert->state(), AlertWindow::State::Shown);
    QCOMPARE(m_alert->alpha(), AlertWindow::FullOpacity);
    QVERIFY(!m_alert->isFading());
    QTest::qWait(300);
    QCOMPARE(m_alert->alpha(), AlertWindow::FullOpacity);
}

void TestAlertWindow::newTextReplacesInPlace()
{
    m_alert->setDisplayTime(600);
    showAndWaitShown();
    const QRect where = m_alert->geometry();
    QTRY_VERIFY(m_alert->countdownElapsed() >= 200);

    // Shown: the text changes, the window stays as it is and its time starts again.
    QSignalSpy states(m_alert.get(), &AlertWindow::stateChanged);
    m_alert->clearMessages();
    m_alert->addMessage(QString(Message).replace(QStringLiteral("2011/07/22"), QStringLiteral("2011/07/23")));
    m_alert->showAlert();
    QVERIFY(m_alert->messageText().contains(QStringLiteral("2011/07/23")));
    QVERIFY(!m_alert->messageText().contains(QStringLiteral("2011/07/22")));
    QCOMPARE(m_alert->state(), AlertWindow::State::Shown);
    QCOMPARE(states.size(), 0);
    QCOMPARE(m_alert->alpha(), 220);
    QCOMPARE(m_alert->countdownElapsed(), 0);
    QCOMPARE(m_alert->geometry(), where);

    // Fading out: it fades in again from where it was, not from transparent.
    QTRY_COMPARE_WITH_TIMEOUT(m_alert->state(), AlertWindow::State::FadingOut, 3000);
    QTRY_VERIFY(m_alert->alpha() <= 180);
    QList<int> levels;
    connect(m_alert.get(), &AlertWindow::alphaChanged, this, [&](int alpha) { levels << alpha; });
    const int from = m_alert->alpha();
    m_alert->showAlert();
    QCOMPARE(m_alert->state(), AlertWindow::State::FadingIn);
    QTRY_COMPARE_WITH_TIMEOUT(m_alert->state(), AlertWindow::State::Shown, 3000);
    QVERIFY(!levels.isEmpty());
    QCOMPARE(levels.first(), from + 2);
    QCOMPARE(levels.last(), 220);
    QVERIFY(m_alert->isVisible());
}

void TestAlertWindow::closesAtOnce_data()
{
    QTest::addColumn<AlertWindow::State>("during");
    QTest::addColumn<bool>("byButton");
    QTest::newRow("fading in") << AlertWindow::State::FadingIn << false;
    QTest::newRow("shown") << AlertWindow::State::Shown << false;
    QTest::newRow("fading out") << AlertWindow::State::FadingOut << false;
    QTest::newRow("close button") << AlertWindow::State::Shown << true;
}

void TestAlertWindow::closesAtOnce()
{
    QFETCH(AlertWindow::State, during);
    QFETCH(bool, byButton);
    m_alert->setDisplayTime(100);
    m_alert->showAlert();
    QTRY_VERIFY_WITH_TIMEOUT(m_alert->state() == during && m_alert->alpha() > 0, 5000);

    QList<int> levels;
    connect(m_alert.get(), &AlertWindow::alphaChanged, this, [&](int alpha) { levels << alpha; });
    if (byButton) {
        auto *button = m_alert->findChild<QToolButton *>();
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        m_alert->closeAlert();
    }
    QCOMPARE(m_alert->state(), AlertWindow::State::Hidden);
    QVERIFY(!m_alert->isVisible());
    QVERIFY(!m_alert->isFading());
    QVERIFY(!m_alert->isCountingDown());
    QTest::qWait(100);
    QCOMPARE(levels, QList<int> {0}); // straight to nothing, no fade
}

void TestAlertWindow::placementAndDrag_data()
{
    QTest::addColumn<int>("pressY");
    QTest::addColumn<bool>("drags");
    QTest::newRow("strip along the top") << 3 << true;
    QTest::newRow("last row of the strip") << AlertWindow::StripHeight - 1 << true;
    QTest::newRow("below the strip") << AlertWindow::StripHeight + 4 << false;
}

void TestAlertWindow::placementAndDrag()
{
    QFETCH(int, pressY);
    QFETCH(bool, drags);
    m_alert->setAutoHide(false);
    showAndWaitShown();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QRect frame = m_alert->frameGeometry();
    QCOMPARE(frame.x() + frame.width(), area.x() + area.width() - AlertWindow::RightGap);
    QCOMPARE(frame.y() + frame.height(), area.y() + area.height());

    const QPoint start = m_alert->pos();
    const QPoint press(100, pressY);
    const QPointF global = m_alert->mapToGlobal(QPointF(press));
    const QPointF delta(-150, -120);
    QMouseEvent down(QEvent::MouseButtonPress, press, global, Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_alert.get(), &down);
    QMouseEvent move(QEvent::MouseMove, press + delta, global + delta, Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_alert.get(), &move);
    QMouseEvent up(QEvent::MouseButtonRelease, press + delta, global + delta, Qt::LeftButton, {}, {});
    QCoreApplication::sendEvent(m_alert.get(), &up);
    const QPoint expected = drags ? start + delta.toPoint() : start;
    QCOMPARE(m_alert->pos(), expected);

    // A later alert of the run appears where this one was dropped.
    m_alert->closeAlert();
    m_alert->showAlert();
    QCOMPARE(m_alert->pos(), expected);
}

void TestAlertWindow::drawsThePictureAtItsPlace()
{
    QPixmap red(32, 32);
    red.fill(Qt::red);
    m_alert->setImages({red});
    m_alert->setAutoHide(false);
    showAndWaitShown();
    const QImage image = m_alert->grab().toImage();
    const QColor redColor(Qt::red);
    for (const QPoint inside : {QPoint(5, 16), QPoint(36, 47), QPoint(20, 30)})
        QCOMPARE(image.pixelColor(inside), redColor);
    for (const QPoint outside : {QPoint(4, 16), QPoint(5, 15), QPoint(37, 47), QPoint(36, 48)})
        QVERIFY2(image.pixelColor(outside) != redColor,
                 qPrintable(QStringLiteral("%1,%2").arg(outside.x()).arg(outside.y())));

    // Sized to the message: all of it fits beside the picture and below the strip.
    auto *text = m_alert->findChild<AlertText *>();
    QVERIFY(text);
    QVERIFY(text->geometry().left() >= AlertWindow::PicturePosition.x() + AlertWindow::PictureSide);
    QVERIFY(m_alert->rect().contains(text->geometry()));
    QCOMPARE(text->size(), text->fittedSize());
    QVERIFY(m_alert->height() >= AlertWindow::PicturePosition.y() + AlertWindow::PictureSide);
}

void TestAlertWindow::linkHighlightAndClick()
{
    m_alert->setAutoHide(false);
    showAndWaitShown();
    auto *text = m_alert->findChild<AlertText *>();
    QVERIFY(text);
    const QRect link = text->anchorRect(QStringLiteral("#"));
    QVERIFY(!link.isEmpty());
    const QColor normal = text->anchorColor(QStringLiteral("#"));

    QTest::mouseMove(text, link.center());
    QTRY_COMPARE(text->hoveredAnchor(), QStringLiteral("#"));
    QVERIFY(text->anchorColor(QStringLiteral("#")) != normal);
    QCOMPARE(text->anchorColor(QStringLiteral("#")), QGuiApplication::palette().color(QPalette::Highlight));
    QTest::mouseMove(text, QPoint(1, 1));
    QTRY_COMPARE(text->hoveredAnchor(), QString());
    QCOMPARE(text->anchorColor(QStringLiteral("#")), normal);

    QSignalSpy clicks(m_alert.get(), &AlertWindow::anchorClick);
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(clicks.size(), 0);
    QTest::mouseClick(text, Qt::LeftButton, {}, link.center());
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.at(0).at(0).toString(), QStringLiteral("#"));
}

void TestAlertWindow::followsLightAndDarkPalettes()
{
    QPalette light;
    light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
    light.setColor(QPalette::Light, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Link, QColor(0x00, 0x00, 0xa0));

    QApplication::setPalette(light);
    m_alert->setAutoHide(false);
    showAndWaitShown();
    QVERIFY(m_alert->backgroundColor().lightness() > 200);
    auto *text = m_alert->findChild<AlertText *>();
    const QImage lightImage = text->grab().toImage();

    // Looked at again on every show: the next alert takes the dark scheme.
    m_alert->closeAlert();
    QApplication::setPalette(dark);
    m_alert->showAlert();
    QVERIFY(m_alert->backgroundColor().lightness() < 80);
    // A dark link colour would vanish on the dark background: it is lightened.
    QVERIFY(text->anchorColor(QStringLiteral("#")).lightness() >= 128);
    QVERIFY(text->grab().toImage() != lightImage);
}

void TestAlertWindow::readableByAssistiveTechnology()
{
    showAndWaitShown();
    auto *text = m_alert->findChild<AlertText *>();
    QAccessibleInterface *message = QAccessible::queryAccessibleInterface(text);
    QVERIFY(message);
    QCOMPARE(message->role(), QAccessible::StaticText);
    QCOMPARE(message->text(QAccessible::Name),
             QStringLiteral("\u3000FalvanePelorin\n\n\u30002011/07/22 最新のデータに更新されました。\n\n"
                            "\u3000FalvanePelorinクエンベルキットを起動"));
    QAccessibleInterface *close = QAccessible::queryAccessibleInterface(m_alert->findChild<QToolButton *>());
    QVERIFY(close);
    QCOMPARE(close->role(), QAccessible::Button);
    QCOMPARE(close->text(QAccessible::Name), QStringLiteral("閉じる"));
}

// Without a window manager nothing steals the focus anyway, so what is checked here is
// what a window manager goes by: the hints and the show-without-activating attribute.
void TestAlertWindow::showsWithoutTakingTheFocus()
{
    showAndWaitShown();
    QVERIFY(m_alert->testAttribute(Qt::WA_ShowWithoutActivating));
    const Qt::WindowFlags flags = m_alert->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    QCOMPARE(m_alert->windowType(), Qt::Tool); // no taskbar button
    QCOMPARE(m_alert->windowHandle()->flags(), flags);
    QCOMPARE(QApplication::focusWidget(), nullptr);
}

int main(int argc, char *argv[])
{
    // A real X server: opacity, stacking and focus are the window system's business.
    PrivateDisplay display;
    QApplication app(argc, argv);
    TestAlertWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "TestAlertWindow.moc"
