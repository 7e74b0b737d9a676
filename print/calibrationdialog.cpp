#include "print/calibrationdialog.h"

#include "controls/programbutton.h"
#include "print/alignmentpage.h"
#include "print/calibrationpage.h"
#include "print/turnstack.h"
#include "prompt/platform.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinterInfo>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const QString Title = QStringLiteral("Calibrate this printer");
}

CalibrationDialog::CalibrationDialog(const SheetLayout& chosen, const QString& printer,
                                     QWidget* parent)
    : QDialog(parent)
    , m_stock(calibrationpage::stockFor(chosen))
{
    setObjectName("CalibrationDialog");
    setWindowTitle(Title);

    printerBox = new QComboBox(this);
    printerBox->setObjectName("printerBox");
    printerBox->addItems(QPrinterInfo::availablePrinterNames());
    printPageButton = makeProgramButton(this, "Print calibration page", ":/icon-print.svg");
    printPageButton->setObjectName("printPageButton");
    printPageButton->setEnabled(printerBox->count() > 0);

    const auto squareBox = [this](const char* name) {
        auto* box = new QSpinBox(this);
        box->setObjectName(name);
        box->setRange(-calibration::MaxSquare, calibration::MaxSquare);
        box->setButtonSymbols(QAbstractSpinBox::PlusMinus);
        return box;
    };
    // Millimetres read to the half.
    const auto mmBox = [this](const char* name, double lowest, double highest) {
        auto* box = new QDoubleSpinBox(this);
        box->setObjectName(name);
        box->setDecimals(1);
        box->setSingleStep(0.5);
        box->setSuffix(" mm");
        box->setRange(lowest, highest);
        return box;
    };
    const auto rulerBox = [&](const char* name) {
        return mmBox(name, calibration::RulerMm * 100 / calibration::MaxScalePercent,
                     calibration::RulerMm * 100 / calibration::MinScalePercent);
    };
    const auto backBox = [&](const char* name) {
        return mmBox(name, -calibration::MaxOffsetMm, calibration::MaxOffsetMm);
    };
    squareAcross = squareBox("squareAcross");
    squareDown = squareBox("squareDown");
    rulerAcross = rulerBox("rulerAcross");
    rulerDown = rulerBox("rulerDown");
    turnOverBox = new QComboBox(this);
    turnOverBox->setObjectName("turnOverBox");
    turnOverBox->addItem("Both sides (long edge)", int(duplex::Sides::LongEdge));
    turnOverBox->addItem("Both sides (short edge)", int(duplex::Sides::ShortEdge));
    printAlignmentButton =
        makeProgramButton(this, "Print duplex alignment page", ":/icon-print.svg");
    printAlignmentButton->setObjectName("printAlignmentButton");
    printAlignmentButton->setEnabled(printerBox->count() > 0);
    backAcross = backBox("backAcross");
    backDown = backBox("backDown");
    // Which sheet a stack put back as it came out gives first.
    handOrderBox = new QComboBox(this);
    handOrderBox->setObjectName("handOrderBox");
    handOrderBox->addItem("Last sheet first (stacked face down)", false);
    handOrderBox->addItem("First sheet first (stacked face up)", true);
    summary = new QLabel(this);
    summary->setObjectName("summary");
    okButton = makeProgramButton(this, "OK", ":/icon-ok.svg");
    okButton->setObjectName("okButton");
    cancelButton = makeProgramButton(this, "Cancel", ":/icon-cancel.svg");
    cancelButton->setObjectName("cancelButton");

    auto* intro = new QLabel(QStringLiteral("Print the page on the card stock of \"%1\", then "
                                            "enter what you read off it. The duplex alignment "
                                            "page goes on plain paper.")
                                 .arg(m_stock.caption),
                             this);
    intro->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow("Printer", printerBox);
    form->addRow("", printPageButton);
    form->addRow("Across: square on the perforation", squareAcross);
    form->addRow("Down: square on the perforation", squareDown);
    form->addRow("Across ruler measures", rulerAcross);
    form->addRow("Down ruler measures", rulerDown);
    form->addRow("Duplex alignment page", turnOverBox);
    form->addRow("", printAlignmentButton);
    form->addRow("Back across: scale at the line", backAcross);
    form->addRow("Back down: scale at the line", backDown);
    form->addRow("Backs printed by hand", handOrderBox);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(summary);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(okButton);
    buttonRow->addWidget(cancelButton);
    layout->addLayout(buttonRow);

    connect(printerBox, &QComboBox::currentTextChanged, this, &CalibrationDialog::showQueue);
    connect(printPageButton, &SkinButton::clicked, this, &CalibrationDialog::printCalibrationPage);
    for (QSpinBox* box : {squareAcross, squareDown})
        connect(box, &QSpinBox::valueChanged, this, &CalibrationDialog::updateSummary);
    connect(printAlignmentButton, &SkinButton::clicked, this,
            &CalibrationDialog::printAlignmentPage);
    for (QDoubleSpinBox* box : {rulerAcross, rulerDown, backAcross, backDown})
        connect(box, &QDoubleSpinBox::valueChanged, this, &CalibrationDialog::updateSummary);
    connect(okButton, &SkinButton::clicked, this, &CalibrationDialog::accept);
    connect(cancelButton, &SkinButton::clicked, this, &CalibrationDialog::reject);

    if (printerBox->findText(printer) >= 0)
        printerBox->setCurrentText(printer);
    showQueue(printerBox->currentText());
}

PrinterCalibration CalibrationDialog::correction() const
{
    calibration::Readings readings;
    readings.squareAcross = squareAcross->value();
    readings.squareDown = squareDown->value();
    readings.rulerAcrossMm = rulerAcross->value();
    readings.rulerDownMm = rulerDown->value();
    PrinterCalibration c =
        calibration::fromReadings(readings, calibrationpage::perforationMm(m_stock));
    // The scales of the alignment page read the back offset itself.
    c.backOffsetXMm = backAcross->value();
    c.backOffsetYMm = backDown->value();
    c.backsInPrintedOrder = handOrderBox->currentData().toBool();
    return calibration::sanitized(c);
}

void CalibrationDialog::setTurnOver(duplex::Sides sides)
{
    if (const int at = turnOverBox->findData(int(sides)); at >= 0)
        turnOverBox->setCurrentIndex(at);
}

void CalibrationDialog::showQueue(const QString& queue)
{
    const PrinterCalibration stored =
        queue.isEmpty() ? PrinterCalibration() : calibration::load(queue);
    const calibration::Readings readings =
        calibration::toReadings(stored, calibrationpage::perforationMm(m_stock));
    squareAcross->setValue(readings.squareAcross);
    squareDown->setValue(readings.squareDown);
    rulerAcross->setValue(readings.rulerAcrossMm);
    rulerDown->setValue(readings.rulerDownMm);
    backAcross->setValue(stored.backOffsetXMm);
    backDown->setValue(stored.backOffsetYMm);
    handOrderBox->setCurrentIndex(handOrderBox->findData(stored.backsInPrintedOrder));
    updateSummary();
}

void CalibrationDialog::updateSummary()
{
    const PrinterCalibration c = correction();
    summary->setText(QStringLiteral("Correction: move %1 mm across, %2 mm down; scale %3 % "
                                    "across, %4 % down.")
                         .arg(c.offsetXMm, 0, 'f', 2)
                         .arg(c.offsetYMm, 0, 'f', 2)
                         .arg(c.scaleXPercent, 0, 'f', 1)
                         .arg(c.scaleYPercent, 0, 'f', 1)
                     + QStringLiteral("\nBacks: move a further %1 mm across, %2 mm down.")
                           .arg(c.backOffsetXMm, 0, 'f', 2)
                           .arg(c.backOffsetYMm, 0, 'f', 2));
}

void CalibrationDialog::printCalibrationPage()
{
    PrintOutcome outcome;
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        outcome = calibrationpage::print(printerBox->currentText(), m_stock);
        QGuiApplication::restoreOverrideCursor();
    }
    reportFailure(outcome);
}

void CalibrationDialog::printAlignmentPage()
{
    const auto sides = duplex::Sides(turnOverBox->currentData().toInt());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const PrintOutcome outcome =
        alignmentpage::print(printerBox->currentText(), m_stock.paperTwips, sides,
                             [this, sides] { return duplex::askToTurnStack(this, sides, Title); });
    QGuiApplication::restoreOverrideCursor();
    reportFailure(outcome);
}

void CalibrationDialog::reportFailure(const PrintOutcome& outcome)
{
    if (!outcome.sent)
        Platform::instance().messageBox(this, outcome.reason, Title, QMessageBox::Ok,
                                        QMessageBox::Critical);
}

void CalibrationDialog::accept()
{
    const QString queue = printerBox->currentText();
    if (!queue.isEmpty() && !calibration::save(queue, correction())) {
        Platform::instance().messageBox(this,
                                        QStringLiteral("The calibration of \"%1\" could not be "
                                                       "saved.")
                                            .arg(queue),
                                        Title, QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    QDialog::accept();
}
