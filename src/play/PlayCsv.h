#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class CPlayStore;
struct PlaySession;

// The play sessions as CSV for spreadsheets, in the conventions of the day results' CSV: UTF-8
// with a byte order mark, CR LF line ends, RFC 4180 quoting. One row per session in date and
// entry order: 日付,店舗,機種,開始,終了,投資額(円),回収額(円),収支(円),メモ. Dates are yyyy/mm/dd,
// times hh:mm (empty when not given), amounts in yen. Line breaks inside a memo stay single LFs
// within the quotes, so that the memo reads back exactly as stored.
namespace PlayCsv {

// The byte order mark and the header line with its CR LF.
QByteArray Head();
// One session's line with its CR LF, appended.
void AppendRow(QByteArray &out, const PlaySession &session);
// A field in double quotes, inner ones doubled, when it holds a comma, a double quote, a CR or
// an LF; otherwise as it is.
QByteArray Quote(const QByteArray &field);

// Streams the head and every session to write in chunks, reading the sessions as it goes. False
// when the store failed (its LastError says why) or write returned false.
bool Write(CPlayStore &store, const std::function<bool(const QByteArray &)> &write);

// The CSV file at path, put in place only once complete and synced. Empty when done, else the
// message to show.
QString Export(CPlayStore &store, const QString &path);

} // namespace PlayCsv
