// Renders one of the SVG icons in resources/ as a square PNG: the bitmap sizes of the icon
// theme, and the icons the windows load at start-up, always follow the one drawing.
//   quillmark_rendericon SOURCE.svg SIZE OUTPUT.png
//   quillmark_rendericon SOURCE.svg SIZE OUTPUT.argb   (the premultiplied pixels, as QImage
//                                                        holds them, and nothing else)

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    bool sizeOk = false;
    const int size = arguments.value(2).toInt(&sizeOk);
    if (arguments.size() != 4 || !sizeOk || size < 1 || size > 4096) {
        std::fputs("usage: quillmark_rendericon SOURCE.svg SIZE OUTPUT.png\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(arguments.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    const QString output = arguments.at(3);
    bool written = false;
    if (output.endsWith(QLatin1String(".argb"))) {
        QFile file(output);
        written =
            file.open(QIODevice::WriteOnly)
            && file.write(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes())
                   == image.sizeInBytes();
    } else {
        written = image.save(output, "PNG");
    }
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments.at(3)));
        return 1;
    }
    return 0;
}
