#pragma once

#include "print/duplex.h"
#include "print/printsheet.h"

#include <QDialog>
#include <QLine>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class SkinButton;
class QScrollBar;

// "Print Options": printer, copies, quality and colour for the next sheet. OK only hides it,
// so its choices stay for the next print; Cancel and the close box destroy it. Picking a
// printer makes it the program's current printer at once, whichever way the dialog is left.
class PrintOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // The entry after the installed printers that writes a PDF file instead.
    static const QString PdfEntry;

    explicit PrintOptionsDialog(QWidget* parent = nullptr);

    // Whether the dialog was last left with OK (false at start and after Cancel).
    static bool accepted();
    // The printer chosen last in any showing of the dialog; empty before the first pick.
    static QString lastPrinter();
    // The program's current printer: the system's default until one is picked, and the PDF
    // entry when no printer is installed.
    static QString currentPrinter();
    // Test hook: forget the choices of earlier dialogs.
    static void resetChoices();

    // The job the controls describe (the PDF file name is asked for when printing).
    SheetJob job() const;

    // A card with a back adds the choice of sides below the quality; without one the dialog
    // has none and prints the front.
    void offerSides(bool cardHasBack);
    duplex::Sides sides() const;

    void reject() override; // Escape: as Cancel

    // The group frames, in twips: four sides each of the printer, copies and quality groups.
    static const std::array<QLine, 12>& frameLines();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void fillPrinters();
    void selectPrinter(const QString& name);
    void copiesChanged(const QString& text);

    QComboBox* printerBox;
    QLineEdit* copiesBox;
    QScrollBar* copiesSpinner;
    QRadioButton* lowQuality;
    QRadioButton* normalQuality;
    QRadioButton* excellentQuality;
    SkinButton* okButton;
    SkinButton* cancelButton;
    QCheckBox* colourBox; // off-window, reached with the keyboard only
    QCheckBox* greyBox;   // its opposite

    QButtonGroup* m_quality;
    QComboBox* sidesBox = nullptr; // made for the first card with a back
};
