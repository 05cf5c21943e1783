#pragma once

#include "dialogkit/DialogTemplate.h"
#include "settings/Settings.h"
#include "stats/Limits.h"

#include <QDialog>

class CPrompt;
class QCheckBox;
class QLabel;
class QSpinBox;

// The player's monthly limits: three check boxes, each with its value. OK stores them in the
// settings section "Limits"; a limit set anew counts what the month has reached already as told,
// so that only later days bring its boxes. Nothing is stored on Cancel.
class CLimitsDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
        IdLossOn = 10, // "月の負けの上限(&L)"
        IdLoss = 11,
        IdInvestOn = 12, // "月の投資の上限(&I)"
        IdInvest = 13,
        IdDaysOn = 14, // "月の稼働日数の上限(&D)"
        IdDays = 15,
        IdStanding = 16, // this month against the limits as they stand in the window
    };

    // owner: the main window; thisMonth: the current month's totals, which the standing shows.
    CLimitsDlg(QWidget *owner, const MonthTotals &thisMonth);

    QWidget *control(ControlId id) const;
    // The limits as the window holds them, on the settings read at opening.
    CSettings Edited() const;

    void accept() override;

private:
    void UpdateStanding();

    MonthTotals m_month;
    CSettings m_before; // the section as read at opening
    dlg::Controls m_controls;
    QCheckBox *m_on[3] = {};
    QSpinBox *m_value[3] = {};
    QLabel *m_standing = nullptr;
};

// Shows the boxes of limits::Report, one after another, each with an OK button.
void ShowLimitBoxes(QWidget *owner, CPrompt &prompt, const QStringList &boxes);
