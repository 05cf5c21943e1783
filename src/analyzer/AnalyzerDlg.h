#pragma once

#include "app/DialogTemplate.h"
#include "graph/AnalyzerData.h"

#include <QDialog>

class CResultBook;
class QAbstractButton;
class QFrame;
class QSize;

// The recovery-rate analyzer: a modal scatter plot of each day's recovery rate against its
// investment. It only reads the book; the plot is drawn by CAnalyzerPainter.
class CAnalyzerDlg : public QDialog
{
    Q_OBJECT
public:
    // The controls; each value is also the control's object name, "id" and the number.
    enum ControlId {
        IdOk = 1,
        IdCancel = 2, // never shown
        IdKindRate = 1056, // "回収率分布", the one kind of analysis
        IdKindB = 1057, // never shown
        IdPlot = 1058, // the frame the plot is drawn into
        IdExplanation = 1064, // the frame the explanation is drawn into
    };

    explicit CAnalyzerDlg(QWidget *parent = nullptr);
    ~CAnalyzerDlg() override;

    void ResetData();
    void SetData(const CResultBook *book);

    // Computes points, scales and layout for a plot control of the given client size and checks
    // the kind button; the dialog does this once, on its first paint.
    void Prepare(QSize plotClient);

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

    CAnalyzerData m_data;
    dlg::Controls m_controls;
    QFrame *m_plot = nullptr;
    QAbstractButton *m_kindRate = nullptr;
    bool m_initialized = false; // OnInitDialog ran, so there is a window whose position to keep
};
