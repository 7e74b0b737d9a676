#pragma once

// The crowded card the editing benchmarks work on, as a user's window shows it.
#include "app/mainwindow.h"
#include "canvas/cardeditor.h"
#include "document/carddesign.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

const char* const Captions[] = {
    "Jane Doe",         "Senior Designer",           "+1 (555) 010-4477", "jane.doe@example.com",
    "Quillmark & Sons", "221B Baker Street, London", "www.example.com",   "Mobile 0161 496 0012",
};

// A busy card as a file holds it: texts and shapes spread over the card in boxes that lie
// off the pixel grid, then a text item and a shape over the crowd that the steps work on.
QByteArray crowdedCardFile(int elements)
{
    CardDesign design;
    for (int i = 0; i < elements; ++i) {
        CardItem* item = i % 2 ? design.addCopy(ElementKind::Text, ++design.textCount)
                               : design.addCopy(ElementKind::Shape, ++design.shapeCount);
        item->setWidth(1380.4f + float(i % 7) * 31.3f);
        item->setHeight(330.6f + float(i % 3) * 97.1f);
        item->setLeft(std::fmod(float(i) * 397.3f, 5000.f));
        item->setTop(std::fmod(float(i) * 211.7f, 2800.f));
        if (item->kind == ElementKind::Text) {
            item->text.caption = QString::fromUtf8(Captions[i % 8]);
            item->text.fontName = i % 4 == 1 ? "DejaVu Sans" : "Liberation Serif";
            item->text.fontSize = 8 + float(i % 5);
            item->text.bold = i % 3 == 0;
        } else {
            item->shape.shape = qint16(i % 6);
            item->shape.backColor = 0x0030A0F0 + i * 0x0107;
        }
    }
    CardItem* text = design.addCopy(ElementKind::Text, ++design.textCount);
    text->setWidth(1995.3f), text->setHeight(1500.8f), text->setLeft(1500.4f), text->setTop(600.7f);
    text->text.caption = "Jane Doe\nSenior Designer";
    text->text.fontName = "DejaVu Sans";
    text->text.fontSize = 11;
    CardItem* shape = design.addCopy(ElementKind::Shape, ++design.shapeCount);
    shape->setWidth(1500.2f), shape->setHeight(1125.9f), shape->setLeft(3300.3f),
        shape->setTop(1200.6f);
    return carddesignfile::write(design);
}

// A main window showing a card of `elements` elements, read from a file as a user opens it.
struct ShownCard {
    QTemporaryDir programDir;
    // The view's remembered zoom and toggles stay out of the user's settings.
    bool ownSettings = qputenv("XDG_CONFIG_HOME", QFile::encodeName(programDir.filePath("config")));
    MainWindow window{StartupOptions{programDir.filePath("qmark"), {}}};
    CardEditor& editor = window.editor();

    explicit ShownCard(int elements)
    {
        window.startUp();
        const QString path = programDir.filePath("crowded.qmark");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(crowdedCardFile(elements)) < 0)
            qFatal("cannot write the card");
        file.close();
        if (!editor.load(path))
            qFatal("cannot read the card");
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the window was never shown");
        QCoreApplication::processEvents();
    }
};
