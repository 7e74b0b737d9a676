// The card editor's card file operations: Save, Save As, and writing and reading the design.
#include "canvas/cardeditor.h"

#include "document/cardfile.h"
#include "document/wholefile.h"
#include "platform/filefilter.h"
#include "platform/platform.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

// ---- The design as a value ------------------------------------------------------------

namespace {
void readBox(CardItem& item, const CardElement& element, quint64 serial)
{
    item.index = element.index();
    item.serial = serial;
    item.visible = !element.isHidden();
    item.left = element.left();
    item.top = element.top();
    item.width = element.widthTwips();
    item.height = element.heightTwips();
    item.toolTipText = element.toolTipText();
    item.tag = element.tag();
}

CardItem textItem(const TextElement& e, quint64 serial)
{
    CardItem item;
    item.kind = ElementKind::Text;
    readBox(item, e, serial);
    TextLook& t = item.text;
    t.caption = e.caption();
    t.backColor = e.backColor();
    t.frwColor = e.frwColor();
    t.bgColor = e.bgColor();
    t.backStyle = e.backStyle();
    t.fontName = e.fontName();
    t.fontSize = e.fontSize();
    t.bold = e.fontBold();
    t.italic = e.fontItalic();
    t.underline = e.fontUnderline();
    t.strikeout = e.fontStrikethru();
    t.alignment = e.alignment();
    t.font3D = e.font3D();
    return item;
}

CardItem shapeItem(const ShapeElement& e, quint64 serial)
{
    CardItem item;
    item.kind = ElementKind::Shape;
    readBox(item, e, serial);
    ShapeLook& s = item.shape;
    s.shape = qint16(e.shape());
    s.backColor = e.backColor();
    s.backStyle = e.backStyle();
    s.borderStyle = e.borderStyle();
    s.innerWidth = float(e.shapeRect().width());
    s.innerHeight = float(e.shapeRect().height());
    return item;
}

CardItem pictureItem(const PictureElement& e, quint64 serial)
{
    CardItem item;
    item.kind = ElementKind::Picture;
    readBox(item, e, serial);
    return item;
}
} // namespace

CardDesign CardEditor::design() const
{
    CardDesign design;
    design.clearItems();
    design.widthPixels = m_canvas->widthPixels();
    design.heightPixels = m_canvas->heightPixels();
    design.backColor = m_canvas->backColor();
    design.textCount = textCount;
    design.pictureCount = pictureCount;
    design.shapeCount = shapeCount;
    design.textReserve = textReserve;
    design.pictureReserve = pictureReserve;

    QHash<const QObject*, quint64> serials;
    for (const auto& e : texts.entries())
        serials.insert(e.widget, e.serial);
    for (const auto& e : shapes.entries())
        serials.insert(e.widget, e.serial);
    for (const auto& e : pictures.entries())
        serials.insert(e.widget, e.serial);

    // The canvas lists its children bottom first; removed members may still be among them
    // until they are destroyed.
    for (const QObject* child : m_canvas->children()) {
        const auto serial = serials.constFind(child);
        if (serial == serials.constEnd())
            continue;
        if (auto* text = qobject_cast<const TextElement*>(child))
            design.appendAsMade(textItem(*text, *serial));
        else if (auto* shape = qobject_cast<const ShapeElement*>(child))
            design.appendAsMade(shapeItem(*shape, *serial));
        else if (auto* picture = qobject_cast<const PictureElement*>(child))
            design.appendAsMade(pictureItem(*picture, *serial));
    }
    return design;
}

QByteArray CardEditor::cardBytes() const { return carddesignfile::write(design()); }

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
    // Beyond some tens of thousands of overlapping widgets the toolkit's painting runs out of
    // stack; a file with more elements is read up to the cap.
    const carddesignfile::ReadResult read = carddesignfile::read(bytes, MaxElements);
    const CardDesign& design = read.design;
    m_canvas->setCardWidth(design.widthPixels);
    m_canvas->setCardHeight(design.heightPixels);
    m_canvas->setBackColor(design.backColor);

    for (const CardItem& item : design.items()) {
        switch (item.kind) {
        case ElementKind::Text: {
            texts.load(item.index);
            TextElement* text = texts[item.index];
            const TextLook& t = item.text;
            text->setCaption(t.caption);
            text->setBox(item.left, item.top, item.width, item.height);
            text->setBackColor(t.backColor);
            text->setFrwColor(t.frwColor);
            text->setFontName(t.fontName);
            text->setFontSize(t.fontSize);
            text->setFontBold(t.bold);
            text->setFontUnderline(t.underline);
            text->setFontItalic(t.italic);
            text->setAlignment(t.alignment);
            text->setTag(item.tag);
            text->setToolTipText(item.toolTipText);
            showLoaded(text, item);
            break;
        }
        case ElementKind::Picture: {
            pictures.load(item.index);
            PictureElement* picture = pictures[item.index];
            // The template's own icon stays until a file names another picture.
            const bool named = !item.isTemplate() || item.toolTipText != picture->toolTipText();
            picture->setBox(item.left, item.top, item.width, item.height);
            picture->setToolTipText(item.toolTipText);
            picture->setStretch(true);
            if (named)
                picture->loadPicture(item.toolTipText);
            showLoaded(picture, item);
            break;
        }
        case ElementKind::Shape: {
            shapes.load(item.index);
            ShapeElement* shape = shapes[item.index];
            shape->setBox(item.left, item.top, item.width, item.height);
            shape->setBackColor(item.shape.backColor);
            (void)shape->setShape(item.shape.shape);
            showLoaded(shape, item);
            break;
        }
        }
    }
    textCount = design.textCount;
    pictureCount = design.pictureCount;
    shapeCount = design.shapeCount;
    textReserve = design.textReserve;
    pictureReserve = design.pictureReserve;
    raiseHandles();
    if (read.leftOut)
        Platform::instance().messageBox(
            m_host,
            QString("The card has more elements than can be shown. Only the first %1 were read.")
                .arg(MaxElements),
            "Open", QMessageBox::Ok, QMessageBox::Warning);
}

void CardEditor::showLoaded(CardElement* element, const CardItem& item)
{
    // A new member is already in front; raising it again would make reading quadratic.
    if (m_canvas->children().constLast() != element)
        element->raise();
    element->setVisible(item.visible);
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
