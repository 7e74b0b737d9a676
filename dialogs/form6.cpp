#include "dialogs/form6.h"

#include "app/form1.h"
#include "dialogs/colorbox.h"
#include "dialogs/twipslayout.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const QStringList Form6::Kinds = {"Rectangle",         "Square",        "Oval", "Circular",
                                  "Rounded Rectangle", "Rounded Square"};

Form6::Form6(Form1* owner)
    : QWidget(owner, Qt::Window)
    , m_owner(owner)
{
    setObjectName("Form6");
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
    Command1 = new QPushButton("Close", this);
    Command1->setObjectName("Command1");
    placeTwips(Command1, 1200, 1560, 1455, 495);
    Label3 = new QLabel(this);
    Label3->setObjectName("Label3");
    placeTwips(Label3, 1080, 1800, 1695, 375);
    Label3->hide();

    connect(List1, &QComboBox::activated, this, &Form6::List1_Click);
    connect(Picture5, &ColorBox::Click, this, &Form6::Picture5_Click);
    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
}

void Form6::fillFrom(const ActiveShape& shape)
{
    const qint32 color = shape.BackColor();
    const int kind = shape.Shape();
    if (kind >= 0 && kind < List1->count()) {
        List1->setCurrentIndex(kind);
        List1_Click();
    }
    Picture5->setBackColor(color);
}

ActiveShape* Form6::selectedShape() const
{
    bool ok = false;
    const int index = m_owner->Text1->text().toInt(&ok);
    // The template (0) is never selected; writing into it would change every new shape.
    if (!ok || index == 0)
        return nullptr;
    return m_owner->ActiveShape1[index];
}

void Form6::List1_Click()
{
    const int position = List1->currentIndex();
    if (position < 0)
        return;
    Label3->setText(QString::number(position));
    if (ActiveShape* shape = selectedShape()) {
        // Every list position is a valid kind, so the shape cannot refuse it.
        [[maybe_unused]] const bool taken = shape->setShape(Label3->text().toInt());
    }
}

void Form6::Picture5_Click()
{
    if (!chooseColorFor(this, *Picture5))
        return;
    if (ActiveShape* shape = selectedShape())
        shape->setBackColor(Picture5->BackColor());
}

void Form6::Command1_Click() { close(); }
