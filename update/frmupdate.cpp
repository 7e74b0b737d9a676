#include "update/frmupdate.h"

#include <QLabel>
#include <QVBoxLayout>

FrmUpdate::FrmUpdate(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName("FrmUpdate");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Check for Update");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Checking for a new version of Quillmark...", this));
}
