#pragma once

#include "canvas/designcommand.h"

#include <QWidget>

#include <array>
#include <functional>

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
struct CardItem;
struct TextLook;

// Text Options: edits the selected text item live. It keeps no copy of the item: every
// handler looks the selection up in the editor when it runs, so selecting another element
// while the dialog is open redirects later changes, and changes for an item that does not
// exist are dropped.
class TextOptionsDialog : public QWidget {
    Q_OBJECT
public:
    explicit TextOptionsDialog(CardEditor& editor);

    // Fills the controls from a text item, in the opener's order; this may run the handlers,
    // which write the same values back.
    void fillFrom(const CardItem& item);

    void fontPicked();
    void sizePicked();
    void boldClicked();
    void italicClicked();
    void underlineClicked();
    void alignmentClicked();
    void textColorClicked();
    void backColorClicked();
    void sameAsCardClicked();
    void shrinkToFitClicked();
    void textEdited();
    void closeClicked();

private:
    void createControls();
    void fillLists();
    // Changes the text item named by the editor's selection index, whatever kind the
    // selection has; nothing when there is none.
    void changeSelected(const QString& text, const std::function<void(TextLook&)>& change,
                        EditMerge merge = {});

    QLabel* fontLabel;
    QComboBox* fontBox; // font faces
    QLabel* sizeLabel;
    QComboBox* sizeBox; // sizes
    QLabel* styleLabel;
    PictureCheckBox* boldBox;      // bold
    PictureCheckBox* italicBox;    // italic
    PictureCheckBox* underlineBox; // underline
    QLabel* alignmentLabel;
    // Indexed by alignment code: 0 left, 1 right, 2 centre.
    std::array<PictureOptionButton*, 3> alignmentButtons;
    QLabel* textColorLabel;
    ColorBox* textColorBox; // text colour
    QLabel* backColorLabel;
    ColorBox* backColorBox;    // text background colour
    QCheckBox* sameAsCardBox;  // "Same Card Background"
    QCheckBox* shrinkToFitBox; // "Shrink to Fit"
    QLabel* textLabel;
    QLineEdit* textEdit;     // the item's text
    SkinButton* closeButton; // "Close"

    CardEditor& m_editor;
    QButtonGroup* m_alignment;
};
