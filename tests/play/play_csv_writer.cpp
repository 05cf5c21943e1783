// Writes what the CSV round trip compares, into the folder given: sessions.csv, the export of a
// store of generated sessions whose texts hold commas, quotes, line breaks, tabs and characters
// outside the basic plane, and sessions.json, the same sessions as the store keeps them.
#include "PlayFixture.h"
#include "play/PlayCsv.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cstdio>

namespace {

QString Text(QRandomGenerator &rng, int pieces)
{
    static const QStringList kPieces
            = {QStringLiteral("店"),    QStringLiteral(","),    QStringLiteral("\""),
               QStringLiteral("\n"),    QStringLiteral("\r\n"), QStringLiteral("\t"),
               QStringLiteral("😀"),     QStringLiteral(" "),    QStringLiteral("=1+1"),
               QStringLiteral("ﾊﾟﾁﾝｺ"), QStringLiteral("'"),    QStringLiteral("a")};
    QString text;
    for (int n = 0; n < pieces; ++n)
        text += kPieces[int(rng.bounded(kPieces.size()))];
    return text;
}

QString Name(QRandomGenerator &rng)
{
    // Names take no line breaks or tabs.
    return Text(rng, 1 + int(rng.bounded(6)))
            .remove(QRegularExpression(QStringLiteral("[\r\n\t]")));
}

int Fail(const QString &message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2)
        return Fail(QStringLiteral("usage: play_csv_writer <folder>"));
    const QDir dir(app.arguments().at(1));
    CPlayStore store(dir.filePath(QStringLiteral("Murel1.db")));
    QRandomGenerator rng(512);
    QList<PlaySession> sessions;
    for (int n = 0; n < 400; ++n) {
        PlaySession s
                = PlayTest::Make(20000000 + int(rng.bounded(25)) * 10000
                                         + int(rng.bounded(1, 13)) * 100 + int(rng.bounded(1, 29)),
                                 QStringLiteral("店") + Name(rng), int(rng.bounded(10000)),
                                 int(rng.bounded(10000)), n % 5 ? Name(rng) : QString());
        if (n % 3) {
            s.startMinute = int(rng.bounded(PlaySession::kMinutesPerDay));
            s.endMinute = int(rng.bounded(PlaySession::kMinutesPerDay));
        }
        s.memo = Text(rng, int(rng.bounded(12)));
        sessions.append(s);
    }
    if (!store.AddAll(sessions))
        return Fail(store.LastError());
    const QString problem = PlayCsv::Export(store, dir.filePath(QStringLiteral("sessions.csv")));
    if (!problem.isEmpty())
        return Fail(problem);
    QJsonArray all;
    for (const PlaySession &s : PlayTest::AllSessions(store))
        all.append(QJsonObject{{"day", s.day},
                               {"store", s.store},
                               {"machine", s.machine},
                               {"start", s.startMinute},
                               {"end", s.endMinute},
                               {"invested", s.invested},
                               {"collected", s.collected},
                               {"memo", s.memo}});
    if (!PlayTest::WriteBytes(dir.filePath(QStringLiteral("sessions.json")),
                              QJsonDocument(all).toJson()))
        return Fail(QStringLiteral("cannot write sessions.json"));
    return 0;
}
