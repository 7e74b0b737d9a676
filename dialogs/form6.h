#pragma once

#include <QWidget>

class ActiveShape;
class ColorBox;
class Form1;
class QComboBox;
class QLabel;
class QPushButton;

// Shape Options: changes the selected shape's kind and fill colour at once. Like Text Options
// it looks the selection up again in every handler.
class Form6 : public QWidget {
    Q_OBJECT
public:
    // The list entries; an entry's position is the shape's kind.
    static const QStringList Kinds;

    explicit Form6(Form1* owner);

    // The opener's filling: the list position, which runs the pick handler, then the colour.
    void fillFrom(const ActiveShape& shape);

    QLabel* Label2;
    QComboBox* List1; // the six kinds
    QLabel* Label1;
    ColorBox* Picture5; // shape colour
    QPushButton* Command1; // "Close"
    QLabel* Label3;        // hidden: the picked list position

    void List1_Click();
    void Picture5_Click();
    void Command1_Click();

private:
    // The shape named by the main window's selection index, whatever kind the selection has.
    ActiveShape* selectedShape() const;

    Form1* m_owner;
};
