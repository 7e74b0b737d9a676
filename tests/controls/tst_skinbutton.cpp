#include "controls/propertybag.h"
#include "controls/skinbutton.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {
constexpr qint32 ProgramFace = 0x00C0FFFF;

std::unique_ptr<SkinButton> programStyleButton(QSize size = {60, 30})
{
    auto button = std::make_unique<SkinButton>(QStringLiteral("OK"));
    (void)button->setButtonType(3);
    button->setColorScheme(2);
    button->setBackColor(ProgramFace);
    button->setBackOver(ProgramFace);
    button->setForeColor(0);
    button->setForeOver(0);
    button->resize(size);
    button->show();
    return button;
}

void hover(QWidget& widget)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(&widget, &enter);
}

void unhover(QWidget& widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &leave);
}

// Every event of the button as text, in the order raised.
QStringList* recordEvents(SkinButton& b, QStringList& log)
{
    const auto mouse = [&log](const char* name) {
        return [&log, name](qint16 button, qint16, float x, float y) {
            log << QStringLiteral("%1 %2 %3,%4").arg(name).arg(button).arg(x).arg(y);
        };
    };
    const auto key = [&log](const char* name) {
        return [&log, name](qint16 code) { log << QStringLiteral("%1 %2").arg(name).arg(code); };
    };
    // Key downs and ups name their shift state when one is held.
    const auto stroke = [&log](const char* name) {
        return [&log, name](qint16 code, qint16 shift) {
            log << (shift ? QStringLiteral("%1 %2 shift %3").arg(name).arg(code).arg(shift)
                          : QStringLiteral("%1 %2").arg(name).arg(code));
        };
    };
    QObject::connect(&b, &SkinButton::clicked, [&log] { log << "click"; });
    QObject::connect(&b, &SkinButton::mouseDown, mouse("down"));
    QObject::connect(&b, &SkinButton::mouseUp, mouse("up"));
    QObject::connect(&b, &SkinButton::keyPress, key("press"));
    QObject::connect(&b, &SkinButton::keyDown, stroke("keydown"));
    QObject::connect(&b, &SkinButton::keyUp, stroke("keyup"));
    QObject::connect(&b, &SkinButton::hovered, [&log] { log << "over"; });
    QObject::connect(&b, &SkinButton::left, [&log] { log << "out"; });
    return &log;
}
} // namespace

class TestSkinButton : public QObject {
    Q_OBJECT
private slots:
    void gradientStyle_data();
    void gradientStyle();
    void eventsInOrder_data();
    void eventsInOrder();
    void checkBoxToggles();
    void disabledIgnoresClicks();
    void arrowKeysMoveFocus();
    void settersGiveTheirKeys();
    void propertyBagRoundTrip();
};

void TestSkinButton::gradientStyle_data()
{
    QTest::addColumn<bool>("soft");
    QTest::addColumn<bool>("hovered");
    QTest::addColumn<QColor>("nearTop");    // row 3 of 30
    QTest::addColumn<QColor>("nearBottom"); // row 28 of 30
    QTest::addColumn<QColor>("innerEdge");  // a pixel of the inner frame's place
    // Face 0xC0FFFF is red 255, green 255, blue 192: lightened by 48 (red and green stop at
    // 255), then darkened by 25 × 3 ÷ 30 = 2 and 25 × 28 ÷ 30 = 23.
    QTest::newRow("plain") << false << false << QColor(253, 253, 238) << QColor(232, 232, 217)
                           << QColor(254, 254, 239);
    QTest::newRow("soft bevel halves both")
        << true << false << QColor(254, 254, 215) << QColor(244, 244, 205) << QColor(255, 255, 216);
    QTest::newRow("hovered") << false << true << QColor(253, 253, 238) << QColor(232, 232, 217)
                             << QColor(0xFF, 0xB2, 0x31);
}

void TestSkinButton::gradientStyle()
{
    QFETCH(bool, soft);
    QFETCH(bool, hovered);
    auto button = programStyleButton();
    button->setCaption(QString()); // nothing drawn over the gradient
    button->setSoftBevel(soft);
    if (hovered)
        hover(*button);
    const QImage face = button->grab().toImage();
    QCOMPARE(face.size(), QSize(60, 30));
    QTEST(face.pixelColor(30, 2), "nearTop");
    QTEST(face.pixelColor(30, 27), "nearBottom");
    QTEST(face.pixelColor(30, 1), "innerEdge");
    QCOMPARE(face.pixelColor(1, 15) == QColor(0xFF, 0xB2, 0x31), hovered);
    const QColor frame(0x00, 0x3C, 0x73);
    for (const QPoint& at : {QPoint(30, 0), QPoint(0, 15), QPoint(59, 15), QPoint(30, 29)})
        QCOMPARE(face.pixelColor(at), frame);
    const QColor corner(0x10, 0x4D, 0x7B);
    for (const QPoint& at : {QPoint(1, 1), QPoint(58, 1), QPoint(1, 28), QPoint(58, 28)})
        QCOMPARE(face.pixelColor(at), corner);
}

void TestSkinButton::eventsInOrder_data()
{
    QTest::addColumn<std::function<void(SkinButton&)>>("act");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("mouse click") << std::function<void(SkinButton&)>([](SkinButton& b) {
        hover(b);
        QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(7, 9));
        unhover(b);
    }) << QStringList{"over", "down 1 7,9", "up 1 7,9", "click", "out"};
    QTest::newRow("press dragged off: the hover ends at once, no click")
        << std::function<void(SkinButton&)>([](SkinButton& b) {
               hover(b);
               QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(7, 9));
               QTest::mouseMove(&b, QPoint(90, 9));
               const QImage face = b.grab().toImage();
               QVERIFY(!b.isHovered() && !b.isDrawnPressed());
               QVERIFY(face.pixelColor(1, 15) != QColor(0xFF, 0xB2, 0x31)); // no hover frame
               QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(90, 9));
           })
        << QStringList{"over", "down 1 7,9", "out", "up 1 90,9"};
    QTest::newRow("right button does not click") << std::function<void(SkinButton&)>(
        [](SkinButton& b) { QTest::mouseClick(&b, Qt::RightButton, {}, QPoint(3, 4)); })
                                                 << QStringList{"down 2 3,4", "up 2 3,4"};
    QTest::newRow("double click presses again but clicks once")
        << std::function<void(SkinButton&)>([](SkinButton& b) {
               // What the desktop sends: press, release, double-click, release.
               QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 6));
               QTest::mouseDClick(&b, Qt::LeftButton, {}, QPoint(5, 6));
               QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(5, 6));
           })
        << QStringList{"down 1 5,6", "up 1 5,6", "click", "down 1 0,0", "up 1 5,6"};
    QTest::newRow("space") << std::function<void(SkinButton&)>([](SkinButton& b) {
        QTest::keyClick(&b, Qt::Key_Space);
    }) << QStringList{"keydown 32", "press 32", "keyup 32", "click"};
    QTest::newRow("other keys do not click")
        << std::function<void(SkinButton&)>([](SkinButton& b) { QTest::keyClick(&b, Qt::Key_A); })
        << QStringList{"keydown 65", "press 97", "keyup 65"};
    // The Shift key itself comes down first; only keys that type a character are pressed.
    QTest::newRow("shifted arrow") << std::function<void(SkinButton&)>([](SkinButton& b) {
        QTest::keyClick(&b, Qt::Key_Left, Qt::ShiftModifier);
    }) << QStringList{"keydown 16 shift 1", "keydown 37 shift 1", "keyup 37 shift 1", "keyup 16"};
    QTest::newRow("access key") << std::function<void(SkinButton&)>([](SkinButton& b) {
        b.setCaption("&Open");
        QTest::keyClick(b.window(), Qt::Key_O, Qt::AltModifier);
    }) << QStringList{"keydown 18 shift 4", "click", "keyup 79 shift 4", "keyup 18"};
}

void TestSkinButton::eventsInOrder()
{
    QFETCH(std::function<void(SkinButton&)>, act);
    auto button = programStyleButton();
    button->activateWindow();
    button->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(button.get()));
    unhover(*button); // the pointer may rest where the window opened
    QStringList log;
    recordEvents(*button, log);
    act(*button);
    QTEST(log, "expected");
    QVERIFY(!button->isDrawnPressed());
}

void TestSkinButton::checkBoxToggles()
{
    auto button = programStyleButton();
    button->setCaption(QString());
    const QColor normalTop = button->grab().toImage().pixelColor(30, 2);
    button->setCheckBoxBehaviour(true);
    QSignalSpy notices(button.get(), &SkinButton::propertyChanged);

    QTest::mouseClick(button.get(), Qt::LeftButton);
    QVERIFY(button->value());
    QCOMPARE(notices.takeFirst().at(0).toString(), QStringLiteral("VALUE"));
    // While on, the face is drawn pressed: its gradient runs the other way.
    QVERIFY(button->grab().toImage().pixelColor(30, 2) != normalTop);

    button->setFocus();
    QTest::keyClick(button.get(), Qt::Key_Space);
    QVERIFY(!button->value());
    QCOMPARE(button->grab().toImage().pixelColor(30, 2), normalTop);

    // Without the check behaviour a click leaves the value alone.
    button->setCheckBoxBehaviour(false);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QVERIFY(!button->value());
}

void TestSkinButton::disabledIgnoresClicks()
{
    auto button = programStyleButton();
    button->setCheckBoxBehaviour(true);
    button->setEnabled(false);
    QStringList log;
    recordEvents(*button, log);
    hover(*button);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QTest::keyClick(button.get(), Qt::Key_Space);
    button->click();
    QCOMPARE(log, QStringList());
    QVERIFY(!button->value());
    // Drawn greyed: no blue frame, no hover frame.
    const QImage face = button->grab().toImage();
    QVERIFY(face.pixelColor(30, 0) != QColor(0x00, 0x3C, 0x73));
    QVERIFY(face.pixelColor(30, 1) != QColor(0xFF, 0xB2, 0x31));
}

void TestSkinButton::arrowKeysMoveFocus()
{
    QWidget window;
    SkinButton first("1", &window), second("2", &window), third("3", &window);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const std::pair<Qt::Key, SkinButton*> moves[] = {{Qt::Key_Left, &first},
                                                     {Qt::Key_Down, &second},
                                                     {Qt::Key_Right, &third},
                                                     {Qt::Key_Up, &second}};
    second.setFocus();
    for (const auto& [key, target] : moves) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(QApplication::focusWidget(), target);
    }
}

void TestSkinButton::settersGiveTheirKeys()
{
    SkinButton button;
    QSignalSpy notices(&button, &SkinButton::propertyChanged);
    button.setFontBold(true);
    button.setFontItalic(true);
    button.setFontUnderline(true);
    button.setFontSize(13);
    button.setFontName("Liberation Serif");
    QCOMPARE(notices.count(), 0);
    QVERIFY(button.fontBold() && button.fontItalic() && button.fontUnderline());

    QVERIFY(!button.setButtonType(15));
    QVERIFY(!button.setPicturePosition(5));
    QCOMPARE(notices.count(), 0);

    (void)button.setButtonType(7);
    button.setCaption("x");
    button.setEnabled(true);
    button.setFont(QFont());
    button.setColorScheme(3);
    button.setShowFocusRect(false);
    button.setBackColor(1);
    button.setBackOver(1);
    button.setForeColor(1);
    button.setForeOver(1);
    button.setMaskColor(1);
    button.setMousePointer(2);
    button.setMouseIcon(QPixmap());
    button.setPictureNormal(QIcon());
    button.setPictureOver(QIcon());
    button.setUseMaskColor(false);
    button.setSoftBevel(true);
    (void)button.setPicturePosition(1);
    button.setUseGreyscale(true);
    button.setSpecialEffect(1);
    button.setHandPointer(true);
    button.setCheckBoxBehaviour(true);
    button.setValue(true);
    QStringList keys;
    for (const QList<QVariant>& notice : notices)
        keys << notice.at(0).toString();
    QCOMPARE(keys,
             QStringList({"BTYPE", "TX",     "ENAB",  "FONT", "COLTYPE", "FOCUSR", "BCOL", "BCOLO",
                          "FCOL",  "FCOLO",  "MCOL",  "MPTR", "MICON",   "PICN",   "PICH", "UMCOL",
                          "SOFT",  "PICPOS", "NGREY", "FX",   "HAND",    "CHECK",  "VALUE"}));

    QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
    button.setHandPointer(false);
    QCOMPARE(button.mousePointer(), qint16(1));
    QCOMPARE(button.cursor().shape(), Qt::ArrowCursor);
}

void TestSkinButton::propertyBagRoundTrip()
{
    QWidget host;
    SkinButton fresh(&host);
    PropertyBag bag;
    fresh.writeProperties(bag);
    QCOMPARE(bag.size(), 0); // a new button holds only defaults

    QPixmap picture(8, 8);
    picture.fill(Qt::red);
    SkinButton source(&host);
    (void)source.setButtonType(14);
    source.setCaption("Check for Update");
    source.setEnabled(false);
    source.setFontName("Liberation Serif");
    source.setColorScheme(2);
    source.setShowFocusRect(false);
    source.setBackColor(0x00C0FFFF);
    source.setBackOver(0x00112233);
    source.setForeColor(0x00445566);
    source.setForeOver(0x00778899);
    source.setMaskColor(0x00FFFFFF);
    source.setHandPointer(true);
    source.setMousePointer(11);
    source.setMouseIcon(picture);
    source.setPictureNormal(QIcon(picture));
    source.setPictureOver(QIcon(picture));
    source.setUseMaskColor(false);
    source.setSoftBevel(true);
    (void)source.setPicturePosition(4);
    source.setUseGreyscale(true);
    source.setSpecialEffect(3);
    source.setCheckBoxBehaviour(true);
    source.setValue(true);
    source.writeProperties(bag);
    QCOMPARE(bag.size(), 23);

    SkinButton copy(&host);
    copy.readProperties(bag);
    QCOMPARE(copy.buttonType(), qint16(14));
    QCOMPARE(copy.caption(), QStringLiteral("Check for Update"));
    QVERIFY(!copy.isEnabled());
    QCOMPARE(copy.fontName(), QStringLiteral("Liberation Serif"));
    QCOMPARE(copy.colorScheme(), qint16(2));
    QVERIFY(!copy.showFocusRect());
    QCOMPARE(copy.backColor(), 0x00C0FFFF);
    QCOMPARE(copy.backOver(), 0x00112233);
    QCOMPARE(copy.foreColor(), 0x00445566);
    QCOMPARE(copy.foreOver(), 0x00778899);
    QCOMPARE(copy.maskColor(), 0x00FFFFFF);
    QCOMPARE(copy.mousePointer(), qint16(11));
    QCOMPARE(copy.mouseIcon().size(), QSize(8, 8));
    QCOMPARE(copy.pictureNormal().pixmap(8, 8).toImage().pixelColor(4, 4), QColor(Qt::red));
    QVERIFY(!copy.pictureOver().isNull());
    QVERIFY(!copy.useMaskColor());
    QVERIFY(copy.softBevel());
    QCOMPARE(copy.picturePosition(), qint16(4));
    QVERIFY(copy.useGreyscale());
    QCOMPARE(copy.specialEffect(), qint16(3));
    QVERIFY(copy.handPointer());
    QVERIFY(copy.checkBoxBehaviour());
    QVERIFY(copy.value());

    // The hover colours default to the colours just read; values out of range read as defaults.
    PropertyBag damaged;
    damaged.WriteProperty("bcol", 0x00010203, QVariant());
    damaged.WriteProperty("FCOL", 0x00040506, QVariant());
    damaged.WriteProperty("BTYPE", QVariant::fromValue(qint16(99)), QVariant());
    damaged.WriteProperty("PICPOS", QVariant::fromValue(qint16(-1)), QVariant());
    copy.readProperties(damaged);
    QCOMPARE(copy.backOver(), 0x00010203);
    QCOMPARE(copy.foreOver(), 0x00040506);
    QCOMPARE(copy.buttonType(), qint16(2));
    QCOMPARE(copy.picturePosition(), qint16(0));
    QVERIFY(copy.isEnabled());
    QCOMPARE(copy.font(), host.font());
}

QTEST_MAIN(TestSkinButton)
#include "tst_skinbutton.moc"
