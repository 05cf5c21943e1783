#include "tools/CalendarDlg.h"

#include "data/FileProblem.h"
#include "data/ResultBook.h"
#include "dialogkit/WindowPosition.h"
#include "settings/Settings.h"
#include "tools/CalendarGrid.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

using dlg::Kind;
using dlg::NoId;

// The calendar, 340 x 252 dialog units; template order is tab order.
const dlg::Item kTemplate[] = {
        {CCalendarDlg::IdMonthView, Kind::Radio, u"月(&M)", 8, 6, 34, 10, dlg::Group},
        {CCalendarDlg::IdYearView, Kind::Radio, u"年(&Y)", 44, 6, 34, 10},
        {CCalendarDlg::IdPrev, Kind::PushButton, u"<", 88, 4, 20, 14, dlg::TabStop | dlg::Group},
        {CCalendarDlg::IdTitle, Kind::Text, u"", 110, 4, 144, 14, dlg::AlignCenter | dlg::VCenter},
        {CCalendarDlg::IdNext, Kind::PushButton, u">", 256, 4, 20, 14, dlg::TabStop},
        {NoId, Kind::Text, u"単位:百円", 280, 6, 52, 10, dlg::AlignRight},
        {CCalendarDlg::IdDays, Kind::Custom, nullptr, 8, 22, 324, 204, dlg::TabStop},
        {CCalendarDlg::IdStatus, Kind::Text, u"", 8, 232, 258, 12, dlg::Sunken | dlg::VCenter},
        {CCalendarDlg::IdClose, Kind::DefPushButton, u"閉じる", 274, 230, 58, 16, dlg::TabStop},
};

const QString kOutside = QStringLiteral("この日は表示中の期間の外です");

bool ValidYear(int32_t date)
{
    // Date texts are written for four-digit years only.
    return date / 10000 >= 1 && date / 10000 <= 9999;
}

} // namespace

CCalendarDlg::CCalendarDlg(QWidget *owner, const CResultBook &book, int today)
    : QDialog(owner)
    , m_book(book)
    , m_today(today)
    , m_cursor(today)
{
    setWindowTitle(QStringLiteral("カレンダー"));
    setModal(false);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    m_controls = dlg::Build(this, kTemplate, units, [this](const dlg::Item &, QWidget *client) {
        return BuildDays(client);
    });
    setFixedSize(dlg::ToPixels(units, 340, 252));

    m_title = m_controls.get<QLabel>(IdTitle);
    m_status = m_controls.get<QLabel>(IdStatus);
    m_status->setAccessibleName(QStringLiteral("ステータス"));
    m_prev = m_controls.get<QPushButton>(IdPrev);
    m_next = m_controls.get<QPushButton>(IdNext);
    m_prev->setAutoDefault(false);
    m_next->setAutoDefault(false);
    connect(m_prev, &QPushButton::clicked, this, [this] { StepPage(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { StepPage(1); });
    connect(m_controls.get<QRadioButton>(IdYearView), &QRadioButton::toggled, this,
            [this](bool on) { SetYearView(on); });
    connect(m_controls.get<QPushButton>(IdClose), &QPushButton::clicked, this, &QDialog::accept);
    // The days the book takes while the window is open.
    connect(&m_book, &CResultBook::dayChanged, this, [this](int index) {
        m_archive.TakeBook(m_book, index);
        Redraw();
    });
    m_controls.get<QRadioButton>(IdMonthView)->setChecked(true);
    SetYearView(false);
}

CCalendarDlg::~CCalendarDlg()
{
    if (m_initialized && isVisible())
        OnDestroy();
}

QWidget *CCalendarDlg::BuildDays(QWidget *client)
{
    m_stack = new QStackedWidget(client);
    m_monthGrid = new CCalendarGrid(m_archive, false, m_stack);
    m_stack->addWidget(m_monthGrid);

    m_yearPage = new QWidget(m_stack);
    auto *layout = new QGridLayout(m_yearPage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(4);
    for (int m = 0; m < 12; ++m) {
        auto *box = new QVBoxLayout;
        box->setSpacing(1);
        auto *title = new QLabel(m_yearPage);
        auto *grid = new CCalendarGrid(m_archive, true, m_yearPage);
        title->setBuddy(grid);
        box->addWidget(title);
        box->addWidget(grid, 1);
        layout->addLayout(box, m / 4, m % 4);
        m_yearTitles[size_t(m)] = title;
        m_yearGrids[size_t(m)] = grid;
    }
    m_stack->addWidget(m_yearPage);

    for (CCalendarGrid *grid : {m_monthGrid}) {
        grid->SetKeyHandler([this](QKeyEvent *e) { return HandleKey(e); });
        connect(grid, &CCalendarGrid::dayClicked, this, &CCalendarDlg::MoveCursor);
        connect(grid, &CCalendarGrid::dayActivated, this, &CCalendarDlg::Activate);
    }
    for (CCalendarGrid *grid : m_yearGrids) {
        grid->SetKeyHandler([this](QKeyEvent *e) { return HandleKey(e); });
        connect(grid, &CCalendarGrid::dayClicked, this, &CCalendarDlg::MoveCursor);
        connect(grid, &CCalendarGrid::dayActivated, this, &CCalendarDlg::Activate);
    }
    // The grids move in the tab order as one control, wherever the template puts it.
    m_stack->setFocusProxy(m_monthGrid);
    return m_stack;
}

QWidget *CCalendarDlg::control(ControlId id) const
{
    return m_controls.widget(id);
}

QString CCalendarDlg::StatusText() const
{
    return m_status->text();
}

void CCalendarDlg::Reload()
{
    m_readProblem.clear();
    if (!m_archive.Load(m_book)) {
        const QString path = m_book.dataFilePath();
        const int code = FileProblem::ReadProbe(path);
        m_readProblem = FileProblem::Message(m_archive.lastError, path,
                                             FileProblem::Reason(code, m_archive.lastReason));
    }
    m_status->setText(m_readProblem);
    Redraw();
}

void CCalendarDlg::SetYearView(bool year)
{
    const QWidget *focus = QApplication::focusWidget();
    const bool gridHadFocus = focus && m_stack->isAncestorOf(focus);
    m_yearView = year;
    QRadioButton *radio = m_controls.get<QRadioButton>(year ? IdYearView : IdMonthView);
    if (!radio->isChecked())
        radio->setChecked(true);
    m_stack->setCurrentIndex(year ? 1 : 0);
    m_prev->setAccessibleDescription(year ? QStringLiteral("前の年") : QStringLiteral("前の月"));
    m_next->setAccessibleDescription(year ? QStringLiteral("次の年") : QStringLiteral("次の月"));
    Redraw();
    if (gridHadFocus)
        m_stack->focusProxy()->setFocus(Qt::OtherFocusReason);
}

void CCalendarDlg::MoveCursor(int32_t date)
{
    if (!ValidYear(date))
        return;
    m_cursor = date;
    m_status->setText(m_readProblem);
    Redraw();
}

void CCalendarDlg::StepPage(int n)
{
    MoveCursor(calendar::AddMonthsClamped(m_cursor, m_yearView ? 12 * n : n));
}

void CCalendarDlg::GoToday()
{
    MoveCursor(m_today);
}

void CCalendarDlg::Activate(int32_t date)
{
    MoveCursor(date);
    if (m_book.IndexOf(date) >= 0)
        emit openDayRequested(date);
    else
        m_status->setText(kOutside);
}

void CCalendarDlg::Redraw()
{
    const int month = m_cursor / 100;
    const int year = m_cursor / 10000;
    const int32_t scale = m_archive.YearScale(year);
    QString title;
    CCalendarGrid *current = m_monthGrid;
    if (!m_yearView) {
        m_monthGrid->Model().Show(month, m_today, scale);
        m_monthGrid->SetCursorDate(m_cursor);
        title = calendar::MonthTitle(month, m_archive.MonthBalance(month));
        m_monthGrid->setAccessibleName(title);
    } else {
        const QWidget *focus = QApplication::focusWidget();
        bool yearHadFocus = false;
        for (int m = 1; m <= 12; ++m) {
            CCalendarGrid *grid = m_yearGrids[size_t(m - 1)];
            yearHadFocus |= grid == focus;
            const int key = year * 100 + m;
            const int64_t balance = m_archive.MonthBalance(key);
            grid->Model().Show(key, m_today, scale);
            grid->SetCursorDate(m_cursor);
            grid->setAccessibleName(calendar::MonthTitle(key, balance));
            // Only the cursor's month is a tab stop; the arrows reach the others.
            grid->setFocusPolicy(key == month ? Qt::StrongFocus : Qt::ClickFocus);
            m_yearTitles[size_t(m - 1)]->setText(calendar::ShortMonthTitle(key, balance));
        }
        current = m_yearGrids[size_t(month % 100 - 1)];
        title = calendar::YearTitle(year, m_archive.YearBalance(year));
        if (yearHadFocus && focus != current)
            current->setFocus(Qt::OtherFocusReason);
    }
    m_stack->setFocusProxy(current);
    m_title->setText(title);
}

bool CCalendarDlg::HandleKey(QKeyEvent *event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Left:
        MoveCursor(calendar::AddDays(m_cursor, -1));
        return true;
    case Qt::Key_Right:
        MoveCursor(calendar::AddDays(m_cursor, 1));
        return true;
    case Qt::Key_Up:
        MoveCursor(calendar::AddDays(m_cursor, -7));
        return true;
    case Qt::Key_Down:
        MoveCursor(calendar::AddDays(m_cursor, 7));
        return true;
    case Qt::Key_PageUp:
        StepPage(-1);
        return true;
    case Qt::Key_PageDown:
        StepPage(1);
        return true;
    case Qt::Key_Home:
        GoToday();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Activate(m_cursor);
        return true;
    default:
        return false;
    }
}

void CCalendarDlg::keyPressEvent(QKeyEvent *event)
{
    // The page keys and Home act wherever the focus is in the window.
    const int key = event->key();
    if ((key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home)
        && HandleKey(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CCalendarDlg::setVisible(bool visible)
{
    if (visible && !m_initialized)
        OnInitDialog();
    QDialog::setVisible(visible);
}

void CCalendarDlg::done(int result)
{
    if (m_initialized && isVisible())
        OnDestroy();
    QDialog::done(result);
}

void CCalendarDlg::OnInitDialog()
{
    m_initialized = true;
    RestoreWindowPosition(*this, &CSettings::calendarPos);
    CSettings settings;
    settings.Read(&CSettings::calendarYear);
    Reload();
    SetYearView(settings.calendarYear);
    m_stack->focusProxy()->setFocus(Qt::OtherFocusReason);
}

void CCalendarDlg::OnDestroy()
{
    SaveWindowPosition(*this, &CSettings::calendarPos);
    CSettings settings;
    settings.calendarYear = m_yearView;
    settings.Write(&CSettings::calendarYear);
    m_initialized = false;
}
