// The card editor's card file operations: Save, Save As, and writing and reading the design.
#include "canvas/cardeditor.h"

#include "document/wholefile.h"
#include "platform/filefilter.h"
#include "prompt/platform.h"

#include <QUndoStack>
#include <QWidget>

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
    const bool saved = saveTo(path);
    setCardFileName(path);
    return saved;
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
    carddesignfile::ReadResult read = carddesignfile::read(bytes, MaxElements);
    read.design.keepReservedTexts(m_design);
    setDesign(std::move(read.design));
    if (read.leftOut)
        Platform::instance().messageBox(
            m_host,
            QString("The card has more elements than can be shown. Only the first %1 were read.")
                .arg(MaxElements),
            "Open", QMessageBox::Ok, QMessageBox::Warning);
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
