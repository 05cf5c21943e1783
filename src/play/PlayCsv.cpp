#include "play/PlayCsv.h"

#include "data/DurableFile.h"
#include "data/FileProblem.h"
#include "play/PlayStore.h"

namespace PlayCsv {

namespace {

constexpr qsizetype kChunk = 64 * 1024;

void AppendNumber(QByteArray &out, long long value, int width)
{
    const QByteArray digits = QByteArray::number(value);
    for (qsizetype n = digits.size(); n < width; ++n)
        out += '0';
    out += digits;
}

void AppendTime(QByteArray &out, int minutes)
{
    if (minutes == PlaySession::kNoTime)
        return;
    AppendNumber(out, minutes / 60, 2);
    out += ':';
    AppendNumber(out, minutes % 60, 2);
}

} // namespace

QByteArray Head()
{
    return QByteArray("\xEF\xBB\xBF")
            + QStringLiteral("日付,店舗,機種,開始,終了,投資額(円),回収額(円),収支(円),メモ\r\n")
                      .toUtf8();
}

QByteArray Quote(const QByteArray &field)
{
    if (!field.contains(',') && !field.contains('"') && !field.contains('\r')
        && !field.contains('\n'))
        return field;
    QByteArray quoted = field;
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
}

void AppendRow(QByteArray &out, const PlaySession &s)
{
    AppendNumber(out, s.day / 10000, 4);
    out += '/';
    AppendNumber(out, s.day / 100 % 100, 2);
    out += '/';
    AppendNumber(out, s.day % 100, 2);
    out += ',';
    out += Quote(s.store.toUtf8());
    out += ',';
    out += Quote(s.machine.toUtf8());
    out += ',';
    AppendTime(out, s.startMinute);
    out += ',';
    AppendTime(out, s.endMinute);
    out += ',';
    AppendNumber(out, qint64(s.invested) * 100, 0);
    out += ',';
    AppendNumber(out, qint64(s.collected) * 100, 0);
    out += ',';
    AppendNumber(out, qint64(s.Balance()) * 100, 0);
    out += ',';
    out += Quote(s.memo.toUtf8());
    out += "\r\n";
}

bool Write(CPlayStore &store, const std::function<bool(const QByteArray &)> &write)
{
    QByteArray buffer = Head();
    bool written = true;
    const bool read = store.ForEachSession([&](const PlaySession &session) {
        AppendRow(buffer, session);
        if (buffer.size() >= kChunk) {
            written = write(buffer);
            buffer.clear();
        }
        return written;
    });
    return read && written && write(buffer);
}

QString Export(CPlayStore &store, const QString &path)
{
    CDurableFile file(path);
    bool fileFailed = !file.Open();
    if (!fileFailed && !Write(store, [&](const QByteArray &bytes) {
            fileFailed = !file.Write(bytes);
            return !fileFailed;
        })) {
        if (!fileFailed)
            return store.LastError(); // the sessions could not be read
    }
    if (!fileFailed && file.Commit())
        return QString();
    return FileProblem::Message(QStringLiteral("CSVファイルの保存に失敗しました。"), path,
                                FileProblem::Reason(file.ErrorCode(), file.ErrorText()));
}

} // namespace PlayCsv
