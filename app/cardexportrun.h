#pragma once

#include <QStringList>

#include <optional>

// The card alone to a file, without a window:
//   qmark --export-card OUT.pdf [--bleed MM] [--side front|back] CARD.qmark
//   qmark --export-card OUT.png [--dpi N] CARD.qmark
//   qmark --export-card OUT.svg CARD.qmark
namespace cardexportrun {

struct Request {
    QString target;
    QString card;
    double bleedMm = 3;
    int dpi = 300;
    bool back = false;
    // --side was given: that side alone, even in a PDF.
    bool oneSide = false;
};

bool isRequested(const QStringList& arguments);
// The request the arguments make, or nothing with the reason.
std::optional<Request> parse(const QStringList& arguments, QString* error);
// Parses and carries out the request; false with the reason in `error`.
bool run(const QStringList& arguments, QString* error);

} // namespace cardexportrun
