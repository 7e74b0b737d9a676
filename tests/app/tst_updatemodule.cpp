#include "app/updatelauncher.h"
#include "loopbackserver.h"
#include "modalwatchdog.h"
#include "platform/resources.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QResource>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <dlfcn.h>
#include <memory>
#include <optional>
#include <sys/stat.h>

// The program opens the update window from the module beside it (the tests otherwise link the
// update layer in): the module built here, and what the user sees when it cannot be used.
class TestUpdateModule : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }

    void theProgramLooksBesideItself()
    {
        QCOMPARE(QFileInfo(updateModulePath(QUILLMARK_BINARY_DIR)),
                 QFileInfo(QUILLMARK_UPDATE_MODULE_FILE));
    }

    // The module's windows draw from the resources the program registered; a copy of its own
    // would be registered beside them for the rest of the run.
    void theModuleCarriesNoResources()
    {
        const QResource icon(":/icons/icon-update-16.argb");
        QVERIFY(icon.isValid() && icon.compressionAlgorithm() == QResource::NoCompression);
        const QByteArray module = readFileBytes(QUILLMARK_UPDATE_MODULE_FILE);
        QCOMPARE(module.mid(1, 3), QByteArray("ELF"));
        QVERIFY(!module.contains(QByteArrayView(icon.data(), icon.size())));
    }

    // The module has its own copy of the platform layer; its prompts still reach the program's.
    void theBuiltModuleOpensTheWindow_data()
    {
        QTest::addColumn<QByteArray>("versionFile");
        QTest::addColumn<QString>("told");
        QTest::newRow("an update") << QByteArray("101") << "Update Available, Please wait...";
        QTest::newRow("none") << QByteArray("0") << "There are no updates available.";
    }

    void theBuiltModuleOpensTheWindow()
    {
        QFETCH(QByteArray, versionFile);
        QFETCH(QString, told);
        ScriptedPlatform platform;
        ModalWatchdog watchdog(3000);
        LoopbackServer server;
        QVERIFY(server.listen());
        server.setResponse("/updatesoft/quillmark.txt", LoopbackServer::ok(versionFile));
        QTemporaryDir folder;
        QWidget owner;
        const std::unique_ptr<QWidget> window(
            openUpdateWindowFrom(QUILLMARK_UPDATE_MODULE_FILE, BuiltUpdateModule, &owner,
                                 folder.path(), server.address()));
        QCOMPARE(platform.messageBoxes.size(), 1);
        QCOMPARE(platform.messageBoxes.first().text, told);
        QCOMPARE(bool(window), versionFile == "101");
        if (window) {
            QCOMPARE(window->objectName(), QString("UpdateWindow"));
            QCOMPARE(window->parentWidget(), &owner);
            QVERIFY(window->isVisible());
            // The module's buttons are its own class; its own accessibility factory serves them.
            QWidget* download = window->findChild<QWidget*>("downloadButton");
            QAccessibleInterface* button = QAccessible::queryAccessibleInterface(download);
            QCOMPARE(button->role(), QAccessible::Button);
            QVERIFY(button->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
        }
    }

    // The program knows the module it was built with; a build that changed the module made the
    // program again.
    void theRecordedIdentityIsTheBuiltModule()
    {
        const QByteArray module = readFileBytes(QUILLMARK_UPDATE_MODULE_FILE);
        QCOMPARE(qint64(module.size()), BuiltUpdateModule.size);
        QCOMPARE(QCryptographicHash::hash(module, QCryptographicHash::Sha256).toHex(),
                 QByteArray(BuiltUpdateModule.sha256));
    }

    void anUnusableModuleIsReported_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<bool>("checked"); // against the module this build made
        QTest::addColumn<QString>("why");
        QTest::newRow("missing") << "quillmark-updater.so" << false << "No such file";
        QTest::newRow("not a library") << "broken.so" << false << "file too short";
        QTest::newRow("no entry point") << "libm.so.6" << false << "has no entry point";
        // An interrupted copy leaves a module cut short, which once ended the program with
        // SIGBUS; one changed in place is no better.
        QTest::newRow("cut to 5 %") << "cut5.so" << true << "is not the module";
        QTest::newRow("cut to 50 %") << "cut50.so" << true << "is not the module";
        QTest::newRow("one byte changed") << "changed.so" << true << "is not the module";
        QTest::newRow("one byte longer") << "longer.so" << true << "is not the module";
        QTest::newRow("a FIFO") << "fifo.so" << true << "Not a regular file";
    }

    void anUnusableModuleIsReported()
    {
        QFETCH(QString, module);
        QFETCH(bool, checked);
        QFETCH(QString, why);
        ScriptedPlatform platform;
        ModalWatchdog watchdog(3000);
        QTemporaryDir folder;
        writeFileBytes(folder.filePath("broken.so"), QByteArray("\x7f") + "ELF cut short");
        const QByteArray built = readFileBytes(QUILLMARK_UPDATE_MODULE_FILE);
        writeFileBytes(folder.filePath("cut5.so"), built.left(built.size() / 20));
        writeFileBytes(folder.filePath("cut50.so"), built.left(built.size() / 2));
        QByteArray changed = built;
        changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 1);
        writeFileBytes(folder.filePath("changed.so"), changed);
        writeFileBytes(folder.filePath("longer.so"), built + '\0');
        QVERIFY(::mkfifo(QFile::encodeName(folder.filePath("fifo.so")).constData(), 0600) == 0);
        // A library of the system, found where the program found it.
        Dl_info libm{};
        QVERIFY(::dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), &libm));
        const QString path =
            module.startsWith("lib") ? QFile::decodeName(libm.dli_fname) : folder.filePath(module);
        QWidget owner;
        const auto expected = checked ? std::optional(BuiltUpdateModule) : std::nullopt;
        QCOMPARE(openUpdateWindowFrom(path, expected, &owner, folder.path(), "http://127.0.0.1:9"),
                 nullptr);
        QCOMPARE(platform.messageBoxes.size(), 1);
        const ScriptedPlatform::MessageBoxCall& box = platform.messageBoxes.first();
        QCOMPARE(box.title, QString("Update"));
        QVERIFY2(box.text.startsWith("The updater could not be loaded: "), qPrintable(box.text));
        QVERIFY2(box.text.contains(module) && box.text.contains(why), qPrintable(box.text));
        QCOMPARE(box.buttons, QMessageBox::Ok);
        QCOMPARE(box.icon, QMessageBox::Warning);
    }
};

QTEST_MAIN(TestUpdateModule)
#include "tst_updatemodule.moc"
