#include "dialogs/shapeoptionsdialog.h"

#include "canvas/cardeditor.h"
#include "controls/programbutton.h"
#include "controls/twipslayout.h"
#include "dialogs/colorbox.h"
#include "dialogs/listpick.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

const QStringList ShapeOptionsDialog::Kinds = {
    "Rectangle", "Square", "Oval", "Circular", "Rounded Rectangle", "Rounded Square"};

ShapeOptionsDialog::ShapeOptionsDialog(CardEditor& editor)
    : QWidget(editor.hostWindow(), Qt::Window)
    , m_editor(editor)
{
    setObjectName("ShapeOptionsDialog");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Shape Options");
    setClientTwips(this, 3945, 2130);
    useDesignFont(this);

    shapeLabel = new QLabel("Shape", this);
    shapeLabel->setObjectName("shapeLabel");
    placeTwips(shapeLabel, 120, 240, 600, 240);
    shapeBox = new QComboBox(this);
    shapeBox->setObjectName("shapeBox");
    shapeBox->setEditable(true);
    shapeBox->setInsertPolicy(QComboBox::NoInsert);
    shapeBox->addItems(Kinds);
    shapeBox->setCurrentIndex(-1);
    shapeBox->setEditText("Combo1");
    placeTwips(shapeBox, 960, 240, 2295, 360);
    backColorLabel = new QLabel("Background Color", this);
    backColorLabel->setObjectName("backColorLabel");
    placeTwips(backColorLabel, 120, 840, 1620, 240);
    backColorBox = new ColorBox(this);
    backColorBox->setObjectName("backColorBox");
    placeTwips(backColorBox, 1920, 840, 615, 255);
    closeButton = makeProgramButton(this, "Close", ":/icon-close.svg");
    closeButton->setObjectName("closeButton");
    placeTwips(closeButton, 1200, 1560, 1455, 495);
    pickedKindLabel = new QLabel(this);
    pickedKindLabel->setObjectName("pickedKindLabel");
    placeTwips(pickedKindLabel, 1080, 1800, 1695, 375);
    pickedKindLabel->hide();
    // Each label names its field to assistive technology.
    shapeLabel->setBuddy(shapeBox);
    backColorLabel->setBuddy(backColorBox);

    // Only a pick from the list changes the shape, never typed text.
    connect(new ListPick(shapeBox), &ListPick::picked, this, &ShapeOptionsDialog::shapePicked);
    connect(backColorBox, &ColorBox::clicked, this, &ShapeOptionsDialog::backColorClicked);
    connect(closeButton, &SkinButton::clicked, this, &ShapeOptionsDialog::closeClicked);
    bindDialogKeys(this, nullptr, closeButton);
}

void ShapeOptionsDialog::fillFrom(const CardItem& shape)
{
    const qint32 color = shape.shape.backColor;
    const int kind = shape.shape.shape;
    if (kind >= 0 && kind < shapeBox->count()) {
        shapeBox->setCurrentIndex(kind);
        shapePicked();
    }
    backColorBox->setBackColor(color);
}

void ShapeOptionsDialog::changeSelected(const QString& text,
                                        const std::function<void(ShapeLook&)>& change,
                                        EditMerge merge)
{
    const int index = m_editor.selection().index;
    // The template (0) is never selected; writing into it would change every new shape.
    if (index <= 0)
        return;
    m_editor.changeItem(
        ElementKind::Shape, index, [&](CardItem& item) { change(item.shape); }, text, merge);
}

void ShapeOptionsDialog::shapePicked()
{
    const int position = shapeBox->currentIndex();
    if (position < 0)
        return;
    pickedKindLabel->setText(QString::number(position));
    // Every list position is a valid kind.
    const qint16 kind = qint16(pickedKindLabel->text().toInt());
    changeSelected("Shape", [&](ShapeLook& look) { look.shape = kind; });
}

void ShapeOptionsDialog::backColorClicked()
{
    if (!chooseColorFor(this, *backColorBox))
        return;
    const qint32 color = backColorBox->backColor();
    changeSelected("Shape color", [&](ShapeLook& look) { look.backColor = color; });
}

void ShapeOptionsDialog::closeClicked() { close(); }
