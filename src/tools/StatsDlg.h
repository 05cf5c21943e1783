#pragma once

#include "dialogkit/DialogTemplate.h"
#include "stats/DayStats.h"

#include <QDialog>

#include <optional>

class CResultBook;
class QLabel;
class QTableWidget;

// The statistics of the loaded period or of every year of the data file, as a table of 項目 and
// 値. Every year is read once, the first time that range is chosen, with the loaded period's days
// as the book holds them; the dialog never writes.
class CStatsDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdClose = 1,
        IdPeriod = 10, // "表示中の期間(&P)"
        IdAllYears = 11, // "すべての年(&A)"
        IdRange = 12, // the months or years the figures cover
        IdTable = 13,
        IdStatus = 14, // why the file could not be read; empty otherwise
    };

    // owner: the main window; book: the diary's book, whose loaded period and data file are shown.
    CStatsDlg(QWidget *owner, const CResultBook &book);

    QWidget *control(ControlId id) const;
    QTableWidget *Table() const { return m_table; }
    void SetAllYears(bool all); // checks the range's radio and fills the table

private:
    void Fill();

    const CResultBook &m_book;
    dlg::Controls m_controls;
    QTableWidget *m_table = nullptr;
    QLabel *m_range = nullptr;
    QLabel *m_status = nullptr;
    bool m_allYears = false;
    std::optional<CAllYearsStats> m_years; // read once
    bool m_yearsRead = false;
};
