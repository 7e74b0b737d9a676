#pragma once

#include "canvas/cardcanvas.h"
#include "canvas/sizehandle.h"
#include "controls/pictureelement.h"
#include "controls/shapeelement.h"
#include "controls/textelement.h"
#include "document/carddesign.h"
#include "document/controlarray.h"
#include "document/regularfile.h"
#include "document/reservedtexts.h"

#include <QObject>
#include <QPointer>

class HandleDrag;
class QAction;
class QMenu;

// The selected element: its kind and its index in that kind's array. Empty when nothing has
// been selected yet.
struct Selection {
    ElementKind kind = ElementKind::Text;
    int index = -1;

    bool isEmpty() const { return index < 0; }
    bool operator==(const Selection&) const = default;
};

// The card being designed: the canvas, its elements, the selection handles and the editor's
// state. It adds, selects, moves, resizes and deletes elements, and writes and reads the
// design as a card file. It lives in a host window, which it draws the canvas into.
class CardEditor : public QObject {
    Q_OBJECT
public:
    explicit CardEditor(QWidget* host);
    ~CardEditor() override;

    QWidget* hostWindow() const { return m_host; }
    CardCanvas* canvas() const { return m_canvas; }

    // The design.
    CreationSequence creationOrder;
    ControlArray<TextElement> texts;
    ControlArray<ShapeElement> shapes;
    ControlArray<PictureElement> pictures;
    ControlArray<SizeHandle> handles;
    qint16 textCount = 0;
    qint16 pictureCount = 0;
    qint16 shapeCount = 0;
    ReservedTexts textReserve;
    ReservedTexts pictureReserve;

    // Editor state.
    Selection selection() const { return m_selection; }
    void setSelection(Selection selection) { m_selection = selection; }
    // The selected element; null when it does not exist (any more).
    CardElement* selectedElement() const;
    std::optional<ElementKind> lastAddedKind() const { return m_lastAddedKind; }
    // Set once the print sheet has been composed for the card's current size.
    bool sheetPrimed() const { return m_sheetPrimed; }
    void setSheetPrimed(bool primed) { m_sheetPrimed = primed; }
    // The file "Save" writes to; empty while the design has none.
    QString cardFileName() const { return m_cardFileName; }
    void setCardFileName(const QString& path);

    // Adding.
    void addText();
    void addShape();
    void addShapeInFront();
    void addPicture();

    // Selection, moving and resizing. The press position of the last press on an element,
    // in that element's twips.
    float pressX = 0;
    float pressY = 0;
    void createHandles();
    void placeHandles(const CardElement* element);
    void hideHandles();
    void resizeSelected(int handle, float x, float y);
    // The host window's pointer shape while over the handles and the card.
    Qt::CursorShape pointerShape() const { return m_pointerShape; }
    void setPointerShape(Qt::CursorShape shape);

    // The element pop-up menu and its "Delete".
    QMenu* elementMenu;
    QAction* deleteAction;
    void deleteSelected();

    // The card file.
    void save();
    void saveAs();
    // The largest card file read: far above any real card, and a bound for /dev/zero.
    static constexpr qint64 MaxCardFileBytes = 64 << 20;
    // The most elements a card file brings in; about 30,000 overlapping widgets overflow the
    // stack of the toolkit's recursive painting.
    static constexpr int MaxElements = 20'000;
    // The bytes of a card file: a regular file of at most MaxCardFileBytes, opened without
    // blocking.
    RegularFileRead readCardFile(const QString& path) const;
    // The message for a card file that cannot be read, with the reason.
    void reportUnreadable(const QString& path, const QString& reason) const;
    // Re-creates the card and its elements from a card file; false, with nothing changed,
    // when it cannot be read (a FIFO, a device or an oversized file is also reported).
    bool load(const QString& path);
    // Re-creates the card and its elements from the bytes of a card file.
    void loadBytes(const QByteArray& bytes);
    // The design as a value: the card and its elements in stacking order.
    CardDesign design() const;
    // The design as the bytes of a card file.
    QByteArray cardBytes() const;
    // Writes the design to a file, whole or not at all; false (with the reason) on failure.
    bool write(const QString& path, QString* error = nullptr) const;
    // The empty default card with only the hidden templates, as a fresh start has it.
    void reset();

signals:
    // A double click asks for an element's options; the host opens the dialog.
    void textOptionsRequested(TextElement* item);
    void shapeOptionsRequested(ShapeElement* shape);
    void cardFileNameChanged(const QString& path);

private:
    void createTemplates();
    void applyTemplateDesign();
    bool saveTo(const QString& path);
    template <class T>
    T* copyElement(const T& member0, int index);
    SizeHandle* copyHandle(const SizeHandle& member0, int index);
    void wireElement(CardElement* element);
    void showLoaded(CardElement* element, const CardItem& item);
    void wireHandle(SizeHandle* handle);
    bool isMember(const CardElement* element) const;
    CardElement* member(ElementKind kind, int index) const;
    void bringToFront(CardElement* element);
    void raiseHandles();
    QWidget* handlesFloor() const;
    void elementPressed(CardElement* element, int button, float x, float y);
    void elementReleased(CardElement* element, float x, float y);
    void elementDoubleClicked(CardElement* element);
    void elementDragOver(CardElement* element, int handle, float x, float y);
    void dragDropped(CardElement* element);
    void handlePressed(SizeHandle* handle, int button, float x, float y);
    bool chooseImage(QString& path);
    void replacePicture();

    QWidget* m_host;
    CardCanvas* m_canvas;
    HandleDrag* m_drag;
    Selection m_selection;
    std::optional<ElementKind> m_lastAddedKind;
    bool m_sheetPrimed = false;
    QString m_cardFileName;
    Qt::CursorShape m_pointerShape = Qt::ArrowCursor;
};

// The kind of an element widget; nothing for a widget that is no card element of a kind.
std::optional<ElementKind> kindOf(const CardElement* element);
