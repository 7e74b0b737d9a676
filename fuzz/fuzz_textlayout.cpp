// Lays out and paints any caption in any box at any font size, as a card draws a text item:
// three bytes of box width and three of height (pixels, up to 16 million), a byte of font size
// (quarter points), a byte of alignment and style, and the caption as UTF-8. What is laid out
// is bounded by what the card shows, however large the box or long the caption; the caption
// itself is never changed.
#include "document/twips.h"
#include "render/cardpainter.h"
#include "render/textlayout.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>

namespace {
void require(bool condition)
{
    if (!condition)
        std::abort();
}

int number(const uint8_t* data, int bytes)
{
    int value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | data[i];
    return value;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t Head = 8;
    if (size < Head)
        return 0;
    CardItem item;
    item.kind = ElementKind::Text;
    item.index = 1;
    item.serial = 1;
    item.left = float(number(data + 6, 1) % 8) * -1000;
    item.top = 0;
    item.width = float(number(data, 3) + 1) * TwipsPerPixel;
    item.height = float(number(data + 3, 3) + 1) * TwipsPerPixel;
    item.text.fontSize = float(data[6] + 1) / 4;
    item.text.alignment = qint16(data[7] % 3);
    item.text.font3D = data[7] / 3 % 3;
    item.text.bold = data[7] & 0x40;
    item.text.caption =
        QString::fromUtf8(reinterpret_cast<const char*>(data + Head), qsizetype(size - Head));
    const QString caption = item.text.caption;

    // On a card of the largest size, through the painter, with a cache of its own.
    QImage card(385, 210, QImage::Format_RGB32);
    card.fill(Qt::white);
    {
        QPainter painter(&card);
        painter.scale(1.0 / TwipsPerPixel, 1.0 / TwipsPerPixel);
        render::TextLayoutCache layouts;
        cardpainter::paintItem(painter, item, {nullptr, &layouts},
                               QSizeF(385 * TwipsPerPixel, 210 * TwipsPerPixel));
    }
    require(item.text.caption == caption);

    // And the layout alone, bounded by the card's part of the box.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(item.text.fontSize);
    const qreal width = item.width / TwipsPerPixel;
    const render::TextLayout layout({caption, font, width, item.text.alignment == 0,
                                     qMin<qreal>(item.height / TwipsPerPixel, 210),
                                     qMin<qreal>(width, 385 - item.left / TwipsPerPixel)});
    require(layout.key().text == caption);
    require(layout.laidOutLength() <= caption.size());
    return 0;
}
