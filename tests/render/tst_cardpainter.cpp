// What the painter draws, checked without stored pictures: shapes and pictures by the pixels
// their geometry gives, text by where its ink lies and in which colours, as glyphs differ
// from one font version to the next. Then what drawing may cost: one decode per picture file,
// a bounded budget, one image object in a PDF, captions laid out only as far as their box
// shows.
#include "document/carddesign.h"
#include "document/twips.h"
#include "platform/vbcolor.h"
#include "print/layoutcatalog.h"
#include "print/printsheet.h"
#include "render/cardpainter.h"
#include "render/picturestore.h"
#include "render/textlayout.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unistd.h>

Q_DECLARE_METATYPE(CardItem)

namespace {
// A photograph-like picture: a gradient with noise, which no encoder flattens.
QString writePhoto(const QTemporaryDir& dir, const QString& name, QSize size, quint32 seed = 1)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); x += 3)
            image.setPixel(x, y, image.pixel(x, y) ^ (random.generate() & 0x1f1f1f));
    const QString path = dir.filePath(name);
    if (!image.save(path))
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

// A picture of four flat quarters, top-left, top-right, bottom-left, bottom-right.
const QRgb Quarters[4] = {qRgb(220, 30, 30), qRgb(30, 160, 30), qRgb(30, 30, 220),
                          qRgb(250, 200, 0)};

QString writeQuarters(const QTemporaryDir& dir, const QString& name, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const int w = size.width() / 2, h = size.height() / 2;
    QPainter painter(&image);
    painter.fillRect(0, 0, w, h, QColor(Quarters[0]));
    painter.fillRect(w, 0, size.width() - w, h, QColor(Quarters[1]));
    painter.fillRect(0, h, w, size.height() - h, QColor(Quarters[2]));
    painter.fillRect(w, h, size.width() - w, size.height() - h, QColor(Quarters[3]));
    painter.end();
    const QString path = dir.filePath(name);
    if (!image.save(path))
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

CardItem textItem(QRectF box, const QString& caption)
{
    CardItem item = CardDesign::textTemplate();
    item.index = 1;
    item.serial = 1;
    item.visible = true;
    item.left = float(box.x()), item.top = float(box.y());
    item.width = float(box.width()), item.height = float(box.height());
    item.text.caption = caption;
    return item;
}

// Text colours distinct from each other and from the white card.
constexpr qint32 Fill = 0x00C0FFFF, FrontInk = 0x00800000, BackInk = 0x000000FF;

CardItem styledText(QRectF box, const QString& caption, qint16 alignment = 0, qint32 font3D = 0)
{
    CardItem item = textItem(box, caption);
    TextLook& t = item.text;
    t.fontName = QStringLiteral("DejaVu Sans");
    t.fontSize = 14;
    t.bold = true;
    t.alignment = alignment;
    t.font3D = font3D;
    t.backColor = Fill;
    t.frwColor = FrontInk;
    t.bgColor = BackInk;
    return item;
}

enum ShapeStyle { Filled = 1, Outlined = 2 };
constexpr qint32 ShapeFill = 0x0030A0F0;

// A shape sized as the editor sizes one, from the template.
CardItem shapeItem(qint16 kind, QRectF box, int style)
{
    CardItem item = CardDesign::shapeTemplate();
    item.index = 1;
    item.visible = true;
    item.setLeft(float(box.x()));
    item.setTop(float(box.y()));
    (void)item.setWidth(float(box.width()));
    (void)item.setHeight(float(box.height()));
    item.shape.shape = kind;
    item.shape.backColor = ShapeFill;
    item.shape.backStyle = style & Filled ? 1 : 0;
    item.shape.borderStyle = style & Outlined ? 1 : 0;
    return item;
}

CardItem pictureItem(QRectF box, const QString& path)
{
    CardItem item = CardDesign::pictureTemplate();
    item.index = 1;
    item.visible = true;
    item.left = float(box.x()), item.top = float(box.y());
    item.width = float(box.width()), item.height = float(box.height());
    item.toolTipText = path;
    return item;
}

// Device pixels to a screen pixel in the images checked: enough that a one-pixel outline and
// the 20-twip offset of a text's copies span several.
constexpr qreal Zoom = 3;
const QRgb White = qRgb(255, 255, 255);

QRgb rgbOf(qint32 vbColor) { return vbcolor::toQColor(vbColor).rgb(); }

// The item drawn alone on a white card.
QImage painted(const CardItem& item, qreal zoom = Zoom, PictureStore* pictures = nullptr)
{
    QImage image(qCeil(CardDesign::DefaultWidthPixels * zoom),
                 qCeil(CardDesign::DefaultHeightPixels * zoom), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(zoom / TwipsPerPixel, zoom / TwipsPerPixel);
    cardpainter::paintItem(painter, item, {pictures, nullptr});
    return image;
}

// The centre of a device pixel, in card twips.
QPointF twipsAt(int x, int y, qreal zoom = Zoom)
{
    return QPointF(x + 0.5, y + 0.5) * (TwipsPerPixel / zoom);
}

// The device pixels wholly inside a box given in twips.
QRect pixelsWithin(const QRectF& twips, qreal zoom = Zoom)
{
    const qreal k = zoom / TwipsPerPixel;
    return QRect(QPoint(qCeil(twips.left() * k), qCeil(twips.top() * k)),
                 QPoint(qFloor(twips.right() * k) - 1, qFloor(twips.bottom() * k) - 1));
}

// The device pixel under a point given in twips.
QPoint pixelAt(QPointF twips, qreal zoom = Zoom)
{
    const QPointF at = twips * (zoom / TwipsPerPixel);
    return QPoint(qFloor(at.x()), qFloor(at.y()));
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
           && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

QString where(int x, int y, QRgb got, qreal zoom = Zoom)
{
    return QStringLiteral("device pixel %1,%2 (twips %3,%4) is #%5")
        .arg(x)
        .arg(y)
        .arg(twipsAt(x, y, zoom).x())
        .arg(twipsAt(x, y, zoom).y())
        .arg(got & RGB_MASK, 6, 16, QLatin1Char('0'));
}

// --- shapes ---

enum class Zone { Inside, Outside, Edge };

// Where a point lies against a shape drawn in `rect`; a band of `margin` twips either side of
// the outline (its pixel and its antialiasing) is left unjudged, and so are the corners of the
// rounded kinds.
Zone zoneOf(qint16 kind, const QRectF& rect, QPointF p, qreal margin)
{
    if (!rect.adjusted(-margin, -margin, margin, margin).contains(p))
        return Zone::Outside;
    if (kind == ShapeLook::Oval || kind == ShapeLook::Circle) {
        const QPointF c = rect.center();
        const auto within = [&](qreal grow) {
            const qreal dx = (p.x() - c.x()) / (rect.width() / 2 + grow);
            const qreal dy = (p.y() - c.y()) / (rect.height() / 2 + grow);
            return dx * dx + dy * dy <= 1;
        };
        return within(-margin) ? Zone::Inside : within(margin) ? Zone::Edge : Zone::Outside;
    }
    if (!rect.adjusted(margin, margin, -margin, -margin).contains(p))
        return Zone::Edge;
    if (kind == ShapeLook::RoundedRectangle || kind == ShapeLook::RoundedSquare) {
        const qreal corner = qMin(rect.width(), rect.height()) / 4 + margin;
        const bool nearSide = p.x() < rect.left() + corner || p.x() > rect.right() - corner;
        const bool nearEnd = p.y() < rect.top() + corner || p.y() > rect.bottom() - corner;
        if (nearSide && nearEnd)
            return Zone::Edge;
    }
    return Zone::Inside;
}

// --- text ---

// The bounds of the pixels within `area` that are not the paper.
QRect inkBounds(const QImage& image, const QRect& area, QRgb paper)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & RGB_MASK) != (paper & RGB_MASK))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The bounds of the pixels within `area` that are exactly `colour`.
QRect colourBounds(const QImage& image, const QRect& area, QRgb colour)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & RGB_MASK) == (colour & RGB_MASK))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

bool rowInked(const QImage& image, int y, int left, int right, QRgb paper)
{
    for (int x = left; x <= right; ++x)
        if ((image.pixel(x, y) & RGB_MASK) != (paper & RGB_MASK))
            return true;
    return false;
}

// The lines of text within `area`: runs of rows with ink, between rows without.
int inkLines(const QImage& image, const QRect& area, QRgb paper)
{
    int lines = 0;
    bool inLine = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const bool inked = rowInked(image, y, area.left(), area.right(), paper);
        lines += inked && !inLine;
        inLine = inked;
    }
    return lines;
}

// The rows of `area` in which ink runs unbroken from `left` to `right`.
QList<int> rowsInkedAcross(const QImage& image, const QRect& area, int left, int right, QRgb paper)
{
    QList<int> rows;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        bool across = true;
        for (int x = left; x <= right && across; ++x)
            across = (image.pixel(x, y) & RGB_MASK) != (paper & RGB_MASK);
        if (across)
            rows.append(y);
    }
    return rows;
}

QString tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// A widget showing one item, as the card view shows it: the painter's device is the widget.
class ItemView : public QWidget {
public:
    explicit ItemView(const CardItem& item)
        : m_item(item)
    {
        resize(int(CardDesign::DefaultWidthPixels), int(CardDesign::DefaultHeightPixels));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.scale(1 / TwipsPerPixel, 1 / TwipsPerPixel);
        cardpainter::paintItem(painter, m_item);
    }

private:
    CardItem m_item;
};
} // namespace

class CardPainterTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    // A curved shape on pixels is copied from an image kept from an earlier drawing of the same
    // look: a shape that lies elsewhere within a device pixel, or at another scale, is never
    // copied from one that does not.
    void curvedShapesCopiedAsTheyDraw_data()
    {
        QTest::addColumn<qint16>("kind");
        QTest::addColumn<bool>("border");
        QTest::addColumn<QPointF>("apart");
        QTest::addColumn<qreal>("zoom");
        const qint16 oval = ShapeLook::Oval, circle = ShapeLook::Circle;
        const qint16 rounded = ShapeLook::RoundedRectangle,
                     roundedSquare = ShapeLook::RoundedSquare;
        QTest::newRow("oval, half a pixel across") << oval << false << QPointF(7.5, 0) << 1.0;
        QTest::newRow("circle, a quarter down") << circle << true << QPointF(0, 3.75) << 1.0;
        QTest::newRow("rounded, a third of a device pixel")
            << rounded << true << QPointF(1.67, 1.67) << 3.0;
        QTest::newRow("rounded square, whole pixels")
            << roundedSquare << false << QPointF(30, 45) << 2.0;
    }
    void curvedShapesCopiedAsTheyDraw()
    {
        QFETCH(qint16, kind);
        QFETCH(bool, border);
        QFETCH(QPointF, apart);
        QFETCH(qreal, zoom);
        CardItem first;
        first.kind = ElementKind::Shape;
        first.setLeft(300), first.setTop(300), first.setWidth(1500), first.setHeight(900);
        first.shape.shape = kind;
        first.shape.borderStyle = border;
        first.shape.backColor = 0x0030A0F0;
        first.shape.innerWidth = 1100, first.shape.innerHeight = 500;
        CardItem second = first;
        second.setLeft(float(first.left + apart.x()));
        second.setTop(float(first.top + apart.y()));
        cardpainter::clearSharedCaches();
        const QImage alone = painted(second, zoom);
        cardpainter::clearSharedCaches();
        (void)painted(first, zoom);
        QCOMPARE(painted(second, zoom), alone);
        // At another scale it is drawn anew.
        const QImage larger = painted(second, zoom * 2);
        cardpainter::clearSharedCaches();
        QCOMPARE(larger, painted(second, zoom * 2));
    }

    // What a decoder says of a damaged picture stays off the terminal; what can be decoded is.
    void decoderWarningsStayQuiet()
    {
        QTest::failOnWarning(QRegularExpression(".*"));
        QImage photo(300, 200, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(photo.save(&buffer, "JPG"));
        const QString path = m_dir.filePath("cut.jpg");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(jpeg.left(jpeg.size() / 2));
        file.close();
        // libpng writes its errors itself: nothing reaches the standard error.
        QByteArray damaged;
        QBuffer pngBuffer(&damaged);
        pngBuffer.open(QIODevice::WriteOnly);
        QVERIFY(photo.save(&pngBuffer, "PNG"));
        const qsizetype data = damaged.indexOf("IDAT") + 4;
        QVERIFY(data > 4);
        damaged.replace(data, 2, "ga");
        const QString png = m_dir.filePath("damaged.png");
        QFile pngFile(png);
        QVERIFY(pngFile.open(QIODevice::WriteOnly));
        pngFile.write(damaged);
        pngFile.close();
        QTemporaryFile said;
        QVERIFY(said.open());
        std::fflush(stderr);
        const int standardError = ::dup(STDERR_FILENO);
        ::dup2(said.handle(), STDERR_FILENO);
        PictureStore store;
        const QSize jpegSize = store.picture(path).size();
        const bool pngRead = !store.picture(png).isNull();
        std::fflush(stderr);
        ::dup2(standardError, STDERR_FILENO);
        ::close(standardError);
        QCOMPARE(jpegSize, QSize(300, 200));
        QVERIFY(!pngRead);
        QVERIFY(said.seek(0));
        QCOMPARE(said.readAll(), QByteArray());
        QVERIFY(store.takeMessages().isEmpty());
    }

    // --- shapes ---

    void shapesFillTheirOutlineInTheInnerBox_data()
    {
        QTest::addColumn<CardItem>("item");
        QTest::addColumn<QRectF>("drawn"); // twips: the box the kind's outline fills
        // The inner box lies 120 twips in from the element's top-left corner and is 200 twips
        // smaller each way; the square kinds take a square centred in it.
        const QRectF box(600, 300, 2000, 1000);            // inner 720, 420, 1800 x 800
        const QRectF offGrid(407.5, 1203.3, 1717.5, 1031); // inner 527.5, 1323.3, 1517.5 x 831
        QTest::newRow("rectangle")
            << shapeItem(ShapeLook::Rectangle, box, Filled) << QRectF(720, 420, 1800, 800);
        QTest::newRow("square, outlined")
            << shapeItem(ShapeLook::Square, box, Filled | Outlined) << QRectF(1220, 420, 800, 800);
        QTest::newRow("oval, outline only")
            << shapeItem(ShapeLook::Oval, box, Outlined) << QRectF(720, 420, 1800, 800);
        QTest::newRow("circle off the grid")
            << shapeItem(ShapeLook::Circle, offGrid, Filled) << QRectF(870.75, 1323.3, 831, 831);
        QTest::newRow("rounded rectangle off the grid")
            << shapeItem(ShapeLook::RoundedRectangle, offGrid, Filled)
            << QRectF(527.5, 1323.3, 1517.5, 831);
        QTest::newRow("rounded square, outlined")
            << shapeItem(ShapeLook::RoundedSquare, {3000, 1500, 1400, 1100}, Filled | Outlined)
            << QRectF(3270, 1620, 900, 900);
        QTest::newRow("a kind outside the list: a rectangle")
            << shapeItem(7, box, Filled | Outlined) << QRectF(720, 420, 1800, 800);
        // Each side follows on its own: made narrower than 200 twips, the inner box keeps its
        // width while its height still follows; the element's box clips it.
        CardItem narrowed = shapeItem(ShapeLook::Rectangle, box, Filled);
        QVERIFY(narrowed.setWidth(190));
        QVERIFY(narrowed.setHeight(900));
        QTest::newRow("narrower than the inset") << narrowed << QRectF(720, 420, 1800, 700);
    }

    void shapesFillTheirOutlineInTheInnerBox()
    {
        QFETCH(CardItem, item);
        QFETCH(QRectF, drawn);
        const QImage image = painted(item);
        const ShapeLook& shape = item.shape;
        const QRgb fill = shape.backStyle ? rgbOf(shape.backColor) : White;
        // A one-pixel outline and its antialiased edge.
        constexpr qreal Margin = 20;
        const QRectF clip = item.box();
        int inside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QPointF p = twipsAt(x, y);
                const Zone zone = !clip.contains(p) ? Zone::Outside
                                  : clip.adjusted(Margin, Margin, -Margin, -Margin).contains(p)
                                      ? zoneOf(shape.shape, drawn, p, Margin)
                                      : Zone::Edge;
                if (zone == Zone::Edge)
                    continue;
                const QRgb got = image.pixel(x, y);
                const QRgb want = zone == Zone::Inside ? fill : White;
                if (got != want)
                    QFAIL(qPrintable(where(x, y, got)
                                     + (zone == Zone::Inside ? " inside" : " outside")));
                inside += zone == Zone::Inside;
            }
        QVERIFY(inside > 0);

        // The outline lies inside the outline's box: its pixel is black, the one beyond is not.
        const QPointF c = drawn.center();
        const QPointF sides[][2] = {
            {{c.x(), drawn.top() + 7.5}, {c.x(), drawn.top() - 2.5}},
            {{c.x(), drawn.bottom() - 7.5}, {c.x(), drawn.bottom() + 2.5}},
            {{drawn.left() + 7.5, c.y()}, {drawn.left() - 2.5, c.y()}},
            {{drawn.right() - 7.5, c.y()}, {drawn.right() + 2.5, c.y()}},
        };
        for (const auto& [on, beyond] : sides) {
            if (!clip.contains(on))
                continue;
            const QRgb line = image.pixel(pixelAt(on));
            const bool black = qRed(line) < 48 && qGreen(line) < 48 && qBlue(line) < 48;
            QVERIFY2(black == (shape.borderStyle != 0), qPrintable(QString::number(line, 16)));
            if (shape.borderStyle)
                QCOMPARE(image.pixel(pixelAt(beyond)), White);
        }
        // The rounded kinds leave their corners out; the square-cornered kinds fill them.
        const bool rounded =
            shape.shape == ShapeLook::RoundedRectangle || shape.shape == ShapeLook::RoundedSquare;
        const bool elliptic = shape.shape == ShapeLook::Oval || shape.shape == ShapeLook::Circle;
        const QPointF corner = drawn.topLeft() + QPointF(25, 25);
        if (!elliptic && clip.contains(corner))
            QCOMPARE(image.pixel(pixelAt(corner)), rounded ? White : fill);
    }

    void hitsFollowTheOutline_data()
    {
        QTest::addColumn<CardItem>("item");
        QTest::addColumn<QPointF>("point"); // card twips
        QTest::addColumn<bool>("hit");
        // In the box (150, 150, 2000, 1000) the inner box is (270, 270, 1800 x 800); its
        // circle is 800 across, centred at (1170, 670).
        const QRectF box(150, 150, 2000, 1000);
        const CardItem circle = shapeItem(ShapeLook::Circle, box, Filled);
        QTest::newRow("circle, centre") << circle << QPointF(1170, 670) << true;
        QTest::newRow("circle, under a pixel above its top: the antialiased edge")
            << circle << QPointF(1170, 260) << true;
        QTest::newRow("circle, two pixels above its top") << circle << QPointF(1170, 240) << false;
        QTest::newRow("circle, beside it in the inner box") << circle << QPointF(450, 670) << false;
        QTest::newRow("circle, in the corner of its square")
            << circle << QPointF(790, 290) << false;
        const CardItem rectangle = shapeItem(ShapeLook::Rectangle, box, 0);
        QTest::newRow("rectangle, beside where the circle was")
            << rectangle << QPointF(450, 670) << true;
        QTest::newRow("rectangle, in the inset") << rectangle << QPointF(200, 200) << false;
        QTest::newRow("rectangle, past its box") << rectangle << QPointF(2650, 670) << false;
        CardItem wider = rectangle;
        QVERIFY(wider.setWidth(3000));
        QTest::newRow("rectangle made wider") << wider << QPointF(2650, 670) << true;
        CardItem narrower = rectangle;
        QVERIFY(narrower.setWidth(150));
        QTest::newRow("rectangle made narrower: its inner box past the element's box")
            << narrower << QPointF(600, 670) << false;
        QTest::newRow("rectangle made narrower, on its right edge")
            << narrower << QPointF(300, 670) << false;
        QTest::newRow("rectangle made narrower, just inside its right edge")
            << narrower << QPointF(299, 670) << true;
        CardItem hidden = rectangle;
        hidden.visible = false;
        QTest::newRow("hidden") << hidden << QPointF(450, 670) << false;
        const CardItem text = textItem({1000, 500, 600, 300}, "x");
        QTest::newRow("text, the corner of its box") << text << QPointF(1000, 500) << true;
        QTest::newRow("text, past its box") << text << QPointF(1601, 650) << false;
        // The right and bottom edges are where the next pixel starts.
        QTest::newRow("text, on its right edge") << text << QPointF(1600, 650) << false;
        const CardItem picture = pictureItem({1000, 500, 600, 300}, QString());
        QTest::newRow("picture, in its box") << picture << QPointF(1300, 799) << true;
        QTest::newRow("picture, on its bottom edge") << picture << QPointF(1300, 800) << false;
    }

    void hitsFollowTheOutline()
    {
        QFETCH(CardItem, item);
        QFETCH(QPointF, point);
        QFETCH(bool, hit);
        QCOMPARE(cardpainter::hits(item, point), hit);
    }

    // --- pictures ---

    void picturesStretchOverTheirBox_data()
    {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<QRectF>("box");
        QTest::addColumn<bool>("onScreen");
        const QRectF offGrid(2507.5, 95.2, 2001, 1500);
        QTest::newRow("stretched, off the grid") << QSize(40, 30) << offGrid << false;
        QTest::newRow("squeezed into a tall box")
            << QSize(400, 300) << QRectF(300, 300, 600, 1200) << false;
        QTest::newRow("on screen") << QSize(40, 30) << offGrid << true;
        // Drawn from one copy scaled to the view.
        QTest::newRow("on screen, larger than the view")
            << QSize(1200, 900) << QRectF(600, 450, 3000, 2250) << true;
    }

    void picturesStretchOverTheirBox()
    {
        QFETCH(QSize, pictureSize);
        QFETCH(QRectF, box);
        QFETCH(bool, onScreen);
        const QString name =
            QStringLiteral("quarters-%1x%2.png").arg(pictureSize.width()).arg(pictureSize.height());
        const CardItem item = pictureItem(box, writeQuarters(m_dir, name, pictureSize));
        QImage image;
        if (onScreen) {
            ItemView view(item);
            image = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(image.size(), view.size());
        } else {
            image = painted(item, 1);
        }
        // Each quarter's middle shows its colour; the seams between them blur.
        int checked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QPointF p = twipsAt(x, y, 1);
                const QRgb got = image.pixel(x, y);
                if (!box.adjusted(-TwipsPerPixel, -TwipsPerPixel, TwipsPerPixel, TwipsPerPixel)
                         .contains(p)) {
                    if (got != White)
                        QFAIL(qPrintable(where(x, y, got, 1) + " outside the box"));
                    continue;
                }
                const qreal u = (p.x() - box.left()) / box.width();
                const qreal v = (p.y() - box.top()) / box.height();
                constexpr qreal Seam = 0.08;
                if (qAbs(u - 0.5) < Seam || qAbs(v - 0.5) < Seam || u < Seam || u > 1 - Seam
                    || v < Seam || v > 1 - Seam)
                    continue;
                const QRgb want = Quarters[(v > 0.5 ? 2 : 0) + (u > 0.5 ? 1 : 0)];
                if (!near(got, want, 3))
                    QFAIL(qPrintable(where(x, y, got, 1) + " in the wrong quarter's colour"));
                ++checked;
            }
        QVERIFY(checked > 100);
    }

    // On screen a picture larger than the view is scaled down once for the view's size, and
    // every drawing and every use of the file there shares that copy.
    void aScreenCopyIsScaledOncePerViewSize()
    {
        const QString path = writePhoto(m_dir, "screen.png", {1200, 900});
        const int before = cardpainter::screenCopiesScaled();
        ItemView first(pictureItem({300, 300, 1500, 900}, path));
        ItemView second(pictureItem({2000, 600, 600, 450}, m_dir.path() + "/./screen.png"));
        for (QWidget* view : {&first, &first, &second})
            (void)view->grab();
        QCOMPARE(cardpainter::screenCopiesScaled() - before, 1);
        second.resize(200, 150);
        (void)second.grab();
        QCOMPARE(cardpainter::screenCopiesScaled() - before, 2);
    }

    void unreadablePicturesShowTheTemplateIcon_data()
    {
        QTest::addColumn<QString>("path");
        QFile text(m_dir.filePath("text.png"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture\n");
        text.close();
        QFile empty(m_dir.filePath("empty.png"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QTest::newRow("missing") << m_dir.filePath("none.png");
        QTest::newRow("a folder") << m_dir.path();
        QTest::newRow("text named as a picture") << text.fileName();
        QTest::newRow("empty file") << empty.fileName();
        QTest::newRow("no picture chosen yet") << CardDesign::pictureTemplate().toolTipText;
    }

    void unreadablePicturesShowTheTemplateIcon()
    {
        QFETCH(QString, path);
        PictureStore store;
        QVERIFY(store.picture(path).isNull());
        const CardItem item = pictureItem({2507.5, 95.2, 2001, 1500}, path);
        const QImage image = painted(item, 1, &store);
        QImage expected(image.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            painter.scale(1 / TwipsPerPixel, 1 / TwipsPerPixel);
            painter.drawImage(item.box(), PictureStore::templateIcon());
        }
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!near(image.pixel(x, y), expected.pixel(x, y), 2))
                    QFAIL(qPrintable(where(x, y, image.pixel(x, y), 1)));
    }

    // --- text ---

    void textInkLiesInItsBoxAsAligned_data()
    {
        QTest::addColumn<CardItem>("item");
        const QRectF box(1007.5, 733.3, 2213, 517);
        QTest::newRow("left, off the grid") << styledText(box, "Quillmark");
        QTest::newRow("right, back copy past the box's edge") << styledText(box, "Quillmark", 1, 2);
        CardItem centred = styledText(box, "Quillmark", 2, 1);
        centred.text.backStyle = 0;
        QTest::newRow("centred, transparent, front copy offset") << centred;
        CardItem styled = styledText({300, 1500, 3001, 700}, "Under and struck", 1);
        styled.text.underline = styled.text.strikeout = true;
        styled.text.italic = true;
        QTest::newRow("right, underlined, struck out, italic") << styled;
        QTest::newRow("a long caption wrapped past its box's bottom")
            << styledText({600, 300, 1500, 400},
                          "Quillmark cards, a caption long enough to wrap onto many lines", 0, 2);
    }

    void textInkLiesInItsBoxAsAligned()
    {
        QFETCH(CardItem, item);
        const QImage image = painted(item);
        const QRect inBox = pixelsWithin(item.box());
        const QRect around = pixelsWithin(item.box().adjusted(-15, -15, 15, 15));
        // Nothing outside the box; the box filled unless transparent.
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!around.contains(x, y) && image.pixel(x, y) != White)
                    QFAIL(qPrintable(where(x, y, image.pixel(x, y)) + " outside the box"));
        const QRgb paper = item.text.backStyle ? rgbOf(Fill) : White;
        QCOMPARE(image.pixel(inBox.bottomRight()), paper);
        QCOMPARE(image.pixel(inBox.bottomLeft()), paper);

        const QRect ink = inkBounds(image, inBox, paper);
        QVERIFY(!ink.isEmpty());
        QVERIFY(!colourBounds(image, inBox, rgbOf(FrontInk)).isEmpty());
        if (inkLines(image, inBox, paper) > 1)
            return; // alignment is judged on one line
        // Within four pixels of the side it is aligned to (the copy offset and a glyph's side
        // bearing), and well away from the other; centred within two.
        const int slack = int(4 * Zoom), far = int(20 * Zoom);
        switch (item.text.alignment) {
        case 0:
            QVERIFY2(ink.left() - inBox.left() <= slack, qPrintable(QString::number(ink.left())));
            QVERIFY(inBox.right() - ink.right() > far);
            break;
        case 1:
            QVERIFY2(inBox.right() - ink.right() <= slack,
                     qPrintable(QString::number(ink.right())));
            QVERIFY(ink.left() - inBox.left() > far);
            break;
        default:
            QVERIFY2(qAbs(ink.center().x() - inBox.center().x()) <= 2 * Zoom,
                     qPrintable(
                         QString("ink %1, box %2").arg(ink.center().x()).arg(inBox.center().x())));
            QVERIFY(ink.left() - inBox.left() > far);
            break;
        }
    }

    // The back copy, in its own colour, peeks out below and right of the front copy (2) or
    // above and left of it (1); otherwise the front copy hides it.
    void textCopiesTakeTheirColoursAndPlaces_data()
    {
        QTest::addColumn<int>("font3D");
        QTest::newRow("plain") << 0;
        QTest::newRow("edge above and left") << 1;
        QTest::newRow("edge below and right") << 2;
        QTest::newRow("another value: plain") << 3;
    }

    void textCopiesTakeTheirColoursAndPlaces()
    {
        QFETCH(int, font3D);
        const CardItem item = styledText({600, 300, 3000, 900}, "Quillmark", 0, font3D);
        const QImage image = painted(item);
        const QRect inBox = pixelsWithin(item.box());
        const QRect front = colourBounds(image, inBox, rgbOf(FrontInk));
        const QRect back = colourBounds(image, inBox, rgbOf(BackInk));
        QVERIFY(!front.isEmpty());
        // The copies lie 20 twips apart: four device pixels at this zoom.
        const int offset = int(20 * Zoom / TwipsPerPixel);
        switch (font3D) {
        case 1:
            QVERIFY(!back.isEmpty());
            QVERIFY2(front.bottom() - back.bottom() >= offset - 1,
                     qPrintable(QString::number(front.bottom() - back.bottom())));
            QVERIFY(front.right() - back.right() >= offset - 1);
            break;
        case 2:
            QVERIFY(!back.isEmpty());
            QVERIFY2(back.bottom() - front.bottom() >= offset - 1,
                     qPrintable(QString::number(back.bottom() - front.bottom())));
            QVERIFY(back.right() - front.right() >= offset - 1);
            break;
        default: QVERIFY2(back.isEmpty(), "the back copy shows"); break;
        }
    }

    void textWrapsAtSpacesAndLineBreaks_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("fits"); // the box is as wide as this text, and a little more
        QTest::newRow("one line") << "ooo ooo ooo" << 1 << "ooo ooo ooo";
        QTest::newRow("two words a line") << "ooo ooo ooo" << 2 << "ooo ooo";
        QTest::newRow("a word a line") << "ooo ooo ooo" << 3 << "ooo";
        QTest::newRow("line break") << "ooo\nooo" << 2 << "ooo ooo ooo";
        QTest::newRow("carriage return and line break, one break")
            << "ooo\r\nooo" << 2 << "ooo ooo ooo";
        QTest::newRow("a word wider than the box stays whole") << "oooooooooooo" << 1 << "ooo";
    }

    void textWrapsAtSpacesAndLineBreaks()
    {
        QFETCH(QString, caption);
        QFETCH(QString, fits);
        QFETCH(int, lines);
        CardItem item = styledText({600, 300, 0, 2400}, caption);
        item.text.bold = false;
        QFont font(item.text.fontName);
        font.setPointSizeF(item.text.fontSize);
        const QFontMetricsF metrics(font);
        item.width = float((metrics.horizontalAdvance(fits) + 4) * TwipsPerPixel);
        const QImage image = painted(item);
        const QRect inBox = pixelsWithin(item.box());
        QCOMPARE(inkLines(image, inBox, rgbOf(Fill)), lines);
        // No empty line between them.
        QVERIFY(inkBounds(image, inBox, rgbOf(Fill)).height()
                < lines * metrics.lineSpacing() * Zoom);
    }

    void underlineAndStrikeOutRunAcrossTheText_data()
    {
        QTest::addColumn<bool>("underline");
        QTest::addColumn<bool>("strikeout");
        QTest::newRow("underlined") << true << false;
        QTest::newRow("struck out") << false << true;
        QTest::newRow("both") << true << true;
    }

    void underlineAndStrikeOutRunAcrossTheText()
    {
        QFETCH(bool, underline);
        QFETCH(bool, strikeout);
        // Letters apart, so that only a line drawn across them joins them.
        CardItem item = styledText({600, 300, 3000, 900}, "o o o o o");
        const QImage plain = painted(item);
        const QRgb paper = rgbOf(Fill);
        const QRect inBox = pixelsWithin(item.box());
        const QRect letters = inkBounds(plain, inBox, paper);
        const int left = letters.left() + int(Zoom), right = letters.right() - int(Zoom);
        QVERIFY(rowsInkedAcross(plain, inBox, left, right, paper).isEmpty());

        item.text.underline = underline;
        item.text.strikeout = strikeout;
        const QList<int> rows = rowsInkedAcross(painted(item), inBox, left, right, paper);
        const auto any = [&](auto test) { return std::any_of(rows.begin(), rows.end(), test); };
        // Underlined at the letters' foot or below; struck through their middle third.
        const int third = letters.height() / 3;
        QCOMPARE(any([&](int y) { return y >= letters.bottom() - Zoom; }), underline);
        QCOMPARE(
            any([&](int y) { return y > letters.top() + third && y < letters.bottom() - third; }),
            strikeout);
    }

    void unusableFontSizesDrawAtTheTemplatesSize_data()
    {
        QTest::addColumn<float>("size");
        QTest::addColumn<bool>("asTemplate");
        QTest::newRow("zero") << 0.0f << true;
        QTest::newRow("negative") << -3.0f << true;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << true;
        QTest::newRow("infinite") << std::numeric_limits<float>::infinity() << true;
        QTest::newRow("past the largest") << 1.0e9f << true;
        QTest::newRow("usable") << 12.0f << false;
    }

    void unusableFontSizesDrawAtTheTemplatesSize()
    {
        QFETCH(float, size);
        QFETCH(bool, asTemplate);
        CardItem item = textItem({600, 300, 2400, 900}, "Quillmark cards");
        item.text.fontName = QStringLiteral("DejaVu Sans");
        const QImage atTemplateSize = painted(item, 1);
        item.text.fontSize = size;
        QCOMPARE(painted(item, 1) == atTemplateSize, asTemplate);
    }

    // A stored name with the script suffix is drawn in the family before it, not in whatever
    // face stands in for an unknown name.
    void scriptSuffixIsDrawnInTheFaceBeforeIt()
    {
        CardItem item = textItem({600, 300, 2400, 900}, "iiii mmmm");
        item.text.fontSize = 14;
        const auto drawnIn = [&](const QString& name) {
            item.text.fontName = name;
            return painted(item, 1);
        };
        const QImage mono = drawnIn("Liberation Mono");
        if (mono == drawnIn("No Such Face Anywhere"))
            QSKIP("Liberation Mono is not installed");
        QCOMPARE(drawnIn("Liberation Mono (Arabic)"), mono);
    }

    // Right-to-left text is left to drawText, which shapes and places it; both copies are
    // drawn there, back first.
    void rightToLeftTextIsDrawnAsDrawTextDrawsIt_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("alignment");
        const QString hebrew = QString::fromUtf8("שלום עולם, כרטיס ביקור של המשרד הראשי");
        QTest::newRow("left") << hebrew << 0;
        // Where a laid-out line would end up apart from drawText's.
        QTest::newRow("right") << hebrew << 1;
        QTest::newRow("joined script, centred")
            << QString::fromUtf8("مرحبا بالعالم، بطاقة عمل") << 2;
    }

    void rightToLeftTextIsDrawnAsDrawTextDrawsIt()
    {
        QFETCH(QString, caption);
        QFETCH(int, alignment);
        CardItem item = styledText({600, 300, 1500, 900}, caption, qint16(alignment));
        item.text.bold = false;
        item.text.fontSize = 12;
        const QImage image = painted(item, 1);
        QImage expected(image.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(1 / TwipsPerPixel, 1 / TwipsPerPixel);
            painter.translate(item.left, item.top);
            painter.setClipRect(QRectF(0, 0, item.width, item.height));
            painter.fillRect(QRectF(0, 0, item.width, item.height), QColor(rgbOf(Fill)));
            painter.scale(TwipsPerPixel, TwipsPerPixel);
            QFont font(item.text.fontName);
            font.setPointSizeF(item.text.fontSize);
            painter.setFont(font);
            const QRectF pixels(0, 0, item.width / TwipsPerPixel, item.height / TwipsPerPixel);
            const int horizontal = alignment == 1   ? Qt::AlignRight
                                   : alignment == 2 ? Qt::AlignHCenter
                                                    : Qt::AlignLeft;
            const int flags = Qt::AlignTop | horizontal | Qt::TextExpandTabs | Qt::TextWordWrap;
            // The back copy lies exactly behind the front one and is not drawn.
            painter.setPen(QColor(rgbOf(FrontInk)));
            painter.drawText(pixels, flags, item.text.caption);
        }
        QVERIFY(inkLines(image, pixelsWithin(item.box(), 1), rgbOf(Fill)) >= 2);
        int differing = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                differing += !near(image.pixel(x, y), expected.pixel(x, y), 8);
        QVERIFY2(differing <= 20, qPrintable(QString::number(differing)));
    }

    // --- cost ---

    void aFileIsDecodedOncePerIdentity()
    {
        const QString path = writePhoto(m_dir, "same.png", {64, 48});
        QVERIFY(QFile::link(path, m_dir.filePath("link.png")));
        PictureStore store;
        const QString dir = m_dir.path();
        const QImage first = store.picture(path);
        QVERIFY(!first.isNull());
        for (const QString& spelling : {dir + "//same.png", dir + "/./same.png",
                                        dir + "/../" + QFileInfo(dir).fileName() + "/same.png",
                                        dir + "/link.png", "/proc/self/root" + path})
            QCOMPARE(store.picture(spelling).cacheKey(), first.cacheKey());
        QCOMPARE(store.decodes(), 1);

        // Changed under the same name: decoded again, and the new picture is shown.
        writePhoto(m_dir, "same.png", {32, 24}, 2);
        QCOMPARE(store.picture(path).size(), QSize(32, 24));
        QCOMPARE(store.decodes(), 2);
        // What was drawn before keeps its own picture.
        QCOMPARE(first.size(), QSize(64, 48));
    }

    void pictureBeyondTheBudgetIsRefusedOnce()
    {
        // Room for one 200 x 200 picture (160 KB decoded), not two.
        PictureStore store(200 << 10);
        const QString a = writePhoto(m_dir, "a.png", {200, 200});
        const QString b = writePhoto(m_dir, "b.png", {200, 200}, 3);
        store.beginCard();
        QVERIFY(!store.picture(a).isNull());
        QVERIFY(store.picture(b).isNull());
        QVERIFY(store.picture(b).isNull());
        const QStringList messages = store.takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.front().contains(b), qPrintable(messages.front()));
        QCOMPARE(store.decodes(), 1);
        QVERIFY(store.heldBytes() <= 200 << 10);
        // The next card does not use the first picture: it makes room.
        store.beginCard();
        QVERIFY(!store.picture(b).isNull());
    }

    void fiftyUsesMakeOneImageInThePdf()
    {
        CardDesign design;
        const QString photo = writePhoto(m_dir, "fifty.jpg", {400, 300});
        for (int i = 0; i < 50; ++i) {
            CardItem item = CardDesign::pictureTemplate();
            item.index = i + 1;
            item.visible = true;
            item.left = float(i % 10) * 500, item.top = float(i / 10) * 600;
            item.width = 480 + float(i), item.height = 360;
            item.toolTipText = i % 2 ? photo : m_dir.path() + "/./fifty.jpg";
            design.append(item);
        }
        const CardSnapshot snapshot = recordCard(design);
        SheetSpec sheetSpec;
        sheetSpec.snapshot = &snapshot;
        sheetSpec.cardTwips = snapshot.pixelSize * TwipsPerPixel;
        sheetSpec.layout = *layoutcatalog::find("letter-10");
        SheetJob job;
        job.pdfFile = m_dir.filePath("fifty.pdf");
        QVERIFY(printSheet(job, sheetSpec).sent);
        QStringList rows =
            tool("pdfimages", {"-list", job.pdfFile}).split('\n', Qt::SkipEmptyParts);
        // Two heading lines, then one row per use of an image, naming the object it draws.
        QVERIFY2(rows.size() == 2 + 500, qPrintable(rows.join('\n').left(400)));
        QSet<QString> objects;
        for (const QString& row : rows.mid(2))
            objects.insert(row.simplified().section(' ', 10, 10));
        QCOMPARE(objects.size(), 1);
        QVERIFY2(rows.back().contains(QRegularExpression("\\s400\\s+300\\s")),
                 qPrintable(rows.back()));
    }

    // A PDF writes every clip into each state after it: only what can reach past its box (or
    // the card) is clipped, and what lies off the card is not handed over at all.
    void pdfClipsOnlyWhatReachesPastItsBox_data()
    {
        QTest::addColumn<CardItem>("item");
        QTest::addColumn<bool>("clipped");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("a shape in its box")
            << shapeItem(ShapeLook::Oval, {300, 300, 1500, 900}, Filled | Outlined) << false
            << true;
        CardItem outgrown = shapeItem(ShapeLook::Rectangle, {300, 300, 1500, 900}, Filled);
        outgrown.width = 600; // the inner box keeps its size
        QTest::newRow("a shape whose inner box outgrew it") << outgrown << true << true;
        QTest::newRow("a caption that fits, 3-D")
            << styledText({300, 300, 3000, 900}, "Fits", 0, 2) << false << true;
        QTest::newRow("a caption wrapped past its bottom")
            << styledText({600, 300, 1500, 400},
                          "Quillmark cards, a caption long enough to wrap onto many lines", 0, 2)
            << true << true;
        QTest::newRow("a shape past the card's edge")
            << shapeItem(ShapeLook::Oval, {4800, 2700, 1500, 900}, Filled) << true << true;
        QTest::newRow("a shape off the card")
            << shapeItem(ShapeLook::Oval, {6000, 3500, 1500, 900}, Filled) << false << false;
    }

    void pdfClipsOnlyWhatReachesPastItsBox()
    {
        QFETCH(CardItem, item);
        QFETCH(bool, clipped);
        QFETCH(bool, drawn);
        CardDesign design;
        design.append(item);
        const QString path = m_dir.filePath("clips.pdf");
        {
            QPdfWriter writer(path);
            writer.setResolution(600);
            QPainter painter(&writer);
            painter.scale(600 / 1440.0, 600 / 1440.0);
            cardpainter::paintCard(painter, design);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        // The page's text: the one compressed stream that is no image.
        QByteArray page;
        for (qsizetype at = pdf.indexOf(">>\nstream\n"); at >= 0;
             at = pdf.indexOf(">>\nstream\n", at + 1)) {
            const qsizetype start = at + 10, end = pdf.indexOf("endstream", start);
            const QByteArray head = pdf.mid(qMax<qsizetype>(0, at - 200), 200);
            if (end < 0 || !head.contains("FlateDecode") || head.contains("/Image"))
                continue;
            page += qUncompress(QByteArray("\x00\x10\x00\x00", 4) + pdf.mid(start, end - start));
        }
        QVERIFY(page.contains(" re\n"));          // the card's background
        QCOMPARE(page.contains(" n\n"), clipped); // "W n" or "W* n"
        const bool shaped = page.contains("f*\n") || page.contains("B*\n");
        const bool texted = page.contains("BT\n");
        QCOMPARE(shaped || texted, drawn);
    }

    void aLongCaptionIsLaidOutOnlyAsFarAsItsBoxShows()
    {
        QString caption;
        while (caption.size() < 1'000'000)
            caption += QStringLiteral("word%1 ").arg(caption.size() % 977);
        QFont font;
        font.setPointSizeF(9.75);
        const render::TextLayout::Key key{caption, font, 150, true, 60};
        const render::TextLayout bounded(key);
        QVERIFY2(bounded.lineCount() <= 6, qPrintable(QString::number(bounded.lineCount())));
        QVERIFY(bounded.laidOutLength() < 2'000);

        // What the box shows is what the whole layout would show there.
        render::TextLayout::Key wholeKey = key;
        wholeKey.text = caption.left(20'000);
        wholeKey.maxHeight = -1;
        const render::TextLayout whole(wholeKey);
        const auto drawn = [](const render::TextLayout& layout) {
            QImage image(150, 60, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            layout.draw(painter, QRectF(0, 0, 150, 60), Qt::AlignLeft);
            return image;
        };
        QCOMPARE(drawn(bounded), drawn(whole));

        // A printer draws it through the same bounded layout, not through drawText.
        render::TextLayoutCache layouts;
        QPdfWriter writer(m_dir.filePath("caption.pdf"));
        QPainter painter(&writer);
        cardpainter::paintItem(painter, textItem({0, 0, 2250, 900}, caption), {nullptr, &layouts});
        QCOMPARE(layouts.elements(), 1);
    }
};

QTEST_MAIN(CardPainterTest)
#include "tst_cardpainter.moc"
