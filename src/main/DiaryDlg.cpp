#include "main/DiaryDlg.h"

#include "analyzer/AnalyzerDlg.h"
#include "dialogkit/ButtonCommands.h"
#include "dialogkit/OpenPath.h"
#include "dialogkit/SavePath.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/OptionDlg.h"
#include "graph/GraphPainter.h"
#include "graph/TransitionGraph.h"
#include "main/ExportCommands.h"
#include "main/GraphFrame.h"
#include "main/ImportCommands.h"
#include "main/LimitWatch.h"
#include "main/PeriodList.h"
#include "main/UpDownCtrl.h"
#include "session/DiarySession.h"
#include "session/Messages.h"
#include "session/PlayDiary.h"
#include "session/RowText.h"
#include "tools/CalendarDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

CDiaryDlg::CDiaryDlg(const DiaryEnv &env, QWidget *parent)
    : QDialog(parent)
    , m_prompt(env.prompt ? env.prompt : &DefaultPrompt())
    , m_startDate(env.today.isValid() ? env.today : QDate::currentDate())
    , m_dataFilePath(env.dataFilePath)
    , m_clock(env.clock)
    , m_makeEntryWindow(env.makeEntryWindow)
    , m_makeBook(env.makeBook)
    , m_savePath(env.savePath ? env.savePath : &DefaultSavePath())
    , m_openPath(env.openPath ? env.openPath : &DefaultOpenPath())
    , m_viewOnly(env.viewOnly)
    , m_commands(std::make_unique<CButtonCommands>())
    , m_hIcon(QStringLiteral(":/icons/murel.png"))
{
    BuildWindow();
    OnInitDialog();
}

const CResultBook &CDiaryDlg::Book() const
{
    return m_session->Book();
}

void CDiaryDlg::OnInitDialog()
{
    m_settings.ReadSection(CSettings::kOptionSection);
    m_options = std::make_unique<COptionDlg>(m_settings);
    std::unique_ptr<CResultBook> book = m_makeBook ? m_makeBook(m_dataFilePath)
                                                   : std::make_unique<CResultBook>(m_dataFilePath);
    book->SetViewOnly(m_viewOnly);
    m_session = std::make_unique<CDiarySession>(m_startDate, std::move(book),
                                                m_settings.fromJanuary ? 1 : 0);
    connect(m_session.get(), &CDiarySession::viewChanged, this, &CDiaryDlg::DrawView);
    connect(m_session.get(), &CDiarySession::daysChanged, this, &CDiaryDlg::DrawDays);
    connect(m_session.get(), &CDiarySession::entryOpenChanged, this,
            &CDiaryDlg::OnEntryOpenChanged);
    // Told once back in the event loop, never inside the entry that caused it.
    connect(m_session.get(), &CDiarySession::reportsWaiting, this, &CDiaryDlg::ShowReports,
            Qt::QueuedConnection);
    if (m_clock)
        m_session->SetClock(m_clock);
    m_graph = std::make_unique<CGraphPainter>();
    m_ui.frame->SetPainter(m_graph.get());
    ConnectExport();

    // The start-up date stays the reference for today and this month for the whole run.
    m_ui.todayDate->setText(m_startDate.toString(QStringLiteral("yyyy/MM/dd")));

    m_ui.years->setText(QStringLiteral("1"));
    m_ui.years->setMaxLength(1);
    m_ui.upDown->SetRange(1, 9);

    m_settings.ReadSection(CSettings::kGraphSection);
    m_graphSpan = m_settings.graphSpan;
    {
        const auto quiet = m_commands->Quiet();
        if (m_graphSpan == 1)
            m_ui.spanOneMonth->setChecked(true);
        else if (m_graphSpan == 3)
            m_ui.spanThreeMonths->setChecked(true);
        else if (m_graphSpan == 12)
            m_ui.spanOneYear->setChecked(true);
        m_ui.itemBalance->setChecked(m_settings.graphTotal);
        m_ui.itemMonth->setChecked(m_settings.graphMonth);
        m_ui.itemYear->setChecked(m_settings.graphYear);
    }

    m_ui.list->Setup();
    m_ui.list->FollowPlays(m_session->Plays()); // the days with play sessions are marked
    OnToday();
    ConnectTools();
}

void CDiaryDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The daily input window opens over the main window, so only once the latter is shown. The
    // show event comes before the platform shows and activates this window: opened from here
    // directly, the daily input window would lose the activation, and the keyboard, to it.
    if (!m_shownOnce) {
        m_shownOnce = true;
        QMetaObject::invokeMethod(
                this,
                [this] {
                    WarnIfUnwritable();
                    // The play sessions' database is first looked at once the window shows.
                    for (const PlayNotice &notice : m_session->Plays().Start())
                        m_prompt->Show(this, notice.text,
                                       notice.icon == PlayNotice::Icon::Information
                                               ? QMessageBox::Information
                                               : QMessageBox::Warning,
                                       QMessageBox::Ok);
                    if (m_settings.showDailyInput)
                        OpenDailyInput();
                },
                Qt::QueuedConnection);
    }
}

CDiaryDlg::~CDiaryDlg()
{
    SaveSettings();
    // A daily input window still open goes first, while the session it follows still exists;
    // this window is not told.
    m_session->disconnect(this);
    delete m_dailyInput.data();
    delete m_calendar.data(); // it reads the book
    m_ui.frame->SetPainter(nullptr);
}

void CDiaryDlg::SaveSettings()
{
    m_settings.graphSpan = m_graphSpan;
    m_settings.graphTotal = m_ui.itemBalance->isChecked();
    m_settings.graphMonth = m_ui.itemMonth->isChecked();
    m_settings.graphYear = m_ui.itemYear->isChecked();
    m_settings.WriteSection(CSettings::kGraphSection);
}

bool CDiaryDlg::IsDailyView() const
{
    return m_session->View() == DiaryView::Daily;
}

void CDiaryDlg::WarnIfUnwritable()
{
    // Said once, before anything is typed; a file that could not even be read was reported then.
    if (!Book().LastError().isEmpty())
        return;
    const QString problem = Book().WritableProblem();
    if (!problem.isEmpty())
        Warn(problem);
}

void CDiaryDlg::Warn(const QString &text)
{
    m_prompt->Show(this, text, QMessageBox::Warning, QMessageBox::Ok);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void CDiaryDlg::DrawView()
{
    const CDiarySession &s = *m_session;
    if (IsDailyView())
        m_ui.list->ShowDaily(s.Book(), s.MonthIndex(), s.SelDay(), s.Today());
    else
        m_ui.list->ShowMonthly(s.Book(), s.SelMonth(), s.ThisMonth());
    DrawAroundList();
}

void CDiaryDlg::DrawDays(int fromIndex)
{
    if (m_ui.list->Model().IsDaily() != IsDailyView()) {
        DrawView();
        return;
    }
    // Only the rows the changed days reach; the selection stays on the day that was entered.
    m_ui.list->DaysChanged(m_session->Book(), fromIndex);
    DrawAroundList();
}

void CDiaryDlg::DrawAroundList()
{
    const CDiarySession &s = *m_session;
    const bool daily = IsDailyView();
    if (!daily)
        m_ui.list->setEnabled(true);
    m_ui.monthlyList->setEnabled(daily);
    m_ui.dailyList->setEnabled(!daily);
    m_ui.itemMonth->setEnabled(daily);
    UpdateMonthButtons(daily);
    for (QWidget *span : {m_ui.spanOneMonth, m_ui.spanThreeMonths, m_ui.spanOneYear})
        span->setEnabled(daily);
    if (daily) {
        m_ui.listTitle->setText(QStringLiteral("日別一覧(&L):"));
        const bool valid = s.MonthIndex() >= 0 && s.MonthIndex() < s.Book().MonthCount();
        m_ui.listMonth->setText(valid ? s.Book().Month(s.MonthIndex()).monthText : QString());
    } else {
        m_ui.listTitle->setText(QStringLiteral("月別一覧(&L):"));
        m_ui.listMonth->setText(QString());
    }
    m_ui.summary->setText(rowtext::Summary(s.Book()));
    UpdateGraph();
    m_ui.list->setFocus();
}

void CDiaryDlg::UpdateMonthButtons(bool enable)
{
    m_ui.prevMonth->setEnabled(false);
    m_ui.nextMonth->setEnabled(false);
    const int count = m_session->Book().MonthCount();
    if (enable && count > 0) {
        m_ui.prevMonth->setEnabled(m_session->MonthIndex() > 0);
        m_ui.nextMonth->setEnabled(m_session->MonthIndex() < count - 1);
    }
}

void CDiaryDlg::UpdateGraph()
{
    FillTransitionGraph(*m_graph, m_session->Book(), GraphRequest());
    m_ui.frame->update();
}

void CDiaryDlg::SetSpan(int span)
{
    if (m_graphSpan == span)
        return;
    m_graphSpan = span;
    UpdateGraph();
}

// ---------------------------------------------------------------------------------------------
// Target period

bool CDiaryDlg::ChangePeriod(int yearsBack)
{
    const CResultBook &book = m_session->Book();
    const PeriodOutcome outcome = m_session->SelectPeriod(yearsBack);
    ShowReports(); // a failed backup first: the save went on all the same
    switch (outcome) {
    case PeriodOutcome::KeptOld:
        // The old period could not be written: it stays loaded with its changes, and so do the
        // controls that chose it.
        Warn(book.LastError().isEmpty() ? CResultBook::SaveFailedText() : book.LastError());
        RestorePeriodControls();
        return false;
    case PeriodOutcome::ReadFailed: {
        const QString error
                = book.LastError().isEmpty() ? CResultBook::LoadFailedText() : book.LastError();
        Warn(book.IsReadWhole() ? error : error + QLatin1Char('\n') + msg::NothingWritten());
        break;
    }
    case PeriodOutcome::Loaded:
        break;
    }
    m_ui.dailyInput->setEnabled(!m_dailyInput && m_session->CanEnter());
    m_loadedFromPast = m_ui.pastData->isChecked();
    m_loadedYearsText = m_ui.years->text();
    return true;
}

void CDiaryDlg::RestorePeriodControls()
{
    {
        const auto quiet = m_commands->Quiet();
        (m_loadedFromPast ? m_ui.pastData : m_ui.currentData)->setChecked(true);
        m_ui.years->setText(m_loadedYearsText);
    }
    EnablePeriodControls(!m_dailyInput);
}

void CDiaryDlg::EnablePeriodControls(bool enable)
{
    m_ui.currentData->setEnabled(enable);
    m_ui.pastData->setEnabled(enable);
    if (!enable)
        m_ui.years->setEnabled(false);
    else if (m_ui.pastData->isChecked())
        m_ui.years->setEnabled(true);
}

void CDiaryDlg::OnCurrentData()
{
    // A period that could not be read is read again.
    if (m_session->YearsBack() != 0 || !m_session->Book().IsReadWhole()) {
        if (!ChangePeriod(0))
            return;
        m_session->ShowMonthly();
    }
    m_ui.years->setEnabled(false);
}

void CDiaryDlg::OnPastData()
{
    if (m_session->YearsBack() == 0 || !m_session->Book().IsReadWhole()) {
        // The leading digits; an empty text gives 0.
        const QString text = m_ui.years->text();
        int digits = 0;
        while (digits < text.size() && text.at(digits).isDigit())
            ++digits;
        if (!ChangePeriod(text.left(digits).toInt()))
            return;
        m_session->ShowMonthly();
    }
    m_ui.years->setEnabled(true);
}

void CDiaryDlg::OnChangeYears()
{
    if (m_session->YearsBack() == -1 || m_commands->IsQuiet())
        return;
    const QString text = m_ui.years->text();
    if (text.isEmpty()) {
        m_ui.years->setText(QStringLiteral("1"));
        return;
    }
    const int n = text.toInt();
    if (n != m_session->YearsBack() && ChangePeriod(n))
        m_session->ShowMonthly();
}

void CDiaryDlg::OnOption()
{
    if (m_dailyInput) {
        m_dailyInput->setEnabled(false);
        Warn(msg::CloseDailyInput());
        if (m_dailyInput) {
            m_dailyInput->setEnabled(true);
            m_dailyInput->activateWindow();
        }
        return;
    }
    const bool fromJanuary = m_settings.fromJanuary;
    m_options->exec();
    if (m_settings.fromJanuary == fromJanuary)
        return;
    m_session->SetYearBasis(m_settings.fromJanuary ? 1 : 0);
    if (ChangePeriod(m_session->YearsBack())) {
        m_session->ShowMonthly();
        return;
    }
    // The old period had to stay: so does the basis it was laid out with, here and stored.
    m_settings.fromJanuary = fromJanuary;
    m_settings.Write(&CSettings::fromJanuary);
    m_session->SetYearBasis(fromJanuary ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------
// Views, days and the daily input window

void CDiaryDlg::OnMonthlyList()
{
    m_session->ShowMonthly();
}

void CDiaryDlg::OnDailyList()
{
    if (m_ui.list->SelectedRow() == -1) {
        Warn(msg::SelectMonth());
        m_ui.list->setFocus();
        return;
    }
    m_session->ShowDaily(m_ui.list->SelectedKey());
}

void CDiaryDlg::OnDailyInput()
{
    if (m_ui.list->SelectedRow() == -1) {
        Warn(msg::SelectDay());
        m_ui.list->setFocus();
        return;
    }
    if (m_session->ConfirmEntry() != EntryAnswer::Cancelled)
        OpenDailyInput();
}

void CDiaryDlg::OpenDailyInput()
{
    // The list's selection, however it was made: also a row reached with the keyboard.
    if (m_ui.list->SelectedRow() == -1) {
        m_session->ShowInEntry(0);
        return;
    }
    // A period that was not read whole takes no entries.
    if (!m_dailyInput && m_makeEntryWindow && m_session->CanEnter()) {
        const EntryMethod method
                = m_settings.balanceByDefault ? EntryMethod::Balance : EntryMethod::Amounts;
        m_dailyInput = m_makeEntryWindow(this, *m_session, *m_prompt, method);
    }
    if (m_dailyInput)
        m_session->ShowInEntry(IsDailyView() ? m_ui.list->SelectedKey() : 0);
}

void CDiaryDlg::OnEntryOpenChanged(bool open)
{
    // While the daily input window is open the period, the entry button and the analyses rest.
    EnablePeriodControls(!open);
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_ui.dailyInput, m_ui.analyzer, m_ui.yearsLabel})
        w->setEnabled(!open);
    m_ui.yearTable->setEnabled(!open);
    if (!open) {
        m_dailyInput = nullptr;
        m_ui.list->setFocus();
    }
    m_ui.dailyInput->setEnabled(!open && m_session->CanEnter());
}

void CDiaryDlg::OnListClick()
{
    const int row = m_ui.list->SelectedRow();
    if (row != -1)
        m_session->SelectRow(m_ui.list->RowKey(row));
}

void CDiaryDlg::OnListDblClk()
{
    if (!IsDailyView()) {
        // On a month it does what the daily-list button does.
        OnDailyList();
        return;
    }
    if (m_ui.list->SelectedRow() != -1) {
        OpenDailyInput();
    } else {
        Warn(msg::SelectDay());
        m_ui.list->setFocus();
    }
}

void CDiaryDlg::OnPrevMonth()
{
    m_session->PrevMonth();
}

void CDiaryDlg::OnNextMonth()
{
    m_session->NextMonth();
}

void CDiaryDlg::OnToday()
{
    // A day the question enters is drawn with the rest, not before it.
    const auto hold = m_session->HoldRefresh();
    if (m_session->ConfirmEntry() == EntryAnswer::Cancelled)
        return;
    {
        const auto quiet = m_commands->Quiet();
        m_ui.currentData->setChecked(true);
    }
    OnCurrentData();
    if (m_session->YearsBack() != 0)
        return; // the old period had to stay
    m_session->ShowToday();
}

// ---------------------------------------------------------------------------------------------
// Boxes and closing

void CDiaryDlg::OnAbout()
{
    CAboutDlg box(this);
    if (m_dailyInput)
        m_dailyInput->setEnabled(false);
    box.exec();
    if (m_dailyInput)
        m_dailyInput->setEnabled(true);
}

void CDiaryDlg::OnAnalyzer()
{
    CAnalyzerDlg box(this);
    box.SetData(&m_session->Book());
    box.exec();
}
