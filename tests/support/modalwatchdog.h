#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Arm one before a test opens a modal window. When a check fails inside the modal's event loop
// (which ends only that handler, not the loop), or when the modal stays open past the limit,
// the watchdog closes every modal window so the test ends at once instead of hanging.
class ModalWatchdog : public QObject {
public:
    explicit ModalWatchdog(int limitMs = 10000);

private:
    void check();

    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_limitMs;
};
