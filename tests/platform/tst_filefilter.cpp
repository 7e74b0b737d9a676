#include "platform/filefilter.h"

#include <QTest>

class TestFileFilter : public QObject {
    Q_OBJECT
private slots:
    void pipeFiltersBecomeQtFilters_data()
    {
        QTest::addColumn<QString>("pipe");
        QTest::addColumn<QString>("qt");
        QTest::newRow("card") << "Card (.qmark)|*.qmark"
                              << "Card (.qmark) (*.qmark)";
        // A name that shows its patterns already is not given them twice.
        QTest::newRow("images") << ImageFilter
                                << "Supported Images(*.jpg *.gif *.bmp);;Jpeg(*.jpg);;Gif(*.gif);;"
                                   "All Files(*.*) (*)";
        QTest::newRow("other patterns in the name") << "Pictures(*.png)|*.jpg"
                                                    << "Pictures(*.png) (*.jpg)";
        QTest::newRow("dangling name") << "Text|*.txt|Orphan"
                                       << "Text (*.txt)";
    }
    void pipeFiltersBecomeQtFilters()
    {
        QFETCH(QString, pipe);
        QFETCH(QString, qt);
        QCOMPARE(qtFileFilter(pipe), qt);
    }
};

QTEST_MAIN(TestFileFilter)
#include "tst_filefilter.moc"
