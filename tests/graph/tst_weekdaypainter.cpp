#include "analysis/WeekdayData.h"
#include "data/ResultBook.h"
#include "graph/WeekdayPainter.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QRgb kBlue = qRgb(101, 101, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGrey = qRgb(127, 127, 127);
const QRgb kTint = qRgb(255, 255, 215);
const QRgb kUntouched = qRgb(10, 200, 10);

const QSize kSize(530, 290);
// 2003/01/05 is a Sunday: the days of that week stand for the weekdays, Sunday first.
constexpr int kSunday = 20030105;

QImage Canvas(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    // 96 dpi, so that point sizes become the same pixel sizes on every machine.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(kUntouched);
    return image;
}

int Count(const QImage &image, QRgb colour, QRect box)
{
    box &= image.rect();
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x)
            n += image.pixel(x, y) == colour;
    }
    return n;
}

// Text is black; nothing else the painter draws is as dark.
int Dark(const QImage &image, QRect box)
{
    box &= image.rect();
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x)
            n += qGray(image.pixel(x, y)) < 100 && image.pixel(x, y) != kUntouched;
    }
    return n;
}

// The rows of one column painted in a colour, as "first..last", or "none".
QString Run(const QImage &image, int x, QRgb colour)
{
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(x, y) == colour) {
            if (first < 0)
                first = y;
            last = y;
        }
    }
    return first < 0 ? QStringLiteral("none") : QStringLiteral("%1..%2").arg(first).arg(last);
}

} // namespace

class TestWeekdayPainter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A book of 2003/01 to 2003/05 with one balance-only day per weekday that has a balance.
    std::unique_ptr<CResultBook> Book(const QList<int> &balances)
    {
        auto book = std::make_unique<CResultBook>(m_dir.filePath(QStringLiteral("Murel1.Dat")));
        book->BuildCalendar(200305, 1, 0);
        for (int w = 0; w < balances.size(); ++w) {
            if (balances[w] != 0)
                book->EnterDay(kSunday + w, EntryMethod::Balance, 0, 0, balances[w]);
        }
        return book;
    }

    static QImage Render(const CWeekdayData &data)
    {
        QImage image = Canvas(kSize);
        QPainter painter(&image);
        CWeekdayPainter(data).Draw(painter, kSize);
        return image;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void bars_data();
    void bars();
    void tallestBarsFillTheBand_data();
    void tallestBarsFillTheBand();
    void textsBeyondTheBarEnds();
    void emptyPeriod();
};

void TestWeekdayPainter::bars_data()
{
    QTest::addColumn<QList<int>>("balances"); // Sunday first

    QTest::newRow("gains and losses") << QList<int>{50, -20, 0, 10, -50, 5, 0};
    QTest::newRow("gains only") << QList<int>{1, 2, 3, 4, 5, 6, 7};
    QTest::newRow("losses only") << QList<int>{-7, -6, -5, -4, -3, -2, -1};
    QTest::newRow("one loss among nothing") << QList<int>{0, 0, 0, -1, 0, 0, 0};
    // Balances whose product with the band's height passes 32 bits; the small ones round to
    // nothing.
    QTest::newRow("past 32 bits of pixels")
            << QList<int>{2000000000, -2000000000, 300000000, -1, 0, 0, 0};
}

// Blue bars rise from the zero line and red ones fall from it, each as long as its balance on
// the scale, and nothing else on the chart is blue or red.
void TestWeekdayPainter::bars()
{
    QFETCH(QList<int>, balances);

    const auto book = Book(balances);
    CWeekdayData data;
    data.SetData(book.get());
    const QImage image = Render(data);
    const CWeekdayPainter painter(data);
    const CWeekdayPainter::Layout l = painter.LayoutFor(kSize, CWeekdayPainter::LineHeight(&image));
    QVERIFY(l.zeroY > l.frameTop && l.zeroY < l.frameBottom);
    QCOMPARE(QColor(image.pixel(l.frameLeft, l.zeroY)), QColor(kGrey));

    qint64 blue = 0;
    qint64 red = 0;
    for (int w = 0; w < 7; ++w) {
        const int x = l.SlotCentre(w);
        const qint64 v = balances[w];
        // The span the bar covers: from the zero line to the value, on its own side.
        const int length = int(v * l.bandHeight / l.range);
        const QString up = length > 0
                ? QStringLiteral("%1..%2").arg(l.zeroY - length).arg(l.zeroY - 1)
                : QStringLiteral("none");
        const QString down = length < 0
                ? QStringLiteral("%1..%2").arg(l.zeroY).arg(l.zeroY - length - 1)
                : QStringLiteral("none");
        QCOMPARE(Run(image, x, kBlue), up);
        QCOMPARE(Run(image, x, kRed), down);
        blue += length > 0 ? qint64(l.BarWidth()) * length : 0;
        red += length < 0 ? qint64(l.BarWidth()) * -length : 0;
    }
    QCOMPARE(Count(image, kBlue, image.rect()), int(blue));
    QCOMPARE(Count(image, kRed, image.rect()), int(red));
    // The bars stay inside the plot area.
    QCOMPARE(Count(image, kBlue, QRect(0, 0, kSize.width(), l.frameTop)), 0);
    QCOMPARE(Count(image, kRed, QRect(0, l.frameBottom, kSize.width(), 100)), 0);
}

void TestWeekdayPainter::tallestBarsFillTheBand_data()
{
    QTest::addColumn<int>("sign");
    QTest::newRow("gains") << 1;
    QTest::newRow("losses") << -1;
}

// The tallest bar leaves room for its four lines of text, 2 pixels from its end and 4 from the
// plot's edge. Without losses the zero line lies 4 pixels inside the plot's bottom; the texts of
// weekdays without a bar stand above it, so room for them is always left at the top.
void TestWeekdayPainter::tallestBarsFillTheBand()
{
    QFETCH(int, sign);
    const auto book = Book({0, 0, 300 * sign, 0, 0, 0, 100 * sign});
    CWeekdayData data;
    data.SetData(book.get());
    const QImage image = Render(data);
    const int lh = CWeekdayPainter::LineHeight(&image);
    QVERIFY(lh >= 9 && lh <= 20);
    const int frameTop = 25;
    const int frameBottom = kSize.height() - 20;
    const int x = CWeekdayPainter(data).LayoutFor(kSize, lh).SlotCentre(2);
    if (sign > 0) {
        QCOMPARE(Run(image, x, kBlue),
                 QStringLiteral("%1..%2").arg(frameTop + 2 + 4 * lh + 4).arg(frameBottom - 5));
    } else {
        QCOMPARE(Run(image, x, kRed),
                 QStringLiteral("%1..%2")
                         .arg(frameTop + 2 + 4 * lh + 4)
                         .arg(frameBottom - 4 - 4 * lh - 3));
    }
    // The tint covers the plot area and leaves the weekday names' band white.
    QCOMPARE(image.pixel(15, frameTop), kTint);
    QCOMPARE(image.pixel(15, frameBottom - 1), kTint);
    QCOMPARE(image.pixel(15, frameBottom), qRgb(255, 255, 255));
}

// The balance, rates and days stand above a rising bar and below a falling one; the weekday
// names stand under the plot.
void TestWeekdayPainter::textsBeyondTheBarEnds()
{
    const auto book = Book({0, 40, -40, 0, 0, 0, 0});
    CWeekdayData data;
    data.SetData(book.get());
    const QImage image = Render(data);
    const CWeekdayPainter::Layout l
            = CWeekdayPainter(data).LayoutFor(kSize, CWeekdayPainter::LineHeight(&image));
    const int block = 4 * l.lineHeight;
    // A weekday's slot, or its middle half, which the texts of its neighbours never reach.
    auto slot = [&](int w, int top, int bottom) {
        return QRect(l.SlotCentre(w) - l.slotWidth / 2, top, l.slotWidth, bottom - top);
    };
    auto middle = [&](int w, int top, int bottom) {
        return QRect(l.SlotCentre(w) - l.slotWidth / 4, top, l.slotWidth / 2, bottom - top);
    };
    const int upEnd = l.ValueY(40);
    const int downEnd = l.ValueY(-40);
    QVERIFY(Dark(image, slot(1, upEnd - 2 - block, upEnd - 2)) > 40);
    QCOMPARE(Dark(image, middle(1, l.zeroY + 1, l.frameBottom)), 0);
    QVERIFY(Dark(image, slot(2, downEnd + 2, downEnd + 2 + block)) > 40);
    QCOMPARE(Dark(image, middle(2, l.frameTop, l.zeroY - 1)), 0);
    // A weekday without a bar has its texts above the zero line.
    QVERIFY(Dark(image, slot(3, l.zeroY - 2 - block, l.zeroY - 2)) > 40);
    for (int w = 0; w < 7; ++w)
        QVERIFY2(Dark(image, slot(w, l.frameBottom, kSize.height())) > 5, qPrintable(data.Name(w)));
    // The title band carries the title.
    QVERIFY(Dark(image, QRect(100, 1, kSize.width() - 200, 24)) > 100);
}

// No result at all: no bar, the zero line halfway down a scale of -10 to 10.
void TestWeekdayPainter::emptyPeriod()
{
    CResultBook empty(m_dir.filePath(QStringLiteral("empty.Dat")));
    CWeekdayData data;
    data.SetData(&empty);
    const QImage image = Render(data);
    QCOMPARE(Count(image, kBlue, image.rect()), 0);
    QCOMPARE(Count(image, kRed, image.rect()), 0);
    const CWeekdayPainter::Layout l
            = CWeekdayPainter(data).LayoutFor(kSize, CWeekdayPainter::LineHeight(&image));
    QCOMPARE(l.zeroY, l.bandTop + l.bandHeight / 2);
    QCOMPARE(image.pixel(l.frameLeft + 3, l.zeroY), kGrey);
    QCOMPARE(image.pixel(0, 0), kUntouched); // the frame's border is left alone
}

QTEST_MAIN(TestWeekdayPainter)
#include "tst_weekdaypainter.moc"
