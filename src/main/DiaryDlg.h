#pragma once

#include "data/ResultBook.h"
#include "dialogkit/Prompt.h"
#include "settings/Settings.h"
#include "startup/QuietSave.h"

#include <QDate>
#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class CButtonCommands;
class CCalendarDlg;
class CDiarySession;
class CExportCommands;
class CGraphFrame;
class CGraphPainter;
class CImportCommands;
class CLimitWatch;
class COpenPathAsker;
class COptionDlg;
class CPeriodList;
class CSavePathAsker;
class CUpDownCtrl;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;
struct TransitionRequest;

namespace dlg {
class Controls;
struct BaseUnits;
} // namespace dlg

// The main window's controls. The values become the widgets' object names.
struct MainCtl
{
    enum Id : int {
        Ok = 1, // hidden: Enter does not close the window
        Exit = 2,
        List = 1000, // the months of the period or the days of one month
        Summary = 1002, // best balance and best recovery rate of the period
        CurrentData = 1003,
        PastData = 1004,
        Years = 1005, // how many years back the past period lies
        MonthlyList = 1007,
        DailyList = 1008,
        DailyInput = 1009,
        SpanThreeMonths = 1010,
        SpanOneMonth = 1011,
        Analyzer = 1012,
        SpanOneYear = 1013,
        ItemBalance = 1014,
        ItemYear = 1015,
        ItemMonth = 1016,
        Progress = 1017, // never moves
        YearsUpDown = 1018,
        TodayDate = 1019,
        ListTitle = 1024,
        ListMonth = 1025, // the month the daily list shows
        PrevMonth = 1034,
        NextMonth = 1035,
        TodayData = 1036,
        Graph = 1048, // the frame of the transition graph
        YearsLabel = 1049, // "年前"
    };
};

// Makes the daily input window over owner on the session, or answers nullptr. The main window
// knows nothing else of that window.
using EntryWindowMaker = std::function<QWidget *(QWidget *owner, CDiarySession &session,
                                                 CPrompt &prompt, EntryMethod defaultMethod)>;

// What the main window takes from its surroundings; tests replace the dates, the file and the
// message boxes.
struct DiaryEnv
{
    QDate today = QDate::currentDate();
    std::function<QDate()> clock; // the date of a save, for its backup; the system's when empty
    QString dataFilePath = QStringLiteral("Murel1.Dat");
    CPrompt *prompt = &DefaultPrompt();
    EntryWindowMaker makeEntryWindow; // without it the daily input window never opens
    // The book on the data file; a plain CResultBook when empty. Tests make its file steps fail.
    std::function<std::unique_ptr<CResultBook>(const QString &dataFilePath)> makeBook;
    CSavePathAsker *savePath = nullptr; // where exports go; Qt's save dialog when none is given
    COpenPathAsker *openPath = nullptr; // the file to import; Qt's open dialog when none is given
    bool viewOnly = false; // the data file is only shown: no entry, nothing written
};

// The main window: it wires its controls to the diary session and draws what the session says:
// one target period as a monthly or a daily list, the transition graph and the summary line.
class CDiaryDlg : public QDialog, public CQuietSave
{
    Q_OBJECT
public:
    explicit CDiaryDlg(const DiaryEnv &env = DiaryEnv(), QWidget *parent = nullptr);
    ~CDiaryDlg() override; // OnDestroy

    bool SaveWithoutQuestions(QString *problem) override;
    void ShowSaveProblem(const QString &problem) override;

    // Handlers.
    void OnCurrentData();
    void OnPastData();
    void OnChangeYears();
    void OnOption();
    void OnAbout();
    void OnAnalyzer();
    void OnYearTable();
    void OnSessionTable();
    void OnCalendar();
    void OnStats();
    void OnLimits();
    void OnHelp();
    // The calendar's request: the daily list of the day's month with the day selected, and the
    // daily input window on it. The daily input window is asked first.
    void OpenDay(int date);
    void OnMonthlyList();
    void OnDailyList();
    void OnDailyInput();
    void OnListClick();
    void OnListDblClk();
    void OnPrevMonth();
    void OnNextMonth();
    void OnToday();
    void OnOK();
    void OnCancel();

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

    // State, for tests.
    bool IsDailyView() const;
    QWidget *Control(MainCtl::Id id) const;
    CPeriodList *List() const { return m_ui.list; }
    CDiarySession &Session() const { return *m_session; }
    const CResultBook &Book() const;
    COptionDlg *Options() const { return m_options.get(); }
    CSettings &Settings() { return m_settings; }
    CGraphPainter *Graph() const { return m_graph.get(); }
    QWidget *DailyInput() const { return m_dailyInput; }
    int GraphSpan() const { return m_graphSpan; }
    CExportCommands *Export() const { return m_export.get(); }
    CImportCommands *Import() const { return m_import.get(); }
    CLimitWatch *Limits() const { return m_limits.get(); }
    CCalendarDlg *Calendar() const; // the calendar window, once opened
    QLabel *LimitStatus() const { return m_ui.limitStatus; } // the status line

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The controls the code reaches, by name.
    struct Widgets
    {
        QWidget *client = nullptr;
        CPeriodList *list = nullptr;
        CGraphFrame *frame = nullptr;
        CUpDownCtrl *upDown = nullptr;
        QLineEdit *years = nullptr;
        QRadioButton *currentData = nullptr, *pastData = nullptr;
        QRadioButton *spanOneMonth = nullptr, *spanThreeMonths = nullptr, *spanOneYear = nullptr;
        QCheckBox *itemBalance = nullptr, *itemMonth = nullptr, *itemYear = nullptr;
        QPushButton *monthlyList = nullptr, *dailyList = nullptr, *analyzer = nullptr;
        QPushButton *dailyInput = nullptr, *prevMonth = nullptr, *nextMonth = nullptr;
        QLabel *yearsLabel = nullptr, *listTitle = nullptr, *listMonth = nullptr;
        QLabel *summary = nullptr, *todayDate = nullptr;
        QAction *saveCsv = nullptr, *saveGraph = nullptr, *print = nullptr; // the file menu's
        QAction *importCsv = nullptr; // "CSVから読み込む(&I)..."
        QAction *yearTable = nullptr; // "年別集計(&Y)..."
        QAction *sessionTable = nullptr; // "店舗・機種別集計(&S)..."
        QAction *calendar = nullptr, *stats = nullptr, *limits = nullptr, *help = nullptr;
        QLabel *limitStatus = nullptr; // this month against the limits, below everything
    };

    void BuildWindow();
    QMenuBar *BuildMenu();
    void NameControls(const dlg::Controls &controls);
    void ConnectControls(const dlg::Controls &controls);
    void ConnectExport();
    void ConnectTools();
    QWidget *BuildStatusLine(const dlg::BaseUnits &units);
    int RunToolBox(QDialog &box); // modal, the daily input window resting meanwhile
    void OnInitDialog();
    void SaveSettings();
    void Warn(const QString &text);
    void WarnIfUnwritable();

    // Drawing what the session says.
    void DrawView();
    void DrawDays(int fromIndex);
    void DrawAroundList(); // the controls, summary and graph that go with the view
    void UpdateMonthButtons(bool enable);
    TransitionRequest GraphRequest() const;
    void UpdateGraph();
    void SetSpan(int span);

    // Target period.
    bool ChangePeriod(int yearsBack); // false when the old period had to stay
    void RestorePeriodControls();
    void EnablePeriodControls(bool enable);

    void OpenDailyInput();
    void OnEntryOpenChanged(bool open);
    bool SaveBeforeClose();
    // What the session has to tell: failed saves of entered days and failed backups.
    void ShowReports();

    CPrompt *m_prompt;
    QDate m_startDate;
    QString m_dataFilePath;
    std::function<QDate()> m_clock;
    EntryWindowMaker m_makeEntryWindow;
    std::function<std::unique_ptr<CResultBook>(const QString &)> m_makeBook;
    CSavePathAsker *m_savePath;
    COpenPathAsker *m_openPath;
    bool m_viewOnly = false;

    Widgets m_ui;
    std::unique_ptr<CButtonCommands> m_commands;
    QIcon m_hIcon;
    CSettings m_settings;
    std::unique_ptr<COptionDlg> m_options;
    std::unique_ptr<CDiarySession> m_session;
    std::unique_ptr<CGraphPainter> m_graph;
    std::unique_ptr<CExportCommands> m_export;
    std::unique_ptr<CImportCommands> m_import;
    std::unique_ptr<CLimitWatch> m_limits;
    QPointer<CCalendarDlg> m_calendar; // one at a time, kept when closed
    bool m_calendarStale = false; // days changed outside the book: read again once
    QPointer<QWidget> m_dailyInput;
    int m_graphSpan = 1;

    // The period controls as they stood when the loaded period was chosen, to put them back when
    // the old period has to stay.
    bool m_loadedFromPast = false;
    QString m_loadedYearsText;
    bool m_shownOnce = false;
};
