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

#include <functional>

namespace {

// Runs ask; once its dialog is modal, hands it to whileShown.
QString RunDialog(const std::function<QString()> &ask,
                  const std::function<void(QFileDialog *)> &whileShown)
{
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog) {
            timer.stop();
            whileShown(dialog);
            if (dialog->isVisible())
                dialog->reject();
        } else if (++ticks > 500) {
            timer.stop();
        }
    });
    timer.start();
    return ask();
}

} // namespace

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
    void dialogAsAsked();

private:
    QTemporaryDir m_dir;
};

void TestOpenPath::answers_data()
{
    QTest::addColumn<QString>("typed"); // into the file name field, then accepted
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("answer"); // relative to the folder; empty for none

    QTest::newRow("a file typed") << "履歴.csv" << false << "履歴.csv";
    QTest::newRow("cancelled") << "履歴.csv" << true << "";
}

void TestOpenPath::answers()
{
    QFETCH(QString, typed);
    QFETCH(bool, cancel);
    QFETCH(QString, answer);

    QWidget owner;
    CFileDialogOpenPath asker;
    const QString got = RunDialog(
            [&] {
                return asker.Ask(&owner, QStringLiteral("CSVから読み込む"), m_dir.path(),
                                 QStringLiteral("CSVファイル (*.csv)"));
            },
            [&](QFileDialog *dialog) {
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(typed);
                if (cancel)
                    dialog->reject();
                else
                    QTest::keyClick(name, Qt::Key_Return);
            });
    QCOMPARE(got, answer.isEmpty() ? QString() : QDir(m_dir.path()).filePath(answer));
}

void TestOpenPath::dialogAsAsked()
{
    QWidget owner;
    QString caption;
    QString folder;
    QStringList filters;
    bool qtOwn = false;
    bool opens = false;
    bool existingOnly = false;
    QWidget *parent = nullptr;
    const QString got = RunDialog(
            [&] {
                return DefaultOpenPath().Ask(&owner, QStringLiteral("CSVから読み込む"),
                                             m_dir.path(),
                                             QStringLiteral("CSVファイル (*.csv);;すべて (*)"));
            },
            [&](QFileDialog *dialog) {
                caption = dialog->windowTitle();
                folder = dialog->directory().absolutePath();
                filters = dialog->nameFilters();
                qtOwn = dialog->testOption(QFileDialog::DontUseNativeDialog);
                opens = dialog->acceptMode() == QFileDialog::AcceptOpen;
                existingOnly = dialog->fileMode() == QFileDialog::ExistingFile;
                parent = dialog->parentWidget();
                dialog->reject();
            });
    QCOMPARE(got, QString());
    QCOMPARE(caption, QStringLiteral("CSVから読み込む"));
    QCOMPARE(folder, QDir(m_dir.path()).absolutePath());
    QCOMPARE(filters, QStringList({"CSVファイル (*.csv)", "すべて (*)"}));
    QVERIFY(qtOwn);
    QVERIFY(opens);
    QVERIFY(existingOnly);
    QCOMPARE(parent, &owner);
}

QTEST_MAIN(TestOpenPath)
#include "tst_openpath.moc"
