#pragma once

#include "controls/cardelement.h"

#include <cmath>

// One of the eight black selection handles, 75 × 75 twips.
class SizeHandle : public CardElement {
    Q_OBJECT
public:
    static constexpr float Size = 75;

    explicit SizeHandle(QWidget* parent = nullptr);
    void paintTwips(QPainter& painter) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // At a fractional scale the square fills only the whole device pixels inside it, so the
    // edge pixels must show what lies beneath.
    bool coversBox() const override
    {
        return devicePixelRatioF() == std::floor(devicePixelRatioF());
    }
};
