// Screenshots of Quillmark's windows with a designed card, for the README and for checking
// how the windows look under other desktop settings. Run it under a real display server
// (scripts/screenshots starts one with xvfb-run); QT_SCALE_FACTOR sets the scale.
//
//   qmark_shots [--all | --zooms] [--dark] [--font POINTS] [--prefix NAME] OUTDIR
//
// Without --all: OUTDIR/main-window.png and OUTDIR/print-preview.png. With --all: every
// window, and the duplex alignment page's sides, as OUTDIR/NAME-<window>.png. With --zooms:
// the main window at 100, 200 and 400 % with the grid and a smart guide showing, as
// OUTDIR/NAME-zoom<percent>.png.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "canvas/cardsides.h"
#include "canvas/layoutcommands.h"
#include "controls/skinbutton.h"
#include "dialogs/cardoptionsdialog.h"
#include "dialogs/qroptionsdialog.h"
#include "dialogs/shapeoptionsdialog.h"
#include "dialogs/textoptionsdialog.h"
#include "print/alignmentpage.h"
#include "print/calibrationdialog.h"
#include "print/cardscountdialog.h"
#include "print/layoutcatalog.h"
#include "print/previewwindow.h"
#include "print/printcommand.h"
#include "print/printoptionsdialog.h"
#include "print/turnstack.h"
#include "prompt/platform.h"
#include "shell/aboutdialog.h"
#include "update/updatewindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {
// Answers the picture prompt with the prepared logo and every other prompt as a person
// who agrees; nothing else is ever asked while the card is built.
class ShotPlatform final : public Platform {
public:
    explicit ShotPlatform(QString picture)
        : m_picture(std::move(picture))
    {
    }
    QMessageBox::StandardButton messageBox(QWidget*, const QString&, const QString&,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon) override
    {
        return buttons & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok;
    }
    QString openFileName(QWidget*, const QString&) override { return m_picture; }
    void setOpenAnswer(const QString& path) { m_picture = path; }
    QString saveFileName(QWidget*, const QString&) override { return {}; }
    ColorChoice chooseColor(QWidget*, const QColor&) override { return {}; }
    QAction* popupMenu(QMenu*, const QPoint&) override { return nullptr; }
    bool startDetached(const QString&, const QStringList&, qint64*, bool) override { return false; }
    int runProcess(const QString&, const QStringList&, int, QByteArray*) override { return -1; }
    bool openUrl(const QUrl&) override { return false; }
    void exit(int code) override { std::exit(code); }

private:
    QString m_picture;
};

QPalette darkPalette()
{
    QPalette dark;
    const QColor window(53, 53, 53), base(35, 35, 35), text(230, 230, 230);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(127, 127, 127));
    return dark;
}

// A small round logo, so the card shows a picture element.
QString writeLogo(const QTemporaryDir& dir)
{
    QImage logo(240, 240, QImage::Format_RGB32);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 240, 240);
    fill.setColorAt(0, QColor(0x1f, 0x4e, 0x8c));
    fill.setColorAt(1, QColor(0x2f, 0xa3, 0xc7));
    painter.setBrush(fill);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(12, 12, 216, 216));
    painter.setPen(QPen(Qt::white, 14, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(70, 170), QPointF(170, 70));
    painter.drawLine(QPointF(150, 70), QPointF(170, 70));
    painter.drawLine(QPointF(170, 70), QPointF(170, 90));
    painter.end();
    const QString path = dir.filePath("logo.png");
    logo.save(path);
    return path;
}

void addText(CardEditor& editor, const QString& caption, float points, bool bold, qint32 colour,
             QRectF twips)
{
    editor.addText();
    editor.changeItem(ElementKind::Text, editor.textCount(), [&](CardItem& item) {
        item.text.caption = caption;
        item.text.fontName = "Liberation Sans";
        item.text.setFontSize(points);
        item.text.bold = bold;
        item.text.frwColor = colour;
        item.text.bgColor = 0x00E0E0E0;
        item.text.backStyle = 0;
        item.setWidth(float(twips.width()));
        item.setHeight(float(twips.height()));
        item.setLeft(float(twips.left()));
        item.setTop(float(twips.top()));
    });
}

void addShape(CardEditor& editor, qint16 kind, qint32 colour, QRectF twips)
{
    editor.addShape();
    editor.changeItem(ElementKind::Shape, editor.shapeCount(), [&](CardItem& item) {
        item.shape.shape = kind;
        item.shape.backColor = colour;
        item.setWidth(float(twips.width()));
        item.setHeight(float(twips.height()));
        item.setLeft(float(twips.left()));
        item.setTop(float(twips.top()));
    });
}

// A business card: a band and a dot, the logo, a name, a title and the contact lines.
void designCard(CardEditor& editor)
{
    editor.setCardBackColor(0x00FFFFFF);
    addShape(editor, ShapeLook::Rectangle, 0x008C4E1F, {0, 2550, 5400, 600});
    addShape(editor, ShapeLook::Circle, 0x0030B2FF, {4560, 300, 450, 450});
    editor.addPicture();
    editor.changeItem(ElementKind::Picture, editor.pictureCount(), [](CardItem& item) {
        item.setLeft(300), item.setTop(300), item.setWidth(1200), item.setHeight(1200);
    });
    addText(editor, "Quillmark Studio", 16, true, 0x008C4E1F, {1650, 330, 3600, 500});
    addText(editor, "Business cards, designed and printed", 8, false, 0x00404040,
            {1650, 840, 3600, 300});
    addText(editor, "Jane Doe, Designer", 10, true, 0x00000000, {300, 1700, 4800, 330});
    addText(editor, "+1 555 0100   jane@example.com", 8, false, 0x00404040, {300, 2070, 4800, 300});
    addText(editor, "quillmark.example", 8, true, 0x00FFFFFF, {300, 2730, 4800, 300});
    editor.addQrCode();
    editor.changeItem(ElementKind::QrCode, editor.qrCodeCount(), [](CardItem& item) {
        item.qr.content = QStringLiteral("https://quillmark.example/jane");
        item.qr.darkColor = 0x008C4E1F;
        item.setLeft(4200), item.setTop(1500), item.setWidth(1000), item.setHeight(1000);
    });
}

bool save(QWidget* window, const QString& path)
{
    window->repaint();
    QApplication::processEvents();
    const bool saved = window->grab().save(path);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "could not write",
                 qPrintable(path));
    return saved;
}

bool showAndSave(QWidget* window, const QString& path)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    QTest::qWait(100);
    return save(window, path);
}

// The card zoomed with the grid shown and a guide showing: the title is held by the pointer
// with its left edge a pixel from the logo's left edge, where it snaps.
bool zoomShots(MainWindow& window, const QString& stem)
{
    CardView* view = window.editor().view();
    window.layoutCommands().action("gridAction")->setChecked(true);
    window.layoutCommands().action("guidesAction")->setChecked(true);
    bool ok = true;
    for (const qreal zoom : {1.0, 2.0, 4.0}) {
        view->setZoom(zoom);
        const CardItem* name = window.editor().item(ElementKind::Text, 3);
        const QPointF press = QPointF(name->left + 150, name->top + 150);
        const auto send = [&](QEvent::Type type, QPointF twips, Qt::MouseButtons held) {
            const QPointF at = view->toPixels(twips);
            QMouseEvent event(type, at, view->mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                              Qt::NoModifier);
            QApplication::sendEvent(view, &event);
        };
        send(QEvent::MouseButtonPress, press, Qt::LeftButton);
        send(QEvent::MouseMove, press + QPointF(15, -120), Qt::LeftButton);
        ok &= showAndSave(&window, QStringLiteral("%1-zoom%2.png").arg(stem).arg(int(zoom * 100)));
        // Released where it was pressed: nothing moves.
        send(QEvent::MouseButtonRelease, press, Qt::NoButton);
    }
    view->setZoom(1);
    window.layoutCommands().action("gridAction")->setChecked(false);
    window.layoutCommands().action("guidesAction")->setChecked(false);
    return ok;
}

// Print, answering Cards Count with its OK, until the preview shows.
PreviewWindow* printToPreview(MainWindow& window)
{
    PrintCommand& command = window.printCommand();
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* counts = qobject_cast<CardsCountDialog*>(QApplication::activeModalWidget()))
            counts->findChild<SkinButton*>("okButton")->click();
    });
    answer.start(50);
    window.findChild<SkinButton*>("printButton")->click();
    const bool shown = QTest::qWaitFor(
        [&] {
            return command.preview() && command.preview()->isVisible()
                   && !command.snapshotTimer.isActive() && !command.reprintTimer.isActive();
        },
        15000);
    return shown ? command.preview() : nullptr;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption all("all", "Every window, not only the README's two.");
    const QCommandLineOption zooms("zooms", "The card at 100, 200 and 400 %, grid and guide.");
    const QCommandLineOption dark("dark", "A dark palette.");
    const QCommandLineOption font("font", "Application font size in points.", "points");
    const QCommandLineOption prefix("prefix", "File name prefix with --all.", "name", "shot");
    parser.addOptions({all, zooms, dark, font, prefix});
    parser.addPositionalArgument("outdir", "Where the pictures go.");
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QDir out(parser.positionalArguments().first());
    if (!QDir().mkpath(out.path()))
        return 1;

    // The same look on every machine: Fusion, in the palette asked for.
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(parser.isSet(dark) ? darkPalette()
                                                : QApplication::style()->standardPalette());
    if (parser.isSet(font)) {
        QFont desktop = QApplication::font();
        desktop.setPointSize(parser.value(font).toInt());
        QApplication::setFont(desktop);
    }

    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    // The program's folder and the user's data go to the temporary folder, not the user's.
    qputenv("XDG_DATA_HOME", QFile::encodeName(work.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath("config")));
    ShotPlatform platform(writeLogo(work));
    Platform::install(&platform);

    MainWindow window(StartupOptions{work.filePath("qmark"), {}});
    CardEditor& editor = window.editor();
    editor.createHandles();
    designCard(editor);
    editor.placeHandles(ElementKind::Text, 1);
    editor.setSelection({ElementKind::Text, 1});

    bool ok = true;
    if (parser.isSet(zooms)) {
        ok = zoomShots(window, out.filePath(parser.value(prefix)));
        Platform::install(nullptr);
        return ok ? 0 : 1;
    }
    if (!parser.isSet(all)) {
        ok &= showAndSave(&window, out.filePath("main-window.png"));
        PreviewWindow* preview = printToPreview(window);
        if (!preview)
            return 1;
        preview->resize(900, 700);
        // Activations show 100 % afresh: zoom out once the window has settled.
        QTest::qWait(300);
        preview->zoom50();
        QTest::qWait(200);
        ok &= save(preview, out.filePath("print-preview.png"));
        Platform::install(nullptr);
        return ok ? 0 : 1;
    }

    const QString name = parser.value(prefix);
    auto file = [&](const char* window) { return out.filePath(name + "-" + window + ".png"); };
    ok &= showAndSave(&window, file("main"));

    // A command-bar button pressed, then dragged off with the button held: drawn plain.
    if (auto* textButton = window.findChild<SkinButton*>("textButton")) {
        const QPoint inside(10, 10);
        QTest::mouseMove(textButton, inside);
        QTest::mousePress(textButton, Qt::LeftButton, {}, inside);
        QTest::mouseMove(textButton, inside + QPoint(textButton->width() + 40, 0));
        QTest::qWait(100);
        ok &= save(&window, file("button-dragged-off"));
        QTest::mouseRelease(textButton, Qt::LeftButton, {},
                            inside + QPoint(textButton->width() + 40, 0));
    }

    TextOptionsDialog textOptions(editor);
    textOptions.fillFrom(*editor.item(ElementKind::Text, 1));
    ok &= showAndSave(&textOptions, file("textoptions"));
    textOptions.hide();

    editor.setSelection({ElementKind::Shape, 1});
    ShapeOptionsDialog shapeOptions(editor);
    shapeOptions.fillFrom(*editor.item(ElementKind::Shape, 1));
    ok &= showAndSave(&shapeOptions, file("shapeoptions"));
    shapeOptions.hide();

    CardOptionsDialog cardOptions(editor);
    ok &= showAndSave(&cardOptions, file("cardoptions"));
    cardOptions.hide();

    AboutDialog about(&window);
    ok &= showAndSave(&about, file("about"));
    about.hide();

    CardsCountDialog cardsCount(&window);
    ok &= showAndSave(&cardsCount, file("cardscount"));
    cardsCount.hide();

    PrintOptionsDialog printOptions(&window);
    ok &= showAndSave(&printOptions, file("printoptions"));
    printOptions.hide();

    UpdateWindow update(&window);
    ok &= showAndSave(&update, file("update"));
    update.hide();

    QrOptionsDialog qrOptions(&window);
    qrOptions.setOptions(QrCodeOptions::fromLook(editor.item(ElementKind::QrCode, 1)->qr));
    ok &= showAndSave(&qrOptions, file("qroptions"));
    qrOptions.hide();

    // The back being edited: its own colour and text, and the mark in the corner.
    cardsides::show(editor, CardSide::Back);
    editor.setCardBackColor(0x00F0E6DC);
    editor.addText();
    editor.changeItem(ElementKind::Text, editor.textCount(),
                      [](CardItem& item) { item.text.caption = "On the back"; });
    ok &= showAndSave(&window, file("back"));
    cardsides::show(editor, CardSide::Front);

    // The calibration with a back offset read, the duplex alignment page's two sides, and
    // the question between the fronts and the backs printed by hand, with its picture.
    CalibrationDialog calibrationDialog(layoutcatalog::layouts().front(), QString(), &window);
    calibrationDialog.findChild<QDoubleSpinBox*>("backAcross")->setValue(1.5);
    calibrationDialog.findChild<QDoubleSpinBox*>("backDown")->setValue(-0.5);
    ok &= showAndSave(&calibrationDialog, file("calibration"));
    calibrationDialog.hide();
    const QSizeF letter(8.5 * 1440, 11 * 1440);
    const qreal ratio = window.devicePixelRatioF();
    const auto savePage = [&](const char* name,
                              const std::function<void(QPainter&, qreal)>& paint) {
        QImage page((letter * 96 * ratio / 1440).toSize(), QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        paint(painter, 96 * ratio / 1440);
        painter.end();
        return page.save(file(name));
    };
    ok &= savePage("alignment-front", [&](QPainter& painter, qreal unitsPerTwip) {
        alignmentpage::paintFront(painter, letter, unitsPerTwip);
    });
    for (const auto& [name, sides] : {std::pair{"alignment-back-long", duplex::Sides::LongEdge},
                                      {"alignment-back-short", duplex::Sides::ShortEdge}})
        // Passed on by value: clang 14 lambdas cannot capture a structured binding.
        ok &= savePage(name, [&letter, turned = sides](QPainter& painter, qreal unitsPerTwip) {
            alignmentpage::paintBack(painter, letter, turned, unitsPerTwip);
        });
    // Held to the light from the back, printed 1.5 mm right and 1 mm up of its place: the
    // front shows through, faint and mirrored, across the scales at -1.5 and +1.
    ok &= savePage("alignment-held", [&](QPainter& painter, qreal unitsPerTwip) {
        const auto sides = duplex::Sides::ShortEdge;
        painter.save();
        painter.setOpacity(0.4);
        painter.setTransform(duplex::backMirror(sides, letter * unitsPerTwip, false));
        alignmentpage::paintFront(painter, letter, unitsPerTwip);
        painter.restore();
        painter.translate(QPointF(1.5, -1) * (1440 / 25.4) * unitsPerTwip);
        alignmentpage::paintBack(painter, letter, sides, unitsPerTwip);
    });
    for (const auto& [name, sides] : {std::pair{"turn-stack-long", duplex::Sides::LongEdge},
                                      {"turn-stack-short", duplex::Sides::ShortEdge}}) {
        QMessageBox turnStack(QMessageBox::Information, "Print", duplex::turnStackMessage(sides),
                              QMessageBox::Ok | QMessageBox::Cancel, &window);
        turnStack.setIconPixmap(QPixmap::fromImage(
            duplex::turnStackPicture(sides, window.devicePixelRatioF(), window.palette())));
        ok &= showAndSave(&turnStack, file(name));
        turnStack.hide();
    }

    // The question closing, Exit and Open ask while changes are unsaved, as the platform
    // shows it.
    QMessageBox unsaved(QMessageBox::Question, "Quillmark", "Save changes to the card?",
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, &window);
    ok &= showAndSave(&unsaved, file("unsaved"));
    unsaved.hide();

    if (PreviewWindow* preview = printToPreview(window)) {
        preview->resize(700, 500);
        ok &= save(preview, file("preview"));
        // At 50 % in a large window, then the window made smaller: the page stays centred.
        preview->resize(1000, 800);
        QTest::qWait(300);
        preview->zoom50();
        QTest::qWait(200);
        preview->resize(620, 640);
        QTest::qWait(300);
        ok &= save(preview, file("preview-shrunk"));
        // A sheet merged from a spreadsheet: each card carries its own row.
        editor.changeItem(ElementKind::Text, 3,
                          [](CardItem& item) { item.text.caption = "${name}, ${title}"; });
        editor.changeItem(ElementKind::QrCode, 1, [](CardItem& item) {
            item.qr.content = "https://quillmark.example/${login}";
        });
        const QString people = work.filePath("people.csv");
        QFile csv(people);
        if (csv.open(QIODevice::WriteOnly)) {
            csv.write("name;title;login\n");
            for (const char* row :
                 {"Jane Doe;Designer;jane", "Ravi Rao;Printer;ravi",
                  "Zoë Brandt;\"Sales, North\";zoe", "Li Wei;Owner;li", "Ana Silva;Designer;ana",
                  "Tom Berg;Courier;tom", "Mia Ono;Accounts;mia", "Sam Lee;Support;sam",
                  "Eva Holm;Designer;eva", "Noor Ali;Printer;noor"})
                csv.write(QByteArray(row) + "\n");
            csv.close();
        }
        platform.setOpenAnswer(people);
        preview->close();
        if (PreviewWindow* merged = printToPreview(window)) {
            merged->mergeWithCsv();
            merged->resize(700, 500);
            QTest::qWait(300);
            merged->zoom50();
            QTest::qWait(200);
            ok &= save(merged, file("merged"));
        } else {
            ok = false;
        }
    } else {
        ok = false;
    }
    Platform::install(nullptr);
    return ok ? 0 : 1;
}
