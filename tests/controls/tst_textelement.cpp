#include "controls/textelement.h"

#include "platform/vbcolor.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {
QFont face(const QString& family, qreal points)
{
    QFont font(family);
    font.setPointSizeF(points);
    return font;
}

// A text item as the editor makes one: from the template's stored values.
void makeTemplate(TextElement& label) { label.readProperties(TextElement::templateProperties()); }

PropertyBag written(const TextElement& label)
{
    PropertyBag bag;
    label.writeProperties(bag);
    return bag;
}

const QStringList Keys{"BackColor",   "ForeColor", "Enabled",   "Font",           "BackStyle",
                       "BorderStyle", "AutoSize",  "Alignment", "Caption",        "FontBold",
                       "FontItalic",  "FontName",  "FontSize",  "FontStrikethru", "FontUnderline",
                       "WordWrap",    "FRWColor",  "BGColor",   "Font3D"};

QPointF front(const TextElement& label) { return label.frontCopyRect().topLeft(); }
QPointF back(const TextElement& label) { return label.backCopyRect().topLeft(); }
} // namespace

class TestTextElement : public QObject {
    Q_OBJECT
private slots:
    void templateStoresOnlyItsOwnValues();
    void roundTripKeepsEveryProperty();
    void bagWithOnlyFont3D();
    void placementFollowsFont3D_data();
    void placementFollowsFont3D();
    void autoSizeFitsTextPlusMargin_data();
    void autoSizeFitsTextPlusMargin();
    void wordWrapKeepsWidthAndGrowsDown();
    void captionRaisesChangeTwiceThenNotice();
    void scriptSuffixDrawsTheFaceBeforeIt();
    void unusableFontSizesAreRefused();
    void mousePositionsAreRelativeToThePartHit();
    void keysAreReported();
    void paintsBoxAndBorderOnlyWhenAsked();
    void copyKeepsEverything();
};

void TestTextElement::templateStoresOnlyItsOwnValues()
{
    QWidget canvas;
    canvas.setFont(face("DejaVu Sans", 11));
    TextElement label(&canvas);
    makeTemplate(label);
    QCOMPARE(label.fontName(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(label.fontSize(), 9.75f);
    QCOMPARE(front(label), QPointF(0, 0));

    // Written back, only the template's keys are stored: the rest are at their defaults.
    const PropertyBag bag = written(label);
    const QStringList stored{"BackColor", "Font",     "AutoSize", "Caption",
                             "FontName",  "FontSize", "FRWColor", "Font3D"};
    for (const QString& key : Keys)
        QVERIFY2(bag.contains(key) == stored.contains(key), qPrintable(key));
}

void TestTextElement::roundTripKeepsEveryProperty()
{
    QWidget canvas;
    TextElement source(&canvas);
    source.setBackColor(0x00123456);
    source.setForeColor(0x00654321);
    source.setTextEnabled(false);
    source.setFontName("Tahoma (Arabic)");
    source.setFontSize(14.25f);
    source.setFontBold(true);
    source.setFontItalic(true);
    source.setFontStrikethru(true);
    source.setFontUnderline(true);
    source.setBackStyle(0);
    source.setBorderStyle(1);
    source.setAlignment(TextElement::Center);
    source.setCaption("Jane Doe");
    source.setWordWrap(true);
    source.setFrwColor(0x000000FF);
    source.setBgColor(0x0000FF00);
    source.setFont3D(2);

    const PropertyBag bag = written(source);
    QCOMPARE(bag.size(), Keys.size() - 1); // AutoSize stayed at its default
    TextElement target(&canvas);
    target.readProperties(bag);
    const PropertyBag again = written(target);
    for (const QString& key : Keys)
        QVERIFY2(again.ReadProperty(key, {}) == bag.ReadProperty(key, {}), qPrintable(key));
    QCOMPARE(target.fontName(), QStringLiteral("Tahoma (Arabic)"));
    QCOMPARE(back(target), QPointF(20, 20));

    // Keys match whatever their spelling.
    PropertyBag shouting;
    shouting.WriteProperty("CAPTION", QStringLiteral("loud"), QVariant());
    shouting.WriteProperty("frwcolor", 0x00ABCDEF, QVariant());
    target.readProperties(shouting);
    QCOMPARE(target.caption(), QStringLiteral("loud"));
    QCOMPARE(target.frwColor(), 0x00ABCDEF);
}

void TestTextElement::bagWithOnlyFont3D()
{
    QWidget canvas;
    canvas.setFont(face("DejaVu Serif", 13));
    TextElement label(&canvas);
    PropertyBag bag;
    bag.WriteProperty("Font3D", 0, QVariant());
    label.readProperties(bag);
    QCOMPARE(front(label), QPointF(0, 0));
    QCOMPARE(back(label), QPointF(0, 0));
    QCOMPARE(label.caption(), QStringLiteral("Label1"));
    QCOMPARE(label.fontName(), QString());
    // A missing size reads as 0, which cannot be drawn: the ambient font's size stays.
    QCOMPARE(label.fontSize(), 13.0f);
}

void TestTextElement::placementFollowsFont3D_data()
{
    QTest::addColumn<int>("font3D");
    QTest::addColumn<QPointF>("l1");
    QTest::addColumn<QPointF>("l2");
    QTest::newRow("plain") << 0 << QPointF(0, 0) << QPointF(0, 0);
    QTest::newRow("edge above left") << 1 << QPointF(20, 20) << QPointF(0, 0);
    QTest::newRow("edge below right") << 2 << QPointF(0, 0) << QPointF(20, 20);
    // Any other value leaves the copies where the previous value (2) put them.
    QTest::newRow("other") << 3 << QPointF(0, 0) << QPointF(20, 20);
}

void TestTextElement::placementFollowsFont3D()
{
    QFETCH(int, font3D);
    QFETCH(QPointF, l1);
    QFETCH(QPointF, l2);
    TextElement label;
    makeTemplate(label);
    label.setFont3D(2);
    label.setFont3D(font3D);
    QCOMPARE(label.font3D(), font3D);
    QCOMPARE(front(label), l1);
    QCOMPARE(back(label), l2);
    // Without auto-size both copies take the element's full size wherever they stand.
    label.setBox(0, 0, 2000, 600);
    QCOMPARE(label.frontCopyRect().size(), QSizeF(2000, 600));
    QCOMPARE(label.backCopyRect().size(), QSizeF(2000, 600));
}

void TestTextElement::autoSizeFitsTextPlusMargin_data()
{
    QTest::addColumn<int>("borderStyle");
    QTest::addColumn<float>("margin");
    QTest::newRow("no border") << 0 << 20.0f;
    QTest::newRow("single line") << 1 << 70.0f;
}

void TestTextElement::autoSizeFitsTextPlusMargin()
{
    QFETCH(int, borderStyle);
    QFETCH(float, margin);
    TextElement label;
    makeTemplate(label);
    label.setBox(300, 300, 1380, 330);
    label.setFontName("DejaVu Sans");
    label.setFontSize(12);
    label.setBorderStyle(qint16(borderStyle));
    label.setCaption("Acme Widgets Ltd");
    label.setAutoSize(true);

    const QFontMetricsF metrics(face("DejaVu Sans", 12));
    const float textWidth = float(metrics.horizontalAdvance("Acme Widgets Ltd") * 15);
    const float textHeight = float(metrics.height() * 15);
    QCOMPARE(float(label.frontCopyRect().width()), textWidth);
    QCOMPARE(float(label.frontCopyRect().height()), textHeight);
    QCOMPARE(label.widthTwips(), textWidth + margin);
    QCOMPARE(label.heightTwips(), textHeight + margin);

    // The fit is the resize handler: a size set by hand snaps back.
    label.setWidth(5000);
    QCOMPARE(label.widthTwips(), textWidth + margin);
    QCOMPARE(label.left(), 300.0f);
}

void TestTextElement::wordWrapKeepsWidthAndGrowsDown()
{
    TextElement label;
    makeTemplate(label);
    label.setAutoSize(true);
    label.setCaption("Wide");
    const QRectF narrow = label.frontCopyRect();
    label.setWordWrap(true);
    label.setCaption("Wide words wrap onto several lines");
    QCOMPARE(label.frontCopyRect().width(), narrow.width());
    QVERIFY(label.frontCopyRect().height() >= 3 * narrow.height());
    QCOMPARE(label.heightTwips(), float(label.frontCopyRect().height()) + 20);
}

void TestTextElement::captionRaisesChangeTwiceThenNotice()
{
    TextElement label;
    makeTemplate(label);
    label.setAutoSize(true);
    const float before = label.widthTwips();
    QStringList events;
    QList<float> widths;
    connect(&label, &TextElement::captionChanged, this, [&] {
        events << "Change";
        widths << label.widthTwips();
    });
    connect(&label, &CardElement::propertyChanged, this,
            [&](const QString& name) { events << name; });

    label.setCaption("A much longer caption than before");
    QCOMPARE(events, QStringList({"Change", "Change", "Caption"}));
    // The front copy's change is followed by a fit before the back copy changes.
    QCOMPARE(widths.at(0), before);
    QVERIFY(widths.at(1) > before);
    QCOMPARE(label.widthTwips(), widths.at(1));
}

void TestTextElement::scriptSuffixDrawsTheFaceBeforeIt()
{
    TextElement label;
    makeTemplate(label);
    label.setAutoSize(true);
    label.setCaption("iiii");
    label.setFontSize(12);
    label.setFontName("Liberation Mono (Arabic)");
    QCOMPARE(label.fontName(), QStringLiteral("Liberation Mono (Arabic)"));
    QCOMPARE(label.renderedFont().family(), QStringLiteral("Liberation Mono"));
    // Sized in the monospaced face, not in a fallback for the unknown full name.
    const QFontMetricsF mono(face("Liberation Mono", 12));
    QCOMPARE(float(label.frontCopyRect().width()), float(mono.horizontalAdvance("iiii") * 15));
    label.setFontName("(Arabic)");
    QCOMPARE(label.renderedFont().family(), QStringLiteral("(Arabic)"));
}

void TestTextElement::unusableFontSizesAreRefused()
{
    TextElement label;
    makeTemplate(label);
    QSignalSpy notices(&label, &CardElement::propertyChanged);
    for (float size : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(), 1.0e9f})
        QVERIFY(!label.setFontSize(size));
    QCOMPARE(label.fontSize(), 9.75f);
    QCOMPARE(notices.size(), 0);
    QVERIFY(label.setFontSize(120));
    QCOMPARE(notices.at(0).at(0).toString(), QStringLiteral("FontSize"));
}

void TestTextElement::mousePositionsAreRelativeToThePartHit()
{
    QWidget canvas;
    canvas.resize(400, 200);
    TextElement label(&canvas);
    makeTemplate(label);
    label.setFontSize(12);
    label.setCaption("Hit me");
    label.setBorderStyle(1); // the wider margin leaves room beside the copies
    label.setAutoSize(true);
    label.setFont3D(2); // front at (0, 0), back at (20, 20)
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));

    QSignalSpy downs(&label, &CardElement::mousePressed);
    const auto pressAt = [&](QPoint pixel) {
        QTest::mouseClick(&label, Qt::LeftButton, {}, pixel);
        return QPointF(downs.last().at(2).toFloat(), downs.last().at(3).toFloat());
    };
    const qreal textWidth = label.frontCopyRect().width();
    // Where both copies lie, the front one takes the press.
    QCOMPARE(pressAt(QPoint(3, 3)), QPointF(45, 45));
    // Only the back copy: relative to its corner at (20, 20).
    const int pastFront = int(textWidth / 15) + 1;
    QCOMPARE(pressAt(QPoint(pastFront, 2)), QPointF(pastFront * 15 - 20, 10));
    // Neither copy: the element's own coordinates.
    const int pastBack = int((textWidth + 20) / 15) + 1;
    QCOMPARE(pressAt(QPoint(pastBack, 0)), QPointF(pastBack * 15, 0));
}

void TestTextElement::keysAreReported()
{
    TextElement label;
    QSignalSpy downs(&label, &CardElement::keyDown);
    QSignalSpy presses(&label, &CardElement::keyPressed);
    QSignalSpy ups(&label, &CardElement::keyUp);
    QTest::keyClick(&label, Qt::Key_A);
    QTest::keyClick(&label, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(downs.at(0), QVariantList({65, 0}));
    QCOMPARE(downs.at(1), QVariantList({16, 1})); // the Shift key itself comes first
    QCOMPARE(downs.at(2), QVariantList({37, 1}));
    QCOMPARE(presses, QList<QVariantList>{{97}}); // only the letter types something
    QCOMPARE(ups.at(0), QVariantList({65, 0}));
}

void TestTextElement::paintsBoxAndBorderOnlyWhenAsked()
{
    TextElement label;
    makeTemplate(label);
    label.setBox(0, 0, 1500, 600);
    label.setCaption("Ink");
    label.setBackColor(0x000000FF); // red
    label.setBorderStyle(1);
    const auto render = [&] {
        QImage image(100, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.scale(1.0 / 15, 1.0 / 15);
        label.paintTwips(painter);
        return image;
    };
    QImage image = render();
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));   // border
    QCOMPARE(image.pixelColor(50, 30), QColor(255, 0, 0)); // box, away from the text
    int inked = 0;
    for (int x = 1; x < 30; ++x)
        for (int y = 1; y < 15; ++y)
            inked += image.pixelColor(x, y).red() < 128;
    QVERIFY(inked > 10); // the black caption

    label.setBorderStyle(0);
    label.setBackStyle(0);
    image = render();
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(50, 30).alpha(), 0);
}

void TestTextElement::copyKeepsEverything()
{
    QWidget canvas;
    canvas.setFont(face("DejaVu Sans", 10));
    QWidget otherCanvas;
    otherCanvas.setFont(face("DejaVu Serif", 16));

    TextElement original(&canvas);
    makeTemplate(original);
    original.setStoredFont(canvas.font()); // the ambient font, which a bag would not keep
    original.setFont3D(1);
    original.setFont3D(7); // the copies stay where Font3D 1 put them
    original.setBgColor(0x00112233);
    original.setBackStyle(0);
    original.setCaption("Template copy");

    TextElement copy(&otherCanvas);
    copy.copyElementFrom(original);
    copy.copyPropertiesFrom(original);
    QCOMPARE(copy.storedFont(), original.storedFont());
    QCOMPARE(copy.font3D(), 7);
    QCOMPARE(copy.bgColor(), 0x00112233);
    QCOMPARE(copy.backStyle(), qint16(0));
    QCOMPARE(copy.frontCopyRect(), original.frontCopyRect());
    QCOMPARE(copy.backCopyRect(), original.backCopyRect());
}

QTEST_MAIN(TestTextElement)
#include "tst_textelement.moc"
