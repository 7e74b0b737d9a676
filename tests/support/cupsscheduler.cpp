#include "cupsscheduler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <cups/cups.h>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

const char* const GenericPdf = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";
} // namespace

std::unique_ptr<CupsScheduler> CupsScheduler::start(QString* error)
{
    std::unique_ptr<CupsScheduler> cups(new CupsScheduler);
    // The filters run as lp: the folder must be readable by all, the spool and output
    // writable by lp.
    char pattern[] = "/tmp/quillmark-cups.XXXXXX";
    if (!mkdtemp(pattern)) {
        *error = "cannot make a folder";
        return nullptr;
    }
    cups->m_dir = QString::fromLocal8Bit(pattern);
    const QDir dir(cups->m_dir);
    QFile::setPermissions(cups->m_dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                           | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                           | QFile::ExeOther);
    for (const char* sub : {"run", "spool", "cache", "state", "tmp", "log", "out"})
        dir.mkpath(sub);
    const passwd* lp = getpwnam("lp");
    const group* lpGroup = getgrnam("lp");
    if (!lp || !lpGroup) {
        *error = "no lp user";
        return nullptr;
    }
    for (const char* sub : {"spool", "out", "tmp"})
        if (chown(QFile::encodeName(dir.filePath(sub)).constData(), lp->pw_uid, lpGroup->gr_gid)
            != 0) {
            *error = "cannot hand the spool to lp (the tests need root)";
            return nullptr;
        }
    chmod(QFile::encodeName(dir.filePath("tmp")).constData(), 01777);

    cups->m_socket = dir.filePath("run/cups.sock");
    const QString d = cups->m_dir;
    writeText(dir.filePath("cupsd.conf"),
              QString("Listen %1\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
                  .arg(cups->m_socket));
    writeText(dir.filePath("cups-files.conf"),
              QString("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                      "TempDir %1/tmp\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                      "PageLog %1/log/page_log\nFileDevice Yes\nUser lp\nGroup lp\n")
                  .arg(d));

    cups->m_cupsd.setProgram("/usr/sbin/cupsd");
    cups->m_cupsd.setArguments(
        {"-f", "-c", dir.filePath("cupsd.conf"), "-s", dir.filePath("cups-files.conf")});
    cups->m_cupsd.setProcessChannelMode(QProcess::ForwardedChannels);
    cups->m_cupsd.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    cups->m_cupsd.start();
    if (!cups->m_cupsd.waitForStarted(5000)) {
        *error = "cupsd does not start: " + cups->m_cupsd.errorString();
        return nullptr;
    }
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(cups->m_socket) && !deadline.hasExpired()
           && cups->m_cupsd.state() == QProcess::Running)
        QThread::msleep(50);
    if (!QFile::exists(cups->m_socket)) {
        *error = "cupsd made no socket";
        return nullptr;
    }
    qputenv("CUPS_SERVER", cups->m_socket.toLocal8Bit());
    cupsSetServer(cups->m_socket.toLocal8Bit().constData());
    return cups;
}

CupsScheduler::~CupsScheduler()
{
    if (m_cupsd.state() != QProcess::NotRunning) {
        kill(pid_t(m_cupsd.processId()), SIGTERM);
        if (!m_cupsd.waitForFinished(5000)) {
            kill(pid_t(m_cupsd.processId()), SIGKILL);
            m_cupsd.waitForFinished(2000);
        }
    }
    if (!m_dir.isEmpty())
        QDir(m_dir).removeRecursively();
}

bool CupsScheduler::run(const QString& program, const QStringList& arguments, QString* output)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CUPS_SERVER", m_socket);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool CupsScheduler::addQueue(const QString& name, QString* error, bool twoSided)
{
    QString driver = GenericPdf;
    if (!twoSided) {
        // The same driver without its duplex option.
        QFile generic(GenericPdf);
        if (!generic.open(QIODevice::ReadOnly)) {
            *error = QString("%1 cannot be read").arg(GenericPdf);
            return false;
        }
        QByteArray oneSided;
        for (const QByteArray& line : generic.readAll().split('\n'))
            if (!line.contains("Duplex"))
                oneSided += line + '\n';
        driver = QDir(m_dir).filePath(name + ".ppd");
        QFile out(driver);
        if (!out.open(QIODevice::WriteOnly) || out.write(oneSided) != oneSided.size()) {
            *error = "cannot write " + driver;
            return false;
        }
    }
    if (!run("lpadmin", {"-p", name, "-E", "-v", "file://" + outputFile(name), "-P", driver})) {
        *error = "lpadmin cannot add " + name;
        return false;
    }
    return true;
}

bool CupsScheduler::removeQueue(const QString& name) { return run("lpadmin", {"-x", name}); }

bool CupsScheduler::setDefault(const QString& name) { return run("lpadmin", {"-d", name}); }

bool CupsScheduler::rejectJobs(const QString& name) { return run("cupsreject", {name}); }

QString CupsScheduler::outputFile(const QString& name) const
{
    return QDir(m_dir).filePath("out/" + name + ".pdf");
}

QMap<QString, QString> CupsScheduler::waitForLastJob(const QString& queue, int timeoutMs)
{
    const QString uri =
        "ipp://" + QString::fromLatin1(QUrl::toPercentEncoding(m_socket)) + "/printers/" + queue;
    const QString request = QDir(m_dir).filePath("get-job.test");
    writeText(request, "{\n OPERATION Get-Job-Attributes\n GROUP operation-attributes-tag\n"
                       " ATTR charset attributes-charset utf-8\n"
                       " ATTR naturalLanguage attributes-natural-language en\n"
                       " ATTR uri printer-uri $uri\n ATTR integer job-id $job\n"
                       // The job's owner sees its name, which the scheduler keeps private.
                       " ATTR name requesting-user-name $user\n"
                       " ATTR keyword requested-attributes all\n"
                       " DISPLAY job-state\n DISPLAY copies\n DISPLAY print-color-mode\n"
                       " DISPLAY print-quality\n DISPLAY job-name\n DISPLAY sides\n}\n");
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QString jobs;
        run("lpstat", {"-W", "all", "-o", queue}, &jobs);
        int last = 0;
        // Built per call: a static one would keep the first queue's name for every queue.
        const QRegularExpression id("^" + QRegularExpression::escape(queue) + "-(\\d+)\\s",
                                    QRegularExpression::MultilineOption);
        for (auto it = id.globalMatch(jobs); it.hasNext();)
            last = qMax(last, it.next().captured(1).toInt());
        QString csv;
        if (last > 0
            && run("ipptool", {"-c", "-d", QString("job=%1").arg(last), uri, request}, &csv)) {
            const QStringList lines = csv.split('\n', Qt::SkipEmptyParts);
            if (lines.size() >= 2) {
                const QStringList names = lines[0].split(',');
                const QStringList values = lines[1].split(',');
                QMap<QString, QString> attributes;
                for (int i = 0; i < names.size() && i < values.size(); ++i)
                    attributes[names[i]] = values[i];
                attributes["job-id"] = QString::number(last);
                if (attributes.value("job-state") == "completed")
                    return attributes;
                if (attributes.value("job-state") == "aborted"
                    || attributes.value("job-state") == "canceled")
                    return attributes;
            }
        }
        QThread::msleep(200);
    }
    return {};
}
