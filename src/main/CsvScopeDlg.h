#pragma once

#include <QDialog>

#include <memory>

class QRadioButton;

namespace dlg {
class Controls;
}

// Which results a CSV file takes: the loaded period (the default), every year of the data file,
// every play session, or the totals by store, machine or starting hour as last shown.
class CCsvScopeDlg : public QDialog
{
    Q_OBJECT
public:
    enum Scope { ShownPeriod, AllYears, Sessions, SessionTable };

    // The controls; each value is also the control's object name, "id" and the number.
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
        IdShownPeriod = 1101, // "表示中の期間"
        IdAllYears = 1102, // "すべての年"
        IdSessions = 1103, // "稼働記録"
        IdSessionTable = 1104, // "店舗・機種別集計"
    };

    explicit CCsvScopeDlg(QWidget *parent = nullptr);
    ~CCsvScopeDlg() override;

    QWidget *control(ControlId id) const;
    // The choice; read after the dialog was accepted.
    Scope Chosen() const;

private:
    std::unique_ptr<dlg::Controls> m_controls;
    QRadioButton *m_shownPeriod = nullptr;
    QRadioButton *m_sessions = nullptr;
    QRadioButton *m_sessionTable = nullptr;
};
