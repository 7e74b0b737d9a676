#pragma once

#include <QWidget>

#include <array>

class ColorBox;
class CardEditor;
class PictureCheckBox;
class PictureOptionButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class SkinButton;
class TextElement;

// Text Options: edits the selected text item live. It keeps no copy of the item: every
// handler looks the selection up in the editor when it runs, so selecting another element
// while the dialog is open redirects later changes, and changes for an item that does not
// exist are dropped.
class TextOptionsDialog : public QWidget {
    Q_OBJECT
  public:
    // Faces stored with the script suffix when picked.
    static const QStringList SuffixedFaces;

    explicit TextOptionsDialog(CardEditor& editor);

    // Fills the controls from a text item, in the opener's order; this may run the handlers,
    // which write the same values back.
    void fillFrom(const TextElement& item);

    QLabel* Label1;
    QComboBox* Combo1; // font faces
    QLabel* Label2;
    QComboBox* Combo2; // sizes
    QLabel* Label6;
    PictureCheckBox* Check1; // bold
    PictureCheckBox* Check2; // italic
    PictureCheckBox* Check3; // underline
    QLabel* Label4;
    // Indexed by alignment code: 0 left, 1 right, 2 centre.
    std::array<PictureOptionButton*, 3> Option1;
    QLabel* Label3;
    ColorBox* Picture4; // text colour
    QLabel* Label7;
    ColorBox* Picture1; // text background colour
    QCheckBox* Check4;  // "Same Card Background"
    QLabel* Label5;
    QLineEdit* Text1;     // the item's text
    SkinButton* Command1; // "Close"

    void Combo1_Click();
    void Combo2_Click();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Option1_Click();
    void Picture4_Click();
    void Picture1_Click();
    void Check4_Click();
    void Text1_Change();
    void Command1_Click();

  private:
    void createControls();
    void Form_Load();
    // The text item named by the editor's selection index, whatever kind the selection
    // has; null when there is none.
    TextElement* selectedItem() const;

    CardEditor& m_editor;
    QButtonGroup* m_alignment;
};
