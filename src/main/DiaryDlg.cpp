#include "main/DiaryDlg.h"

#include "analyzer/AnalyzerDlg.h"
#include "app/AboutDlg.h"
#include "app/DialogTemplate.h"
#include "app/OptionDlg.h"
#include "app/Profile.h"
#include "data/ResultBook.h"
#include "entry/DailyInputDlg.h"
#include "graph/GraphPainter.h"
#include "graph/TransitionGraph.h"
#include "main/GraphFrame.h"
#include "main/ReportList.h"
#include "main/RowText.h"
#include "main/UpDownCtrl.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

using dlg::Kind;
namespace F = dlg;

const QString kSection = QStringLiteral("Murel");

// Dialog template 102, in template (and tab) order.
const dlg::Item kTemplate[] = {
        {1000, Kind::Custom, nullptr, 8, 12, 332, 196, F::TabStop},
        {-1, Kind::GroupBox, u"対象データ(&P):", 348, 8, 136, 40, F::Group},
        {1003, Kind::Radio, u"現在のデータ(今期)", 352, 20, 74, 10, F::VCenter},
        {1004, Kind::Radio, u"過去のデータ", 352, 32, 55, 10, F::VCenter},
        {1049, Kind::Text, u"年前", 436, 32, 24, 12, F::VCenter | F::Group},
        {1005, Kind::Edit, u"", 408, 32, 24, 12, F::Digits | F::AlignRight | F::TabStop},
        {1018, Kind::Custom, nullptr, 468, 32, 9, 12},
        {1007, Kind::PushButton, u"月別一覧(&M)", 348, 56, 64, 24, F::TabStop},
        {1008, Kind::PushButton, u"日別一覧(&D)", 420, 56, 64, 24, F::TabStop},
        {1012, Kind::PushButton, u"アナライザ(&Y)", 348, 88, 64, 24, F::TabStop},
        {1, Kind::PushButton, u"OK", 448, 100, 36, 16, F::Hidden},
        {1009, Kind::PushButton, u"実績入力(&I)", 348, 120, 64, 24, F::TabStop},
        {2, Kind::PushButton, u"終了(&X)", 420, 120, 64, 24, F::TabStop},
        {1036, Kind::PushButton, u"今日のデータ(&A)", 8, 212, 60, 16, F::TabStop},
        {1034, Kind::PushButton, u"< 前月(&B)", 232, 212, 52, 16, F::TabStop},
        {1035, Kind::PushButton, u"次月(&N) >", 288, 212, 52, 16, F::TabStop},
        {-1, Kind::GroupBox, u"グラフ:", 348, 156, 136, 72},
        {-1, Kind::GroupBox, u"表示期間(&S):", 352, 168, 64, 52, F::Group},
        {1011, Kind::Radio, u"1ヶ月", 356, 180, 31, 10},
        {1010, Kind::Radio, u"3ヶ月", 356, 192, 31, 10},
        {1013, Kind::Radio, u"1年(日単位)", 356, 204, 51, 10},
        {-1, Kind::GroupBox, u"表示項目(&E):", 420, 168, 60, 52, F::Group},
        {1014, Kind::CheckBox, u"収支", 424, 180, 30, 10, F::TabStop},
        {1016, Kind::CheckBox, u"月累積", 424, 192, 37, 10, F::TabStop},
        {1015, Kind::CheckBox, u"年累積", 424, 204, 37, 10, F::TabStop},
        {1024, Kind::Text, u"Static", 8, 0, 40, 12, F::VCenter | F::Group},
        {1025, Kind::Text, u"Static", 52, 0, 40, 12, F::VCenter},
        {-1, Kind::Text, u"単位:百円", 296, 0, 44, 12, F::AlignRight},
        {1002, Kind::Text, u"", 4, 424, 316, 12, F::Sunken},
        {1017, Kind::Progress, nullptr, 324, 424, 100, 12},
        {1019, Kind::Text, u"Static", 428, 424, 60, 12, F::AlignCenter | F::Sunken},
        {1048, Kind::Custom, nullptr, 8, 232, 476, 184},
};

// Row icons in image-list order: resources 131, 130, 129, 136, 137, 138.
const char *const kRowIcons[]
        = {":/icons/row_zero.png",       ":/icons/row_up.png",       ":/icons/row_down.png",
           ":/icons/row_today_zero.png", ":/icons/row_today_up.png", ":/icons/row_today_down.png"};

const struct
{
    const char16_t *heading;
    int k;
} kColumns[] = {{u"日付", 4}, {u"回収/投資", 4},  {u"回収率", 2},
                {u"収支", 3}, {u"月累積収支", 3}, {u"年累積収支", 3}};

QString Text(const char16_t *s)
{
    return QString::fromUtf16(s);
}

} // namespace

CDiaryDlg::CDiaryDlg(const DiaryEnv &env, QWidget *parent)
    : QDialog(parent)
    , m_prompt(env.prompt ? env.prompt : &DefaultPrompt())
    , m_startDate(env.today.isValid() ? env.today : QDate::currentDate())
    , m_dataFilePath(env.dataFilePath)
    , m_hIcon(QStringLiteral(":/icons/murel.png"))
{
    BuildWindow();
    OnInitDialog();
}

template<class T> T *CDiaryDlg::Ctl(int id) const
{
    return m_client
            ? m_client->findChild<T *>(QStringLiteral("id%1").arg(id), Qt::FindDirectChildrenOnly)
            : nullptr;
}

QWidget *CDiaryDlg::Control(int id) const
{
    return Ctl<QWidget>(id);
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

    auto *menuBar = new QMenuBar(this);
    QMenu *file = menuBar->addMenu(Text(u"ﾌｧｲﾙ(&F)"));
    connect(file->addAction(Text(u"終了(&X)")), &QAction::triggered, this, &QWidget::close);
    QMenu *tools = menuBar->addMenu(Text(u"ﾂｰﾙ(&T)"));
    connect(tools->addAction(Text(u"ｵﾌﾟｼｮﾝ(&O)")), &QAction::triggered, this, &CDiaryDlg::OnOption);
    QMenu *help = menuBar->addMenu(Text(u"ﾍﾙﾌﾟ(&H)"));
    connect(help->addAction(Text(u"ﾊﾞｰｼﾞｮﾝ情報(&A)")), &QAction::triggered, this,
            &CDiaryDlg::OnAbout);
    layout->setMenuBar(menuBar);

    m_client = new QWidget(this);
    m_client->setFixedSize(dlg::ToPixels(units, 490, 439));
    layout->addWidget(m_client);
    layout->activate(); // fixes the size now, not only when first shown

    dlg::Build(m_client, kTemplate, units, [this](const dlg::Item &item, QWidget *parent) {
        QWidget *w = nullptr;
        switch (item.id) {
        case 1000:
            w = m_list = new CReportList(parent);
            break;
        case 1018:
            w = m_upDown = new CUpDownCtrl(parent);
            break;
        case 1048:
            w = m_frame = new CGraphFrame(parent);
            break;
        default:
            break;
        }
        return w;
    });
    m_years = Ctl<QLineEdit>(1005);
    m_upDown->SetBuddy(m_years);
    // The list title gets its "&L" only at run time; Alt+L moves the focus to the list.
    Ctl<QLabel>(1024)->setBuddy(m_list);

    auto button = [this](int id) { return Ctl<QAbstractButton>(id); };
    connect(button(1003), &QAbstractButton::clicked, this, &CDiaryDlg::OnCurrentData);
    connect(button(1004), &QAbstractButton::clicked, this, &CDiaryDlg::OnPastData);
    connect(button(1007), &QAbstractButton::clicked, this, &CDiaryDlg::OnMonthlyList);
    connect(button(1008), &QAbstractButton::clicked, this, &CDiaryDlg::OnDailyList);
    connect(m_years, &QLineEdit::textChanged, this, &CDiaryDlg::OnChangeYears);
    connect(m_list, &CReportList::listDoubleClicked, this, &CDiaryDlg::OnListDblClk);
    for (int id : {1014, 1016, 1015})
        connect(button(id), &QAbstractButton::clicked, this, &CDiaryDlg::OnGraphItem);
    connect(button(1011), &QAbstractButton::clicked, this, &CDiaryDlg::OnSpanOneMonth);
    connect(button(1010), &QAbstractButton::clicked, this, &CDiaryDlg::OnSpanThreeMonths);
    connect(button(1013), &QAbstractButton::clicked, this, &CDiaryDlg::OnSpanOneYear);
    connect(button(1034), &QAbstractButton::clicked, this, &CDiaryDlg::OnPrevMonth);
    connect(button(1035), &QAbstractButton::clicked, this, &CDiaryDlg::OnNextMonth);
    connect(button(1009), &QAbstractButton::clicked, this, &CDiaryDlg::OnDailyInput);
    connect(m_list, &CReportList::listClicked, this, &CDiaryDlg::OnListClick);
    connect(button(1036), &QAbstractButton::clicked, this, &CDiaryDlg::OnToday);
    connect(button(1012), &QAbstractButton::clicked, this, &CDiaryDlg::OnAnalyzer);
    connect(button(1), &QAbstractButton::clicked, this, &CDiaryDlg::OnOK);
    connect(button(2), &QAbstractButton::clicked, this, &CDiaryDlg::OnCancel);
}

void CDiaryDlg::OnInitDialog()
{
    m_settings.ReadSection(CSettings::kOptionSection);
    m_options = new COptionDlg(m_settings);
    m_book = new CResultBook(m_dataFilePath);
    m_graph = new CGraphPainter();
    m_frame->SetPainter(m_graph);

    // The start-up date stays the reference for today and this month for the whole run.
    const QString dateText = m_startDate.toString(QStringLiteral("yyyy/MM/dd"));
    Ctl<QLabel>(1019)->setText(dateText);
    m_thisMonth = m_startDate.year() * 100 + m_startDate.month();
    m_today = m_thisMonth * 100 + m_startDate.day();

    m_monthIndex = -1;

    m_years->setText(QStringLiteral("1"));
    m_years->setMaxLength(1);
    m_upDown->SetRange(1, 9);

    m_graphSpan = GetProfileInt(kSection, QStringLiteral("GraphSpan"), 1);
    if (m_graphSpan == 1)
        Ctl<QRadioButton>(1011)->setChecked(true);
    else if (m_graphSpan == 3)
        Ctl<QRadioButton>(1010)->setChecked(true);
    else if (m_graphSpan == 12)
        Ctl<QRadioButton>(1013)->setChecked(true);

    const struct
    {
        int id;
        const char *key;
    } items[] = {{1014, "GraphItem_Total"}, {1016, "GraphItem_Month"}, {1015, "GraphItem_Year"}};
    for (const auto &item : items) {
        Ctl<QCheckBox>(item.id)->setChecked(GetProfileInt(kSection, QLatin1String(item.key), 1)
                                            == 1);
    }

    m_selMonth = m_thisMonth % 100;
    m_selDay = m_today % 100;

    SetupList();
    OnToday();
}

void CDiaryDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The daily input window opens over the main window, so only once the latter is shown. The
    // show event comes before the platform shows and activates this window: opened from here
    // directly, the daily input window would lose the activation, and the keyboard, to it.
    if (!m_shownOnce) {
        m_shownOnce = true;
        if (m_settings.showDailyInput)
            QMetaObject::invokeMethod(
                    this, [this] { OpenDailyInput(); }, Qt::QueuedConnection);
    }
}

CDiaryDlg::~CDiaryDlg()
{
    SaveSettings();
    if (m_frame)
        m_frame->SetPainter(nullptr);
    delete m_graph;
    // Deleting the book writes the file when it still holds changes: only when the window is
    // destroyed without going through OnCancel.
    delete m_book;
    delete m_options;
    if (m_list)
        m_list->clear();
    m_smallImages.clear();
    m_largeImages.clear();
}

int CDiaryDlg::SaveSettings()
{
    WriteProfileInt(kSection, QStringLiteral("GraphSpan"), m_graphSpan);
    WriteProfileInt(kSection, QStringLiteral("GraphItem_Total"),
                    Ctl<QCheckBox>(1014)->isChecked() ? 1 : 0);
    WriteProfileInt(kSection, QStringLiteral("GraphItem_Month"),
                    Ctl<QCheckBox>(1016)->isChecked() ? 1 : 0);
    WriteProfileInt(kSection, QStringLiteral("GraphItem_Year"),
                    Ctl<QCheckBox>(1015)->isChecked() ? 1 : 0);
    return 1;
}

bool CDiaryDlg::IsDailyView() const
{
    // The button's own state, not the window's: the window is disabled around message boxes.
    return Ctl<QWidget>(1007)->isEnabledTo(m_client);
}

void CDiaryDlg::Warn(const QString &text)
{
    m_prompt->Show(this, text, QMessageBox::Warning, QMessageBox::Ok);
}

// ---------------------------------------------------------------------------------------------
// Target period

bool CDiaryDlg::SelectPeriod(int yearsBack)
{
    int endMonth = m_thisMonth - 100 * yearsBack;
    if (yearsBack > 0 && m_settings.fromJanuary)
        endMonth = endMonth / 100 * 100 + 12;
    if (!m_book->LoadPeriod(endMonth, m_settings.fromJanuary ? 1 : 0, yearsBack)) {
        if (m_book->modified) {
            // The old period could not be written: it stays loaded with its changes, and so do
            // the controls that chose it.
            Warn(m_book->lastError.isEmpty() ? QStringLiteral("ファイルの保存に失敗しました。")
                                             : m_book->lastError);
            RestorePeriodControls();
            return false;
        }
        Warn(m_book->lastError.isEmpty() ? QStringLiteral("ファイルの読み込みに失敗しました。")
                                         : m_book->lastError);
    }
    m_yearsBack = yearsBack;
    m_loadedFromPast = Ctl<QRadioButton>(1004)->isChecked();
    m_loadedYearsText = m_years->text();
    return true;
}

void CDiaryDlg::RestorePeriodControls()
{
    m_restoringPeriod = true;
    Ctl<QRadioButton>(m_loadedFromPast ? 1004 : 1003)->setChecked(true);
    m_years->setText(m_loadedYearsText);
    m_restoringPeriod = false;
    EnablePeriodControls(!m_dailyInput);
}

int CDiaryDlg::ConfirmDailyInput()
{
    if (!m_dailyInput)
        return -1;
    return m_dailyInput->ConfirmChanges();
}

int CDiaryDlg::ShowMonthly()
{
    if (ConfirmDailyInput() == CDailyInputDlg::Cancelled)
        return 1;
    FillMonthly(m_selMonth);
    m_list->setEnabled(true);
    Ctl<QWidget>(1007)->setEnabled(false);
    Ctl<QWidget>(1008)->setEnabled(true);
    Ctl<QWidget>(1016)->setEnabled(false);
    UpdateMonthButtons(false);
    for (int id : {1011, 1010, 1013})
        Ctl<QWidget>(id)->setEnabled(false);
    Ctl<QLabel>(1024)->setText(QStringLiteral("月別一覧(&L):"));
    Ctl<QLabel>(1025)->setText(QString());
    UpdateSummary();
    UpdateGraph();
    if (m_dailyInput)
        OpenDailyInput();
    m_list->setFocus();
    return 1;
}

int CDiaryDlg::ShowDaily(int fromIndex)
{
    FillDaily(m_monthIndex, m_selDay, fromIndex);
    Ctl<QWidget>(1007)->setEnabled(true);
    Ctl<QWidget>(1008)->setEnabled(false);
    Ctl<QWidget>(1016)->setEnabled(true);
    UpdateMonthButtons(true);
    for (int id : {1011, 1010, 1013})
        Ctl<QWidget>(id)->setEnabled(true);
    Ctl<QLabel>(1024)->setText(QStringLiteral("日別一覧(&L):"));
    const bool valid = m_monthIndex >= 0 && m_monthIndex < m_book->monthCount;
    Ctl<QLabel>(1025)->setText(valid ? m_book->months[m_monthIndex].monthText : QString());
    UpdateSummary();
    UpdateGraph();
    m_list->setFocus();
    return 1;
}

CDailyInputDlg *CDiaryDlg::CreateDailyInputWindow()
{
    return new CDailyInputDlg(this, *m_prompt);
}

int CDiaryDlg::OpenDailyInput()
{
    const int row = m_list->SelectedRow();
    if (row == -1) {
        if (m_dailyInput)
            m_dailyInput->ShowDay(QString());
        return 1;
    }
    if (!m_dailyInput) {
        m_dailyInput = CreateDailyInputWindow();
        if (m_dailyInput && !m_dailyInput->Create(m_book, &m_settings)) {
            delete m_dailyInput.data();
            m_dailyInput = nullptr;
        }
    }
    if (m_dailyInput)
        m_dailyInput->ShowDay(m_list->topLevelItem(row)->text(0));
    // Without a window nothing would ever enable the controls again.
    if (m_dailyInput)
        ApplyDailyInputOpen(true);
    return 1;
}

void CDiaryDlg::ApplyDailyInputOpen(bool open)
{
    EnablePeriodControls(!open);
    for (int id : {1009, 1012, 1049})
        Ctl<QWidget>(id)->setEnabled(!open);
}

int CDiaryDlg::DayResultChanged(int fromIndex)
{
    ShowDaily(fromIndex);
    return 1;
}

int CDiaryDlg::DailyInputClosed()
{
    ApplyDailyInputOpen(false);
    m_dailyInput = nullptr;
    m_list->setFocus();
    return 1;
}

int CDiaryDlg::EnablePeriodControls(bool enable)
{
    Ctl<QWidget>(1003)->setEnabled(enable);
    Ctl<QWidget>(1004)->setEnabled(enable);
    if (!enable)
        m_years->setEnabled(false);
    else if (Ctl<QRadioButton>(1004)->isChecked())
        m_years->setEnabled(true);
    return 1;
}

void CDiaryDlg::OnMonthlyList()
{
    ShowMonthly();
}

void CDiaryDlg::OnDailyList()
{
    const int row = m_list->SelectedRow();
    if (row == -1) {
        Warn(QStringLiteral("「月別一覧」で月を選択してください。"));
        m_list->setFocus();
        return;
    }
    m_monthIndex = row;
    ShowDaily(0);
    if (m_dailyInput)
        OpenDailyInput();
}

void CDiaryDlg::OnDailyInput()
{
    if (m_list->SelectedRow() == -1) {
        Warn(QStringLiteral("「日別一覧」で日を選択してください。"));
        m_list->setFocus();
        return;
    }
    if (ConfirmDailyInput() != CDailyInputDlg::Cancelled)
        OpenDailyInput();
}

void CDiaryDlg::OnCurrentData()
{
    if (m_yearsBack != 0) {
        if (!SelectPeriod(0))
            return;
        ShowMonthly();
    }
    m_years->setEnabled(false);
}

void CDiaryDlg::OnPastData()
{
    if (m_yearsBack == 0) {
        // The leading digits; an empty text gives 0.
        const QString text = m_years->text();
        int digits = 0;
        while (digits < text.size() && text.at(digits).isDigit())
            ++digits;
        if (!SelectPeriod(text.left(digits).toInt()))
            return;
        ShowMonthly();
    }
    m_years->setEnabled(true);
}

void CDiaryDlg::OnChangeYears()
{
    if (m_yearsBack == -1 || m_restoringPeriod)
        return;
    const QString text = m_years->text();
    if (text.isEmpty()) {
        m_years->setText(QStringLiteral("1"));
        return;
    }
    const int n = text.toInt();
    if (n != m_yearsBack && SelectPeriod(n))
        ShowMonthly();
}

void CDiaryDlg::OnOption()
{
    if (m_dailyInput) {
        m_dailyInput->setEnabled(false);
        Warn(QStringLiteral("「実績入力」を閉じてください。"));
        if (m_dailyInput) {
            m_dailyInput->setEnabled(true);
            m_dailyInput->activateWindow();
        }
        return;
    }
    const bool fromJanuary = m_settings.fromJanuary;
    m_options->exec();
    if (m_settings.fromJanuary != fromJanuary && SelectPeriod(m_yearsBack))
        ShowMonthly();
}

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
    box.SetData(m_book);
    box.exec();
}

void CDiaryDlg::OnOK()
{
    // Enter does not close the main window.
}

void CDiaryDlg::OnCancel()
{
    if (ConfirmDailyInput() == CDailyInputDlg::Cancelled)
        return;
    if (!SaveBeforeClose())
        return;
    QDialog::reject();
}

bool CDiaryDlg::SaveBeforeClose()
{
    // Saved here rather than by the book's destructor, where a failure could not be reported.
    while (m_book->modified) {
        if (m_book->Save()) {
            m_book->Clear(); // nothing left for the destructor to write
            return true;
        }
        const QString reason = m_book->lastError.isEmpty()
                ? QStringLiteral("ファイルの保存に失敗しました。")
                : m_book->lastError;
        const QMessageBox::StandardButton answer = m_prompt->Show(
                this,
                reason
                        + QStringLiteral("\nもう一度保存しますか？\n"
                                         "「いいえ」を選ぶと変更を保存せずに終了します。"),
                QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::No) {
            m_book->Clear(); // deliberately discarded
            return true;
        }
        if (answer != QMessageBox::Yes)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Lists

int CDiaryDlg::SetupList()
{
    m_largeImages.clear();
    m_smallImages.clear();
    for (const char *path : kRowIcons) {
        const QPixmap large{QString::fromLatin1(path)};
        m_largeImages.append(large);
    }
    for (const QPixmap &large : std::as_const(m_largeImages)) {
        m_smallImages.append(QIcon(large.isNull() ? large
                                                  : large.scaled(16, 16, Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation)));
    }
    const int w = m_list->frameGeometry().width();
    m_list->setColumnCount(6);
    QTreeWidgetItem *header = m_list->headerItem();
    for (int c = 0; c < 6; ++c) {
        header->setText(c, Text(kColumns[c].heading));
        m_list->setColumnWidth(c, w * kColumns[c].k / 20);
        header->setTextAlignment(c, (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    }
    m_list->setIconSize(QSize(16, 16));
    // The columns leave a twentieth of the width free; the date column takes what of it the
    // scroll bar leaves, so that the weekday stays readable with wider stand-in fonts.
    int used = 0;
    for (int c = 0; c < 6; ++c)
        used += m_list->columnWidth(c);
    const int visible = w - 2 * m_list->frameWidth()
            - m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
    if (visible > used)
        m_list->setColumnWidth(0, m_list->columnWidth(0) + visible - used);
    return 1;
}

void CDiaryDlg::AddRow(const QStringList &cells, int icon)
{
    auto *item = new QTreeWidgetItem();
    for (int c = 0; c < cells.size(); ++c) {
        item->setText(c, cells.at(c));
        if (c > 0)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (icon >= 0 && icon < m_smallImages.size())
        item->setIcon(0, m_smallImages.at(icon));
    item->setData(0, Qt::UserRole, icon); // the image index, as the list item keeps it
    m_list->addTopLevelItem(item);
}

int CDiaryDlg::FillMonthly(int selMonth)
{
    m_list->clear();
    int toSelect = -1;
    for (int m = 0; m < m_book->monthCount; ++m) {
        const MonthEntry &month = m_book->months[m];
        const qint32 balance = m_book->days[month.lastDay].monthBalance;
        AddRow(rowtext::MonthlyRow(*m_book, m),
               rowtext::IconOf(balance, month.month == m_thisMonth));
        if (month.month % 100 == selMonth)
            toSelect = m;
    }
    if (toSelect >= 0)
        m_list->SelectRow(toSelect);
    return 1;
}

int CDiaryDlg::FillDaily(int monthIndex, int selDay, int fromIndex)
{
    // Where the user had scrolled the list; a partial rebuild puts it back exactly there.
    const int scroll = m_list->ScrollValue();
    const int monthKey = monthIndex >= 0 && monthIndex < m_book->monthCount
            ? m_book->months[monthIndex].month
            : 0;
    if (fromIndex != 0) {
        const int c = m_book->days[fromIndex].date;
        if (c / 100 != monthKey) {
            fromIndex = 0;
            m_list->clear();
        } else if (c % 100 == 1) {
            m_list->clear();
        } else {
            // Only the rows from the changed day on: the totals before it are still right.
            for (int r = m_list->topLevelItemCount() - 1; r >= c % 100 - 1; --r)
                delete m_list->takeTopLevelItem(r);
        }
    } else {
        m_list->clear();
    }
    int toSelect = -1;
    for (int d = fromIndex; d < m_book->dayCount; ++d) {
        const DayResult &day = m_book->days[d];
        const int key = day.date / 100;
        if (key > monthKey)
            break;
        if (key < monthKey)
            continue;
        AddRow(rowtext::DailyRow(day), rowtext::IconOf(day.balance, day.date == m_today));
        if (day.date % 100 == selDay)
            toSelect = m_list->topLevelItemCount() - 1;
    }
    if (fromIndex != 0) {
        toSelect = m_selDay - 1;
        m_list->RestoreScroll(scroll);
    }
    if (toSelect >= 0 && toSelect < m_list->topLevelItemCount()) {
        m_list->SelectRow(toSelect);
        m_list->EnsureVisible(toSelect);
    }
    return 1;
}

int CDiaryDlg::UpdateMonthButtons(bool enable)
{
    QWidget *prev = Ctl<QWidget>(1034);
    QWidget *next = Ctl<QWidget>(1035);
    prev->setEnabled(false);
    next->setEnabled(false);
    if (enable && m_book->monthCount > 0) {
        prev->setEnabled(m_monthIndex > 0);
        next->setEnabled(m_monthIndex < m_book->monthCount - 1);
    }
    return 1;
}

int CDiaryDlg::UpdateSummary()
{
    Ctl<QLabel>(1002)->setText(rowtext::Summary(*m_book));
    return 1;
}

void CDiaryDlg::OnListClick()
{
    const int row = m_list->SelectedRow();
    if (row == -1)
        return;
    const QString text = m_list->topLevelItem(row)->text(0);
    if (IsDailyView())
        m_selDay = text.mid(8, 2).toInt();
    else
        m_selMonth = text.mid(5, 2).toInt();
    if (ConfirmDailyInput() == CDailyInputDlg::Cancelled)
        return;
    if (m_dailyInput)
        OpenDailyInput();
}

void CDiaryDlg::OnListDblClk()
{
    const int row = m_list->SelectedRow();
    if (IsDailyView()) {
        if (row != -1) {
            OpenDailyInput();
        } else {
            Warn(QStringLiteral("「日別一覧」で日を選択してください。"));
            m_list->setFocus();
        }
        return;
    }
    // On a month it does what the daily-list button does.
    OnDailyList();
}

void CDiaryDlg::OnPrevMonth()
{
    if (ConfirmDailyInput() == CDailyInputDlg::Cancelled)
        return;
    if (m_monthIndex > 0) {
        --m_monthIndex;
        m_selMonth = m_book->months[m_monthIndex].month % 100;
        ShowDaily(0);
        if (m_dailyInput)
            OpenDailyInput();
    }
    UpdateMonthButtons(true);
}

void CDiaryDlg::OnNextMonth()
{
    if (ConfirmDailyInput() == CDailyInputDlg::Cancelled)
        return;
    if (m_monthIndex < m_book->monthCount - 1) {
        ++m_monthIndex;
        m_selMonth = m_book->months[m_monthIndex].month % 100;
        ShowDaily(0);
        if (m_dailyInput)
            OpenDailyInput();
    }
    UpdateMonthButtons(true);
}

void CDiaryDlg::OnToday()
{
    if (ConfirmDailyInput() == CDailyInputDlg::Cancelled)
        return;
    Ctl<QRadioButton>(1003)->setChecked(true);
    OnCurrentData();
    if (m_yearsBack != 0)
        return; // the old period had to stay
    m_monthIndex = 0;
    for (int m = 0; m < m_book->monthCount; ++m) {
        if (m_book->months[m].month % 100 == m_thisMonth % 100) {
            m_monthIndex = m;
            break;
        }
    }
    m_selMonth = m_book->monthCount > 0 ? m_book->months[m_monthIndex].month % 100 : 0;
    m_selDay = m_today % 100;
    ShowDaily(0);
    if (m_dailyInput)
        OpenDailyInput();
}

// ---------------------------------------------------------------------------------------------
// Graph

int CDiaryDlg::UpdateGraph()
{
    TransitionRequest request;
    request.monthly = !IsDailyView();
    if (Ctl<QRadioButton>(1011)->isChecked())
        request.span = TransitionRequest::OneMonth;
    else if (Ctl<QRadioButton>(1010)->isChecked())
        request.span = TransitionRequest::ThreeMonths;
    else
        request.span = TransitionRequest::WholePeriod;
    request.monthIndex = qMax(0, m_monthIndex);
    request.total = Ctl<QCheckBox>(1014)->isChecked();
    request.month = Ctl<QCheckBox>(1016)->isChecked();
    request.year = Ctl<QCheckBox>(1015)->isChecked();
    FillTransitionGraph(*m_graph, *m_book, request);
    m_frame->update();
    return 1;
}

void CDiaryDlg::OnGraphItem()
{
    UpdateGraph();
}

void CDiaryDlg::SetSpan(int span)
{
    if (m_graphSpan == span)
        return;
    m_graphSpan = span;
    UpdateGraph();
}

void CDiaryDlg::OnSpanOneMonth()
{
    SetSpan(1);
}

void CDiaryDlg::OnSpanThreeMonths()
{
    SetSpan(3);
}

void CDiaryDlg::OnSpanOneYear()
{
    SetSpan(12);
}
