#include "main/ImportCommands.h"

#include "dialogkit/OpenPath.h"
#include "dialogkit/Prompt.h"
#include "importdlg/ImportDlg.h"
#include "main/LimitWatch.h"
#include "session/DiarySession.h"
#include "session/PlayDiary.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <optional>

CImportCommands::CImportCommands(Sources sources, QObject *parent)
    : QObject(parent)
    , m_in(std::move(sources))
{ }

QString CImportCommands::DoneText(int added, int changed, int sessions, const QString &backupPath)
{
    QString text = QStringLiteral("%1日を追加し、%2日を変更しました。").arg(added).arg(changed);
    if (sessions > 0)
        text += QStringLiteral("\n稼働記録を%1件追加しました。").arg(sessions);
    if (backupPath.isEmpty())
        text += QStringLiteral("\n読み込む前のデータファイルはありませんでした。");
    else
        text += QStringLiteral("\n読み込む前のデータファイルのバックアップ:\n")
                + QDir::toNativeSeparators(backupPath);
    return text;
}

QString CImportCommands::FailedText()
{
    return QStringLiteral("CSVファイルの内容を書き込めませんでした。");
}

SessionLookup CImportCommands::LookupOf(CPlayDiary &plays)
{
    return [&plays](const std::vector<int32_t> &dates) {
        std::vector<ImportSession> found;
        QList<int32_t> days;
        if (dates.empty() || !plays.Store().DaysWithSessions(dates.front(), dates.back(), &days))
            return found;
        // Both ascend: only the days asked for that have sessions are read.
        auto wanted = dates.begin();
        for (const int32_t day : std::as_const(days)) {
            wanted = std::lower_bound(wanted, dates.end(), day);
            if (wanted == dates.end())
                break;
            if (*wanted != day)
                continue;
            for (const PlaySession &s : plays.SessionsOfDay(day)) {
                ImportSession session;
                session.date = s.day;
                session.store = s.store;
                session.machine = s.machine;
                session.start = s.startMinute == PlaySession::kNoTime ? -1 : s.startMinute;
                session.end = s.endMinute == PlaySession::kNoTime ? -1 : s.endMinute;
                session.invested = s.invested;
                session.collected = s.collected;
                session.memo = s.memo;
                found.push_back(std::move(session));
            }
        }
        return found;
    };
}

PlaySession CImportCommands::ToPlaySession(const ImportSession &in)
{
    PlaySession session;
    session.day = in.date;
    session.store = in.store;
    session.machine = in.machine;
    session.startMinute = in.start < 0 ? PlaySession::kNoTime : in.start;
    session.endMinute = in.end < 0 ? PlaySession::kNoTime : in.end;
    session.invested = in.invested;
    session.collected = in.collected;
    session.memo = in.memo;
    return session;
}

void CImportCommands::Warn(const QString &text) const
{
    m_in.prompt->Show(m_in.owner, text, QMessageBox::Warning, QMessageBox::Ok);
}

void CImportCommands::ImportCsv()
{
    const QString folder = QFileInfo(m_in.dataFilePath).absolutePath();
    const QString path = m_in.openPath->Ask(
            m_in.owner, QStringLiteral("CSVから読み込む"), folder,
            QStringLiteral("CSVファイル (*.csv *.txt *.tsv);;すべてのファイル (*)"));
    if (path.isEmpty())
        return;
    CDiarySession &session = *m_in.session;
    CPlayDiary &plays = session.Plays();
    ImportChanges changes;
    {
        CImportDlg preview(m_in.owner);
        if (!preview.Open(path, m_in.dataFilePath, &session.Book(), LookupOf(plays))) {
            Warn(preview.Problem());
            return;
        }
        if (preview.exec() != QDialog::Accepted)
            return;
        changes = preview.Changes();
    }
    if (changes.days.empty() && changes.sessions.empty())
        return;
    QList<PlaySession> sessions;
    sessions.reserve(qsizetype(changes.sessions.size()));
    for (const ImportSession &s : changes.sessions)
        sessions.append(ToPlaySession(s));

    // The limits' boxes come after the box that tells what was written.
    std::optional<CLimitWatch::Hold> hold;
    if (m_in.limits)
        hold.emplace(*m_in.limits);
    QString backupPath;
    QString problem;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = plays.Import(changes.days, sessions, &backupPath, &problem);
    QApplication::restoreOverrideCursor();
    if (!written) {
        // A failed save of the days is the session's to tell, with its file and reason.
        QStringList reasons = session.TakeReports();
        if (!problem.isEmpty())
            reasons.prepend(problem);
        Warn(FailedText()
             + (reasons.isEmpty() ? QString() : QLatin1Char('\n') + reasons.join('\n')));
        return;
    }
    if (m_in.showReports)
        m_in.showReports(); // a backup that could not prune its old ones, another program's edit
    m_in.prompt->Show(m_in.owner,
                      DoneText(changes.added, changes.changed, int(sessions.size()), backupPath),
                      QMessageBox::Information, QMessageBox::Ok);
}
