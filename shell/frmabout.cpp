#include "shell/frmabout.h"
frmAbout::frmAbout(QWidget* owner) : QDialog(owner) { setObjectName("frmAbout"); setAttribute(Qt::WA_DeleteOnClose); setWindowTitle("About"); }
