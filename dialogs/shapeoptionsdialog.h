#pragma once

#include "canvas/designcommand.h"

#include <QWidget>

#include <functional>

struct CardItem;
struct ShapeLook;
class ColorBox;
class CardEditor;
class QComboBox;
class QLabel;
class SkinButton;

// Shape Options: changes the selected shape's kind and fill colour at once. Like Text Options
// it looks the selection up again in every handler.
class ShapeOptionsDialog : public QWidget {
    Q_OBJECT
public:
    // The list entries; an entry's position is the shape's kind.
    static const QStringList Kinds;

    explicit ShapeOptionsDialog(CardEditor& editor);

    // The opener's filling: the list position, which runs the pick handler, then the colour.
    void fillFrom(const CardItem& shape);

    void shapePicked();
    void backColorClicked();
    void closeClicked();

private:
    // Changes the shape named by the editor's selection index, whatever kind the selection
    // has; nothing when there is none.
    void changeSelected(const QString& text, const std::function<void(ShapeLook&)>& change,
                        EditMerge merge = {});

    QLabel* shapeLabel;
    QComboBox* shapeBox; // the six kinds
    QLabel* backColorLabel;
    ColorBox* backColorBox;  // shape colour
    SkinButton* closeButton; // "Close"
    QLabel* pickedKindLabel; // hidden: the picked list position

    CardEditor& m_editor;
};
