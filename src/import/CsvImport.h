#pragma once

#include "import/ImportTypes.h"

#include <QStringList>

#include <array>

class CResultBook;
class QIODevice;

// Reads a CSV file into day results and play sessions, and compares them with the diary. Nothing
// is written: the caller writes Changes() once the user has confirmed.
//
//   CCsvImport import(csvPath);
//   if (!import.Open()) -> show import.Problem()           // the file as a whole is refused
//   import.Options() ...                                   // the guesses; the user may change them
//   if (import.Options() changed encoding or separator) import.LoadHeader();
//   if (!import.Read()) -> show import.Problem()           // refused, or the mapping is unusable
//   if (!import.Compare(dataFilePath, &book)) -> show import.Problem()  // the diary unreadable
//   Counts(), PreviewRows(), Rejected(), Duplicates()      // the preview
//   Changes(overwrite)                                     // what to write
//
// The diary's own files are recognised by their header and read back to exactly what was
// written; any other file goes through the column mapping, guessed from the header's words.
class CCsvImport
{
public:
    // A diary of a hundred years with ten sessions a day stays far below this; a file beyond it
    // is refused rather than read for minutes.
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
    static constexpr int kPreviewRows = 100; // rows kept for the window
    static constexpr int kListedRows = 1000; // rejected and duplicate rows kept with their reason

    explicit CCsvImport(const QString &csvPath);
    ~CCsvImport();

    // Refuses a file that cannot be read, is empty, binary, UTF-16 or too large; otherwise
    // detects the encoding and the separator and loads the header.
    bool Open();
    // Reads the header with the options' encoding and separator: recognises the diary's own
    // files and guesses the mapping of any other into Options().map.
    bool LoadHeader();
    // Reads every row with the options. False when the file is refused as a whole or the
    // mapping cannot be used; the rows read before are then dropped.
    bool Read();
    // Compares the rows read with the diary: the data file's days with the book's unsaved days
    // laid over them (book may be null), and the sessions lookup gives when there is one. False
    // when the data file cannot be read.
    bool Compare(const QString &dataFilePath, const CResultBook *book,
                 const SessionLookup &sessions = {});

    // What is written on confirmation: new days always; changed days only with overwrite, and a
    // changed day's sessions only with it. Sessions the diary has already are left out.
    ImportChanges Changes(bool overwrite) const;

    ImportOptions &Options() { return m_options; }
    const ImportOptions &Options() const { return m_options; }
    const CsvByteFacts &Detected() const { return m_facts; }
    CsvSeparator DetectedSeparator() const { return m_detectedSeparator; }
    CsvKind Kind() const { return m_kind; }
    const QStringList &Header() const { return m_header; }

    const ImportCounts &Counts() const { return m_counts; }
    const std::vector<PreviewRow> &PreviewRows() const { return m_preview; }
    const std::vector<RejectedRow> &Rejected() const { return m_rejected; }
    const std::vector<DuplicateRow> &Duplicates() const { return m_duplicates; }
    // The date formats found, most rows first.
    QList<csvfields::DateFormat> DateFormats() const;
    // The last refusal, ready to show: "what\npath: reason", or a mapping problem alone.
    QString Problem() const { return m_problem; }
    // The last failure refused the file as a whole, rather than the mapping or the diary.
    bool Refused() const { return m_refused; }

    // The columns of the diary's own files.
    static ColumnMap OwnDaysMap();
    static ColumnMap OwnSessionsMap();
    static ColumnMap GuessMap(const QStringList &header);
    // The header line of the diary's session export, without its line end.
    static QString OwnSessionsHeader();
    // Empty when the mapping can be used.
    static QString MappingProblem(const ColumnMap &map, qsizetype columns);

private:
    struct DayRow
    {
        int32_t date;
        int32_t method;
        int32_t collected;
        int32_t invested;
        int32_t balance;
        int line;
    };
    // A date of a session file with its sessions' sums, the diary's own ones included.
    struct SessionDay
    {
        int32_t date;
        DayRecord sums;
    };
    bool Refuse(const QString &reason);
    void Clear();
    void Reject(int line, const QString &reason);
    void Finish(); // sorts and resolves duplicates
    void SumSessions(const std::vector<int32_t> &dates, const SessionLookup &sessions);
    QStringList HeaderFields(QIODevice &in, bool &ok);

    QString m_path;
    CsvByteFacts m_facts;
    CsvSeparator m_detectedSeparator = CsvSeparator::Comma;
    ImportOptions m_options;
    CsvKind m_kind = CsvKind::Other;
    QStringList m_header;
    QString m_problem;

    std::vector<DayRow> m_days;
    std::vector<ImportSession> m_sessions;
    std::vector<bool> m_sessionPresent;
    std::vector<SessionDay> m_sessionDays;
    // Of each date to import (m_days, or m_sessionDays), how it compares with the diary.
    std::vector<DayStatus> m_status;
    std::vector<PreviewRow> m_preview;
    std::vector<RejectedRow> m_rejected;
    std::vector<DuplicateRow> m_duplicates;
    std::array<int, 5> m_formats{}; // rows by csvfields::DateFormat
    ImportCounts m_counts;
    bool m_compared = false;
    bool m_refused = false;
};
