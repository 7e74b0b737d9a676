// The painter against the element widgets it replaces, and what drawing may cost: one decode
// per picture file, a bounded budget, one image object in a PDF, captions laid out only as
// far as their box shows.
#include "controls/pictureelement.h"
#include "controls/shapeelement.h"
#include "controls/textelement.h"
#include "document/carddesign.h"
#include "document/twips.h"
#include "print/layoutcatalog.h"
#include "print/printsheet.h"
#include "render/cardpainter.h"
#include "render/picturestore.h"
#include "render/textlayout.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

// Today's element widget showing what the item describes.
std::unique_ptr<CardElement> widgetFor(const CardItem& item)
{
    std::unique_ptr<CardElement> widget;
    if (item.kind == ElementKind::Text) {
        auto text = std::make_unique<TextElement>();
        const TextLook& t = item.text;
        text->readProperties(TextElement::templateProperties());
        text->setCaption(t.caption);
        text->setBackColor(t.backColor);
        text->setBackStyle(t.backStyle);
        text->setFrwColor(t.frwColor);
        text->setBgColor(t.bgColor);
        text->setFontName(t.fontName);
        (void)text->setFontSize(t.fontSize);
        text->setFontBold(t.bold);
        text->setFontItalic(t.italic);
        text->setFontUnderline(t.underline);
        text->setFontStrikethru(t.strikeout);
        text->setAlignment(t.alignment);
        text->setFont3D(t.font3D);
        widget = std::move(text);
    } else if (item.kind == ElementKind::Shape) {
        auto shape = std::make_unique<ShapeElement>();
        shape->readProperties(ShapeElement::templateProperties());
        (void)shape->setShape(item.shape.shape);
        shape->setBackColor(item.shape.backColor);
        shape->setBackStyle(item.shape.backStyle);
        shape->setBorderStyle(item.shape.borderStyle);
        widget = std::move(shape);
    } else {
        auto picture = std::make_unique<PictureElement>();
        picture->setPicture(PictureStore::templateIcon());
        picture->loadPicture(item.picturePath());
        widget = std::move(picture);
    }
    widget->setBox(item.left, item.top, item.width, item.height);
    return widget;
}

QImage blankCard()
{
    QImage image(360, 210, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

QString tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}
} // namespace

class CardPainterTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void drawsAsTheWidgetsDid_data()
    {
        QTest::addColumn<CardItem>("item");
        const QString caption = QStringLiteral("Quillmark cards\nsecond line, long enough to wrap");
        CardItem plain = textItem({1007.5, 733.3, 2213, 517}, caption);
        QTest::newRow("text, front copy offset, off the grid") << [&] {
            CardItem item = plain;
            item.text.font3D = 1;
            item.text.bgColor = 0x0000C0FF;
            return item;
        }();
        QTest::newRow("text, back copy offset, transparent, centred") << [&] {
            CardItem item = plain;
            item.text.font3D = 2;
            item.text.backStyle = 0;
            item.text.alignment = 2;
            item.text.bold = item.text.italic = item.text.underline = true;
            item.text.fontSize = 14.25f;
            return item;
        }();
        QTest::newRow("text, right, struck out, tab") << [&] {
            CardItem item = textItem({302, 1500, 3001, 700}, "A\tB struck through");
            item.text.alignment = 1;
            item.text.strikeout = true;
            item.text.frwColor = 0x000000FF;
            return item;
        }();
        QTest::newRow("text right to left, drawn as drawText draws it") << textItem(
            {600, 300, 1500, 900}, QString::fromUtf8("שלום עולם, כרטיס ביקור של המשרד הראשי"));
        for (const qint16 kind : {ShapeLook::Oval, ShapeLook::RoundedSquare, ShapeLook::Circle}) {
            CardItem item = CardDesign::shapeTemplate();
            item.index = 1;
            item.visible = true;
            item.setLeft(407.5f);
            item.setTop(1203.3f);
            (void)item.setWidth(1717.5f);
            (void)item.setHeight(1031);
            item.shape.shape = kind;
            item.shape.borderStyle = kind == ShapeLook::Circle ? 0 : 1;
            item.shape.backStyle = kind == ShapeLook::Oval ? 0 : 1;
            QTest::newRow(qPrintable(QString("shape %1").arg(kind))) << item;
        }
        CardItem picture = CardDesign::pictureTemplate();
        picture.index = 1;
        picture.visible = true;
        picture.left = 2507.5f, picture.top = 95.2f, picture.width = 2001, picture.height = 1500;
        picture.toolTipText = writePhoto(m_dir, "compare.png", {120, 90});
        QTest::newRow("picture, stretched, off the grid") << picture;
        picture.toolTipText = m_dir.filePath("none.png");
        QTest::newRow("picture that cannot be read: the template icon") << picture;
    }

    void drawsAsTheWidgetsDid()
    {
        QFETCH(CardItem, item);
        const std::unique_ptr<CardElement> widget = widgetFor(item);
        QImage before = blankCard();
        {
            // As a widget paints itself, at its exact box rather than its pixel position.
            QPainter painter(&before);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(1 / TwipsPerPixel, 1 / TwipsPerPixel);
            painter.translate(item.left, item.top);
            painter.setClipRect(QRectF(0, 0, item.width, item.height));
            widget->paintTwips(painter);
        }
        QImage after = blankCard();
        {
            QPainter painter(&after);
            painter.scale(1 / TwipsPerPixel, 1 / TwipsPerPixel);
            cardpainter::paintItem(painter, item);
        }
        QVERIFY(before != blankCard());
        // Antialiased edges may round apart; nothing else may differ.
        int differing = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x) {
                const QColor a = before.pixelColor(x, y), b = after.pixelColor(x, y);
                const int d = qMax(qAbs(a.red() - b.red()),
                                   qMax(qAbs(a.green() - b.green()), qAbs(a.blue() - b.blue())));
                QVERIFY2(d <= 48, qPrintable(QString("at %1,%2: %3").arg(x).arg(y).arg(d)));
                differing += d > 2;
            }
        QVERIFY2(differing <= 20, qPrintable(QString::number(differing)));
    }

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
        SheetSpec spec;
        spec.snapshot = &snapshot;
        spec.cardTwips = snapshot.pixelSize * TwipsPerPixel;
        spec.layout = *layoutcatalog::find("letter-10");
        SheetJob job;
        job.pdfFile = m_dir.filePath("fifty.pdf");
        QVERIFY(printSheet(job, spec).sent);
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
