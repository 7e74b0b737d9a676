// The card editor's card file operations: Save, Save As, and writing and reading the design.
#include "canvas/cardeditor.h"

#include "document/cardfile.h"
#include "document/wholefile.h"
#include "platform/filefilter.h"
#include "platform/platform.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
// A field that did not convert leaves its property as it was.
template <class V, class Setter>
void apply(const std::optional<V>& value, Setter&& set)
{
    if (value)
        set(*value);
}

// A card must stay on screen and within what a widget can measure; any other size in a file
// leaves that dimension as it was.
bool isCardSize(float pixels)
{
    return std::isfinite(pixels) && pixels > 0 && pixels <= float(QWIDGETSIZE_MAX);
}

// The position and size fields shared by every element record.
template <class Fields>
void applyBox(CardElement* element, const Fields& f)
{
    apply(f.width, [&](float v) { element->setWidth(v); });
    apply(f.height, [&](float v) { element->setHeight(v); });
    apply(f.left, [&](float v) { element->setLeft(v); });
    apply(f.top, [&](float v) { element->setTop(v); });
}
} // namespace

// ---- Writing ---------------------------------------------------------------------------

QByteArray CardEditor::cardBytes() const
{
    cardfile::CardWriter writer;
    writer.writeCard({m_canvas->Width(), m_canvas->Height(), m_canvas->BackColor()});

    // Elements in the order they were created; the templates, made first, lead each kind.
    struct Visit {
        quint64 serial;
        const CardElement* element;
        int index;
    };
    std::vector<Visit> visits;
    for (const auto& e : texts.entries())
        visits.push_back({e.serial, e.widget, e.index});
    for (const auto& e : shapes.entries())
        visits.push_back({e.serial, e.widget, e.index});
    for (const auto& e : pictures.entries())
        visits.push_back({e.serial, e.widget, e.index});
    std::sort(visits.begin(), visits.end(),
              [](const Visit& a, const Visit& b) { return a.serial < b.serial; });

    for (const Visit& visit : visits) {
        // Each record comes from an element of its own kind carrying its kind's marker.
        if (auto* label = qobject_cast<const TextElement*>(visit.element);
            label && label->ToolTipText() == QLatin1String("Text")) {
            writer.writeLabel({label->Caption(), label->Width(), label->Height(), label->Left(),
                               label->Top(), label->BackColor(), label->FRWColor(),
                               label->BackStyle(), storedFontName(label->FontName()),
                               label->FontSize(), label->FontBold(), label->FontUnderline(),
                               label->FontItalic(), label->Alignment(), textReserve.at(visit.index),
                               label->Tag(), label->ToolTipText()});
        }
        if (auto* image = qobject_cast<const PictureElement*>(visit.element);
            image && image->Tag() == QLatin1String("img")) {
            writer.writeImage({image->Width(), image->Height(), image->Left(), image->Top(),
                               image->ToolTipText(), pictureReserve.at(visit.index), image->Tag()});
        }
        if (auto* shape = qobject_cast<const ShapeElement*>(visit.element);
            shape && shape->ToolTipText() == QLatin1String("Shape")) {
            writer.writeShape({shape->Width(), shape->Height(), shape->Left(), shape->Top(),
                               shape->BackColor(), qint16(shape->Shape())});
        }
    }

    return writer.bytes();
}

bool CardEditor::write(const QString& path, QString* error) const
{
    // The earlier file stays whole until the new one is complete.
    return writeWholeFile(path, cardBytes(), error);
}

bool CardEditor::saveTo(const QString& path)
{
    QString error;
    if (write(path, &error))
        return true;
    Platform::instance().messageBox(
        m_host, QString("The card could not be saved to \"%1\".\n\n%2").arg(path, error), "Save",
        QMessageBox::Ok, QMessageBox::Critical);
    return false;
}

void CardEditor::save() { saveTo(m_cardFileName); }

void CardEditor::saveAs()
{
    const QString path = Platform::instance().saveFileName(m_host, CardFilter);
    if (path.isEmpty())
        return;
    saveTo(path);
    setCardFileName(path);
}

// ---- Reading ---------------------------------------------------------------------------

RegularFileRead CardEditor::readCardFile(const QString& path) const
{
    return readRegularFile(path, MaxCardFileBytes);
}

void CardEditor::reportUnreadable(const QString& path, const QString& reason) const
{
    Platform::instance().messageBox(
        m_host, QString("The card could not be opened from \"%1\".\n\n%2").arg(path, reason),
        "Open", QMessageBox::Ok, QMessageBox::Critical);
}

bool CardEditor::load(const QString& path)
{
    const RegularFileRead read = readCardFile(path);
    if (!read.ok()) {
        // A missing file is a new card; a FIFO, a device or a huge file is worth a word.
        if (read.status == RegularFileRead::NotRegular || read.status == RegularFileRead::TooLarge)
            reportUnreadable(path, read.error);
        return false;
    }
    loadBytes(read.bytes);
    return true;
}

void CardEditor::loadBytes(const QByteArray& bytes)
{
    shapes[0]->hide();
    textCount = pictureCount = shapeCount = 0;

    // Beyond some tens of thousands of overlapping widgets the toolkit's painting runs out of
    // stack; a file with more elements is read up to the cap.
    int elements = 0;
    bool leftOut = false;
    cardfile::CardReader reader(bytes);
    while (const auto record = reader.next()) {
        const cardfile::RecordKind kind = record->kind();
        if (kind != cardfile::RecordKind::Card && kind != cardfile::RecordKind::Other
            && elements++ >= MaxElements) {
            leftOut = true;
            continue;
        }
        switch (kind) {
        case cardfile::RecordKind::Card: {
            const auto f = cardfile::cardFields(*record);
            apply(f.width, [&](float v) {
                if (isCardSize(v))
                    m_canvas->setCardWidth(v);
            });
            apply(f.height, [&](float v) {
                if (isCardSize(v))
                    m_canvas->setCardHeight(v);
            });
            apply(f.backColor, [&](qint32 v) { m_canvas->setBackColor(v); });
            break;
        }
        case cardfile::RecordKind::Label: {
            texts.load(textCount);
            TextElement* item = texts[textCount];
            const auto f = cardfile::labelFields(*record);
            apply(f.caption, [&](const QString& v) { item->setCaption(v); });
            applyBox(item, f);
            apply(f.backColor, [&](qint32 v) { item->setBackColor(v); });
            apply(f.frwColor, [&](qint32 v) { item->setFRWColor(v); });
            apply(f.fontName, [&](const QString& v) { item->setFontName(v); });
            apply(f.fontSize, [&](float v) { item->setFontSize(v); });
            apply(f.bold, [&](bool v) { item->setFontBold(v); });
            apply(f.underline, [&](bool v) { item->setFontUnderline(v); });
            apply(f.italic, [&](bool v) { item->setFontItalic(v); });
            apply(f.alignment, [&](qint16 v) { item->setAlignment(v); });
            apply(f.tag, [&](const QString& v) { item->setTag(v); });
            apply(f.toolTip, [&](const QString& v) { item->setToolTipText(v); });
            // A new member is already in front; raising it again would make reading quadratic.
            if (m_canvas->children().constLast() != item)
                item->raise();
            textReserve.store(textCount, f.reserved.value_or(QString()));
            item->show();
            incrementCounter(textCount);
            break;
        }
        case cardfile::RecordKind::Image: {
            pictures.load(pictureCount);
            PictureElement* picture = pictures[pictureCount];
            const auto f = cardfile::imageFields(*record);
            applyBox(picture, f);
            apply(f.path, [&](const QString& v) { picture->setToolTipText(v); });
            picture->setStretch(true);
            picture->show();
            if (f.path)
                picture->loadPicture(*f.path);
            pictureReserve.store(pictureCount, f.reserved.value_or(QString()));
            incrementCounter(pictureCount);
            break;
        }
        case cardfile::RecordKind::Shape: {
            shapes.load(shapeCount);
            ShapeElement* shape = shapes[shapeCount];
            const auto f = cardfile::shapeFields(*record);
            applyBox(shape, f);
            apply(f.backColor, [&](qint32 v) { shape->setBackColor(v); });
            apply(f.shape, [&](qint16 v) { (void)shape->setShape(v); });
            shape->show();
            incrementCounter(shapeCount);
            break;
        }
        case cardfile::RecordKind::Other: break;
        }
    }

    shapes[0]->hide();
    texts[0]->hide();
    pictures[0]->hide();
    raiseHandles();
    if (leftOut)
        Platform::instance().messageBox(
            m_host,
            QString("The card has more elements than can be shown. Only the first %1 were read.")
                .arg(MaxElements),
            "Open", QMessageBox::Ok, QMessageBox::Warning);
}

// The window as a fresh start has it: the empty default card with only the hidden templates.
void CardEditor::reset()
{
    texts.clear();
    pictures.clear();
    shapes.clear();
    applyTemplateDesign();
    hideHandles();
    m_canvas->setCardWidth(CardCanvas::DefaultWidth);
    m_canvas->setCardHeight(CardCanvas::DefaultHeight);
    m_canvas->setBackColor(CardCanvas::DefaultBackColor);
    m_cardFileName.clear();
    // The selection survives; the other editor state starts afresh.
    m_lastAddedKind.reset();
    m_sheetPrimed = false;
    setPointerShape(Qt::ArrowCursor);
}
