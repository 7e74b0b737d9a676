#pragma once

#include <QFrame>

// A sunken box whose background is the colour it holds; a click asks for another. The value
// is kept as the stored 32-bit colour, so reading it back gives exactly what was set.
class ColorBox : public QFrame {
    Q_OBJECT
public:
    explicit ColorBox(QWidget* parent = nullptr);

    qint32 backColor() const { return m_color; }
    void setBackColor(qint32 color);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    qint32 m_color = 0x00FFFFFF;
};

// Opens the colour chooser at the box's colour. On a choice the box shows it and true is
// returned; a cancel changes nothing; any other failure is reported with "Error".
bool chooseColorFor(QWidget* dialog, ColorBox& box);
