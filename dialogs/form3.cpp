#include "dialogs/form3.h"

Form3::Form3(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName("Form3");
    setWindowTitle("Text Options");
    resize(320, 240);
}

void Form3::fillFrom(const SuperLabel&) {}
