#pragma once

#include <QString>

// Whether an export (the CSV file, the graph image, a print to a file) may write target. Never
// over the data file or its backups, the backup folder or anything in it, the sessions' database
// with its log, or the data file's lock, whatever name leads
// there: a symbolic link, "..", or a hard link (the same file by device and inode). Only a
// regular file or a new name is written: a folder, a FIFO, a device or a socket is refused before
// anything is opened. Empty when target may be written; otherwise the box to show, headed by
// failedText (the export's own failure line) when target is no regular file.
QString ExportTargetProblem(const QString &target, const QString &dataFilePath,
                            const QString &failedText);
