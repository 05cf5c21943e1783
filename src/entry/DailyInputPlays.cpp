// The daily input window's side of the play sessions: the plays button, the note beside the
// result, and the fields that a day's sessions fill.
#include "entry/DailyInputDlg.h"

#include "playdlg/PlaysDlg.h"
#include "session/PlayDiary.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void CDailyInputDlg::ShowPlaysState()
{
    CPlayDiary &plays = m_session->Plays();
    const bool available = plays.IsAvailable();
    m_plays->setEnabled(available);
    if (m_fromPlays) {
        for (QLineEdit *edit : {m_collected, m_invested, m_balance})
            edit->setReadOnly(true);
        for (QWidget *w :
             std::initializer_list<QWidget *>{m_methodAmounts, m_methodBalance, m_minus})
            w->setEnabled(false);
        m_playsNote->setText(QStringLiteral("この日の実績は稼働記録の合計です。"));
        m_playsNote->setToolTip(QString());
        m_playsNote->setAccessibleDescription(QString());
        m_playsNote->show();
    } else if (!available) {
        // Said in the window too, for whoever missed the box at start: the reason, then the whole
        // message with the file's name for a screen reader and as the tip.
        const QString problem = plays.Problem();
        QString reason = problem.section(QLatin1Char('\n'), -1);
        reason = reason.mid(reason.lastIndexOf(QStringLiteral(": ")) + 1).trimmed();
        m_playsNote->setText(QStringLiteral("稼働記録は使用できません。") + reason);
        m_playsNote->setToolTip(problem);
        m_playsNote->setAccessibleDescription(problem);
        m_playsNote->show();
    }
    m_plays->setToolTip(available ? QString() : plays.Problem());
    m_plays->setAccessibleDescription(available ? QString() : plays.Problem());
}

void CDailyInputDlg::FocusDay()
{
    // The plays button where the day's result comes from its sessions; else the field through
    // which the day is typed, its text selected.
    if (m_fromPlays) {
        m_plays->setFocus(Qt::OtherFocusReason);
        return;
    }
    QLineEdit *field = m_methodAmounts->isChecked() ? m_collected : m_balance;
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void CDailyInputDlg::OnPlays()
{
    if (!IsOpen() || !m_session || !m_dayShown || m_playsWindow
        || !m_session->Plays().IsAvailable())
        return;
    CPlaysDlg *window = CPlaysDlg::Open(this, m_session->Plays(), m_date, m_dateField->text(),
                                        m_prompt, m_clock);
    m_playsWindow = window;
    connect(window, &QDialog::finished, this, [this] {
        if (!IsOpen())
            return;
        activateWindow();
        FocusDay();
    });
}
