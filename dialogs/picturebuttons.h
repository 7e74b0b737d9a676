#pragma once

#include <QCheckBox>
#include <QRadioButton>

// Check and option buttons drawn as push buttons carrying a picture, pressed in while on,
// as a toolbar shows style and alignment toggles. They keep the check box's three states.
class PictureCheckBox : public QCheckBox {
    Q_OBJECT
public:
    PictureCheckBox(const QString& iconPath, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    // A click on a grey box turns it off: grey counts as on.
    void nextCheckState() override;
};

class PictureOptionButton : public QRadioButton {
    Q_OBJECT
public:
    PictureOptionButton(const QString& iconPath, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};
