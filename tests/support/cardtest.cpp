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

void sendMouse(QWidget* widget, QEvent::Type type, QPointF pixels, Qt::MouseButton button)
{
    // A move carries the held button (none for a plain hover); a release holds nothing.
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    const Qt::MouseButton which = type == QEvent::MouseMove ? Qt::NoButton : button;
    QMouseEvent event(type, pixels, widget->mapToGlobal(pixels), which, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void sendMouseTwips(QWidget* widget, QEvent::Type type, QPointF twips, Qt::MouseButton button)
{
    sendMouse(widget, type, twips / TwipsPerPixel, button);
}

void clickTwips(QWidget* widget, QPointF twips, Qt::MouseButton button)
{
    sendMouseTwips(widget, QEvent::MouseButtonPress, twips, button);
    sendMouseTwips(widget, QEvent::MouseButtonRelease, twips, button);
}

QString writeImage(const QTemporaryDir& dir, const QString& name, QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir.filePath(name);
    image.save(path);
    return path;
}
