#pragma once

#include "controls/cardelement.h"
#include "controls/propertybag.h"
#include "controls/textlayout.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>

// A text item on the card. The caption is drawn twice: a back copy L2 in BGColor peeks out
// from behind the front copy L1 (in FRWColor) by a fixed offset, which gives the text its 3-D
// edge (Font3D). Behind both lie the element's own box colour and border. The copies are not
// widgets: a card may hold a thousand text items, and one painter pass draws them all.
class TextElement : public CardElement {
    Q_OBJECT
public:
    enum AlignmentCode : qint16 { LeftJustify = 0, RightJustify = 1, Center = 2 };

    explicit TextElement(QWidget* parent = nullptr);

    qint32 BackColor() const { return m_backColor; }
    void setBackColor(qint32 color);
    // Kept for hosts that set it; no text is drawn in it.
    qint32 ForeColor() const { return m_foreColor; }
    void setForeColor(qint32 color);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // The font as stored: its family is FontName, which may carry the script suffix.
    QFont Font() const { return m_l1.font; }
    void setFont(const QFont& font);
    // 0 plain, 1 edge above and left, 2 edge below and right; other values keep the copies
    // where they are.
    qint32 Font3D() const { return m_font3D; }
    void setFont3D(qint32 font3D);
    // 0 transparent, 1 the box is painted in BackColor.
    qint16 BackStyle() const { return m_l2.backStyle; }
    void setBackStyle(qint16 style);
    // 0 none, 1 a fixed single line.
    qint16 BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(qint16 style);
    void Refresh();
    bool AutoSize() const { return m_l1.autoSize; }
    void setAutoSize(bool autoSize);
    qint16 Alignment() const { return m_l1.alignment; }
    void setAlignment(qint16 alignment);
    QString Caption() const { return m_l1.caption; }
    void setCaption(const QString& caption);
    bool FontBold() const { return m_l1.font.bold(); }
    void setFontBold(bool bold);
    bool FontItalic() const { return m_l1.font.italic(); }
    void setFontItalic(bool italic);
    QString FontName() const { return m_l1.font.family(); }
    void setFontName(const QString& name);
    float FontSize() const { return float(m_l1.font.pointSizeF()); }
    // Sizes outside (0, MaxFontSize] are refused (false) and the size stays.
    bool setFontSize(float points);
    bool FontStrikethru() const { return m_l1.font.strikeOut(); }
    void setFontStrikethru(bool strikethru);
    bool FontUnderline() const { return m_l1.font.underline(); }
    void setFontUnderline(bool underline);
    bool WordWrap() const { return m_l1.wordWrap; }
    void setWordWrap(bool wordWrap);
    qint32 FRWColor() const { return m_l1.textColor; }
    void setFRWColor(qint32 color);
    qint32 BGColor() const { return m_l2.textColor; }
    void setBGColor(qint32 color);

    static constexpr float MaxFontSize = 2048.0f;

    // The copies' boxes in the element's twips, and the font their text is drawn with (the
    // stored face without its script suffix).
    QRectF L1Rect() const { return copyRect(m_l1); }
    QRectF L2Rect() const { return copyRect(m_l2); }
    QFont renderedFont() const { return m_l1.drawFont; }

    // The values the text template holds from the start; new text items copy them.
    static PropertyBag templateProperties();
    void WriteProperties(PropertyBag& bag) const;
    void ReadProperties(const PropertyBag& bag);
    // Every property, the copies' placement included; geometry and markers are the caller's
    // (CardElement::copyElementFrom).
    void copyPropertiesFrom(const TextElement& other);

    void paintTwips(QPainter& painter) const override;

signals:
    // Raised once for each copy whose caption is set.
    void Change();

protected:
    void sizeChangedTwips() override;
    bool coversBox() const override;
    QPointF hitPartOrigin(QPointF pointTwips) const override;

private:
    struct TextCopy {
        QPointF pos;
        // An auto-sized copy is measured when its size is first needed, not each time its
        // text or font changes: a card may be built and shown before any size is asked for.
        mutable QSizeF size;
        mutable bool sizeStale = false;
        QString caption;
        QFont font;
        QFont drawFont;
        qint16 alignment = LeftJustify;
        bool autoSize = true;
        bool wordWrap = false;
        bool enabled = true;
        qint32 textColor = 0;
        qint32 backColor = 0;
        qint16 backStyle = 0;
    };

    QFont ambientFont() const;
    void setCopyFont(TextCopy& copy, const QFont& font);
    void setCopiesFont(const QFont& font);
    void setCopyCaption(TextCopy& copy, const QString& caption);
    void fitCopy(TextCopy& copy);
    QSizeF textSize(const TextCopy& copy) const;
    const QSizeF& copySize(const TextCopy& copy) const;
    QRectF copyRect(const TextCopy& copy) const { return {copy.pos, copySize(copy)}; }
    void placeCopies();
    void sizeFit();
    void paintCopy(QPainter& painter, const TextCopy& copy) const;

    TextCopy m_l1;
    TextCopy m_l2;
    qint32 m_backColor;
    qint32 m_foreColor;
    bool m_enabled = true;
    qint16 m_backStyle = 0;
    qint16 m_borderStyle = 0;
    qint32 m_font3D = 0;

    // Both copies lay out the same text, and size fitting measures that same layout.
    TextLayoutCache m_layouts;
};
