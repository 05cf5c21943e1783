#pragma once

// Random data files for properties over the reader and save rules, and a plain model of those
// rules: a field ends at a comma or at the end of the line, a missing field reads as 0; a save
// changes only the lines of the days it writes.
#include <QByteArray>
#include <QByteArrayList>
#include <QDate>
#include <QRandomGenerator>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

struct FileShape
{
    int firstYear = 2002;
    int years = 3; // distinct years, yearStep apart
    int yearStep = 1;
    int lines = 60;
    bool shuffled = false; // otherwise lines with a date are in ascending order
    int duplicatePercent = 0; // lines that repeat an earlier date with other values
    int junkPercent = 0; // lines without a usable date; in shuffled files also huge dates
    int invalidPercent = 0; // dates such as 20030231, 20031301, 20030100
    int noCommaPercent = 0; // a date without any comma
    int handPercent = 0; // written by hand: fewer fields, a memo, a sign, zeros or blanks
    bool mixedLineEnds = false; // LF and CR LF, otherwise CR LF
    bool cutLastLine = false; // the last line has no line end and may end inside a field
};

// A day as the model reads it; amounts in hundreds of yen.
struct ModelDay
{
    int method = -1;
    int collected = 0;
    int invested = 0;
    int balance = 0;
    bool operator==(const ModelDay &) const = default;
};

// A number as strtol reads it, clamped to 32 bits.
inline int ModelNumber(const QByteArray &text)
{
    const std::string s = text.toStdString();
    const long long v = std::strtoll(s.c_str(), nullptr, 10);
    return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// The lines of a file: LF ends a line, a CR before it belongs to the line end.
inline QByteArrayList ModelLines(const QByteArray &file)
{
    QByteArrayList lines = file.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// The date of a line: the number of its first field, up to the first comma or the line's end.
inline int ModelDate(const QByteArray &line)
{
    const qsizetype comma = line.indexOf(',');
    return ModelNumber(comma < 0 ? line : line.left(comma));
}

// The record of a line: each field up to its comma or the line's end, 0 when missing.
inline ModelDay ModelRecord(const QByteArray &line)
{
    const QByteArrayList parts = line.split(',');
    auto field = [&](int k) { return k < parts.size() ? ModelNumber(parts[k]) : 0; };
    return ModelDay{field(1), field(3) / 100, field(4) / 100, field(2) / 100};
}

inline bool ModelRealDate(int date)
{
    return date / 10000 >= 1 && QDate(date / 10000, date / 100 % 100, date % 100).isValid();
}

// Every real date of the file with its last line's values.
inline std::map<int, ModelDay> ModelDays(const QByteArray &file)
{
    std::map<int, ModelDay> days;
    for (const QByteArray &line : ModelLines(file)) {
        const int date = ModelDate(line);
        if (ModelRealDate(date))
            days[date] = ModelRecord(line);
    }
    return days;
}

// The line the writer makes for a day, with its line end.
inline QByteArray ModelCanonical(int date, const ModelDay &d)
{
    return QByteArray::number(date) + ',' + QByteArray::number(d.method) + ','
            + QByteArray::number(d.balance * 100LL) + ',' + QByteArray::number(d.collected * 100LL)
            + ',' + QByteArray::number(d.invested * 100LL) + ",\r\n";
}

// What a save writes that changes these days (method -1: no result): a day with lines gets its
// line in place of its last line and loses the others; a new day goes before the first line with a
// later date, or at the end; every other line is kept with CR LF as its line end. No day to
// change: nothing is written.
inline QByteArray ModelSave(const QByteArray &file, const std::map<int, ModelDay> &changes)
{
    if (changes.empty())
        return file;
    const QByteArrayList lines = ModelLines(file);
    std::map<int, qsizetype> last;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (const int date = ModelDate(lines[i]); changes.count(date))
            last[date] = i;
    std::vector<int> fresh;
    for (const auto &[date, day] : changes)
        if (!last.count(date) && day.method != -1)
            fresh.push_back(date);
    QByteArray out;
    size_t next = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int date = ModelDate(lines[i]);
        for (; next < fresh.size() && fresh[next] < date; ++next)
            out += ModelCanonical(fresh[next], changes.at(fresh[next]));
        if (const auto it = changes.find(date); it != changes.end()) {
            if (last[date] == i && it->second.method != -1)
                out += ModelCanonical(date, it->second);
            continue;
        }
        out += lines[i] + "\r\n";
    }
    for (; next < fresh.size(); ++next)
        out += ModelCanonical(fresh[next], changes.at(fresh[next]));
    return out;
}

// True when the positive dates of the lines never go down.
inline bool ModelInOrder(const QByteArray &file)
{
    int last = 0;
    for (const QByteArray &line : ModelLines(file)) {
        const int date = ModelDate(line);
        if (date <= 0)
            continue;
        if (date < last)
            return false;
        last = date;
    }
    return true;
}

inline QByteArray RandomDataFile(QRandomGenerator &rng, const FileShape &shape)
{
    auto percent = [&](int p) { return int(rng.bounded(100)) < p; };
    auto amount = [&](int hundreds) {
        // Mostly whole hundreds; now and then yen that the reader truncates.
        return hundreds * 100 + (percent(10) ? int(rng.bounded(199)) - 99 : 0);
    };
    struct Entry
    {
        int date;
        QByteArray text;
    };
    std::vector<Entry> dated;
    std::vector<QByteArray> undated;
    for (int n = 0; n < shape.lines; ++n) {
        const int year = shape.firstYear + shape.yearStep * int(rng.bounded(shape.years));
        const QDate day = QDate(year, 1, 1).addDays(rng.bounded(QDate(year, 1, 1).daysInYear()));
        int date = year * 10000 + day.month() * 100 + day.day();
        if (percent(shape.duplicatePercent) && !dated.empty())
            date = dated[rng.bounded(quint32(dated.size()))].date;
        if (percent(shape.invalidPercent)) {
            static const int kInvalid[] = {231, 230, 229, 1301, 100, 432, 9999, 1132};
            date = year * 10000 + kInvalid[rng.bounded(8)];
            if (date % 10000 == 229 && QDate::isLeapYear(year))
                date = year * 10000 + 230;
        }
        if (percent(shape.junkPercent)) {
            // Lines whose date is 0 or negative may stand anywhere in an ordered file; the
            // others carry a date that is no calendar day and come in shuffled files only.
            static const char *const kJunk[] = {"",        "xyz,1,2,3,4,", ",0,100,100,100,",
                                                "garbage", " ,1,2,",       "-20030101,0,5,5,0,"};
            static const char *const kFarJunk[]
                    = {"1234567890,0,0,0,0,", "99999999999,0,1,1,1,", "00000101,0,100,100,0,"};
            if (shape.shuffled && percent(30)) {
                const QByteArray text = kFarJunk[rng.bounded(3)];
                dated.push_back({ModelDate(text), text});
            } else {
                undated.push_back(kJunk[rng.bounded(6)]);
            }
            continue;
        }
        if (percent(shape.noCommaPercent)) {
            // A date alone is a day with method 0 and no amounts: it keeps its place.
            const QByteArray text = QByteArray::number(date);
            dated.push_back({ModelDate(text), text});
            continue;
        }
        const int roll = int(rng.bounded(100));
        const int method = roll < 60 ? 0 : roll < 92 ? 1 : roll < 96 ? -1 : int(rng.bounded(9)) - 4;
        const int collected = method == 1 ? 0 : int(rng.bounded(3000));
        const int invested = method == 1 ? 0 : int(rng.bounded(2000));
        const int balance = method == 1 ? int(rng.bounded(4000)) - 2000 : collected - invested;
        QByteArray text = QByteArray::number(date) + ',' + QByteArray::number(method) + ','
                + QByteArray::number(amount(balance)) + ',' + QByteArray::number(amount(collected))
                + ',' + QByteArray::number(amount(invested));
        if (!percent(5))
            text += ','; // without it the last field still reads: it ends at the line's end
        if (percent(shape.handPercent)) {
            // As people write lines by hand: fewer fields, a memo, a sign or zeros before the
            // date, blanks behind it.
            const QByteArray digits = QByteArray::number(date);
            switch (rng.bounded(6)) {
            case 0:
                text = text.left(text.indexOf(',', digits.size() + 3));
                break;
            case 1:
                text = text.endsWith(',') ? text + "memo, 500" : text + ",memo";
                break;
            case 2:
                text = '+' + text;
                break;
            case 3:
                text = '0' + text;
                break;
            case 4:
                text = digits + " " + text.mid(digits.size());
                break;
            default:
                text.replace(",0,", ",0,1.2e4,");
                break;
            }
        }
        dated.push_back({ModelDate(text), text});
    }
    if (shape.shuffled) {
        for (size_t i = dated.size(); i > 1; --i)
            std::swap(dated[i - 1], dated[rng.bounded(quint32(i))]);
    } else {
        std::stable_sort(dated.begin(), dated.end(),
                         [](const Entry &a, const Entry &b) { return a.date < b.date; });
    }
    QByteArrayList lines;
    for (const Entry &e : dated)
        lines << e.text;
    for (const QByteArray &junk : undated)
        lines.insert(rng.bounded(qsizetype(lines.size()) + 1), junk);

    QByteArray file;
    for (const QByteArray &line : lines)
        file += line + (shape.mixedLineEnds && percent(50) ? "\n" : "\r\n");
    if (shape.cutLastLine && !file.isEmpty()) {
        file.chop(file.endsWith("\r\n") ? 2 : 1);
        // Cut behind the date's comma: a date cut short would be another date.
        const qsizetype comma = file.indexOf(',', file.lastIndexOf('\n') + 1);
        if (comma >= 0 && file.size() > comma + 1)
            file.truncate(comma + 1 + rng.bounded(file.size() - comma - 1));
    }
    return file;
}
