#include "dialogkit/DialogTemplate.h"
#include "dialogs/AboutDlg.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

// Controls are found by object name, which the window keeps as "id" and the number.
template<class T> T *control(const QWidget &dialog, CAboutDlg::ControlId id)
{
    T *w = dialog.findChild<T *>(QStringLiteral("id%1").arg(id));
    if (!w)
        qFatal("control %d missing", id);
    return w;
}

QLabel *labelWithText(const QWidget &dialog, const QString &text)
{
    for (QLabel *label : dialog.findChildren<QLabel *>()) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

// QTest takes the point (0, 0) for "the centre", so the corner is reached with a direct event.
void doubleClick(QWidget &widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF local(at);
    QMouseEvent press(QEvent::MouseButtonPress, local, widget.mapToGlobal(local), button, button,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, widget.mapToGlobal(local), button,
                        Qt::NoButton, Qt::NoModifier);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, local, widget.mapToGlobal(local), button, button,
                    Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
    QApplication::sendEvent(&widget, &dbl);
    QMouseEvent release2(QEvent::MouseButtonRelease, local, widget.mapToGlobal(local), button,
                         Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &release2);
}

} // namespace

class TestAboutDlg : public QObject
{
    Q_OBJECT
private slots:
    void showsNameVersionAndIcon()
    {
        CAboutDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ミュレルのバージョン情報"));
        QVERIFY(labelWithText(dialog, QStringLiteral("ミュレル")));
        QLabel *version = labelWithText(dialog, QStringLiteral("Version 1.2"));
        QVERIFY(version);
        QVERIFY(version->alignment() & Qt::AlignRight);
        QVERIFY(labelWithText(
                dialog, QStringLiteral("詳しい操作方法・活用方法は以下のサイトでご覧ください")));
        bool iconShown = false;
        for (QLabel *label : dialog.findChildren<QLabel *>())
            iconShown = iconShown || !label->pixmap().isNull();
        QVERIFY(iconShown);
        QVERIFY(control<QPushButton>(dialog, CAboutDlg::IdOk)->isDefault());
        QVERIFY(control<QLabel>(dialog, CAboutDlg::IdCredit)->text().isEmpty());
    }

    void guideUrlReadOnlyAndSelectable()
    {
        CAboutDlg dialog;
        auto *edit = control<QLineEdit>(dialog, CAboutDlg::IdGuideUrl);
        QVERIFY(edit->isReadOnly());
        QVERIFY(edit->isEnabled());
        QVERIFY(edit->focusPolicy() & Qt::TabFocus);
        const QUrl url(edit->text(), QUrl::StrictMode);
        QVERIFY2(url.isValid(), qPrintable(edit->text()));
        QCOMPARE(url.scheme(), QStringLiteral("http"));
        QCOMPARE(url.path(), QStringLiteral("/murel/guide/"));
        QVERIFY(!url.host().isEmpty());
        QCOMPARE(edit->text(), CAboutDlg::GuideUrl());

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // Typing changes nothing; selecting the whole field copies the whole address.
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("xyz"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), CAboutDlg::GuideUrl());
        edit->selectAll();
        QCOMPARE(edit->selectedText(), CAboutDlg::GuideUrl());
    }

    void cornerDoubleClickShowsCredit_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("credit");
        QTest::newRow("origin") << QPoint(0, 0) << int(Qt::LeftButton) << true;
        QTest::newRow("3,3") << QPoint(3, 3) << int(Qt::LeftButton) << true;
        QTest::newRow("3,0") << QPoint(3, 0) << int(Qt::LeftButton) << true;
        QTest::newRow("0,3") << QPoint(0, 3) << int(Qt::LeftButton) << true;
        QTest::newRow("4,0") << QPoint(4, 0) << int(Qt::LeftButton) << false;
        QTest::newRow("0,4") << QPoint(0, 4) << int(Qt::LeftButton) << false;
        QTest::newRow("4,4") << QPoint(4, 4) << int(Qt::LeftButton) << false;
        QTest::newRow("bottom right") << QPoint(300, 200) << int(Qt::LeftButton) << false;
        QTest::newRow("right button at origin") << QPoint(0, 0) << int(Qt::RightButton) << false;
    }
    void cornerDoubleClickShowsCredit()
    {
        QFETCH(QPoint, at);
        QFETCH(int, button);
        QFETCH(bool, credit);
        CAboutDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.childAt(at) == nullptr || !credit);
        doubleClick(dialog, at, Qt::MouseButton(button));
        QCOMPARE(!control<QLabel>(dialog, CAboutDlg::IdCredit)->text().isEmpty(), credit);
    }

    void creditStaysAfterOtherClicks()
    {
        CAboutDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        doubleClick(dialog, QPoint(1, 2));
        const QString credit = control<QLabel>(dialog, CAboutDlg::IdCredit)->text();
        QVERIFY(!credit.isEmpty());
        doubleClick(dialog, QPoint(200, 150));
        doubleClick(dialog, QPoint(0, 0), Qt::RightButton);
        QCOMPARE(control<QLabel>(dialog, CAboutDlg::IdCredit)->text(), credit);
    }

    void controlsAtTheirRectangles_data()
    {
        QTest::addColumn<CAboutDlg::ControlId>("id");
        QTest::addColumn<QRect>("units");
        QTest::newRow("OK") << CAboutDlg::IdOk << QRect(178, 7, 50, 14);
        QTest::newRow("guide address") << CAboutDlg::IdGuideUrl << QRect(32, 64, 188, 12);
        QTest::newRow("credit") << CAboutDlg::IdCredit << QRect(116, 112, 100, 8);
    }
    void controlsAtTheirRectangles()
    {
        QFETCH(CAboutDlg::ControlId, id);
        QFETCH(QRect, units);
        CAboutDlg dialog;
        const dlg::BaseUnits base = dlg::BaseUnitsOf(dlg::DialogFont());
        QCOMPARE(control<QWidget>(dialog, id)->geometry(),
                 dlg::ToPixels(base, units.x(), units.y(), units.width(), units.height()));
        QCOMPARE(dialog.size(), dlg::ToPixels(base, 235, 131));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    }

    void endsWithOkEnterOrEscape_data()
    {
        QTest::addColumn<int>("key"); // 0: click OK, -1: a screen reader's Press on OK
        QTest::addColumn<int>("result");
        QTest::newRow("OK button") << 0 << int(QDialog::Accepted);
        QTest::newRow("Press on OK") << -1 << int(QDialog::Accepted);
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void endsWithOkEnterOrEscape()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        CAboutDlg dialog;
        bool acted = false;
        QTimer::singleShot(0, &dialog, [&] {
            acted = true;
            if (key == 0)
                QTest::mouseClick(control<QPushButton>(dialog, CAboutDlg::IdOk), Qt::LeftButton);
            else if (key == -1)
                QAccessible::queryAccessibleInterface(control<QPushButton>(dialog, CAboutDlg::IdOk))
                        ->actionInterface()
                        ->doAction(QAccessibleActionInterface::pressAction());
            else
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                            : static_cast<QWidget *>(&dialog),
                                Qt::Key(key));
        });
        QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); }); // never hang the run
        QCOMPARE(dialog.exec(), result);
        QVERIFY(acted);
    }
};

QTEST_MAIN(TestAboutDlg)
#include "tst_aboutdlg.moc"
