// A run without a window lives in a QGuiApplication, where making any widget ends the process:
// the sheet is printed from the design alone, never through the editor or a hidden window.
#include "app/headless.h"
#include "document/carddesign.h"
#include "testfiles.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

class TestWindowless : public QObject {
    Q_OBJECT
private slots:
    void exportsWithoutAnyWidget_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("plain") << QStringList{};
        QTest::newRow("merged, another layout")
            << QStringList{"--merge", "people.csv", "--layout", "a4-fit"};
    }
    void exportsWithoutAnyWidget()
    {
        QFETCH(QStringList, options);
        QVERIFY(!qobject_cast<QApplication*>(QCoreApplication::instance()));
        QTemporaryDir dir;
        QImage photo(40, 30, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QVERIFY(photo.save(dir.filePath("photo.png")));
        writeFileBytes(dir.filePath("people.csv"), "Name\nAnn\nBob\n");

        // One element of each kind, as a card file.
        CardDesign design;
        CardItem* text = design.addCopy(ElementKind::Text, 1);
        text->text.caption = "${Name}";
        design.addCopy(ElementKind::Picture, 1)->toolTipText = dir.filePath("photo.png");
        design.addCopy(ElementKind::Shape, 1);
        design.addCopy(ElementKind::QrCode, 1)->qr.content = "https://quillmark.example";
        writeFileBytes(dir.filePath("card.qmark"), carddesignfile::write(design));

        QStringList arguments = options;
        for (QString& word : arguments)
            if (word.endsWith(".csv"))
                word = dir.filePath(word);
        arguments << "--export-pdf" << dir.filePath("sheet.pdf") << dir.filePath("card.qmark");
        QString error;
        const auto request = headless::parse(arguments, &error);
        QVERIFY2(request && headless::run(*request, &error), qPrintable(error));
        QVERIFY(readFileBytes(dir.filePath("sheet.pdf")).startsWith("%PDF-"));
        // Not even a window of the toolkit's own was made.
        QVERIFY(QGuiApplication::allWindows().isEmpty());
    }
};

// A QGuiApplication, not QTEST_MAIN's QApplication: a widget made during the run would abort.
int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    TestWindowless test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowless.moc"
