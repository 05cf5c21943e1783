#include "importdlg/PreviewText.h"

#include <algorithm>

namespace previewtext {

namespace {

QString Grouped(qint64 value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString StatusText(const PreviewRow &row)
{
    if (row.superseded)
        return QStringLiteral("重複（後の行を使用）");
    switch (row.status) {
    case DayStatus::New:
        return QStringLiteral("新規");
    case DayStatus::Changed:
        return QStringLiteral("変更");
    case DayStatus::Identical:
        return QStringLiteral("同じ");
    }
    return QString();
}

} // namespace

QString Yen(int32_t hundreds)
{
    return Grouped(qint64(hundreds) * 100);
}

QString DateText(int32_t date)
{
    return QStringLiteral("%1/%2/%3")
            .arg(date / 10000, 4, 10, QLatin1Char('0'))
            .arg(date / 100 % 100, 2, 10, QLatin1Char('0'))
            .arg(date % 100, 2, 10, QLatin1Char('0'));
}

QString TimeText(int minutes)
{
    if (minutes < 0)
        return QString();
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QStringList Headings(bool sessions)
{
    QStringList headings{QStringLiteral("行"),         QStringLiteral("日付"),
                         QStringLiteral("状態"),       QStringLiteral("入力方法"),
                         QStringLiteral("回収額(円)"), QStringLiteral("投資額(円)"),
                         QStringLiteral("収支(円)")};
    if (sessions) {
        headings << QStringLiteral("店舗") << QStringLiteral("機種") << QStringLiteral("開始")
                 << QStringLiteral("終了") << QStringLiteral("メモ");
    }
    return headings;
}

QStringList Cells(const PreviewRow &row, bool sessions)
{
    const bool amounts = row.method == EntryMethod::Amounts;
    QStringList cells{QString::number(row.line),
                      DateText(row.date),
                      StatusText(row),
                      amounts ? QStringLiteral("回収・投資") : QStringLiteral("収支のみ"),
                      Yen(row.collected),
                      Yen(row.invested),
                      Yen(row.balance)};
    if (sessions) {
        QString memo = row.memo;
        memo.replace(QLatin1Char('\n'), QLatin1Char(' '));
        cells << row.store << row.machine << TimeText(row.start) << TimeText(row.end) << memo;
    }
    return cells;
}

QString Counts(const ImportCounts &counts)
{
    return QStringLiteral("新しい日: %1　変更のある日: %2　同じ日: %3　読み込めない行: %4")
            .arg(counts.newDays)
            .arg(counts.changedDays)
            .arg(counts.identicalDays)
            .arg(counts.rejected);
}

QString Notes(const ImportCounts &counts)
{
    QStringList notes;
    if (counts.rounded > 0)
        notes << QStringLiteral("百円未満を切り捨てた行: %1").arg(counts.rounded);
    if (counts.duplicates > 0) {
        notes << QStringLiteral("日付が重なる行: %1（同じ日付では後の行を使います）")
                         .arg(counts.duplicates);
    }
    if (counts.sessions > 0) {
        QString sessions = QStringLiteral("稼働記録: %1件").arg(counts.sessions);
        if (counts.sessionsPresent > 0)
            sessions += QStringLiteral("（うち登録済み %1件）").arg(counts.sessionsPresent);
        notes << sessions;
    }
    return notes.join(QStringLiteral("　"));
}

QString Detected(const CCsvImport &import)
{
    const CsvByteFacts &facts = import.Detected();
    QString encoding = EncodingName(facts.encoding);
    if (facts.bom)
        encoding += QStringLiteral("（BOM付き）");
    else if (!facts.certain)
        encoding += QStringLiteral("（読めない文字があります）");
    const QString separator = import.DetectedSeparator() == CsvSeparator::Tab
            ? QStringLiteral("タブ")
            : QStringLiteral("カンマ");
    QStringList formats;
    for (const csvfields::DateFormat format : import.DateFormats())
        formats << csvfields::FormatName(format);
    return QStringLiteral("判定: %1、%2区切り　日付の形式: %3")
            .arg(encoding, separator,
                 formats.isEmpty() ? QStringLiteral("（なし）")
                                   : formats.join(QStringLiteral("、")));
}

QString Kind(CsvKind kind)
{
    switch (kind) {
    case CsvKind::MurelDays:
        return QStringLiteral("ミュレルのCSV（日ごとの結果）として読みます。");
    case CsvKind::MurelSessions:
        return QStringLiteral("ミュレルのCSV（稼働記録）として読みます。");
    case CsvKind::Other:
        break;
    }
    return QStringLiteral("列の割り当てに従って読みます。");
}

QStringList Problems(const CCsvImport &import)
{
    struct Item
    {
        int line;
        QString text;
    };
    std::vector<Item> items;
    for (const RejectedRow &row : import.Rejected())
        items.push_back({row.line, QStringLiteral("%1 行目: %2").arg(row.line).arg(row.reason)});
    for (const DuplicateRow &row : import.Duplicates()) {
        items.push_back({row.line,
                         QStringLiteral("%1 行目: %2 は %3 行目と重なるため使いません")
                                 .arg(row.line)
                                 .arg(DateText(row.date))
                                 .arg(row.winner)});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item &a, const Item &b) { return a.line < b.line; });
    QStringList texts;
    for (const Item &item : items)
        texts << item.text;
    const ImportCounts &counts = import.Counts();
    const qsizetype left = qsizetype(counts.rejected) + counts.duplicates
            - qsizetype(import.Rejected().size()) - qsizetype(import.Duplicates().size());
    if (left > 0)
        texts << QStringLiteral("ほか %1 行").arg(left);
    return texts;
}

} // namespace previewtext
