// The warning at start when results could not be saved: said once, after the main window shows
// and before the daily input window opens, naming the file; never when the file can be written.
#include "MainWindowFixture.h"
#include "common/Unprivileged.h"
#include "session/Messages.h"

#include <QFileInfo>

class TestStartWarning : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Prepare()); }
    void init() { Reset(true); }

    void warnsOnceAtStart_data();
    void warnsOnceAtStart();

private:
    QString WarningCase(const QString &root, const QString &setup, const QString &firstLine);
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

// The case with its data file in folder root, which it makes itself so that it can run as
// another user: empty when the window behaved, else what went wrong.
QString TestStartWarning::WarningCase(const QString &root, const QString &setup,
                                      const QString &firstLine)
{
    QStringList wrong;
    auto expect = [&wrong](bool ok, const QString &what) {
        if (!ok)
            wrong << what;
    };
    QDir(root).removeRecursively();
    if (!QDir().mkpath(root))
        return QStringLiteral("cannot make the folder");
    const QString data = root + QStringLiteral("/Murel1.Dat");
    if (setup != QLatin1String("none") && setup != QLatin1String("folder")) {
        QFile file(data);
        const QByteArray line = DataLine(20030510, 0, 70, 20, 50).toLatin1() + "\r\n";
        if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size())
            return QStringLiteral("cannot write the data file");
    }
    if (setup == QLatin1String("read-only file"))
        expect(QFile::setPermissions(data, QFile::ReadOwner), "chmod file");
    if (setup == QLatin1String("read-only folder"))
        expect(QFile::setPermissions(root, QFile::ReadOwner | QFile::ExeOwner), "chmod folder");
    if (setup == QLatin1String("folder"))
        expect(QDir().mkdir(data), "mkdir");
    QFile reader(data);
    const QByteArray before = reader.open(QIODevice::ReadOnly) ? reader.readAll() : QByteArray();
    reader.close();

    // The daily input window opens after the warning, over a main window that is already shown.
    prompt = ScriptedPrompt();
    bool entryOpenWhenWarned = true;
    bool mainShownWhenWarned = false;
    prompt.whileShown = [&] {
        const auto *owner = qobject_cast<const CDiaryDlg *>(prompt.asked.last().owner);
        entryOpenWhenWarned = owner && Entry(*owner);
        mainShownWhenWarned = owner && owner->isVisible();
    };
    DiaryEnv env = Env();
    env.dataFilePath = data;
    {
        CDiaryDlg dlg(env);
        dlg.show();
        expect(QTest::qWaitForWindowExposed(&dlg), "main window not exposed");
        if (setup == QLatin1String("folder")) {
            // A period that could not be read takes no entries: the window does not open.
            QTest::qWait(100);
            expect(!Entry(dlg), "the daily input window opened");
            expect(!dlg.Control(MainCtl::DailyInput)->isEnabled(), "entry button enabled");
        } else {
            expect(QTest::qWaitFor([&] { return Entry(dlg) != nullptr; }),
                   "the daily input window did not open");
        }
        // Viewing still works.
        expect(dlg.List()->RowCount() == 31, QStringLiteral("%1 rows").arg(dlg.List()->RowCount()));
    }
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner);
    reader.setFileName(data);
    const QByteArray after = reader.open(QIODevice::ReadOnly) ? reader.readAll() : QByteArray();
    expect(after == before, "the data file changed"); // nothing was written

    if (firstLine.isEmpty()) {
        expect(prompt.asked.isEmpty(), QStringLiteral("told: ") + prompt.texts().join(' '));
        return wrong.join(QLatin1Char('\n'));
    }
    expect(prompt.asked.size() == 1, QStringLiteral("%1 boxes").arg(prompt.asked.size()));
    const QStringList lines = prompt.texts().value(0).split(QLatin1Char('\n'));
    expect(lines.first() == firstLine, QStringLiteral("first line: ") + lines.first());
    expect(lines.value(1).startsWith(QFileInfo(data).absoluteFilePath()),
           QStringLiteral("second line: ") + lines.value(1));
    expect(prompt.asked.value(0).icon == QMessageBox::Warning, "not a warning");
    if (setup != QLatin1String("folder")) {
        expect(mainShownWhenWarned, "told before the main window showed");
        expect(!entryOpenWhenWarned, "told after the daily input window opened");
        expect(lines.size() == 2, QStringLiteral("%1 lines").arg(lines.size()));
    } else {
        expect(lines.size() == 3 && lines.last() == msg::NothingWritten(),
               QStringLiteral("last line: ") + lines.last());
    }
    return wrong.join(QLatin1Char('\n'));
}

void TestStartWarning::warnsOnceAtStart()
{
    QFETCH(QString, setup);
    QFETCH(QString, firstLine);
    QFETCH(bool, needsUser);
    if (!needsUser) {
        QCOMPARE(WarningCase(dir.filePath(QStringLiteral("case")), setup, firstLine), QString());
        return;
    }
    // Permissions must bite: as root, the case runs as an ordinary user with files of its own.
    QCOMPARE(RunUnprivileged([&] {
                 QTemporaryDir own;
                 if (!own.isValid())
                     return QStringLiteral("no folder of its own");
                 QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                                    own.filePath(QStringLiteral("settings")));
                 return WarningCase(own.filePath(QStringLiteral("case")), setup, firstLine);
             }),
             QString());
}

QTEST_MAIN(TestStartWarning)
#include "tst_startwarning.moc"
