#include "print/cardscountdialog.h"

#include "controls/programbutton.h"
#include "controls/twipslayout.h"
#include "print/sheetlayout.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>

CardsCountDialog::CardsCountDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("CardsCountDialog");
    setWindowTitle("Cards Count");
    useDesignFont(this);
    setClientTwips(this, 3840, 1515);

    // Created in tab order: rows, OK, then the off-window columns box.
    auto* rowsLabel = new QLabel("Rows", this);
    placeTwips(rowsLabel, 120, 120, 510, 240);
    rowsBox = new QComboBox(this);
    rowsBox->setObjectName("rowsBox");
    placeTwips(rowsBox, 1080, 120, 975, 360);
    okButton = makeProgramButton(this, "OK", ":/icon-ok.svg");
    okButton->setObjectName("okButton");
    placeTwips(okButton, 1200, 840, 1455, 495);
    columnsBox = new QComboBox(this);
    columnsBox->setObjectName("columnsBox");
    columnsBox->setEditable(true);
    columnsBox->setInsertPolicy(QComboBox::NoInsert);
    placeTwips(columnsBox, 4080, 1800, 975, 315);
    auto* columnsLabel = new QLabel(QString::fromUtf8("عدد الأعمدة"), this);
    placeTwips(columnsLabel, 5280, 1800, 855, 255);
    // Each label names its field to assistive technology.
    rowsLabel->setBuddy(rowsBox);
    columnsLabel->setBuddy(columnsBox);

    for (int n = 1; n <= sheet::MaxCount; ++n) {
        rowsBox->addItem(QString::number(n));
        columnsBox->addItem(QString::number(n));
    }
    rowsBox->setCurrentText("4");
    columnsBox->setCurrentText("2");
    setTabOrder(rowsBox, okButton);
    setTabOrder(okButton, columnsBox);

    connect(okButton, &SkinButton::clicked, this, [this] {
        done(QDialog::Accepted);
        emit okClicked();
    });
    // Escape does nothing here, as the close box does nothing.
    bindDialogKeys(this, okButton, nullptr);
}

int CardsCountDialog::rows() const { return sheet::sheetCount(rowsBox->currentText()); }

int CardsCountDialog::columns() const { return sheet::sheetCount(columnsBox->currentText()); }

void CardsCountDialog::reject() {}

void CardsCountDialog::closeEvent(QCloseEvent* event) { event->ignore(); }
