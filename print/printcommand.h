#pragma once

#include "canvas/cardeditor.h"
#include "print/cardsnapshot.h"
#include "print/printsheet.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class CardsCountDialog;
class PreviewWindow;
class PrintOptionsDialog;

// The Print button's chain: hide the handles, and half a second later record the card, size
// the page and show the preview. The first print after start-up or after a card size edit is
// a priming pass that closes the preview again and runs the whole command once more.
// Owns the windows of the chain: Cards Count lives as long as this, Print Options until it
// is cancelled, the preview until it is closed.
class PrintCommand : public QObject {
    Q_OBJECT
public:
    static constexpr int DelayMs = 500;

    explicit PrintCommand(CardEditor& editor, QObject* parent = nullptr);
    ~PrintCommand() override;

    // The Print button, and the repeat of the priming pass.
    void run();
    // Snapshot, card size, page and orientation, then the primed or the priming branch.
    void prepareSheet();

    QTimer snapshotTimer; // runs prepareSheet
    QTimer reprintTimer;  // runs run

    // The sheet as the last prepareSheet left it, with the counts of Cards Count.
    SheetSpec sheetSpec() const;
    const CardSnapshot& snapshot() const { return m_snapshot; }
    QSizeF cardTwips() const { return m_cardTwips; }
    sheet::Orientation orientation() const { return m_orientation; }
    // The file of the card being printed; empty for a card never saved.
    QString cardFileName() const { return m_editor.cardFileName(); }

    // The layout of the sheet, as last chosen in the preview's Sheet menu.
    const SheetLayout& layout() const { return m_layout; }
    // Chooses and remembers it, for this card file too when it has one; false for a name no
    // layout has.
    bool setLayout(const QString& name);
    // Sets the card to a stock label's size, as Card Options would, and records the sheet again.
    void setCardSize(QSizeF twips);

    CardsCountDialog& cardsCount();
    // The merge data while the sheet is merged (one card a row), or null; it outlives the
    // preview like the layout.
    const std::shared_ptr<const cardmerge::MergeData>& merge() const { return m_merge; }
    void setMerge(std::shared_ptr<const cardmerge::MergeData> data) { m_merge = std::move(data); }

    // Made when first asked for and again after a Cancel destroyed it.
    PrintOptionsDialog& printOptions();
    // The preview if it is loaded; null otherwise.
    PreviewWindow* preview() const;

private:
    // Touching the preview loads it, and loading shows Cards Count.
    PreviewWindow* loadPreview();

    CardEditor& m_editor;
    std::unique_ptr<CardsCountDialog> m_cardsCount;
    QPointer<PrintOptionsDialog> m_printOptions;
    QPointer<PreviewWindow> m_preview;
    CardSnapshot m_snapshot;
    QSizeF m_cardTwips;
    sheet::Orientation m_orientation = sheet::Orientation::Portrait;
    SheetLayout m_layout;
    std::shared_ptr<const cardmerge::MergeData> m_merge;
};
