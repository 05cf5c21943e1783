#pragma once

#include "data/LineReader.h"

struct DayResult;

// The data file's reader and writer on plain byte streams; CResultBook::Load and Save run them
// on the files. Both stream through fixed buffers.
using WriteFunction = std::function<qint64(const char *data, qint64 size)>;

// Fills entryMethod and the amounts of the days (ascending dates) that have a line. False when a
// read failed; the days then keep what was read before.
bool ReadPeriod(DayResult *days, int dayCount, const LineReader::ReadFunction &read,
                qsizetype capacity = LineReader::kDefaultCapacity);

// Writes the old content (or none, when read is empty) with the period's lines replaced by the
// days that have a result. False when a read or a write failed.
bool WritePeriod(const DayResult *days, int dayCount, const LineReader::ReadFunction &read,
                 const WriteFunction &write, qsizetype capacity = LineReader::kDefaultCapacity);
