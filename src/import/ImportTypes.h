#pragma once

#include "data/DayRecord.h"

#include "data/ResultBook.h"
#include "data/YearReader.h"
#include "import/CsvFields.h"
#include "import/CsvText.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

enum class CsvSeparator { Comma, Tab };

// What a file is, from its header.
enum class CsvKind {
    MurelDays, // the diary's own day rows (the shown period or every year)
    MurelSessions, // the diary's own play sessions
    Other, // read through the column mapping
};

// Columns of a file by index from 0; -1 for none.
struct ColumnMap
{
    int date = -1;
    int balance = -1;
    int collected = -1;
    int invested = -1;
    int store = -1;
    int machine = -1;
    int memo = -1;
    bool hundred = false; // the amounts count in 100 yen, else in yen

    // A store, machine or memo column makes each row a play session.
    bool MakesSessions() const { return store >= 0 || machine >= 0 || memo >= 0; }
    // Collected and invested make the amounts method; a balance column is then only checked.
    bool ByAmounts() const { return collected >= 0 && invested >= 0; }
    bool operator==(const ColumnMap &) const = default;
};

struct ImportOptions
{
    CsvEncoding encoding = CsvEncoding::Utf8;
    CsvSeparator separator = CsvSeparator::Comma;
    ColumnMap map; // the user's, for CsvKind::Other; the fixed one of the diary's own files
};

// A play session as it is to be added. Amounts in units of 100 yen.
struct ImportSession
{
    int32_t date = 0; // yyyymmdd
    QString store;
    QString machine;
    int start = -1; // minutes after midnight, -1 for none
    int end = -1;
    int32_t invested = 0;
    int32_t collected = 0;
    QString memo; // line breaks as LF
    int line = 0; // where it stands in the file; not compared

    bool SameAs(const ImportSession &o) const
    {
        return date == o.date && store == o.store && machine == o.machine && start == o.start
                && end == o.end && invested == o.invested && collected == o.collected
                && memo == o.memo;
    }
};

// A day's result to write is a DayChange (data/DayRecord.h): amounts in units of 100 yen; a day of
// all zeros still has a result.

enum class DayStatus {
    New, // the diary has no result on that day
    Changed, // the diary has another result
    Identical, // the diary has this very result
};

// What a confirmed import writes.
struct ImportChanges
{
    std::vector<DayChange> days; // ascending dates, one per date
    std::vector<ImportSession> sessions; // ascending dates, in the file's order within a day
    int added = 0; // days without a result before
    int changed = 0; // days whose result is replaced
};

struct RejectedRow
{
    int line = 0; // from 1; the header is line 1
    QString reason;
};

// A row superseded by a later one of the same date.
struct DuplicateRow
{
    int line = 0;
    int32_t date = 0;
    int winner = 0; // the line that counts
};

// A row as it will be read, for the window.
struct PreviewRow
{
    int line = 0;
    int32_t date = 0;
    EntryMethod method = EntryMethod::Amounts;
    int32_t collected = 0; // units of 100 yen
    int32_t invested = 0;
    int32_t balance = 0;
    bool session = false;
    QString store;
    QString machine;
    int start = -1;
    int end = -1;
    QString memo;
    bool superseded = false; // a later row of the same date counts instead
    DayStatus status = DayStatus::New; // set by the comparison with the diary
};

struct ImportCounts
{
    int rows = 0; // rows read, rejected ones included
    int newDays = 0;
    int changedDays = 0;
    int identicalDays = 0;
    int rejected = 0;
    int rounded = 0; // rows with an amount in yen not divisible by 100
    int duplicates = 0; // rows superseded by a later row of the same date
    int sessions = 0; // play sessions read
    int sessionsPresent = 0; // of them, those the diary has already
};

// The sessions the diary has on the given dates (ascending), in any order. The import leaves
// out those it would add a second time.
using SessionLookup = std::function<std::vector<ImportSession>(const std::vector<int32_t> &dates)>;
