#include "canvas/form2.h"

Form2::Form2(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , xcx(new QMenu("pop", this))
    , kj(new QMenu("popp", this))
    , Timer1(new QTimer(this))
    , Timer3(new QTimer(this))
{
    setObjectName("Form2");
    xcx->setObjectName("xcx");
    fdsfds = xcx->addAction("Delete");
    fdsfds->setObjectName("fdsfds");
    kj->setObjectName("kj");
    ghjj = kj->addAction("Save");
    ghjj->setObjectName("ghjj");
    luyj = kj->addAction("Save As..");
    luyj->setObjectName("luyj");

    for (QTimer* timer : {Timer1, Timer3}) {
        timer->setInterval(500);
        timer->setSingleShot(true);
    }
    Timer1->setObjectName("Timer1");
    Timer3->setObjectName("Timer3");
}
