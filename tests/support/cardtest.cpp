#include "cardtest.h"

#include "document/twips.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

std::unique_ptr<StartedCard> StartedCard::start(bool show)
{
    auto card = std::make_unique<StartedCard>();
    if (!card->programDir.isValid()) {
        QTest::qFail("no temporary program folder", __FILE__, __LINE__);
        return nullptr;
    }
    card->window =
        std::make_unique<MainWindow>(StartupOptions{card->programDir.filePath("qmark"), {}});
    card->window->startUp();
    if (show) {
        card->window->show();
        if (!QTest::qWaitForWindowExposed(card->window.get())) {
            QTest::qFail("the main window was never shown", __FILE__, __LINE__);
            return nullptr;
        }
    }
    return card;
}

void sendMouse(QWidget* widget, QEvent::Type type, QPointF pixels, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers)
{
    // A move carries the held button (none for a plain hover); a release holds nothing.
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    const Qt::MouseButton which = type == QEvent::MouseMove ? Qt::NoButton : button;
    QMouseEvent event(type, pixels, widget->mapToGlobal(pixels), which, held, modifiers);
    QApplication::sendEvent(widget, &event);
}

void sendMouseTwips(QWidget* widget, QEvent::Type type, QPointF twips, Qt::MouseButton button,
                    Qt::KeyboardModifiers modifiers)
{
    sendMouse(widget, type, twips / TwipsPerPixel, button, modifiers);
}

void clickTwips(QWidget* widget, QPointF twips, Qt::MouseButton button)
{
    sendMouseTwips(widget, QEvent::MouseButtonPress, twips, button);
    sendMouseTwips(widget, QEvent::MouseButtonRelease, twips, button);
}

const CardItem& element(const CardEditor& editor, ElementKind kind, int index)
{
    if (const CardItem* item = editor.item(kind, index))
        return *item;
    QTest::qFail(qPrintable(QString("no element %1 of kind %2").arg(index).arg(int(kind))),
                 __FILE__, __LINE__);
    static const CardItem none;
    return none;
}

QRectF box(const CardItem& item) { return item.box(); }

void setBox(CardEditor& editor, ElementKind kind, int index, QRectF box)
{
    editor.changeItem(kind, index, [&](CardItem& item) {
        item.setWidth(float(box.width()));
        item.setHeight(float(box.height()));
        item.setLeft(float(box.left()));
        item.setTop(float(box.top()));
    });
}

qsizetype stackPosition(const CardEditor& editor, ElementKind kind, int index)
{
    return editor.design().find(kind, index);
}

void sendElementMouse(CardEditor& editor, ElementKind kind, int index, QEvent::Type type,
                      QPointF twips, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const CardItem& item = element(editor, kind, index);
    sendMouseTwips(editor.view(), type, twips + QPointF(item.left, item.top), button, modifiers);
}

void clickElement(CardEditor& editor, ElementKind kind, int index, QPointF twips,
                  Qt::MouseButton button)
{
    // The press may remove the element (its pop-up menu's Delete): the release goes to the
    // same place.
    const CardItem& item = element(editor, kind, index);
    const QPointF at = twips + QPointF(item.left, item.top);
    sendMouseTwips(editor.view(), QEvent::MouseButtonPress, at, button);
    sendMouseTwips(editor.view(), QEvent::MouseButtonRelease, at, button);
}

QPointF handleCentre(const CardEditor& editor, int handle)
{
    const float half = CardEditor::HandleTwips / 2;
    return editor.handlePosition(handle) + QPointF(half, half);
}

QString writeImage(const QTemporaryDir& dir, const QString& name, QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir.filePath(name);
    image.save(path);
    return path;
}
