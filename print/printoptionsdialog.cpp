#include "print/printoptionsdialog.h"

#include "controls/programbutton.h"
#include "controls/twipslayout.h"
#include "print/sheetlayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QScrollBar>

#include <cmath>

const QString PrintOptionsDialog::PdfEntry = QStringLiteral("PDF file");

namespace {
bool s_accepted = false;
QString s_lastPrinter;
std::optional<QString> s_currentPrinter;

// The small pictures above the quality buttons: finer dots for a finer print.
// Drawn at the screen's pixel ratio, so the dots stay sharp at any scale factor.
QPixmap qualityPicture(int spacing, qreal ratio)
{
    QPixmap picture(QSize(32, 32) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x30, 0x30, 0x30));
    const qreal radius = spacing / 3.0;
    for (int y = spacing / 2; y < 32; y += spacing)
        for (int x = spacing / 2; x < 32; x += spacing)
            painter.drawEllipse(QPointF(x, y), radius, radius);
    return picture;
}

bool isInstalled(const QString& name)
{
    return name == PrintOptionsDialog::PdfEntry
           || QPrinterInfo::availablePrinterNames().contains(name);
}
} // namespace

PrintOptionsDialog::PrintOptionsDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("PrintOptionsDialog");
    setWindowTitle("Print Options");
    useDesignFont(this);
    setClientTwips(this, 6255, 3000);

    auto* printerLabel = new QLabel("Printer", this);
    placeTwips(printerLabel, 120, 120, 570, 240);
    printerBox = new QComboBox(this);
    printerBox->setObjectName("printerBox");
    placeTwips(printerBox, 840, 120, 4845, 360);
    // The group captions stand on their frames' top lines and hide the line behind them.
    auto* copiesLabel = new QLabel("Copies", this);
    placeTwips(copiesLabel, 1500, 840, 645, 240);
    auto* qualityLabel = new QLabel("Quality", this);
    placeTwips(qualityLabel, 5325, 840, 615, 240);
    for (QLabel* caption : {copiesLabel, qualityLabel})
        caption->setAutoFillBackground(true);
    copiesBox = new QLineEdit("1", this);
    copiesBox->setObjectName("copiesBox");
    placeTwips(copiesBox, 720, 1260, 615, 285);
    copiesSpinner = new QScrollBar(Qt::Vertical, this);
    copiesSpinner->setObjectName("copiesSpinner");
    copiesSpinner->setFocusPolicy(Qt::TabFocus);
    placeTwips(copiesSpinner, 1380, 1200, 270, 390);
    const int pictureLefts[] = {2520, 3840, 5040};
    const int spacings[] = {9, 6, 4};
    for (int i = 0; i < 3; ++i) {
        auto* picture = new QLabel(this);
        picture->setPixmap(qualityPicture(spacings[i], devicePixelRatioF()));
        placeTwips(picture, pictureLefts[i], 1080, 480, 480);
    }
    lowQuality = new QRadioButton("Low", this);
    lowQuality->setObjectName("lowQuality");
    placeTwips(lowQuality, 2400, 1680, 765, 240);
    normalQuality = new QRadioButton("Normal", this);
    normalQuality->setObjectName("normalQuality");
    placeTwips(normalQuality, 3450, 1680, 1050, 255);
    excellentQuality = new QRadioButton("Excellent", this);
    excellentQuality->setObjectName("excellentQuality");
    placeTwips(excellentQuality, 4680, 1680, 1215, 255);
    normalQuality->setChecked(true);
    m_quality = new QButtonGroup(this);
    for (QRadioButton* option : {lowQuality, normalQuality, excellentQuality})
        m_quality->addButton(option);
    okButton = makeProgramButton(this, "OK", ":/icon-ok.svg");
    okButton->setObjectName("okButton");
    placeTwips(okButton, 1800, 2400, 1455, 495);
    cancelButton = makeProgramButton(this, "Cancel", ":/icon-cancel.svg");
    cancelButton->setObjectName("cancelButton");
    placeTwips(cancelButton, 3480, 2400, 1455, 495);

    // Beyond the right edge: not seen, yet both keep their places in the tab order.
    auto* colourLabel = new QLabel(QString::fromUtf8("ألوان الطباعة"), this);
    placeTwips(colourLabel, 9960, 2160, 900, 195);
    colourBox = new QCheckBox(QString::fromUtf8("ملون"), this);
    colourBox->setObjectName("colourBox");
    placeTwips(colourBox, 9720, 2520, 735, 255);
    colourBox->setChecked(true);
    greyBox = new QCheckBox(QString::fromUtf8("رمادي"), this);
    greyBox->setObjectName("greyBox");
    placeTwips(greyBox, 8400, 2520, 975, 255);

    // Each label names its field to assistive technology; a group's label names its first
    // member.
    printerLabel->setBuddy(printerBox);
    copiesLabel->setBuddy(copiesBox);
    qualityLabel->setBuddy(lowQuality);
    colourLabel->setBuddy(colourBox);

    QWidget* chain[] = {printerBox,       copiesBox, copiesSpinner, lowQuality, normalQuality,
                        excellentQuality, okButton,  cancelButton,  colourBox,  greyBox};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    // The spinner's range is set before the box is tied to it, maximum first.
    copiesSpinner->setMaximum(sheet::MaxCopies);
    copiesSpinner->setMinimum(1);
    copiesBox->installEventFilter(this);
    connect(copiesBox, &QLineEdit::textChanged, this, &PrintOptionsDialog::copiesChanged);
    connect(copiesSpinner, &QScrollBar::valueChanged, this, [this](int value) {
        // Rewriting the same text would throw the caret to the end after every typed digit.
        const QString text = QString::number(std::abs(value));
        if (copiesBox->text() == text)
            return;
        const int caret = copiesBox->cursorPosition();
        copiesBox->setText(text);
        copiesBox->setCursorPosition(caret);
    });
    connect(colourBox, &QCheckBox::clicked, this,
            [this] { greyBox->setChecked(!colourBox->isChecked()); });
    connect(greyBox, &QCheckBox::clicked, this,
            [this] { colourBox->setChecked(!greyBox->isChecked()); });
    connect(okButton, &SkinButton::clicked, this, [this] {
        s_accepted = true;
        hide();
    });
    connect(cancelButton, &SkinButton::clicked, this, &PrintOptionsDialog::reject);
    bindDialogKeys(this, okButton, cancelButton);
    fillPrinters();
    connect(printerBox, &QComboBox::currentIndexChanged, this,
            [this] { selectPrinter(printerBox->currentText()); });
    copiesChanged(copiesBox->text());
}

const std::array<QLine, 12>& PrintOptionsDialog::frameLines()
{
    // Three groups: the printer, the copies with their spinner, the quality with its pictures.
    static const std::array<QLine, 12> lines = [] {
        std::array<QLine, 12> all;
        const QRect frames[] = {
            {60, 60, 6135, 540}, {120, 960, 2100, 1260}, {2340, 960, 3795, 1260}};
        for (int i = 0; i < 3; ++i) {
            const QRect& f = frames[i];
            const int right = f.left() + f.width(), bottom = f.top() + f.height();
            all[4 * i] = {f.left(), f.top(), right, f.top()};
            all[4 * i + 1] = {right, f.top(), right, bottom};
            all[4 * i + 2] = {f.left(), bottom, right, bottom};
            all[4 * i + 3] = {f.left(), f.top(), f.left(), bottom};
        }
        return all;
    }();
    return lines;
}

void PrintOptionsDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Mid), 0));
    for (const QLine& line : frameLines())
        painter.drawLine(QLineF(line.p1() / TwipsPerPixel, line.p2() / TwipsPerPixel));
}

bool PrintOptionsDialog::accepted() { return s_accepted; }

QString PrintOptionsDialog::lastPrinter() { return s_lastPrinter; }

QString PrintOptionsDialog::currentPrinter()
{
    if (!s_currentPrinter) {
        const QString system = QPrinterInfo::defaultPrinterName();
        s_currentPrinter = !system.isEmpty()                                 ? system
                           : QPrinterInfo::availablePrinterNames().isEmpty() ? PdfEntry
                                                                             : QString();
    }
    return *s_currentPrinter;
}

void PrintOptionsDialog::resetChoices()
{
    s_accepted = false;
    s_lastPrinter.clear();
    s_currentPrinter.reset();
}

void PrintOptionsDialog::fillPrinters()
{
    const QString current = currentPrinter();
    QStringList names = QPrinterInfo::availablePrinterNames();
    names << PdfEntry;
    int k = -1;
    for (const QString& name : names) {
        printerBox->addItem(name);
        const int added = printerBox->count() - 1;
        if (name == s_lastPrinter)
            k = added;
        if (name == current && k == -1)
            k = added;
    }
    printerBox->setCurrentIndex(k);
    if (k >= 0)
        selectPrinter(printerBox->currentText());
}

void PrintOptionsDialog::selectPrinter(const QString& name)
{
    if (name.isEmpty() || !isInstalled(name))
        return;
    s_currentPrinter = name;
    s_lastPrinter = name;
}

void PrintOptionsDialog::copiesChanged(const QString& text)
{
    const sheet::CopiesClamp clamp = sheet::clampCopies(text);
    if (!clamp.correctedText.isEmpty()) {
        copiesBox->setText(clamp.correctedText); // runs this handler again with the correction
        return;
    }
    copiesSpinner->setValue(clamp.spinnerValue);
}

bool PrintOptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != copiesBox || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        focusNextChild();
        return true;
    }
    // Keys that type nothing (Delete, the arrows) keep working; of the typed ones only digits.
    const QString typed = key->text().toUpper();
    if (typed.isEmpty() || key->key() == Qt::Key_Delete)
        return false;
    return !(typed.size() == 1 && typed.at(0).isDigit() && typed.at(0).unicode() < 128);
}

void PrintOptionsDialog::offerSides(bool cardHasBack)
{
    constexpr int Extra = 480; // the row the choice takes, the buttons moved below it
    if (cardHasBack && !sidesBox) {
        auto* sidesLabel = new QLabel("Sides", this);
        sidesLabel->setObjectName("sidesLabel");
        placeTwips(sidesLabel, 120, 2430, 570, 240);
        sidesBox = new QComboBox(this);
        sidesBox->setObjectName("sidesBox");
        placeTwips(sidesBox, 840, 2400, 4845, 360);
        sidesBox->addItem("Both sides (long edge)", int(duplex::Sides::LongEdge));
        sidesBox->addItem("Both sides (short edge)", int(duplex::Sides::ShortEdge));
        sidesBox->addItem("Front only", int(duplex::Sides::Front));
        sidesLabel->setBuddy(sidesBox);
        setTabOrder(excellentQuality, sidesBox);
        setTabOrder(sidesBox, okButton);
    }
    if (!sidesBox)
        return;
    const int buttonsTop = cardHasBack ? 2400 + Extra : 2400;
    placeTwips(okButton, 1800, buttonsTop, 1455, 495);
    placeTwips(cancelButton, 3480, buttonsTop, 1455, 495);
    setClientTwips(this, 6255, cardHasBack ? 3000 + Extra : 3000);
    sidesBox->setEnabled(cardHasBack);
    if (auto* label = findChild<QLabel*>("sidesLabel"))
        label->setVisible(cardHasBack);
    sidesBox->setVisible(cardHasBack);
}

duplex::Sides PrintOptionsDialog::sides() const
{
    if (!sidesBox || !sidesBox->isEnabled())
        return duplex::Sides::Front;
    return duplex::Sides(sidesBox->currentData().toInt());
}

void PrintOptionsDialog::reject()
{
    s_accepted = false;
    QDialog::reject();
    deleteLater();
}

void PrintOptionsDialog::closeEvent(QCloseEvent* event)
{
    // The close box is a Cancel: the dialog goes, the current printer stays as picked.
    s_accepted = false;
    event->accept();
    deleteLater();
}

SheetJob PrintOptionsDialog::job() const
{
    SheetJob job;
    const QString printer = currentPrinter();
    if (printer != PdfEntry)
        job.printerName = printer;
    job.colour = colourBox->isChecked();
    job.copies = int(std::nearbyint(sheet::leadingNumber(copiesBox->text())));
    if (lowQuality->isChecked())
        job.quality = PrintQuality::Low;
    else if (normalQuality->isChecked())
        job.quality = PrintQuality::Normal;
    else if (excellentQuality->isChecked())
        job.quality = PrintQuality::Excellent;
    return job;
}
