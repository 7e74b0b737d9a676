#pragma once

#include <QDialog>

class ColorBox;
class CardEditor;
class QComboBox;
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

    void heightEdited();
    void widthEdited();
    void backColorClicked();
    void okClicked();
    void closeClicked();
    // A size from the list fills both boxes, which apply it as typing would.
    void sizeChosen(int index);

private:
    void createControls();
    void fillFromCard();
    // The list and the measures follow the card's size.
    void showSize();

    QLabel* heightLabel;
    QLineEdit* heightEdit; // card height in pixels
    QLabel* widthLabel;
    QLineEdit* widthEdit; // card width in pixels
    QLabel* backColorLabel;
    ColorBox* backColorBox;  // pending background colour
    SkinButton* okButton;    // "OK"
    SkinButton* closeButton; // "Close"
    QComboBox* sizeBox;      // the sizes people buy, and "Custom"
    QLabel* measuresLabel;   // the size in millimetres and inches

    CardEditor& m_editor;
};
