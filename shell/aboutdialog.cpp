#include "shell/aboutdialog.h"
#include "platform/resources.h"

#include "controls/programbutton.h"
#include "platform/vbcolor.h"
#include "shell/webpage.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>

namespace {

constexpr qint32 linkColor = 0x00FF0000; // blue, as 0x00BBGGRR

QFont verdana()
{
    QFont font;
    // Verdana is rarely installed here; the next faces keep a similar wide sans look.
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QString shownAddress(const QUrl& home)
{
    return home.port() < 0 ? home.host()
                           : home.host() + QLatin1Char(':') + QString::number(home.port());
}

} // namespace

AboutDialog::AboutDialog(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    initResources();
    const QIcon icon(QStringLiteral(":/quillmark.svg"));
    setWindowIcon(icon);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("iconLabel"));
    picture->setPixmap(icon.pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    QLabel* title = addLabel("titleLabel", QStringLiteral("Quillmark 1.0"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    QLabel* copyright =
        addLabel("copyrightLabel", QStringLiteral("Copyright (C) 2026 Quillmark developers"));
    QLabel* contact =
        addLabel("contactLabel", QStringLiteral("If you have any questions concerning our "
                                                "software, please contact us at the "
                                                "following e-mail address:"));
    contact->setWordWrap(true);
    QLabel* supportLabel = addLabel("supportLabel", QStringLiteral("Technical support :"));
    m_supportLink = addLabel("supportLink", QStringLiteral("Click Here"));
    QLabel* websiteLabel = addLabel("websiteLabel", QStringLiteral("Website:"));
    m_websiteLink = addLabel("websiteLink", shownAddress(makerUrl(QString())));
    // Pure blue all but vanishes on a dark window; there the links take a light blue.
    QColor shownLink = vbcolor::toQColor(linkColor);
    if (palette().color(QPalette::Window).lightness() < 128)
        shownLink = QColor::fromHsl(shownLink.hslHue(), 255, 190);
    for (QLabel* link : {m_supportLink, m_websiteLink}) {
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, shownLink);
        link->setPalette(palette);
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    SkinButton* close = makeProgramButton(this, QStringLiteral("Close"), ":/icon-close.svg");
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &SkinButton::clicked, this, &QWidget::close);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 3, 1);
    grid->addWidget(title, 0, 1, 1, 2);
    grid->addWidget(copyright, 1, 1, 1, 2);
    grid->addWidget(contact, 2, 1, 1, 2);
    grid->addWidget(supportLabel, 3, 1);
    grid->addWidget(m_supportLink, 3, 2);
    grid->addWidget(websiteLabel, 4, 1);
    grid->addWidget(m_websiteLink, 4, 2);
    grid->addWidget(close, 5, 2, Qt::AlignRight);
    grid->setColumnStretch(2, 1);
    setMinimumWidth(420);
}

AboutDialog* AboutDialog::showFor(QWidget* owner)
{
    AboutDialog* box = nullptr;
    // A box already closed waits for deletion; it must not be shown again.
    const auto open = owner
                          ? owner->findChildren<AboutDialog*>(QString(), Qt::FindDirectChildrenOnly)
                          : QList<AboutDialog*>();
    for (AboutDialog* candidate : open)
        if (candidate->isVisible())
            box = candidate;
    if (!box) {
        box = new AboutDialog(owner);
        box->show();
    }
    box->raise();
    box->activateWindow();
    return box;
}

void AboutDialog::openWebPage(const QString& url) { ::openWebPage(url); }

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_supportLink || watched == m_websiteLink)
        && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* label = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton
            && label->rect().contains(mouse->position().toPoint())) {
            if (watched == m_supportLink)
                openSupportPage();
            else
                openWebsite();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::openSupportPage()
{
    openWebPage(makerUrl(QStringLiteral("/support.html")).toString());
}

void AboutDialog::openWebsite() { openWebPage(makerUrl(QString()).toString()); }

QLabel* AboutDialog::addLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(verdana());
    return label;
}
