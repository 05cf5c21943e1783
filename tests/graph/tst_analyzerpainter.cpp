#include "analysis/AnalyzerData.h"
#include "common/TestBook.h"
#include "data/ResultBook.h"
#include "graph/AnalyzerPainter.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kBlue = qRgb(152, 191, 255);
const QRgb kRed = qRgb(255, 152, 215);
const QRgb kGrey = qRgb(127, 127, 127);
const QRgb kUntouched = qRgb(10, 200, 10);

// Where a probe is taken, relative to a point of the prepared layout.
enum class Anchor {
    Level100, // (frame left, y of 100 %)
    LevelRight, // (frame right, y of 100 %)
    Dot, // the first point's mapped position
    Base, // (frame left, base line)
    XTick, // (x of the second investment tick, base line)
    ClientCorner, // (0, 0)
};

QImage canvas(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    // 96 dpi, so that point sizes become the same pixel sizes on every machine.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(kUntouched);
    return image;
}

QImage render(const CAnalyzerData &data, QSize size)
{
    QImage image = canvas(size);
    QPainter painter(&image);
    CAnalyzerPainter(data).Draw(painter, size);
    return image;
}

// Text is black; of the plot only the dots are as dark.
int darkPixels(const QImage &image, QRect box)
{
    int dark = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 128 && image.pixel(x, y) != kUntouched;
    }
    return dark;
}

} // namespace

class TestAnalyzerPainter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CTestBook> m_book;
    const QSize m_size{530, 290};

    // January to May 2003 with three days: 260 % (off the grid), 1250 % (shown at 1000 %) and 50 %.
    void fillBook()
    {
        m_book = std::make_unique<CTestBook>(m_dir.filePath(QStringLiteral("Murel1.Dat")));
        m_book->BuildCalendar(200305, 1, 0);
        auto set = [this](int i, int collected, int invested) {
            DayResult &day = m_book->RawDay(i);
            day.entryMethod = EntryMethod::Amounts;
            day.collected = collected;
            day.invested = invested;
            day.balance = collected - invested;
        };
        set(5, 130, 50);
        set(6, 25, 2);
        set(7, 30, 60);
    }

    CAnalyzerData prepared() const
    {
        CAnalyzerData d;
        d.SetData(m_book.get());
        d.Prepare(m_size.width(), m_size.height());
        return d;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        fillBook();
    }

    void renderedPlot_data()
    {
        QTest::addColumn<Anchor>("anchor");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<QRgb>("colour");

        QTest::newRow("blue just above 100 %") << Anchor::Level100 << 5 << -1 << kBlue;
        QTest::newRow("blue at the frame top") << Anchor::Level100 << 5 << -1000 << kBlue;
        QTest::newRow("red just below 100 %") << Anchor::Level100 << 5 << 1 << kRed;
        QTest::newRow("100 % row carries the grid") << Anchor::Level100 << 5 << 0 << kGrey;
        QTest::newRow("grid ends before the frame right") << Anchor::LevelRight << -1 << 0 << kGrey;
        QTest::newRow("fills exclude the frame right") << Anchor::LevelRight << 0 << -1 << kWhite;
        QTest::newRow("vertical axis") << Anchor::Level100 << 0 << -3 << kGrey;
        QTest::newRow("white left of the axis") << Anchor::Level100 << -1 << -3 << kWhite;
        QTest::newRow("red just above the base line") << Anchor::Base << 5 << -1 << kRed;
        QTest::newRow("base line") << Anchor::Base << 5 << 0 << kGrey;
        QTest::newRow("white below the base line") << Anchor::Base << 5 << 1 << kWhite;
        QTest::newRow("dot centre") << Anchor::Dot << 0 << 0 << kBlack;
        QTest::newRow("dot left-top") << Anchor::Dot << -2 << -1 << kBlack;
        QTest::newRow("dot right edge") << Anchor::Dot << 1 << 0 << kBlack;
        QTest::newRow("dot is 4 pixels across") << Anchor::Dot << 2 << 0 << kBlue;
        QTest::newRow("dot above") << Anchor::Dot << 0 << -3 << kBlue;
        QTest::newRow("tick mark") << Anchor::XTick << 0 << -4 << kGrey;
        QTest::newRow("tick mark is 5 pixels") << Anchor::XTick << 0 << -5 << kRed;
        QTest::newRow("1-pixel margin untouched") << Anchor::ClientCorner << 0 << 0 << kUntouched;
        QTest::newRow("white inside the margin") << Anchor::ClientCorner << 1 << 1 << kWhite;
    }

    void renderedPlot()
    {
        QFETCH(Anchor, anchor);
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(QRgb, colour);
        const CAnalyzerData d = prepared();
        QCOMPARE(d.m_yMax, 1000);
        QCOMPARE(d.m_xMax, 60);
        const QImage image = render(d, m_size);

        QPoint at;
        switch (anchor) {
        case Anchor::Level100:
            at = QPoint(d.m_frame.left, d.YOf(100));
            break;
        case Anchor::LevelRight:
            at = QPoint(d.m_frame.right, d.YOf(100));
            break;
        case Anchor::Dot:
            at = QPoint(d.XOf(d.m_points[0].invested), d.YOf(d.m_points[0].rate));
            break;
        case Anchor::Base:
            at = QPoint(d.m_frame.left, d.m_originY);
            break;
        case Anchor::XTick:
            at = QPoint(d.XOf(d.m_xTicks[1]), d.m_originY);
            break;
        case Anchor::ClientCorner:
            break;
        }
        at += QPoint(dx, dy);
        at.setY(std::max(at.y(), d.m_frame.top));
        QCOMPARE(QColor(image.pixel(at)).name(), QColor(colour).name());
    }

    void levelRowIsNeitherBlueNorRed()
    {
        const CAnalyzerData d = prepared();
        const QImage image = render(d, m_size);
        const int y = d.YOf(100);
        for (int x = d.m_frame.left; x < d.m_frame.right; ++x) {
            const QRgb c = image.pixel(x, y);
            QVERIFY2(c != kBlue && c != kRed, qPrintable(QString::number(x)));
        }
        // The capped day lies on the top grid line.
        QCOMPARE(d.YOf(d.m_points[1].rate), d.m_originY - d.m_plotHeight);
        QCOMPARE(image.pixel(d.XOf(d.m_points[1].invested), d.m_originY - d.m_plotHeight), kBlack);
    }

    // Text lands in its boxes: the title band, the captions under the frame, the rate labels
    // left of the axis and the investment labels under the base line.
    void textBoxes_data()
    {
        QTest::addColumn<QRect>("box");
        QTest::addColumn<bool>("ink");
        const CAnalyzerData::Frame f{60, 25, 520, 270}; // the layout of a 530 x 290 client
        QTest::newRow("title") << QRect(100, 2, 330, 22) << true;
        QTest::newRow("nothing between title and frame") << QRect(100, 24, 330, 1) << false;
        QTest::newRow("investment caption") << QRect(250, 270, 40, 14) << true;
        QTest::newRow("unit at the caption's right") << QRect(470, 270, 50, 14) << true;
        QTest::newRow("rate labels left of the axis") << QRect(0, f.top, 57, 240) << true;
        QTest::newRow("no label between labels and axis") << QRect(57, 40, 3, 240) << false;
        QTest::newRow("investment labels under the base line")
                << QRect(f.left + 20, 251, 440, 18) << true;
    }

    void textBoxes()
    {
        QFETCH(QRect, box);
        QFETCH(bool, ink);
        const CAnalyzerData d = prepared();
        QCOMPARE(d.m_frame.right, 520);
        QCOMPARE(d.m_originY, 250);
        const QImage image = render(d, m_size);
        QCOMPARE(darkPixels(image, box) > 0, ink);
    }

    void explanationIsDrawn()
    {
        const QSize size(540, 90);
        QImage image = canvas(size);
        QPainter painter(&image);
        CAnalyzerPainter::DrawExplanation(painter, size);
        painter.end();
        QCOMPARE(image.pixel(0, 0), kUntouched);
        QCOMPARE(image.pixel(1, 1), kWhite);
        QCOMPARE(image.pixel(size.width() - 1, 40), kUntouched);
        QVERIFY(darkPixels(image, QRect(3, 3, 57, 17)) > 0);
        // Two lines break before "活用:" and the text wraps at the width.
        QCOMPARE(CAnalyzerPainter::ExplanationText().count(QLatin1Char('\n')), 3);
        QVERIFY(darkPixels(image, QRect(3, 60, 300, 25)) > 0);
    }

    void painterStateRestored()
    {
        const CAnalyzerData d = prepared();
        QImage image = canvas(m_size);
        QPainter painter(&image);
        const QPen pen(Qt::green, 3);
        const QBrush brush(Qt::yellow);
        const QFont font(QStringLiteral("Serif"), 21);
        painter.setPen(pen);
        painter.setBrush(brush);
        painter.setFont(font);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setRenderHint(QPainter::Antialiasing, true);
        CAnalyzerPainter(d).Draw(painter, m_size);
        CAnalyzerPainter::DrawExplanation(painter, m_size);
        QCOMPARE(painter.pen(), pen);
        QCOMPARE(painter.brush(), brush);
        QCOMPARE(painter.font(), font);
        QCOMPARE(painter.backgroundMode(), Qt::OpaqueMode);
        QVERIFY(painter.testRenderHint(QPainter::Antialiasing));
    }
};

QTEST_MAIN(TestAnalyzerPainter)
#include "tst_analyzerpainter.moc"
