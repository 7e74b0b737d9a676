#include "print/calibration.h"

#include "print/printsettings.h"
#include "print/sheetlayout.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <utility>

QTransform PrinterCalibration::transform() const
{
    QTransform t;
    t.translate(offsetXMm * sheet::TwipsPerMm, offsetYMm * sheet::TwipsPerMm);
    t.scale(scaleXPercent / 100, scaleYPercent / 100);
    return t;
}

QTransform PrinterCalibration::backTransform() const
{
    // Moved after the scale: the shift is measured on the printed back, in millimetres of paper.
    return transform()
           * QTransform::fromTranslate(backOffsetXMm * sheet::TwipsPerMm,
                                       backOffsetYMm * sheet::TwipsPerMm);
}

namespace calibration {

namespace {
double within(double v, double low, double high, double fallback)
{
    return std::isfinite(v) ? std::clamp(v, low, high) : fallback;
}

QString group(const QString& queue)
{
    // A queue name is one key, whatever characters it holds.
    return QStringLiteral("calibration/") + QString::fromLatin1(queue.toUtf8().toPercentEncoding());
}
} // namespace

PrinterCalibration sanitized(PrinterCalibration c)
{
    c.offsetXMm = within(c.offsetXMm, -MaxOffsetMm, MaxOffsetMm, 0);
    c.offsetYMm = within(c.offsetYMm, -MaxOffsetMm, MaxOffsetMm, 0);
    c.scaleXPercent = within(c.scaleXPercent, MinScalePercent, MaxScalePercent, 100);
    c.scaleYPercent = within(c.scaleYPercent, MinScalePercent, MaxScalePercent, 100);
    c.backOffsetXMm = within(c.backOffsetXMm, -MaxOffsetMm, MaxOffsetMm, 0);
    c.backOffsetYMm = within(c.backOffsetYMm, -MaxOffsetMm, MaxOffsetMm, 0);
    return c;
}

PrinterCalibration fromReadings(const Readings& r, QPointF perforation)
{
    // A printer that scales by s and shifts by e puts the square meant for p + k * step on the
    // perforation p; the correction x -> a * x + b undoes both with a = 1 / s.
    const auto axis = [](int square, double ruler, double p, double& offset, double& scale) {
        const double a = ruler > 0 ? RulerMm / ruler : 1;
        scale = a * 100;
        offset = square * StepMm + p * (1 - a);
    };
    PrinterCalibration c;
    axis(r.squareAcross, r.rulerAcrossMm, perforation.x(), c.offsetXMm, c.scaleXPercent);
    axis(r.squareDown, r.rulerDownMm, perforation.y(), c.offsetYMm, c.scaleYPercent);
    return sanitized(c);
}

Readings toReadings(const PrinterCalibration& c, QPointF perforation)
{
    const auto axis = [](double offset, double scale, double p, int& square, double& ruler) {
        const double a = scale / 100;
        ruler = RulerMm / a;
        square =
            std::clamp(int(std::lround((offset - p * (1 - a)) / StepMm)), -MaxSquare, MaxSquare);
    };
    Readings r;
    axis(c.offsetXMm, c.scaleXPercent, perforation.x(), r.squareAcross, r.rulerAcrossMm);
    axis(c.offsetYMm, c.scaleYPercent, perforation.y(), r.squareDown, r.rulerDownMm);
    return r;
}

PrinterCalibration load(const QString& queue)
{
    const auto settings = printSettings();
    settings->beginGroup(group(queue));
    PrinterCalibration c;
    const auto read = [&](const char* key, double fallback) {
        bool ok = false;
        const double v = settings->value(key).toDouble(&ok);
        return ok ? v : fallback;
    };
    c.offsetXMm = read("offsetXMm", 0);
    c.offsetYMm = read("offsetYMm", 0);
    c.scaleXPercent = read("scaleXPercent", 100);
    c.scaleYPercent = read("scaleYPercent", 100);
    c.backOffsetXMm = read("backOffsetXMm", 0);
    c.backOffsetYMm = read("backOffsetYMm", 0);
    c.backsInPrintedOrder = settings->value("backsInPrintedOrder").toBool();
    return sanitized(c);
}

bool save(const QString& queue, const PrinterCalibration& calibration)
{
    const PrinterCalibration c = sanitized(calibration);
    const auto settings = printSettings();
    settings->beginGroup(group(queue));
    settings->setValue("offsetXMm", c.offsetXMm);
    settings->setValue("offsetYMm", c.offsetYMm);
    settings->setValue("scaleXPercent", c.scaleXPercent);
    settings->setValue("scaleYPercent", c.scaleYPercent);
    // Written only when there is one, so that a calibration without it is stored as before.
    for (const auto& [key, value] :
         {std::pair{"backOffsetXMm", c.backOffsetXMm}, {"backOffsetYMm", c.backOffsetYMm}}) {
        if (value != 0)
            settings->setValue(key, value);
        else
            settings->remove(key);
    }
    if (c.backsInPrintedOrder)
        settings->setValue("backsInPrintedOrder", true);
    else
        settings->remove("backsInPrintedOrder");
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
}

} // namespace calibration
