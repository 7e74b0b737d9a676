#include "dialogs/cardoptionsdialog.h"

#include "canvas/cardeditor.h"
#include "controls/programbutton.h"
#include "controls/twipslayout.h"
#include "dialogs/cardsize.h"
#include "dialogs/colorbox.h"
#include "prompt/platform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace {
void tellLimit(QWidget* dialog, const QString& text)
{
    Platform::instance().messageBox(dialog, text, QString(), QMessageBox::Ok, QMessageBox::NoIcon);
}
} // namespace

CardOptionsDialog::CardOptionsDialog(CardEditor& editor)
    : QDialog(editor.hostWindow())
    , m_editor(editor)
{
    setObjectName("CardOptionsDialog");
    setWindowTitle("Card Options");
    setModal(true);
    setClientTwips(this, 5565, 2715);
    useDesignFont(this);
    createControls();

    connect(heightEdit, &QLineEdit::textChanged, this, &CardOptionsDialog::heightEdited);
    connect(widthEdit, &QLineEdit::textChanged, this, &CardOptionsDialog::widthEdited);
    connect(backColorBox, &ColorBox::clicked, this, &CardOptionsDialog::backColorClicked);
    connect(okButton, &SkinButton::clicked, this, &CardOptionsDialog::okClicked);
    connect(closeButton, &SkinButton::clicked, this, &CardOptionsDialog::closeClicked);
    connect(sizeBox, &QComboBox::activated, this, &CardOptionsDialog::sizeChosen);
    bindDialogKeys(this, nullptr, closeButton);

    fillFromCard();

    // Centred on the screen, not over the main window; a set position is kept by show().
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void CardOptionsDialog::createControls()
{
    heightLabel = new QLabel("Height", this);
    heightLabel->setObjectName("heightLabel");
    placeTwips(heightLabel, 240, 120, 975, 255);
    heightEdit = new QLineEdit(this);
    heightEdit->setObjectName("heightEdit");
    placeTwips(heightEdit, 1320, 120, 975, 375);
    widthLabel = new QLabel("Width", this);
    widthLabel->setObjectName("widthLabel");
    placeTwips(widthLabel, 240, 600, 975, 255);
    widthEdit = new QLineEdit(this);
    widthEdit->setObjectName("widthEdit");
    placeTwips(widthEdit, 1320, 600, 975, 375);
    backColorLabel = new QLabel("Background Color", this);
    backColorLabel->setObjectName("backColorLabel");
    placeTwips(backColorLabel, 120, 1320, 1620, 240);
    backColorBox = new ColorBox(this);
    backColorBox->setObjectName("backColorBox");
    placeTwips(backColorBox, 1800, 1200, 615, 375);
    okButton = makeProgramButton(this, "OK", ":/icon-ok.svg");
    okButton->setObjectName("okButton");
    placeTwips(okButton, 1080, 2040, 1455, 495);
    closeButton = makeProgramButton(this, "Close", ":/icon-close.svg");
    closeButton->setObjectName("closeButton");
    placeTwips(closeButton, 2640, 2040, 1455, 495);

    // Beside the boxes: the sizes people buy, and the size as they measure it.
    sizeBox = new QComboBox(this);
    sizeBox->setObjectName("sizeBox");
    sizeBox->setAccessibleName("Card size");
    for (const CardSizePreset& preset : cardSizePresets())
        sizeBox->addItem(preset.name);
    sizeBox->addItem("Custom");
    placeTwips(sizeBox, 2460, 120, 2985, 375);
    measuresLabel = new QLabel(this);
    measuresLabel->setObjectName("measuresLabel");
    placeTwips(measuresLabel, 2460, 660, 2985, 255);

    // Each label names its field to assistive technology.
    heightLabel->setBuddy(heightEdit);
    widthLabel->setBuddy(widthEdit);
    backColorLabel->setBuddy(backColorBox);
    // The measures describe the size the list names.
    measuresLabel->setBuddy(sizeBox);
}

void CardOptionsDialog::fillFromCard()
{
    backColorBox->setBackColor(m_editor.cardBackColor());
    // These run the size rules: opening alone re-applies the size and clears the primed flag.
    heightEdit->setText(QString::number(m_editor.cardHeightPixels()));
    widthEdit->setText(QString::number(m_editor.cardWidthPixels()));
}

void CardOptionsDialog::heightEdited()
{
    // Any edit means the print sheet must be primed again, even one that is not a size yet.
    m_editor.setSheetPrimed(false);
    const std::optional<float> height = cardSizeFromText(heightEdit->text());
    if (!height)
        return;
    if (*height > MaxHeight) {
        tellLimit(this, "Maximum Height=210");
        heightEdit->setText(QString::number(MaxHeight));
        return;
    }
    m_editor.setCardHeightPixels(*height);
    showSize();
}

void CardOptionsDialog::widthEdited()
{
    m_editor.setSheetPrimed(false);
    const std::optional<float> width = cardSizeFromText(widthEdit->text());
    if (!width)
        return;
    if (*width > MaxWidth) {
        tellLimit(this, "Maximum Width=385");
        widthEdit->setText(QString::number(WidthAfterLimit));
        return;
    }
    m_editor.setCardWidthPixels(*width);
    showSize();
}

void CardOptionsDialog::sizeChosen(int index)
{
    const auto& presets = cardSizePresets();
    if (index < 0 || size_t(index) >= presets.size())
        return; // "Custom" leaves the boxes to the user
    heightEdit->setText(cardSizeText(presets[size_t(index)].heightPixels));
    widthEdit->setText(cardSizeText(presets[size_t(index)].widthPixels));
}

void CardOptionsDialog::showSize()
{
    const float width = m_editor.cardWidthPixels(), height = m_editor.cardHeightPixels();
    const int preset = cardSizePresetAt(width, height);
    sizeBox->setCurrentIndex(preset >= 0 ? preset : sizeBox->count() - 1);
    measuresLabel->setText(cardSizeMeasures(width, height));
}

void CardOptionsDialog::backColorClicked() { chooseColorFor(this, *backColorBox); }

void CardOptionsDialog::okClicked()
{
    m_editor.setCardBackColor(backColorBox->backColor());
    accept();
}

void CardOptionsDialog::closeClicked() { reject(); }
