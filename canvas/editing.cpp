// The main window's editing handlers: adding elements, selecting, moving, resizing with the
// handles, and deleting.
#include "app/filefilter.h"
#include "app/form1.h"
#include "app/platform.h"
#include "canvas/form2.h"
#include "canvas/handledrag.h"
#include "canvas/handlegeometry.h"
#include "dialogs/form3.h"
#include "dialogs/form6.h"
#include "document/twips.h"

#include <QCursor>
#include <QLineEdit>

namespace {
QString kindCode(const CardElement* element)
{
    if (qobject_cast<const SuperLabel*>(element))
        return "1";
    if (qobject_cast<const ImageBox*>(element))
        return "2";
    if (qobject_cast<const ActiveShape*>(element))
        return "3";
    return {};
}

Qt::CursorShape cursorShape(int code)
{
    switch (code) {
    case 6: return Qt::SizeBDiagCursor;
    case 7: return Qt::SizeVerCursor;
    case 8: return Qt::SizeFDiagCursor;
    case 9: return Qt::SizeHorCursor;
    case 11: return Qt::WaitCursor;
    default: return Qt::ArrowCursor;
    }
}
} // namespace

// ---- Adding ----------------------------------------------------------------------------

void Form1::Command11_Click()
{
    incrementCounter(textCount);
    Label1.load(textCount);
    if (SuperLabel* item = Label1[textCount]) {
        item->show();
        bringToFront(item);
        item->setCaption("Text");
    }
}

void Form1::Command9_Click()
{
    incrementCounter(shapeCount);
    ActiveShape1.load(shapeCount);
    if (ActiveShape* shape = ActiveShape1[shapeCount])
        shape->show();
}

void Form1::Command2_Click()
{
    Command9_Click();
    if (ActiveShape* shape = ActiveShape1[shapeCount])
        bringToFront(shape);
}

void Form1::Command10_Click()
{
    incrementCounter(pictureCount);
    Image1.load(pictureCount);
    ImageBox* picture = Image1[pictureCount];
    if (picture) {
        picture->show();
        bringToFront(picture);
    }
    QString path;
    if (!chooseImage(path)) {
        // A cancelled choice still uses up the index.
        Image1.unload(pictureCount);
        return;
    }
    if (picture) {
        picture->loadPicture(path);
        picture->setToolTipText(path);
    }
}

bool Form1::chooseImage(QString& path)
{
    path = Platform::instance().openFileName(this, ImageFilter);
    return !path.isEmpty();
}

void Form1::replacePicture()
{
    QString path;
    if (!chooseImage(path))
        return;
    if (ImageBox* picture = Image1[Text1->text().toInt()]) {
        picture->loadPicture(path);
        picture->setToolTipText(path);
    }
}

void Form1::openTextOptions()
{
    auto* item = qobject_cast<SuperLabel*>(selectedElement());
    auto* dialog = qobject_cast<Form3*>(textOptions.data());
    if (!dialog)
        textOptions = dialog = new Form3(this);
    dialog->move(0, 0);
    dialog->show();
    dialog->raise();
    if (item)
        dialog->fillFrom(*item);
}

void Form1::openShapeOptions()
{
    auto* shape = qobject_cast<ActiveShape*>(selectedElement());
    auto* dialog = qobject_cast<Form6*>(shapeOptions.data());
    if (!dialog)
        shapeOptions = dialog = new Form6(this);
    dialog->show();
    dialog->raise();
    if (shape)
        dialog->fillFrom(*shape);
}

// ---- Wiring ----------------------------------------------------------------------------

void Form1::wireElement(CardElement* element)
{
    // Events of an element that was removed (but not yet destroyed) are dropped.
    connect(element, &CardElement::MouseDown, this,
            [this, element](int button, int, float x, float y) {
                if (isMember(element))
                    elementMouseDown(element, button, x, y);
            });
    connect(element, &CardElement::MouseUp, this, [this, element](int, int, float x, float y) {
        if (isMember(element))
            elementMouseUp(element, x, y);
    });
    connect(element, &CardElement::DblClick, this, [this, element] {
        if (isMember(element))
            elementDblClick(element);
    });
}

bool Form1::isMember(const CardElement* element) const
{
    return element && member(kindCode(element), element->Index()) == element;
}

CardElement* Form1::member(const QString& kind, int index) const
{
    if (kind == "1")
        return Label1[index];
    if (kind == "2")
        return Image1[index];
    if (kind == "3")
        return ActiveShape1[index];
    return nullptr;
}

CardElement* Form1::selectedElement() const
{
    bool ok = false;
    const int index = Text1->text().toInt(&ok);
    return ok ? member(Text2->text(), index) : nullptr;
}

void Form1::bringToFront(CardElement* element)
{
    element->raise();
    raiseHandles();
}

// The handles are not part of the design and always stay above it.
void Form1::raiseHandles()
{
    for (int i = 0; i < handles::Count; ++i)
        if (HandleBox* handle = node[i])
            handle->raise();
}

// ---- Selecting and moving --------------------------------------------------------------

void Form1::elementMouseDown(CardElement* element, int button, float x, float y)
{
    createHandles();
    PlaceHandles(element);
    Text1->setText(QString::number(element->Index()));
    Text2->setText(kindCode(element));
    downX = x;
    downY = y;
    if (button == mousecode::Right) {
        Text1->setText(QString::number(element->Index()));
        Platform::instance().popupMenu(form2().xcx, QCursor::pos());
    }
}

void Form1::elementMouseUp(CardElement* element, float x, float y)
{
    bool ok = false;
    const int index = Text1->text().toInt(&ok);
    if (CardElement* moved = ok ? member(kindCode(element), index) : nullptr) {
        moved->setLeft(moved->Left() + (x - downX));
        moved->setTop(moved->Top() + (y - downY));
        if (qobject_cast<SuperLabel*>(moved))
            bringToFront(moved);
    }
    PlaceHandles(element);
}

void Form1::elementDblClick(CardElement* element)
{
    const QString kind = kindCode(element);
    if (kind == "2")
        replacePicture();
    else if (kind == "1")
        openTextOptions();
    else if (kind == "3")
        openShapeOptions();
}

void Form1::PlaceHandles(const CardElement* element)
{
    if (!element)
        return;
    for (int i = 0; i < handles::Count; ++i) {
        HandleBox* handle = node[i];
        if (!handle)
            continue;
        const QPointF at = handles::position(i, element->Left(), element->Top(), element->Width(),
                                             element->Height(), handle->Width(), handle->Height());
        handle->moveTwips(float(at.x()), float(at.y()));
        handle->show();
        handle->raise();
    }
}

void Form1::HideHandles()
{
    for (int i = 0; i < handles::Count; ++i)
        if (HandleBox* handle = node[i])
            handle->hide();
}

// ---- Resizing --------------------------------------------------------------------------

void Form1::setMousePointer(int code)
{
    if (code == m_mousePointer)
        return;
    m_mousePointer = code;
    if (code == 0)
        unsetCursor();
    else
        setCursor(cursorShape(code));
}

void Form1::nodeMouseDown(HandleBox* handle, int button, float x, float y)
{
    if (button != mousecode::Left)
        return;
    HideHandles();
    const QPoint grab(qRound(x / TwipsPerPixel), qRound(y / TwipsPerPixel));
    const QPoint at = handle->mapTo(this, grab);
    m_drag->begin(handle->Index(), handle->size(), grab, at);
}

void Form1::ResizeSelected(int handle, float X, float Y)
{
    if (CardElement* element = selectedElement())
        handles::resizeOverCanvas(*element, handle, X, Y);
}

void Form1::elementDragOver(CardElement* element, int handle, float x, float y)
{
    if (!element) {
        ResizeSelected(handle, x, y);
        return;
    }
    // Over an element, only the selected one itself follows the pointer.
    if (element != selectedElement())
        return;
    handles::resizeOverElement(*element, handle, x, y);
}

void Form1::dragDrop(CardElement* element)
{
    if (element)
        PlaceHandles(element);
}

// ---- Deleting --------------------------------------------------------------------------

void Form1::deleteSelected()
{
    const int index = Text1->text().toInt();
    const QString kind = Text2->text();
    if (kind == "1")
        Label1.unload(index);
    else if (kind == "2")
        Image1.unload(index);
    else
        ActiveShape1.unload(index);
}
