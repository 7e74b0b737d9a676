#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private CUPS scheduler for one test program: its own folders and socket, queues that
// write PDF files, never the machine's own scheduler. Stopped by its pid when destroyed (and
// by the kernel should the test die first).
class CupsScheduler {
public:
    // Starts it and points libcups, and so Qt, at it; null with the reason on failure.
    static std::unique_ptr<CupsScheduler> start(QString* error);
    ~CupsScheduler();

    // A queue with the generic PDF driver whose output lands in outputFile(name); that driver
    // prints on both sides unless `twoSided` is false.
    bool addQueue(const QString& name, QString* error, bool twoSided = true);
    bool removeQueue(const QString& name);
    bool setDefault(const QString& name);
    // Makes the queue turn new jobs away.
    bool rejectJobs(const QString& name);
    QString outputFile(const QString& name) const;

    // The newest job of a queue once it has finished, with Get-Job-Attributes' answer:
    // attribute name to value (empty on timeout).
    QMap<QString, QString> waitForLastJob(const QString& queue, int timeoutMs = 30000);

private:
    CupsScheduler() = default;
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr);

    QString m_dir;
    QString m_socket;
    QProcess m_cupsd;
};
