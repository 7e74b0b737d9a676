#include "print/printcommand.h"

#include "document/twips.h"
#include "platform/vbcolor.h"
#include "print/cardscountdialog.h"
#include "print/layoutcatalog.h"
#include "print/previewwindow.h"
#include "print/printoptionsdialog.h"

PrintCommand::PrintCommand(CardEditor& editor, QObject* parent)
    : QObject(parent)
    , m_editor(editor)
{
    for (QTimer* timer : {&snapshotTimer, &reprintTimer}) {
        timer->setSingleShot(true);
        timer->setInterval(DelayMs);
    }
    snapshotTimer.setObjectName("snapshotTimer");
    reprintTimer.setObjectName("reprintTimer");
    connect(&snapshotTimer, &QTimer::timeout, this, &PrintCommand::prepareSheet);
    connect(&reprintTimer, &QTimer::timeout, this, &PrintCommand::run);
    if (const SheetLayout* chosen = layoutcatalog::find(layoutcatalog::remembered()))
        m_layout = *chosen;
}

bool PrintCommand::setLayout(const QString& name)
{
    const SheetLayout* chosen = layoutcatalog::find(name);
    if (!chosen)
        return false;
    m_layout = *chosen;
    layoutcatalog::remember(name);
    if (!m_editor.cardFileName().isEmpty())
        layoutcatalog::rememberForCard(m_editor.cardFileName(), name);
    return true;
}

void PrintCommand::setCardSize(QSizeF twips)
{
    m_editor.setCardWidthPixels(float(twips.width() / TwipsPerPixel));
    m_editor.setCardHeightPixels(float(twips.height() / TwipsPerPixel));
    m_snapshot = recordCard(m_editor.design());
    m_cardTwips = cardSizeTwips(m_editor.design());
    m_orientation = sheet::pageOrientation(m_cardTwips.width(), m_cardTwips.height());
}

PrintCommand::~PrintCommand()
{
    delete m_preview.data();
    delete m_printOptions.data();
}

void PrintCommand::run()
{
    m_editor.hideHandles();
    // The delay lets the canvas repaint without the handles before it is recorded.
    snapshotTimer.start();
}

void PrintCommand::prepareSheet()
{
    // A card file printed on a sheet before comes back to that sheet.
    if (!m_editor.cardFileName().isEmpty())
        if (const QString name = layoutcatalog::rememberedForCard(m_editor.cardFileName());
            !name.isEmpty())
            if (const SheetLayout* chosen = layoutcatalog::find(name))
                m_layout = *chosen;
    // Printing takes the design as it stands, nothing else of the editor.
    m_snapshot = recordCard(m_editor.design());
    m_cardTwips = cardSizeTwips(m_editor.design());
    m_orientation = sheet::pageOrientation(m_cardTwips.width(), m_cardTwips.height());

    QPointer<PrintCommand> alive(this);
    PreviewWindow* preview = loadPreview();
    if (!alive)
        return; // the program ended while Cards Count was up

    snapshotTimer.stop();
    if (m_editor.sheetPrimed()) {
        if (preview)
            preview->present();
        return;
    }
    m_editor.setSheetPrimed(true);
    if (preview)
        preview->close();
    reprintTimer.start();
}

SheetSpec PrintCommand::sheetSpec() const
{
    SheetSpec sheetSpec;
    sheetSpec.snapshot = &m_snapshot;
    sheetSpec.cardTwips = m_cardTwips;
    sheetSpec.layout = m_layout;
    sheetSpec.merge = m_merge;
    if (m_cardsCount) {
        sheetSpec.columns = m_cardsCount->columns();
        sheetSpec.rows = m_cardsCount->rows();
    }
    return sheetSpec;
}

CardsCountDialog& PrintCommand::cardsCount()
{
    if (!m_cardsCount)
        m_cardsCount = std::make_unique<CardsCountDialog>();
    return *m_cardsCount;
}

PrintOptionsDialog& PrintCommand::printOptions()
{
    if (!m_printOptions)
        m_printOptions = new PrintOptionsDialog();
    return *m_printOptions;
}

PreviewWindow* PrintCommand::preview() const { return m_preview; }

PreviewWindow* PrintCommand::loadPreview()
{
    if (!m_preview) {
        m_preview = new PreviewWindow(*this);
        m_preview->load();
    }
    return m_preview;
}
