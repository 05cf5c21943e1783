#include "play/PlaySession.h"

#include <QDate>

namespace PlayInput {

namespace {

const QString kStore = QStringLiteral("店舗");
const QString kMachine = QStringLiteral("機種");
const QString kMemo = QStringLiteral("メモ");

QString TimeRangeText(const QString &label)
{
    return QStringLiteral("%1は0:00から23:59までの時刻で入力してください。").arg(label);
}

QString AmountRangeText(const QString &label)
{
    return QStringLiteral("%1は0から%2まで（百円単位）で入力してください。")
            .arg(label)
            .arg(kMaxAmount);
}

bool IsSpace(QChar c)
{
    return c.category() == QChar::Separator_Space;
}

// The text without the spaces (of any width) at either end; tabs and line breaks are no spaces
// here, so that they are refused rather than silently dropped.
QString TrimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsSpace(text.at(begin)))
        ++begin;
    while (end > begin && IsSpace(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// Full-width digits and colon as typed through an input method, read as their ASCII forms.
QString Narrowed(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)
            c = QChar(u'0' + (c.unicode() - 0xFF10));
        else if (c.unicode() == 0xFF1A)
            c = QLatin1Char(':');
    }
    return out;
}

bool AllDigits(QStringView text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

enum class TextProblem { None, Control, BrokenSurrogate };

// Characters counted as code points, and the first kind of character that may not be stored.
struct TextScan
{
    qsizetype length = 0;
    TextProblem problem = TextProblem::None;
};

TextScan Scan(const QString &text, bool lineBreaksAndTabs)
{
    TextScan scan;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        ++scan.length;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate()) {
            if (scan.problem == TextProblem::None)
                scan.problem = TextProblem::BrokenSurrogate;
            continue;
        }
        const bool allowed = lineBreaksAndTabs && (c == u'\n' || c == u'\t');
        const bool control = c.category() == QChar::Other_Control
                || c.category() == QChar::Separator_Line
                || c.category() == QChar::Separator_Paragraph;
        if (control && !allowed && scan.problem == TextProblem::None)
            scan.problem = TextProblem::Control;
    }
    return scan;
}

QString CheckName(const QString &label, const QString &text, bool required, QString *name)
{
    const QString trimmed = TrimSpaces(text);
    if (required && trimmed.isEmpty()) {
        return text.isEmpty()
                ? QStringLiteral("%1を入力してください。").arg(label)
                : QStringLiteral("%1が空白だけです。%1を入力してください。").arg(label);
    }
    const TextScan scan = Scan(trimmed, false);
    if (scan.problem == TextProblem::Control)
        return QStringLiteral("%1に改行やタブなどの制御文字は使えません。").arg(label);
    if (scan.problem == TextProblem::BrokenSurrogate)
        return QStringLiteral("%1に壊れた文字が含まれています。").arg(label);
    if (scan.length > kMaxNameLength)
        return QStringLiteral("%1は%2文字以内で入力してください（いま%3文字です）。")
                .arg(label)
                .arg(kMaxNameLength)
                .arg(scan.length);
    *name = trimmed;
    return QString();
}

} // namespace

QString ParseTime(const QString &label, const QString &text, int *minutes)
{
    const QString time = Narrowed(TrimSpaces(text));
    if (time.isEmpty()) {
        *minutes = PlaySession::kNoTime;
        return QString();
    }
    QStringView hours;
    QStringView mins;
    const qsizetype colon = time.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        hours = QStringView(time).left(colon);
        mins = QStringView(time).mid(colon + 1);
    } else if (time.size() == 3 || time.size() == 4) {
        hours = QStringView(time).left(time.size() - 2);
        mins = QStringView(time).right(2);
    }
    if (hours.isEmpty() || hours.size() > 2 || mins.size() != 2 || !AllDigits(hours)
        || !AllDigits(mins))
        return QStringLiteral("%1は「9:30」や「0930」のように時刻を入力してください。").arg(label);
    const int h = hours.toInt();
    const int m = mins.toInt();
    if (h > 23 || m > 59)
        return TimeRangeText(label);
    *minutes = h * 60 + m;
    return QString();
}

QString ParseAmount(const QString &label, const QString &text, int32_t *amount)
{
    const QString digits = Narrowed(TrimSpaces(text));
    if (!AllDigits(digits))
        return QStringLiteral("%1は数字だけで入力してください。").arg(label);
    qsizetype first = 0;
    while (first < digits.size() && digits.at(first) == u'0')
        ++first;
    const QStringView significant = QStringView(digits).mid(first);
    if (significant.size() > 4 || significant.toInt() > kMaxAmount)
        return AmountRangeText(label);
    *amount = significant.isEmpty() ? 0 : significant.toInt();
    return QString();
}

QString CheckStore(const QString &text, QString *store)
{
    return CheckName(kStore, text, true, store);
}

QString CheckMachine(const QString &text, QString *machine)
{
    return CheckName(kMachine, text, false, machine);
}

QString CheckMemo(const QString &text, QString *memo)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    normal.replace(QChar(0x2028), QLatin1Char('\n')); // line and paragraph separators
    normal.replace(QChar(0x2029), QLatin1Char('\n'));
    const TextScan scan = Scan(normal, true);
    if (scan.problem == TextProblem::Control)
        return QStringLiteral("%1に使えない制御文字が含まれています（使えるのは改行とタブです）。")
                .arg(kMemo);
    if (scan.problem == TextProblem::BrokenSurrogate)
        return QStringLiteral("%1に壊れた文字が含まれています。").arg(kMemo);
    if (scan.length > kMaxMemoLength)
        return QStringLiteral("%1は%2文字以内で入力してください（いま%3文字です）。")
                .arg(kMemo)
                .arg(kMaxMemoLength)
                .arg(scan.length);
    *memo = normal;
    return QString();
}

QString CheckDay(int32_t day)
{
    const QDate date(day / 10000, day / 100 % 100, day % 100);
    if (day < 10000101 || day > 99991231 || !date.isValid())
        return QStringLiteral("日付が正しくありません（%1）。").arg(day);
    return QString();
}

QString Normalise(PlaySession &session)
{
    PlaySession s = session;
    QString problem = CheckDay(s.day);
    if (problem.isEmpty())
        problem = CheckStore(session.store, &s.store);
    if (problem.isEmpty())
        problem = CheckMachine(session.machine, &s.machine);
    const auto timeOk = [](int minutes) {
        return minutes == PlaySession::kNoTime
                || (minutes >= 0 && minutes < PlaySession::kMinutesPerDay);
    };
    if (problem.isEmpty() && !timeOk(s.startMinute))
        problem = TimeRangeText(QStringLiteral("開始"));
    if (problem.isEmpty() && !timeOk(s.endMinute))
        problem = TimeRangeText(QStringLiteral("終了"));
    const auto amountOk = [](int32_t amount) { return amount >= 0 && amount <= kMaxAmount; };
    if (problem.isEmpty() && !amountOk(s.invested))
        problem = AmountRangeText(QStringLiteral("投資額"));
    if (problem.isEmpty() && !amountOk(s.collected))
        problem = AmountRangeText(QStringLiteral("回収額"));
    if (problem.isEmpty())
        problem = CheckMemo(session.memo, &s.memo);
    if (problem.isEmpty())
        session = s;
    return problem;
}

QString TimeText(int minutes)
{
    if (minutes == PlaySession::kNoTime)
        return QString();
    return QStringLiteral("%1:%2")
            .arg(minutes / 60, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace PlayInput
