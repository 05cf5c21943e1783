#pragma once

#include "app/DialogTemplate.h"
#include "graph/AnalyzerData.h"

#include <QDialog>

class CResultBook;
class QPainter;
class QFrame;
class QSize;

// The recovery-rate analyzer: a modal scatter plot of each day's recovery rate against its
// investment. It only reads the book.
class CAnalyzerDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdOk = 1,
        IdCancel = 2,
        IdKindRate = 1056, // "回収率分布", the one kind of analysis
        IdKindB = 1057, // never shown
        IdPlot = 1058,
        IdExplanation = 1064,
    };

    explicit CAnalyzerDlg(QWidget *parent = nullptr);
    ~CAnalyzerDlg() override;

    void ResetData();
    void SetData(const CResultBook *book);

    // Computes points, scales and layout for a plot control of the given client size and checks
    // the kind button; the dialog does this once, on its first paint.
    void Prepare(QSize plotClient);

    const CAnalyzerData &data() const { return m_data; }
    QWidget *control(int id) const;

    void setVisible(bool visible) override;
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool OnInitDialog();
    void OnDestroy();
    void PaintPlot(QPainter &painter, QSize client);

    CAnalyzerData m_data;
    dlg::Controls m_controls;
    QFrame *m_plot = nullptr;
    bool m_initialized = false; // OnInitDialog ran, so there is a window whose position to keep
};
