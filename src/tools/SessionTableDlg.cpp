#include "tools/SessionTableDlg.h"

#include "dialogkit/PaintFrame.h"
#include "dialogkit/ReportList.h"
#include "dialogkit/WindowPosition.h"
#include "session/ReportModel.h"
#include "settings/Settings.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

using dlg::Kind;
using dlg::NoId;

// The window, 440 x 356 dialog units; template order is tab order.
const dlg::Item kTemplate[] = {
        {NoId, Kind::GroupBox, u"分類", 8, 2, 204, 28, dlg::Group},
        {CSessionTableDlg::IdByStore, Kind::Radio, u"店舗別(&T)", 16, 14, 56, 10, dlg::Group},
        {CSessionTableDlg::IdByMachine, Kind::Radio, u"機種別(&K)", 78, 14, 56, 10},
        {CSessionTableDlg::IdByHour, Kind::Radio, u"時間帯別(&H)", 140, 14, 64, 10},
        {NoId, Kind::GroupBox, u"範囲", 220, 2, 212, 28, dlg::Group},
        {CSessionTableDlg::IdPeriod, Kind::Radio, u"表示中の期間(&P)", 228, 14, 88, 10, dlg::Group},
        {CSessionTableDlg::IdAllYears, Kind::Radio, u"すべての年(&A)", 324, 14, 80, 10},
        {CSessionTableDlg::IdListTitle, Kind::Text, u"集計(&L):", 8, 34, 80, 12,
         dlg::VCenter | dlg::Group},
        {NoId, Kind::Text, u"単位:百円 (時給は円)", 300, 34, 132, 12,
         dlg::AlignRight | dlg::VCenter},
        {CSessionTableDlg::IdList, Kind::Custom, nullptr, 8, 46, 424, 140, dlg::TabStop},
        {CSessionTableDlg::IdChart, Kind::Custom, nullptr, 8, 190, 424, 134},
        {CSessionTableDlg::IdStatus, Kind::Text, u"", 8, 328, 358, 24, dlg::WordWrap},
        {CSessionTableDlg::IdClose, Kind::DefPushButton, u"閉じる", 374, 332, 58, 16, dlg::TabStop},
};

// The radio of each grouping and each range.
int GroupingId(SessionGrouping grouping)
{
    return grouping == SessionGrouping::Machine ? CSessionTableDlg::IdByMachine
            : grouping == SessionGrouping::Hour ? CSessionTableDlg::IdByHour
                                                : CSessionTableDlg::IdByStore;
}

int RangeId(SessionRange range)
{
    return range == SessionRange::AllYears ? CSessionTableDlg::IdAllYears
                                           : CSessionTableDlg::IdPeriod;
}

QString GroupingText(SessionGrouping grouping)
{
    return grouping == SessionGrouping::Machine ? QStringLiteral("機種別")
            : grouping == SessionGrouping::Hour ? QStringLiteral("時間帯別")
                                                : QStringLiteral("店舗別");
}

} // namespace

CSessionTableDlg::CSessionTableDlg(QWidget *owner, const CResultBook &book, CPlayStore &store)
    : QDialog(owner)
    , m_table(store, book)
    , m_model(std::make_unique<CReportModel>(sessiontable::Columns()))
{
    setWindowTitle(QStringLiteral("店舗・機種別集計"));
    setModal(true);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());

    const auto factory = [this](const dlg::Item &item, QWidget *client) -> QWidget * {
        if (item.id == IdList)
            return m_list = new CReportList(client);
        return m_chartFrame = new CPaintFrame(client, [this](QPainter &painter, QSize size) {
                   m_chart.Draw(painter, size);
               });
    };
    m_controls = dlg::Build(this, kTemplate, units, factory);
    setFixedSize(dlg::ToPixels(units, 440, 356));

    m_status = m_controls.get<QLabel>(IdStatus);
    m_list->SetReportModel(m_model.get());
    m_list->SetupColumns();
    // The headings sort; the list itself never does, so that 合計 stays last.
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSortIndicatorShown(true);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &CSessionTableDlg::ClickHeading);

    for (const SessionGrouping grouping :
         {SessionGrouping::Store, SessionGrouping::Machine, SessionGrouping::Hour}) {
        connect(m_controls.get<QRadioButton>(GroupingId(grouping)), &QRadioButton::toggled, this,
                [this, grouping](bool on) {
                    if (on)
                        SetGrouping(grouping);
                });
    }
    for (const SessionRange range : {SessionRange::Period, SessionRange::AllYears}) {
        connect(m_controls.get<QRadioButton>(RangeId(range)), &QRadioButton::toggled, this,
                [this, range](bool on) {
                    if (on)
                        SetRange(range);
                });
    }
    connect(m_controls.get<QPushButton>(IdClose), &QPushButton::clicked, this, &QDialog::accept);

    // Checked without reading: the range is read when the window opens or is asked for.
    Check(GroupingId(m_table.Grouping()));
    Check(RangeId(m_table.Range()));
}

CSessionTableDlg::~CSessionTableDlg()
{
    // Destroyed while still open (its owner went away): the choices are kept all the same.
    if (m_initialized && isVisible())
        OnDestroy();
    m_list->setModel(nullptr); // the model goes before the list
}

QWidget *CSessionTableDlg::control(ControlId id) const
{
    return m_controls.widget(id);
}

QString CSessionTableDlg::StatusText() const
{
    return m_status->text();
}

void CSessionTableDlg::Check(int radioId)
{
    QRadioButton *radio = m_controls.get<QRadioButton>(radioId);
    if (!radio->isChecked()) {
        const QSignalBlocker quiet(radio); // no second reading from its handler
        radio->setChecked(true);
    }
}

void CSessionTableDlg::SetGrouping(SessionGrouping grouping)
{
    m_table.SetGrouping(grouping);
    Check(GroupingId(grouping));
    if (!m_loaded) {
        m_table.Load(m_table.Range());
        m_loaded = true;
    }
    Fill();
}

void CSessionTableDlg::SetRange(SessionRange range)
{
    Check(RangeId(range));
    if (!m_loaded || range != m_table.Range()) {
        m_table.Load(range);
        m_loaded = true;
    }
    Fill();
}

void CSessionTableDlg::ClickHeading(int column)
{
    m_table.SetOrder(m_table.Order().Clicked(column));
    Fill();
}

void CSessionTableDlg::Fill()
{
    const SessionGrouping grouping = m_table.Grouping();
    const std::vector<SessionFigures> sorted = m_table.Sorted();
    m_model->SetRows(sessiontable::TableRows(sorted, m_table.Totals().Total(), grouping));
    // The view lays out its rows only when the events are next handled; a screen reader asking
    // before that would find no rows.
    m_list->doItemsLayout();
    const sessiontable::Order order = m_table.Order();
    m_list->header()->setSortIndicator(order.column,
                                       order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    // A list view takes no name from its label; a screen reader reads this one.
    m_list->setAccessibleName(GroupingText(grouping) + QStringLiteral("の集計"));

    QStringList names;
    QList<int64_t> balances;
    for (const SessionFigures &row : sorted) {
        names << sessiontable::RowName(row, grouping);
        balances << row.Balance();
    }
    m_chart.SetRows(GroupingText(grouping) + QStringLiteral("の収支"), names, balances);
    m_chartFrame->setAccessibleName(m_chart.Description());
    m_chartFrame->update();
    m_status->setText(m_table.Note());
}

void CSessionTableDlg::setVisible(bool visible)
{
    if (visible && !m_initialized)
        OnInitDialog();
    QDialog::setVisible(visible);
}

void CSessionTableDlg::done(int result)
{
    if (m_initialized && isVisible())
        OnDestroy();
    QDialog::done(result);
}

void CSessionTableDlg::OnInitDialog()
{
    m_initialized = true;
    RestoreWindowPosition(*this, &CSettings::sessionTablePos);
    CSettings settings;
    settings.Read(&CSettings::sessionTableGrouping);
    settings.Read(&CSettings::sessionTableAllYears);
    const SessionGrouping grouping = SessionGroupingOf(settings.sessionTableGrouping);
    m_table.SetGrouping(grouping);
    Check(GroupingId(grouping));
    SetRange(settings.sessionTableAllYears ? SessionRange::AllYears : SessionRange::Period);
    m_list->setFocus();
}

void CSessionTableDlg::OnDestroy()
{
    SaveWindowPosition(*this, &CSettings::sessionTablePos);
    CSettings settings;
    settings.sessionTableGrouping = int(m_table.Grouping());
    settings.sessionTableAllYears = m_table.Range() == SessionRange::AllYears;
    settings.Write(&CSettings::sessionTableGrouping);
    settings.Write(&CSettings::sessionTableAllYears);
    m_initialized = false;
}
