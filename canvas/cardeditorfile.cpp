// The card editor's card file operations: Save, Save As, and writing and reading the design.
#include "canvas/cardeditor.h"

#include "document/cardfile.h"
#include "document/wholefile.h"
#include "platform/filefilter.h"
#include "prompt/platform.h"

#include <QUndoStack>
#include <QWidget>

#include <algorithm>

// ---- Writing ---------------------------------------------------------------------------

QByteArray CardEditor::cardBytes() const { return carddesignfile::write(m_design); }

bool CardEditor::write(const QString& path, QString* error) const
{
    // The earlier file stays whole until the new one is complete.
    return writeWholeFile(path, cardBytes(), error);
}

bool CardEditor::saveTo(const QString& path)
{
    QString error;
    if (write(path, &error)) {
        m_undoStack->setClean();
        return true;
    }
    Platform::instance().messageBox(
        m_host, QString("The card could not be saved to \"%1\".\n\n%2").arg(path, error), "Save",
        QMessageBox::Ok, QMessageBox::Critical);
    return false;
}

bool CardEditor::save() { return saveTo(m_cardFileName); }

bool CardEditor::saveAs()
{
    const QString path = Platform::instance().saveFileName(m_host, CardFilter);
    if (path.isEmpty())
        return false;
    // The card's own picture is an input: written over, it would be lost for this card, and a
    // later Save would write over it again.
    if (const auto picture = pictureAt(path)) {
        Platform::instance().messageBox(
            m_host,
            QString("The card could not be saved to \"%1\".\n\nIt is the card's picture \"%2\"; "
                    "choose another name.")
                .arg(path, *picture),
            "Save", QMessageBox::Ok, QMessageBox::Critical);
        return false;
    }
    const bool saved = saveTo(path);
    setCardFileName(path);
    return saved;
}

std::optional<QString> CardEditor::pictureAt(const QString& path) const
{
    for (const CardItem& item : m_design.items())
        if (item.kind == ElementKind::Picture && isSameFile(path, item.picturePath()))
            return item.picturePath();
    return std::nullopt;
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

std::optional<QByteArray> CardEditor::openCardFile(const QString& path, bool* missing) const
{
    RegularFileRead read = readCardFile(path);
    if (missing) {
        *missing = read.status == RegularFileRead::Missing;
        if (*missing)
            return std::nullopt;
    }
    if (!read.ok()) {
        reportUnreadable(path, read.error);
        return std::nullopt;
    }
    // An empty file loses nothing when saved over: it opens as an empty card.
    if (!read.bytes.isEmpty() && !cardfile::holdsCardRecord(read.bytes)) {
        reportUnreadable(path, "The file is not a Quillmark card.");
        return std::nullopt;
    }
    return std::move(read.bytes);
}

bool CardEditor::load(const QString& path, bool* missing)
{
    bool absent = false;
    const std::optional<QByteArray> bytes = openCardFile(path, &absent);
    if (missing)
        *missing = absent;
    if (!bytes)
        return false;
    loadBytes(*bytes, path);
    return true;
}

void CardEditor::loadBytes(const QByteArray& bytes, const QString& path)
{
    carddesignfile::ReadResult read = carddesignfile::read(bytes, MaxElements);
    const QStringList warnings = carddesignfile::readWarnings(read, path, MaxElements);
    read.design.keepReservedTexts(m_design);
    setDesign(std::move(read.design));
    for (const QString& warning : warnings)
        Platform::instance().messageBox(m_host, warning, "Open", QMessageBox::Ok,
                                        QMessageBox::Warning);
}

// The window as a fresh start has it: the empty default card with only the hidden templates.
void CardEditor::reset()
{
    CardDesign fresh;
    fresh.keepReservedTexts(m_design);
    setDesign(std::move(fresh));
    hideHandles();
    m_cardFileName.clear();
    // The selection survives; the other editor state starts afresh.
    m_lastAddedKind.reset();
    m_sheetPrimed = false;
    setPointerShape(Qt::ArrowCursor);
}
