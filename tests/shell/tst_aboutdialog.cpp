#include "controls/skinbutton.h"
#include "prompt/platform.h"
#include "shell/aboutdialog.h"
#include "shell/webpage.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QUrl>

namespace {

// Records the addresses handed to the browser; nothing else may be asked of it here.
class RecordingPlatform final : public Platform {
public:
    QList<QUrl> opened;

    QMessageBox::StandardButton messageBox(QWidget*, const QString& text, const QString&,
                                           QMessageBox::StandardButtons, QMessageBox::Icon) override
    {
        qFatal("unexpected message box: %s", qPrintable(text));
    }
    QString openFileName(QWidget*, const QString&) override { qFatal("unexpected open"); }
    QString saveFileName(QWidget*, const QString&) override { qFatal("unexpected save"); }
    ColorChoice chooseColor(QWidget*, const QColor&) override { qFatal("unexpected colour"); }
    QAction* popupMenu(QMenu*, const QPoint&) override { qFatal("unexpected menu"); }
    bool startDetached(const QString& program, const QStringList&, qint64*, bool) override
    {
        qFatal("unexpected start of %s", qPrintable(program));
    }
    int runProcess(const QString& program, const QStringList&, int, QByteArray*) override
    {
        qFatal("unexpected run of %s", qPrintable(program));
    }
    bool openUrl(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
    void exit(int) override { qFatal("unexpected exit"); }
};

} // namespace

class TestAboutDialog : public QObject {
    Q_OBJECT

    RecordingPlatform m_platform;

private slots:
    void init()
    {
        m_platform.opened.clear();
        Platform::install(&m_platform);
        qputenv("QUILLMARK_SERVER", "http://127.0.0.1:8080");
    }
    void cleanup() { Platform::install(nullptr); }

    void makerServer_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("server");
        const QString fallback = "http://www.quillmark.example";
        QTest::newRow("host and port") << "http://127.0.0.1:8080"
                                       << "http://127.0.0.1:8080";
        QTest::newRow("trailing slash") << " https://cards.test/ "
                                        << "https://cards.test";
        QTest::newRow("no scheme") << "localhost:9000"
                                   << "http://localhost:9000";
        QTest::newRow("unset") << "" << fallback;
        QTest::newRow("local file") << "file:///usr/bin/xterm" << fallback;
        QTest::newRow("other scheme") << "ftp://host" << fallback;
        QTest::newRow("no host") << "http://" << fallback;
    }
    void makerServer()
    {
        QFETCH(QString, configured);
        QFETCH(QString, server);
        qputenv("QUILLMARK_SERVER", configured.toUtf8());
        QCOMPARE(::makerServer(), server);
        QCOMPARE(makerUrl("/support.html"), QUrl(server + "/support.html"));
        QCOMPARE(makerUrl(QString()).toString(), server);
    }

    void onlyWebAddressesReachTheBrowser()
    {
        openWebPage("http://127.0.0.1:8080/a.html");
        openWebPage("/usr/bin/xterm");
        openWebPage("file:///etc/passwd");
        openWebPage("xterm");
        openProductPage();
        QCOMPARE(m_platform.opened,
                 (QList<QUrl>{QUrl("http://127.0.0.1:8080/a.html"),
                              QUrl("http://127.0.0.1:8080/product/quillmark.html")}));
    }

    void aboutBoxShowsItsTexts()
    {
        QWidget owner;
        AboutDialog* box = AboutDialog::showFor(&owner);
        QCOMPARE(box->objectName(), QString("AboutDialog"));
        QCOMPARE(box->windowTitle(), QString("About"));
        QCOMPARE(box->parentWidget(), &owner);
        QVERIFY(box->isVisible());
        QVERIFY(!box->isModal());
        const QList<std::pair<const char*, QString>> texts = {
            {"titleLabel", "Quillmark 1.0"},
            {"copyrightLabel", "Copyright (C) 2026 Quillmark developers"},
            {"contactLabel",
             "If you have any questions concerning our software, please contact us at "
             "the following e-mail address:"},
            {"supportLabel", "Technical support :"},
            {"supportLink", "Click Here"},
            {"websiteLabel", "Website:"},
            {"websiteLink", "127.0.0.1:8080"}};
        for (const auto& [name, shown] : texts) {
            auto* label = box->findChild<QLabel*>(name);
            QVERIFY2(label, name);
            QCOMPARE(label->text(), shown);
            QCOMPARE(label->font().families().value(0), QString("Verdana"));
        }
        QCOMPARE(box->findChild<SkinButton*>("closeButton")->caption(), QString("Close"));
        QVERIFY(!box->findChild<QLabel*>("iconLabel")->pixmap().isNull());
        for (const char* link : {"supportLink", "websiteLink"}) {
            auto* label = box->findChild<QLabel*>(link);
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
        }
    }

    void linksStayReadableOnADarkWindow()
    {
        const QPalette desktop = QApplication::palette();
        QPalette dark = desktop;
        dark.setColor(QPalette::Window, QColor(45, 45, 45));
        QApplication::setPalette(dark);
        AboutDialog box;
        QApplication::setPalette(desktop);
        const QColor link =
            box.findChild<QLabel*>("supportLink")->palette().color(QPalette::WindowText);
        QCOMPARE(link.hslHue(), QColor(0, 0, 255).hslHue());
        QVERIFY2(link.lightness() >= 160, qPrintable(link.name()));
    }

    void linksOpenTheMakersPages()
    {
        QWidget owner;
        AboutDialog* box = AboutDialog::showFor(&owner);
        QTest::mouseClick(box->findChild<QLabel*>("supportLabel"), Qt::LeftButton);
        QTest::mouseClick(box->findChild<QLabel*>("supportLink"), Qt::RightButton);
        QCOMPARE(m_platform.opened, QList<QUrl>());
        QTest::mouseClick(box->findChild<QLabel*>("supportLink"), Qt::LeftButton);
        QTest::mouseClick(box->findChild<QLabel*>("websiteLink"), Qt::LeftButton);
        QCOMPARE(m_platform.opened, (QList<QUrl>{QUrl("http://127.0.0.1:8080/support.html"),
                                                 QUrl("http://127.0.0.1:8080")}));
    }

    void closeDestroysTheBox()
    {
        QWidget owner;
        QPointer<AboutDialog> first = AboutDialog::showFor(&owner);
        QCOMPARE(AboutDialog::showFor(&owner), first.data());

        QTest::mouseClick(first->findChild<SkinButton*>("closeButton"), Qt::LeftButton);
        QVERIFY(!first->isVisible());
        // Asked again before the closed box is gone: a new box, not the dying one.
        QPointer<AboutDialog> second = AboutDialog::showFor(&owner);
        QVERIFY(second != first);
        QTRY_VERIFY(first.isNull());
        QVERIFY(second && second->isVisible());
        QCOMPARE(owner.findChildren<AboutDialog*>().size(), 1);
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
