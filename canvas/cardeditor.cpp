// The card editor: the canvas with its element arrays and handles, adding elements,
// selecting, moving, resizing with the handles, and deleting.
#include "canvas/cardeditor.h"

#include "canvas/handledrag.h"
#include "canvas/handlegeometry.h"
#include "document/twips.h"
#include "platform/filefilter.h"
#include "platform/platform.h"
#include "platform/resources.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>

namespace {
QImage pictureTemplateIcon()
{
    QImage icon(32, 32, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    QSvgRenderer(QStringLiteral(":/picture-template.svg")).render(&painter);
    return icon;
}
} // namespace

std::optional<ElementKind> kindOf(const CardElement* element)
{
    if (qobject_cast<const TextElement*>(element))
        return ElementKind::Text;
    if (qobject_cast<const PictureElement*>(element))
        return ElementKind::Picture;
    if (qobject_cast<const ShapeElement*>(element))
        return ElementKind::Shape;
    return std::nullopt;
}

CardEditor::CardEditor(QWidget* host)
    : QObject(host)
    , texts(creationOrder, [this](const TextElement& m, int i) { return copyElement(m, i); })
    , shapes(creationOrder, [this](const ShapeElement& m, int i) { return copyElement(m, i); })
    , pictures(creationOrder, [this](const PictureElement& m, int i) { return copyElement(m, i); })
    , handles(creationOrder, [this](const SizeHandle& m, int i) { return copyHandle(m, i); })
    , m_host(host)
    , m_canvas(new CardCanvas(host))
{
    initResources();
    setObjectName("cardEditor");
    m_canvas->setObjectName("cardCanvas");
    m_canvas->move(0, 48);

    elementMenu = new QMenu("pop", host);
    elementMenu->setObjectName("elementMenu");
    deleteAction = elementMenu->addAction("Delete");
    deleteAction->setObjectName("deleteAction");
    connect(deleteAction, &QAction::triggered, this, &CardEditor::deleteSelected);

    createTemplates();

    m_drag = new HandleDrag(m_canvas, host);
    connect(m_drag, &HandleDrag::DragOver, this,
            [this](CardElement* element, int handle, float x, float y, int) {
                elementDragOver(element, handle, x, y);
            });
    connect(m_drag, &HandleDrag::DragDrop, this,
            [this](CardElement* element, int, float, float) { dragDropped(element); });
    connect(m_canvas, &CardCanvas::MouseMove, this, [this] { setPointerShape(Qt::ArrowCursor); });
}

CardEditor::~CardEditor() = default;

void CardEditor::createTemplates()
{
    // The templates, in the order the card file lists them: text, shape, picture.
    texts.setTemplate(new TextElement(m_canvas));
    shapes.setTemplate(new ShapeElement(m_canvas));
    pictures.setTemplate(new PictureElement(m_canvas));
    applyTemplateDesign();

    auto* handle0 = new SizeHandle(m_canvas);
    handle0->setObjectName("handle");
    handle0->hide();
    handles.setTemplate(handle0);
    wireHandle(handle0);
}

// The templates as designed: hidden, with the markers and defaults that new elements copy.
void CardEditor::applyTemplateDesign()
{
    TextElement* text0 = texts[0];
    text0->setObjectName("textElement");
    text0->ReadProperties(TextElement::templateProperties());
    text0->setBox(3000, 720, 1380, 330);
    text0->setTag(QString());
    text0->setToolTipText("Text");
    text0->hide();

    ShapeElement* shape0 = shapes[0];
    shape0->setObjectName("shapeElement");
    shape0->ReadProperties(ShapeElement::templateProperties());
    shape0->setBox(360, 1680, 495, 375);
    shape0->setToolTipText("Shape");
    shape0->hide();

    static const QImage icon = pictureTemplateIcon();
    PictureElement* picture0 = pictures[0];
    picture0->setObjectName("pictureElement");
    picture0->setBox(1080, 240, 480, 285);
    picture0->setStretch(true);
    picture0->setPicture(icon);
    picture0->setTag("img");
    picture0->setToolTipText("Double click to change");
    picture0->hide();
}

// A new member of an element array: a hidden copy of member 0 with all its properties.
template <class T>
T* CardEditor::copyElement(const T& member0, int index)
{
    auto* element = new T(m_canvas);
    element->setObjectName(member0.objectName());
    element->setIndex(index);
    element->hide();
    // Properties first: the box must not be fitted by the defaults of a bare control.
    element->copyPropertiesFrom(member0);
    element->copyElementFrom(member0);
    wireElement(element);
    return element;
}

SizeHandle* CardEditor::copyHandle(const SizeHandle& member0, int index)
{
    auto* handle = new SizeHandle(m_canvas);
    handle->setObjectName("handle");
    handle->setIndex(index);
    handle->hide();
    handle->copyElementFrom(member0);
    wireHandle(handle);
    return handle;
}

void CardEditor::createHandles()
{
    if (handles.count() == 1)
        for (int i = 1; i < handles::Count; ++i)
            handles.load(i);
}

void CardEditor::setCardFileName(const QString& path)
{
    m_cardFileName = path;
    emit cardFileNameChanged(path);
}

// ---- Adding ----------------------------------------------------------------------------

void CardEditor::addText()
{
    incrementCounter(textCount);
    texts.load(textCount);
    m_lastAddedKind = ElementKind::Text;
    if (TextElement* item = texts[textCount]) {
        item->show();
        bringToFront(item);
        item->setCaption("Text");
    }
}

void CardEditor::addShape()
{
    incrementCounter(shapeCount);
    shapes.load(shapeCount);
    m_lastAddedKind = ElementKind::Shape;
    if (ShapeElement* shape = shapes[shapeCount])
        shape->show();
}

void CardEditor::addShapeInFront()
{
    addShape();
    if (ShapeElement* shape = shapes[shapeCount])
        bringToFront(shape);
}

void CardEditor::addPicture()
{
    incrementCounter(pictureCount);
    pictures.load(pictureCount);
    m_lastAddedKind = ElementKind::Picture;
    PictureElement* picture = pictures[pictureCount];
    if (picture) {
        picture->show();
        bringToFront(picture);
    }
    QString path;
    if (!chooseImage(path)) {
        // A cancelled choice still uses up the index.
        pictures.unload(pictureCount);
        return;
    }
    if (picture) {
        picture->loadPicture(path);
        picture->setToolTipText(path);
    }
}

bool CardEditor::chooseImage(QString& path)
{
    path = Platform::instance().openFileName(m_host, ImageFilter);
    return !path.isEmpty();
}

void CardEditor::replacePicture()
{
    QString path;
    if (!chooseImage(path))
        return;
    if (PictureElement* picture = pictures[m_selection.index]) {
        picture->loadPicture(path);
        picture->setToolTipText(path);
    }
}

// ---- Wiring ----------------------------------------------------------------------------

void CardEditor::wireElement(CardElement* element)
{
    // Events of an element that was removed (but not yet destroyed) are dropped.
    connect(element, &CardElement::MouseDown, this,
            [this, element](int button, int, float x, float y) {
                if (isMember(element))
                    elementPressed(element, button, x, y);
            });
    connect(element, &CardElement::MouseUp, this, [this, element](int, int, float x, float y) {
        if (isMember(element))
            elementReleased(element, x, y);
    });
    connect(element, &CardElement::DblClick, this, [this, element] {
        if (isMember(element))
            elementDoubleClicked(element);
    });
}

void CardEditor::wireHandle(SizeHandle* handle)
{
    connect(
        handle, &CardElement::MouseDown, this,
        [this, handle](int button, int, float x, float y) { handlePressed(handle, button, x, y); });
    connect(handle, &CardElement::MouseMove, this, [this, handle] {
        setPointerShape(
            pointerCursor(handles::pointerCode(handle->Index())).value_or(Qt::ArrowCursor));
    });
}

bool CardEditor::isMember(const CardElement* element) const
{
    const std::optional<ElementKind> kind = kindOf(element);
    return kind && member(*kind, element->Index()) == element;
}

CardElement* CardEditor::member(ElementKind kind, int index) const
{
    switch (kind) {
    case ElementKind::Text: return texts[index];
    case ElementKind::Picture: return pictures[index];
    case ElementKind::Shape: return shapes[index];
    }
    return nullptr;
}

CardElement* CardEditor::selectedElement() const
{
    return m_selection.isEmpty() ? nullptr : member(m_selection.kind, m_selection.index);
}

void CardEditor::bringToFront(CardElement* element)
{
    // Restacking walks every sibling; one step under the handles costs one walk, where
    // raising the element and then each handle costs nine.
    if (QWidget* floor = handlesFloor()) {
        const QObjectList& children = m_canvas->children();
        if (children.indexOf(element) != children.indexOf(floor) - 1)
            element->stackUnder(floor);
        return;
    }
    element->raise();
    raiseHandles();
}

// The lowest handle when the handles are the topmost widgets of the card; null otherwise.
QWidget* CardEditor::handlesFloor() const
{
    const QObjectList& children = m_canvas->children();
    const qsizetype first = children.size() - handles::Count;
    if (first < 0)
        return nullptr;
    for (qsizetype i = first; i < children.size(); ++i)
        if (!qobject_cast<SizeHandle*>(children.at(i)))
            return nullptr;
    return static_cast<QWidget*>(children.at(first));
}

// The handles are not part of the design and always stay above it.
void CardEditor::raiseHandles()
{
    for (int i = 0; i < handles::Count; ++i)
        if (SizeHandle* handle = handles[i])
            handle->raise();
}

// ---- Selecting and moving --------------------------------------------------------------

void CardEditor::elementPressed(CardElement* element, int button, float x, float y)
{
    createHandles();
    placeHandles(element);
    m_selection = {*kindOf(element), element->Index()};
    pressX = x;
    pressY = y;
    if (button == mousecode::Right)
        Platform::instance().popupMenu(elementMenu, QCursor::pos());
}

void CardEditor::elementReleased(CardElement* element, float x, float y)
{
    CardElement* moved =
        m_selection.isEmpty() ? nullptr : member(*kindOf(element), m_selection.index);
    if (moved) {
        // One move, so that the card repaints the old and new places once.
        moved->moveTwips(moved->Left() + (x - pressX), moved->Top() + (y - pressY));
        if (qobject_cast<TextElement*>(moved))
            bringToFront(moved);
    }
    placeHandles(element);
}

void CardEditor::elementDoubleClicked(CardElement* element)
{
    switch (*kindOf(element)) {
    case ElementKind::Picture: replacePicture(); break;
    case ElementKind::Text: emit textOptionsRequested(qobject_cast<TextElement*>(element)); break;
    case ElementKind::Shape:
        emit shapeOptionsRequested(qobject_cast<ShapeElement*>(element));
        break;
    }
}

void CardEditor::placeHandles(const CardElement* element)
{
    if (!element)
        return;
    for (int i = 0; i < handles::Count; ++i) {
        SizeHandle* handle = handles[i];
        if (!handle)
            continue;
        const QPointF at = handles::position(i, element->Left(), element->Top(), element->Width(),
                                             element->Height(), handle->Width(), handle->Height());
        handle->moveTwips(float(at.x()), float(at.y()));
        handle->show();
    }
    if (!handlesFloor())
        raiseHandles();
}

void CardEditor::hideHandles()
{
    for (int i = 0; i < handles::Count; ++i)
        if (SizeHandle* handle = handles[i])
            handle->hide();
}

// ---- Resizing --------------------------------------------------------------------------

void CardEditor::setPointerShape(Qt::CursorShape shape)
{
    if (shape == m_pointerShape)
        return;
    m_pointerShape = shape;
    if (shape == Qt::ArrowCursor)
        m_host->unsetCursor();
    else
        m_host->setCursor(shape);
}

// Any button starts the drag.
void CardEditor::handlePressed(SizeHandle* handle, int, float x, float y)
{
    hideHandles();
    const QPoint grab(qRound(x / TwipsPerPixel), qRound(y / TwipsPerPixel));
    const QPoint at = handle->mapTo(m_host, grab);
    m_drag->begin(handle->Index(), handle->size(), grab, at);
}

void CardEditor::resizeSelected(int handle, float x, float y)
{
    if (CardElement* element = selectedElement())
        handles::resizeOverCanvas(*element, handle, x, y);
}

void CardEditor::elementDragOver(CardElement* element, int handle, float x, float y)
{
    if (!element) {
        resizeSelected(handle, x, y);
        return;
    }
    // Over an element, only the selected one itself follows the pointer.
    if (element != selectedElement())
        return;
    handles::resizeOverElement(*element, handle, x, y);
}

void CardEditor::dragDropped(CardElement* element)
{
    if (element)
        placeHandles(element);
}

// ---- Deleting --------------------------------------------------------------------------

void CardEditor::deleteSelected()
{
    if (m_selection.isEmpty())
        return;
    switch (m_selection.kind) {
    case ElementKind::Text: texts.unload(m_selection.index); break;
    case ElementKind::Picture: pictures.unload(m_selection.index); break;
    case ElementKind::Shape: shapes.unload(m_selection.index); break;
    }
}
