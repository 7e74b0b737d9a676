#pragma once

#include "print/calibration.h"
#include "print/duplex.h"
#include "print/sheetlayout.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class SkinButton;
class QSpinBox;

// "Calibrate this printer": prints the calibration page and the duplex alignment page on a
// queue and takes what the user reads off them. OK keeps the correction for that queue;
// Cancel forgets the edits.
class CalibrationDialog : public QDialog {
    Q_OBJECT
public:
    // Measures on the ten-card stock of `chosen`'s paper; `printer` is preselected when it is
    // an installed queue.
    CalibrationDialog(const SheetLayout& chosen, const QString& printer, QWidget* parent = nullptr);

    // The correction the fields describe.
    PrinterCalibration correction() const;
    // How the duplex alignment page is turned over: long edge unless set.
    void setTurnOver(duplex::Sides sides);

    void accept() override;

private:
    void showQueue(const QString& queue);
    void printCalibrationPage();
    void printAlignmentPage();
    void updateSummary();
    void reportFailure(const PrintOutcome& outcome);

    QComboBox* printerBox;
    SkinButton* printPageButton;
    QSpinBox* squareAcross;
    QSpinBox* squareDown;
    QDoubleSpinBox* rulerAcross;
    QDoubleSpinBox* rulerDown;
    QComboBox* turnOverBox;
    SkinButton* printAlignmentButton;
    QDoubleSpinBox* backAcross;
    QDoubleSpinBox* backDown;
    QComboBox* handOrderBox;
    QLabel* summary;
    SkinButton* okButton;
    SkinButton* cancelButton;

    SheetLayout m_stock;
};
