#include "playdlg/PlaysDlg.h"

#include "dialogkit/DialogTemplate.h"
#include "dialogkit/Prompt.h"
#include "playdlg/PlaysModel.h"
#include "session/PlayDiary.h"

#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>

namespace {

using dlg::Kind;
using dlg::NoId;
using D = CPlaysDlg;

// 400 x 170 dialog units; template order is tab order. 閉じる is the default button, and Esc
// closes as well.
const dlg::Item kTemplate[] = {
        {NoId, Kind::Text, u"この日の稼働(&L):", 8, 6, 120, 10, dlg::VCenter},
        {NoId, Kind::Text, u"単位:百円", 332, 6, 60, 10, dlg::AlignRight | dlg::VCenter},
        {D::IdTable, Kind::Custom, nullptr, 8, 18, 384, 122, dlg::TabStop},
        {D::IdAdd, Kind::PushButton, u"追加(&A)...", 8, 148, 56, 14, dlg::TabStop},
        {D::IdEdit, Kind::PushButton, u"編集(&E)...", 68, 148, 56, 14, dlg::TabStop},
        {D::IdDelete, Kind::PushButton, u"削除(&D)", 128, 148, 56, 14, dlg::TabStop},
        {D::IdClose, Kind::DefPushButton, u"閉じる", 336, 148, 56, 14, dlg::TabStop},
};

// Each column's share of the list's width, in fortieths; the memo takes the rest.
constexpr int kShares[CPlaysModel::ColumnCount] = {7, 7, 4, 4, 3, 3, 3, 0};

QString Times(const PlaySession &s)
{
    if (s.startMinute == PlaySession::kNoTime && s.endMinute == PlaySession::kNoTime)
        return QString();
    return QStringLiteral(" %1～%2").arg(PlayInput::TimeText(s.startMinute),
                                         PlayInput::TimeText(s.endMinute));
}

} // namespace

CPlaysDlg::CPlaysDlg(QWidget *owner, CPlayDiary &plays, int date, const QString &dateText,
                     CPrompt &prompt, PlayClock clock)
    : QDialog(owner)
    , m_plays(plays)
    , m_date(date)
    , m_prompt(prompt)
    , m_clock(std::move(clock))
{
    setWindowTitle(QStringLiteral("稼働記録 - ") + dateText);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_model = new CPlaysModel(this);
    m_controls = std::make_unique<dlg::Controls>(
            dlg::Build(this, kTemplate, units,
                       [](const dlg::Item &, QWidget *client) { return new QTreeView(client); }));
    setFixedSize(dlg::ToPixels(units, 400, 170));

    // A flat list of rows with a heading per column, as the main window's lists are: a screen
    // reader meets the headings, then the cells row by row, and no row headers.
    m_table = m_controls->get<QTreeView>(IdTable);
    m_table->setModel(m_model);
    m_table->setRootIsDecorated(false);
    m_table->setItemsExpandable(false);
    m_table->setUniformRowHeights(true);
    m_table->setAllColumnsShowFocus(true);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the buttons; the arrows move between the rows.
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    m_table->header()->setStretchLastSection(true);
    m_table->header()->setSectionsMovable(false);
    // The width inside the frame, less a scroll bar's: the viewport has no size of its own yet.
    const int width = m_table->width() - 2 * m_table->frameWidth()
            - m_table->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_table);
    for (int c = 0; c < CPlaysModel::ColumnCount; ++c) {
        if (kShares[c] > 0)
            m_table->setColumnWidth(c, width * kShares[c] / 40);
    }

    m_edit = m_controls->get<QPushButton>(IdEdit);
    m_delete = m_controls->get<QPushButton>(IdDelete);
    connect(m_controls->get<QPushButton>(IdAdd), &QPushButton::clicked, this, &CPlaysDlg::OnAdd);
    connect(m_edit, &QPushButton::clicked, this, &CPlaysDlg::OnEdit);
    connect(m_delete, &QPushButton::clicked, this, &CPlaysDlg::OnDelete);
    connect(m_controls->get<QPushButton>(IdClose), &QPushButton::clicked, this, &QDialog::reject);
    // Edit and delete follow the selection, however it was made.
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CPlaysDlg::UpdateButtons);
    connect(m_table, &QTreeView::doubleClicked, this, &CPlaysDlg::OnEdit);
    connect(&m_plays, &CPlayDiary::sessionsChanged, this, [this](int changed) {
        if (changed == m_date)
            Reload();
    });

    Reload();
    SelectRow(0);
    FocusList();
}

CPlaysDlg::~CPlaysDlg()
{
    m_table->setModel(nullptr); // the view lets go of the model before the model goes
}

CPlaysDlg *CPlaysDlg::Open(QWidget *owner, CPlayDiary &plays, int date, const QString &dateText,
                           CPrompt &prompt, PlayClock clock)
{
    auto *window = new CPlaysDlg(owner, plays, date, dateText, prompt, std::move(clock));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->activateWindow();
    return window;
}

QWidget *CPlaysDlg::control(ControlId id) const
{
    return m_controls->widget(id);
}

void CPlaysDlg::Reload()
{
    // The selection stays on its session when there is one; otherwise on its row.
    const int row = SelectedRow();
    const qint64 id = row >= 0 ? m_model->Sessions().at(row).id : 0;
    m_model->SetSessions(m_plays.SessionsOfDay(m_date));
    const int again = m_model->RowOf(id);
    SelectRow(again >= 0 ? again : std::min(row, m_model->rowCount() - 1));
    UpdateButtons();
}

void CPlaysDlg::UpdateButtons()
{
    const bool available = m_plays.CanChange();
    const bool selected = SelectedRow() >= 0;
    m_controls->widget(IdAdd)->setEnabled(available);
    m_edit->setEnabled(available && selected);
    m_delete->setEnabled(available && selected);
}

int CPlaysDlg::SelectedRow() const
{
    const QModelIndexList rows = m_table->selectionModel()
            ? m_table->selectionModel()->selectedRows()
            : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CPlaysDlg::SelectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount()) {
        UpdateButtons();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_table->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_table->scrollTo(index);
    UpdateButtons();
}

void CPlaysDlg::OnAdd()
{
    if (m_editor || !m_plays.CanChange())
        return;
    PlaySession session;
    session.day = m_date;
    OpenEditor(session);
}

void CPlaysDlg::OnEdit()
{
    const int row = SelectedRow();
    if (m_editor || row < 0 || !m_plays.CanChange())
        return;
    OpenEditor(m_model->Sessions().at(row));
}

void CPlaysDlg::OpenEditor(const PlaySession &session)
{
    m_selectAfterEdit = 0;
    m_editor = new CPlayEditDlg(this, m_plays, session, m_prompt, m_clock);
    m_editor->setAttribute(Qt::WA_DeleteOnClose);
    m_editor->setWindowModality(Qt::ApplicationModal);
    connect(m_editor, &CPlayEditDlg::saved, this, [this](qint64 id) { m_selectAfterEdit = id; });
    connect(m_editor, &QDialog::finished, this, &CPlaysDlg::OnEditorClosed);
    m_editor->show();
    m_editor->activateWindow();
}

void CPlaysDlg::OnEditorClosed()
{
    if (m_selectAfterEdit != 0)
        SelectRow(m_model->RowOf(m_selectAfterEdit));
    // Back to the list, so that the next session is one Alt+A away.
    activateWindow();
    FocusList();
}

void CPlaysDlg::FocusList()
{
    QWidget *target = m_model->rowCount() > 0 ? m_table : m_controls->widget(IdAdd);
    if (!target->isEnabled())
        target = m_controls->widget(IdClose);
    target->setFocus(Qt::OtherFocusReason);
}

void CPlaysDlg::OnDelete()
{
    const int row = SelectedRow();
    if (m_editor || row < 0 || !m_plays.CanChange())
        return;
    const PlaySession session = m_model->Sessions().at(row);
    QString what = session.store;
    if (!session.machine.isEmpty())
        what += QLatin1Char(' ') + session.machine;
    what += Times(session);
    const QMessageBox::StandardButton answer
            = m_prompt.Show(this, QStringLiteral("この稼働を削除しますか？\n") + what,
                            QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    QString problem;
    if (!m_plays.Delete(session.id, &problem) && !problem.isEmpty())
        m_prompt.Show(this, problem, QMessageBox::Warning, QMessageBox::Ok);
    // The list follows the change through sessionsChanged; a failed delete leaves it as it was.
    Reload();
    FocusList();
}
