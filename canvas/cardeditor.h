#pragma once

#include "canvas/cardview.h"
#include "document/carddesign.h"
#include "document/regularfile.h"

#include <QObject>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QMenu;

// The selected element: its kind and its index in that kind's numbering. Empty when nothing
// has been selected yet.
struct Selection {
    ElementKind kind = ElementKind::Text;
    int index = -1;

    bool isEmpty() const { return index < 0; }
    bool operator==(const Selection&) const = default;
};

// The card being designed: the design, the view that shows it, the selection handles and the
// editor's state. It adds, selects, moves, resizes and deletes elements, and writes and reads
// the design as a card file. Every change to the design goes through here, so that the view
// repaints just what changed.
class CardEditor : public QObject {
    Q_OBJECT
public:
    explicit CardEditor(QWidget* host);
    ~CardEditor() override;

    QWidget* hostWindow() const { return m_host; }
    CardView* view() const { return m_view; }

    // The design.
    const CardDesign& design() const { return m_design; }
    const CardItem* item(ElementKind kind, int index) const { return m_design.item(kind, index); }
    // The selected element; null when it does not exist (any more).
    const CardItem* selectedItem() const;
    qint16 textCount() const { return m_design.textCount; }
    qint16 pictureCount() const { return m_design.pictureCount; }
    qint16 shapeCount() const { return m_design.shapeCount; }
    qint16 qrCodeCount() const { return m_design.qrCodeCount; }

    // The card. Sizes are pixels; NaN keeps the size, anything else is bounded.
    float cardWidthPixels() const { return m_design.widthPixels; }
    float cardHeightPixels() const { return m_design.heightPixels; }
    qint32 cardBackColor() const { return m_design.backColor; }
    void setCardWidthPixels(float pixels);
    void setCardHeightPixels(float pixels);
    void setCardBackColor(qint32 color);

    // Replaces the whole design, as opening a card does.
    void setDesign(CardDesign design);
    // Changes one element; false when it does not exist. The view repaints its old and new box.
    bool changeItem(ElementKind kind, int index, const std::function<void(CardItem&)>& change);

    // Editor state.
    Selection selection() const { return m_selection; }
    void setSelection(Selection selection) { m_selection = selection; }
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
    // A QR code, on top, where its template stands.
    void addQrCode();

    // The selection handles: eight 75 × 75 twip squares, made at start-up.
    static constexpr float HandleTwips = 75;
    void createHandles();
    int handleCount() const { return m_handleCount; }
    bool handlesShown() const { return m_handlesShown; }
    // Top-left corner of handle i on the card, in twips.
    QPointF handlePosition(int handle) const { return m_handlePositions.at(size_t(handle)); }
    void placeHandles(ElementKind kind, int index);
    void hideHandles();
    void resizeSelected(int handle, float x, float y);
    // The press position of the last press on an element, in that element's twips.
    QPointF pressTwips() const { return {m_pressX, m_pressY}; }
    // The host window's pointer shape while over the handles and the card.
    Qt::CursorShape pointerShape() const { return m_pointerShape; }

    // The element pop-up menu and its "Delete".
    QMenu* elementMenu() const { return m_elementMenu; }
    QAction* deleteAction() const { return m_deleteAction; }
    void deleteSelected();

    // The pop-up menu of the empty card and its "Add QR code".
    QMenu* cardMenu() const { return m_cardMenu; }
    QAction* addQrCodeAction() const { return m_addQrCodeAction; }

    // The card file.
    void save();
    void saveAs();
    static constexpr qint64 MaxCardFileBytes = carddesignfile::MaxFileBytes;
    // The most elements a card file brings in.
    static constexpr int MaxElements = carddesignfile::MaxElements;
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
    // The design as the bytes of a card file.
    QByteArray cardBytes() const;
    // Writes the design to a file, whole or not at all; false (with the reason) on failure.
    bool write(const QString& path, QString* error = nullptr) const;
    // The empty default card with only the hidden templates, as a fresh start has it.
    void reset();

    // The view's mouse events, as the editing rules take them; positions in the twips of the
    // element (or of the card, for a drag over the card itself).
    void elementPressed(const CardHit& hit, int button, float x, float y);
    void elementReleased(const CardHit& hit, float x, float y);
    void elementDoubleClicked(const CardHit& hit);
    // A press on the card where no element is.
    void cardPressed(int button);
    void handlePressed(int handle);
    void handleHovered(int handle);
    void cardHovered();
    void dragOver(const std::optional<CardHit>& element, int handle, float x, float y);
    void dropped(const std::optional<CardHit>& element);

signals:
    // A double click asks for an element's options; the host opens the dialog.
    void textOptionsRequested(int index);
    void shapeOptionsRequested(int index);
    void qrCodeOptionsRequested(int index);
    void cardFileNameChanged(const QString& path);
    // Any change of the design.
    void designChanged();

private:
    void setPointerShape(Qt::CursorShape shape);
    CardItem* addElement(ElementKind kind, qint16& counter, bool toFront);
    void bringToFront(ElementKind kind, int index);
    bool saveTo(const QString& path);
    bool chooseImage(QString& path);
    void replacePicture();
    void updateHandles();

    QWidget* m_host;
    CardDesign m_design;
    CardView* m_view;
    QMenu* m_elementMenu;
    QAction* m_deleteAction;
    QMenu* m_cardMenu;
    QAction* m_addQrCodeAction;
    Selection m_selection;
    std::optional<ElementKind> m_lastAddedKind;
    bool m_sheetPrimed = false;
    QString m_cardFileName;
    Qt::CursorShape m_pointerShape = Qt::ArrowCursor;
    float m_pressX = 0;
    float m_pressY = 0;
    int m_handleCount = 1;
    bool m_handlesShown = false;
    std::array<QPointF, 8> m_handlePositions{};
};
