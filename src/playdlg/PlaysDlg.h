#pragma once

#include "playdlg/PlayEditDlg.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class CPlayDiary;
class CPlaysModel;
class CPrompt;
class QPushButton;
class QTreeView;

namespace dlg {
class Controls;
}

// "稼働記録 - <date>": the play sessions of one day in a table, with the buttons that add, edit
// and delete them. Every change is applied as soon as it is made (through the diary's play
// sessions); the window only shows them. It is modal over its owner and deletes itself when it
// closes.
class CPlaysDlg : public QDialog
{
    Q_OBJECT
public:
    // The controls; each value is also the control's object name, "id" and the number.
    enum ControlId {
        IdClose = 2,
        IdTable = 1101,
        IdAdd = 1102,
        IdEdit = 1103,
        IdDelete = 1104,
    };

    // date: yyyymmdd; dateText: as the daily list writes it, for the caption.
    CPlaysDlg(QWidget *owner, CPlayDiary &plays, int date, const QString &dateText, CPrompt &prompt,
              PlayClock clock = {});
    ~CPlaysDlg() override;

    // Makes the window over owner and shows it, modal; it goes when it is closed.
    static CPlaysDlg *Open(QWidget *owner, CPlayDiary &plays, int date, const QString &dateText,
                           CPrompt &prompt, PlayClock clock = {});

    QWidget *control(ControlId id) const;
    QTreeView *Table() const { return m_table; }
    const CPlaysModel &Model() const { return *m_model; }
    // The editor while one is open.
    CPlayEditDlg *Editor() const { return m_editor; }

    void OnAdd();
    void OnEdit();
    void OnDelete();

private:
    void Reload();
    void UpdateButtons();
    int SelectedRow() const;
    void SelectRow(int row);
    void OpenEditor(const PlaySession &session);
    void OnEditorClosed();
    // The table when it has rows, else the add button.
    void FocusList();

    CPlayDiary &m_plays;
    const int m_date;
    CPrompt &m_prompt;
    PlayClock m_clock;
    qint64 m_selectAfterEdit = 0; // the session to select once the editor has closed

    std::unique_ptr<dlg::Controls> m_controls;
    CPlaysModel *m_model = nullptr;
    QTreeView *m_table = nullptr;
    QPushButton *m_edit = nullptr;
    QPushButton *m_delete = nullptr;
    QPointer<CPlayEditDlg> m_editor;
};
