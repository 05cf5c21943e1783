#pragma once

#include "data/LineReader.h"

struct DayResult;

// The data file's reader and writer on plain byte streams; CResultBook::Load and Save run them
// on the files. Both stream through fixed buffers.
//
// A line's date is the number before its first comma (0 without a comma); a line belongs to the
// period when its date is one of the period's days.
using WriteFunction = std::function<qint64(const char *data, qint64 size)>;

// Fills entryMethod and the amounts of the days (ascending dates) from every line of the period,
// wherever it stands; of several lines of one day the last one counts. False when a read failed;
// the days then keep what was read before.
bool ReadPeriod(DayResult *days, int dayCount, const LineReader::ReadFunction &read,
                qsizetype capacity = LineReader::kDefaultCapacity);

// Writes the old content (or none, when read is empty) with the period's lines left out and the
// days that have a result written as one block in date order, where the first line dated at or
// after the period's first day stood (at the end when there is none). Every other line is copied
// unchanged, in its order. seek is needed only for a line whose first comma lies beyond a buffer's
// length. written, when given, receives the number of bytes meant for the output. False when a
// read, a seek or a write failed.
bool WritePeriod(const DayResult *days, int dayCount, const LineReader::ReadFunction &read,
                 const LineReader::SeekFunction &seek, const WriteFunction &write,
                 qsizetype capacity = LineReader::kDefaultCapacity, qint64 *written = nullptr);
