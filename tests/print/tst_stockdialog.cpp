#include "canvas/cardeditor.h"
#include "control.h"
#include "controls/skinbutton.h"
#include "modalwatchdog.h"
#include "print/cardscountdialog.h"
#include "print/layoutcatalog.h"
#include "print/previewwindow.h"
#include "print/printcommand.h"
#include "print/stockdialog.h"
#include "scriptedplatform.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestStockDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toLocal8Bit());
        // The small catalogue among the test data stands in for the installed one.
        qputenv("QUILLMARK_STOCK_FOLDER", QUILLMARK_TEST_DATA "/stock");
    }

    // Business cards first, found by any words of brand, part and description; labels of
    // another size than the card's marked.
    void searchesAndMarks()
    {
        const stockcatalog::Catalogue& catalogue = stockcatalog::installed();
        QCOMPARE(catalogue.templates.size(), size_t(4));
        StockDialog dialog(catalogue, QSizeF(5040, 2880), nullptr);
        QCOMPARE(dialog.list->count(), 4);
        QVERIFY(dialog.list->item(0)->text().startsWith("Acme 100 — Business Cards, 10 on "
                                                        "US-Letter"));
        QVERIFY(!dialog.list->item(0)->data(Qt::UserRole + 1).toBool());
        QVERIFY(dialog.list->item(3)->text().endsWith("(labels 40.0 × 20.0 mm)"));
        QVERIFY(dialog.list->item(3)->font().italic() && !dialog.list->item(0)->font().italic());
        QCOMPARE(dialog.chosen()->name(), QString("Acme 100"));

        dialog.searchBox->setText("acme TAGS");
        QCOMPARE(dialog.shownCount(), 1);
        QCOMPARE(dialog.chosen()->name(), QString("Acme 200"));
        QVERIFY(dialog.findChild<QLabel*>("stockNote")->text().contains("3 labels of 40.0 × 20.0"));
        QVERIFY(!dialog.picture->pixmap().isNull());
        dialog.searchBox->setText("102");
        QCOMPARE(dialog.chosen()->name(), QString("Acme 102"));
        dialog.searchBox->setText("nothing like it");
        QCOMPARE(dialog.shownCount(), 0);
        QVERIFY(!dialog.chosen());
    }

    // The sheet of labels as a picture: white paper, a label's blue inside it.
    void picturesTheSheet()
    {
        const StockTemplate& stock = stockcatalog::installed().templates[0]; // 2 x 5 on Letter
        const QImage picture = stockcatalog::sheetPicture(stock, QSize(170, 220));
        const double scale = 218.0 / 15840;
        // The first label's middle, and the margin left of it.
        const QPointF label = QPointF(1080 + 2520, 720 + 1440) * scale + QPointF(1, 1);
        QVERIFY(qBlue(picture.pixel(label.toPoint())) > qRed(picture.pixel(label.toPoint())));
        QCOMPARE(QColor(picture.pixel(QPoint(4, int(label.y())))), QColor(Qt::white));
    }

    // Choosing a stock sheet from the preview offers the labels' size for the card, and the
    // choice comes back with the card file.
    void choiceResizesAndIsRememberedPerCard()
    {
        ScriptedPlatform platform;
        ModalWatchdog watchdog;
        QWidget host;
        CardEditor editor(&host); // 360 x 210 pixels
        const QString first = m_dir.filePath("first.qmark"),
                      second = m_dir.filePath("second.qmark");
        editor.setCardFileName(first);
        PrintCommand command(editor);
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (command.cardsCount().isVisible())
                control<SkinButton>(&command.cardsCount(), "okButton")->click();
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* stock = qobject_cast<StockDialog*>(window); stock && stock->isVisible()) {
                    stock->searchBox->setText("tags");
                    stock->accept();
                }
        });
        answer.start(10);
        editor.setSheetPrimed(true);
        command.prepareSheet();
        PreviewWindow* preview = command.preview();
        QVERIFY(preview);

        platform.messageAnswers.enqueue(QMessageBox::Yes);
        control<QAction>(preview, "stockAction")->trigger();
        QCOMPARE(platform.messageBoxes.size(), 1);
        QVERIFY2(platform.messageBoxes[0].text.contains("Set the card to the labels' size"),
                 qPrintable(platform.messageBoxes[0].text));
        QCOMPARE(command.layout().name, QString("Acme 200"));
        QVERIFY(qAbs(editor.cardWidthPixels() - 40 * 96 / 25.4) < 0.01);
        QVERIFY(qAbs(editor.cardHeightPixels() - 20 * 96 / 25.4) < 0.01);
        QVERIFY(qAbs(command.sheetSpec().placement().scale - 1) < 1e-6);
        QCOMPARE(layoutcatalog::rememberedForCard(first), QString("Acme 200"));

        // Another card file keeps a choice of its own.
        editor.setCardFileName(second);
        QVERIFY(command.setLayout("letter-10"));
        QCOMPARE(layoutcatalog::rememberedForCard(second), QString("letter-10"));
        editor.setCardFileName(first);
        command.prepareSheet();
        QCOMPARE(command.layout().name, QString("Acme 200"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestStockDialog)
#include "tst_stockdialog.moc"
