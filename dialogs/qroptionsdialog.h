#pragma once

#include "document/carddesign.h"
#include "document/qrlevel.h"
#include "document/vcard.h"

#include <QWidget>

#include <array>
#include <optional>

class ColorBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QStackedWidget;
class SkinButton;

// What a QR code element shows, as the options dialog edits it.
struct QrCodeOptions {
    enum class ContentKind { WebAddress, FreeText, ContactCard };
    ContentKind kind = ContentKind::WebAddress;
    QString text; // the web address or the free text
    vcard::VCardFields contact;
    QrLevel level = QrLevel::M;
    qint32 darkColor = 0;                          // stored 32-bit colours
    std::optional<qint32> lightColor = 0x00FFFFFF; // nothing: transparent

    // What the code holds: the text, or the contact card as vCard text.
    QString content() const;
    // The options for stored content: a vCard is a contact card, text that starts with a
    // scheme ("https://", "mailto:") or "www." a web address, anything else free text. Level
    // and colours keep their defaults.
    static QrCodeOptions fromContent(const QString& content);
    // The options of an element's look, and the look they give.
    static QrCodeOptions fromLook(const QrLook& look);
    void applyTo(QrLook& look) const;

    bool operator==(const QrCodeOptions&) const = default;
};

// QR Code Options: modeless like the other option dialogs, and like them it writes at once:
// every edit emits changed() with the whole new value. It knows no element; its opener maps the
// value to the element. It says when the content does not fit a QR code.
class QrOptionsDialog : public QWidget {
    Q_OBJECT
public:
    explicit QrOptionsDialog(QWidget* owner);

    // Fills the controls; emits nothing.
    void setOptions(const QrCodeOptions& options);
    // The card's colour, which shows through a transparent light colour.
    void setCardColor(qint32 color);
    const QrCodeOptions& options() const { return m_options; }

signals:
    void changed(const QrCodeOptions& options);

private:
    void fillControls();
    // Reads every control into the value, shows what fits, and tells the opener.
    void edited();
    void darkColorClicked();
    void lightColorClicked();
    void showFit();

    QComboBox* kindBox; // web address, free text, contact card
    QStackedWidget* contentPages;
    QLineEdit* webAddressEdit;
    QPlainTextEdit* freeTextEdit;
    // Full name, organisation, title, work phone, mobile phone, e-mail, web address.
    std::array<QLineEdit*, 7> contactEdits;
    QPlainTextEdit* streetAddressEdit;
    QComboBox* levelBox; // L, M, Q, H
    ColorBox* darkColorBox;
    ColorBox* lightColorBox;
    QCheckBox* transparentBox; // the light colour is not painted
    QLabel* fitLabel;          // empty, or why the code is not as asked or may not scan
    SkinButton* closeButton;

    QrCodeOptions m_options;
    qint32 m_cardColor = CardDesign::DefaultBackColor;
    bool m_filling = false;
};
