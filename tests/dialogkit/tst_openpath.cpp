// The open dialog every import goes through: Qt's own widgets (never the platform's), in the
// folder asked, for an existing file only; the answer is the file's absolute path, or empty when
// the user cancels.

#include "dialogkit/OpenPath.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestOpenPath : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFile file(m_dir.filePath(QStringLiteral("履歴.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("日付,収支\n") > 0);
    }
    void answers_data();
    void answers();

private:
    QTemporaryDir m_dir;
};

void TestOpenPath::answers_data()
{
    QTest::addColumn<bool>("cancel"); // else the typed name is accepted with Enter
    QTest::addColumn<QString>("answer"); // relative to the folder; empty for none

    QTest::newRow("a file typed") << false << "履歴.csv";
    QTest::newRow("cancelled") << true << "";
}

void TestOpenPath::answers()
{
    QFETCH(bool, cancel);
    QFETCH(QString, answer);

    QWidget owner;
    QStringList seen; // what the dialog was like, once shown
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer.stop();
        seen << dialog->windowTitle() << dialog->directory().absolutePath()
             << dialog->nameFilters().join(QLatin1Char('|'))
             << QString::number(dialog->testOption(QFileDialog::DontUseNativeDialog))
             << QString::number(dialog->acceptMode() == QFileDialog::AcceptOpen)
             << QString::number(dialog->fileMode() == QFileDialog::ExistingFile)
             << QString::number(dialog->parentWidget() == &owner);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(QStringLiteral("履歴.csv"));
        if (cancel)
            dialog->reject();
        else
            QTest::keyClick(name, Qt::Key_Return);
    });
    timer.start();
    const QString got
            = DefaultOpenPath().Ask(&owner, QStringLiteral("CSVから読み込む"), m_dir.path(),
                                    QStringLiteral("CSVファイル (*.csv);;すべて (*)"));
    QCOMPARE(seen,
             QStringList({"CSVから読み込む", QDir(m_dir.path()).absolutePath(),
                          "CSVファイル (*.csv)|すべて (*)", "1", "1", "1", "1"}));
    QCOMPARE(got, answer.isEmpty() ? QString() : QDir(m_dir.path()).filePath(answer));
}

QTEST_MAIN(TestOpenPath)
#include "tst_openpath.moc"
