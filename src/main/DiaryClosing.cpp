// The main window's ways out: the exit button and the close box with their questions, and the
// saves that must ask nothing. Also where the session's reports become message boxes.
#include "main/DiaryDlg.h"

#include "session/DiarySession.h"
#include "session/Messages.h"

void CDiaryDlg::OnOK()
{
    // Enter does not close the main window.
}

void CDiaryDlg::OnCancel()
{
    if (m_session->ConfirmEntry() == EntryAnswer::Cancelled)
        return;
    if (!SaveBeforeClose())
        return;
    QDialog::reject();
}

bool CDiaryDlg::SaveBeforeClose()
{
    while (!m_session->SaveForClose()) {
        ShowReports();
        const QString &error = m_session->Book().LastError();
        const QString reason = error.isEmpty() ? CResultBook::SaveFailedText() : error;
        const QMessageBox::StandardButton answer
                = m_prompt->Show(this, reason + msg::RetrySaveOnClose(), QMessageBox::Warning,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::No) {
            m_session->DiscardChanges(); // deliberately
            return true;
        }
        if (answer != QMessageBox::Yes)
            return false;
    }
    ShowReports();
    return true;
}

bool CDiaryDlg::SaveWithoutQuestions(QString *problem)
{
    QStringList problems;
    const bool saved = m_session->SaveWithoutQuestions(&problems);
    if (problem)
        *problem = problems.join(QLatin1Char('\n'));
    return saved;
}

void CDiaryDlg::ShowSaveProblem(const QString &problem)
{
    if (!problem.isEmpty())
        Warn(problem);
}

void CDiaryDlg::ShowReports()
{
    // Each box may run the event loop, where more may come; they are shown in turn.
    for (QStringList reports = m_session->TakeReports(); !reports.isEmpty();
         reports = m_session->TakeReports()) {
        for (const QString &text : std::as_const(reports))
            Warn(text);
    }
}
