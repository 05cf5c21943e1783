#include "main/PeriodList.h"

CPeriodList::CPeriodList(QWidget *parent)
    : CReportList(parent)
{
    SetReportModel(&m_model);
}

CPeriodList::~CPeriodList()
{
    setModel(nullptr); // the model goes before the view
}

void CPeriodList::Setup()
{
    SetupColumns();
}

void CPeriodList::ShowMonthly(const CResultBook &book, int selMonth, int thisMonth)
{
    m_model.ShowMonthly(book, thisMonth);
    // Selected where it stands: the list is not scrolled.
    SelectRow(m_model.RowOfNumber(selMonth));
}

void CPeriodList::ShowDaily(const CResultBook &book, int monthIndex, int selDay, int today)
{
    m_model.ShowDaily(book, monthIndex, today);
    const int row = m_model.RowOfNumber(selDay);
    SelectRow(row);
    EnsureVisible(row);
}

void CPeriodList::DaysChanged(const CResultBook &book, int fromIndex)
{
    m_model.DaysChanged(book, fromIndex);
}
