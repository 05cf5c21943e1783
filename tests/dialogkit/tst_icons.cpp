#include "dialogkit/RowIcons.h"

#include <QIcon>
#include <QImage>
#include <QTest>

namespace {

struct Census
{
    int opaque = 0, blue = 0, red = 0, magenta = 0;
};

Census census(const QImage &image)
{
    Census c;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (p.alpha() < 128)
                continue;
            ++c.opaque;
            if (p.blue() > 180 && p.red() < 80 && p.green() < 140)
                ++c.blue;
            if (p.red() > 180 && p.blue() < 80 && p.green() < 80)
                ++c.red;
            if (p.red() > 200 && p.blue() > 200 && p.green() < 60)
                ++c.magenta;
        }
    }
    return c;
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT
private slots:
    void rowIcons_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("frame");
        QTest::addColumn<int>("arrow"); // 0 none, 1 blue (up), -1 red (down)
        QTest::addColumn<bool>("pointsUp");

        QTest::newRow("131 zero") << ":/icons/row_zero.png" << false << 0 << false;
        QTest::newRow("130 up") << ":/icons/row_up.png" << false << 1 << true;
        QTest::newRow("129 down") << ":/icons/row_down.png" << false << -1 << false;
        QTest::newRow("136 today zero") << ":/icons/row_today_zero.png" << true << 0 << false;
        QTest::newRow("137 today up") << ":/icons/row_today_up.png" << true << 1 << true;
        QTest::newRow("138 today down") << ":/icons/row_today_down.png" << true << -1 << false;
    }
    void rowIcons()
    {
        QFETCH(QString, path);
        QFETCH(bool, frame);
        QFETCH(int, arrow);
        QFETCH(bool, pointsUp);
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), QSize(32, 32));
        const Census c = census(image);
        if (!frame && arrow == 0) {
            QCOMPARE(c.opaque, 0); // fully transparent
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    QCOMPARE(image.pixelColor(x, y).alpha(), 0);
            return;
        }
        if (frame) {
            // The square frame runs round the edge, leaving the centre of the frame alone.
            for (int i = 0; i < 32; i += 5) {
                QCOMPARE(image.pixelColor(i, 0), QColor(255, 0, 255));
                QCOMPARE(image.pixelColor(0, i), QColor(255, 0, 255));
                QCOMPARE(image.pixelColor(31, i), QColor(255, 0, 255));
                QCOMPARE(image.pixelColor(i, 31), QColor(255, 0, 255));
            }
        } else {
            QCOMPARE(c.magenta, 0);
        }
        if (arrow == 0) {
            QCOMPARE(image.pixelColor(16, 16).alpha(), 0);
            QCOMPARE(c.blue + c.red, 0);
            return;
        }
        QVERIFY(arrow > 0 ? c.blue > 60 && c.red == 0 : c.red > 60 && c.blue == 0);
        // The head is the wide end: compare the coloured width near the top and the bottom.
        auto widthAt = [&](int y) {
            int n = 0;
            for (int x = 0; x < 32; ++x) {
                const QColor p = image.pixelColor(x, y);
                n += (p.alpha() >= 128 && p != QColor(255, 0, 255)) ? 1 : 0;
            }
            return n;
        };
        int topHalf = 0, bottomHalf = 0;
        // Rows 15 and 16 hold the head's base in both directions; compare the halves without them.
        for (int y = 0; y < 15; ++y) {
            topHalf = qMax(topHalf, widthAt(y));
            bottomHalf = qMax(bottomHalf, widthAt(31 - y));
        }
        QVERIFY2(pointsUp ? topHalf > bottomHalf + 4 : bottomHalf > topHalf + 4,
                 qPrintable(QStringLiteral("%1 %2").arg(topHalf).arg(bottomHalf)));
    }

    // The lists ask for 16 px icons; at a scale factor of 2 they must get the 32 px drawing itself,
    // not the 16 px pixmap enlarged, and at 1 a reduction of that same drawing.
    void rowIconSizes_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("path");
        const char *const paths[] = {":/icons/row_zero.png",     ":/icons/row_up.png",
                                     ":/icons/row_down.png",     ":/icons/row_today_zero.png",
                                     ":/icons/row_today_up.png", ":/icons/row_today_down.png"};
        for (int i = 0; i < 6; ++i)
            QTest::newRow(paths[i]) << i << QString::fromLatin1(paths[i]);
    }
    void rowIconSizes()
    {
        QFETCH(int, index);
        QFETCH(QString, path);
        const QList<QIcon> icons = RowIcons();
        QCOMPARE(icons.size(), 6);
        const QIcon &icon = icons.at(index);
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
        const QImage drawing = QImage(path).convertToFormat(QImage::Format_ARGB32);

        const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
        QCOMPARE(sharp.size(), QSize(32, 32));
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
        QImage sharpImage = sharp.toImage().convertToFormat(QImage::Format_ARGB32);
        sharpImage.setDevicePixelRatio(1.0);
        QCOMPARE(sharpImage, drawing);

        const QImage normal
                = icon.pixmap(QSize(16, 16), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(normal.size(), QSize(16, 16));
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const int mean = (qAlpha(drawing.pixel(2 * x, 2 * y))
                                  + qAlpha(drawing.pixel(2 * x + 1, 2 * y))
                                  + qAlpha(drawing.pixel(2 * x, 2 * y + 1))
                                  + qAlpha(drawing.pixel(2 * x + 1, 2 * y + 1)))
                        / 4;
                QVERIFY2(qAbs(qAlpha(normal.pixel(x, y)) - mean) <= 48,
                         qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            }
        }
    }

    void programIcon()
    {
        const QImage image(QStringLiteral(":/icons/murel.png"));
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(census(image.convertToFormat(QImage::Format_ARGB32)).opaque > 300);
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
