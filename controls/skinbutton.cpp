#include "controls/skinbutton.h"

#include "controls/inputcodes.h"
#include "controls/propertybag.h"
#include "controls/skinbuttonaccessible.h"
#include "platform/vbcolor.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <utility>

namespace {
constexpr int SpaceKey = 0x20;
constexpr int FaceMargin = 2;
constexpr int PictureGap = 2;
constexpr qint16 LastButtonType = 14;
constexpr int TextFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;

QVariant int16(qint16 value) { return QVariant::fromValue(value); }

QIcon pictureFrom(const QVariant& stored)
{
    switch (stored.metaType().id()) {
    case QMetaType::QIcon: return stored.value<QIcon>();
    case QMetaType::QPixmap: return QIcon(stored.value<QPixmap>());
    case QMetaType::QImage: return QIcon(QPixmap::fromImage(stored.value<QImage>()));
    default: return {};
    }
}

QVariant pictureValue(const QIcon& icon) { return icon.isNull() ? QVariant() : QVariant(icon); }

void toGrey(QImage& image, bool faded)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, faded ? qAlpha(line[x]) / 2 : qAlpha(line[x]));
        }
    }
}
} // namespace

SkinButton::SkinButton(QWidget* parent)
    : QWidget(parent)
{
    init(QString());
}

SkinButton::SkinButton(const QString& caption, QWidget* parent)
    : QWidget(parent)
{
    init(caption);
}

void SkinButton::init(const QString& caption)
{
    installSkinButtonAccessibility();
    m_backColor = m_backOver = vbcolor::ButtonFace;
    m_foreColor = m_foreOver = vbcolor::ButtonText;
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    m_caption = caption;
    setAccessibleName(caption);
    grabAccessKey();
    computePalette();
    invalidateLayout();
    applyPointer();
}

// --- properties -------------------------------------------------------------------------

void SkinButton::changed(const char* key, bool relayout)
{
    if (relayout)
        invalidateLayout();
    computePalette();
    draw(m_drawnState, true);
    emit propertyChanged(QString::fromLatin1(key));
}

bool SkinButton::setButtonType(qint16 type)
{
    if (type < 1 || type > LastButtonType)
        return false;
    m_buttonType = type;
    changed("BTYPE", true);
    return true;
}

void SkinButton::setCaption(const QString& caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    grabAccessKey();
    invalidateLayout();
    draw(m_drawnState);
    emit propertyChanged(QStringLiteral("TX"));
}

void SkinButton::setEnabled(bool enabled)
{
    QWidget::setEnabled(enabled);
    emit propertyChanged(QStringLiteral("ENAB"));
}

void SkinButton::setFont(const QFont& font)
{
    QWidget::setFont(font);
    emit propertyChanged(QStringLiteral("FONT"));
}

void SkinButton::setColorScheme(qint16 scheme)
{
    m_colorScheme = scheme;
    changed("COLTYPE");
}

void SkinButton::setShowFocusRect(bool show)
{
    m_showFocusRect = show;
    changed("FOCUSR");
}

void SkinButton::setBackColor(qint32 color)
{
    m_backColor = color;
    changed("BCOL");
}

void SkinButton::setBackOver(qint32 color)
{
    m_backOver = color;
    changed("BCOLO");
}

void SkinButton::setForeColor(qint32 color)
{
    m_foreColor = color;
    changed("FCOL");
}

void SkinButton::setForeOver(qint32 color)
{
    m_foreOver = color;
    changed("FCOLO");
}

void SkinButton::setMaskColor(qint32 color)
{
    m_maskColor = color;
    changed("MCOL");
}

void SkinButton::setMousePointer(qint16 pointer)
{
    m_mousePointer = pointer;
    applyPointer();
    emit propertyChanged(QStringLiteral("MPTR"));
}

void SkinButton::setMouseIcon(const QPixmap& icon)
{
    m_mouseIcon = icon;
    applyPointer();
    emit propertyChanged(QStringLiteral("MICON"));
}

void SkinButton::setPictureNormal(const QIcon& picture)
{
    m_pictureNormal = picture;
    const QList<QSize> sizes = picture.availableSizes();
    if (!sizes.isEmpty())
        m_pictureSize = sizes.first();
    changed("PICN", true);
}

void SkinButton::setPictureOver(const QIcon& picture)
{
    m_pictureOver = picture;
    changed("PICH");
}

void SkinButton::setPictureSize(const QSize& size)
{
    m_pictureSize = size.expandedTo(QSize(0, 0));
    invalidateLayout();
    draw(m_drawnState, true);
}

void SkinButton::setUseMaskColor(bool use)
{
    m_useMaskColor = use;
    changed("UMCOL");
}

void SkinButton::setSoftBevel(bool soft)
{
    m_softBevel = soft;
    changed("SOFT");
}

bool SkinButton::setPicturePosition(qint16 position)
{
    if (position < PictureLeft || position > PictureBehind)
        return false;
    m_picturePosition = position;
    changed("PICPOS", true);
    return true;
}

void SkinButton::setUseGreyscale(bool grey)
{
    m_useGreyscale = grey;
    changed("NGREY");
}

void SkinButton::setSpecialEffect(qint16 effect)
{
    m_specialEffect = effect;
    changed("FX");
}

void SkinButton::setHandPointer(bool hand)
{
    m_handPointer = hand;
    m_mousePointer = hand ? HandPointerCode : 1;
    m_mouseIcon = QPixmap();
    applyPointer();
    emit propertyChanged(QStringLiteral("HAND"));
}

void SkinButton::setCheckBoxBehaviour(bool check)
{
    m_checkBoxBehaviour = check;
    changed("CHECK");
}

void SkinButton::setValue(bool value)
{
    m_value = value;
    changed("VALUE");
}

void SkinButton::setFontBold(bool bold)
{
    QFont f = font();
    f.setBold(bold);
    QWidget::setFont(f);
}

void SkinButton::setFontItalic(bool italic)
{
    QFont f = font();
    f.setItalic(italic);
    QWidget::setFont(f);
}

void SkinButton::setFontUnderline(bool underline)
{
    QFont f = font();
    f.setUnderline(underline);
    QWidget::setFont(f);
}

void SkinButton::setFontSize(float points)
{
    if (!std::isfinite(points) || points <= 0)
        return;
    QFont f = font();
    f.setPointSizeF(points);
    QWidget::setFont(f);
}

void SkinButton::setFontName(const QString& name)
{
    QFont f = font();
    f.setFamily(name);
    QWidget::setFont(f);
}

void SkinButton::refresh()
{
    m_refreshEnabled = true;
    draw(m_drawnState, true);
}

void SkinButton::applyPointer()
{
    if (m_mousePointer == HandPointerCode) {
        if (!m_mouseIcon.isNull())
            setCursor(QCursor(m_mouseIcon));
        else if (m_handPointer)
            setCursor(Qt::PointingHandCursor);
        else
            unsetCursor();
    } else if (const auto shape = pointerCursor(m_mousePointer)) {
        setCursor(*shape);
    } else {
        unsetCursor();
    }
}

void SkinButton::grabAccessKey()
{
    if (m_accessKey)
        releaseShortcut(m_accessKey);
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    m_accessKey = key.isEmpty() ? 0 : grabShortcut(key);
}

// --- persistence ------------------------------------------------------------------------

void SkinButton::writeProperties(PropertyBag& bag) const
{
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    bag.WriteProperty("BTYPE", int16(m_buttonType), int16(2));
    bag.WriteProperty("TX", m_caption, QString());
    bag.WriteProperty("ENAB", isEnabled(), true);
    bag.WriteProperty("FONT", font(), ambient);
    bag.WriteProperty("COLTYPE", int16(m_colorScheme), int16(1));
    bag.WriteProperty("FOCUSR", m_showFocusRect, true);
    bag.WriteProperty("BCOL", m_backColor, vbcolor::ButtonFace);
    bag.WriteProperty("BCOLO", m_backOver, m_backColor);
    bag.WriteProperty("FCOL", m_foreColor, vbcolor::ButtonText);
    bag.WriteProperty("FCOLO", m_foreOver, m_foreColor);
    bag.WriteProperty("MCOL", m_maskColor, qint32(0x00C0C0C0));
    bag.WriteProperty("MPTR", int16(m_mousePointer), int16(0));
    bag.WriteProperty("MICON", m_mouseIcon.isNull() ? QVariant() : QVariant(m_mouseIcon),
                      QVariant());
    bag.WriteProperty("PICN", pictureValue(m_pictureNormal), QVariant());
    bag.WriteProperty("PICH", pictureValue(m_pictureOver), QVariant());
    bag.WriteProperty("UMCOL", m_useMaskColor, true);
    bag.WriteProperty("SOFT", m_softBevel, false);
    bag.WriteProperty("PICPOS", int16(m_picturePosition), int16(0));
    bag.WriteProperty("NGREY", m_useGreyscale, false);
    bag.WriteProperty("FX", int16(m_specialEffect), int16(0));
    bag.WriteProperty("HAND", m_handPointer, false);
    bag.WriteProperty("CHECK", m_checkBoxBehaviour, false);
    bag.WriteProperty("VALUE", m_value, false);
}

// Restores without notices; values the setters would refuse read as their defaults.
void SkinButton::readProperties(const PropertyBag& bag)
{
    const qint16 type = bag.readInt16("BTYPE", 2);
    m_buttonType = type >= 1 && type <= LastButtonType ? type : 2;
    m_caption = bag.readString("TX", QString());
    QWidget::setEnabled(bag.readBool("ENAB", true));
    const QVariant font = bag.ReadProperty("FONT", QVariant());
    QWidget::setFont(font.metaType().id() == QMetaType::QFont ? font.value<QFont>() : QFont());
    m_colorScheme = bag.readInt16("COLTYPE", 1);
    m_showFocusRect = bag.readBool("FOCUSR", true);
    m_backColor = bag.readInt32("BCOL", vbcolor::ButtonFace);
    m_backOver = bag.readInt32("BCOLO", m_backColor);
    m_foreColor = bag.readInt32("FCOL", vbcolor::ButtonText);
    m_foreOver = bag.readInt32("FCOLO", m_foreColor);
    m_maskColor = bag.readInt32("MCOL", 0x00C0C0C0);
    m_mousePointer = bag.readInt16("MPTR", 0);
    const QVariant icon = bag.ReadProperty("MICON", QVariant());
    m_mouseIcon = icon.metaType().id() == QMetaType::QPixmap ? icon.value<QPixmap>()
                  : icon.metaType().id() == QMetaType::QImage
                      ? QPixmap::fromImage(icon.value<QImage>())
                      : QPixmap();
    m_pictureNormal = pictureFrom(bag.ReadProperty("PICN", QVariant()));
    m_pictureOver = pictureFrom(bag.ReadProperty("PICH", QVariant()));
    m_useMaskColor = bag.readBool("UMCOL", true);
    m_softBevel = bag.readBool("SOFT", false);
    const qint16 position = bag.readInt16("PICPOS", 0);
    m_picturePosition = position >= PictureLeft && position <= PictureBehind ? position : 0;
    m_useGreyscale = bag.readBool("NGREY", false);
    m_specialEffect = bag.readInt16("FX", 0);
    m_handPointer = bag.readBool("HAND", false);
    m_checkBoxBehaviour = bag.readBool("CHECK", false);
    m_value = bag.readBool("VALUE", false);

    setAccessibleName(m_caption);
    grabAccessKey();
    applyPointer();
    computePalette();
    invalidateLayout();
    draw(Normal, true);
}

// --- drawing ----------------------------------------------------------------------------

void SkinButton::computePalette()
{
    SkinPalette& c = m_palette;
    const QPalette system = palette();
    switch (m_colorScheme) {
    case PropertyScheme:
        c.face = vbcolor::toQColor(m_backColor);
        c.hoverFace = vbcolor::toQColor(m_backOver);
        c.text = vbcolor::toQColor(m_foreColor);
        c.hoverText = vbcolor::toQColor(m_foreOver);
        c.light = skinshade::shifted(c.face, 64);
        c.highlight = skinshade::shifted(c.face, 128);
        c.shadow = skinshade::shifted(c.face, -128);
        c.darkShadow = skinshade::shifted(c.face, -192);
        c.focus = system.color(QPalette::Highlight);
        return;
    case 3:
        c.face = c.hoverFace = QColor(0xC0, 0xC0, 0xC0);
        c.shadow = QColor(0x80, 0x80, 0x80);
        c.light = QColor(0xDF, 0xDF, 0xDF);
        c.darkShadow = Qt::black;
        c.highlight = Qt::white;
        c.text = c.hoverText = Qt::black;
        c.focus = QColor(0x00, 0x00, 0x80);
        return;
    case 4: {
        const QWidget* host = parentWidget() ? parentWidget() : this;
        const QPalette surface = host->palette();
        c.face = c.hoverFace = surface.color(host->backgroundRole());
        c.text = c.hoverText = surface.color(host->foregroundRole());
        c.light = skinshade::shifted(c.face, 48);
        c.highlight = skinshade::shifted(c.face, 96);
        c.shadow = skinshade::shifted(c.face, -64);
        c.darkShadow = skinshade::shifted(c.face, -128);
        c.focus = surface.color(QPalette::Highlight);
        return;
    }
    default:
        c.face = c.hoverFace = system.color(QPalette::Button);
        c.shadow = system.color(QPalette::Dark);
        c.light = system.color(QPalette::Midlight);
        c.darkShadow = system.color(QPalette::Shadow);
        c.highlight = system.color(QPalette::Light);
        c.text = c.hoverText = system.color(QPalette::ButtonText);
        c.focus = system.color(QPalette::Highlight);
        return;
    }
}

QRect SkinButton::pictureRect() const
{
    ensureLayout();
    return m_pictureRect;
}

QRect SkinButton::textRect() const
{
    ensureLayout();
    return m_textRect;
}

void SkinButton::invalidateLayout() { m_layoutSize = QSize(-1, -1); }

void SkinButton::ensureLayout() const
{
    if (m_layoutSize != size())
        layoutFace();
}

void SkinButton::layoutFace() const
{
    m_layoutSize = size();
    const QRect content = rect().adjusted(FaceMargin, FaceMargin, -FaceMargin, -FaceMargin);
    const bool hasPicture = !m_pictureNormal.isNull() && !m_pictureSize.isEmpty();
    if (!hasPicture) {
        m_pictureRect = QRect();
        m_textRect = content;
        return;
    }
    const QSize picture = m_pictureSize.boundedTo(content.size().expandedTo(QSize(0, 0)));
    QRect place(QPoint(), picture);
    place.moveCenter(content.center());
    m_textRect = content;
    const int textHeight = m_caption.isEmpty()
                               ? 0
                               : fontMetrics().boundingRect(content, TextFlags, m_caption).height();
    // Above or below: the picture and the caption are centred together.
    const int block = picture.height() + (textHeight ? PictureGap + textHeight : 0);
    const int blockTop = content.top() + qMax(0, (content.height() - block) / 2);
    switch (m_picturePosition) {
    case PictureLeft:
        place.moveLeft(content.left() + PictureGap);
        m_textRect.setLeft(place.right() + 1 + PictureGap);
        break;
    case PictureRight:
        place.moveRight(content.right() - PictureGap);
        m_textRect.setRight(place.left() - 1 - PictureGap);
        break;
    case PictureAbove:
        place.moveTop(blockTop);
        m_textRect.setTop(place.bottom() + 1 + PictureGap);
        m_textRect.setBottom(qMin(content.bottom(), m_textRect.top() + textHeight - 1));
        break;
    case PictureBelow:
        place.moveBottom(qMin(content.bottom(), blockTop + block - 1));
        m_textRect.setTop(blockTop);
        m_textRect.setBottom(place.top() - 1 - PictureGap);
        break;
    default: break; // behind: the caption keeps the whole face
    }
    m_pictureRect = place;
}

QPixmap SkinButton::currentPicture() const
{
    const bool over = m_hovered && isEnabled() && !m_pictureOver.isNull();
    const QIcon& icon = over ? m_pictureOver : m_pictureNormal;
    if (icon.isNull() || pictureRect().isEmpty())
        return {};
    const qreal ratio = devicePixelRatioF();
    QImage image =
        icon.pixmap(m_pictureRect.size(), ratio).toImage().convertToFormat(QImage::Format_ARGB32);
    if (m_useMaskColor) {
        const QRgb mask = vbcolor::toQColor(m_maskColor).rgb() & RGB_MASK;
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & RGB_MASK) == mask)
                    line[x] = 0;
        }
    }
    if (!isEnabled())
        toGrey(image, true);
    else if (m_useGreyscale && !m_hovered)
        toGrey(image, false);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

void SkinButton::draw(DrawState state, bool force)
{
    if (!m_refreshEnabled)
        return;
    if (!force && m_drawnValid && state == m_drawnState && m_caption == m_drawnCaption)
        return;
    m_drawnState = state;
    m_drawnCaption = m_caption;
    m_drawnValid = true;
    update();
}

void SkinButton::paintEvent(QPaintEvent*)
{
    SkinFace face;
    face.buttonType = m_buttonType;
    face.softBevel = m_softBevel;
    face.specialEffect = m_specialEffect;
    face.palette = m_palette;
    face.enabled = isEnabled();
    face.pressed = face.enabled && (m_drawnState == Pressed || m_value);
    face.hovered = m_hovered && face.enabled;
    face.focusRect = hasFocus() && m_showFocusRect;
    face.caption = m_drawnCaption;
    face.font = font();
    face.textRect = textRect();
    face.pictureRect = pictureRect();
    face.picture = currentPicture();
    QPainter painter(this);
    paintSkinFace(painter, size(), face);
}

QSize SkinButton::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, m_caption) + QSize(16, 10);
    if (m_pictureNormal.isNull())
        return text;
    const QSize picture = m_pictureSize;
    if (m_picturePosition == PictureAbove || m_picturePosition == PictureBelow)
        return {qMax(text.width(), picture.width() + 12), text.height() + picture.height() + 2};
    if (m_picturePosition == PictureBehind)
        return text.expandedTo(picture + QSize(12, 12));
    return {text.width() + picture.width() + 4, qMax(text.height(), picture.height() + 12)};
}

// --- events -----------------------------------------------------------------------------

bool SkinButton::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut && isEnabled()) {
        // An access key is a left click.
        m_lastButton = mousecode::Left;
        clickStep();
        return true;
    }
    return QWidget::event(event);
}

void SkinButton::resizeEvent(QResizeEvent*)
{
    invalidateLayout();
    draw(m_drawnState, true);
}

void SkinButton::showEvent(QShowEvent*)
{
    m_refreshEnabled = true;
    computePalette();
    draw(Normal, true);
}

void SkinButton::hideEvent(QHideEvent*) { m_refreshEnabled = false; }

void SkinButton::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled() && m_hovered)
            m_hovered = false;
        draw(Normal, true);
        break;
    case QEvent::FontChange:
        invalidateLayout();
        draw(m_drawnState, true);
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::ParentChange:
        if (m_colorScheme != PropertyScheme) {
            computePalette();
            draw(m_drawnState, true);
        }
        break;
    default: break;
    }
    QWidget::changeEvent(event);
}

void SkinButton::enterEvent(QEnterEvent* event)
{
    if (isEnabled() && !m_hovered && event->buttons() == Qt::NoButton) {
        m_hovered = true;
        draw(Normal, true);
        emit hovered();
    }
}

void SkinButton::leaveEvent(QEvent*)
{
    if (!m_hovered)
        return;
    m_hovered = false;
    draw(Normal, true);
    emit left();
}

void SkinButton::focusInEvent(QFocusEvent*) { draw(m_drawnState, true); }

void SkinButton::focusOutEvent(QFocusEvent*) { draw(m_drawnState, true); }

void SkinButton::pressStep(int button, int shift, QPointF at)
{
    emit mouseDown(qint16(button), qint16(shift), float(at.x()), float(at.y()));
    m_lastButton = button;
    if (button != mousecode::Right)
        draw(Pressed);
}

void SkinButton::clickStep()
{
    if (m_checkBoxBehaviour)
        setValue(!m_value);
    draw(Normal, true);
    emit clicked();
}

void SkinButton::click()
{
    if (!isEnabled())
        return;
    m_lastButton = mousecode::Left;
    clickStep();
}

void SkinButton::mousePressEvent(QMouseEvent* event)
{
    m_doubleClickRelease = false; // a double-click whose release never came ends here
    pressStep(mousecode::button(event->button()), mousecode::shift(event->modifiers()),
              event->position());
}

void SkinButton::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMove(qint16(mousecode::buttons(event->buttons())),
                   qint16(mousecode::shift(event->modifiers())), float(event->position().x()),
                   float(event->position().y()));
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons != Qt::NoButton && buttons != Qt::LeftButton)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && buttons == Qt::NoButton && !m_hovered) {
        m_hovered = true;
        draw(Normal, true);
        emit hovered();
    } else if (inside && buttons == Qt::LeftButton) {
        draw(Pressed);
    } else if (!inside) {
        // A press held while the pointer leaves keeps the mouse, so no leave event comes
        // until the release: the hover ends here, as soon as the pointer is elsewhere.
        if (std::exchange(m_hovered, false)) {
            draw(Normal, true);
            emit left();
        } else {
            draw(Normal);
        }
    }
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event)
{
    const int button = mousecode::button(event->button());
    emit mouseUp(qint16(button), qint16(mousecode::shift(event->modifiers())),
                 float(event->position().x()), float(event->position().y()));
    if (button != mousecode::Right)
        draw(Normal);
    const bool endsDoubleClick = std::exchange(m_doubleClickRelease, false);
    if (button == mousecode::Left && m_lastButton == mousecode::Left && isEnabled()
        && !endsDoubleClick && rect().contains(event->position().toPoint()))
        clickStep();
}

void SkinButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click presses the face again but is no second click:
    // a quick double-click on "Text" adds one item, not two stacked on the same spot.
    if (m_lastButton == mousecode::Left && event->button() == Qt::LeftButton) {
        pressStep(mousecode::Left, 0, QPointF(0, 0));
        m_doubleClickRelease = true;
    }
}

void SkinButton::keyPressEvent(QKeyEvent* event)
{
    const int key = keycode::fromQt(event->key(), event->modifiers());
    emit keyDown(qint16(key), qint16(mousecode::shift(event->modifiers())));
    m_lastKey = key;
    bool handled = true;
    switch (event->key()) {
    case Qt::Key_Space: draw(Pressed); break;
    // A focused button is the one Enter presses, as a push button in a dialog is.
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (isEnabled())
            clickStep();
        break;
    case Qt::Key_Left:
    case Qt::Key_Up: focusNextPrevChild(false); break;
    case Qt::Key_Right:
    case Qt::Key_Down: focusNextPrevChild(true); break;
    default: handled = false; break;
    }
    const int typed = keycode::ascii(event->text());
    if (typed >= 0)
        emit keyPress(qint16(typed));
    // Keys the button has no use for go on to the window (Escape).
    if (!handled)
        QWidget::keyPressEvent(event);
}

void SkinButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    const int key = keycode::fromQt(event->key(), event->modifiers());
    emit keyUp(qint16(key), qint16(mousecode::shift(event->modifiers())));
    if (key == SpaceKey && m_lastKey == SpaceKey)
        clickStep();
    else
        QWidget::keyReleaseEvent(event);
}
