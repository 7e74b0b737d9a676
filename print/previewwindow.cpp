#include "print/previewwindow.h"

#include "document/twips.h"
#include "print/calibrationdialog.h"
#include "print/cardexport.h"
#include "print/cardscountdialog.h"
#include "print/layoutcatalog.h"
#include "print/printcommand.h"
#include "print/printoptionsdialog.h"
#include "print/stockdialog.h"
#include "print/turnstack.h"
#include "prompt/platform.h"
#include "render/qrcode.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {
// The displayed page: whatever image it is given, stretched to its own size.
class PageView : public QWidget {
public:
    explicit PageView(const QImage& image, QWidget* parent)
        : QWidget(parent)
        , m_image(image)
    {
        setObjectName("pageView");
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (m_image.isNull())
            painter.fillRect(rect(), Qt::white);
        else
            painter.drawImage(rect(), m_image);
    }

private:
    const QImage& m_image;
};

bool sameSheet(const SheetSpec& a, const SheetSpec& b)
{
    return a.snapshot && b.snapshot && a.snapshot->generation == b.snapshot->generation
           && a.cardTwips == b.cardTwips && a.columns == b.columns && a.rows == b.rows
           && a.layout == b.layout && a.merge == b.merge && a.page == b.page;
}

const QString MergeTitle = QStringLiteral("Merge with CSV");
const QString StockTitle = QStringLiteral("Stock");
// The largest card Card Options allows, in pixels.
const QSizeF MaxCardPixels(385, 210);

int round16(double v) { return int(std::clamp(std::nearbyint(v), -32768.0, 32767.0)); }
} // namespace

PreviewWindow::PreviewWindow(PrintCommand& command, QWidget* parent)
    : QMainWindow(parent)
    , m_command(command)
{
    setObjectName("PreviewWindow");
    setWindowTitle("Preview");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowState(Qt::WindowMaximized);

    printAction = menuBar()->addAction("Print");
    printAction->setObjectName("printAction");
    QMenu* sizes = menuBar()->addMenu("Preview Size");
    zoom100Action = sizes->addAction("100%");
    zoom100Action->setObjectName("zoom100Action");
    zoom50Action = sizes->addAction("50%");
    zoom50Action->setObjectName("zoom50Action");
    zoom25Action = sizes->addAction("25%");
    zoom25Action->setObjectName("zoom25Action");
    closeAction = menuBar()->addAction("Close");
    closeAction->setObjectName("closeAction");
    createSheetMenu();

    m_area = new QWidget(this);
    setCentralWidget(m_area);
    holder = new QWidget(m_area);
    holder->setObjectName("holder");
    holder->setAutoFillBackground(true);
    QPalette grey = holder->palette();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    holder->setPalette(grey);
    pageView = new PageView(m_shown, holder);
    pageView->resize(pageSizePixels());
    horizontalBar = new QScrollBar(Qt::Horizontal, m_area);
    horizontalBar->setObjectName("horizontalBar");
    verticalBar = new QScrollBar(Qt::Vertical, m_area);
    verticalBar->setObjectName("verticalBar");
    m_area->installEventFilter(this);

    connect(horizontalBar, &QScrollBar::valueChanged, this,
            [this](int v) { pageView->move(pageOffset(horizontalBar, v), pageView->y()); });
    connect(verticalBar, &QScrollBar::valueChanged, this,
            [this](int v) { pageView->move(pageView->x(), pageOffset(verticalBar, v)); });
    connect(zoom100Action, &QAction::triggered, this, &PreviewWindow::zoom100);
    connect(zoom50Action, &QAction::triggered, this, &PreviewWindow::zoom50);
    connect(zoom25Action, &QAction::triggered, this, &PreviewWindow::zoom25);
    connect(printAction, &QAction::triggered, this, &PreviewWindow::printCommand);
    connect(closeAction, &QAction::triggered, this, [this] {
        clearPictures();
        close();
    });
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::createSheetMenu()
{
    sheetMenu = menuBar()->addMenu("Sheet");
    sheetMenu->setObjectName("sheetMenu");
    auto* group = new QActionGroup(this);
    for (const SheetLayout& layout : layoutcatalog::layouts()) {
        QAction* action = sheetMenu->addAction(layout.caption);
        action->setObjectName(layout.name);
        action->setCheckable(true);
        action->setChecked(layout.name == m_command.layout().name);
        group->addAction(action);
        layoutActions << action;
        connect(action, &QAction::triggered, this,
                [this, name = layout.name] { chooseLayout(name); });
    }
    stockAction = sheetMenu->addAction(QStringLiteral("Stock\u2026"));
    stockAction->setObjectName("stockAction");
    connect(stockAction, &QAction::triggered, this, &PreviewWindow::chooseStock);
    sheetMenu->addSeparator();
    printShopAction = sheetMenu->addAction(QStringLiteral("PDF for a print shop\u2026"));
    printShopAction->setObjectName("printShopAction");
    connect(printShopAction, &QAction::triggered, this,
            [this] { exportCard(QStringLiteral("PDF (.pdf)|*.pdf")); });
    pictureAction = sheetMenu->addAction(QStringLiteral("Picture of the card\u2026"));
    pictureAction->setObjectName("pictureAction");
    connect(pictureAction, &QAction::triggered, this,
            [this] { exportCard(QStringLiteral("PNG (.png)|*.png|SVG (.svg)|*.svg")); });
    sheetMenu->addSeparator();
    calibrateAction = sheetMenu->addAction(QStringLiteral("Calibrate this printer\u2026"));
    calibrateAction->setObjectName("calibrateAction");
    connect(calibrateAction, &QAction::triggered, this, &PreviewWindow::calibratePrinter);

    sheetMenu->addSeparator();
    mergeAction = sheetMenu->addAction(QStringLiteral("Merge with CSV\u2026"));
    mergeAction->setObjectName("mergeAction");
    stopMergingAction = sheetMenu->addAction(QStringLiteral("Stop merging"));
    stopMergingAction->setObjectName("stopMergingAction");
    stopMergingAction->setEnabled(m_command.merge() != nullptr);
    connect(mergeAction, &QAction::triggered, this, &PreviewWindow::mergeWithCsv);
    connect(stopMergingAction, &QAction::triggered, this, &PreviewWindow::stopMerging);

    nextPageAction = new QAction(this);
    nextPageAction->setObjectName("nextPageAction");
    nextPageAction->setShortcut(QKeySequence(Qt::Key_PageDown));
    previousPageAction = new QAction(this);
    previousPageAction->setObjectName("previousPageAction");
    previousPageAction->setShortcut(QKeySequence(Qt::Key_PageUp));
    addAction(nextPageAction);
    addAction(previousPageAction);
    connect(nextPageAction, &QAction::triggered, this, [this] { showPageNumber(m_page + 1); });
    connect(previousPageAction, &QAction::triggered, this, [this] { showPageNumber(m_page - 1); });
}

void PreviewWindow::mergeWithCsv()
{
    const QString path =
        Platform::instance().openFileName(this, QStringLiteral("CSV (.csv)|*.csv"));
    if (path.isEmpty())
        return;
    QString message;
    auto data = cardmerge::load(path, m_command.snapshot().design, &message);
    if (!data) {
        Platform::instance().messageBox(this, message, MergeTitle, QMessageBox::Ok,
                                        QMessageBox::Critical);
        return;
    }
    m_command.setMerge(std::make_shared<const cardmerge::MergeData>(std::move(*data)));
    stopMergingAction->setEnabled(true);
    showPageNumber(0);
}

void PreviewWindow::stopMerging()
{
    m_command.setMerge(nullptr);
    stopMergingAction->setEnabled(false);
    showPageNumber(0);
}

int PreviewWindow::sidesShown() const
{
    return m_sides != duplex::Sides::Front && m_command.snapshot().design.hasBack() ? 2 : 1;
}

int PreviewWindow::pageCount() const { return m_command.sheetSpec().pageCount() * sidesShown(); }

void PreviewWindow::showPageNumber(int page)
{
    m_page = page; // kept within the sheet's pages by zoom100
    zoom100();
}

void PreviewWindow::chooseLayout(const QString& name)
{
    if (!m_command.setLayout(name))
        return;
    for (QAction* action : layoutActions)
        action->setChecked(action->objectName() == name);
    zoom100();
    // Another paper is another page size: the scroll ranges follow it.
    layoutViewport();
}

void PreviewWindow::chooseStock()
{
    const stockcatalog::Catalogue& catalogue = stockcatalog::installed();
    if (catalogue.templates.empty()) {
        Platform::instance().messageBox(this, catalogue.problem, StockTitle, QMessageBox::Ok,
                                        QMessageBox::Warning);
        return;
    }
    // On the heap: should the preview go while the dialog is up, it takes the dialog along.
    QPointer<StockDialog> dialog = new StockDialog(catalogue, m_command.cardTwips(), this);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    const StockTemplate* stock = dialog ? dialog->chosen() : nullptr;
    delete dialog.data();
    if (!accepted || !stock)
        return;
    if (stockcatalog::differsFromCard(*stock, m_command.cardTwips())) {
        const QSizeF label = stock->labelTwips / sheet::TwipsPerMm;
        const QSizeF card = m_command.cardTwips() / sheet::TwipsPerMm;
        const QString sizes = QStringLiteral("The labels of %1 are %2 × %3 mm; the card is %4 × "
                                             "%5 mm.")
                                  .arg(stock->name())
                                  .arg(label.width(), 0, 'f', 1)
                                  .arg(label.height(), 0, 'f', 1)
                                  .arg(card.width(), 0, 'f', 1)
                                  .arg(card.height(), 0, 'f', 1);
        const QSizeF pixels = stock->labelTwips / TwipsPerPixel;
        if (pixels.width() > MaxCardPixels.width() || pixels.height() > MaxCardPixels.height()) {
            Platform::instance().messageBox(
                this,
                sizes
                    + QStringLiteral(" A card can be at most %1 × %2 pixels, so it is scaled "
                                     "to fit the labels.")
                          .arg(MaxCardPixels.width())
                          .arg(MaxCardPixels.height()),
                StockTitle, QMessageBox::Ok, QMessageBox::Information);
        } else if (Platform::instance().messageBox(
                       this,
                       sizes
                           + QStringLiteral(" Set the card to the labels' size? Otherwise the "
                                            "card is scaled to fit them."),
                       StockTitle, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question)
                   == QMessageBox::Yes) {
            m_command.setCardSize(stock->labelTwips);
        }
    }
    chooseLayout(stock->name());
}

void PreviewWindow::exportCard(const QString& filter)
{
    const QString path = Platform::instance().saveFileName(this, filter);
    if (path.isEmpty())
        return;
    QString error;
    if (!cardexport::exportCard(m_command.snapshot(), path, {}, &error))
        Platform::instance().messageBox(this, error, QStringLiteral("Export"), QMessageBox::Ok,
                                        QMessageBox::Critical);
}

void PreviewWindow::calibratePrinter()
{
    // On the heap: should the preview go while the dialog is up, it takes the dialog along.
    QPointer<CalibrationDialog> dialog =
        new CalibrationDialog(m_command.layout(), PrintOptionsDialog::currentPrinter(), this);
    if (m_sides != duplex::Sides::Front)
        dialog->setTurnOver(m_sides);
    dialog->exec();
    delete dialog.data();
}

void PreviewWindow::load()
{
    CardsCountDialog& counts = m_command.cardsCount();
    connect(&counts, &CardsCountDialog::okClicked, this, &PreviewWindow::present,
            Qt::UniqueConnection);
    counts.exec();
}

void PreviewWindow::present()
{
    show();
    raise();
    activateWindow();
    // Composed here as well: a window already in front gets no activation, and some window
    // systems activate late or never; an activation after this reuses the composed page.
    zoom100();
}

QSize PreviewWindow::pageSizePixels() const
{
    const QSizeF twips = m_command.sheetSpec().pageTwips();
    return {qRound(twips.width() / TwipsPerPixel), qRound(twips.height() / TwipsPerPixel)};
}

const QImage& PreviewWindow::composed(qreal zoom)
{
    if (!m_composition) {
        // Nothing composed yet: the blank page.
        static const QImage blank;
        return blank;
    }
    QImage& image = zoom >= 1     ? m_composition->full
                    : zoom >= 0.5 ? m_composition->half
                                  : m_composition->quarter;
    if (image.isNull()) {
        if (const auto& back = m_composition->back) {
            // The back sheet as it prints: composed with the back's cards, mirrored across the
            // page for the chosen turn.
            SheetSpec backSheet = m_composition->sheetSpec;
            backSheet.snapshot = &*back;
            const bool columns = back->mirrored == Qt::Horizontal;
            image = composePage(backSheet, zoom).mirrored(columns, !columns);
        } else {
            image = composePage(m_composition->sheetSpec, zoom);
        }
    }
    return image;
}

void PreviewWindow::showPage(const QImage& page, QSize size)
{
    pageView->hide();
    m_shown = page;
    pageView->resize(size);
}

void PreviewWindow::zoom100()
{
    SheetSpec sheetSpec = m_command.sheetSpec();
    const int sides = sidesShown();
    // Fewer rows or more cells a page since: the last page there is.
    m_page = std::clamp(m_page, 0, sheetSpec.pageCount() * sides - 1);
    sheetSpec.page = m_page / sides;
    const bool back = sides == 2 && m_page % 2 == 1;
    const bool sameSide = m_composition && m_composition->back.has_value() == back
                          && (!back || m_composition->sides == m_sides);
    if (!m_composition || !sameSheet(m_composition->sheetSpec, sheetSpec) || !sameSide) {
        m_composition.emplace();
        m_composition->snapshot = *sheetSpec.snapshot;
        sheetSpec.snapshot = &m_composition->snapshot;
        m_composition->sheetSpec = sheetSpec;
        m_composition->sides = m_sides;
        if (back)
            m_composition->back = duplex::backSnapshot(m_composition->snapshot, m_sides,
                                                       sheetSpec.placement().landscape());
        ++m_compositions;
    }
    QString title = sheet::previewTitle(m_composition->sheetSpec.placement().scale);
    if (sheetSpec.merge || sides == 2)
        title += QStringLiteral(" \u2014 page %1 of %2").arg(m_page + 1).arg(pageCount());
    if (sides == 2)
        title += back ? QStringLiteral(": back") : QStringLiteral(": front");
    setWindowTitle(title);
    showPage(composed(1), pageSizePixels());
    pageView->move(0, 0);
    followPage();
    pageView->show();
    pageView->update();
}

void PreviewWindow::zoom50()
{
    zoom100();
    const QSize size = pageSizePixels() / 2;
    showPage(composed(0.5), size);
    pageView->move(qRound(holder->width() / 2.0 - size.width() / 2.0),
                   qRound(holder->height() / 2.0 - size.height() / 2.0));
    followPage();
    pageView->show();
}

void PreviewWindow::zoom25()
{
    // Scales the page shown now, as it was composed, without composing it again.
    const QSize size = pageSizePixels() / 4;
    showPage(composed(0.25), size);
    pageView->move(qRound(holder->width() / 2.0 - size.width() / 2.0),
                   qRound(holder->height() / 2.0 - size.height() / 2.0));
    followPage();
    pageView->show();
}

void PreviewWindow::layoutViewport()
{
    if (isMinimized() || m_area->height() <= 0)
        return;
    const int w = m_area->width();
    const int h = m_area->height();
    const int vw = verticalBar->sizeHint().width();
    const int hh = horizontalBar->sizeHint().height();
    holder->setGeometry(0, 0, qMax(0, w - vw), qMax(0, h - hh));
    if (pageView->width() < holder->width() && pageView->height() < holder->height())
        pageView->move((holder->width() - pageView->width()) / 2,
                       (holder->height() - pageView->height()) / 2);
    else
        pageView->move(0, 0);
    horizontalBar->setGeometry(0, h - hh, qMax(0, w - vw), hh);
    verticalBar->setGeometry(w - vw, 0, vw, qMax(0, h - hh));
    setScrollRanges();
}

void PreviewWindow::setScrollRanges()
{
    const auto fit = [](QScrollBar* bar, int page, int view) {
        // A narrower range pulls the value in, and the page would follow it away from where
        // the layout put it: followPage below sets the values from the page instead.
        const QSignalBlocker quiet(bar);
        // A page smaller than the view gives a negative far end: the page then moves within
        // the free space, and the bar runs over that space so that the handle and the page
        // both go the way the pressed arrow points.
        const int far = round16(page - view);
        bar->setProperty(pageMovesWithHandle, far < 0);
        bar->setRange(0, qAbs(far));
        bar->setPageStep(qMax(0, round16(view)));
        bar->setSingleStep(qMax(0, round16(view / 5.0)));
    };
    fit(verticalBar, pageView->height(), holder->height());
    fit(horizontalBar, pageView->width(), holder->width());
    followPage();
}

int PreviewWindow::pageOffset(const QScrollBar* bar, int value)
{
    return bar->property(pageMovesWithHandle).toBool() ? value : -value;
}

void PreviewWindow::followPage()
{
    // The handles show where the page is, so the first arrow press moves on from there
    // instead of making the page jump.
    const QSignalBlocker blockH(horizontalBar);
    const QSignalBlocker blockV(verticalBar);
    horizontalBar->setValue(pageOffset(horizontalBar, pageView->x()));
    verticalBar->setValue(pageOffset(verticalBar, pageView->y()));
}

void PreviewWindow::printCommand()
{
    QPointer<PreviewWindow> alive(this);
    m_command.printOptions().offerSides(m_command.snapshot().design.hasBack());
    m_command.printOptions().exec();
    if (alive && PrintOptionsDialog::accepted())
        printSheet();
}

void PreviewWindow::printSheet()
{
    zoom100();
    if (!m_composition)
        return;
    SheetJob job = m_command.printOptions().job();
    if (m_sides != m_command.printOptions().sides() && m_command.snapshot().design.hasBack()) {
        // Another choice of sides: the pages shown follow it before printing.
        m_sides = m_command.printOptions().sides();
        zoom100();
    }
    job.title = jobTitle(m_command.cardFileName());
    if (job.printerName.isEmpty()) {
        job.pdfFile = Platform::instance().saveFileName(this, QStringLiteral("PDF|*.pdf"));
        if (job.pdfFile.isEmpty())
            return;
        // The filter promises a PDF: a name typed without a suffix gets one.
        if (QFileInfo(job.pdfFile).suffix().isEmpty())
            job.pdfFile += QStringLiteral(".pdf");
    }
    // The card may have changed since the data was checked; a page with a placeholder left
    // unfilled is never printed.
    if (const auto& merge = m_composition->sheetSpec.merge)
        if (const auto fault = cardmerge::mismatch(*merge, m_composition->snapshot.design)) {
            Platform::instance().messageBox(this, *fault, MergeTitle, QMessageBox::Ok,
                                            QMessageBox::Critical);
            return;
        }
    // A code that fits no level would print as a crossed box.
    if (const auto fault = unprintableQrCode(m_composition->snapshot.design,
                                             m_composition->sheetSpec.merge.get())) {
        Platform::instance().messageBox(this, *fault, QStringLiteral("Print"), QMessageBox::Ok,
                                        QMessageBox::Critical);
        return;
    }
    PrintOutcome outcome;
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const struct Restore {
            ~Restore() { QGuiApplication::restoreOverrideCursor(); }
        } restore;
        const SheetSpec& front = m_composition->sheetSpec;
        const duplex::Sides sides = m_sides;
        if (sides == duplex::Sides::Front || !m_composition->snapshot.design.hasBack())
            outcome = ::printSheet(job, front);
        else if (!job.pdfFile.isEmpty() || !duplex::printsOneSideOnly(job.printerName))
            outcome = duplex::printBothSides(job, front, sides);
        else
            outcome = duplex::printByHand(job, front, sides, [this, sides] {
                return duplex::askToTurnStack(this, sides, QStringLiteral("Print"));
            });
    }
    // A job dropped without a word would leave the user believing the sheet was printed.
    if (!outcome.sent)
        Platform::instance().messageBox(this, outcome.reason, QStringLiteral("Print"),
                                        QMessageBox::Ok, QMessageBox::Critical);
}

void PreviewWindow::clearPictures()
{
    m_shown = QImage();
    m_composition.reset();
    pageView->update();
}

void PreviewWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        zoom100();
}

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    clearPictures();
    event->accept();
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_area && event->type() == QEvent::Resize)
        layoutViewport();
    return QMainWindow::eventFilter(watched, event);
}
