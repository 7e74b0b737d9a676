#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QAction;
class QImage;
class QMenu;
class QPoint;
class QUrl;
class QWidget;

// Everything that blocks on the user or leaves the process goes through here, so that
// tests can answer prompts from a script instead of a person.
class Platform {
public:
    struct ColorChoice {
        enum class Outcome { Chosen, Cancelled, Failed };
        Outcome outcome = Outcome::Cancelled;
        QColor color;
    };

    virtual ~Platform() = default;

    virtual QMessageBox::StandardButton messageBox(QWidget* parent, const QString& text,
                                                   const QString& title,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::Icon icon) = 0;
    // The same message with a small picture where its icon would be; a platform that shows
    // no pictures gives the text alone.
    virtual QMessageBox::StandardButton messageBoxWithPicture(QWidget* parent, const QString& text,
                                                              const QString& title,
                                                              QMessageBox::StandardButtons buttons,
                                                              QMessageBox::Icon icon,
                                                              const QImage& picture);
    // Both return an empty string when the user cancels. Filters come as "Name|*.a;*.b|..."
    // pairs, exactly as the program states them.
    virtual QString openFileName(QWidget* parent, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& filter) = 0;
    virtual ColorChoice chooseColor(QWidget* parent, const QColor& initial) = 0;
    // Shows the menu modally at a global position; returns the triggered action or null.
    virtual QAction* popupMenu(QMenu* menu, const QPoint& globalPos) = 0;
    // Starts a program that runs on its own; its output is discarded when quiet. The process
    // id goes to pid when given.
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               qint64* pid = nullptr, bool quiet = false) = 0;
    // Runs a helper tool to its end, for at most timeoutMs; its standard output goes to output
    // when given. The tool's exit code, or -1 when it could not start, crashed or timed out.
    virtual int runProcess(const QString& program, const QStringList& arguments,
                           int timeoutMs = 30000, QByteArray* output = nullptr) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    // Ends the program at once: no further handler runs, nothing is asked.
    virtual void exit(int code) = 0;

    static Platform& instance();
    // Installs a platform for the rest of the run; null restores the real one.
    static void install(Platform* platform);
};

class QtPlatform final : public Platform {
public:
    QMessageBox::StandardButton messageBox(QWidget* parent, const QString& text,
                                           const QString& title,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon) override;
    QMessageBox::StandardButton messageBoxWithPicture(QWidget* parent, const QString& text,
                                                      const QString& title,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::Icon icon,
                                                      const QImage& picture) override;
    QString openFileName(QWidget* parent, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& filter) override;
    ColorChoice chooseColor(QWidget* parent, const QColor& initial) override;
    QAction* popupMenu(QMenu* menu, const QPoint& globalPos) override;
    bool startDetached(const QString& program, const QStringList& arguments, qint64* pid = nullptr,
                       bool quiet = false) override;
    int runProcess(const QString& program, const QStringList& arguments, int timeoutMs = 30000,
                   QByteArray* output = nullptr) override;
    bool openUrl(const QUrl& url) override;
    [[noreturn]] void exit(int code) override;
};
