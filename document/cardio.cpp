// The main window's card file operations: Save, Save As, Open and reading a card file.
#include "app/form1.h"
#include "app/platform.h"
#include "canvas/form2.h"
#include "document/cardfile.h"
#include "document/wholefile.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {
const QString CardFilter = QStringLiteral("Card (.qmark)|*.qmark");

// A field that did not convert leaves its property as it was.
template <class V, class Setter>
void apply(const std::optional<V>& value, Setter&& set)
{
    if (value)
        set(*value);
}

// The position and size fields shared by every element record.
template <class Fields>
void applyBox(CardElement* element, const Fields& f)
{
    apply(f.width, [&](float v) { element->setWidth(v); });
    apply(f.height, [&](float v) { element->setHeight(v); });
    apply(f.left, [&](float v) { element->setLeft(v); });
    apply(f.top, [&](float v) { element->setTop(v); });
}
} // namespace

// ---- Writing ---------------------------------------------------------------------------

bool Form1::writeCard(const QString& path, QString* error) const
{
    cardfile::CardWriter writer;
    writer.writeCard({Picture1->Width(), Picture1->Height(), Picture1->BackColor()});

    // Elements in the order they were created; the templates, made first, lead each kind.
    struct Visit {
        quint64 serial;
        const CardElement* element;
        int index;
    };
    std::vector<Visit> visits;
    for (const auto& e : Label1.entries())
        visits.push_back({e.serial, e.widget, e.index});
    for (const auto& e : ActiveShape1.entries())
        visits.push_back({e.serial, e.widget, e.index});
    for (const auto& e : Image1.entries())
        visits.push_back({e.serial, e.widget, e.index});
    std::sort(visits.begin(), visits.end(),
              [](const Visit& a, const Visit& b) { return a.serial < b.serial; });

    for (const Visit& visit : visits) {
        // Each record comes from an element of its own kind carrying its kind's marker.
        if (auto* label = qobject_cast<const SuperLabel*>(visit.element);
            label && label->ToolTipText() == QLatin1String("Text")) {
            writer.writeLabel({label->Caption(), label->Width(), label->Height(), label->Left(),
                               label->Top(), label->BackColor(), label->FRWColor(),
                               label->BackStyle(), cardfile::storedFontName(label->FontName()),
                               label->FontSize(), label->FontBold(), label->FontUnderline(),
                               label->FontItalic(), label->Alignment(),
                               textReserve.at(visit.index), label->Tag(), label->ToolTipText()});
        }
        if (auto* image = qobject_cast<const ImageBox*>(visit.element);
            image && image->Tag() == QLatin1String("img")) {
            writer.writeImage({image->Width(), image->Height(), image->Left(), image->Top(),
                               image->ToolTipText(), pictureReserve.at(visit.index),
                               image->Tag()});
        }
        if (auto* shape = qobject_cast<const ActiveShape*>(visit.element);
            shape && shape->ToolTipText() == QLatin1String("Shape")) {
            writer.writeShape({shape->Width(), shape->Height(), shape->Left(), shape->Top(),
                               shape->BackColor(), qint16(shape->Shape())});
        }
    }

    // The earlier file stays whole until the new one is complete.
    return writeWholeFile(path, writer.bytes(), error);
}

bool Form1::saveTo(const QString& path)
{
    QString error;
    if (writeCard(path, &error))
        return true;
    Platform::instance().messageBox(
        this, QString("The card could not be saved to \"%1\".\n\n%2").arg(path, error), "Save",
        QMessageBox::Ok, QMessageBox::Critical);
    return false;
}

void Form1::isave() { saveTo(Label2->text()); }

void Form1::isaveas()
{
    const QString path = Platform::instance().saveFileName(this, CardFilter);
    if (path.isEmpty())
        return;
    saveTo(path);
    setCardFileName(path);
}

// Makes a file the current card file name, which "Save" then writes to.
void Form1::setCardFileName(const QString& path)
{
    Label2->setText(path);
    form2().ghjj->setEnabled(true);
}

// ---- Reading ---------------------------------------------------------------------------

bool Form1::readCard(const QString& path)
{
    ActiveShape1[0]->hide();
    textCount = pictureCount = shapeCount = 0;

    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    const QByteArray bytes = opened ? file.readAll() : QByteArray();
    file.close();

    cardfile::CardReader reader(bytes);
    while (const auto record = reader.next()) {
        switch (record->kind()) {
        case cardfile::RecordKind::Card: {
            const auto f = cardfile::cardFields(*record);
            apply(f.width, [&](float v) { Picture1->setCardWidth(v); });
            apply(f.height, [&](float v) { Picture1->setCardHeight(v); });
            apply(f.backColor, [&](qint32 v) { Picture1->setBackColor(v); });
            break;
        }
        case cardfile::RecordKind::Label: {
            Label1.load(textCount);
            SuperLabel* item = Label1[textCount];
            const auto f = cardfile::labelFields(*record);
            apply(f.caption, [&](const QString& v) { item->setCaption(v); });
            applyBox(item, f);
            apply(f.backColor, [&](qint32 v) { item->setBackColor(v); });
            apply(f.frwColor, [&](qint32 v) { item->setFRWColor(v); });
            apply(f.fontName, [&](const QString& v) { item->setFontName(v); });
            apply(f.fontSize, [&](float v) { item->setFontSize(v); });
            apply(f.bold, [&](bool v) { item->setFontBold(v); });
            apply(f.underline, [&](bool v) { item->setFontUnderline(v); });
            apply(f.italic, [&](bool v) { item->setFontItalic(v); });
            apply(f.alignment, [&](qint16 v) { item->setAlignment(v); });
            apply(f.tag, [&](const QString& v) { item->setTag(v); });
            apply(f.toolTip, [&](const QString& v) { item->setToolTipText(v); });
            // A new member is already in front; raising it again would make reading quadratic.
            if (Picture1->children().constLast() != item)
                item->raise();
            textReserve.store(textCount, f.reserved.value_or(QString()));
            item->show();
            incrementCounter(textCount);
            break;
        }
        case cardfile::RecordKind::Image: {
            Image1.load(pictureCount);
            ImageBox* picture = Image1[pictureCount];
            const auto f = cardfile::imageFields(*record);
            applyBox(picture, f);
            apply(f.path, [&](const QString& v) { picture->setToolTipText(v); });
            picture->setStretch(true);
            picture->show();
            if (f.path)
                picture->loadPicture(*f.path);
            pictureReserve.store(pictureCount, f.reserved.value_or(QString()));
            incrementCounter(pictureCount);
            break;
        }
        case cardfile::RecordKind::Shape: {
            ActiveShape1.load(shapeCount);
            ActiveShape* shape = ActiveShape1[shapeCount];
            const auto f = cardfile::shapeFields(*record);
            applyBox(shape, f);
            apply(f.backColor, [&](qint32 v) { shape->setBackColor(v); });
            apply(f.shape, [&](qint16 v) { (void)shape->setShape(v); });
            shape->show();
            incrementCounter(shapeCount);
            break;
        }
        case cardfile::RecordKind::Other: break;
        }
    }

    ActiveShape1[0]->hide();
    Label1[0]->hide();
    Image1[0]->hide();
    raiseHandles();
    return opened;
}

// ---- Open ------------------------------------------------------------------------------

void Form1::Command13_Click()
{
    Platform& platform = Platform::instance();
    if (platform.messageBox(this, "Are you sure open saved card? Current design will erased?",
                            "Open", QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon)
        != QMessageBox::Yes)
        return;
    const QString path = platform.openFileName(this, CardFilter);
    if (path.isEmpty())
        return;

    endOnClose = false;
    resetToStartupState();
    Form_Load(false);
    show();
    readCard(path);
    setCardFileName(path);
    endOnClose = true;
}

// The window as a fresh start has it: the empty default card with only the hidden templates.
void Form1::resetToStartupState()
{
    Label1.clear();
    Image1.clear();
    ActiveShape1.clear();
    applyTemplateDesign();
    HideHandles();
    Picture1->setCardWidth(CardCanvas::DefaultWidth);
    Picture1->setCardHeight(CardCanvas::DefaultHeight);
    Picture1->setBackColor(CardCanvas::DefaultBackColor);
    Label2->clear();
    // The selection survives; the other editor state starts afresh.
    Text3->clear();
    Text4->clear();
    setMousePointer(0);
}
