#pragma once

#include <QWidget>

class ActiveShape;

// Shape Options: changes the selected shape's kind and fill colour.
class Form6 : public QWidget {
    Q_OBJECT
public:
    explicit Form6(QWidget* owner);
    void fillFrom(const ActiveShape& shape);
};
