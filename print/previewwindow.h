#pragma once

#include "print/duplex.h"
#include "print/printsheet.h"

#include <QImage>
#include <QMainWindow>

class PrintCommand;
class QAction;
class QMenu;
class QScrollBar;

// "Preview": the composed sheet on a grey viewport at 100 %, 50 % or 25 %, printed through
// Print Options. Every activation shows 100 % afresh; the scroll ranges follow the last
// resize only. The composed page is kept until the card, its snapshot or the counts change.
class PreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PreviewWindow(PrintCommand& command, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // The load step: shows Cards Count modally; its OK shows this window.
    void load();
    // Shows the window and brings it forward, so that it recomposes.
    void present();

    void zoom100();
    void zoom50();
    void zoom25();
    // Prints the page with the choices of Print Options (the print menu's routine).
    void printSheet();
    // The print menu: Print Options modally, and on OK the page.
    void printCommand();

    // Chooses a layout by name, as its Sheet item does, and shows the sheet afresh.
    void chooseLayout(const QString& name);
    // "Calibrate this printer…": the calibration dialog, modally.
    void calibratePrinter();
    // "Stock…": a stock sheet, and the card's size set to its labels' if the user wants.
    void chooseStock();
    // "PDF for a print shop…", "Picture of the card…": the card alone, to a file the user
    // names; the format follows its suffix.
    void exportCard(const QString& filter);
    // Asks for a CSV file and merges it, or says why it cannot; the sheet stays as it was then.
    void mergeWithCsv();
    void stopMerging();
    // The page shown, from 0, and how many the sheet has: for a card printed on both sides,
    // each sheet page's front and then its back.
    int page() const { return m_page; }
    int pageCount() const;
    void showPageNumber(int page);

    // The page the window shows, as last drawn; null once closed.
    const QImage& shownPage() const { return m_shown; }
    // How often a page was composed from the snapshot: tests tell reuse from recomposing.
    int compositions() const { return m_compositions; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createSheetMenu();
    void layoutViewport();
    void setScrollRanges();
    // Where the page sits for a bar's value: against the handle while the page overflows the
    // view, with it while the page is smaller and moves within the free space.
    static int pageOffset(const QScrollBar* bar, int value);
    void followPage();
    static constexpr const char* pageMovesWithHandle = "pageMovesWithHandle";
    void showPage(const QImage& page, QSize size);
    QSize pageSizePixels() const;
    const QImage& composed(qreal zoom);
    void clearPictures();
    // 2 while the card's back is printed behind its front, else 1.
    int sidesShown() const;

    QWidget* holder;   // the grey viewport
    QWidget* pageView; // the displayed page
    QScrollBar* horizontalBar;
    QScrollBar* verticalBar;
    QAction* printAction;
    QAction* zoom100Action;
    QAction* zoom50Action;
    QAction* zoom25Action;
    QAction* closeAction;
    // "Sheet": the layouts, one checked, and the printer calibration.
    QMenu* sheetMenu;
    QList<QAction*> layoutActions;
    QAction* calibrateAction;
    QAction* stockAction;
    QAction* printShopAction;
    QAction* pictureAction;
    // "Merge with CSV…" and "Stop merging": one card a row of a CSV file, page by page.
    QAction* mergeAction;
    QAction* stopMergingAction;
    // Page Down and Page Up through the pages of a merged sheet.
    QAction* nextPageAction;
    QAction* previousPageAction;

    PrintCommand& m_command;
    QWidget* m_area;
    QImage m_shown;
    // The last composition and what it was made of, so that an activation can reuse it.
    struct Composition {
        SheetSpec sheetSpec;
        CardSnapshot snapshot;
        std::optional<CardSnapshot> back; // set: the page shown is this back sheet
        duplex::Sides sides;              // set with the composition
        QImage full;
        QImage half;
        QImage quarter;
    };
    std::optional<Composition> m_composition;
    int m_compositions = 0;
    int m_page = 0;
    // The sides last chosen in Print Options: a back is shown behind its front as it prints.
    duplex::Sides m_sides = duplex::Sides::LongEdge;
};
