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

    void heightEdited();
    void widthEdited();
    void backColorClicked();
    void okClicked();
    void closeClicked();

private:
    void createControls();
    void fillFromCard();

    QLabel* heightLabel;
    QLineEdit* heightEdit; // card height in pixels
    QLabel* widthLabel;
    QLineEdit* widthEdit; // card width in pixels
    QLabel* backColorLabel;
    ColorBox* backColorBox;  // pending background colour
    SkinButton* okButton;    // "OK"
    SkinButton* closeButton; // "Close"

    CardEditor& m_editor;
};
