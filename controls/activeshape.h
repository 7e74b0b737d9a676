#pragma once

#include "controls/cardelement.h"

// Placeholder shape element; replaced by the full control.
class ActiveShape : public CardElement {
    Q_OBJECT
public:
    explicit ActiveShape(QWidget* parent = nullptr);
    void copyPropertiesFrom(const ActiveShape& other);
    void paintTwips(QPainter& painter) const override;
};
