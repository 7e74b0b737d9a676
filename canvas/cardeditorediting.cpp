// The card editor's undo history, its set of selected elements, the keyboard's editing and the
// clipboard.
#include "canvas/cardeditor.h"

#include "document/wholefile.h"
#include "prompt/platform.h"
#include "render/picturedecoder.h"

#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QStandardPaths>
#include <QTextDocumentFragment>
#include <QUndoStack>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

// ---- The undo history ------------------------------------------------------------------

CardEditor::Change::Change(CardEditor& editor, const QString& text, EditMerge merge)
    : m_editor(editor)
{
    if (m_editor.m_changeDepth++ > 0)
        return;
    // The card's own fields are kept now; its elements only when a change would move them
    // about (takeBeforeItems), since holding them here would copy the whole list at the first
    // change of one element.
    m_editor.m_changeBefore = m_editor.m_design;
    m_editor.m_changeBefore.items() = QList<CardItem>();
    m_editor.m_beforeItemsTaken = false;
    m_editor.m_changedItems.clear();
    m_editor.m_changed = false;
    m_editor.m_changeText = text;
    m_editor.m_changeMerge = merge;
}

CardEditor::Change::~Change()
{
    if (--m_editor.m_changeDepth == 0)
        m_editor.pushChange();
}

void CardEditor::touched()
{
    m_changed = true;
    emit designChanged();
}

void CardEditor::takeBeforeItems()
{
    if (m_changeDepth == 0 || m_beforeItemsTaken)
        return;
    QList<CardItem> before = m_design.items();
    for (const auto& [position, item] : m_changedItems.asKeyValueRange())
        before[position] = item;
    m_changeBefore.items() = std::move(before);
    m_changedItems.clear();
    m_beforeItemsTaken = true;
}

void CardEditor::noteItemChange(qsizetype position, const CardItem& before)
{
    if (m_changeDepth > 0 && !m_beforeItemsTaken && !m_changedItems.contains(position))
        m_changedItems.insert(position, before);
}

void CardEditor::pushChange()
{
    CardDesign before = std::move(m_changeBefore);
    m_changeBefore = CardDesign();
    const QMap<qsizetype, CardItem> changedItems = std::exchange(m_changedItems, {});
    if (!m_changed)
        return;
    m_changed = false;
    if (m_beforeItemsTaken) {
        m_undoStack->push(new DesignCommand(*this, m_changeText, before, m_design, m_changeMerge));
        showPushedState();
        return;
    }
    // Only elements changed in place: the step holds the run from the first to the last.
    const QList<CardItem>& items = m_design.items();
    qsizetype first = items.size(), last = items.size() - 1;
    if (!changedItems.isEmpty())
        first = changedItems.firstKey(), last = changedItems.lastKey();
    QList<CardItem> after = items.mid(first, last - first + 1);
    QList<CardItem> beforeRun = after;
    for (const auto& [position, item] : changedItems.asKeyValueRange())
        beforeRun[position - first] = item;
    m_undoStack->push(new DesignCommand(*this, m_changeText, before, m_design, first,
                                        std::move(beforeRun), std::move(after), m_changeMerge));
    showPushedState();
}

void CardEditor::showPushedState()
{
    // Folded into the step before it or not, the step on top leads to the design as it is.
    const auto* top =
        static_cast<const DesignCommand*>(m_undoStack->command(m_undoStack->index() - 1));
    enterState(top ? top->afterState() : 0);
}

void CardEditor::enterState(quint64 state)
{
    m_state = state;
    if (state)
        m_view->showState(state);
}

bool CardEditor::isModified() const { return !m_undoStack->isClean(); }

EditMerge CardEditor::typing(quint64 field)
{
    // A pause of two seconds, or another field, starts a new step.
    constexpr qint64 PauseMs = 2000;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (field != m_typingField || now - m_typingAt > PauseMs)
        m_typingBurst = ++m_lastBurst;
    m_typingField = field;
    m_typingAt = now;
    return {EditMerge::Typing, m_typingBurst};
}

void CardEditor::restoreDesign(const CardDesign& design, const QList<CardItem>* changed,
                               quint64 state)
{
    // A sheet composed for another card size is composed again. A step undone from the other
    // side of the card shows the whole of its own side.
    const bool sameCard =
        design.widthPixels == m_design.widthPixels && design.heightPixels == m_design.heightPixels
        && design.backColor == m_design.backColor && design.shownSide() == m_design.shownSide();
    if (design.widthPixels != m_design.widthPixels || design.heightPixels != m_design.heightPixels)
        m_sheetPrimed = false;
    // The selection belongs to the side it was made on.
    if (design.shownSide() != m_design.shownSide())
        clearSelection();
    takeBeforeItems();
    CardDesign restored = design;
    restored.textCount = std::max(restored.textCount, m_design.textCount);
    restored.pictureCount = std::max(restored.pictureCount, m_design.pictureCount);
    restored.shapeCount = std::max(restored.shapeCount, m_design.shapeCount);
    m_design = std::move(restored);
    // Whatever comes next is a new step.
    m_typingField = 0;
    m_nudgeBurst = 0;
    m_view->syncSize();
    if (sameCard && changed)
        m_view->updateElements(*changed);
    else
        m_view->updateCard();
    enterState(state);
    // The handles follow the selected element, and go with it when the step removes it.
    if (handlesShown() && selectedItem())
        placeHandles(m_selection.kind, m_selection.index);
    else
        hideHandles();
    emit designChanged();
}

// ---- The selected set ------------------------------------------------------------------

void CardEditor::setSelection(Selection selection)
{
    m_selection = selection;
    setSelectedSet({});
}

void CardEditor::setSelectedSet(QList<Selection> set)
{
    if (set == m_selectedSet)
        return;
    m_selectedSet = std::move(set);
    // The set's marks are drawn over the whole card.
    m_view->update();
}

QList<Selection> CardEditor::selectedElements() const
{
    QList<Selection> elements;
    if (m_selectedSet.isEmpty()) {
        if (selectedItem())
            elements.append(m_selection);
        return elements;
    }
    // A set selected whole is as large as the card: looked up by hash, not along the list.
    const QSet<Selection> set(m_selectedSet.begin(), m_selectedSet.end());
    for (const CardItem& item : m_design.items())
        if (set.contains(Selection{item.kind, item.index}))
            elements.append({item.kind, item.index});
    return elements;
}

bool CardEditor::isSelected(ElementKind kind, int index) const
{
    const Selection element{kind, index};
    return m_selectedSet.isEmpty() ? m_selection == element : m_selectedSet.contains(element);
}

void CardEditor::toggleSelected(const CardHit& hit, float x, float y)
{
    createHandles();
    const Selection element{hit.kind, hit.index};
    QList<Selection> set = m_selectedSet;
    if (set.isEmpty() && selectedItem())
        set.append(m_selection);
    if (set.contains(element) && set.size() > 1) {
        set.removeOne(element);
        m_selection = set.constLast();
        setSelectedSet(set);
        placeHandles(m_selection.kind, m_selection.index);
        m_releaseIgnored = true;
        return;
    }
    if (!set.contains(element))
        set.append(element);
    m_selection = element;
    setSelectedSet(set);
    placeHandles(hit.kind, hit.index);
    m_releaseIgnored = false;
    m_pressX = x;
    m_pressY = y;
}

void CardEditor::selectTouching(const QRectF& twips, bool add)
{
    QList<Selection> set = add ? m_selectedSet : QList<Selection>();
    if (add && set.isEmpty() && selectedItem())
        set.append(m_selection);
    bool touched = false;
    for (const CardItem& item : m_design.items()) {
        const Selection element{item.kind, item.index};
        if (!item.visible || item.isTemplate() || !item.box().intersects(twips)
            || set.contains(element))
            continue;
        set.append(element);
        m_selection = element;
        touched = true;
    }
    // A band over nothing changes nothing, as a click on the empty card does.
    if (!touched)
        return;
    setSelectedSet(set);
    createHandles();
    placeHandles(m_selection.kind, m_selection.index);
}

void CardEditor::selectAll() { selectTouching(QRectF(-1e9, -1e9, 2e9, 2e9), false); }

bool CardEditor::selectNext(bool forward)
{
    QList<Selection> order;
    for (const CardItem& item : m_design.items())
        if (item.visible && !item.isTemplate())
            order.append({item.kind, item.index});
    const qsizetype at = order.indexOf(m_selection);
    const qsizetype next = at < 0 ? (forward ? 0 : order.size() - 1) : at + (forward ? 1 : -1);
    if (next < 0 || next >= order.size())
        return false;
    setSelection(order.at(next));
    createHandles();
    placeHandles(m_selection.kind, m_selection.index);
    return true;
}

void CardEditor::clearSelection()
{
    m_selection = {};
    setSelectedSet({});
    hideHandles();
}

void CardEditor::openSelected()
{
    if (selectedItem())
        elementDoubleClicked({m_selection.kind, m_selection.index, {}});
}

// ---- Moving several --------------------------------------------------------------------

void CardEditor::moveElements(const QList<Selection>& elements, float dx, float dy)
{
    Change scope(*this, "Move");
    for (const Selection& element : elements) {
        changeItem(element.kind, element.index, [&](CardItem& item) {
            item.setLeft(item.left + dx);
            item.setTop(item.top + dy);
        });
        // A moved text item comes to the front, as a single one does.
        if (element.kind == ElementKind::Text && (dx != 0 || dy != 0))
            bringToFront(element.kind, element.index);
    }
}

void CardEditor::nudgeSelected(float dxTwips, float dyTwips, bool continues)
{
    const QList<Selection> elements = selectedElements();
    if (elements.isEmpty())
        return;
    // A held key repeats: the repeats join the step its first press began.
    if (!continues || m_nudgeBurst == 0)
        m_nudgeBurst = ++m_lastBurst;
    Change scope(*this, "Nudge", {EditMerge::Nudge, m_nudgeBurst});
    for (const Selection& element : elements)
        changeItem(element.kind, element.index, [&](CardItem& item) {
            item.setLeft(item.left + dxTwips);
            item.setTop(item.top + dyTwips);
        });
    if (handlesShown())
        placeHandles(m_selection.kind, m_selection.index);
}

// ---- The clipboard ---------------------------------------------------------------------

namespace {
// The encoded picture a clipboard holds, as its MIME type: the common types first. A drawing
// (SVG) is pasted as the picture it draws.
QString pastedImageFormat(const QMimeData& data)
{
    static const QStringList preferred = {"image/png",  "image/bmp",  "image/jpeg",   "image/gif",
                                          "image/webp", "image/tiff", "image/svg+xml"};
    for (const QString& type : preferred)
        if (data.hasFormat(type))
            return type;
    const QStringList formats = data.formats();
    for (const QString& type : formats)
        if (type.startsWith(QLatin1String("image/")))
            return type;
    return {};
}

// A page offered only as HTML is pasted as the text it shows.
QString plainTextOf(const QString& html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText();
}
} // namespace

qint16& CardEditor::counterOf(ElementKind kind)
{
    switch (kind) {
    case ElementKind::Text: return m_design.textCount;
    case ElementKind::Picture: return m_design.pictureCount;
    case ElementKind::Shape: return m_design.shapeCount;
    case ElementKind::QrCode: return m_design.qrCodeCount;
    }
    return m_design.shapeCount;
}

void CardEditor::tellPaste(const QString& text)
{
    Platform::instance().messageBox(m_host, text, "Paste", QMessageBox::Ok, QMessageBox::Warning);
}

void CardEditor::copySelected()
{
    QList<CardItem> items;
    QStringList captions;
    for (const Selection& element : selectedElements()) {
        const CardItem* selected = item(element.kind, element.index);
        if (!selected || selected->isTemplate())
            continue;
        items.append(*selected);
        if (selected->kind == ElementKind::Text)
            captions.append(selected->text.caption);
    }
    if (items.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setData(ElementsMimeType, carddesignfile::writeRecords(m_design, items));
    data->setText(captions.join('\n'));
    QGuiApplication::clipboard()->setMimeData(data);
}

void CardEditor::cutSelected()
{
    copySelected();
    Change scope(*this, "Cut");
    deleteSelected();
}

void CardEditor::duplicateSelected()
{
    QList<CardItem> items;
    for (const Selection& element : selectedElements())
        if (const CardItem* selected = item(element.kind, element.index))
            if (!selected->isTemplate())
                items.append(*selected);
    // Through the records, as a copy and paste would go.
    constexpr float OffsetTwips = 150;
    int offered = 0;
    const QList<CardItem> records = carddesignfile::readRecords(
        carddesignfile::writeRecords(m_design, items), carddesignfile::MaxElements, &offered);
    pasteItems(records, OffsetTwips, "Duplicate", offered);
}

void CardEditor::paste()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    if (data->hasFormat(ElementsMimeType)) {
        // Any program can offer our type: it is read within a card file's bounds.
        const QByteArray records = data->data(ElementsMimeType);
        if (records.size() <= MaxCardFileBytes) {
            int offered = 0;
            const QList<CardItem> items =
                carddesignfile::readRecords(records, MaxElements, &offered);
            pasteItems(items, 0, "Paste", offered);
        }
        return;
    }
    if (data->hasImage() || !pastedImageFormat(*data).isEmpty()) {
        pasteImageData(*data);
        return;
    }
    QString text = data->text();
    if (text.isEmpty() && data->hasHtml()) {
        const QString html = data->html();
        if (html.size() > MaxCardFileBytes) {
            tellPaste("The text on the clipboard is too long to paste.");
            return;
        }
        text = plainTextOf(html);
    }
    if (text.isEmpty()) {
        if (!data->formats().isEmpty())
            tellPaste("The clipboard holds nothing that can be pasted on a card.");
        return;
    }
    Change scope(*this, "Paste");
    addText();
    changeItem(ElementKind::Text, m_design.textCount,
               [&](CardItem& item) { item.text.caption = text; });
}

// Pasted elements get the next indices of their kinds, lie on top, and become the selection.
// A kind whose counter is at its top takes no more; the user is told how many came.
void CardEditor::pasteItems(const QList<CardItem>& items, float offsetTwips, const QString& text,
                            int offered)
{
    QList<Selection> pasted;
    {
        Change scope(*this, text);
        for (CardItem item : items) {
            qint16& counter = counterOf(item.kind);
            incrementCounter(counter);
            // A counter held at its top names an element that exists: nothing more can be
            // added.
            if (m_design.item(item.kind, counter))
                continue;
            // A QR code's template comes first, so that the card file keeps the code as an
            // element rather than as the template.
            if (item.kind == ElementKind::QrCode && !m_design.item(ElementKind::QrCode, 0)) {
                takeBeforeItems();
                m_design.addCopy(ElementKind::QrCode, 0);
            }
            item.index = counter;
            item.visible = true;
            item.setLeft(item.left + offsetTwips);
            item.setTop(item.top + offsetTwips);
            takeBeforeItems();
            m_view->updateTwips(m_design.append(item).box());
            touched();
            pasted.append({item.kind, item.index});
        }
        if (!pasted.isEmpty()) {
            m_selection = pasted.constLast();
            setSelectedSet(pasted);
            createHandles();
            placeHandles(m_selection.kind, m_selection.index);
        }
    }
    if (pasted.size() < offered)
        Platform::instance().messageBox(
            m_host,
            QString("%1 of the %2 elements were added: a card holds at most %3 elements of each "
                    "kind.")
                .arg(pasted.size())
                .arg(offered)
                .arg(std::numeric_limits<qint16>::max()),
            text, QMessageBox::Ok, QMessageBox::Warning);
}

// An encoded picture is decoded away from the window, which keeps answering meanwhile; it is
// added when it is ready, or the user is told why not.
void CardEditor::pasteImageData(const QMimeData& data)
{
    const QString type = pastedImageFormat(data);
    if (type.isEmpty()) {
        // A picture already decoded, by this program or by the toolkit.
        const QImage image = qvariant_cast<QImage>(data.imageData());
        if (image.isNull())
            tellPaste(QString("The picture on the clipboard cannot be pasted: it cannot be read, "
                              "or it is larger than %1 MB.")
                          .arg(picturedecoder::MaxDecodedBytes >> 20));
        else
            pasteImage(image);
        return;
    }
    const QByteArray bytes = data.data(type);
    if (bytes.size() > picturedecoder::MaxDecodedBytes) {
        tellPaste(QString("The picture on the clipboard cannot be pasted: it takes more than %1 "
                          "MB.")
                      .arg(picturedecoder::MaxDecodedBytes >> 20));
        return;
    }
    // "image/svg+xml" names the reader "svg".
    const QByteArray subtype = type.section('/', 1).section('+', 0, 0).toLatin1();
    auto* watcher = new QFutureWatcher<picturedecoder::Decoded>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        const picturedecoder::Decoded decoded = watcher->result();
        if (!decoded.image.isNull())
            pasteImage(decoded.image);
        else
            tellPaste(QString("The picture on the clipboard cannot be pasted: %1.")
                          .arg(decoded.refusal.isEmpty() ? QString("it cannot be read as a picture")
                                                         : decoded.refusal));
        emit picturePasted();
    });
    watcher->setFuture(QtConcurrent::run([bytes, subtype] {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        return picturedecoder::decode(buffer, subtype, bytes.size());
    }));
}

// The card file keeps only paths, so an image from another program is written beside the
// card (or, before the card has a file, in the user's data folder) and added from there.
void CardEditor::pasteImage(const QImage& image)
{
    if (image.isNull())
        return;
    const QString folder = m_cardFileName.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                               : QFileInfo(m_cardFileName).absolutePath();
    const QString stem = "pasted-" + QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss") + "-";
    QByteArray png;
    QBuffer buffer(&png);
    QString reason;
    QString path;
    if (!QDir().mkpath(folder))
        reason = QString("The folder \"%1\" cannot be made.").arg(folder);
    else if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        reason = "The picture could not be encoded as PNG.";
    else
        // A new file under a name nobody can guess ahead: whatever lies in the folder, a link
        // planted there above all, is never written.
        path = writeNewFile(folder, stem, ".png", png, &reason);
    if (path.isEmpty()) {
        Platform::instance().messageBox(m_host,
                                        QString("The picture could not be saved to \"%1\".\n\n%2")
                                            .arg(QDir(folder).filePath(stem + "*.png"), reason),
                                        "Paste", QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    Change scope(*this, "Paste");
    addPictureFrom(path);
}
