#pragma once

#include "print/stockcatalog.h"

#include <QDialog>
#include <QImage>
#include <QSizeF>

class QLabel;
class QLineEdit;
class QListWidget;

// "Stock…" in the preview's Sheet menu: the stock sheets of the catalogue, business cards first,
// found by brand, part number or description, with a picture of the chosen sheet. Sheets whose
// labels differ from the card's size are marked.
class StockDialog : public QDialog {
    Q_OBJECT
public:
    StockDialog(const stockcatalog::Catalogue& catalogue, QSizeF cardTwips, QWidget* parent);

    // The template picked, or null.
    const StockTemplate* chosen() const;
    // Shows only the templates matching `text`, as the search box does.
    void search(const QString& text);
    int shownCount() const;

    QLineEdit* searchBox = nullptr;
    QListWidget* list = nullptr;
    QLabel* picture = nullptr;
    QLabel* note = nullptr;

private:
    void showPicture();

    const stockcatalog::Catalogue& m_catalogue;
    QSizeF m_cardTwips;
};

namespace stockcatalog {
// Whether a label differs from the card by more than half a millimetre either way.
bool differsFromCard(const StockTemplate& stock, QSizeF cardTwips);
// The sheet as a small picture: the paper, white, with every label outlined.
QImage sheetPicture(const StockTemplate& stock, QSize bounds);
} // namespace stockcatalog
