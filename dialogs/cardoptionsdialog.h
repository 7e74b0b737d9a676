#pragma once

#include <QDialog>

class ColorBox;
class CardEditor;
class QLabel;
class QLineEdit;
class SkinButton;

// Card Options, shown modally: the card's height and width apply as they are typed; the
// background colour reaches the card only through "OK".
class CardOptionsDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr float MaxHeight = 210;
    static constexpr float MaxWidth = 385;
    // What the width box is set to after a too large width.
    static constexpr float WidthAfterLimit = 345;

    explicit CardOptionsDialog(CardEditor& editor);

    QLabel* Label1;
    QLineEdit* Text1; // card height in pixels
    QLabel* Label2;
    QLineEdit* Text2; // card width in pixels
    QLabel* Label3;
    ColorBox* Picture4;   // pending background colour
    SkinButton* Command5; // "OK"
    SkinButton* Command2; // "Close"

    void Text1_Change();
    void Text2_Change();
    void Picture4_Click();
    void Command5_Click();
    void Command2_Click();

  private:
    void createControls();
    void Form_Load();

    CardEditor& m_editor;
};
