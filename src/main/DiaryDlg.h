#pragma once

#include "app/Prompt.h"
#include "app/Settings.h"
#include "entry/DailyInputDlg.h"
#include "entry/DailyInputHost.h"

#include <QDate>
#include <QDialog>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QString>

class CGraphFrame;
class CGraphPainter;
class COptionDlg;
class CReportList;
class CResultBook;
class CUpDownCtrl;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;

// What the main window takes from its surroundings; tests replace the date, the file and the
// message boxes.
struct DiaryEnv
{
    QDate today = QDate::currentDate();
    QString dataFilePath = QStringLiteral("Murel1.Dat");
    CPrompt *prompt = &DefaultPrompt();
};

// The main window: one target period as a monthly or a daily list, the transition graph, the
// summary line, and the coordination of the daily input window. The view is not stored: the daily
// view is shown exactly while button 1007 is enabled.
class CDiaryDlg : public QDialog, public CDailyInputHost
{
    Q_OBJECT
public:
    explicit CDiaryDlg(const DiaryEnv &env = DiaryEnv(), QWidget *parent = nullptr);
    ~CDiaryDlg() override; // OnDestroy

    // CDailyInputHost
    int DayResultChanged(int fromIndex) override;
    int DailyInputClosed() override;
    QWidget *HostWindow() override { return this; }

    // Target period and views.
    bool SelectPeriod(int yearsBack); // false when the old period had to stay
    int ConfirmDailyInput();
    int ShowMonthly();
    int ShowDaily(int fromIndex);
    int OpenDailyInput();
    int EnablePeriodControls(bool enable);
    int SaveSettings();
    int UpdateGraph();

    // Lists.
    int SetupList();
    int FillMonthly(int selMonth);
    int FillDaily(int monthIndex, int selDay, int fromIndex);
    int UpdateMonthButtons(bool enable);
    int UpdateSummary();

    // Handlers.
    void OnCurrentData();
    void OnPastData();
    void OnChangeYears();
    void OnOption();
    void OnAbout();
    void OnAnalyzer();
    void OnMonthlyList();
    void OnDailyList();
    void OnDailyInput();
    void OnListClick();
    void OnListDblClk();
    void OnPrevMonth();
    void OnNextMonth();
    void OnToday();
    void OnGraphItem();
    void OnSpanOneMonth();
    void OnSpanThreeMonths();
    void OnSpanOneYear();
    void OnOK();
    void OnCancel();

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

    // State, for the windows that read it and for tests.
    bool IsDailyView() const;
    QWidget *Control(int id) const;
    CReportList *List() const { return m_list; }
    CResultBook *Book() const { return m_book; }
    COptionDlg *Options() const { return m_options; }
    CSettings &Settings() { return m_settings; }
    CGraphPainter *Graph() const { return m_graph; }
    CDailyInputDlg *DailyInput() const { return m_dailyInput; }
    int MonthIndex() const { return m_monthIndex; }
    int SelMonth() const { return m_selMonth; }
    int SelDay() const { return m_selDay; }
    int YearsBack() const { return m_yearsBack; }
    int GraphSpan() const { return m_graphSpan; }
    int ThisMonth() const { return m_thisMonth; }
    int Today() const { return m_today; }

protected:
    // Builds the daily input window. It is wired in when that window exists; until then there is
    // no window to open and this answers nullptr.
    virtual CDailyInputDlg *CreateDailyInputWindow();

    void showEvent(QShowEvent *event) override;

private:
    void BuildWindow();
    void OnInitDialog();
    void SetSpan(int span);
    bool SaveBeforeClose();
    void Warn(const QString &text);
    void RestorePeriodControls();
    void ApplyDailyInputOpen(bool open);
    void AddRow(const QStringList &cells, int icon);

    template<class T> T *Ctl(int id) const;

    CPrompt *m_prompt;
    QDate m_startDate;
    QString m_dataFilePath;

    QWidget *m_client = nullptr;
    CReportList *m_list = nullptr;
    CGraphFrame *m_frame = nullptr;
    CUpDownCtrl *m_upDown = nullptr;
    QLineEdit *m_years = nullptr;

    QIcon m_hIcon;
    QList<QPixmap> m_largeImages; // 32 x 32
    QList<QIcon> m_smallImages; // 16 x 16, the ones the report view shows
    CSettings m_settings;
    COptionDlg *m_options = nullptr;
    CResultBook *m_book = nullptr;
    CGraphPainter *m_graph = nullptr;
    QPointer<CDailyInputDlg> m_dailyInput;
    int m_thisMonth = 0;
    int m_today = 0;
    int m_selMonth = 0;
    int m_selDay = 0;
    int m_monthIndex = -1;
    int m_graphSpan = 1;
    int m_yearsBack = -1;

    // The period controls as they stood when the loaded period was chosen, to put them back when
    // the old period has to stay.
    bool m_loadedFromPast = false;
    QString m_loadedYearsText;
    bool m_restoringPeriod = false;
    bool m_shownOnce = false;
};
