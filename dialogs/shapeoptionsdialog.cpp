#include "dialogs/shapeoptionsdialog.h"

#include "canvas/cardeditor.h"
#include "controls/programbutton.h"
#include "dialogs/colorbox.h"
#include "dialogs/twipslayout.h"

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

    Label2 = new QLabel("Shape", this);
    Label2->setObjectName("Label2");
    placeTwips(Label2, 120, 240, 600, 240);
    List1 = new QComboBox(this);
    List1->setObjectName("List1");
    List1->setEditable(true);
    List1->setInsertPolicy(QComboBox::NoInsert);
    List1->addItems(Kinds);
    List1->setCurrentIndex(-1);
    List1->setEditText("Combo1");
    placeTwips(List1, 960, 240, 2295, 360);
    Label1 = new QLabel("Background Color", this);
    Label1->setObjectName("Label1");
    placeTwips(Label1, 120, 840, 1620, 240);
    Picture5 = new ColorBox(this);
    Picture5->setObjectName("Picture5");
    placeTwips(Picture5, 1920, 840, 615, 255);
    Command1 = makeProgramButton(this, "Close", ":/icon-close.svg");
    Command1->setObjectName("Command1");
    placeTwips(Command1, 1200, 1560, 1455, 495);
    Label3 = new QLabel(this);
    Label3->setObjectName("Label3");
    placeTwips(Label3, 1080, 1800, 1695, 375);
    Label3->hide();

    connect(List1, &QComboBox::activated, this, &ShapeOptionsDialog::List1_Click);
    connect(Picture5, &ColorBox::Click, this, &ShapeOptionsDialog::Picture5_Click);
    connect(Command1, &SkinButton::clicked, this, &ShapeOptionsDialog::Command1_Click);
}

void ShapeOptionsDialog::fillFrom(const ShapeElement& shape)
{
    const qint32 color = shape.BackColor();
    const int kind = shape.Shape();
    if (kind >= 0 && kind < List1->count()) {
        List1->setCurrentIndex(kind);
        List1_Click();
    }
    Picture5->setBackColor(color);
}

ShapeElement* ShapeOptionsDialog::selectedShape() const
{
    const int index = m_editor.selection().index;
    // The template (0) is never selected; writing into it would change every new shape.
    if (index <= 0) return nullptr;
    return m_editor.shapes[index];
}

void ShapeOptionsDialog::List1_Click()
{
    const int position = List1->currentIndex();
    if (position < 0) return;
    Label3->setText(QString::number(position));
    if (ShapeElement* shape = selectedShape()) {
        // Every list position is a valid kind, so the shape cannot refuse it.
        [[maybe_unused]] const bool taken = shape->setShape(Label3->text().toInt());
    }
}

void ShapeOptionsDialog::Picture5_Click()
{
    if (!chooseColorFor(this, *Picture5)) return;
    if (ShapeElement* shape = selectedShape()) shape->setBackColor(Picture5->BackColor());
}

void ShapeOptionsDialog::Command1_Click()
{
    close();
}
