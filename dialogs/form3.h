#pragma once

#include <QWidget>

class SuperLabel;

// Text Options: edits the selected text item live.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(QWidget* owner);
    // Fills the controls from a text item, as the double-click opener does.
    void fillFrom(const SuperLabel& item);
};
