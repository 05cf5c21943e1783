#pragma once

#include <QDialog>

#include <memory>

class CSettings;

namespace dlg {
class Controls;
}

// The options dialog: it shows the options of a settings object and, when closed with OK, changes
// them there and writes the section "Option". Cancel leaves both as they were.
class COptionDlg : public QDialog
{
    Q_OBJECT
public:
    // settings must outlive the dialog.
    explicit COptionDlg(CSettings &settings, QWidget *parent = nullptr);
    ~COptionDlg() override;

    // Shows the dialog modally (OnInitDialog runs first); returns QDialog::Accepted after OK.
    int exec() override;

protected:
    void accept() override; // OnOK

private:
    void OnInitDialog();

    CSettings &m_settings;
    std::unique_ptr<dlg::Controls> m_controls;
};
