// Reads any bytes as a card file into the real card editor (offscreen): every element setter,
// shape mask and picture load runs, the card is painted, written, read into a fresh editor and
// written again. The second writing must equal the first: whatever the reader makes of a file,
// the design it shows survives a save.
#include "canvas/cardeditor.h"
#include "prompt/platform.h"

#include <QApplication>
#include <QImage>

#include <cstdlib>
#include <memory>

namespace {

// No prompt may wait for a person: every question is answered at once.
class SilentPlatform final : public Platform {
public:
    QMessageBox::StandardButton messageBox(QWidget*, const QString&, const QString&,
                                           QMessageBox::StandardButtons, QMessageBox::Icon) override
    {
        return QMessageBox::Ok;
    }
    QString openFileName(QWidget*, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&) override { return {}; }
    ColorChoice chooseColor(QWidget*, const QColor&) override { return {}; }
    QAction* popupMenu(QMenu*, const QPoint&) override { return nullptr; }
    bool startDetached(const QString&, const QStringList&, qint64*, bool) override { return false; }
    int runProcess(const QString&, const QStringList&, int, QByteArray*) override { return -1; }
    bool openUrl(const QUrl&) override { return false; }
    void exit(int) override { std::abort(); }
};

// One editor in a window of the main window's size.
struct Card {
    std::unique_ptr<QWidget> host = std::make_unique<QWidget>();
    CardEditor* editor = new CardEditor(host.get());

    Card() { host->resize(480, 360); }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    static SilentPlatform platform;
    Platform::install(&platform);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray first;
    {
        Card card;
        card.editor->loadBytes(bytes);
        QImage screen(card.host->size(), QImage::Format_ARGB32_Premultiplied);
        card.host->render(&screen);
        first = card.editor->cardBytes();
    }
    Card again;
    again.editor->loadBytes(first);
    if (again.editor->cardBytes() != first)
        std::abort();
    return 0;
}
