// Pictures of one file are decoded once and shared; the screen draws them from one pixmap
// per box size.
#include "controls/picturecache.h"
#include "controls/pictureelement.h"

#include "cardtest.h"

#include <QFile>
#include <QTest>

class TestPictureCache : public QObject {
    Q_OBJECT
private slots:
    void oneFileIsDecodedOnce();
    void screenPixmapIsScaledOncePerSize();
};

void TestPictureCache::oneFileIsDecodedOnce()
{
    QTemporaryDir dir;
    const QString path = writeImage(dir, "photo.png", {40, 30}, Qt::red);
    QWidget card;
    PictureElement first(&card), second(&card);
    QVERIFY(first.loadPicture(path));
    QVERIFY(second.loadPicture(path));
    QCOMPARE(second.Picture().cacheKey(), first.Picture().cacheKey());

    // The file written anew is read anew, even at the same path.
    QFile::remove(path);
    writeImage(dir, "photo.png", {40, 30}, Qt::blue);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                             QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(second.loadPicture(path));
    QVERIFY(second.Picture().cacheKey() != first.Picture().cacheKey());
    QCOMPARE(second.Picture().pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(first.Picture().pixelColor(0, 0), QColor(Qt::red));

    QVERIFY(!first.loadPicture(dir.filePath("missing.png")));
    QCOMPARE(first.Picture().pixelColor(0, 0), QColor(Qt::red));
}

void TestPictureCache::screenPixmapIsScaledOncePerSize()
{
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const QPixmap small = picturecache::scaled(picture, {32, 19});
    QCOMPARE(small.size(), QSize(32, 19));
    QCOMPARE(picturecache::scaled(picture, {32, 19}).cacheKey(), small.cacheKey());
    QVERIFY(picturecache::scaled(picture, {64, 38}).cacheKey() != small.cacheKey());
}

QTEST_MAIN(TestPictureCache)
#include "tst_picturecache.moc"
