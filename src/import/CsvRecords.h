#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <vector>

class QIODevice;

// Splits a CSV byte stream into records as RFC 4180 reads them: fields between separators, a
// field in double quotes may hold separators, line breaks and doubled quotes. Works on bytes, so
// UTF-8 and Shift_JIS alike: no byte of a Shift_JIS double-byte character is below 0x40, none is
// a separator, a quote or a line end. Reads in fixed chunks; only one record is held at a time.
//
// Lenient where spreadsheets are: a quote inside an unquoted field, or text after a closing
// quote, is kept as it stands. CR LF, LF and a lone CR each end a line.
class CCsvRecords
{
public:
    // No real record comes near this: a memo of 2,000 characters in Shift_JIS or UTF-8 with every
    // quote doubled stays under 13 KiB. A longer one is almost always a quote never closed that
    // swallowed the rest of the file.
    static constexpr qsizetype kMaxRecordBytes = 64 * 1024;

    enum class Status {
        Record, // Fields() holds the next record
        End, // no record left
        TooLong, // a record passed kMaxRecordBytes; Line() is where it starts
        ReadError,
    };

    CCsvRecords(QIODevice &in, char separator);
    ~CCsvRecords();

    // The next record; blank lines are passed over.
    Status Next();

    // The fields of the last record, valid until the next call.
    const std::vector<QByteArrayView> &Fields() const { return m_fields; }
    // The line (from 1) the last record starts on.
    int Line() const { return m_line; }
    // The last record ended inside quotes at the end of the file.
    bool Unclosed() const { return m_unclosed; }
    // A byte order mark at the start was passed over.
    bool HadBom() const { return m_bom; }

private:
    bool Fill(); // more bytes; false at the end or on an error
    void EndField();

    QIODevice &m_in;
    char m_separator;
    std::unique_ptr<char[]> m_chunk;
    qsizetype m_pos = 0;
    qsizetype m_size = 0;
    bool m_atEnd = false;
    bool m_readError = false;
    bool m_started = false;
    bool m_bom = false;

    std::unique_ptr<char[]> m_record; // the fields' bytes, quotes taken out
    qsizetype m_recordSize = 0;
    std::vector<qsizetype> m_ends; // where each field ends in m_record
    std::vector<QByteArrayView> m_fields;
    int m_line = 0;
    int m_nextLine = 1;
    bool m_unclosed = false;
};
