#include "modalwatchdog.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

ModalWatchdog::ModalWatchdog(int limitMs)
    : m_limitMs(limitMs)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalWatchdog::check);
    m_timer.start(20);
    m_clock.start();
}

void ModalWatchdog::check()
{
    const bool failed = QTest::currentTestFailed();
    const bool late = m_clock.elapsed() > m_limitMs;
    if (!failed && !late)
        return;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (late && !failed)
            QTest::qFail("a modal window stayed open; the watchdog closed it", __FILE__, __LINE__);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        modal->close();
        // A window that refuses to close must not keep the loop spinning here.
        if (QApplication::activeModalWidget() == modal) {
            modal->hide();
            break;
        }
    }
}
