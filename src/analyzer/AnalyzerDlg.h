#pragma once

#include "analysis/AnalyzerData.h"
#include "analysis/WeekdayData.h"
#include "dialogkit/DialogTemplate.h"

#include <QDialog>

#include <memory>

class CButtonCommands;
class CResultBook;
class QAbstractButton;
class QFrame;
class QLabel;
class QSize;

// The kinds of analysis, by the values the settings keep.
enum class AnalysisKind {
    RateDistribution = 0, // each day's recovery rate against its investment
    Weekdays = 1, // the balance and win rate of each weekday
};

// The analyzer: a modal dialog that shows the loaded period as one of two analyses, the
// recovery-rate distribution (drawn by CAnalyzerPainter) or the weekdays (CWeekdayPainter). It
// only reads the book; the kind chosen is kept for the next opening.
class CAnalyzerDlg : public QDialog
{
    Q_OBJECT
public:
    // The controls; each value is also the control's object name, "id" and the number.
    enum ControlId {
        IdOk = 1,
        IdCancel = 2, // never shown
        IdKindRate = 1056, // "回収率分布"
        IdKindWeekday = 1057, // "曜日別"
        IdPlot = 1058, // the frame the plot is drawn into
        IdExplanation = 1064, // the frame the explanation is drawn into
        IdKindText = 1065, // what the chosen kind shows, beside the kind buttons
    };

    explicit CAnalyzerDlg(QWidget *parent = nullptr);
    ~CAnalyzerDlg() override;

    void ResetData();
    void SetData(const CResultBook *book);

    // Computes points, scales and layout for a plot control of the given client size and checks
    // the kind button; the dialog does this once, on its first paint.
    void Prepare(QSize plotClient);

    // The kind shown; choosing one redraws the plot and the explanation.
    AnalysisKind Kind() const { return m_kind; }
    void SetKind(AnalysisKind kind);

    const CAnalyzerData &data() const { return m_data; }
    QWidget *control(ControlId id) const;

    void setVisible(bool visible) override;
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void OnInitDialog();
    void OnDestroy();
    void PaintPlot(QPainter &painter, QSize client);
    void PaintExplanation(QPainter &painter, QSize client) const;
    QAbstractButton *KindButton(AnalysisKind kind) const;
    void ShowKind(); // the texts of the kind shown, and a redraw

    CAnalyzerData m_data;
    CWeekdayData m_weekdays;
    AnalysisKind m_kind = AnalysisKind::RateDistribution;
    dlg::Controls m_controls;
    std::unique_ptr<CButtonCommands> m_commands;
    QFrame *m_plot = nullptr;
    QFrame *m_explanation = nullptr;
    QLabel *m_kindText = nullptr;
    bool m_initialized = false; // OnInitDialog ran, so there is a window whose position to keep
};
