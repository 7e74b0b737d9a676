#include "shell/aboutdialog.h"
#include "platform/resources.h"

#include "controls/programbutton.h"
#include "document/vbcolor.h"
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
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(icon.pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    QLabel* label10 = addLabel("Label10", QStringLiteral("Quillmark 1.0"));
    QFont title = label10->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    label10->setFont(title);
    QLabel* label2 = addLabel("Label2", QStringLiteral("Copyright (C) 2026 Quillmark developers"));
    QLabel* label4 = addLabel("Label4", QStringLiteral("If you have any questions concerning our "
                                                       "software, please contact us at the "
                                                       "following e-mail address:"));
    label4->setWordWrap(true);
    QLabel* label8 = addLabel("Label8", QStringLiteral("Technical support :"));
    m_label7 = addLabel("Label7", QStringLiteral("Click Here"));
    QLabel* label6 = addLabel("Label6", QStringLiteral("Website:"));
    m_label9 = addLabel("Label9", shownAddress(makerUrl(QString())));
    // Pure blue all but vanishes on a dark window; there the links take a light blue.
    QColor shownLink = vbcolor::toQColor(linkColor);
    if (palette().color(QPalette::Window).lightness() < 128)
        shownLink = QColor::fromHsl(shownLink.hslHue(), 255, 190);
    for (QLabel* link : {m_label7, m_label9}) {
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, shownLink);
        link->setPalette(palette);
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    SkinButton* close = makeProgramButton(this, QStringLiteral("Close"), ":/icon-close.svg");
    close->setObjectName(QStringLiteral("Command1"));
    connect(close, &SkinButton::clicked, this, &QWidget::close);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 3, 1);
    grid->addWidget(label10, 0, 1, 1, 2);
    grid->addWidget(label2, 1, 1, 1, 2);
    grid->addWidget(label4, 2, 1, 1, 2);
    grid->addWidget(label8, 3, 1);
    grid->addWidget(m_label7, 3, 2);
    grid->addWidget(label6, 4, 1);
    grid->addWidget(m_label9, 4, 2);
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
    if ((watched == m_label7 || watched == m_label9)
        && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* label = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton
            && label->rect().contains(mouse->position().toPoint())) {
            if (watched == m_label7)
                Label7_Click();
            else
                Label9_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::Label7_Click()
{
    openWebPage(makerUrl(QStringLiteral("/support.html")).toString());
}

void AboutDialog::Label9_Click() { openWebPage(makerUrl(QString()).toString()); }

QLabel* AboutDialog::addLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(verdana());
    return label;
}
