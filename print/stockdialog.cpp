#include "print/stockdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace stockcatalog {

bool differsFromCard(const StockTemplate& stock, QSizeF cardTwips)
{
    const double tolerance = 0.5 * sheet::TwipsPerMm;
    return std::abs(stock.labelTwips.width() - cardTwips.width()) > tolerance
           || std::abs(stock.labelTwips.height() - cardTwips.height()) > tolerance;
}

QImage sheetPicture(const StockTemplate& stock, QSize bounds)
{
    QImage image(bounds, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!stock.paperTwips.isValid() || stock.paperTwips.isEmpty())
        return image;
    const QSizeF paper =
        stock.paperTwips.scaled(QSizeF(bounds) - QSizeF(2, 2), Qt::KeepAspectRatio);
    const double scale = paper.width() / stock.paperTwips.width();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF origin((bounds.width() - paper.width()) / 2,
                         (bounds.height() - paper.height()) / 2);
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(origin, paper));
    painter.setPen(QPen(QColor(0, 90, 170), 1));
    painter.setBrush(QColor(0, 90, 170, 40));
    const double radius = stock.cornerRadius * scale;
    for (const QPointF& corner : stock.corners())
        painter.drawRoundedRect(QRectF(origin + corner * scale, stock.labelTwips * scale), radius,
                                radius);
    return image;
}

} // namespace stockcatalog

namespace {
QString sizeText(QSizeF twips)
{
    return QStringLiteral("%1 × %2 mm")
        .arg(twips.width() / sheet::TwipsPerMm, 0, 'f', 1)
        .arg(twips.height() / sheet::TwipsPerMm, 0, 'f', 1);
}
} // namespace

StockDialog::StockDialog(const stockcatalog::Catalogue& catalogue, QSizeF cardTwips,
                         QWidget* parent)
    : QDialog(parent)
    , m_catalogue(catalogue)
    , m_cardTwips(cardTwips)
{
    setObjectName("StockDialog");
    setWindowTitle(QStringLiteral("Stock"));
    auto* layout = new QVBoxLayout(this);
    searchBox = new QLineEdit(this);
    searchBox->setObjectName("searchBox");
    searchBox->setPlaceholderText(QStringLiteral("Brand, part number or description"));
    searchBox->setClearButtonEnabled(true);
    layout->addWidget(searchBox);
    auto* row = new QHBoxLayout;
    list = new QListWidget(this);
    list->setObjectName("stockList");
    list->setMinimumWidth(360);
    picture = new QLabel(this);
    picture->setObjectName("sheetPicture");
    picture->setFixedSize(220, 260);
    picture->setAlignment(Qt::AlignCenter);
    row->addWidget(list, 1);
    row->addWidget(picture);
    layout->addLayout(row);
    note = new QLabel(this);
    note->setObjectName("stockNote");
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);

    // Business cards come first in the catalogue already.
    for (size_t i = 0; i < catalogue.templates.size(); ++i) {
        const StockTemplate& stock = catalogue.templates[i];
        const bool differs = stockcatalog::differsFromCard(stock, cardTwips);
        QString text = QStringLiteral("%1 — %2, %3 on %4")
                           .arg(stock.name(), stock.description.isEmpty() ? QStringLiteral("labels")
                                                                          : stock.description)
                           .arg(stock.labelCount())
                           .arg(stock.paper);
        // Marked, not hidden: a sheet of other labels still prints, scaled.
        if (differs)
            text += QStringLiteral("  (labels %1)").arg(sizeText(stock.labelTwips));
        auto* item = new QListWidgetItem(text, list);
        item->setData(Qt::UserRole, qulonglong(i));
        item->setData(Qt::UserRole + 1, differs);
        if (differs) {
            QFont font = item->font();
            font.setItalic(true);
            item->setFont(font);
            item->setToolTip(QStringLiteral("The labels are not the card's size"));
        }
    }
    if (list->count() > 0)
        list->setCurrentRow(0);
    note->setText(catalogue.problem);

    connect(searchBox, &QLineEdit::textChanged, this, &StockDialog::search);
    connect(list, &QListWidget::currentRowChanged, this, &StockDialog::showPicture);
    connect(list, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showPicture();
    resize(760, 420);
}

const StockTemplate* StockDialog::chosen() const
{
    const QListWidgetItem* item = list->currentItem();
    if (!item || item->isHidden())
        return nullptr;
    return &m_catalogue.templates[item->data(Qt::UserRole).toULongLong()];
}

void StockDialog::search(const QString& text)
{
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        const bool shown = stockcatalog::matches(
            m_catalogue.templates[item->data(Qt::UserRole).toULongLong()], text);
        item->setHidden(!shown);
        if (shown && !first)
            first = item;
    }
    if (!list->currentItem() || list->currentItem()->isHidden())
        list->setCurrentItem(first);
    showPicture();
}

int StockDialog::shownCount() const
{
    int shown = 0;
    for (int i = 0; i < list->count(); ++i)
        shown += !list->item(i)->isHidden();
    return shown;
}

void StockDialog::showPicture()
{
    const StockTemplate* stock = chosen();
    if (!stock) {
        picture->clear();
        return;
    }
    picture->setPixmap(QPixmap::fromImage(stockcatalog::sheetPicture(*stock, picture->size())));
    QString text = QStringLiteral("%1: %2 labels of %3 on %4.")
                       .arg(stock->name())
                       .arg(stock->labelCount())
                       .arg(sizeText(stock->labelTwips), stock->paper);
    if (!stock->equivalentOf.isEmpty())
        text += QStringLiteral(" The same sheet as %1 %2.").arg(stock->brand, stock->equivalentOf);
    if (stockcatalog::differsFromCard(*stock, m_cardTwips))
        text += QStringLiteral(" The card is %1.").arg(sizeText(m_cardTwips));
    if (!m_catalogue.problem.isEmpty())
        text += QLatin1Char(' ') + m_catalogue.problem;
    note->setText(text);
}
