#include "MainWindowFixture.h"
#include "data/BookTestUtil.h"
#include "dialogs/OptionDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cerrno>
#include <memory>

// Entered days on disk at once, through the real windows: a save that fails is told once and
// tried again, backups are dated by the day of the save, a period that could not be read takes
// no entries, and the save that asks nothing.

namespace {

using BookTest::FaultyBook;
using E = EntryCtl;
using F = MainWindowFixture;

QByteArray Line(int date, int method, int collected, int invested, int balance)
{
    return DataLine(date, method, collected, invested, balance).toLatin1() + "\r\n";
}

const QByteArray kOld = Line(20020510, 0, 20, 10, 10) + Line(20030101, 0, 1000, 0, 1000)
        + Line(20030505, 0, 5, 10, -5) + Line(20040102, 0, 7, 3, 4);

// kOld with the typed days of May 2003 in place.
QByteArray With(const QByteArray &days)
{
    return Line(20020510, 0, 20, 10, 10) + Line(20030101, 0, 1000, 0, 1000)
            + Line(20030505, 0, 5, 10, -5) + days + Line(20040102, 0, 7, 3, 4);
}

} // namespace

class TestWriteThroughMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_f.Prepare()); }
    void init()
    {
        m_f.Reset(true);
        m_f.WriteData(kOld);
        m_book = nullptr;
        m_f.makeBook = [this](const QString &path) {
            auto book = std::make_unique<FaultyBook>(path);
            m_book = book.get();
            return std::unique_ptr<CResultBook>(std::move(book));
        };
    }

    void failedSaveToldOnce_data();
    void failedSaveToldOnce();
    void closeAfterFailedSave_data();
    void closeAfterFailedSave();
    void backupsByTheDayOfTheSave();
    void unreadPeriod();
    void unreadPeriodClosesTheEntryWindow();
    void yearBasisPutBack();
    void saveWithoutQuestions_data();
    void saveWithoutQuestions();

private:
    std::unique_ptr<CDiaryDlg> OpenWithEntry()
    {
        auto dlg = m_f.Show();
        if (!QTest::qWaitFor([&] { return dlg->DailyInput() != nullptr; }))
            qWarning("daily input window not opened");
        return dlg;
    }
    static QLineEdit *Edit(const CDiaryDlg &dlg, E::Id id) { return F::In<QLineEdit>(dlg, id); }
    static void Type(const CDiaryDlg &dlg, const QString &collected, const QString &invested)
    {
        for (const auto &[id, text] :
             {std::pair{E::Collected, collected}, {E::Invested, invested}}) {
            Edit(dlg, id)->selectAll();
            QTest::keyClicks(Edit(dlg, id), text);
        }
    }
    void Fail(const QString &step)
    {
        m_book->writeLimit = step == QLatin1String("write") ? 0 : -1;
        m_book->writeErrno = ENOSPC;
        m_book->syncErrno = step == QLatin1String("sync") ? EIO : 0;
        m_book->commitErrno = step == QLatin1String("commit") ? EACCES : 0;
    }

    MainWindowFixture m_f;
    FaultyBook *m_book = nullptr;
};

void TestWriteThroughMain::failedSaveToldOnce_data()
{
    QTest::addColumn<QString>("step"); // the save step that fails
    QTest::addColumn<QString>("how"); // how the day is confirmed

    QTest::newRow("disk full, OK") << "write"
                                   << "ok";
    QTest::newRow("sync fails, OK") << "sync"
                                    << "ok";
    QTest::newRow("rename refused, OK") << "commit"
                                        << "ok";
    QTest::newRow("disk full, yes before the previous month") << "write"
                                                              << "yes";
    QTest::newRow("sync fails, yes before the monthly list") << "sync"
                                                             << "monthly";
}

void TestWriteThroughMain::failedSaveToldOnce()
{
    QFETCH(QString, step);
    QFETCH(QString, how);

    auto dlg = OpenWithEntry();
    QVERIFY(m_book);
    Fail(step);
    Type(*dlg, "50", "30");
    if (how == QLatin1String("ok")) {
        F::In<QPushButton>(*dlg, E::Ok)->click();
    } else {
        m_f.prompt.answers = {QMessageBox::Yes};
        F::Ctl<QPushButton>(*dlg,
                            how == QLatin1String("yes") ? MainCtl::PrevMonth : MainCtl::MonthlyList)
                ->click();
    }
    const int questions = how == QLatin1String("ok") ? 0 : 1;
    // Not inside the entry: once control is back in the event loop, and only once.
    QCOMPARE(m_f.prompt.asked.size(), questions);
    QTRY_COMPARE(m_f.prompt.asked.size(), questions + 1);
    QTest::qWait(50);
    QCOMPARE(m_f.prompt.asked.size(), questions + 1);
    const ScriptedPrompt::Asked &told = m_f.prompt.asked.last();
    QCOMPARE(told.text, dlg->Book().LastError());
    QVERIFY(told.text.startsWith(BookTest::kSaveFailed));
    QCOMPARE(told.icon, QMessageBox::Warning);
    QCOMPARE(told.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(told.owner, static_cast<QWidget *>(dlg.get()));

    // Kept in memory and shown; the file as it was.
    QCOMPARE(F::Stored(*dlg, 20030512), QString("0 50 30 20"));
    QVERIFY(dlg->Book().IsModified());
    QCOMPARE(m_f.ReadData(), kOld);
    if (how == QLatin1String("ok"))
        QCOMPARE(F::Row(*dlg, 11).at(3), QString("20"));

    // The next day entered saves both.
    Fail(QString());
    QVERIFY(dlg->Session().Book().EnterDay(20030513, EntryMethod::Balance, 0, 0, -4));
    QCOMPARE(m_f.ReadData(), With(Line(20030512, 0, 50, 30, 20) + Line(20030513, 1, 0, 0, -4)));
    QVERIFY(!dlg->Book().IsModified());
    QTest::qWait(50);
    QCOMPARE(m_f.prompt.asked.size(), questions + 1);
}

void TestWriteThroughMain::closeAfterFailedSave_data()
{
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers"); // to the close's question
    QTest::addColumn<bool>("fixBeforeAnswer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("written");

    using B = QMessageBox::StandardButton;
    QTest::newRow("retry once the disk has room") << QList<B>{B::Yes} << true << true << true;
    QTest::newRow("discard") << QList<B>{B::No} << false << true << false;
    QTest::newRow("cancel") << QList<B>{B::Cancel} << false << false << false;
}

void TestWriteThroughMain::closeAfterFailedSave()
{
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(bool, fixBeforeAnswer);
    QFETCH(bool, closed);
    QFETCH(bool, written);

    auto dlg = OpenWithEntry();
    Fail(QStringLiteral("write"));
    F::In<QCheckBox>(*dlg, E::KeepShown)->click();
    Type(*dlg, "50", "30");
    // Closing asks the daily input window first; its yes enters the day, whose save fails. The
    // close tries again and asks about that save only: one question, no warning besides.
    m_f.prompt.answers = QList<QMessageBox::StandardButton>{QMessageBox::Yes} + answers;
    if (fixBeforeAnswer)
        m_f.prompt.whileShown = [this] {
            if (m_f.prompt.asked.size() == 2)
                Fail(QString());
        };
    F::Ctl<QPushButton>(*dlg, MainCtl::Exit)->click();
    QTest::qWait(50);

    QCOMPARE(m_f.prompt.asked.size(), 2);
    QVERIFY(m_f.prompt.asked.at(1).text.startsWith(BookTest::kSaveFailed));
    QCOMPARE(m_f.prompt.asked.at(1).buttons,
             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(dlg->isVisible(), !closed);
    QCOMPARE(m_f.ReadData(), written ? With(Line(20030512, 0, 50, 30, 20)) : kOld);
    if (!closed)
        QCOMPARE(F::Stored(*dlg, 20030512), QString("0 50 30 20"));
}

void TestWriteThroughMain::backupsByTheDayOfTheSave()
{
    // Started on the 12th, still running on the 14th: the backups follow the day of each save.
    auto dlg = OpenWithEntry();
    const QString folder = m_f.DataPath() + QStringLiteral(".backup");
    Type(*dlg, "50", "30");
    F::In<QPushButton>(*dlg, E::Ok)->click();
    const QByteArray afterFirst = m_f.ReadData();
    QCOMPARE(afterFirst, With(Line(20030512, 0, 50, 30, 20)));
    CResultBook &book = dlg->Session().Book();
    QVERIFY(book.EnterDay(20030513, EntryMethod::Balance, 0, 0, 3)); // same day: no new backup
    const QByteArray afterSecond = m_f.ReadData();
    m_f.saveDate = QDate(2003, 5, 14);
    QVERIFY(book.EnterDay(20030514, EntryMethod::Balance, 0, 0, 1));

    QCOMPARE(QDir(folder).entryList(QDir::Files),
             (QStringList{"Murel1-20030512.Dat", "Murel1-20030514.Dat"}));
    QCOMPARE(BookTest::ReadBytes(folder + QStringLiteral("/Murel1-20030512.Dat")), kOld);
    QCOMPARE(BookTest::ReadBytes(folder + QStringLiteral("/Murel1-20030514.Dat")), afterSecond);
    QTest::qWait(50);
    QVERIFY(m_f.prompt.asked.isEmpty());
}

void TestWriteThroughMain::unreadPeriod()
{
    // The read stops after two lines: the current period is laid out with what was read.
    m_f.makeBook = [this](const QString &path) {
        auto book = std::make_unique<FaultyBook>(path);
        book->readLimit = kOld.indexOf("20030505");
        m_book = book.get();
        return std::unique_ptr<CResultBook>(std::move(book));
    };
    auto dlg = m_f.Show();
    QTest::qWait(100);
    QCOMPARE(m_f.prompt.asked.size(), 1);
    const QStringList lines = m_f.prompt.texts().first().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.first(), QStringLiteral("ファイルの読み込みに失敗しました。"));
    QVERIFY(lines.at(1).startsWith(QFileInfo(m_f.DataPath()).absoluteFilePath()));
    QCOMPARE(lines.last(),
             QStringLiteral("この期間については、ファイルに何も書き込みません"
                            "（実績入力はできません）。"));
    // What was read counts in the running sums: January's 1000 reaches the end of May.
    QCOMPARE(F::Row(*dlg, 30).at(5), QString("1000"));
    // No entry: neither at start, nor by the button, nor by a double click on a day.
    QVERIFY(!dlg->DailyInput());
    auto *entryButton = F::Ctl<QPushButton>(*dlg, MainCtl::DailyInput);
    QVERIFY(!entryButton->isEnabled());
    CReportList *list = dlg->List();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->RowRect(4).center());
    QVERIFY(!dlg->DailyInput());
    // Other views keep the button off.
    F::Ctl<QPushButton>(*dlg, MainCtl::MonthlyList)->click();
    QVERIFY(!entryButton->isEnabled());

    // Today's data reads again; now the whole file.
    m_book->readLimit = -1;
    F::Ctl<QPushButton>(*dlg, MainCtl::TodayData)->click();
    QCOMPARE(m_f.prompt.asked.size(), 1);
    QVERIFY(entryButton->isEnabled());
    QCOMPARE(F::Row(*dlg, 30).at(5), QString("995"));
    entryButton->click();
    QVERIFY(dlg->DailyInput());
    QCOMPARE(m_f.ReadData(), kOld);
}

void TestWriteThroughMain::unreadPeriodClosesTheEntryWindow()
{
    // The window kept shown on a past period; today's data then meets an unreadable file.
    auto dlg = OpenWithEntry();
    F::In<QPushButton>(*dlg, E::Cancel)->click();
    QVERIFY(!dlg->DailyInput());
    F::Ctl<QRadioButton>(*dlg, MainCtl::PastData)->click();
    QCOMPARE(dlg->Session().YearsBack(), 1);
    F::Ctl<QPushButton>(*dlg, MainCtl::DailyInput)->click();
    QPointer<QWidget> input = dlg->DailyInput();
    QVERIFY(input);
    F::In<QCheckBox>(*dlg, E::KeepShown)->click();

    m_book->readLimit = 10;
    F::Ctl<QPushButton>(*dlg, MainCtl::TodayData)->click();
    QCOMPARE(dlg->Session().YearsBack(), 0);
    QVERIFY(!dlg->DailyInput());
    QVERIFY(!F::Ctl<QPushButton>(*dlg, MainCtl::DailyInput)->isEnabled());
    QCOMPARE(m_f.prompt.asked.size(), 1);
    QCOMPARE(m_f.prompt.texts().first().count(QLatin1Char('\n')), 2);
    // The period controls are free again: the window is gone.
    QVERIFY(F::Ctl<QRadioButton>(*dlg, MainCtl::PastData)->isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(input.isNull());
}

void TestWriteThroughMain::yearBasisPutBack()
{
    auto dlg = OpenWithEntry();
    F::In<QPushButton>(*dlg, E::Cancel)->click();
    // A day whose save failed holds the current period: the new basis cannot replace it.
    Fail(QStringLiteral("write"));
    QVERIFY(dlg->Session().Book().EnterDay(20030512, EntryMethod::Balance, 0, 0, 5));
    QTRY_COMPARE(m_f.prompt.asked.size(), 1);

    QTimer::singleShot(0, this, [&] {
        auto *options = qobject_cast<COptionDlg *>(QApplication::activeModalWidget());
        if (!options)
            return;
        qobject_cast<QRadioButton *>(options->control(COptionDlg::IdFromThisMonth))->click();
        qobject_cast<QPushButton *>(options->control(COptionDlg::IdOk))->click();
    });
    dlg->OnOption();
    QCOMPARE(m_f.prompt.asked.size(), 2);
    QCOMPARE(m_f.prompt.texts().last(), dlg->Book().LastError());
    // The period of January's basis stays, and so does the basis, in memory and stored.
    QCOMPARE(dlg->Book().Month(0).month, 200301);
    QVERIFY(dlg->Settings().fromJanuary);
    QCOMPARE(GetProfileInt(QStringLiteral("Option"), QStringLiteral("FromN"), -1), 1);

    // Once the day can be saved, the basis changes as asked.
    Fail(QString());
    QTimer::singleShot(0, this, [&] {
        auto *options = qobject_cast<COptionDlg *>(QApplication::activeModalWidget());
        if (!options)
            return;
        qobject_cast<QRadioButton *>(options->control(COptionDlg::IdFromThisMonth))->click();
        qobject_cast<QPushButton *>(options->control(COptionDlg::IdOk))->click();
    });
    dlg->OnOption();
    QCOMPARE(dlg->Book().Month(0).month, 200206);
    QVERIFY(!dlg->Settings().fromJanuary);
    QCOMPARE(GetProfileInt(QStringLiteral("Option"), QStringLiteral("FromN"), -1), 0);
    QCOMPARE(m_f.ReadData(), With(Line(20030512, 1, 0, 0, 5)));
}

void TestWriteThroughMain::saveWithoutQuestions_data()
{
    QTest::addColumn<bool>("pending"); // typed in the daily input window, not confirmed
    QTest::addColumn<bool>("fails");

    QTest::newRow("pending day") << true << false;
    QTest::newRow("nothing pending") << false << false;
    QTest::newRow("pending day, disk full") << true << true;
}

void TestWriteThroughMain::saveWithoutQuestions()
{
    QFETCH(bool, pending);
    QFETCH(bool, fails);

    auto dlg = OpenWithEntry();
    if (pending)
        Type(*dlg, "50", "30");
    if (fails)
        Fail(QStringLiteral("write"));
    QString problem;
    QCOMPARE(dlg->SaveWithoutQuestions(&problem), !fails);
    QTest::qWait(50);
    // Nothing asked, nothing shown.
    QVERIFY(m_f.prompt.asked.isEmpty());
    QCOMPARE(F::Stored(*dlg, 20030512), pending ? QString("0 50 30 20") : QString("-1 0 0 0"));
    QCOMPARE(m_f.ReadData(), pending && !fails ? With(Line(20030512, 0, 50, 30, 20)) : kOld);
    QCOMPARE(problem, fails ? dlg->Book().LastError() : QString());
    // Entered as on OK: a window not kept shown closes.
    QCOMPARE(!!dlg->DailyInput(), !pending);
    if (fails) {
        dlg->ShowSaveProblem(problem);
        QCOMPARE(m_f.prompt.texts(), QStringList{problem});
    }
}

QTEST_MAIN(TestWriteThroughMain)
#include "tst_writethrough_main.moc"
