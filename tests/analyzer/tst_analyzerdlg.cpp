#include "analyzer/AnalyzerDlg.h"
#include "data/ResultBook.h"
#include "dialogkit/DialogTemplate.h"
#include "settings/Profile.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kBlue = qRgb(152, 191, 255);
// The weekday bars.
const QRgb kUpBlue = qRgb(101, 101, 255);
const QRgb kDownRed = qRgb(255, 0, 0);

const QString kRateText = QStringLiteral("「投資額」に対応した「回収率」の実績を確認できます");
const QString kWeekdayText = QStringLiteral("曜日ごとの収支と勝率を確認できます");

// The ways a user, or a screen reader, chooses a kind button.
enum class Choose { Click, Space, Arrow, Press, Toggle };

int Count(const QImage &image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    }
    return n;
}

QAbstractButton *Button(const CAnalyzerDlg &dlg, CAnalyzerDlg::ControlId id)
{
    return qobject_cast<QAbstractButton *>(dlg.control(id));
}

QString KindText(const CAnalyzerDlg &dlg)
{
    auto *label = qobject_cast<QLabel *>(dlg.control(CAnalyzerDlg::IdKindText));
    return label ? label->text() : QString();
}

// Chooses the kind of button `to`; `from` is the kind button shown so far.
void ChooseKind(QAbstractButton *to, QAbstractButton *from, Choose how)
{
    switch (how) {
    case Choose::Click:
        QTest::mouseClick(to, Qt::LeftButton);
        break;
    case Choose::Space:
        to->setFocus();
        QTest::keyClick(to, Qt::Key_Space);
        break;
    case Choose::Arrow:
        // The arrow keys move between the two buttons of the choice and choose as they go.
        from->setFocus();
        QTest::keyClick(from, to->x() > from->x() ? Qt::Key_Right : Qt::Key_Left);
        break;
    case Choose::Press:
    case Choose::Toggle:
        QAccessible::queryAccessibleInterface(to)->actionInterface()->doAction(
                how == Choose::Press ? QAccessibleActionInterface::pressAction()
                                     : QAccessibleActionInterface::toggleAction());
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Choose)

class TestAnalyzerDlg : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CResultBook> m_book;

    // January to May 2003 with three days: 260 % (off the grid), 1250 % (shown at 1000 %) and 50 %.
    void fillBook()
    {
        m_book = std::make_unique<CResultBook>(m_dir.filePath(QStringLiteral("Murel1.Dat")));
        m_book->BuildCalendar(200305, 1, 0);
        auto set = [this](int i, int collected, int invested) {
            m_book->EnterDay(m_book->Day(i).date, EntryMethod::Amounts, collected, invested,
                             collected - invested);
        };
        set(5, 130, 50);
        set(6, 25, 2);
        set(7, 30, 60);
    }

    static QPoint storedPosition()
    {
        return QPoint(GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_X"), -1),
                      GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_Y"), -1));
    }

    static void clearSettings()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                  QStringLiteral("Murel"))
                .clear();
    }

    // Where a dialog opens when no position is stored.
    QPoint defaultPosition()
    {
        clearSettings();
        CAnalyzerDlg dlg;
        dlg.SetData(m_book.get());
        dlg.show();
        const QPoint pos = dlg.pos();
        dlg.hide();
        return pos;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           m_dir.filePath(QStringLiteral("settings")));
        fillBook();
    }

    void init() { clearSettings(); }

    void windowAndControls()
    {
        CAnalyzerDlg dlg;
        dlg.SetData(m_book.get());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("アナライザ"));
        QVERIFY(dlg.isModal());
        const QSize client = dlg::ToPixels(dlg::BaseUnitsOf(dlg::DialogFont()), 371, 307);
        QCOMPARE(dlg.minimumSize(), client);
        QCOMPARE(dlg.maximumSize(), client);

        auto *kind = qobject_cast<QAbstractButton *>(dlg.control(CAnalyzerDlg::IdKindRate));
        QVERIFY(kind);
        QCOMPARE(kind->text(), QStringLiteral("回収率分布"));
        QVERIFY(!kind->isChecked()); // checked by the first paint
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTRY_VERIFY(dlg.data().m_prepared == 1);
        QVERIFY(kind->isChecked());
        QVERIFY(kind->isVisible());
        QVERIFY(!dlg.control(CAnalyzerDlg::IdCancel)->isVisible());
        auto *weekday = qobject_cast<QAbstractButton *>(dlg.control(CAnalyzerDlg::IdKindWeekday));
        QVERIFY(weekday && weekday->isVisible() && !weekday->isChecked());
        QCOMPARE(weekday->text(), QStringLiteral("曜日別"));

        // The layout follows the plot control's own client size.
        auto *plot = qobject_cast<QFrame *>(dlg.control(CAnalyzerDlg::IdPlot));
        QVERIFY(plot);
        const QRect inner = plot->contentsRect();
        QCOMPARE(dlg.data().m_originY, inner.height() - 40);
        QCOMPARE(dlg.data().m_frame.right, inner.width() - 10);

        // The control paints the plot: a dot where the mapping puts it.
        const QImage shot = plot->grab().toImage();
        const CAnalyzerData &d = dlg.data();
        const QPoint dot = inner.topLeft()
                + QPoint(d.XOf(d.m_points[0].invested), d.YOf(d.m_points[0].rate));
        QCOMPARE(QColor(shot.pixel(dot)).name(), QColor(kBlack).name());
        QCOMPARE(QColor(shot.pixel(inner.topLeft() + QPoint(d.m_frame.left + 5, d.YOf(100) - 1)))
                         .name(),
                 QColor(kBlue).name());

        // Clicking the kind already shown changes nothing.
        const QString title = d.m_title;
        const int points = d.m_pointCount;
        QTest::mouseClick(kind, Qt::LeftButton);
        QVERIFY(kind->isChecked());
        QVERIFY(dlg.isVisible());
        QCOMPARE(d.m_title, title);
        QCOMPARE(d.m_pointCount, points);
        QCOMPARE(d.m_prepared, 1);
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    // A screen reader's Toggle on the kind button changes nothing, as a click does; its Press on
    // OK closes the dialog as a click does, keeping the position.
    void accessibleActions()
    {
        CAnalyzerDlg dlg;
        dlg.SetData(m_book.get());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTRY_VERIFY(dlg.data().m_prepared == 1);
        auto *kind = qobject_cast<QAbstractButton *>(dlg.control(CAnalyzerDlg::IdKindRate));
        QVERIFY(kind);
        QAccessibleActionInterface *kindActions
                = QAccessible::queryAccessibleInterface(kind)->actionInterface();
        QVERIFY(kindActions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        const int points = dlg.data().m_pointCount;
        kindActions->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(kind->isChecked());
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.data().m_pointCount, points);

        const QPoint moved = dlg.pos() + QPoint(7, 9);
        dlg.move(moved);
        QTRY_COMPARE(dlg.pos(), moved);
        QAccessible::queryAccessibleInterface(dlg.control(CAnalyzerDlg::IdOk))
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(storedPosition(), moved);
    }

    void emptyBookShows()
    {
        CResultBook empty(m_dir.filePath(QStringLiteral("empty.Dat")));
        CAnalyzerDlg dlg;
        dlg.SetData(&empty);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTRY_VERIFY(dlg.data().m_prepared == 1);
        QCOMPARE(dlg.data().m_pointCount, 0);
        QCOMPARE(dlg.data().m_title, QStringLiteral("回収率分布:"));
        dlg.reject();
    }

    void position_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QPoint>("storedPos");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("closeBy"); // 0 OK, 1 Esc/cancel, 2 close box

        QTest::newRow("nothing stored") << false << QPoint() << false << 0;
        QTest::newRow("(0, 0) is not restored") << true << QPoint(0, 0) << false << 1;
        QTest::newRow("(0, 300) is restored") << true << QPoint(0, 300) << true << 2;
        QTest::newRow("(120, 80) is restored") << true << QPoint(120, 80) << true << 0;
        QTest::newRow("(-40, 7) is restored") << true << QPoint(-40, 7) << true << 1;
    }

    void position()
    {
        QFETCH(bool, stored);
        QFETCH(QPoint, storedPos);
        QFETCH(bool, applied);
        QFETCH(int, closeBy);
        const QPoint fallback = defaultPosition();
        QVERIFY(fallback != QPoint(0, 0)); // otherwise (0, 0) could not be told apart
        clearSettings();
        if (stored) {
            WriteProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_X"), storedPos.x());
            WriteProfileInt(QStringLiteral("Analysis"), QStringLiteral("Pos_Y"), storedPos.y());
        }
        {
            CAnalyzerDlg dlg;
            dlg.SetData(m_book.get());
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QCOMPARE(dlg.pos(), applied ? storedPos : fallback);

            // Where the user leaves it is what is kept.
            const QPoint moved = dlg.pos() + QPoint(13, 21);
            dlg.move(moved);
            QTRY_COMPARE(dlg.pos(), moved);
            switch (closeBy) {
            case 0:
                QTest::mouseClick(dlg.control(CAnalyzerDlg::IdOk), Qt::LeftButton);
                break;
            case 1:
                QTest::keyClick(&dlg, Qt::Key_Escape);
                break;
            default:
                dlg.close();
                break;
            }
            QVERIFY(!dlg.isVisible());
            QCOMPARE(storedPosition(), moved);
        }
        // The next showing opens there.
        CAnalyzerDlg again;
        again.SetData(m_book.get());
        const QPoint expected = storedPosition();
        again.show();
        QCOMPARE(again.pos(), expected == QPoint(0, 0) ? fallback : expected);
        again.reject();
    }

    // Either button chooses its kind, however it is pressed: the text beside the buttons, the plot,
    // the explanation and the checked button follow, and the other kind comes back unchanged.
    void kindSwitching_data()
    {
        QTest::addColumn<Choose>("how");
        QTest::newRow("click") << Choose::Click;
        QTest::newRow("space") << Choose::Space;
        QTest::newRow("arrow keys") << Choose::Arrow;
        QTest::newRow("screen reader press") << Choose::Press;
        QTest::newRow("screen reader toggle") << Choose::Toggle;
    }
    void kindSwitching()
    {
        QFETCH(Choose, how);
        CAnalyzerDlg dlg;
        dlg.SetData(m_book.get());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTRY_VERIFY(dlg.data().m_prepared == 1);
        QAbstractButton *rate = Button(dlg, CAnalyzerDlg::IdKindRate);
        QAbstractButton *weekday = Button(dlg, CAnalyzerDlg::IdKindWeekday);
        QWidget *plot = dlg.control(CAnalyzerDlg::IdPlot);
        QWidget *explanation = dlg.control(CAnalyzerDlg::IdExplanation);
        QCOMPARE(dlg.Kind(), AnalysisKind::RateDistribution);
        QCOMPARE(KindText(dlg), kRateText);
        const QImage ratePlot = plot->grab().toImage();
        const QImage rateExplanation = explanation->grab().toImage();
        QCOMPARE(Count(ratePlot, kUpBlue) + Count(ratePlot, kDownRed), 0);
        QVERIFY(explanation->accessibleName().contains(QStringLiteral("投資額（横軸）")));

        ChooseKind(weekday, rate, how);
        QTRY_COMPARE(dlg.Kind(), AnalysisKind::Weekdays);
        QVERIFY(weekday->isChecked());
        QVERIFY(!rate->isChecked());
        QCOMPARE(KindText(dlg), kWeekdayText);
        // Monday and Tuesday gained, Wednesday lost.
        const QImage weekdayPlot = plot->grab().toImage();
        QVERIFY(Count(weekdayPlot, kUpBlue) > 100);
        QVERIFY(Count(weekdayPlot, kDownRed) > 100);
        QCOMPARE(Count(weekdayPlot, kBlue), 0);
        QCOMPARE(plot->accessibleName(),
                 QStringLiteral("曜日別収支:2003/01/01 (水) ～ 2003/05/31 (土)"));
        QVERIFY(explanation->accessibleName().contains(QStringLiteral("曜日")));
        QVERIFY(explanation->grab().toImage() != rateExplanation);
        QVERIFY(dlg.isVisible());

        ChooseKind(rate, weekday, how);
        QTRY_COMPARE(dlg.Kind(), AnalysisKind::RateDistribution);
        QVERIFY(rate->isChecked());
        QVERIFY(!weekday->isChecked());
        QCOMPARE(KindText(dlg), kRateText);
        QCOMPARE(plot->grab().toImage(), ratePlot);
        QCOMPARE(explanation->grab().toImage(), rateExplanation);
        QCOMPARE(plot->accessibleName(), dlg.data().m_title);
        dlg.reject();
    }

    // The kind is kept under Analysis/Kind: restored at the next opening, any stored value but 1
    // showing the recovery-rate distribution, and written as 0 or 1 when the dialog closes.
    void storedKind_data()
    {
        QTest::addColumn<int>("stored"); // -999: nothing stored
        QTest::addColumn<bool>("switchOnce");
        QTest::addColumn<AnalysisKind>("opened");
        QTest::addColumn<int>("written");

        const auto rate = AnalysisKind::RateDistribution;
        const auto weekdays = AnalysisKind::Weekdays;
        QTest::newRow("nothing stored") << -999 << false << rate << 0;
        QTest::newRow("0") << 0 << false << rate << 0;
        QTest::newRow("1") << 1 << false << weekdays << 1;
        QTest::newRow("2 reads as 0") << 2 << false << rate << 0;
        QTest::newRow("-1 reads as 0") << -1 << false << rate << 0;
        QTest::newRow("0, then the weekdays chosen") << 0 << true << rate << 1;
        QTest::newRow("1, then the distribution chosen") << 1 << true << weekdays << 0;
        QTest::newRow("7, then the weekdays chosen") << 7 << true << rate << 1;
    }
    void storedKind()
    {
        QFETCH(int, stored);
        QFETCH(bool, switchOnce);
        QFETCH(AnalysisKind, opened);
        QFETCH(int, written);
        if (stored != -999)
            WriteProfileInt(QStringLiteral("Analysis"), QStringLiteral("Kind"), stored);

        CAnalyzerDlg dlg;
        dlg.SetData(m_book.get());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTRY_VERIFY(dlg.data().m_prepared == 1);
        const bool weekdays = opened == AnalysisKind::Weekdays;
        QCOMPARE(dlg.Kind(), opened);
        QCOMPARE(KindText(dlg), weekdays ? kWeekdayText : kRateText);
        QCOMPARE(Button(dlg, CAnalyzerDlg::IdKindWeekday)->isChecked(), weekdays);
        QCOMPARE(Button(dlg, CAnalyzerDlg::IdKindRate)->isChecked(), !weekdays);
        const QImage plot = dlg.control(CAnalyzerDlg::IdPlot)->grab().toImage();
        QCOMPARE(Count(plot, kUpBlue) > 0, weekdays);
        // Nothing is written while the dialog is open.
        QCOMPARE(GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Kind"), -999), stored);
        if (switchOnce) {
            QTest::mouseClick(
                    Button(dlg, weekdays ? CAnalyzerDlg::IdKindRate : CAnalyzerDlg::IdKindWeekday),
                    Qt::LeftButton);
        }
        QTest::mouseClick(dlg.control(CAnalyzerDlg::IdOk), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Kind"), -999), written);
    }

    void neverShownSavesNothing()
    {
        {
            CAnalyzerDlg dlg;
            dlg.SetData(m_book.get());
            dlg.done(QDialog::Rejected);
        }
        QCOMPARE(storedPosition(), QPoint(-1, -1));
        QCOMPARE(GetProfileInt(QStringLiteral("Analysis"), QStringLiteral("Kind"), -1), -1);
    }
};

QTEST_MAIN(TestAnalyzerDlg)
#include "tst_analyzerdlg.moc"
