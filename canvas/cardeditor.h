#pragma once

#include "canvas/cardview.h"
#include "canvas/designcommand.h"
#include "document/carddesign.h"
#include "document/regularfile.h"

#include <QMap>
#include <QObject>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QMimeData;
class QUndoStack;

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

    // Replaces the whole design, as opening a card does, with a fresh undo history.
    void setDesign(CardDesign design);
    // Changes one element as one undo step named `text`; false when it does not exist. The view
    // repaints its old and new box.
    bool changeItem(ElementKind kind, int index, const std::function<void(CardItem&)>& change,
                    const QString& text = QStringLiteral("Change"), EditMerge merge = {});

    // The undo history. Every change of the design is one step on it; its clean state is the
    // design as last opened or saved.
    QUndoStack* undoStack() const { return m_undoStack; }
    bool isModified() const;
    // Sets the design an undo step holds, keeping the counters: an index once used stays used.
    // `changed`, when given, holds every element that differs on either side: only their boxes
    // are repainted, unless the card's own size or colour changed.
    // `state`, when given, is the history's name for the design the step leaves: no other
    // design is ever given that name (see DesignCommand).
    void restoreDesign(const CardDesign& design, const QList<CardItem>* changed = nullptr,
                       quint64 state = 0);
    // The history's name for the design as it is, or 0 when a change outside the history made
    // it.
    quint64 state() const { return m_state; }
    // Groups the changes made while it lives into one undo step; nested ones join the outer.
    class Change {
    public:
        Change(CardEditor& editor, const QString& text, EditMerge merge = {});
        ~Change();
        Change(const Change&) = delete;
        Change& operator=(const Change&) = delete;

    private:
        CardEditor& m_editor;
    };
    // The burst that typing into one field (any number naming it) continues: keystrokes close
    // together fold into one step.
    EditMerge typing(quint64 field);

    // Editor state. The selection is the primary element, which the handles surround and the
    // option dialogs act on; moving, nudging, deleting and the clipboard act on the whole set.
    Selection selection() const { return m_selection; }
    void setSelection(Selection selection);
    // The selected elements that exist, in stacking order; just the primary without a set.
    QList<Selection> selectedElements() const;
    // The selection beyond the primary, as chosen (some may have gone since); empty without one.
    const QList<Selection>& selectedSet() const { return m_selectedSet; }
    bool isSelected(ElementKind kind, int index) const;
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

    // The keyboard and the set of selected elements.
    void toggleSelected(const CardHit& hit, float x, float y);
    void selectTouching(const QRectF& twips, bool add);
    void selectAll();
    // False, with nothing changed, when no element lies that way.
    bool selectNext(bool forward);
    void clearSelection();
    void openSelected();
    void nudgeSelected(float dxTwips, float dyTwips, bool continues);
    // A corner handle dragged with Shift keeps the element's proportions.
    void setResizeKeepsAspect(bool keep) { m_keepAspect = keep; }

    // The clipboard: element records under our own type, with the captions as plain text.
    static constexpr const char* ElementsMimeType = "application/x-quillmark-elements";
    void copySelected();
    void cutSelected();
    void paste();
    void duplicateSelected();
    // Adds a picture showing an image file, as the Image button does with a chosen file.
    void addPictureFrom(const QString& path);

    // The pop-up menu of the empty card and its "Add QR code".
    QMenu* cardMenu() const { return m_cardMenu; }
    QAction* addQrCodeAction() const { return m_addQrCodeAction; }
    QAction* pasteAction() const { return m_pasteAction; }

    // The card file. Save and Save As tell whether the card was written.
    bool save();
    bool saveAs();
    static constexpr qint64 MaxCardFileBytes = carddesignfile::MaxFileBytes;
    // The most elements a card file brings in.
    static constexpr int MaxElements = carddesignfile::MaxElements;
    // The bytes of a card file: a regular file of at most MaxCardFileBytes, opened without
    // blocking.
    RegularFileRead readCardFile(const QString& path) const;
    // The message for a card file that cannot be read, with the reason.
    void reportUnreadable(const QString& path, const QString& reason) const;
    // The bytes of the card file at `path`, or nothing once the user has been told why it cannot
    // be opened: it cannot be read (a FIFO, a device, an oversized file, no permission, an I/O
    // error) or it holds no card. With `missing`, a file that does not exist is not reported
    // but told there; an empty file is an empty card.
    std::optional<QByteArray> openCardFile(const QString& path, bool* missing = nullptr) const;
    // Re-creates the card and its elements from a card file; false, with nothing changed,
    // when openCardFile refuses it (a missing file is told in `missing`, never reported).
    bool load(const QString& path, bool* missing = nullptr);
    // Re-creates the card and its elements from the bytes of a card file; a file cut short in a
    // record is reported, named `path` when one is given.
    void loadBytes(const QByteArray& bytes, const QString& path = {});
    // The card's picture that a file written to `path` would overwrite (one file, by device
    // and inode), if any.
    std::optional<QString> pictureAt(const QString& path) const;
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
    // A picture from the clipboard was decoded and added, or refused with a message.
    void picturePasted();

private:
    void setPointerShape(Qt::CursorShape shape);
    CardItem* addElement(ElementKind kind, qint16& counter, bool toFront);
    void bringToFront(ElementKind kind, int index);
    bool saveTo(const QString& path);
    bool chooseImage(QString& path);
    void replacePicture();
    void updateHandles();
    void touched();
    // Before elements are added, removed or restacked within a change: keeps them as they were.
    void takeBeforeItems();
    // Before an element changes in place within a change: keeps it as it was.
    void noteItemChange(qsizetype position, const CardItem& before);
    void pushChange();
    void showPushedState();
    // The design is now the one the history names `state` (0: none), and the view is told.
    void enterState(quint64 state);
    void keepAspect(CardItem& item, int handle) const;
    void moveElements(const QList<Selection>& elements, float dx, float dy);
    void pasteItems(const QList<CardItem>& items, float offsetTwips, const QString& text,
                    int offered);
    void pasteImage(const QImage& image);
    void pasteImageData(const QMimeData& data);
    void tellPaste(const QString& text);
    qint16& counterOf(ElementKind kind);
    void setSelectedSet(QList<Selection> set);

    QWidget* m_host;
    CardDesign m_design;
    CardView* m_view;
    QMenu* m_elementMenu;
    QAction* m_deleteAction;
    QMenu* m_cardMenu;
    QAction* m_pasteAction = nullptr;
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

    QUndoStack* m_undoStack;
    // The change being made: how deep the scopes nest, the design before it, its name.
    int m_changeDepth = 0;
    bool m_changed = false;
    quint64 m_state = 0;
    CardDesign m_changeBefore;
    // Until an element is added, removed or moved in the stacking order, the change keeps
    // only the elements it changed in place, as they were, by position.
    bool m_beforeItemsTaken = false;
    QMap<qsizetype, CardItem> m_changedItems;
    QString m_changeText;
    EditMerge m_changeMerge;
    quint64 m_lastBurst = 0;
    quint64 m_typingField = 0;
    quint64 m_typingBurst = 0;
    qint64 m_typingAt = 0;
    quint64 m_nudgeBurst = 0;
    quint64 m_dragBurst = 0;
    QRectF m_dragStartBox;
    bool m_keepAspect = false;
    // The selected set beside the primary; empty means just the primary.
    QList<Selection> m_selectedSet;
    // A Shift or Ctrl press that took an element out of the set moves nothing on release.
    bool m_releaseIgnored = false;
};
