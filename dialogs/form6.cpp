#include "dialogs/form6.h"

Form6::Form6(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName("Form6");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Shape Options");
    resize(240, 200);
}

void Form6::fillFrom(const ActiveShape&) {}
