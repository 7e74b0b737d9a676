#pragma once

#include <QPointF>
#include <QString>

class QTransform;

// A printer's correction, kept per CUPS queue: the page is scaled about its top-left corner,
// then moved. Only jobs to that queue get it; previews and PDF files show the nominal sheet.
struct PrinterCalibration {
    double offsetXMm = 0;
    double offsetYMm = 0;
    double scaleXPercent = 100;
    double scaleYPercent = 100;
    // The backs of two-sided sheets come out shifted against their fronts: they are moved
    // this much further, in the back page's own directions (across to its right, down).
    double backOffsetXMm = 0;
    double backOffsetYMm = 0;
    // Backs printed by hand go out first sheet first, for a printer that stacks its sheets
    // face up; otherwise last sheet first, for one that stacks them face down.
    bool backsInPrintedOrder = false;

    bool operator==(const PrinterCalibration&) const = default;
    // The correction as a transform of page coordinates in twips, for a front page and for
    // a back page.
    QTransform transform() const;
    QTransform backTransform() const;
};

namespace calibration {

inline constexpr double MaxOffsetMm = 25;
inline constexpr double MinScalePercent = 80;
inline constexpr double MaxScalePercent = 120;

// Out-of-range or unreadable values, as a hand-edited settings file may hold, are brought
// back within what a printer can plausibly be off by.
PrinterCalibration sanitized(PrinterCalibration calibration);

// The calibration page: numbered squares, each moved by one more step than the last, and two
// rulers of a known length.
inline constexpr double StepMm = 0.5;
inline constexpr int MaxSquare = 8; // squares run from -8 to +8
inline constexpr double RulerMm = 150;

// What the user reads off the printed page: the squares the perforations run through the
// middle of, and how long the rulers came out.
struct Readings {
    int squareAcross = 0; // on the vertical perforation
    int squareDown = 0;   // on the horizontal perforation
    double rulerAcrossMm = RulerMm;
    double rulerDownMm = RulerMm;
};

// The correction those readings ask for. The perforations the squares straddle cross at
// `perforationMm` from the paper's top-left corner; a scale moves them, so the offset
// makes up for that.
PrinterCalibration fromReadings(const Readings& readings, QPointF perforationMm);
// The readings a calibration was made from, for showing it again.
Readings toReadings(const PrinterCalibration& calibration, QPointF perforationMm);

// Stored with the user's settings, keyed by the queue name.
PrinterCalibration load(const QString& queue);
bool save(const QString& queue, const PrinterCalibration& calibration);

} // namespace calibration
