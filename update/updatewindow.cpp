#include "update/updatewindow.h"

#include <QLabel>
#include <QVBoxLayout>

UpdateWindow::UpdateWindow(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName("UpdateWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Check for Update");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Checking for a new version of Quillmark...", this));
}
