// Load and Save of the result book on the data file, and the checks around them.
#include "data/DataFileFormat.h"
#include "data/FileProblem.h"
#include "data/ResultBook.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#if defined(Q_OS_WIN)
#include <io.h>
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

const QString kLoadFailed = CResultBook::LoadFailedText();
const QString kSaveFailed = CResultBook::SaveFailedText();
const QString kCreateFailed = QStringLiteral("ファイルを作成できませんでした。");
const QString kCannotSave
        = QStringLiteral("データファイルに書き込めないため、結果を保存できません。");

// What a device says of its last failure; empty when it saw none of its own (its text is then a
// placeholder).
QString OwnText(const QIODevice &device)
{
    const auto *file = qobject_cast<const QFileDevice *>(&device);
    return file && file->error() == QFileDevice::NoError ? QString() : device.errorString();
}

// The first failure of a step, as errno and the device's own words right after it.
struct StepFailure
{
    bool failed = false;
    int code = 0;
    QString text;

    void Note(int errnoNow, const QIODevice &device)
    {
        if (failed)
            return;
        failed = true;
        code = errnoNow;
        text = OwnText(device);
    }
};

#if defined(Q_OS_UNIX)
// The file behind a device that keeps no buffer of its own, or -1.
int DirectHandle(const QIODevice &device)
{
    const auto *file = qobject_cast<const QFileDevice *>(&device);
    if (!file || !device.openMode().testFlag(QIODevice::Unbuffered))
        return -1;
    return file->handle();
}
#endif

} // namespace

qint64 CResultBook::ReadIn(QIODevice &in, char *buffer, qint64 size)
{
#if defined(Q_OS_UNIX)
    // Straight to the system, so that errno still holds the reason when this fails.
    if (const int fd = DirectHandle(in); fd >= 0) {
        ssize_t n;
        do
            n = ::read(fd, buffer, size_t(size));
        while (n < 0 && errno == EINTR);
        return n;
    }
#endif
    return in.read(buffer, size);
}

qint64 CResultBook::WriteOut(QIODevice &out, const char *data, qint64 size)
{
#if defined(Q_OS_UNIX)
    if (const int fd = DirectHandle(out); fd >= 0) {
        ssize_t n;
        do
            n = ::write(fd, data, size_t(size));
        while (n < 0 && errno == EINTR);
        return n;
    }
#endif
    return out.write(data, size);
}

bool CResultBook::FlushOut(QFileDevice &out)
{
    return out.flush();
}

bool CResultBook::SyncOut(QFileDevice &out)
{
    const int fd = out.handle();
    if (fd < 0) {
        errno = EBADF;
        return false;
    }
#if defined(Q_OS_WIN)
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
        errno = GetLastError() == ERROR_DISK_FULL ? ENOSPC : EIO;
        return false;
    }
    return true;
#elif defined(Q_OS_DARWIN)
    return ::fsync(fd) == 0;
#else
    return ::fdatasync(fd) == 0;
#endif
}

bool CResultBook::CommitOut(QSaveFile &out)
{
    return out.commit();
}

bool CResultBook::Fail(const QString &what, int code, const QString &fallback)
{
    lastError = FileProblem::Message(what, m_path, FileProblem::Reason(code, fallback));
    return false;
}

QString CResultBook::WritableProblem() const
{
    const int code = FileProblem::WriteProbe(m_path);
    if (code == 0)
        return QString();
    return FileProblem::Message(kCannotSave, m_path, FileProblem::Reason(code));
}

bool CResultBook::Load()
{
    lastError.clear();
    m_loadFailed = false;
    QFile file(m_path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int seen = errno;
        if (FileProblem::AbsentInExistingFolder(m_path)) {
            // The first start leaves an empty data file behind. When it cannot be made, there is
            // no file whose lines a later save could drop, so this period may still be saved.
            errno = 0;
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                return true;
            const int created = errno;
            const int probe = FileProblem::WriteProbe(m_path);
            return Fail(kCreateFailed, probe ? probe : created, OwnText(file));
        }
        // The file may be there without being readable, or its folder may come back with it (a
        // drive not yet mounted): saving this period could then drop the lines it never read.
        m_loadFailed = true;
        if (const int folder = FileProblem::WriteProbe(m_path);
            folder == ENOENT || folder == ENOTDIR)
            return Fail(kCreateFailed, folder);
        const int probe = FileProblem::ReadProbe(m_path);
        return Fail(kLoadFailed, probe ? probe : seen, OwnText(file));
    }

    StepFailure read;
    if (!ReadPeriod(days, dayCount, [&](char *buffer, qint64 size) {
            errno = 0;
            const qint64 n = ReadIn(file, buffer, size);
            if (n < 0)
                read.Note(errno, file);
            return n;
        })) {
        m_loadFailed = true;
        return Fail(kLoadFailed, read.code, read.text);
    }
    return true;
}

bool CResultBook::Save()
{
    lastError.clear();
    if (dayCount <= 0)
        return Fail(kSaveFailed, 0, QStringLiteral("保存する期間がありません。"));
    if (m_viewOnly)
        return Fail(kSaveFailed, 0,
                    QStringLiteral("表示専用で開いているため、ファイルを書き換えません。"));
    // Saving a period that was not read whole would drop the lines it never read.
    if (m_loadFailed)
        return Fail(kSaveFailed, 0,
                    QStringLiteral("読み込めなかった期間のため、ファイルを書き換えません。"));

    // A data file that disappeared meanwhile reads as an empty one.
    QFile in(m_path);
    const bool haveInput = in.exists();
    errno = 0;
    if (haveInput && !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const int seen = errno;
        const int probe = FileProblem::ReadProbe(m_path);
        return Fail(kSaveFailed, probe ? probe : seen, OwnText(in));
    }

    // The new content goes into a fresh file beside the data file. It replaces the data file only
    // once every byte is written, flushed and synced, and the file holds exactly what was meant.
    QSaveFile out(m_path);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const int seen = errno;
        const int probe = FileProblem::WriteProbe(m_path);
        return Fail(kSaveFailed, probe ? probe : seen, OwnText(out));
    }
    auto cancel = [&](int code, const QString &text) {
        out.cancelWriting(); // the temporary file goes with out
        return Fail(kSaveFailed, code, text);
    };

    StepFailure step;
    qint64 meant = 0;
    LineReader::ReadFunction read;
    LineReader::SeekFunction seek;
    if (haveInput) {
        read = [&](char *buffer, qint64 size) {
            errno = 0;
            const qint64 n = ReadIn(in, buffer, size);
            if (n < 0)
                step.Note(errno, in);
            return n;
        };
        seek = [&](qint64 offset) {
            errno = 0;
            if (in.seek(offset))
                return true;
            step.Note(errno, in);
            return false;
        };
    }
    const bool written = WritePeriod(
            days, dayCount, read, seek,
            [&](const char *data, qint64 size) {
                errno = 0;
                const qint64 n = WriteOut(out, data, size);
                if (n <= 0)
                    step.Note(errno, out);
                return n;
            },
            LineReader::kDefaultCapacity, &meant);
    in.close();
    if (!written)
        return cancel(step.code, step.text);

    errno = 0;
    if (!FlushOut(out))
        return cancel(errno, OwnText(out));
    errno = 0;
    if (!SyncOut(out))
        return cancel(errno, OwnText(out));
    if (const qint64 size = out.size(); size != meant)
        return cancel(0,
                      QStringLiteral("一時ファイルが書き込んだ内容と合いません（%1 / %2 バイト）。")
                              .arg(size)
                              .arg(meant));
    errno = 0;
    if (!CommitOut(out))
        return cancel(errno, OwnText(out));
    modified = false; // what the file holds now
    return true;
}
