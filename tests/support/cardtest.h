#pragma once

#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "controls/skinbutton.h" // the command bar buttons, clicked by the tests
#include "scriptedplatform.h"

#include <QEvent>
#include <QTemporaryDir>

#include <memory>

// A started main window with its program folder in a temporary folder.
struct StartedCard {
    QTemporaryDir programDir;
    std::unique_ptr<MainWindow> window;

    // Null, with the reason recorded as the running test's failure, when the window could not
    // be started or shown; the caller checks and returns.
    static std::unique_ptr<StartedCard> start(bool show = true);
    CardEditor& editor() const { return window->editor(); }
};

// A started card whose prompts a script answers, as the editing and printing tests begin: the
// platform is in place before the window starts and stays until the window is gone.
struct ScriptedCard {
    ScriptedPlatform platform;
    std::unique_ptr<StartedCard> started;

    // False, with the reason recorded as the running test's failure, when the window could not
    // be started or shown; the caller wraps it in QVERIFY.
    [[nodiscard]] bool start()
    {
        started = StartedCard::start();
        return started != nullptr;
    }
    MainWindow& window() const { return *started->window; }
    CardEditor& editor() const { return started->editor(); }
    const QTemporaryDir& programDir() const { return started->programDir; }
    // A path in the card's temporary program folder.
    QString filePath(const QString& name) const { return started->programDir.filePath(name); }
};

// Sends a mouse event to a widget at a position in pixels that may be fractional, so that
// pointer positions in twips (15 a pixel) can be reached exactly.
void sendMouse(QWidget* widget, QEvent::Type type, QPointF pixels,
               Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The same at a position in the widget's twips.
void sendMouseTwips(QWidget* widget, QEvent::Type type, QPointF twips,
                    Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Press and release at one point in twips, a plain click.
void clickTwips(QWidget* widget, QPointF twips, Qt::MouseButton button = Qt::LeftButton);

// The card's elements as the tests reach them: through the editor's design and its view.
// The element of a kind and index; the running test fails when it does not exist.
const CardItem& element(const CardEditor& editor, ElementKind kind, int index);
QRectF box(const CardItem& item);
// Sets an element's box, as a file or a handle could.
void setBox(CardEditor& editor, ElementKind kind, int index, QRectF box);
// The element's place in the stacking order, the bottom one 0; -1 when it does not exist.
qsizetype stackPosition(const CardEditor& editor, ElementKind kind, int index);
// A mouse event on the card's view at a point of an element, in that element's twips.
void sendElementMouse(CardEditor& editor, ElementKind kind, int index, QEvent::Type type,
                      QPointF twips, Qt::MouseButton button = Qt::LeftButton,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void clickElement(CardEditor& editor, ElementKind kind, int index, QPointF twips,
                  Qt::MouseButton button = Qt::LeftButton);
// The centre of handle i on the card, in twips.
QPointF handleCentre(const CardEditor& editor, int handle);

// Writes a small image file of the given size and format; returns its path.
QString writeImage(const QTemporaryDir& dir, const QString& name, QSize size, QColor color);
