#pragma once

#include "play/PlaySession.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <memory>

class CPlayDiary;
class CPrompt;
class QLineEdit;
class QPlainTextEdit;

namespace dlg {
class Controls;
}

// What the session windows take as the time of day: the system's, or a test's.
using PlayClock = std::function<QDateTime()>;

// "稼働の追加" and "稼働の編集": one session's fields. Saving applies the session at once through
// the diary's play sessions, which also write the day's sums to the data file; there is nothing
// left to confirm afterwards. Enter saves from any field but the memo, where Ctrl+Enter does;
// Esc cancels. A field that is wrong is named in a message box and gets the focus, and nothing is
// stored.
class CPlayEditDlg : public QDialog
{
    Q_OBJECT
public:
    // The controls; each value is also the control's object name, "id" and the number.
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
        IdStore = 1201,
        IdMachine = 1202,
        IdStart = 1203,
        IdEnd = 1204,
        IdInvested = 1205,
        IdCollected = 1206,
        IdMemo = 1207,
    };

    // session: the one to edit, or a new one (id 0) on its day. A new session on the clock's
    // date proposes the clock's time as its start.
    CPlayEditDlg(QWidget *owner, CPlayDiary &plays, const PlaySession &session, CPrompt &prompt,
                 PlayClock clock = {});
    ~CPlayEditDlg() override;

    QWidget *control(ControlId id) const;
    bool IsNew() const { return m_session.id == 0; }

    // Checks every field, then stores the session; false (after saying why) when it was not
    // stored. Closes the window once the session is stored.
    bool Save();

signals:
    // The session is stored under this id.
    void saved(qint64 id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Fill();
    // The session from the fields; on a problem it is shown, its field focused, and false.
    bool ReadFields(PlaySession *session);
    bool Refuse(QWidget *field, const QString &problem);

    CPlayDiary &m_plays;
    PlaySession m_session;
    CPrompt &m_prompt;
    PlayClock m_clock;
    bool m_saving = false;

    std::unique_ptr<dlg::Controls> m_controls;
    QLineEdit *m_store = nullptr;
    QLineEdit *m_machine = nullptr;
    QLineEdit *m_start = nullptr;
    QLineEdit *m_end = nullptr;
    QLineEdit *m_invested = nullptr;
    QLineEdit *m_collected = nullptr;
    QPlainTextEdit *m_memo = nullptr;
};
