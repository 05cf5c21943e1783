#include "analyzer/AnalyzerDlg.h"

#include "app/Settings.h"
#include "app/WindowPosition.h"
#include "graph/AnalyzerPainter.h"

#include <QAbstractButton>
#include <QFrame>
#include <QPainter>
#include <QPushButton>

#include <functional>

namespace {

// A sunken frame whose client area, inside the border, is drawn by the dialog.
class CPaintFrame : public QFrame
{
public:
    using PaintFn = std::function<void(QPainter &, QSize)>;

    CPaintFrame(QWidget *parent, PaintFn paint)
        : QFrame(parent)
        , m_paint(std::move(paint))
    {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(1);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QFrame::paintEvent(event);
        const QRect client = contentsRect();
        QPainter painter(this);
        painter.translate(client.topLeft());
        painter.setClipRect(QRect(QPoint(0, 0), client.size()));
        m_paint(painter, client.size());
    }

private:
    PaintFn m_paint;
};

using dlg::Kind;
using dlg::NoId;

// The analyzer, 371 x 307 dialog units; template order is tab order.
const dlg::Item kTemplate[] = {
        {CAnalyzerDlg::IdOk, Kind::DefPushButton, u"OK", 304, 284, 58, 16,
         dlg::Group | dlg::TabStop},
        {CAnalyzerDlg::IdCancel, Kind::PushButton, u"ｷｬﾝｾﾙ", 312, 272, 50, 14,
         dlg::TabStop | dlg::Hidden},
        {CAnalyzerDlg::IdPlot, Kind::Custom, nullptr, 8, 8, 356, 184},
        {NoId, Kind::GroupBox, u"分析種類(&B)", 8, 260, 288, 36},
        {NoId, Kind::Text, u"「投資額」に対応した「回収率」の実績を確認できます", 108, 272, 164, 16,
         dlg::VCenter | dlg::WordWrap},
        {CAnalyzerDlg::IdKindRate, Kind::PushRadio, u"回収率分布", 16, 272, 84, 16,
         dlg::Group | dlg::TabStop},
        {CAnalyzerDlg::IdKindB, Kind::PushRadio, u"分析B", 20, 276, 84, 16, dlg::Hidden},
        {CAnalyzerDlg::IdExplanation, Kind::Custom, nullptr, 8, 200, 356, 56},
};

} // namespace

CAnalyzerDlg::CAnalyzerDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("アナライザ"));
    setModal(true);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());

    // The two custom controls are the frames the plot and the explanation are drawn into.
    const auto factory = [this](const dlg::Item &item, QWidget *client) -> QWidget * {
        if (item.id == IdPlot) {
            return new CPaintFrame(
                    client, [this](QPainter &painter, QSize size) { PaintPlot(painter, size); });
        }
        return new CPaintFrame(client, &CAnalyzerPainter::DrawExplanation);
    };
    m_controls = dlg::Build(this, kTemplate, units, factory);
    setFixedSize(dlg::ToPixels(units, 371, 307));

    m_plot = qobject_cast<QFrame *>(m_controls.widget(IdPlot));
    m_kindRate = m_controls.get<QAbstractButton>(IdKindRate);
    connect(m_controls.get<QPushButton>(IdOk), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_controls.get<QPushButton>(IdCancel), &QPushButton::clicked, this, &QDialog::reject);
    // There is only one kind of analysis: a click on its button, or a screen reader's toggle, has
    // nothing to change.
}

CAnalyzerDlg::~CAnalyzerDlg()
{
    // Destroyed while still open (its owner went away): the position is kept all the same.
    if (m_initialized && isVisible())
        OnDestroy();
}

QWidget *CAnalyzerDlg::control(ControlId id) const
{
    return m_controls.widget(id);
}

void CAnalyzerDlg::ResetData()
{
    m_data.ResetData();
}

void CAnalyzerDlg::SetData(const CResultBook *book)
{
    m_data.SetData(book);
}

void CAnalyzerDlg::setVisible(bool visible)
{
    if (visible && !m_initialized)
        OnInitDialog();
    QDialog::setVisible(visible);
}

void CAnalyzerDlg::done(int result)
{
    if (m_initialized && isVisible())
        OnDestroy();
    QDialog::done(result);
}

void CAnalyzerDlg::OnInitDialog()
{
    RestoreWindowPosition(*this, &CSettings::analysisPos);
    m_initialized = true;
}

void CAnalyzerDlg::OnDestroy()
{
    SaveWindowPosition(*this, &CSettings::analysisPos);
    m_initialized = false;
}

void CAnalyzerDlg::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // The layout follows the plot control's size at the first paint and is kept afterwards.
    if (!m_data.m_prepared && m_plot)
        Prepare(m_plot->contentsRect().size());
}

void CAnalyzerDlg::PaintPlot(QPainter &painter, QSize client)
{
    if (!m_data.m_prepared)
        Prepare(client);
    CAnalyzerPainter(m_data).Draw(painter, client);
}

void CAnalyzerDlg::Prepare(QSize plotClient)
{
    m_data.Prepare(plotClient.width(), plotClient.height());
    if (m_kindRate)
        m_kindRate->setChecked(true);
}
