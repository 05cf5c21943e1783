#pragma once

#include "import/CsvImport.h"

#include <QStringList>

// The texts of the import window, kept apart from its widgets so that they can be checked alone.
namespace previewtext {

// The table's headings: the day columns, and the session columns after them for a session file.
QStringList Headings(bool sessions);
// One row's cells, in the headings' order.
QStringList Cells(const PreviewRow &row, bool sessions);

// "新しい日: 3　変更のある日: 1　同じ日: 0　読み込めない行: 2"
QString Counts(const ImportCounts &counts);
// The rounded amounts, duplicates and sessions, those that occur.
QString Notes(const ImportCounts &counts);
// What was detected: encoding, separator, the date formats.
QString Detected(const CCsvImport &import);
// How the file is read: as the diary's own file or through the mapping.
QString Kind(CsvKind kind);
// Every rejected and superseded row, in line order, then how many were left out.
QStringList Problems(const CCsvImport &import);

QString Yen(int32_t hundreds);
QString DateText(int32_t date);
QString TimeText(int minutes);

} // namespace previewtext
