#include "dialogs/textoptionsdialog.h"

#include "canvas/cardeditor.h"
#include "controls/programbutton.h"
#include "dialogs/colorbox.h"
#include "dialogs/picturebuttons.h"
#include "dialogs/twipslayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>

namespace {
const QString ScriptSuffix = QStringLiteral(" (Arabic)");

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

const QStringList TextOptionsDialog::SuffixedFaces = {"Arial", "Courier New", "Times New Roman",
                                                      "Tahoma"};

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
    Form_Load();

    connect(Combo1, &QComboBox::activated, this, &TextOptionsDialog::Combo1_Click);
    connect(Combo2, &QComboBox::activated, this, &TextOptionsDialog::Combo2_Click);
    connect(Check1, &QCheckBox::stateChanged, this, &TextOptionsDialog::Check1_Click);
    connect(Check2, &QCheckBox::stateChanged, this, &TextOptionsDialog::Check2_Click);
    connect(Check3, &QCheckBox::stateChanged, this, &TextOptionsDialog::Check3_Click);
    for (PictureOptionButton* option : Option1)
        connect(option, &QAbstractButton::toggled, this, [this](bool on) {
            if (on) Option1_Click();
        });
    connect(Picture4, &ColorBox::Click, this, &TextOptionsDialog::Picture4_Click);
    connect(Picture1, &ColorBox::Click, this, &TextOptionsDialog::Picture1_Click);
    connect(Check4, &QCheckBox::stateChanged, this, &TextOptionsDialog::Check4_Click);
    connect(Text1, &QLineEdit::textChanged, this, &TextOptionsDialog::Text1_Change);
    connect(Command1, &SkinButton::clicked, this, &TextOptionsDialog::Command1_Click);
}

void TextOptionsDialog::createControls()
{
    Label1 = label(this, "Label1", "Font");
    placeTwips(Label1, 240, 120, 390, 240);
    Combo1 = listBox(this, "Combo1");
    placeTwips(Combo1, 720, 120, 2295, 360);
    Label2 = label(this, "Label2", "Size");
    placeTwips(Label2, 3360, 120, 390, 240);
    Combo2 = listBox(this, "Combo2");
    placeTwips(Combo2, 3840, 120, 1935, 360);

    Label6 = label(this, "Label6", "Style");
    placeTwips(Label6, 240, 720, 450, 240);
    Check1 = new PictureCheckBox(":/style-bold.svg", this);
    Check2 = new PictureCheckBox(":/style-italic.svg", this);
    Check3 = new PictureCheckBox(":/style-underline.svg", this);
    const char* checkNames[] = {"Check1", "Check2", "Check3"};
    const char* checkMeanings[] = {"Bold", "Italic", "Underline"};
    int left = 840;
    for (int i = 0; PictureCheckBox * check : {Check1, Check2, Check3}) {
        check->setObjectName(checkNames[i]);
        check->setAccessibleName(checkMeanings[i]);
        placeTwips(check, left, 720, 375, 375);
        left += 360;
        ++i;
    }

    Label4 = label(this, "Label4", "Alignment");
    placeTwips(Label4, 2640, 720, 885, 240);
    m_alignment = new QButtonGroup(this);
    Option1[0] = new PictureOptionButton(":/align-left.svg", this);
    Option1[2] = new PictureOptionButton(":/align-center.svg", this);
    Option1[1] = new PictureOptionButton(":/align-right.svg", this);
    // On screen: left, centre, right.
    const struct {
        int index;
        int left;
        const char* meaning;
    } options[] = {{0, 3840, "Left"}, {2, 4200, "Center"}, {1, 4560, "Right"}};
    for (const auto& option : options) {
        PictureOptionButton* button = Option1[option.index];
        button->setObjectName(QStringLiteral("Option1_%1").arg(option.index));
        button->setAccessibleName(option.meaning);
        placeTwips(button, option.left, 720, 375, 375);
        m_alignment->addButton(button, option.index);
    }

    Label3 = label(this, "Label3", "Text Color");
    placeTwips(Label3, 120, 1440, 915, 240);
    Picture4 = new ColorBox(this);
    Picture4->setObjectName("Picture4");
    placeTwips(Picture4, 1200, 1440, 615, 375);
    Label7 = label(this, "Label7", "Text Background Color");
    placeTwips(Label7, 1920, 1440, 2055, 240);
    Picture1 = new ColorBox(this);
    Picture1->setObjectName("Picture1");
    placeTwips(Picture1, 4080, 1320, 615, 375);
    Check4 = new QCheckBox("Same Card Background", this);
    Check4->setObjectName("Check4");
    placeTwips(Check4, 4800, 1320, 2655, 375);

    Label5 = label(this, "Label5", "Text");
    placeTwips(Label5, 120, 1920, 495, 255);
    Text1 = new QLineEdit("Text", this);
    Text1->setObjectName("Text1");
    placeTwips(Text1, 600, 1920, 6735, 375);

    Command1 = makeProgramButton(this, "Close", ":/icon-close.svg");
    Command1->setObjectName("Command1");
    placeTwips(Command1, 3120, 2520, 1455, 495);
}

void TextOptionsDialog::Form_Load()
{
    Combo1->addItems(QFontDatabase::families());
    for (int size = 1; size <= 120; ++size)
        Combo2->addItem(QString::number(size));
    // Nothing is picked until the opener fills the boxes.
    Combo1->setCurrentIndex(-1);
    Combo2->setCurrentIndex(-1);
}

void TextOptionsDialog::fillFrom(const TextElement& item)
{
    // Read everything first, so the handlers' write-backs below cannot mix in their own values.
    const QString face = item.FontName();
    const float size = item.FontSize();
    const qint16 alignment = item.Alignment();
    const bool bold = item.FontBold();
    const bool italic = item.FontItalic();
    const bool underline = item.FontUnderline();
    const qint32 textColor = item.FRWColor();
    const qint32 backColor = item.BackColor();
    const QString caption = item.Caption();

    Combo1->setEditText(face);
    Combo2->setEditText(QString::number(size));
    if (alignment >= 0 && alignment < int(Option1.size())) {
        Option1[alignment]->setChecked(true);
    } else {
        m_alignment->setExclusive(false);
        for (PictureOptionButton* option : Option1)
            option->setChecked(false);
        m_alignment->setExclusive(true);
    }
    Check1->setCheckState(bold ? Qt::Checked : Qt::Unchecked);
    Check2->setCheckState(italic ? Qt::Checked : Qt::Unchecked);
    Check3->setCheckState(underline ? Qt::Checked : Qt::Unchecked);
    Picture4->setBackColor(textColor);
    Picture1->setBackColor(backColor);
    Text1->setText(caption);
}

TextElement* TextOptionsDialog::selectedItem() const
{
    const int index = m_editor.selection().index;
    // The template (0) is never selected; writing into it would change every new item.
    if (index <= 0) return nullptr;
    return m_editor.texts[index];
}

void TextOptionsDialog::Combo1_Click()
{
    const QString face = Combo1->currentText();
    if (TextElement* item = selectedItem())
        item->setFontName(SuffixedFaces.contains(face) ? face + ScriptSuffix : face);
}

void TextOptionsDialog::Combo2_Click()
{
    bool ok = false;
    const float size = Combo2->currentText().toFloat(&ok);
    if (!ok) return;
    if (TextElement* item = selectedItem())
        item->setFontSize(size); // a size the item refuses leaves it as it was
}

void TextOptionsDialog::Check1_Click()
{
    if (TextElement* item = selectedItem())
        item->setFontBold(Check1->checkState() != Qt::Unchecked);
}

void TextOptionsDialog::Check2_Click()
{
    if (TextElement* item = selectedItem())
        item->setFontItalic(Check2->checkState() != Qt::Unchecked);
}

void TextOptionsDialog::Check3_Click()
{
    if (TextElement* item = selectedItem())
        item->setFontUnderline(Check3->checkState() != Qt::Unchecked);
}

void TextOptionsDialog::Option1_Click()
{
    TextElement* item = selectedItem();
    if (!item) return;
    for (int index = 0; index < int(Option1.size()); ++index)
        if (Option1[index]->isChecked()) item->setAlignment(qint16(index));
}

void TextOptionsDialog::Picture4_Click()
{
    if (!chooseColorFor(this, *Picture4)) return;
    if (TextElement* item = selectedItem()) item->setFRWColor(Picture4->BackColor());
}

void TextOptionsDialog::Picture1_Click()
{
    if (!chooseColorFor(this, *Picture1)) return;
    if (TextElement* item = selectedItem()) item->setBackColor(Picture1->BackColor());
}

void TextOptionsDialog::Check4_Click()
{
    if (Check4->checkState() != Qt::Checked) return;
    Picture1->setBackColor(m_editor.canvas()->BackColor());
    if (TextElement* item = selectedItem()) item->setBackColor(Picture1->BackColor());
}

void TextOptionsDialog::Text1_Change()
{
    if (TextElement* item = selectedItem()) item->setCaption(Text1->text());
}

void TextOptionsDialog::Command1_Click()
{
    hide();
}
