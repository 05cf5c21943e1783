#pragma once

#include <QDialog>

#include <memory>

class CSettings;
class QCheckBox;
class QRadioButton;

namespace dlg {
class Controls;
}

// The options dialog: it shows the options of a settings object and, when closed with OK, changes
// them there and writes the section "Option". Cancel leaves both as they were.
class COptionDlg : public QDialog
{
    Q_OBJECT
public:
    // The controls; each value is also the control's object name, "id" and the number.
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
        IdShowDailyInput = 1022, // "「実績入力」ウィンドウを表示する(&S)"
        IdFromThisMonth = 1020, // year basis "今月"
        IdFromJanuary = 1021, // year basis "1月"
        IdEnterAmounts = 1035, // default entry method: collected and invested
        IdEnterBalance = 1036, // default entry method: balance
    };

    // settings must outlive the dialog.
    explicit COptionDlg(CSettings &settings, QWidget *parent = nullptr);
    ~COptionDlg() override;

    QWidget *control(ControlId id) const;

    // Shows the dialog modally (OnInitDialog runs first); returns QDialog::Accepted after OK.
    int exec() override;

protected:
    void accept() override; // OnOK

private:
    void OnInitDialog();

    CSettings &m_settings;
    std::unique_ptr<dlg::Controls> m_controls;
    QCheckBox *m_showDailyInput = nullptr;
    QRadioButton *m_fromThisMonth = nullptr;
    QRadioButton *m_fromJanuary = nullptr;
    QRadioButton *m_enterAmounts = nullptr;
    QRadioButton *m_enterBalance = nullptr;
};
