#include "cardtest.h"
#include "control.h"
#include "cupsscheduler.h"
#include "scriptedplatform.h"
#include "testfiles.h"

#include "canvas/cardsides.h"
#include "print/calibration.h"
#include "print/cardscountdialog.h"
#include "print/previewwindow.h"
#include "print/printcommand.h"
#include "print/printoptionsdialog.h"
#include "print/turnstack.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cups/cups.h>

#include <functional>
#include <optional>

namespace {
// Answers modal dialogs as they come up, in order. One nobody scripted, or one still up after
// ten seconds, is dismissed, so that a failing check never leaves a modal hanging the run.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QDialog*)>;
    QList<Step> steps;
    QStringList seen; // titles, in order

    ModalScript()
    {
        connect(&m_poll, &QTimer::timeout, this, &ModalScript::poll);
        m_poll.start(20);
    }
    int count(const QString& title) const { return int(seen.count(title)); }

private:
    void poll()
    {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible()) {
            m_answered = nullptr;
            return;
        }
        if (modal == m_answered && m_since.elapsed() < 10000)
            return;
        const bool stuck = modal == m_answered;
        m_answered = modal;
        m_since.start();
        if (stuck || steps.isEmpty()) {
            if (!stuck)
                seen << modal->windowTitle();
            if (auto* counts = qobject_cast<CardsCountDialog*>(modal))
                control<SkinButton>(counts, "okButton")->click();
            else
                modal->reject();
            return;
        }
        seen << modal->windowTitle();
        steps.takeFirst()(modal);
    }

    QTimer m_poll;
    QPointer<QDialog> m_answered;
    QElapsedTimer m_since;
};

struct Choices {
    QString printer;
    QString copies = "1";
    int quality = 1; // 0 low, 1 normal, 2 excellent
    bool colour = true;
    int sides = -1; // the entry of Sides; -1: the dialog must have none to choose
};

ModalScript::Step chooseOptions(Choices choices)
{
    return [choices](QDialog* dialog) {
        auto* options = qobject_cast<PrintOptionsDialog*>(dialog);
        QVERIFY(options);
        control<QComboBox>(options, "printerBox")->setCurrentText(choices.printer);
        control<QLineEdit>(options, "copiesBox")->setText(choices.copies);
        QRadioButton* qualities[] = {control<QRadioButton>(options, "lowQuality"),
                                     control<QRadioButton>(options, "normalQuality"),
                                     control<QRadioButton>(options, "excellentQuality")};
        qualities[choices.quality]->setChecked(true);
        if (control<QCheckBox>(options, "colourBox")->isChecked() != choices.colour)
            control<QCheckBox>(options, "colourBox")->click();
        auto* sides = options->findChild<QComboBox*>("sidesBox");
        QCOMPARE(sides && sides->isVisible(), choices.sides >= 0);
        if (sides && choices.sides >= 0)
            sides->setCurrentIndex(choices.sides);
        control<SkinButton>(options, "okButton")->click();
    };
}

ModalScript::Step cancelOptions()
{
    return [](QDialog* dialog) {
        auto* options = qobject_cast<PrintOptionsDialog*>(dialog);
        QVERIFY(options);
        control<QComboBox>(options, "printerBox")->setCurrentText(PrintOptionsDialog::PdfEntry);
        control<SkinButton>(options, "cancelButton")->click();
    };
}

QString tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// A text element reading `caption` on one side of the card; the front is shown after.
void addCaption(CardEditor& editor, CardSide side, const QString& caption)
{
    cardsides::show(editor, side);
    editor.addText();
    editor.changeItem(ElementKind::Text, int(editor.design().textCount),
                      [caption](CardItem& item) { item.text.caption = caption; });
    cardsides::show(editor, CardSide::Front);
}

// A merge file of one column, Name, holding Person1 to Person<count>; returns its path.
QString writePeople(const QString& path, int count)
{
    QByteArray rows = "Name\n";
    for (int i = 1; i <= count; ++i)
        rows += "Person" + QByteArray::number(i) + "\n";
    writeFileBytes(path, rows);
    return path;
}

int pdfPages(const QString& path)
{
    const QRegularExpression pages("^Pages:\\s+(\\d+)", QRegularExpression::MultilineOption);
    return pages.match(tool("pdfinfo", {path})).captured(1).toInt();
}
} // namespace

class TestPrintChain : public QObject {
    Q_OBJECT
    std::unique_ptr<CupsScheduler> m_cups;

    // A queue without duplex for the test that asks for it; the others see only theirs.
    struct OneSidedQueue {
        CupsScheduler& cups;
        bool added;
        explicit OneSidedQueue(CupsScheduler& scheduler)
            : cups(scheduler)
        {
            QString error;
            added = cups.addQueue("Simplex", &error, false);
            if (!added)
                qWarning("%s", qPrintable(error));
        }
        ~OneSidedQueue() { cups.removeQueue("Simplex"); }
    };

    // What a printing test's card lives with, all gone when the test ends: a queue without
    // duplex when the test asks for one, and the program's prompts and modal dialogs scripted.
    std::optional<OneSidedQueue> m_simplex;
    std::optional<ScriptedCard> m_card;
    std::optional<ModalScript> m_script;
    ScriptedPlatform& platform() { return m_card->platform; }
    ModalScript& script() { return *m_script; }
    MainWindow& window() { return m_card->window(); }
    CardEditor& editor() { return m_card->editor(); }
    PrintCommand& command() { return window().printCommand(); }
    QString filePath(const QString& name) { return m_card->filePath(name); }

    // Before startCard, for a test that prints on a queue without duplex.
    [[nodiscard]] bool addOneSidedQueue()
    {
        m_simplex.emplace(*m_cups);
        return m_simplex->added;
    }
    // A started card whose prompts and modal dialogs are answered by the script; false when the
    // window did not start.
    [[nodiscard]] bool startCard()
    {
        m_card.emplace();
        m_script.emplace();
        return m_card->start();
    }

    // Print, both Cards Count showings (answered by the script), until the preview shows.
    PreviewWindow* printToPreview()
    {
        control<SkinButton>(&window(), "printButton")->click();
        if (!QTest::qWaitFor(
                [&] {
                    return command().preview() && command().preview()->isVisible()
                           && !command().snapshotTimer.isActive()
                           && !command().reprintTimer.isActive();
                },
                10000))
            return nullptr;
        return command().preview();
    }
    // Print from the preview, the script answering Print Options as given.
    void printFrom(PreviewWindow* preview, ModalScript::Step options)
    {
        script().steps << options;
        control<QAction>(preview, "printAction")->trigger();
    }

private slots:
    void initTestCase()
    {
        QString error;
        m_cups = CupsScheduler::start(&error);
        QVERIFY2(m_cups, qPrintable(error));
        for (const char* queue : {"Alpha", "Beta", "Gamma"})
            QVERIFY2(m_cups->addQueue(queue, &error), qPrintable(error));
        QVERIFY(m_cups->setDefault("Beta"));
    }

    void init() { PrintOptionsDialog::resetChoices(); }
    // The window goes first, while the script may still answer what it shows; the queue last.
    void cleanup()
    {
        if (m_card)
            m_card->started.reset();
        m_script.reset();
        m_card.reset();
        m_simplex.reset();
    }

    void primingRunsCardsCountTwiceOnlyWhenNeeded()
    {
        QVERIFY(startCard());
        editor().createHandles();
        editor().addText();
        editor().placeHandles(ElementKind::Text, 1);

        control<SkinButton>(&window(), "printButton")->click();
        QVERIFY(!editor().handlesShown());
        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        QVERIFY(editor().sheetPrimed());
        QCOMPARE(script().count("Cards Count"), 2);
        QVERIFY(preview->compositions() >= 1);

        // Primed and still open: no load, so no Cards Count; a new snapshot is shown.
        const quint64 before = command().snapshot().generation;
        QCOMPARE(printToPreview(), preview);
        QTRY_VERIFY(command().snapshot().generation != before);
        QCOMPARE(script().count("Cards Count"), 2);

        // A card size edit clears the flag: once the preview is closed, a full priming again.
        editor().setSheetPrimed(false);
        control<QAction>(preview, "closeAction")->trigger();
        QTRY_VERIFY(!command().preview());
        QVERIFY(printToPreview());
        QCOMPARE(script().count("Cards Count"), 4);
        QCOMPARE(script().seen.size(), 4);
    }

    void printsThroughCups_data()
    {
        QTest::addColumn<Choices>("choices");
        QTest::addColumn<QString>("colourMode");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QString>("cardFile"); // the job is named after it
        QTest::newRow("colour, excellent, 3 copies, a saved card")
            << Choices{"Alpha", "3", 2, true} << "color"
            << "high"
            << "business.qmark";
        QTest::newRow("grey, low, 1 copy, a card never saved")
            << Choices{"Alpha", "1", 0, false} << "monochrome"
            << "draft" << QString();
    }
    void printsThroughCups()
    {
        QFETCH(Choices, choices);
        QFETCH(QString, colourMode);
        QFETCH(QString, quality);
        QFETCH(QString, cardFile);
        QVERIFY(startCard());
        if (!cardFile.isEmpty())
            editor().setCardFileName(filePath(cardFile));
        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        const int jobBefore = m_cups->waitForLastJob("Alpha", 100).value("job-id").toInt();

        printFrom(preview, chooseOptions(choices));
        QCOMPARE(script().seen.last(), QString("Print Options"));
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(platform().messageBoxes.isEmpty());

        const auto job = m_cups->waitForLastJob("Alpha");
        QVERIFY2(job.value("job-id").toInt() > jobBefore, "no new job");
        QCOMPARE(job.value("job-state"), QString("completed"));
        // A single copy is the default, which the job then does not list.
        QCOMPARE(job.value("copies").isEmpty() ? QString("1") : job.value("copies"),
                 choices.copies);
        QCOMPARE(job.value("print-color-mode"), colourMode);
        QCOMPARE(job.value("print-quality"), quality);
        QCOMPARE(job.value("job-name").remove('"'),
                 cardFile.isEmpty() ? QString("Quillmark card") : cardFile);
        QTRY_COMPARE(pdfPages(m_cups->outputFile("Alpha")), choices.copies.toInt());
    }

    // The Sheet menu merges a CSV file: one page at a time, Page Down and Page Up, the page in
    // the title; bad data is said and changes nothing; Print writes every page.
    void previewPagesThroughAMerge()
    {
        QVERIFY(startCard());
        editor().addText();
        editor().changeItem(ElementKind::Text, 1,
                            [](CardItem& item) { item.text.caption = "${Name}"; });
        const QString csv = writePeople(filePath("people.csv"), 25);
        const QString bad = filePath("bad.csv");
        writeFileBytes(bad, "Name\n\"Ann\n");

        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), QString("Preview"));
        QVERIFY(!control<QAction>(preview, "stopMergingAction")->isEnabled());
        platform().openAnswers << bad;
        control<QAction>(preview, "mergeAction")->trigger();
        QCOMPARE(platform().messageBoxes.size(), 1);
        QCOMPARE(platform().messageBoxes[0].text,
                 QString("bad.csv, line 2: the quote opened here is never closed"));
        QCOMPARE(platform().messageBoxes[0].title, QString("Merge with CSV"));
        QCOMPARE(preview->windowTitle(), QString("Preview"));

        platform().openAnswers << csv;
        control<QAction>(preview, "mergeAction")->trigger();
        const int cells = int(command().sheetSpec().placement().cards.size());
        const int pages = (25 + cells - 1) / cells;
        QVERIFY(pages >= 2);
        QCOMPARE(preview->pageCount(), pages);
        const auto title = [&](int page) {
            return QString("Preview \u2014 page %1 of %2").arg(page).arg(pages);
        };
        QCOMPARE(preview->windowTitle(), title(1));
        QVERIFY(QTest::qWaitForWindowActive(preview));
        const QImage first = preview->shownPage();
        for (int i = 0; i < pages; ++i) // the last press stays on the last page
            QTest::keyClick(preview, Qt::Key_PageDown);
        QCOMPARE(preview->windowTitle(), title(pages));
        QTest::keyClick(preview, Qt::Key_PageUp);
        QCOMPARE(preview->windowTitle(), title(pages - 1));
        QVERIFY(preview->shownPage() != first);

        // A name typed without a suffix gets the filter's.
        const QString pdf = filePath("merged.pdf");
        platform().saveAnswers << filePath("merged");
        printFrom(preview, chooseOptions({PrintOptionsDialog::PdfEntry}));
        QCOMPARE(pdfPages(pdf), pages);
        const QString text = tool("pdftotext", {pdf, "-"});
        for (int i = 1; i <= 25; ++i)
            QCOMPARE(text.count(QRegularExpression(QString("\\bPerson%1\\b").arg(i))), 1);

        control<QAction>(preview, "stopMergingAction")->trigger();
        QCOMPARE(preview->windowTitle(), QString("Preview"));
        QCOMPARE(preview->pageCount(), 1);
    }

    // A card with a back: the preview pages through front and back, and each way of printing
    // puts the back where it belongs (one two-sided job, two jobs around the turn of the
    // stack, interleaved PDF pages, or the front alone).
    void printsBothSides_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<int>("sides");
        QTest::addColumn<QString>("cupsSides"); // of the last job; empty: not checked
        QTest::addColumn<QString>("edge");      // named by the message to turn the stack
        QTest::addColumn<QStringList>("pages"); // the side each page of the last output holds
        QTest::addColumn<bool>("turned");       // the answer to the message: OK, or Cancel
        QTest::newRow("duplex queue, long edge")
            << "Alpha" << 0 << "two-sided-long-edge" << QString() << QStringList{"Front", "Back"}
            << true;
        QTest::newRow("duplex queue, short edge")
            << "Alpha" << 1 << "two-sided-short-edge" << QString() << QStringList{"Front", "Back"}
            << true;
        QTest::newRow("one-sided queue, long edge")
            << "Simplex" << 0 << QString() << "long edge" << QStringList{"Back"} << true;
        QTest::newRow("one-sided queue, short edge")
            << "Simplex" << 1 << QString() << "short edge" << QStringList{"Back"} << true;
        QTest::newRow("one-sided queue, stack not put back")
            << "Simplex" << 0 << QString() << "long edge" << QStringList{"Front"} << false;
        QTest::newRow("front only")
            << "Alpha" << 2 << QString() << QString() << QStringList{"Front"} << true;
        QTest::newRow("PDF file") << PrintOptionsDialog::PdfEntry << 0 << QString() << QString()
                                  << QStringList{"Front", "Back"} << true;
    }
    void printsBothSides()
    {
        QFETCH(QString, printer);
        QFETCH(int, sides);
        QFETCH(QString, cupsSides);
        QFETCH(QString, edge);
        QFETCH(QStringList, pages);
        QFETCH(bool, turned);
        QVERIFY(addOneSidedQueue());
        QVERIFY(startCard());
        addCaption(editor(), CardSide::Front, "Front");
        addCaption(editor(), CardSide::Back, "Back");
        QVERIFY(editor().design().hasBack());

        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        QCOMPARE(preview->pageCount(), 2);
        QCOMPARE(preview->windowTitle(), QString("Preview \u2014 page 1 of 2: front"));
        const QImage front = preview->shownPage();
        QVERIFY(QTest::qWaitForWindowActive(preview));
        QTest::keyClick(preview, Qt::Key_PageDown);
        QCOMPARE(preview->windowTitle(), QString("Preview \u2014 page 2 of 2: back"));
        QVERIFY(preview->shownPage() != front);
        QTest::keyClick(preview, Qt::Key_PageUp);
        QCOMPARE(preview->windowTitle(), QString("Preview \u2014 page 1 of 2: front"));

        const QString pdf = filePath("sides.pdf");
        platform().saveAnswers << pdf;
        const int jobBefore = m_cups->waitForLastJob(printer, 100).value("job-id").toInt();
        // While the user turns the stack, the fronts are out already and nothing else.
        bool frontsOut = false;
        platform().whileMessageShown = [&](const ScriptedPlatform::MessageBoxCall&) {
            frontsOut = m_cups->waitForLastJob(printer).value("job-id").toInt() > jobBefore
                        && tool("pdftotext", {m_cups->outputFile(printer), "-"}).simplified()
                               == QStringList(8, "Front").join(' ');
        };
        platform().messageAnswers << (turned ? QMessageBox::Ok : QMessageBox::Cancel);
        printFrom(preview, chooseOptions({printer, "1", 1, true, sides}));
        if (edge.isEmpty()) {
            QVERIFY2(platform().messageBoxes.isEmpty(),
                     qPrintable(platform().messageBoxes.value(0).text));
        } else {
            QCOMPARE(platform().messageBoxes.size(), 1);
            QVERIFY2(platform().messageBoxes[0].text.contains(edge),
                     qPrintable(platform().messageBoxes[0].text));
            QVERIFY(frontsOut);
            // With the picture of the turn over that edge, for the preview's screen.
            const auto picture = [&](duplex::Sides turned) {
                return duplex::turnStackPicture(turned, preview->devicePixelRatioF(),
                                                preview->palette());
            };
            const auto asked = sides == 1 ? duplex::Sides::ShortEdge : duplex::Sides::LongEdge;
            const auto other = asked == duplex::Sides::LongEdge ? duplex::Sides::ShortEdge
                                                                : duplex::Sides::LongEdge;
            QCOMPARE(platform().messageBoxes[0].picture, picture(asked));
            QVERIFY(platform().messageBoxes[0].picture != picture(other));
        }
        QString output = pdf;
        if (printer != PrintOptionsDialog::PdfEntry) {
            const auto job = m_cups->waitForLastJob(printer);
            QVERIFY2(job.value("job-id").toInt() > jobBefore, "no new job");
            QCOMPARE(job.value("job-state"), QString("completed"));
            if (!cupsSides.isEmpty())
                QCOMPARE(job.value("sides"), cupsSides);
            output = m_cups->outputFile(printer);
        }
        QTRY_COMPARE(pdfPages(output), int(pages.size()));
        for (int page = 0; page < pages.size(); ++page) {
            const QString number = QString::number(page + 1);
            QCOMPARE(tool("pdftotext", {"-f", number, "-l", number, output, "-"}).simplified(),
                     QStringList(8, pages[page]).join(' '));
        }
        // Front only: the preview shows the fronts alone from then on.
        QCOMPARE(preview->pageCount(), sides == 2 ? 1 : 2);
    }

    // The picture of how to turn the stack: drawn for the screen's pixel ratio at the same
    // size to the eye, its arrow in the palette's text colour so that it shows on a dark
    // window too, and another picture for each edge.
    void turnStackPictures_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<bool>("dark");
        for (const qreal ratio : {1.0, 1.5, 2.0})
            for (const bool dark : {false, true})
                QTest::addRow("%g, %s", ratio, dark ? "dark" : "light") << ratio << dark;
    }
    void turnStackPictures()
    {
        QFETCH(qreal, ratio);
        QFETCH(bool, dark);
        QPalette palette;
        const QColor text = dark ? QColor(230, 230, 230) : QColor(Qt::black);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Window, dark ? QColor(53, 53, 53) : QColor(239, 239, 239));
        QList<QImage> pictures;
        for (const auto sides : {duplex::Sides::LongEdge, duplex::Sides::ShortEdge}) {
            const QImage picture = duplex::turnStackPicture(sides, ratio, palette);
            QCOMPARE(picture.devicePixelRatio(), ratio);
            const QSizeF seen = picture.deviceIndependentSize();
            QVERIFY2(seen.width() >= 96 && seen.width() <= 160
                         && qAbs(seen.height() - seen.width()) < 1,
                     qPrintable(QString("%1 x %2").arg(seen.width()).arg(seen.height())));
            // The arrow: a stroke in the text colour, as thick on every screen.
            int arrow = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const QColor c = picture.pixelColor(x, y);
                    arrow += c.alpha() == 255 && qAbs(c.red() - text.red()) < 8
                             && qAbs(c.green() - text.green()) < 8
                             && qAbs(c.blue() - text.blue()) < 8;
                }
            QVERIFY2(arrow / (ratio * ratio) > 105, qPrintable(QString::number(arrow)));
            pictures << picture;
        }
        QVERIFY(pictures[0] != pictures[1]);
    }

    // Backs printed by hand come last sheet first, for the stack put back as it came out of a
    // printer that stacks face down, or first sheet first where the printer's calibration says
    // it stacks face up; each back still holds its own row.
    void backsByHandComeInTheStacksOrder_data()
    {
        QTest::addColumn<bool>("faceUp");
        QTest::newRow("stacked face down") << false;
        QTest::newRow("stacked face up") << true;
    }
    void backsByHandComeInTheStacksOrder()
    {
        QFETCH(bool, faceUp);
        QVERIFY(addOneSidedQueue());
        PrinterCalibration stacking;
        stacking.backsInPrintedOrder = faceUp;
        QVERIFY(calibration::save("Simplex", stacking));
        const auto forget = qScopeGuard([] { calibration::save("Simplex", {}); });
        QVERIFY(startCard());
        addCaption(editor(), CardSide::Back, "${Name}");
        const QString csv = writePeople(filePath("people.csv"), 20);

        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        platform().openAnswers << csv;
        control<QAction>(preview, "mergeAction")->trigger();
        const int cells = int(command().sheetSpec().placement().cards.size());
        const int sheets = (20 + cells - 1) / cells;
        QVERIFY(sheets >= 2);
        QCOMPARE(preview->pageCount(), 2 * sheets);
        QCOMPARE(preview->windowTitle(),
                 QString("Preview \u2014 page 1 of %1: front").arg(2 * sheets));

        platform().messageAnswers << QMessageBox::Ok;
        printFrom(preview, chooseOptions({"Simplex", "1", 1, true, 0}));
        QCOMPARE(platform().messageBoxes.size(), 1);
        m_cups->waitForLastJob("Simplex");
        const QString output = m_cups->outputFile("Simplex");
        QTRY_COMPARE(pdfPages(output), sheets);
        // The first page printed is the back of the last sheet, or of the first.
        const QString first = tool("pdftotext", {"-f", "1", "-l", "1", output, "-"});
        const auto holds = [&](const char* name) {
            return first.contains(QRegularExpression(QString("\\b%1\\b").arg(name)));
        };
        QVERIFY2(holds("Person20") != faceUp, qPrintable(first));
        QVERIFY2(holds("Person1") == faceUp, qPrintable(first));
        const QString all = tool("pdftotext", {output, "-"});
        for (int i = 1; i <= 20; ++i)
            QCOMPARE(all.count(QRegularExpression(QString("\\bPerson%1\\b").arg(i))), 1);
    }

    // A card without a back is offered no choice of sides, and the dialog keeps its size.
    void sidesOnlyForACardWithABack()
    {
        PrintOptionsDialog dialog;
        const QSize plain = dialog.size();
        dialog.offerSides(false);
        QVERIFY(!dialog.findChild<QComboBox*>("sidesBox"));
        QCOMPARE(dialog.size(), plain);
        QCOMPARE(dialog.sides(), duplex::Sides::Front);
        dialog.offerSides(true);
        auto* box = control<QComboBox>(&dialog, "sidesBox");
        QCOMPARE(box->count(), 3);
        QCOMPARE(dialog.sides(), duplex::Sides::LongEdge);
        QVERIFY(dialog.size().height() > plain.height());
        box->setCurrentIndex(1);
        QCOMPARE(dialog.sides(), duplex::Sides::ShortEdge);
        dialog.offerSides(false);
        QCOMPARE(dialog.size(), plain);
        QCOMPARE(dialog.sides(), duplex::Sides::Front);
    }

    // A QR code whose content fits no level is said before anything is printed.
    void qrCodeThatFitsNoLevelIsNotPrinted()
    {
        QVERIFY(startCard());
        editor().addQrCode();
        editor().changeItem(ElementKind::QrCode, 1,
                            [](CardItem& item) { item.qr.content = QString(3000, 'x'); });
        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        const QString pdf = filePath("sheet.pdf");
        platform().saveAnswers << pdf;
        printFrom(preview, chooseOptions({PrintOptionsDialog::PdfEntry}));
        QCOMPARE(platform().messageBoxes.size(), 1);
        QCOMPARE(platform().messageBoxes[0].text,
                 QString("QR code 1 cannot be printed: its content (3000 bytes) does not fit in a "
                         "QR code, even at level L (2953 bytes at most)."));
        QVERIFY(!QFile::exists(pdf));
    }

    void printsToPdfFile()
    {
        QVERIFY(startCard());
        editor().setCardBackColor(0x00FF0000); // blue, so the cards' edges show
        editor().addText();
        editor().changeItem(ElementKind::Text, 1,
                            [](CardItem& item) { item.text.caption = "Quillmark"; });
        const QString image = writeImage(m_card->programDir(), "photo.bmp", {400, 300}, Qt::yellow);
        platform().openAnswers << image;
        editor().addPicture();
        const QString pdf = filePath("sheet.pdf");
        platform().saveAnswers << pdf;

        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        // A file has no copy count: its copies are pages.
        printFrom(preview, chooseOptions({PrintOptionsDialog::PdfEntry, "3"}));
        QCOMPARE(platform().saveFilters, QStringList{"PDF|*.pdf"});
        QVERIFY2(platform().messageBoxes.isEmpty(),
                 qPrintable(platform().messageBoxes.value(0).text));

        const QString info = tool("pdfinfo", {pdf});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+3\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Page size:\\s+612 x 792 pts \\(letter\\)")),
                 qPrintable(info));
        QVERIFY(info.contains(QRegularExpression("Page rot:\\s+0\\n")));
        QCOMPARE(tool("pdftotext", {pdf, "-"}).count("Quillmark"), 3 * 8);
        // The picture keeps its own pixels.
        const QString images = tool("pdfimages", {"-list", pdf});
        QVERIFY2(images.contains(QRegularExpression("\\s400\\s+300\\s")), qPrintable(images));

        // 2 columns of 360 and 4 rows of 210 pixels from the top-left corner, at 96 dpi.
        tool("pdftoppm", {"-r", "96", "-png", "-singlefile", "-f", "3", pdf, filePath("page")});
        const QImage page(filePath("page.png"));
        QCOMPARE(page.size(), QSize(816, 1056));
        const auto blue = [&](int x, int y) {
            const QColor c = page.pixelColor(x, y);
            return c.blue() > 200 && c.red() < 60 && c.green() < 60;
        };
        for (int column = 0; column < 2; ++column)
            for (int row = 0; row < 4; ++row) {
                const int x = column * 360, y = row * 210;
                QVERIFY2(blue(x + 2, y + 205) && blue(x + 357, y + 205),
                         qPrintable(QString("card %1,%2").arg(column).arg(row)));
            }
        QVERIFY(!blue(722, 100) && !blue(100, 842) && !blue(722, 842));
    }

    void lastPrinterIsPreselected()
    {
        PrintOptionsDialog first;
        auto* printers = control<QComboBox>(&first, "printerBox");
        QVERIFY(printers);
        const QStringList entries{"Alpha", "Beta", "Gamma", "PDF file"};
        QStringList listed;
        for (int i = 0; i < printers->count(); ++i)
            listed << printers->itemText(i);
        QCOMPARE(listed, entries);
        // The system's current one.
        QCOMPARE(printers->currentText(), QString("Beta"));

        printers->setCurrentText("Gamma");
        QCOMPARE(PrintOptionsDialog::currentPrinter(), QString("Gamma"));
        control<SkinButton>(&first, "cancelButton")->click();
        QCOMPARE(PrintOptionsDialog::currentPrinter(), QString("Gamma"));
        QVERIFY(!PrintOptionsDialog::accepted());

        PrintOptionsDialog second;
        QCOMPARE(control<QComboBox>(&second, "printerBox")->currentText(), QString("Gamma"));
        QCOMPARE(control<QLineEdit>(&second, "copiesBox")->text(), QString("1"));
        QVERIFY(control<QRadioButton>(&second, "normalQuality")->isChecked()
                && control<QCheckBox>(&second, "colourBox")->isChecked());
    }

    void copiesBox_data()
    {
        QTest::addColumn<QString>("start");
        // '<' Backspace, '#' Delete all, '\n' Enter, '^' Home, '}' Right, '>' Delete
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("focusMoved");
        QTest::newRow("too many") << ""
                                  << "1200"
                                  << "999" << false;
        QTest::newRow("deleted") << "57"
                                 << "#"
                                 << "1" << false;
        QTest::newRow("letter") << "5"
                                << "a"
                                << "5" << false;
        QTest::newRow("minus") << "5"
                               << "-"
                               << "5" << false;
        QTest::newRow("backspace") << "12"
                                   << "<"
                                   << "12" << false;
        QTest::newRow("enter") << "12"
                               << "\n"
                               << "12" << true;
        // The caret stays where the digit went in.
        QTest::newRow("typed at the start") << "1"
                                            << "^2>"
                                            << "2" << false;
        QTest::newRow("typed in the middle") << "19"
                                             << "^}0>"
                                             << "10" << false;
    }
    void copiesBox()
    {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(bool, focusMoved);
        PrintOptionsDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* box = control<QLineEdit>(&dialog, "copiesBox");
        auto* spinner = control<QScrollBar>(&dialog, "copiesSpinner");
        QVERIFY(box && spinner);
        box->setFocus();
        box->setText(start);
        box->selectAll();
        const QHash<QChar, Qt::Key> named = {{'<', Qt::Key_Backspace}, {'#', Qt::Key_Delete},
                                             {'\n', Qt::Key_Return},   {'^', Qt::Key_Home},
                                             {'}', Qt::Key_Right},     {'>', Qt::Key_Delete}};
        for (const QChar key : keys) {
            if (key == '#')
                box->selectAll();
            if (named.contains(key))
                QTest::keyClick(box, named[key]);
            else
                QTest::keyClick(box, key.toLatin1());
        }
        QCOMPARE(box->text(), text);
        QCOMPARE(spinner->value(), text.toInt());
        QCOMPARE(spinner->hasFocus(), focusMoved);
    }

    void groupFramesAreDrawn()
    {
        PrintOptionsDialog dialog;
        const QImage face = dialog.grab().toImage();
        const QColor background = dialog.palette().color(QPalette::Window);
        for (const QLine& line : PrintOptionsDialog::frameLines()) {
            const QPoint middle = line.center() / 15;
            const QPoint beside = middle + (line.dy() == 0 ? QPoint(0, 3) : QPoint(3, 0));
            QVERIFY2(face.pixelColor(middle) != background && face.pixelColor(beside) == background,
                     qPrintable(QString("line through %1, %2").arg(middle.x()).arg(middle.y())));
        }
    }

    void unreachableSchedulerIsNamed()
    {
        // With no scheduler to ask, every queue looks uninstalled: say what is really wrong.
        const QByteArray server = cupsServer();
        cupsSetServer(QFile::encodeName(QDir::temp().filePath("no-scheduler-here.sock")));
        SheetJob job;
        job.printerName = "Alpha";
        const PrintOutcome outcome = printPage(job, {12240, 15840}, false, [](QPainter&, qreal) {});
        cupsSetServer(server.constData());
        QVERIFY(!outcome.sent);
        QVERIFY2(outcome.reason.startsWith("The print service ("
                                           + QDir::temp().filePath("no-scheduler-here.sock")
                                           + ") cannot be reached: "),
                 qPrintable(outcome.reason));
        QVERIFY(!QPrinterInfo::printerInfo("Alpha").isNull()); // and back again
    }

    void spinnerArrowsAreInverted()
    {
        PrintOptionsDialog dialog;
        auto* copies = control<QLineEdit>(&dialog, "copiesBox");
        auto* spinner = control<QScrollBar>(&dialog, "copiesSpinner");
        QVERIFY(copies && spinner);
        copies->setText("5");
        spinner->triggerAction(QAbstractSlider::SliderSingleStepSub); // top arrow
        QCOMPARE(copies->text(), QString("4"));
        spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(copies->text(), QString("6"));
    }

    void cancelPrintsNothing()
    {
        QVERIFY(startCard());
        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        printFrom(preview, cancelOptions());
        QVERIFY(!PrintOptionsDialog::accepted());
        QVERIFY(platform().saveFilters.isEmpty());
        QVERIFY(platform().messageBoxes.isEmpty());
        QTRY_VERIFY(!window().findChild<PrintOptionsDialog*>());
        QTest::qWait(50);
    }

    void zoomAndScroll()
    {
        QVERIFY(startCard());
        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        preview->showNormal();
        // A viewport 400 pixels (6000 twips) high under a page 1056 (15840) high.
        preview->resize(900, 600);
        QTRY_VERIFY(control<QWidget>(preview, "holder")->height() > 0);
        preview->resize(900, 600 + 400 - control<QWidget>(preview, "holder")->height());
        QTRY_COMPARE(control<QWidget>(preview, "holder")->height(), 400);
        QCOMPARE(control<QScrollBar>(preview, "verticalBar")->minimum(), 0);
        QCOMPARE(control<QScrollBar>(preview, "verticalBar")->maximum(), 656); // 9840 twips
        QCOMPARE(control<QScrollBar>(preview, "verticalBar")->pageStep(), 400);
        QCOMPARE(control<QScrollBar>(preview, "verticalBar")->singleStep(), 80);
        control<QScrollBar>(preview, "verticalBar")->setValue(656);
        QCOMPARE(control<QWidget>(preview, "pageView")->geometry().bottom(),
                 control<QWidget>(preview, "holder")->height() - 1);
        control<QScrollBar>(preview, "verticalBar")->setValue(0);

        preview->zoom100();
        const int composed = preview->compositions();
        control<QAction>(preview, "zoom25Action")->trigger();
        QCOMPARE(control<QWidget>(preview, "pageView")->size(), QSize(204, 264));
        QCOMPARE(preview->compositions(), composed); // scaled, not composed again
        // The ranges follow resizes only.
        QCOMPARE(control<QScrollBar>(preview, "verticalBar")->maximum(), 656);

        // New counts: 25 % still scales the old page, 50 % composes the new one first.
        control<QComboBox>(&command().cardsCount(), "rowsBox")->setCurrentText("1");
        control<QAction>(preview, "zoom25Action")->trigger();
        QCOMPARE(preview->compositions(), composed);
        control<QAction>(preview, "zoom50Action")->trigger();
        QCOMPARE(preview->compositions(), composed + 1);
        QCOMPARE(control<QWidget>(preview, "pageView")->size(), QSize(408, 528));
        QCOMPARE(preview->shownPage().pixelColor(100, 200), QColor(Qt::white)); // one row only

        // A page that fits both ways is centred on resize; one that does not starts at 0, 0.
        preview->resize(1000, 800);
        const QSize holder = control<QWidget>(preview, "holder")->size();
        QTRY_COMPARE(control<QWidget>(preview, "pageView")->pos(),
                     QPoint((holder.width() - 408) / 2, (holder.height() - 528) / 2));
        // There each arrow moves the handle and the page the way it points, from where they are.
        for (QScrollBar* bar : {control<QScrollBar>(preview, "horizontalBar"),
                                control<QScrollBar>(preview, "verticalBar")}) {
            const bool across = bar == control<QScrollBar>(preview, "horizontalBar");
            const auto at = [&] {
                return across ? control<QWidget>(preview, "pageView")->x()
                              : control<QWidget>(preview, "pageView")->y();
            };
            const int centred = at();
            QCOMPARE(bar->value(), centred);
            QVERIFY(!bar->invertedAppearance()); // a higher value draws the handle further on
            bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            QVERIFY2(at() > centred && bar->value() > centred, across ? "right" : "down");
            bar->triggerAction(QAbstractSlider::SliderToMinimum);
            QCOMPARE(at(), 0);
            bar->triggerAction(QAbstractSlider::SliderToMaximum);
            QCOMPARE(at() + (across ? 408 : 528), across ? holder.width() : holder.height());
        }
        // A smaller window with the page still fitting: centred again, though the bars' ranges
        // shrink below the values they had.
        control<QAction>(preview, "zoom50Action")->trigger();
        preview->resize(620, 640);
        const QSize smaller = control<QWidget>(preview, "holder")->size();
        QVERIFY(smaller.width() > 408 && smaller.height() > 528);
        QTRY_COMPARE(control<QWidget>(preview, "pageView")->pos(),
                     QPoint((smaller.width() - 408) / 2, (smaller.height() - 528) / 2));
        control<QAction>(preview, "zoom100Action")->trigger();
        preview->resize(1000, 801);
        QTRY_COMPARE(control<QWidget>(preview, "pageView")->pos(), QPoint(0, 0));
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("target"); // a PDF path, or "queue:" and a queue to refuse
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder is a file") << "file/sheet.pdf"
                                          << "cannot be written";
        QTest::newRow("read-only system folder") << "/proc/sheet.pdf"
                                                 << "cannot be written";
        QTest::newRow("queue refuses") << "queue:Gamma"
                                       << "refused the job";
    }
    void failuresAreReported()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QVERIFY(startCard());
        QString printer = PrintOptionsDialog::PdfEntry;
        QString path;
        if (target.startsWith("queue:")) {
            printer = target.mid(6);
            QVERIFY(m_cups->rejectJobs(printer));
        } else {
            QFile file(filePath("file"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            path = target.startsWith('/') ? target : filePath(target);
            platform().saveAnswers << path;
        }
        PreviewWindow* preview = printToPreview();
        QVERIFY(preview);
        printFrom(preview, chooseOptions({printer}));
        QCOMPARE(platform().messageBoxes.size(), 1);
        QCOMPARE(platform().messageBoxes[0].title, QString("Print"));
        QCOMPARE(platform().messageBoxes[0].icon, QMessageBox::Critical);
        QVERIFY2(platform().messageBoxes[0].text.contains(reason),
                 qPrintable(platform().messageBoxes[0].text));
        QVERIFY(!QGuiApplication::overrideCursor());
        if (!path.isEmpty())
            QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestPrintChain)
#include "tst_printchain.moc"
