#include "dialogs/textoptionsdialog.h"

#include "canvas/cardeditor.h"
#include "controls/programbutton.h"
#include "controls/twipslayout.h"
#include "dialogs/colorbox.h"
#include "dialogs/listpick.h"
#include "dialogs/picturebuttons.h"
#include "document/fontfaces.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

namespace {
QLabel* label(QWidget* parent, const char* name, const QString& caption)
{
    auto* created = new QLabel(caption, parent);
    created->setObjectName(name);
    return created;
}

QComboBox* listBox(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    // Typed text is never added to the list; only list entries are picked.
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}
} // namespace

TextOptionsDialog::TextOptionsDialog(CardEditor& editor)
    : QWidget(editor.hostWindow(), Qt::Window)
    , m_editor(editor)
{
    setObjectName("TextOptionsDialog");
    setWindowTitle("Text Options");
    // The close box destroys it; "Close" only hides it, keeping its values.
    setAttribute(Qt::WA_DeleteOnClose);
    setClientTwips(this, 7635, 3120);
    useDesignFont(this);
    createControls();
    fillLists();

    // Only a pick from the list writes to the item, never typed text.
    connect(new ListPick(fontBox), &ListPick::picked, this, &TextOptionsDialog::fontPicked);
    connect(new ListPick(sizeBox), &ListPick::picked, this, &TextOptionsDialog::sizePicked);
    connect(boldBox, &QCheckBox::stateChanged, this, &TextOptionsDialog::boldClicked);
    connect(italicBox, &QCheckBox::stateChanged, this, &TextOptionsDialog::italicClicked);
    connect(underlineBox, &QCheckBox::stateChanged, this, &TextOptionsDialog::underlineClicked);
    for (PictureOptionButton* option : alignmentButtons)
        connect(option, &QAbstractButton::toggled, this, [this](bool on) {
            if (on)
                alignmentClicked();
        });
    connect(textColorBox, &ColorBox::clicked, this, &TextOptionsDialog::textColorClicked);
    connect(backColorBox, &ColorBox::clicked, this, &TextOptionsDialog::backColorClicked);
    connect(sameAsCardBox, &QCheckBox::stateChanged, this, &TextOptionsDialog::sameAsCardClicked);
    connect(shrinkToFitBox, &QCheckBox::stateChanged, this, &TextOptionsDialog::shrinkToFitClicked);
    connect(textEdit, &QLineEdit::textChanged, this, &TextOptionsDialog::textEdited);
    connect(closeButton, &SkinButton::clicked, this, &TextOptionsDialog::closeClicked);
    bindDialogKeys(this, nullptr, closeButton);
}

void TextOptionsDialog::createControls()
{
    fontLabel = label(this, "fontLabel", "Font");
    placeTwips(fontLabel, 240, 120, 390, 240);
    fontBox = listBox(this, "fontBox");
    placeTwips(fontBox, 720, 120, 2295, 360);
    sizeLabel = label(this, "sizeLabel", "Size");
    placeTwips(sizeLabel, 3360, 120, 390, 240);
    sizeBox = listBox(this, "sizeBox");
    placeTwips(sizeBox, 3840, 120, 1935, 360);

    styleLabel = label(this, "styleLabel", "Style");
    placeTwips(styleLabel, 240, 720, 450, 240);
    boldBox = new PictureCheckBox(":/style-bold.svg", this);
    italicBox = new PictureCheckBox(":/style-italic.svg", this);
    underlineBox = new PictureCheckBox(":/style-underline.svg", this);
    const char* checkNames[] = {"boldBox", "italicBox", "underlineBox"};
    const char* checkMeanings[] = {"Bold", "Italic", "Underline"};
    int left = 840;
    for (int i = 0; PictureCheckBox * check : {boldBox, italicBox, underlineBox}) {
        check->setObjectName(checkNames[i]);
        check->setAccessibleName(checkMeanings[i]);
        placeTwips(check, left, 720, 375, 375);
        left += 360;
        ++i;
    }

    alignmentLabel = label(this, "alignmentLabel", "Alignment");
    placeTwips(alignmentLabel, 2640, 720, 885, 240);
    m_alignment = new QButtonGroup(this);
    alignmentButtons[0] = new PictureOptionButton(":/align-left.svg", this);
    alignmentButtons[2] = new PictureOptionButton(":/align-center.svg", this);
    alignmentButtons[1] = new PictureOptionButton(":/align-right.svg", this);
    // On screen: left, centre, right.
    const struct {
        int index;
        int left;
        const char* meaning;
    } options[] = {{0, 3840, "Left"}, {2, 4200, "Center"}, {1, 4560, "Right"}};
    for (const auto& option : options) {
        PictureOptionButton* button = alignmentButtons[option.index];
        button->setObjectName(QStringLiteral("alignmentButton%1").arg(option.index));
        button->setAccessibleName(option.meaning);
        placeTwips(button, option.left, 720, 375, 375);
        m_alignment->addButton(button, option.index);
    }

    // Beside the alignment, in the row's free end.
    shrinkToFitBox = new QCheckBox("Shrink to Fit", this);
    shrinkToFitBox->setObjectName("shrinkToFitBox");
    placeTwips(shrinkToFitBox, 5160, 720, 2295, 375);

    textColorLabel = label(this, "textColorLabel", "Text Color");
    placeTwips(textColorLabel, 120, 1440, 915, 240);
    textColorBox = new ColorBox(this);
    textColorBox->setObjectName("textColorBox");
    placeTwips(textColorBox, 1200, 1440, 615, 375);
    backColorLabel = label(this, "backColorLabel", "Text Background Color");
    placeTwips(backColorLabel, 1920, 1440, 2055, 240);
    backColorBox = new ColorBox(this);
    backColorBox->setObjectName("backColorBox");
    placeTwips(backColorBox, 4080, 1320, 615, 375);
    sameAsCardBox = new QCheckBox("Same Card Background", this);
    sameAsCardBox->setObjectName("sameAsCardBox");
    placeTwips(sameAsCardBox, 4800, 1320, 2655, 375);

    textLabel = label(this, "textLabel", "Text");
    placeTwips(textLabel, 120, 1920, 495, 255);
    textEdit = new QLineEdit("Text", this);
    textEdit->setObjectName("textEdit");
    placeTwips(textEdit, 600, 1920, 6735, 375);

    closeButton = makeProgramButton(this, "Close", ":/icon-close.svg");
    closeButton->setObjectName("closeButton");
    placeTwips(closeButton, 3120, 2520, 1455, 495);

    // Each label names its field to assistive technology; a group's label names its first
    // member.
    fontLabel->setBuddy(fontBox);
    sizeLabel->setBuddy(sizeBox);
    styleLabel->setBuddy(boldBox);
    alignmentLabel->setBuddy(alignmentButtons[0]);
    textColorLabel->setBuddy(textColorBox);
    backColorLabel->setBuddy(backColorBox);
    textLabel->setBuddy(textEdit);
}

void TextOptionsDialog::fillLists()
{
    fontBox->addItems(listedFontFamilies(QFontDatabase::families()));
    // Long family names must be readable in the open list.
    int widest = 0;
    for (int i = 0; i < fontBox->count(); ++i)
        widest = qMax(widest, fontBox->fontMetrics().horizontalAdvance(fontBox->itemText(i)));
    fontBox->view()->setMinimumWidth(
        widest + 2 * fontBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    for (int size = 1; size <= 120; ++size)
        sizeBox->addItem(QString::number(size));
    // Nothing is picked until the opener fills the boxes.
    fontBox->setCurrentIndex(-1);
    sizeBox->setCurrentIndex(-1);
}

void TextOptionsDialog::fillFrom(const CardItem& item)
{
    // Read everything first, so the handlers' write-backs below cannot mix in their own values.
    const TextLook look = item.text;

    fontBox->setEditText(look.fontName);
    sizeBox->setEditText(QString::number(look.fontSize));
    if (look.alignment >= 0 && look.alignment < int(alignmentButtons.size())) {
        alignmentButtons[look.alignment]->setChecked(true);
    } else {
        m_alignment->setExclusive(false);
        for (PictureOptionButton* option : alignmentButtons)
            option->setChecked(false);
        m_alignment->setExclusive(true);
    }
    boldBox->setCheckState(look.bold ? Qt::Checked : Qt::Unchecked);
    italicBox->setCheckState(look.italic ? Qt::Checked : Qt::Unchecked);
    underlineBox->setCheckState(look.underline ? Qt::Checked : Qt::Unchecked);
    shrinkToFitBox->setCheckState(look.shrinkToFit ? Qt::Checked : Qt::Unchecked);
    textColorBox->setBackColor(look.frwColor);
    backColorBox->setBackColor(look.backColor);
    textEdit->setText(look.caption);
}

void TextOptionsDialog::changeSelected(const QString& text,
                                       const std::function<void(TextLook&)>& change,
                                       EditMerge merge)
{
    const int index = m_editor.selection().index;
    // The template (0) is never selected; writing into it would change every new item.
    if (index <= 0)
        return;
    m_editor.changeItem(
        ElementKind::Text, index, [&](CardItem& item) { change(item.text); }, text, merge);
}

void TextOptionsDialog::fontPicked()
{
    const QString face = storedFontName(fontBox->currentText());
    changeSelected("Font", [&](TextLook& look) { look.fontName = face; });
}

void TextOptionsDialog::sizePicked()
{
    bool ok = false;
    const float size = sizeBox->currentText().toFloat(&ok);
    if (!ok)
        return;
    // A size the item refuses leaves it as it was.
    changeSelected("Font size", [&](TextLook& look) { look.setFontSize(size); });
}

void TextOptionsDialog::boldClicked()
{
    const bool bold = boldBox->checkState() != Qt::Unchecked;
    changeSelected("Bold", [&](TextLook& look) { look.bold = bold; });
}

void TextOptionsDialog::italicClicked()
{
    const bool italic = italicBox->checkState() != Qt::Unchecked;
    changeSelected("Italic", [&](TextLook& look) { look.italic = italic; });
}

void TextOptionsDialog::underlineClicked()
{
    const bool underline = underlineBox->checkState() != Qt::Unchecked;
    changeSelected("Underline", [&](TextLook& look) { look.underline = underline; });
}

void TextOptionsDialog::alignmentClicked()
{
    for (int index = 0; index < int(alignmentButtons.size()); ++index)
        if (alignmentButtons[index]->isChecked())
            changeSelected("Alignment", [&](TextLook& look) { look.alignment = qint16(index); });
}

void TextOptionsDialog::textColorClicked()
{
    if (!chooseColorFor(this, *textColorBox))
        return;
    const qint32 color = textColorBox->backColor();
    changeSelected("Text color", [&](TextLook& look) { look.frwColor = color; });
}

void TextOptionsDialog::backColorClicked()
{
    if (!chooseColorFor(this, *backColorBox))
        return;
    const qint32 color = backColorBox->backColor();
    changeSelected("Back color", [&](TextLook& look) { look.backColor = color; });
}

void TextOptionsDialog::sameAsCardClicked()
{
    if (sameAsCardBox->checkState() != Qt::Checked)
        return;
    backColorBox->setBackColor(m_editor.cardBackColor());
    const qint32 color = backColorBox->backColor();
    changeSelected("Back color", [&](TextLook& look) { look.backColor = color; });
}

void TextOptionsDialog::shrinkToFitClicked()
{
    const bool shrink = shrinkToFitBox->checkState() != Qt::Unchecked;
    changeSelected("Shrink to fit", [&](TextLook& look) { look.shrinkToFit = shrink; });
}

void TextOptionsDialog::textEdited()
{
    const QString caption = textEdit->text();
    // A burst of typing is one undo step.
    changeSelected(
        "Caption", [&](TextLook& look) { look.caption = caption; },
        m_editor.typing(quint64(100 + m_editor.selection().index)));
}

void TextOptionsDialog::closeClicked() { hide(); }
