#pragma once

#include "controls/cardelement.h"

// One of the eight black selection handles, 75 × 75 twips.
class SizeHandle : public CardElement {
    Q_OBJECT
public:
    static constexpr float Size = 75;

    explicit SizeHandle(QWidget* parent = nullptr);
    void paintTwips(QPainter& painter) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
