#include "dialogkit/DialogTemplate.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QValidator>

namespace {

using dlg::Kind;
using dlg::NoId;

const dlg::BaseUnits kUnits{6, 13};

struct Built
{
    std::unique_ptr<QWidget> client = std::make_unique<QWidget>();
    dlg::Controls controls;

    explicit Built(std::span<const dlg::Item> items,
                   const std::function<QWidget *(const dlg::Item &, QWidget *)> &factory = {})
        : controls(dlg::Build(client.get(), items, kUnits, factory))
    { }
};

} // namespace

class TestDialogTemplate : public QObject
{
    Q_OBJECT
private slots:
    // What each kind of control becomes, with the flags that every kind takes.
    void kinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<QString>("className");
        QTest::addColumn<int>("focus");
        QTest::addColumn<bool>("clicksThrough");

        const int none = Qt::NoFocus;
        const int tab = Qt::StrongFocus;
        const int click = Qt::ClickFocus;
        QTest::newRow("group box") << int(Kind::GroupBox) << 0u << "QGroupBox" << none << false;
        QTest::newRow("text") << int(Kind::Text) << 0u << "QLabel" << none << true;
        QTest::newRow("edit, tab stop")
                << int(Kind::Edit) << unsigned(dlg::TabStop) << "QLineEdit" << tab << false;
        QTest::newRow("edit, no tab stop")
                << int(Kind::Edit) << 0u << "QLineEdit" << click << false;
        QTest::newRow("check box")
                << int(Kind::CheckBox) << unsigned(dlg::TabStop) << "QCheckBox" << tab << false;
        // Radios are reached by the arrows within their group, so each takes the focus.
        QTest::newRow("radio") << int(Kind::Radio) << 0u << "QRadioButton" << tab << false;
        QTest::newRow("push radio") << int(Kind::PushRadio) << 0u << "QPushButton" << tab << false;
        QTest::newRow("push button")
                << int(Kind::PushButton) << unsigned(dlg::TabStop) << "QPushButton" << tab << false;
        QTest::newRow("sunken frame") << int(Kind::SunkenFrame) << 0u << "QFrame" << none << false;
        QTest::newRow("etched frame") << int(Kind::EtchedFrame) << 0u << "QFrame" << none << false;
        QTest::newRow("progress") << int(Kind::Progress) << 0u << "QProgressBar" << none << false;
        QTest::newRow("icon") << int(Kind::Icon) << 0u << "QLabel" << none << false;
        QTest::newRow("custom without factory")
                << int(Kind::Custom) << 0u << "QWidget" << none << false;
    }
    void kinds()
    {
        QFETCH(int, kind);
        QFETCH(unsigned, flags);
        QFETCH(QString, className);
        QFETCH(int, focus);
        QFETCH(bool, clicksThrough);
        for (const unsigned extra : {0u, unsigned(dlg::Hidden), unsigned(dlg::Disabled)}) {
            const dlg::Item items[] = {{7, Kind(kind), u"x", 10, 20, 40, 16, flags | extra}};
            Built b(items);
            QWidget *w = b.controls.widget(7);
            QVERIFY(w);
            QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
            QCOMPARE(w->parentWidget(), b.client.get());
            QCOMPARE(w->objectName(), QStringLiteral("id7"));
            QCOMPARE(w->pos(), dlg::ToPixels(kUnits, 10, 20, 40, 16).topLeft());
            QCOMPARE(w->isHidden(), extra == dlg::Hidden);
            QCOMPARE(w->isEnabled(), extra != dlg::Disabled);
            QCOMPARE(w->testAttribute(Qt::WA_TransparentForMouseEvents), clicksThrough);
            // A hidden control is left out of the tab order and keeps its own focus policy.
            if (extra != dlg::Hidden)
                QCOMPARE(int(w->focusPolicy()), focus);
        }
    }

    void controlDetails()
    {
        const dlg::Item items[] = {
                {1, Kind::Edit, u"", 0, 0, 40, 12, dlg::Digits | dlg::AlignRight | dlg::ReadOnly},
                {2, Kind::Text, u"a", 0, 20, 40, 8, dlg::Sunken | dlg::VCenter},
                {3, Kind::Text, u"b", 0, 30, 40, 8, dlg::WordWrap | dlg::AlignCenter},
                {4, Kind::SunkenFrame, nullptr, 0, 40, 40, 8},
                {5, Kind::EtchedFrame, nullptr, 0, 50, 40, 8},
                {6, Kind::Icon, nullptr, 0, 60, 20, 20},
                {7, Kind::DefPushButton, u"OK", 0, 90, 40, 14},
                {8, Kind::PushButton, u"No", 50, 90, 40, 14},
                {9, Kind::Progress, nullptr, 0, 110, 40, 8},
        };
        Built b(items);
        const dlg::Controls &c = b.controls;
        auto *edit = c.get<QLineEdit>(1);
        QVERIFY(edit->isReadOnly());
        QCOMPARE(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        int pos = 0;
        QString typed = QStringLiteral("12a");
        QCOMPARE(edit->validator()->validate(typed, pos), QValidator::Invalid);
        typed = QStringLiteral("0123");
        QCOMPARE(edit->validator()->validate(typed, pos), QValidator::Acceptable);

        QCOMPARE(c.get<QLabel>(2)->frameStyle(), int(QFrame::Panel | QFrame::Sunken));
        QCOMPARE(c.get<QLabel>(2)->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
        QVERIFY(!c.get<QLabel>(2)->wordWrap());
        QVERIFY(c.get<QLabel>(3)->wordWrap());
        QCOMPARE(c.get<QLabel>(3)->alignment(), Qt::AlignHCenter | Qt::AlignTop);
        QCOMPARE(c.get<QFrame>(4)->frameStyle(), int(QFrame::Panel | QFrame::Sunken));
        QCOMPARE(c.get<QFrame>(5)->frameStyle(), int(QFrame::Box | QFrame::Sunken));
        // The program icon, scaled into the rectangle.
        const QSize iconBox = dlg::ToPixels(kUnits, 20, 20);
        const QPixmap icon = c.get<QLabel>(6)->pixmap();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.size().boundedTo(iconBox), icon.size());
        QVERIFY(icon.width() == iconBox.width() || icon.height() == iconBox.height());
        QVERIFY(c.get<QPushButton>(7)->isDefault());
        QVERIFY(!c.get<QPushButton>(8)->isDefault());
        QCOMPARE(c.get<QProgressBar>(9)->value(), 0);
        QVERIFY(!c.get<QProgressBar>(9)->isTextVisible());
        QCOMPARE(c.count(), 9);
        QCOMPARE(c.at(4), c.widget(5));
    }

    // Texts wider than their rectangle grow to the right; framed and wrapping texts and buttons
    // keep it.
    void growth_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<bool>("grows");
        QTest::newRow("text") << int(Kind::Text) << 0u << true;
        QTest::newRow("sunken text") << int(Kind::Text) << unsigned(dlg::Sunken) << false;
        QTest::newRow("wrapping text") << int(Kind::Text) << unsigned(dlg::WordWrap) << false;
        QTest::newRow("check box") << int(Kind::CheckBox) << 0u << true;
        QTest::newRow("radio") << int(Kind::Radio) << 0u << true;
        QTest::newRow("push button") << int(Kind::PushButton) << 0u << false;
        QTest::newRow("push radio") << int(Kind::PushRadio) << 0u << false;
    }
    void growth()
    {
        QFETCH(int, kind);
        QFETCH(unsigned, flags);
        QFETCH(bool, grows);
        const dlg::Item items[]
                = {{1, Kind(kind), u"a text far wider than four units", 3, 0, 4, 10, flags}};
        Built b(items);
        QWidget *w = b.controls.widget(1);
        const QRect r = dlg::ToPixels(kUnits, 3, 0, 4, 10);
        QCOMPARE(w->pos(), r.topLeft());
        QCOMPARE(w->height(), r.height());
        QCOMPARE(w->width() > r.width(), grows);
    }

    void idsAndOrder()
    {
        const dlg::Item items[] = {
                {NoId, Kind::Text, u"plain", 0, 0, 40, 8},
                {0, Kind::PushButton, u"zero", 0, 10, 40, 14},
                {NoId, Kind::GroupBox, u"box", 0, 30, 40, 40},
        };
        Built b(items);
        QCOMPARE(b.controls.count(), 3);
        QVERIFY(b.controls.at(0)->objectName().isEmpty());
        QCOMPARE(b.controls.widget(0), b.controls.at(1));
        QCOMPARE(b.controls.at(1)->objectName(), QStringLiteral("id0"));
        QVERIFY(!b.controls.widget(NoId));
        // Group boxes lie below the controls drawn inside them.
        QCOMPARE(b.client->children().first(), b.controls.at(2));
    }

    // Radios between two Group items are exclusive with each other and with no other radio.
    void radioGroups()
    {
        const dlg::Item items[] = {
                {1, Kind::Radio, u"a", 0, 0, 30, 10, dlg::Group},
                {2, Kind::Radio, u"b", 0, 10, 30, 10},
                {3, Kind::Radio, u"c", 0, 20, 30, 10, dlg::Group},
                {4, Kind::Radio, u"d", 0, 30, 30, 10},
                {5, Kind::PushRadio, u"e", 40, 0, 30, 14},
                {6, Kind::PushRadio, u"f", 40, 20, 30, 14},
        };
        Built b(items);
        const dlg::Controls &c = b.controls;
        QVERIFY(c.groupOf(1));
        QCOMPARE(c.groupOf(1), c.groupOf(2));
        QVERIFY(c.groupOf(3) != c.groupOf(1));
        QCOMPARE(c.groupOf(3), c.groupOf(4));
        QVERIFY(!c.groupOf(5));
        c.get<QAbstractButton>(1)->click();
        c.get<QAbstractButton>(3)->click();
        c.get<QAbstractButton>(2)->click();
        QVERIFY(!c.get<QAbstractButton>(1)->isChecked());
        QVERIFY(c.get<QAbstractButton>(3)->isChecked());

        auto *e = c.get<QPushButton>(5);
        auto *f = c.get<QPushButton>(6);
        QVERIFY(e->isCheckable() && e->autoExclusive() && !e->autoDefault());
        e->click();
        f->click();
        QVERIFY(!e->isChecked());
        QVERIFY(f->isChecked());
        f->click(); // the checked one stays checked
        QVERIFY(f->isChecked());
    }

    // Tab order is template order over the controls that take the focus; a mnemonic of a text or
    // group box leads to the next of them, and one at the end wraps round to the first.
    void focusAndMnemonics()
    {
        const dlg::Item items[] = {
                {NoId, Kind::Text, u"&Name", 0, 0, 30, 8},
                {1, Kind::Edit, u"", 40, 0, 30, 12, dlg::TabStop},
                {NoId, Kind::GroupBox, u"&Kind", 0, 20, 80, 40, dlg::Group},
                {2, Kind::PushButton, u"hidden", 0, 30, 30, 14, dlg::Hidden | dlg::TabStop},
                {3, Kind::Radio, u"r", 4, 30, 30, 10},
                {4, Kind::PushButton, u"OK", 0, 70, 30, 14, dlg::TabStop},
                {NoId, Kind::Text, u"&Last", 0, 90, 30, 8},
        };
        Built b(items);
        const dlg::Controls &c = b.controls;
        QCOMPARE(qobject_cast<QLabel *>(c.at(0))->buddy(), c.widget(1));
        QCOMPARE(qobject_cast<QLabel *>(c.at(6))->buddy(), c.widget(1));
        QCOMPARE(c.widget(1)->nextInFocusChain(), c.widget(3));
        QCOMPARE(c.widget(3)->nextInFocusChain(), c.widget(4));

        b.client->show();
        QVERIFY(QTest::qWaitForWindowActive(b.client.get()));
        c.widget(4)->setFocus();
        QTest::keyClick(b.client.get(), Qt::Key_K, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), c.widget(3));
    }

    void customFactory()
    {
        QList<int> asked;
        const dlg::Item items[] = {{11, Kind::Custom, nullptr, 0, 0, 40, 40, dlg::TabStop},
                                   {12, Kind::Custom, nullptr, 0, 50, 40, 40}};
        Built b(items, [&](const dlg::Item &item, QWidget *client) -> QWidget * {
            asked.append(item.id);
            return item.id == 11 ? new QCheckBox(client) : nullptr;
        });
        QCOMPARE(asked, QList<int>({11, 12}));
        QVERIFY(b.controls.get<QCheckBox>(11));
        QCOMPARE(QString::fromLatin1(b.controls.widget(12)->metaObject()->className()),
                 QStringLiteral("QWidget"));
        QCOMPARE(b.controls.widget(12)->parentWidget(), b.client.get());
    }
};

QTEST_MAIN(TestDialogTemplate)
#include "tst_dialogtemplate.moc"
