// The warning at start when results could not be saved: said once, after the main window shows
// and before the daily input window opens, naming the file; never when the file can be written.
#include "MainWindowFixture.h"

#include <QFileInfo>

#include <unistd.h>

class TestStartWarning : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Prepare()); }
    void init() { Reset(true); }
    void cleanup()
    {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(DataPath(), QFile::ReadOwner | QFile::WriteOwner);
    }

    void warnsOnceAtStart_data();
    void warnsOnceAtStart();
};

void TestStartWarning::warnsOnceAtStart_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("firstLine"); // empty: no warning at all
    QTest::addColumn<bool>("needsUser"); // permissions do not stop root

    const QString cannotSave
            = QStringLiteral("データファイルに書き込めないため、結果を保存できません。");
    QTest::newRow("writable file") << "writable" << QString() << false;
    QTest::newRow("no file yet in a writable folder") << "none" << QString() << false;
    QTest::newRow("read-only file") << "read-only file" << cannotSave << true;
    QTest::newRow("read-only folder") << "read-only folder" << cannotSave << true;
    // The read failure was said already; the same cause is not said twice.
    QTest::newRow("a folder where the file should be")
            << "folder" << QStringLiteral("ファイルの読み込みに失敗しました。") << false;
}

void TestStartWarning::warnsOnceAtStart()
{
    QFETCH(QString, setup);
    QFETCH(QString, firstLine);
    QFETCH(bool, needsUser);
    if (needsUser && ::geteuid() == 0)
        QSKIP("permissions do not stop root; the as-user run tries this");

    if (setup != QLatin1String("none") && setup != QLatin1String("folder"))
        WriteData(DataLine(20030510, 0, 70, 20, 50).toLatin1() + "\r\n");
    if (setup == QLatin1String("read-only file"))
        QVERIFY(QFile::setPermissions(DataPath(), QFile::ReadOwner));
    if (setup == QLatin1String("read-only folder"))
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    if (setup == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(DataPath()));
    const QByteArray before = ReadData();

    // The daily input window opens after the warning, over a main window that is already shown.
    bool entryOpenWhenWarned = true;
    bool mainShownWhenWarned = false;
    prompt.whileShown = [&] {
        const auto *owner = qobject_cast<const CDiaryDlg *>(prompt.asked.last().owner);
        entryOpenWhenWarned = owner && Entry(*owner);
        mainShownWhenWarned = owner && owner->isVisible();
    };
    auto dlg = Show();
    if (setup == QLatin1String("folder")) {
        // A period that could not be read takes no entries: the window does not open.
        QTest::qWait(100);
        QVERIFY(!Entry(*dlg));
        QVERIFY(!dlg->Control(MainCtl::DailyInput)->isEnabled());
    } else {
        QTRY_VERIFY(Entry(*dlg));
    }

    if (firstLine.isEmpty()) {
        QCOMPARE(prompt.texts(), QStringList());
        return;
    }
    QCOMPARE(prompt.asked.size(), 1);
    const QStringList lines = prompt.texts().first().split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), firstLine);
    QVERIFY2(lines.value(1).startsWith(QFileInfo(DataPath()).absoluteFilePath()),
             qPrintable(lines.value(1)));
    QCOMPARE(prompt.asked.first().icon, QMessageBox::Warning);
    if (setup != QLatin1String("folder")) {
        QVERIFY(mainShownWhenWarned);
        QVERIFY(!entryOpenWhenWarned);
        QCOMPARE(lines.size(), 2);
    } else {
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.last(),
                 QStringLiteral("この期間については、ファイルに何も書き込みません"
                                "（実績入力はできません）。"));
    }
    // Viewing still works, and nothing was written.
    QCOMPARE(dlg->List()->RowCount(), 31);
    QCOMPARE(ReadData(), before);
}

QTEST_MAIN(TestStartWarning)
#include "tst_startwarning.moc"
