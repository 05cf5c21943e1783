// The main window's controls and menu, and what each of them runs.
#include "main/DiaryDlg.h"

#include "dialogkit/ButtonCommands.h"
#include "dialogkit/DialogTemplate.h"
#include "graph/TransitionGraph.h"
#include "main/ExportCommands.h"
#include "main/GraphFrame.h"
#include "main/PeriodList.h"
#include "main/UpDownCtrl.h"
#include "session/DiarySession.h"
#include "tools/YearTableDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

using dlg::Kind;
namespace F = dlg;
using C = MainCtl;

constexpr int kNone = -1; // a control the code never reaches

// The window's controls in tab order, at their places in dialog units; 490 x 439 in all.
const dlg::Item kTemplate[] = {
        {C::List, Kind::Custom, nullptr, 8, 12, 332, 196, F::TabStop},
        {kNone, Kind::GroupBox, u"対象データ(&P):", 348, 8, 136, 40, F::Group},
        {C::CurrentData, Kind::Radio, u"現在のデータ(今期)", 352, 20, 74, 10, F::VCenter},
        {C::PastData, Kind::Radio, u"過去のデータ", 352, 32, 55, 10, F::VCenter},
        {C::YearsLabel, Kind::Text, u"年前", 436, 32, 24, 12, F::VCenter | F::Group},
        {C::Years, Kind::Edit, u"", 408, 32, 24, 12, F::Digits | F::AlignRight | F::TabStop},
        {C::YearsUpDown, Kind::Custom, nullptr, 468, 32, 9, 12},
        {C::MonthlyList, Kind::PushButton, u"月別一覧(&M)", 348, 56, 64, 24, F::TabStop},
        {C::DailyList, Kind::PushButton, u"日別一覧(&D)", 420, 56, 64, 24, F::TabStop},
        {C::Analyzer, Kind::PushButton, u"アナライザ(&Y)", 348, 88, 64, 24, F::TabStop},
        {C::Ok, Kind::PushButton, u"OK", 448, 100, 36, 16, F::Hidden},
        {C::DailyInput, Kind::PushButton, u"実績入力(&I)", 348, 120, 64, 24, F::TabStop},
        {C::Exit, Kind::PushButton, u"終了(&X)", 420, 120, 64, 24, F::TabStop},
        {C::TodayData, Kind::PushButton, u"今日のデータ(&A)", 8, 212, 60, 16, F::TabStop},
        {C::PrevMonth, Kind::PushButton, u"< 前月(&B)", 232, 212, 52, 16, F::TabStop},
        {C::NextMonth, Kind::PushButton, u"次月(&N) >", 288, 212, 52, 16, F::TabStop},
        {kNone, Kind::GroupBox, u"グラフ:", 348, 156, 136, 72},
        {kNone, Kind::GroupBox, u"表示期間(&S):", 352, 168, 64, 52, F::Group},
        {C::SpanOneMonth, Kind::Radio, u"1ヶ月", 356, 180, 31, 10},
        {C::SpanThreeMonths, Kind::Radio, u"3ヶ月", 356, 192, 31, 10},
        {C::SpanOneYear, Kind::Radio, u"1年(日単位)", 356, 204, 51, 10},
        {kNone, Kind::GroupBox, u"表示項目(&E):", 420, 168, 60, 52, F::Group},
        {C::ItemBalance, Kind::CheckBox, u"収支", 424, 180, 30, 10, F::TabStop},
        {C::ItemMonth, Kind::CheckBox, u"月累積", 424, 192, 37, 10, F::TabStop},
        {C::ItemYear, Kind::CheckBox, u"年累積", 424, 204, 37, 10, F::TabStop},
        {C::ListTitle, Kind::Text, u"Static", 8, 0, 40, 12, F::VCenter | F::Group},
        {C::ListMonth, Kind::Text, u"Static", 52, 0, 40, 12, F::VCenter},
        {kNone, Kind::Text, u"単位:百円", 296, 0, 44, 12, F::AlignRight},
        {C::Summary, Kind::Text, u"", 4, 424, 316, 12, F::Sunken},
        {C::Progress, Kind::Progress, nullptr, 324, 424, 100, 12},
        {C::TodayDate, Kind::Text, u"Static", 428, 424, 60, 12, F::AlignCenter | F::Sunken},
        {C::Graph, Kind::Custom, nullptr, 8, 232, 476, 184},
};

QString Text(const char16_t *s)
{
    return QString::fromUtf16(s);
}

} // namespace

QWidget *CDiaryDlg::Control(MainCtl::Id id) const
{
    return m_ui.client->findChild<QWidget *>(QStringLiteral("id%1").arg(int(id)),
                                             Qt::FindDirectChildrenOnly);
}

void CDiaryDlg::BuildWindow()
{
    setWindowTitle(AppCaption());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setWindowIcon(m_hIcon);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    layout->setMenuBar(BuildMenu());

    m_ui.client = new QWidget(this);
    m_ui.client->setFixedSize(dlg::ToPixels(units, 490, 439));
    layout->addWidget(m_ui.client);
    layout->addWidget(BuildStatusLine(units));
    layout->activate(); // fixes the size now, not only when first shown

    const dlg::Controls controls
            = dlg::Build(m_ui.client, kTemplate, units, [this](const dlg::Item &item, QWidget *in) {
                  QWidget *w = nullptr;
                  if (item.id == C::List)
                      w = m_ui.list = new CPeriodList(in);
                  else if (item.id == C::YearsUpDown)
                      w = m_ui.upDown = new CUpDownCtrl(in);
                  else if (item.id == C::Graph)
                      w = m_ui.frame = new CGraphFrame(in);
                  return w;
              });
    NameControls(controls);
    ConnectControls(controls);
}

QMenuBar *CDiaryDlg::BuildMenu()
{
    auto *menuBar = new QMenuBar(this);
    QMenu *file = menuBar->addMenu(Text(u"ﾌｧｲﾙ(&F)"));
    m_ui.importCsv = file->addAction(Text(u"CSVから読み込む(&I)..."));
    m_ui.saveCsv = file->addAction(Text(u"CSV形式で保存(&S)..."));
    m_ui.saveGraph = file->addAction(Text(u"グラフを画像で保存(&G)..."));
    m_ui.print = file->addAction(Text(u"印刷(&P)..."));
    file->addSeparator();
    connect(file->addAction(Text(u"終了(&X)")), &QAction::triggered, this, &QWidget::close);
    QMenu *tools = menuBar->addMenu(Text(u"ﾂｰﾙ(&T)"));
    m_ui.yearTable = tools->addAction(Text(u"年別集計(&Y)..."));
    connect(m_ui.yearTable, &QAction::triggered, this, &CDiaryDlg::OnYearTable);
    m_ui.sessionTable = tools->addAction(Text(u"店舗・機種別集計(&S)..."));
    connect(m_ui.sessionTable, &QAction::triggered, this, &CDiaryDlg::OnSessionTable);
    m_ui.calendar = tools->addAction(Text(u"カレンダー(&C)..."));
    connect(m_ui.calendar, &QAction::triggered, this, &CDiaryDlg::OnCalendar);
    m_ui.stats = tools->addAction(Text(u"統計(&T)..."));
    connect(m_ui.stats, &QAction::triggered, this, &CDiaryDlg::OnStats);
    m_ui.limits = tools->addAction(Text(u"上限の設定(&L)..."));
    connect(m_ui.limits, &QAction::triggered, this, &CDiaryDlg::OnLimits);
    connect(tools->addAction(Text(u"ｵﾌﾟｼｮﾝ(&O)")), &QAction::triggered, this, &CDiaryDlg::OnOption);
    QMenu *help = menuBar->addMenu(Text(u"ﾍﾙﾌﾟ(&H)"));
    m_ui.help = help->addAction(Text(u"相談窓口(&C)..."));
    connect(m_ui.help, &QAction::triggered, this, &CDiaryDlg::OnHelp);
    connect(help->addAction(Text(u"ﾊﾞｰｼﾞｮﾝ情報(&A)")), &QAction::triggered, this,
            &CDiaryDlg::OnAbout);
    return menuBar;
}

// What the graph controls ask for.
TransitionRequest CDiaryDlg::GraphRequest() const
{
    TransitionRequest request;
    request.monthly = !IsDailyView();
    if (m_ui.spanOneMonth->isChecked())
        request.span = TransitionRequest::OneMonth;
    else if (m_ui.spanThreeMonths->isChecked())
        request.span = TransitionRequest::ThreeMonths;
    else
        request.span = TransitionRequest::WholePeriod;
    request.monthIndex = qMax(0, m_session->MonthIndex());
    request.total = m_ui.itemBalance->isChecked();
    request.month = m_ui.itemMonth->isChecked();
    request.year = m_ui.itemYear->isChecked();
    return request;
}

void CDiaryDlg::ConnectExport()
{
    CExportCommands::Sources sources;
    sources.owner = this;
    sources.session = m_session.get();
    sources.graph = m_graph.get();
    sources.graphFrame = m_ui.frame;
    sources.graphRequest = [this] { return GraphRequest(); };
    sources.dataFilePath = m_dataFilePath;
    sources.prompt = m_prompt;
    sources.savePath = m_savePath;
    m_export = std::make_unique<CExportCommands>(std::move(sources));
    CExportCommands *commands = m_export.get();
    connect(m_ui.saveCsv, &QAction::triggered, commands, &CExportCommands::SaveCsv);
    connect(m_ui.saveGraph, &QAction::triggered, commands, &CExportCommands::SaveGraphImage);
    connect(m_ui.print, &QAction::triggered, commands, &CExportCommands::Print);
    connect(m_ui.frame->CopyAction(), &QAction::triggered, commands, &CExportCommands::CopyGraph);
    // Like the analyzer, the exports rest while the daily input window is open.
    connect(m_session.get(), &CDiarySession::entryOpenChanged, this, [this](bool open) {
        for (QAction *item : {m_ui.saveCsv, m_ui.saveGraph, m_ui.print})
            item->setEnabled(!open);
    });
}

void CDiaryDlg::NameControls(const dlg::Controls &controls)
{
    m_ui.years = controls.get<QLineEdit>(C::Years);
    m_ui.currentData = controls.get<QRadioButton>(C::CurrentData);
    m_ui.pastData = controls.get<QRadioButton>(C::PastData);
    m_ui.spanOneMonth = controls.get<QRadioButton>(C::SpanOneMonth);
    m_ui.spanThreeMonths = controls.get<QRadioButton>(C::SpanThreeMonths);
    m_ui.spanOneYear = controls.get<QRadioButton>(C::SpanOneYear);
    m_ui.itemBalance = controls.get<QCheckBox>(C::ItemBalance);
    m_ui.itemMonth = controls.get<QCheckBox>(C::ItemMonth);
    m_ui.itemYear = controls.get<QCheckBox>(C::ItemYear);
    m_ui.monthlyList = controls.get<QPushButton>(C::MonthlyList);
    m_ui.dailyList = controls.get<QPushButton>(C::DailyList);
    m_ui.analyzer = controls.get<QPushButton>(C::Analyzer);
    m_ui.dailyInput = controls.get<QPushButton>(C::DailyInput);
    m_ui.prevMonth = controls.get<QPushButton>(C::PrevMonth);
    m_ui.nextMonth = controls.get<QPushButton>(C::NextMonth);
    m_ui.yearsLabel = controls.get<QLabel>(C::YearsLabel);
    m_ui.listTitle = controls.get<QLabel>(C::ListTitle);
    m_ui.listMonth = controls.get<QLabel>(C::ListMonth);
    m_ui.summary = controls.get<QLabel>(C::Summary);
    m_ui.todayDate = controls.get<QLabel>(C::TodayDate);
    m_ui.upDown->SetBuddy(m_ui.years);
    // The list title gets its "&L" only at run time; Alt+L moves the focus to the list.
    m_ui.listTitle->setBuddy(m_ui.list);
}

void CDiaryDlg::ConnectControls(const dlg::Controls &controls)
{
    const auto command = [this, &controls](C::Id id, auto handler) {
        m_commands->Connect(qobject_cast<QAbstractButton *>(controls.widget(id)),
                            [this, handler] { (this->*handler)(); });
    };
    command(C::CurrentData, &CDiaryDlg::OnCurrentData);
    command(C::PastData, &CDiaryDlg::OnPastData);
    command(C::MonthlyList, &CDiaryDlg::OnMonthlyList);
    command(C::DailyList, &CDiaryDlg::OnDailyList);
    for (C::Id id : {C::ItemBalance, C::ItemMonth, C::ItemYear})
        command(id, &CDiaryDlg::UpdateGraph);
    m_commands->Connect(m_ui.spanOneMonth, [this] { SetSpan(1); });
    m_commands->Connect(m_ui.spanThreeMonths, [this] { SetSpan(3); });
    m_commands->Connect(m_ui.spanOneYear, [this] { SetSpan(12); });
    command(C::PrevMonth, &CDiaryDlg::OnPrevMonth);
    command(C::NextMonth, &CDiaryDlg::OnNextMonth);
    command(C::DailyInput, &CDiaryDlg::OnDailyInput);
    command(C::TodayData, &CDiaryDlg::OnToday);
    command(C::Analyzer, &CDiaryDlg::OnAnalyzer);
    command(C::Ok, &CDiaryDlg::OnOK);
    command(C::Exit, &CDiaryDlg::OnCancel);
    connect(m_ui.years, &QLineEdit::textChanged, this, &CDiaryDlg::OnChangeYears);
    connect(m_ui.list, &CReportList::listClicked, this, &CDiaryDlg::OnListClick);
    connect(m_ui.list, &CReportList::listDoubleClicked, this, &CDiaryDlg::OnListDblClk);
}

void CDiaryDlg::OnYearTable()
{
    CYearTableDlg box(this);
    box.SetData(&m_session->Book(), m_startDate.year());
    box.exec();
}
