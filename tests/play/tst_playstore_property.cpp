// Random changes against a model: after every change the day sums, the sessions and the pending
// marks are what the model says, also across a reopening of the database.
#include "PlayFixture.h"

#include <QTemporaryDir>

using namespace PlayTest;

class TestPlayStoreProperty : public QObject
{
    Q_OBJECT

private slots:
    void randomChangesKeepSumsAndMarks_data();
    void randomChangesKeepSumsAndMarks();
};

void TestPlayStoreProperty::randomChangesKeepSumsAndMarks_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u})
        QTest::addRow("seed %u", seed) << seed;
}

void TestPlayStoreProperty::randomChangesKeepSumsAndMarks()
{
    QFETCH(quint32, seed);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Murel1.db"));
    QRandomGenerator rng(seed);
    Model model;
    auto store = std::make_unique<CPlayStore>(path);
    for (int step = 0; step < 250; ++step) {
        const Change change = RandomChange(rng, model);
        QVERIFY2(Run(*store, change), qPrintable(store->LastError()));
        Apply(model, change);
        const int32_t day = change.session.day;
        if (rng.bounded(4) == 0) {
            // The data file took the day's sums: its mark goes, and only its mark.
            const int32_t cleared = 20240101 + int(rng.bounded(10));
            QVERIFY(store->ClearPending(cleared));
            model.pending.erase(cleared);
        }
        if (rng.bounded(50) == 0)
            store = std::make_unique<CPlayStore>(path);

        PlayDaySums sums;
        QVERIFY(store->DaySums(day, &sums));
        const QList<PlayDaySums> all = model.Sums();
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](const PlayDaySums &d) { return d.day == day; });
        QCOMPARE(sums, it == all.end() ? PlayDaySums({day, 0, 0, 0}) : *it);
        QList<PlayDaySums> stored;
        QVERIFY(store->AllDaySums(&stored));
        QCOMPARE(stored, all);
        QList<int32_t> pending;
        QVERIFY(store->PendingDays(&pending));
        QCOMPARE(pending, QList<int32_t>(model.pending.begin(), model.pending.end()));
        QList<PlaySession> sessions;
        QVERIFY(store->SessionsOfDay(day, &sessions));
        QList<PlaySession> expected;
        for (const PlaySession &s : model.InOrder())
            if (s.day == day)
                expected.append(s);
        QCOMPARE(sessions, expected);
    }
    QCOMPARE(AllSessions(*store), model.InOrder());
    QVERIFY(model.sessions.size() > 20); // the changes did pile up
}

QTEST_GUILESS_MAIN(TestPlayStoreProperty)
#include "tst_playstore_property.moc"
