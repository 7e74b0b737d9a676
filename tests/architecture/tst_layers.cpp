// The folders are layers: a file may include its own layer and those below it, never one above.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {
// Lower numbers lie lower; folders of one rank do not include each other either.
const QHash<QString, int> LayerRank = {
    {"platform", 1}, {"document", 2}, {"render", 3}, {"prompt", 3}, {"controls", 4}, {"canvas", 5},
    {"dialogs", 6},  {"print", 6},    {"update", 6}, {"shell", 6},  {"app", 7},
};

// Every include of a layer file that reaches above its own layer or sideways into another
// folder of the same rank, as "file:line: text".
QStringList forbiddenIncludes(const QString& sourceDir)
{
    static const QRegularExpression include(R"(^\s*#\s*include\s*"([^"/]+)/[^"]*")");
    QStringList found;
    for (auto it = LayerRank.cbegin(); it != LayerRank.cend(); ++it) {
        QDirIterator files(sourceDir + '/' + it.key(), {"*.cpp", "*.h"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                found << path + ": cannot be read";
                continue;
            }
            int lineNumber = 0;
            while (!file.atEnd()) {
                const QString line = QString::fromUtf8(file.readLine()).trimmed();
                ++lineNumber;
                const QRegularExpressionMatch match = include.match(line);
                if (!match.hasMatch())
                    continue;
                const QString target = match.captured(1);
                const auto rank = LayerRank.constFind(target);
                if (rank == LayerRank.cend() || target == it.key())
                    continue;
                if (*rank >= it.value())
                    found << QDir(sourceDir).relativeFilePath(path) + ':'
                                 + QString::number(lineNumber) + ": " + line;
            }
        }
    }
    found.sort();
    return found;
}
} // namespace

class TestLayers : public QObject {
    Q_OBJECT
private slots:
    void noFileIncludesALayerAboveItsOwn()
    {
        const QStringList found = forbiddenIncludes(QUILLMARK_SOURCE_DIR);
        QVERIFY2(found.isEmpty(), qPrintable("\n" + found.join('\n')));
    }

    // The check itself: a planted upward include is found and named with its line.
    void aPlantedUpwardIncludeIsFound()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("canvas"));
        QFile planted(dir.filePath("canvas/planted.cpp"));
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.write("#include \"canvas/cardeditor.h\"\n#include \"document/twips.h\"\n"
                      "  #include \"app/mainwindow.h\"\n#include \"shell/webpage.h\"\n");
        planted.close();
        QCOMPARE(forbiddenIncludes(dir.path()),
                 QStringList({"canvas/planted.cpp:3: #include \"app/mainwindow.h\"",
                              "canvas/planted.cpp:4: #include \"shell/webpage.h\""}));
    }
};

QTEST_MAIN(TestLayers)
#include "tst_layers.moc"
