#include "import/RowReader.h"

#include <limits>

namespace {

using csvfields::Fault;

const QString kDate = QStringLiteral("日付");
const QString kMethod = QStringLiteral("入力方法");
const QString kCollected = QStringLiteral("回収額");
const QString kInvested = QStringLiteral("投資額");
const QString kBalance = QStringLiteral("収支");
const QString kStore = QStringLiteral("店舗");
const QString kMachine = QStringLiteral("機種");
const QString kMemo = QStringLiteral("メモ");
const QString kStart = QStringLiteral("開始");
const QString kEnd = QStringLiteral("終了");

// The method texts of the diary's own day rows.
const QString kByAmounts = QStringLiteral("回収・投資");
const QString kByBalance = QStringLiteral("収支のみ");

// The data file holds amounts as 32-bit yen: hundreds beyond these would not read back.
constexpr int64_t kFileMax = std::numeric_limits<int32_t>::max() / 100;
constexpr int64_t kFileMin = -kFileMax;

// A cell's text as a reason quotes it: short, on one line.
QString Quoted(const QString &text)
{
    QString shown = text.left(20);
    shown.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (text.size() > 20)
        shown += QChar(u'…');
    return QStringLiteral("「%1」").arg(shown);
}

QString Grouped(int64_t value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

// The yen range whose hundreds, rounded toward zero, lie within min..max.
QString YenRange(int64_t min, int64_t max)
{
    return QStringLiteral("%1～%2円")
            .arg(Grouped(min < 0 ? min * 100 - 99 : min * 100), Grouped(max * 100 + 99));
}

QString MemoLines(QString memo)
{
    memo.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    memo.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return memo;
}

} // namespace

CRowReader::CRowReader(CsvKind kind, const ColumnMap &map, CsvEncoding encoding)
    : m_kind(kind)
    , m_map(map)
    , m_text(encoding)
{ }

QString CRowReader::Text(const std::vector<QByteArrayView> &fields, int column, const QString &role,
                         QString &text)
{
    if (column >= int(fields.size()))
        return QStringLiteral("列が足りません（%1は %2 列目）").arg(role).arg(column + 1);
    if (!m_text.Decode(fields[size_t(column)], text))
        return QStringLiteral("%1の文字が読めません（文字コードが違うのかもしれません）").arg(role);
    return QString();
}

QString CRowReader::ReadAmount(const std::vector<QByteArrayView> &fields, int column,
                               const QString &role, int64_t min, int64_t max, Amount &amount)
{
    amount = Amount();
    if (column < 0)
        return QString();
    QString text;
    if (QString reason = Text(fields, column, role, text); !reason.isEmpty())
        return reason;
    const csvfields::AmountCell cell = csvfields::ReadAmount(text, m_map.hundred);
    if (cell.fault == Fault::Empty)
        return QString();
    if (cell.fault == Fault::Unreadable)
        return QStringLiteral("%1が金額として読めません: %2").arg(role, Quoted(text));
    const int64_t hundreds = csvfields::Hundreds(cell.yen);
    if (cell.fault == Fault::OutOfRange || hundreds < min || hundreds > max) {
        return QStringLiteral("%1が範囲外です（%2）: %3")
                .arg(role, YenRange(min, max), Quoted(text));
    }
    amount.present = true;
    amount.yen = cell.yen;
    amount.hundreds = int32_t(hundreds);
    amount.rounded = cell.yen % 100 != 0 || cell.cutFraction;
    return QString();
}

QString CRowReader::ReadName(const std::vector<QByteArrayView> &fields, int column,
                             const QString &role, QString &name)
{
    name.clear();
    if (column < 0)
        return QString();
    if (QString reason = Text(fields, column, role, name); !reason.isEmpty())
        return reason;
    if (csvfields::HasControl(name, false))
        return QStringLiteral("%1に制御文字があります").arg(role);
    const QString trimmed = csvfields::TrimSpaces(name);
    if (!name.isEmpty() && trimmed.isEmpty())
        return QStringLiteral("%1が空白だけです").arg(role);
    // Spreadsheets pad cells; the diary's own files are kept exactly.
    if (m_kind == CsvKind::Other)
        name = trimmed;
    if (csvfields::CharacterCount(name) > kNameMax)
        return QStringLiteral("%1が長すぎます（%2文字まで）").arg(role).arg(kNameMax);
    return QString();
}

QString CRowReader::ReadTime(const std::vector<QByteArrayView> &fields, int column,
                             const QString &role, int &minutes)
{
    QString text;
    if (QString reason = Text(fields, column, role, text); !reason.isEmpty())
        return reason;
    const csvfields::TimeCell cell = csvfields::ReadTime(text);
    if (cell.fault == Fault::Unreadable || cell.fault == Fault::OutOfRange)
        return QStringLiteral("%1が時刻（0:00～23:59）として読めません: %2")
                .arg(role, Quoted(text));
    minutes = cell.minutes;
    return QString();
}

QString CRowReader::Parse(const std::vector<QByteArrayView> &fields, bool unclosed, Row &row)
{
    if (unclosed)
        return QStringLiteral("引用符が閉じないままファイルが終わっています");
    QString text;
    if (QString reason = Text(fields, m_map.date, kDate, text); !reason.isEmpty())
        return reason;
    const csvfields::DateCell date = csvfields::ReadDate(text);
    switch (date.fault) {
    case Fault::None:
        break;
    case Fault::Empty:
        return QStringLiteral("日付がありません");
    case Fault::Unreadable:
        return QStringLiteral("日付として読めません: %1").arg(Quoted(text));
    case Fault::NoSuchDay:
        return QStringLiteral("暦にない日付です: %1").arg(Quoted(text));
    case Fault::OutOfRange:
        return QStringLiteral("日付が範囲外です（%1/01/01～%2/12/31）: %3")
                .arg(csvfields::kFirstYear)
                .arg(csvfields::kLastYear)
                .arg(Quoted(text));
    }
    row.date = date.date;
    row.format = date.format;
    row.session = m_kind == CsvKind::MurelSessions
            || (m_kind == CsvKind::Other && m_map.MakesSessions());
    return row.session ? ReadSession(fields, row) : ReadDay(fields, row);
}

QString CRowReader::ReadSession(const std::vector<QByteArrayView> &fields, Row &row)
{
    QString reason = ReadName(fields, m_map.store, kStore, row.store);
    if (reason.isEmpty())
        reason = ReadName(fields, m_map.machine, kMachine, row.machine);
    if (!reason.isEmpty())
        return reason;
    if (m_kind == CsvKind::MurelSessions) {
        reason = ReadTime(fields, 3, kStart, row.start);
        if (reason.isEmpty())
            reason = ReadTime(fields, 4, kEnd, row.end);
        if (!reason.isEmpty())
            return reason;
    }
    Amount invested;
    Amount collected;
    Amount balance;
    reason = ReadAmount(fields, m_map.invested, kInvested, 0, kEntryMax, invested);
    if (reason.isEmpty())
        reason = ReadAmount(fields, m_map.collected, kCollected, 0, kEntryMax, collected);
    if (reason.isEmpty())
        reason = ReadAmount(fields, m_map.balance, kBalance, kFileMin, kFileMax, balance);
    if (!reason.isEmpty())
        return reason;
    if (!invested.present && !collected.present)
        return QStringLiteral("投資額と回収額がありません");
    if (balance.present && balance.yen != collected.yen - invested.yen)
        return QStringLiteral("収支が回収額と投資額に合いません");
    if (m_map.memo >= 0) {
        if (reason = Text(fields, m_map.memo, kMemo, row.memo); !reason.isEmpty())
            return reason;
        row.memo = MemoLines(row.memo);
        if (csvfields::HasControl(row.memo, true))
            return QStringLiteral("メモに制御文字があります");
        if (csvfields::CharacterCount(row.memo) > kMemoMax)
            return QStringLiteral("メモが長すぎます（2,000文字まで）");
    }
    row.method = int32_t(EntryMethod::Amounts);
    row.invested = invested.hundreds;
    row.collected = collected.hundreds;
    row.balance = collected.hundreds - invested.hundreds;
    row.rounded = invested.rounded || collected.rounded;
    return QString();
}

QString CRowReader::ReadDay(const std::vector<QByteArrayView> &fields, Row &row)
{
    QString reason;
    if (m_kind == CsvKind::MurelDays) {
        // The diary's own rows: the method as written, every amount as the data file holds it.
        QString method;
        if (reason = Text(fields, 2, kMethod, method); !reason.isEmpty())
            return reason;
        method = csvfields::TrimSpaces(method);
        if (method != kByAmounts && method != kByBalance)
            return QStringLiteral("入力方法が読めません: %1").arg(Quoted(method));
        Amount collected;
        Amount invested;
        Amount balance;
        reason = ReadAmount(fields, m_map.collected, kCollected, kFileMin, kFileMax, collected);
        if (reason.isEmpty())
            reason = ReadAmount(fields, m_map.invested, kInvested, kFileMin, kFileMax, invested);
        if (reason.isEmpty())
            reason = ReadAmount(fields, m_map.balance, kBalance, kFileMin, kFileMax, balance);
        if (!reason.isEmpty())
            return reason;
        if (!collected.present && !invested.present && !balance.present)
            return QStringLiteral("金額がありません");
        row.method = int32_t(method == kByAmounts ? EntryMethod::Amounts : EntryMethod::Balance);
        row.collected = collected.hundreds;
        row.invested = invested.hundreds;
        row.balance = balance.hundreds;
        row.rounded = collected.rounded || invested.rounded || balance.rounded;
        return QString();
    }

    Amount balance;
    if (m_map.ByAmounts()) {
        Amount collected;
        Amount invested;
        reason = ReadAmount(fields, m_map.collected, kCollected, 0, kEntryMax, collected);
        if (reason.isEmpty())
            reason = ReadAmount(fields, m_map.invested, kInvested, 0, kEntryMax, invested);
        if (reason.isEmpty())
            reason = ReadAmount(fields, m_map.balance, kBalance, kFileMin, kFileMax, balance);
        if (!reason.isEmpty())
            return reason;
        if (!collected.present && !invested.present)
            return QStringLiteral("回収額と投資額がありません");
        if (balance.present && balance.yen != collected.yen - invested.yen)
            return QStringLiteral("収支が回収額と投資額に合いません");
        row.method = int32_t(EntryMethod::Amounts);
        row.collected = collected.hundreds;
        row.invested = invested.hundreds;
        row.balance = collected.hundreds - invested.hundreds;
        row.rounded = collected.rounded || invested.rounded;
        return QString();
    }
    reason = ReadAmount(fields, m_map.balance, kBalance, -kEntryMax, kEntryMax, balance);
    if (!reason.isEmpty())
        return reason;
    if (!balance.present)
        return QStringLiteral("収支がありません");
    row.method = int32_t(EntryMethod::Balance);
    row.balance = balance.hundreds;
    row.rounded = balance.rounded;
    return QString();
}
