#include "tools/StatsDlg.h"

#include "data/FileProblem.h"
#include "data/ResultBook.h"
#include "stats/StatsText.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

using dlg::Kind;
using dlg::NoId;

// The statistics, 300 x 330 dialog units; template order is tab order.
const dlg::Item kTemplate[] = {
        {CStatsDlg::IdPeriod, Kind::Radio, u"表示中の期間(&P)", 8, 6, 80, 10, dlg::Group},
        {CStatsDlg::IdAllYears, Kind::Radio, u"すべての年(&A)", 96, 6, 72, 10},
        {CStatsDlg::IdRange, Kind::Text, u"", 8, 20, 200, 10, dlg::VCenter | dlg::Group},
        {NoId, Kind::Text, u"単位:百円", 236, 20, 56, 10, dlg::AlignRight | dlg::VCenter},
        {CStatsDlg::IdTable, Kind::Custom, nullptr, 8, 32, 284, 266, dlg::TabStop},
        {CStatsDlg::IdStatus, Kind::Text, u"", 8, 302, 216, 24, dlg::WordWrap},
        {CStatsDlg::IdClose, Kind::DefPushButton, u"閉じる", 234, 306, 58, 16, dlg::TabStop},
};

} // namespace

CStatsDlg::CStatsDlg(QWidget *owner, const CResultBook &book)
    : QDialog(owner)
    , m_book(book)
{
    setWindowTitle(QStringLiteral("統計"));
    setModal(true);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_controls = dlg::Build(this, kTemplate, units, [this](const dlg::Item &, QWidget *client) {
        return m_table = new QTableWidget(0, 2, client);
    });
    setFixedSize(dlg::ToPixels(units, 300, 330));

    m_range = m_controls.get<QLabel>(IdRange);
    m_status = m_controls.get<QLabel>(IdStatus);
    m_table->setHorizontalHeaderLabels({QStringLiteral("項目"), QStringLiteral("値")});
    m_table->setAccessibleName(QStringLiteral("統計"));
    m_table->verticalHeader()->hide();
    // Every row in sight at once.
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(0, dlg::ToPixels(units, 72, 8).width());

    connect(m_controls.get<QRadioButton>(IdAllYears), &QRadioButton::toggled, this,
            [this](bool on) {
                if (on != m_allYears)
                    SetAllYears(on);
            });
    connect(m_controls.get<QPushButton>(IdClose), &QPushButton::clicked, this, &QDialog::accept);
    SetAllYears(false);
    m_table->setFocus(Qt::OtherFocusReason);
}

QWidget *CStatsDlg::control(ControlId id) const
{
    return m_controls.widget(id);
}

void CStatsDlg::SetAllYears(bool all)
{
    m_allYears = all;
    m_controls.get<QRadioButton>(all ? IdAllYears : IdPeriod)->setChecked(true);
    Fill();
}

void CStatsDlg::Fill()
{
    m_status->clear();
    std::optional<StatFigures> figures;
    if (!m_allYears) {
        const auto days = m_book.Days();
        m_range->setText(QStringLiteral("対象: ")
                         + (days.empty()
                                    ? QStringLiteral("なし")
                                    : statstext::MonthRange(days.front().date, days.back().date)));
        figures = PeriodStats(m_book);
    } else {
        if (!m_years) {
            m_years.emplace();
            m_yearsRead = m_years->Load(m_book);
        }
        if (m_yearsRead) {
            figures = m_years->Figures();
            const int first = m_years->FirstYear();
            m_range->setText(QStringLiteral("対象: ")
                             + (first == 0 ? QStringLiteral("なし")
                                           : QString::number(first) + QStringLiteral("年 ～ ")
                                                + QString::number(m_years->LastYear())
                                                + QStringLiteral("年")));
        } else {
            const QString path = m_book.dataFilePath();
            const int code = FileProblem::ReadProbe(path);
            m_status->setText(FileProblem::Message(m_years->lastError, path,
                                                   FileProblem::Reason(code, m_years->lastReason)));
            m_range->setText(QStringLiteral("対象: なし"));
        }
    }

    const QList<statstext::Row> rows
            = figures ? statstext::Rows(*figures) : QList<statstext::Row>();
    // The cells are written over in place: a screen reader that holds them keeps reading them.
    m_table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 2; ++c) {
            QTableWidgetItem *cell = m_table->item(r, c);
            if (!cell) {
                cell = new QTableWidgetItem;
                cell->setTextAlignment((c == 0 ? Qt::AlignLeft : Qt::AlignRight)
                                       | Qt::AlignVCenter);
                m_table->setItem(r, c, cell);
            }
            cell->setText(c == 0 ? rows[r].item : rows[r].value);
        }
    }
    if (!rows.isEmpty() && !m_table->currentItem())
        m_table->setCurrentCell(0, 0);
}
