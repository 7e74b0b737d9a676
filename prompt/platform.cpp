#include "prompt/platform.h"

#include "platform/filefilter.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QProcess>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

namespace {
Platform* installed = nullptr;
} // namespace

Platform& Platform::instance()
{
    static QtPlatform real;
    return installed ? *installed : real;
}

void Platform::install(Platform* platform) { installed = platform; }

QMessageBox::StandardButton QtPlatform::messageBox(QWidget* parent, const QString& text,
                                                   const QString& title,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton Platform::messageBoxWithPicture(QWidget* parent, const QString& text,
                                                            const QString& title,
                                                            QMessageBox::StandardButtons buttons,
                                                            QMessageBox::Icon icon, const QImage&)
{
    return messageBox(parent, text, title, buttons, icon);
}

QMessageBox::StandardButton QtPlatform::messageBoxWithPicture(QWidget* parent, const QString& text,
                                                              const QString& title,
                                                              QMessageBox::StandardButtons buttons,
                                                              QMessageBox::Icon icon,
                                                              const QImage& picture)
{
    QMessageBox box(icon, title, text, buttons, parent);
    if (!picture.isNull())
        box.setIconPixmap(QPixmap::fromImage(picture));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString QtPlatform::openFileName(QWidget* parent, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), QString(), qtFileFilter(filter));
}

QString QtPlatform::saveFileName(QWidget* parent, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, QString(), QString(), qtFileFilter(filter));
}

Platform::ColorChoice QtPlatform::chooseColor(QWidget* parent, const QColor& initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return {ColorChoice::Outcome::Cancelled, {}};
    return {ColorChoice::Outcome::Chosen, chosen};
}

QAction* QtPlatform::popupMenu(QMenu* menu, const QPoint& globalPos)
{
    return menu->exec(globalPos);
}

bool QtPlatform::startDetached(const QString& program, const QStringList& arguments, qint64* pid,
                               bool quiet)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (quiet) {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
    }
    return process.startDetached(pid);
}

int QtPlatform::runProcess(const QString& program, const QStringList& arguments, int timeoutMs,
                           QByteArray* output)
{
    QProcess process;
    if (!output)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return -1;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool QtPlatform::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

void QtPlatform::exit(int code)
{
    // Leaving through the event loops would let code after every nested exec() run on;
    // the program ends here and now, with nothing left to save.
    std::fflush(nullptr);
    ::_exit(code);
}
