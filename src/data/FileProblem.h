#pragma once

#include <QString>

class QIODevice;

// Why a file operation failed, told to the user: the failure text of the operation on the first
// line, the file's absolute path and the reason on the second. The one table from the C
// library's error numbers to Japanese reasons is here.
namespace FileProblem {

// The reason for a C library error number, in Japanese for the common causes and in the
// system's words otherwise. 0 gives fallback, or a plain "unknown" when that is empty too.
QString Reason(int code, const QString &fallback = QString());

// "what\n/absolute/path: reason".
QString Message(const QString &what, const QString &path, const QString &reason);
// "/absolute/path: reason", a further file of the same message.
QString Line(const QString &path, const QString &reason);

// What a device says of its last failure; empty when it saw none of its own.
QString DeviceText(const QIODevice &device);

// Reasons that have no error number.
QString NotRegularFile(); // a FIFO, a device, a socket
QString SizeMismatch(qint64 onDisk, qint64 written);

// Whether the error number says the disk (or the user's quota) is full.
bool IsNoSpace(int code);

// Whether the file is known to be absent, with its folder present: only then nothing can be in it
// that a later save would overwrite.
bool AbsentInExistingFolder(const QString &path);

// The error number that reading the file would meet, or 0 when nothing is seen in the way.
int ReadProbe(const QString &path);

// The error number that replacing the file through a new file beside it would meet (a missing
// folder, a directory in the file's place, no write permission on the file or its folder, a
// read-only file system), or 0 when nothing is seen in the way. A file or folder without any write
// permission bit counts as read-only even for root. A full disk shows only on writing.
int WriteProbe(const QString &path);

} // namespace FileProblem
