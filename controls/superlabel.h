#pragma once

#include "controls/cardelement.h"

// Placeholder text element; replaced by the full control.
class SuperLabel : public CardElement {
    Q_OBJECT
public:
    explicit SuperLabel(QWidget* parent = nullptr);
    void copyPropertiesFrom(const SuperLabel& other);
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    void paintTwips(QPainter& painter) const override;

private:
    QString m_caption;
};
