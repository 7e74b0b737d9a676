// The card editor: the design and its view, adding elements, selecting, moving, resizing with
// the handles, and deleting.
#include "canvas/cardeditor.h"

#include "canvas/cardsides.h"
#include "canvas/handlegeometry.h"
#include "controls/inputcodes.h"
#include "document/twips.h"
#include "platform/filefilter.h"
#include "platform/resources.h"
#include "prompt/platform.h"

#include <QCursor>
#include <QMenu>
#include <QUndoStack>

#include <cmath>

CardEditor::CardEditor(QWidget* host)
    : QObject(host)
    , m_host(host)
    , m_view(new CardView(*this, host))
    , m_undoStack(new QUndoStack(this))
{
    initResources();
    setObjectName("cardEditor");
    m_view->setObjectName("cardView");
    m_view->move(0, 48);

    m_elementMenu = new QMenu("pop", host);
    m_elementMenu->setObjectName("elementMenu");
    m_deleteAction = m_elementMenu->addAction("Delete");
    m_deleteAction->setObjectName("deleteAction");
    connect(m_deleteAction, &QAction::triggered, this, &CardEditor::deleteSelected);

    m_cardMenu = new QMenu("card", host);
    m_cardMenu->setObjectName("cardMenu");
    m_addQrCodeAction = m_cardMenu->addAction("Add QR code");
    m_addQrCodeAction->setObjectName("addQrCodeAction");
    m_addQrCodeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));
    // The key works wherever the host window has the focus, not only while the menu is open.
    m_addQrCodeAction->setShortcutContext(Qt::WindowShortcut);
    host->addAction(m_addQrCodeAction);
    connect(m_addQrCodeAction, &QAction::triggered, this, &CardEditor::addQrCode);
    m_pasteAction = m_cardMenu->addAction("Paste");
    m_pasteAction->setObjectName("pasteAction");
    connect(m_pasteAction, &QAction::triggered, this, &CardEditor::paste);
    cardsides::addActions(*this);
}

CardEditor::~CardEditor() = default;

void CardEditor::setCardFileName(const QString& path)
{
    m_cardFileName = path;
    emit cardFileNameChanged(path);
}

// ---- The design ------------------------------------------------------------------------

const CardItem* CardEditor::selectedItem() const
{
    return m_selection.isEmpty() ? nullptr : item(m_selection.kind, m_selection.index);
}

bool CardEditor::changeItem(ElementKind kind, int index,
                            const std::function<void(CardItem&)>& change, const QString& text,
                            EditMerge merge)
{
    Change scope(*this, text, merge);
    const qsizetype position = m_design.find(kind, index);
    if (position < 0)
        return false;
    CardItem* target = &m_design.items()[position];
    const CardItem before = *target;
    change(*target);
    if (*target == before)
        return true;
    noteItemChange(position, before);
    if (before.visible)
        m_view->updateTwips(before.box());
    if (target->visible)
        m_view->updateTwips(target->box());
    touched();
    return true;
}

void CardEditor::setCardWidthPixels(float pixels)
{
    if (std::isnan(pixels))
        return;
    Change scope(*this, "Card width", typing(1));
    m_design.widthPixels = boundedPixels(pixels);
    m_view->syncSize();
    touched();
}

void CardEditor::setCardHeightPixels(float pixels)
{
    if (std::isnan(pixels))
        return;
    Change scope(*this, "Card height", typing(2));
    m_design.heightPixels = boundedPixels(pixels);
    m_view->syncSize();
    touched();
}

void CardEditor::setCardBackColor(qint32 color)
{
    if (color == m_design.backColor)
        return;
    Change scope(*this, "Card color");
    m_design.backColor = color;
    m_view->updateCard();
    touched();
}

void CardEditor::setDesign(CardDesign design)
{
    takeBeforeItems();
    m_design = std::move(design);
    m_undoStack->clear();
    m_state = 0;
    m_view->syncSize();
    m_view->updateCard();
    emit designChanged();
}

// ---- Adding ----------------------------------------------------------------------------

CardItem* CardEditor::addElement(ElementKind kind, qint16& counter, bool toFront)
{
    incrementCounter(counter);
    m_lastAddedKind = kind;
    // A new element is made on top. A counter held at its top names an element that exists
    // already: that one is shown again, and brought to the front where a new one would be.
    takeBeforeItems();
    if (CardItem* added = m_design.addCopy(kind, counter)) {
        m_view->updateTwips(added->box());
        touched();
        return added;
    }
    changeItem(kind, counter, [](CardItem& item) { item.visible = true; });
    if (toFront)
        bringToFront(kind, counter);
    return m_design.item(kind, counter);
}

void CardEditor::addText()
{
    Change scope(*this, "Add text");
    if (addElement(ElementKind::Text, m_design.textCount, true))
        changeItem(ElementKind::Text, m_design.textCount,
                   [](CardItem& item) { item.text.caption = QStringLiteral("Text"); });
}

void CardEditor::addShape()
{
    Change scope(*this, "Add shape");
    addElement(ElementKind::Shape, m_design.shapeCount, false);
}

void CardEditor::addShapeInFront()
{
    Change scope(*this, "Add shape");
    addElement(ElementKind::Shape, m_design.shapeCount, true);
}

void CardEditor::addPicture()
{
    Change scope(*this, "Add picture");
    addElement(ElementKind::Picture, m_design.pictureCount, true);
    const int index = m_design.pictureCount;
    QString path;
    if (!chooseImage(path)) {
        // A cancelled choice still uses up the index.
        if (const CardItem* added = item(ElementKind::Picture, index)) {
            m_view->updateTwips(added->box());
            takeBeforeItems();
            m_design.remove(ElementKind::Picture, index);
            touched();
        }
        // When only the used-up index is left (undo never gives an index back), there is no step.
        takeBeforeItems();
        if (m_design.items() == m_changeBefore.items())
            m_changed = false;
        return;
    }
    changeItem(ElementKind::Picture, index, [&](CardItem& item) { item.toolTipText = path; });
}

void CardEditor::addPictureFrom(const QString& path)
{
    Change scope(*this, "Add picture");
    addElement(ElementKind::Picture, m_design.pictureCount, true);
    const int index = m_design.pictureCount;
    changeItem(ElementKind::Picture, index, [&](CardItem& item) { item.toolTipText = path; });
}

void CardEditor::addQrCode()
{
    Change scope(*this, "Add QR code");
    addElement(ElementKind::QrCode, m_design.qrCodeCount, true);
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
    changeItem(
        ElementKind::Picture, m_selection.index, [&](CardItem& item) { item.toolTipText = path; },
        "Replace picture");
}

void CardEditor::bringToFront(ElementKind kind, int index)
{
    const qsizetype position = m_design.find(kind, index);
    if (position < 0 || position == m_design.items().size() - 1)
        return;
    takeBeforeItems();
    m_design.bringToFront(position);
    const CardItem& item = m_design.items().constLast();
    if (item.visible)
        m_view->updateTwips(item.box());
    touched();
}

// ---- Selecting and moving --------------------------------------------------------------

void CardEditor::elementPressed(const CardHit& hit, int button, float x, float y)
{
    createHandles();
    placeHandles(hit.kind, hit.index);
    // A press on a member of a larger set keeps the set, so that it moves as one; any other
    // press selects just the element.
    const Selection pressed{hit.kind, hit.index};
    if (!(button == mousecode::Left && m_selectedSet.size() > 1 && m_selectedSet.contains(pressed)))
        setSelectedSet({});
    m_selection = pressed;
    m_releaseIgnored = false;
    m_pressX = x;
    m_pressY = y;
    if (button == mousecode::Right)
        Platform::instance().popupMenu(m_elementMenu, QCursor::pos());
}

void CardEditor::elementReleased(const CardHit& hit, float x, float y)
{
    if (m_releaseIgnored) {
        m_releaseIgnored = false;
        return;
    }
    if (m_selectedSet.size() > 1 && m_selectedSet.contains(m_selection)) {
        moveElements(selectedElements(), x - m_pressX, y - m_pressY);
        placeHandles(hit.kind, hit.index);
        return;
    }
    // The selected element of the released one's kind moves; normally the same element.
    if (!m_selection.isEmpty()) {
        Change scope(*this, "Move");
        const int index = m_selection.index;
        const float dx = x - m_pressX;
        const float dy = y - m_pressY;
        const bool moved = changeItem(hit.kind, index, [&](CardItem& item) {
            item.setLeft(item.left + dx);
            item.setTop(item.top + dy);
        });
        if (moved && hit.kind == ElementKind::Text)
            bringToFront(hit.kind, index);
    }
    placeHandles(hit.kind, hit.index);
}

void CardEditor::elementDoubleClicked(const CardHit& hit)
{
    switch (hit.kind) {
    case ElementKind::Picture: replacePicture(); break;
    case ElementKind::Text: emit textOptionsRequested(hit.index); break;
    case ElementKind::Shape: emit shapeOptionsRequested(hit.index); break;
    case ElementKind::QrCode: emit qrCodeOptionsRequested(hit.index); break;
    }
}

void CardEditor::cardPressed(int button)
{
    if (button == mousecode::Right)
        Platform::instance().popupMenu(m_cardMenu, QCursor::pos());
}

void CardEditor::createHandles() { m_handleCount = handles::Count; }

void CardEditor::placeHandles(ElementKind kind, int index)
{
    const CardItem* element = item(kind, index);
    if (!element)
        return;
    updateHandles();
    for (int i = 0; i < m_handleCount; ++i)
        m_handlePositions[size_t(i)] =
            handles::position(i, element->left, element->top, element->width, element->height,
                              HandleTwips, HandleTwips);
    m_handlesShown = true;
    updateHandles();
}

void CardEditor::hideHandles()
{
    if (!m_handlesShown)
        return;
    updateHandles();
    m_handlesShown = false;
}

void CardEditor::updateHandles()
{
    if (m_handlesShown)
        for (int i = 0; i < m_handleCount; ++i)
            m_view->updateHandle(i);
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

void CardEditor::handleHovered(int handle)
{
    setPointerShape(pointerCursor(handles::pointerCode(handle)).value_or(Qt::ArrowCursor));
}

void CardEditor::cardHovered() { setPointerShape(Qt::ArrowCursor); }

// Any button starts the drag; the view draws its outline.
void CardEditor::handlePressed(int)
{
    hideHandles();
    // One drag is one undo step, and Shift keeps the proportions the element had at its start.
    m_dragBurst = ++m_lastBurst;
    if (const CardItem* selected = selectedItem())
        m_dragStartBox = selected->box();
}

void CardEditor::keepAspect(CardItem& item, int handle) const
{
    const bool corner = handle == 0 || handle == 2 || handle == 5 || handle == 7;
    const float startWidth = float(m_dragStartBox.width());
    const float startHeight = float(m_dragStartBox.height());
    if (!m_keepAspect || !corner || !(startWidth > 0) || !(startHeight > 0))
        return;
    const float scale = std::max(item.width / startWidth, item.height / startHeight);
    if (!(scale > 0))
        return;
    const float width = startWidth * scale;
    const float height = startHeight * scale;
    const bool movesLeft = handle == 0 || handle == 2;
    const bool movesTop = handle == 0 || handle == 5;
    const float right = float(m_dragStartBox.left()) + startWidth;
    const float bottom = float(m_dragStartBox.top()) + startHeight;
    item.setWidth(width);
    item.setHeight(height);
    item.setLeft(movesLeft ? right - width : float(m_dragStartBox.left()));
    item.setTop(movesTop ? bottom - height : float(m_dragStartBox.top()));
}

void CardEditor::resizeSelected(int handle, float x, float y)
{
    if (m_selection.isEmpty())
        return;
    changeItem(m_selection.kind, m_selection.index,
               [&](CardItem& item) {
                   handles::ItemBox resized(item);
                   handles::resizeOverCanvas(resized, handle, x, y);
                   keepAspect(item, handle);
               },
               "Resize", {EditMerge::Resize, m_dragBurst});
}

void CardEditor::dragOver(const std::optional<CardHit>& element, int handle, float x, float y)
{
    if (!element) {
        resizeSelected(handle, x, y);
        return;
    }
    // Over an element, only the selected one itself follows the pointer.
    if (m_selection.isEmpty() || element->kind != m_selection.kind
        || element->index != m_selection.index)
        return;
    changeItem(element->kind, element->index,
               [&](CardItem& item) {
                   handles::ItemBox resized(item);
                   handles::resizeOverElement(resized, handle, x, y);
                   keepAspect(item, handle);
               },
               "Resize", {EditMerge::Resize, m_dragBurst});
}

void CardEditor::dropped(const std::optional<CardHit>& element)
{
    if (element)
        placeHandles(element->kind, element->index);
}

// ---- Deleting --------------------------------------------------------------------------

void CardEditor::deleteSelected()
{
    Change scope(*this, "Delete");
    for (const Selection& selected : selectedElements()) {
        // A template is never removed: new elements are made from it.
        const CardItem* element = item(selected.kind, selected.index);
        if (selected.index == 0 || !element)
            continue;
        if (element->visible)
            m_view->updateTwips(element->box());
        takeBeforeItems();
        m_design.remove(selected.kind, selected.index);
        touched();
    }
}
