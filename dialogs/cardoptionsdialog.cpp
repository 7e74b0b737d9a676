#include "dialogs/cardoptionsdialog.h"

#include "canvas/cardeditor.h"
#include "controls/programbutton.h"
#include "dialogs/cardsize.h"
#include "dialogs/colorbox.h"
#include "dialogs/twipslayout.h"
#include "platform/platform.h"

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

    connect(Text1, &QLineEdit::textChanged, this, &CardOptionsDialog::Text1_Change);
    connect(Text2, &QLineEdit::textChanged, this, &CardOptionsDialog::Text2_Change);
    connect(Picture4, &ColorBox::Click, this, &CardOptionsDialog::Picture4_Click);
    connect(Command5, &SkinButton::clicked, this, &CardOptionsDialog::Command5_Click);
    connect(Command2, &SkinButton::clicked, this, &CardOptionsDialog::Command2_Click);

    Form_Load();

    // Centred on the screen, not over the main window; a set position is kept by show().
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void CardOptionsDialog::createControls()
{
    Label1 = new QLabel("Height", this);
    Label1->setObjectName("Label1");
    placeTwips(Label1, 240, 120, 975, 255);
    Text1 = new QLineEdit(this);
    Text1->setObjectName("Text1");
    placeTwips(Text1, 1320, 120, 975, 375);
    Label2 = new QLabel("Width", this);
    Label2->setObjectName("Label2");
    placeTwips(Label2, 240, 600, 975, 255);
    Text2 = new QLineEdit(this);
    Text2->setObjectName("Text2");
    placeTwips(Text2, 1320, 600, 975, 375);
    Label3 = new QLabel("Background Color", this);
    Label3->setObjectName("Label3");
    placeTwips(Label3, 120, 1320, 1620, 240);
    Picture4 = new ColorBox(this);
    Picture4->setObjectName("Picture4");
    placeTwips(Picture4, 1800, 1200, 615, 375);
    Command5 = makeProgramButton(this, "OK", ":/icon-ok.svg");
    Command5->setObjectName("Command5");
    placeTwips(Command5, 1080, 2040, 1455, 495);
    Command2 = makeProgramButton(this, "Close", ":/icon-close.svg");
    Command2->setObjectName("Command2");
    placeTwips(Command2, 2640, 2040, 1455, 495);
}

void CardOptionsDialog::Form_Load()
{
    Picture4->setBackColor(m_editor.canvas()->BackColor());
    // These run the size rules: opening alone re-applies the size and clears the primed flag.
    Text1->setText(QString::number(m_editor.canvas()->Height()));
    Text2->setText(QString::number(m_editor.canvas()->Width()));
}

void CardOptionsDialog::Text1_Change()
{
    // Any edit means the print sheet must be primed again, even one that is not a size yet.
    m_editor.setSheetPrimed(false);
    const std::optional<float> height = cardSizeFromText(Text1->text());
    if (!height) return;
    if (*height > MaxHeight) {
        tellLimit(this, "Maximum Height=210");
        Text1->setText(QString::number(MaxHeight));
        return;
    }
    m_editor.canvas()->setCardHeight(*height);
}

void CardOptionsDialog::Text2_Change()
{
    m_editor.setSheetPrimed(false);
    const std::optional<float> width = cardSizeFromText(Text2->text());
    if (!width) return;
    if (*width > MaxWidth) {
        tellLimit(this, "Maximum Width=385");
        Text2->setText(QString::number(WidthAfterLimit));
        return;
    }
    m_editor.canvas()->setCardWidth(*width);
}

void CardOptionsDialog::Picture4_Click()
{
    chooseColorFor(this, *Picture4);
}

void CardOptionsDialog::Command5_Click()
{
    m_editor.canvas()->setBackColor(Picture4->BackColor());
    accept();
}

void CardOptionsDialog::Command2_Click()
{
    reject();
}
