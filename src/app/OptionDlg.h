#pragma once

#include <QDialog>

#include <memory>

namespace dlg {
class Controls;
}

// The options dialog, and the holder of the four options for the whole run: they are read from
// the settings at construction and written back only when the dialog closes with OK.
class COptionDlg : public QDialog
{
    Q_OBJECT
public:
    explicit COptionDlg(QWidget *parent = nullptr);
    ~COptionDlg() override;

    int FromN = 1; // 1: the year starts in January; 0: the twelve months ending with this month
    int DailyInput_Show = 1; // 1: open the daily input window at start
    int DailyInput_Type = 0; // default entry method: 0 collected and invested, other: balance
    int DailyInput_Unit = 100; // written back as read; nothing else uses it

    // Shows the dialog modally (OnInitDialog runs first); returns QDialog::Accepted after OK.
    int exec() override;

protected:
    void accept() override; // OnOK

private:
    void OnInitDialog();

    std::unique_ptr<dlg::Controls> m_controls;
};
