#pragma once

#include "controls/skinbuttonstyle.h"

#include <QIcon>
#include <QPixmap>
#include <QWidget>

class PropertyBag;

// The push button of our windows: it paints its own face in one of fourteen styles, takes
// hover colours and an optional hover picture while the pointer is over it, shows a picture
// beside its caption, and can act as a two-state check button. Sizes are in pixels.
//
// Enabled and the caption font are the widget's own (isEnabled(), font()); setEnabled and
// setFont are redeclared here so that they give the property-changed notice.
class SkinButton : public QWidget {
    Q_OBJECT
public:
    enum PicturePosition : qint16 {
        PictureLeft = 0,
        PictureRight = 1,
        PictureAbove = 2,
        PictureBelow = 3,
        PictureBehind = 4
    };
    static constexpr qint16 GradientStyle = 3;
    static constexpr qint16 PropertyScheme = 2;
    static constexpr qint16 HandPointerCode = 99;

    explicit SkinButton(QWidget* parent = nullptr);
    explicit SkinButton(const QString& caption, QWidget* parent = nullptr);

    static QString version() { return QStringLiteral("2.0.6"); }
    // The native window id; asking for it gives the button a native window of its own.
    WId nativeHandle() { return winId(); }

    // 1 to 14; other values are refused (false) and the style stays.
    qint16 buttonType() const { return m_buttonType; }
    [[nodiscard]] bool setButtonType(qint16 type);
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    void setEnabled(bool enabled);
    void setFont(const QFont& font);
    // 1 desktop, 2 the colour properties, 3 fixed greys, 4 the parent's colours.
    qint16 colorScheme() const { return m_colorScheme; }
    void setColorScheme(qint16 scheme);
    bool showFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool show);
    // Colours are 0x00BBGGRR values or desktop colour numbers (0x80000000 plus an index).
    qint32 backColor() const { return m_backColor; }
    void setBackColor(qint32 color);
    qint32 backOver() const { return m_backOver; }
    void setBackOver(qint32 color);
    qint32 foreColor() const { return m_foreColor; }
    void setForeColor(qint32 color);
    qint32 foreOver() const { return m_foreOver; }
    void setForeOver(qint32 color);
    qint32 maskColor() const { return m_maskColor; }
    void setMaskColor(qint32 color);
    qint16 mousePointer() const { return m_mousePointer; }
    void setMousePointer(qint16 pointer);
    QPixmap mouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap& icon);
    QIcon pictureNormal() const { return m_pictureNormal; }
    void setPictureNormal(const QIcon& picture);
    QIcon pictureOver() const { return m_pictureOver; }
    void setPictureOver(const QIcon& picture);
    // The size the pictures are drawn at: a bitmap picture's own size, otherwise 16 × 16.
    QSize pictureSize() const { return m_pictureSize; }
    void setPictureSize(const QSize& size);
    bool useMaskColor() const { return m_useMaskColor; }
    void setUseMaskColor(bool use);
    bool softBevel() const { return m_softBevel; }
    void setSoftBevel(bool soft);
    // Positions outside 0..4 are refused (false).
    qint16 picturePosition() const { return m_picturePosition; }
    [[nodiscard]] bool setPicturePosition(qint16 position);
    bool useGreyscale() const { return m_useGreyscale; }
    void setUseGreyscale(bool grey);
    qint16 specialEffect() const { return m_specialEffect; }
    void setSpecialEffect(qint16 effect);
    bool handPointer() const { return m_handPointer; }
    void setHandPointer(bool hand);
    bool checkBoxBehaviour() const { return m_checkBoxBehaviour; }
    void setCheckBoxBehaviour(bool check);
    bool value() const { return m_value; }
    void setValue(bool value);

    // The caption font's attributes; these give no notice.
    bool fontBold() const { return font().bold(); }
    void setFontBold(bool bold);
    bool fontItalic() const { return font().italic(); }
    void setFontItalic(bool italic);
    bool fontUnderline() const { return font().underline(); }
    void setFontUnderline(bool underline);
    float fontSize() const { return float(font().pointSizeF()); }
    void setFontSize(float points);
    QString fontName() const { return font().family(); }
    void setFontName(const QString& name);

    // A left click from the program: toggles a check button and raises clicked().
    void click();

    // Stops redrawing until refresh(), which redraws at once.
    void disableRefresh() { m_refreshEnabled = false; }
    void refresh();

    void writeProperties(PropertyBag& bag) const;
    void readProperties(const PropertyBag& bag);

    // Where the picture and the caption go, in the button's pixels.
    QRect pictureRect() const;
    QRect textRect() const;
    SkinPalette skinPalette() const { return m_palette; }
    bool isHovered() const { return m_hovered; }
    bool isDrawnPressed() const { return m_drawnState == Pressed; }

    QSize sizeHint() const override;

signals:
    void clicked();
    void mouseDown(qint16 button, qint16 shift, float x, float y);
    void mouseMove(qint16 button, qint16 shift, float x, float y);
    void mouseUp(qint16 button, qint16 shift, float x, float y);
    void keyPress(qint16 keyAscii);
    void keyDown(qint16 keyCode, qint16 shift);
    void keyUp(qint16 keyCode, qint16 shift);
    void hovered();
    void left();
    // The property's bag key, for every setter except the font attributes.
    void propertyChanged(const QString& key);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    enum DrawState { Normal = 0, Pressed = 2 };

    void init(const QString& caption);
    void changed(const char* key, bool relayout = false);
    void draw(DrawState state, bool force = false);
    void computePalette();
    void layoutFace() const;
    // The face is laid out when it is next asked for: a new button's many settings cost one.
    void invalidateLayout();
    void ensureLayout() const;
    void applyPointer();
    void grabAccessKey();
    void pressStep(int button, int shift, QPointF at);
    void clickStep();
    QPixmap currentPicture() const;

    qint16 m_buttonType = 2;
    QString m_caption;
    qint16 m_colorScheme = 1;
    bool m_showFocusRect = true;
    qint32 m_backColor;
    qint32 m_backOver;
    qint32 m_foreColor;
    qint32 m_foreOver;
    qint32 m_maskColor = 0x00C0C0C0;
    qint16 m_mousePointer = 0;
    QPixmap m_mouseIcon;
    QIcon m_pictureNormal;
    QIcon m_pictureOver;
    QSize m_pictureSize{16, 16};
    bool m_useMaskColor = true;
    bool m_softBevel = false;
    qint16 m_picturePosition = PictureLeft;
    bool m_useGreyscale = false;
    qint16 m_specialEffect = 0;
    bool m_handPointer = false;
    bool m_checkBoxBehaviour = false;
    bool m_value = false;

    int m_lastButton = 0;
    // The release that ends a double-click: it draws the face normal but raises no click.
    bool m_doubleClickRelease = false;
    int m_lastKey = 0;
    bool m_hovered = false;
    bool m_refreshEnabled = true;
    DrawState m_drawnState = Normal;
    QString m_drawnCaption;
    bool m_drawnValid = false;
    int m_accessKey = 0;
    SkinPalette m_palette;
    // Worked out for the size they were laid out at; a hidden button gets no resize events.
    mutable QRect m_pictureRect;
    mutable QRect m_textRect;
    mutable QSize m_layoutSize;
};
