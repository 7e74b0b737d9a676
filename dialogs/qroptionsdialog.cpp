#include "dialogs/qroptionsdialog.h"

#include "controls/programbutton.h"
#include "dialogs/colorbox.h"
#include "render/qrcode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
using Kind = QrCodeOptions::ContentKind;

const QStringList ContactLabels = {"Full name",    "Organisation", "Title",      "Work phone",
                                   "Mobile phone", "E-mail",       "Web address"};

std::array<QString*, 7> contactFields(vcard::VCardFields& c)
{
    return {&c.fullName,    &c.organisation, &c.title,     &c.workPhone,
            &c.mobilePhone, &c.email,        &c.webAddress};
}
} // namespace

QString QrCodeOptions::content() const
{
    if (kind == Kind::ContactCard)
        return QString::fromUtf8(vcard::writeVCard(contact));
    return text;
}

QrCodeOptions QrCodeOptions::fromContent(const QString& content)
{
    QrCodeOptions options;
    static const QRegularExpression scheme(QStringLiteral("^([a-z][a-z0-9+.-]*:|www\\.)\\S*$"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (const auto contact = vcard::parseVCard(content.toUtf8())) {
        options.kind = Kind::ContactCard;
        options.contact = *contact;
    } else {
        options.kind = scheme.match(content).hasMatch() ? Kind::WebAddress : Kind::FreeText;
        options.text = content;
    }
    return options;
}

QrCodeOptions QrCodeOptions::fromLook(const QrLook& look)
{
    QrCodeOptions options = fromContent(look.content);
    options.level = look.level;
    options.darkColor = look.darkColor;
    options.lightColor =
        look.lightColor == QrLook::Transparent ? std::nullopt : std::optional(look.lightColor);
    return options;
}

void QrCodeOptions::applyTo(QrLook& look) const
{
    look.content = content();
    look.level = level;
    look.darkColor = darkColor;
    look.lightColor = lightColor.value_or(QrLook::Transparent);
}

QrOptionsDialog::QrOptionsDialog(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName("QrOptionsDialog");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("QR Code Options");

    kindBox = new QComboBox(this);
    kindBox->setObjectName("kindBox");
    kindBox->addItems({"Web address", "Free text", "Contact card"});

    contentPages = new QStackedWidget(this);
    contentPages->setObjectName("contentPages");
    webAddressEdit = new QLineEdit;
    webAddressEdit->setObjectName("webAddressEdit");
    webAddressEdit->setPlaceholderText("https://");
    auto* webPage = new QWidget;
    auto* webLayout = new QFormLayout(webPage);
    webLayout->setContentsMargins(0, 0, 0, 0);
    webLayout->addRow("Web address", webAddressEdit);
    contentPages->addWidget(webPage);

    freeTextEdit = new QPlainTextEdit;
    freeTextEdit->setObjectName("freeTextEdit");
    contentPages->addWidget(freeTextEdit);

    auto* contactPage = new QWidget;
    auto* contactLayout = new QFormLayout(contactPage);
    contactLayout->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < contactEdits.size(); ++i) {
        contactEdits[i] = new QLineEdit;
        contactEdits[i]->setObjectName(QStringLiteral("contactEdit%1").arg(i));
        contactLayout->addRow(ContactLabels[int(i)], contactEdits[i]);
    }
    streetAddressEdit = new QPlainTextEdit;
    streetAddressEdit->setObjectName("streetAddressEdit");
    streetAddressEdit->setFixedHeight(3 * fontMetrics().lineSpacing() + 12);
    contactLayout->addRow("Street address", streetAddressEdit);
    contentPages->addWidget(contactPage);

    levelBox = new QComboBox(this);
    levelBox->setObjectName("levelBox");
    levelBox->addItems({"L (7 %)", "M (15 %)", "Q (25 %)", "H (30 %)"});
    darkColorBox = new ColorBox(this);
    darkColorBox->setObjectName("darkColorBox");
    darkColorBox->setFixedSize(41, 17);
    lightColorBox = new ColorBox(this);
    lightColorBox->setObjectName("lightColorBox");
    lightColorBox->setFixedSize(41, 17);
    transparentBox = new QCheckBox("Transparent", this);
    transparentBox->setObjectName("transparentBox");
    auto* lightRow = new QHBoxLayout;
    lightRow->addWidget(lightColorBox);
    lightRow->addWidget(transparentBox);
    lightRow->addStretch();

    fitLabel = new QLabel(this);
    fitLabel->setObjectName("fitLabel");
    fitLabel->setWordWrap(true);
    closeButton = makeProgramButton(this, "Close", ":/icon-close.svg");
    closeButton->setObjectName("closeButton");
    closeButton->setFixedSize(97, 33);

    auto* form = new QFormLayout;
    form->addRow("Content", kindBox);
    form->addRow(contentPages);
    form->addRow("Error correction", levelBox);
    form->addRow("Dark Color", darkColorBox);
    form->addRow("Light Color", lightRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(fitLabel);
    layout->addWidget(closeButton, 0, Qt::AlignHCenter);

    fillControls();

    connect(kindBox, &QComboBox::currentIndexChanged, this, &QrOptionsDialog::edited);
    connect(webAddressEdit, &QLineEdit::textEdited, this, &QrOptionsDialog::edited);
    connect(freeTextEdit, &QPlainTextEdit::textChanged, this, &QrOptionsDialog::edited);
    for (QLineEdit* edit : contactEdits)
        connect(edit, &QLineEdit::textEdited, this, &QrOptionsDialog::edited);
    connect(streetAddressEdit, &QPlainTextEdit::textChanged, this, &QrOptionsDialog::edited);
    connect(levelBox, &QComboBox::currentIndexChanged, this, &QrOptionsDialog::edited);
    connect(transparentBox, &QCheckBox::toggled, this, &QrOptionsDialog::edited);
    connect(darkColorBox, &ColorBox::clicked, this, &QrOptionsDialog::darkColorClicked);
    connect(lightColorBox, &ColorBox::clicked, this, &QrOptionsDialog::lightColorClicked);
    connect(closeButton, &SkinButton::clicked, this, &QWidget::close);
    bindDialogKeys(this, nullptr, closeButton);
}

void QrOptionsDialog::setOptions(const QrCodeOptions& options)
{
    m_options = options;
    fillControls();
}

void QrOptionsDialog::fillControls()
{
    m_filling = true;
    kindBox->setCurrentIndex(int(m_options.kind));
    contentPages->setCurrentIndex(int(m_options.kind));
    const bool isWeb = m_options.kind == Kind::WebAddress;
    webAddressEdit->setText(isWeb ? m_options.text : QString());
    freeTextEdit->setPlainText(m_options.kind == Kind::FreeText ? m_options.text : QString());
    const auto fields = contactFields(m_options.contact);
    for (size_t i = 0; i < contactEdits.size(); ++i)
        contactEdits[i]->setText(*fields[i]);
    streetAddressEdit->setPlainText(m_options.contact.streetAddress);
    levelBox->setCurrentIndex(int(m_options.level));
    darkColorBox->setBackColor(m_options.darkColor);
    // A transparent code keeps showing the colour it had, should the box be unticked again.
    lightColorBox->setBackColor(m_options.lightColor.value_or(lightColorBox->backColor()));
    transparentBox->setChecked(!m_options.lightColor);
    lightColorBox->setEnabled(m_options.lightColor.has_value());
    m_filling = false;
    showFit();
}

void QrOptionsDialog::edited()
{
    if (m_filling)
        return;
    const Kind kind = Kind(std::max(0, kindBox->currentIndex()));
    // Switching between the two plain kinds carries the text over; it is the same string.
    if (kind != m_options.kind && kind != Kind::ContactCard
        && m_options.kind != Kind::ContactCard) {
        m_filling = true;
        if (kind == Kind::WebAddress)
            webAddressEdit->setText(freeTextEdit->toPlainText());
        else
            freeTextEdit->setPlainText(webAddressEdit->text());
        m_filling = false;
    }
    m_options.kind = kind;
    contentPages->setCurrentIndex(int(kind));
    m_options.text = kind == Kind::WebAddress ? webAddressEdit->text()
                     : kind == Kind::FreeText ? freeTextEdit->toPlainText()
                                              : QString();
    auto fields = contactFields(m_options.contact);
    for (size_t i = 0; i < contactEdits.size(); ++i)
        *fields[i] = contactEdits[i]->text();
    m_options.contact.streetAddress = streetAddressEdit->toPlainText();
    m_options.level = QrLevel(std::max(0, levelBox->currentIndex()));
    m_options.darkColor = darkColorBox->backColor();
    lightColorBox->setEnabled(!transparentBox->isChecked());
    m_options.lightColor =
        transparentBox->isChecked() ? std::nullopt : std::optional(lightColorBox->backColor());
    showFit();
    emit changed(m_options);
}

void QrOptionsDialog::darkColorClicked()
{
    if (chooseColorFor(this, *darkColorBox))
        edited();
}

void QrOptionsDialog::lightColorClicked()
{
    if (chooseColorFor(this, *lightColorBox))
        edited();
}

void QrOptionsDialog::setCardColor(qint32 color)
{
    m_cardColor = color;
    showFit();
}

void QrOptionsDialog::showFit()
{
    const QByteArray content = m_options.content().toUtf8();
    const auto matrix = encodeQr(content, m_options.level);
    QStringList said;
    if (content.isEmpty())
        said << "Nothing to encode yet.";
    else if (!matrix)
        said << "The content does not fit in a QR code, even at level L.";
    else if (matrix->level != m_options.level)
        said << QStringLiteral("Too long for level %1: the code uses level %2.")
                    .arg(qrLevelLetter(m_options.level))
                    .arg(qrLevelLetter(matrix->level));
    QrLook look;
    m_options.applyTo(look);
    if (const auto problem = qrColourProblem(look, m_cardColor))
        said << QStringLiteral("The code may not scan: %1.").arg(*problem);
    fitLabel->setText(said.join('\n'));
}
