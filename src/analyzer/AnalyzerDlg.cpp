#include "analyzer/AnalyzerDlg.h"

#include "dialogkit/ButtonCommands.h"
#include "dialogkit/PaintFrame.h"
#include "dialogkit/WindowPosition.h"
#include "graph/AnalyzerPainter.h"
#include "graph/WeekdayPainter.h"
#include "settings/Settings.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {

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
        {CAnalyzerDlg::IdKindText, Kind::Text,
         u"「投資額」に対応した「回収率」の実績を確認できます", 160, 272, 132, 16,
         dlg::VCenter | dlg::WordWrap},
        {CAnalyzerDlg::IdKindRate, Kind::PushRadio, u"回収率分布", 16, 272, 84, 16,
         dlg::Group | dlg::TabStop},
        {CAnalyzerDlg::IdKindWeekday, Kind::PushRadio, u"曜日別", 104, 272, 52, 16, dlg::TabStop},
        {CAnalyzerDlg::IdExplanation, Kind::Custom, nullptr, 8, 200, 356, 56},
};

// What each kind shows, in the text beside the kind buttons.
QString KindText(AnalysisKind kind)
{
    return kind == AnalysisKind::Weekdays
            ? QStringLiteral("曜日ごとの収支と勝率を確認できます")
            : QStringLiteral("「投資額」に対応した「回収率」の実績を確認できます");
}

} // namespace

CAnalyzerDlg::CAnalyzerDlg(QWidget *parent)
    : QDialog(parent)
    , m_commands(std::make_unique<CButtonCommands>())
{
    setWindowTitle(QStringLiteral("アナライザ"));
    setModal(true);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());

    // The two custom controls are the frames the plot and the explanation are drawn into.
    const auto factory = [this](const dlg::Item &item, QWidget *client) -> QWidget * {
        if (item.id == IdPlot) {
            return m_plot = new CPaintFrame(client, [this](QPainter &painter, QSize size) {
                       PaintPlot(painter, size);
                   });
        }
        return m_explanation = new CPaintFrame(client, [this](QPainter &painter, QSize size) {
                   PaintExplanation(painter, size);
               });
    };
    m_controls = dlg::Build(this, kTemplate, units, factory);
    setFixedSize(dlg::ToPixels(units, 371, 307));

    m_kindText = m_controls.get<QLabel>(IdKindText);
    connect(m_controls.get<QPushButton>(IdOk), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_controls.get<QPushButton>(IdCancel), &QPushButton::clicked, this, &QDialog::reject);
    // The two kind buttons act as one choice: a click, the arrow keys, a screen reader's press or
    // toggle. The button that goes off as the other comes on chooses nothing.
    for (const AnalysisKind kind : {AnalysisKind::RateDistribution, AnalysisKind::Weekdays}) {
        QAbstractButton *button = KindButton(kind);
        m_commands->Connect(button, [this, button, kind] {
            if (button->isChecked())
                SetKind(kind);
        });
    }
    ShowKind();
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

QAbstractButton *CAnalyzerDlg::KindButton(AnalysisKind kind) const
{
    return m_controls.get<QAbstractButton>(kind == AnalysisKind::Weekdays ? IdKindWeekday
                                                                          : IdKindRate);
}

void CAnalyzerDlg::ResetData()
{
    m_data.ResetData();
    m_weekdays = CWeekdayData();
}

void CAnalyzerDlg::SetData(const CResultBook *book)
{
    m_data.SetData(book);
    m_weekdays.SetData(book);
    ShowKind();
}

void CAnalyzerDlg::SetKind(AnalysisKind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    // Before the first paint no kind button is checked yet; Prepare checks the one chosen.
    if (m_data.m_prepared) {
        const auto quiet = m_commands->Quiet();
        KindButton(kind)->setChecked(true);
    }
    ShowKind();
}

void CAnalyzerDlg::ShowKind()
{
    m_kindText->setText(KindText(m_kind));
    // The frames carry what they show, for screen readers.
    const bool weekdays = m_kind == AnalysisKind::Weekdays;
    m_plot->setAccessibleName(weekdays ? m_weekdays.Title() : m_data.m_title);
    m_explanation->setAccessibleName(weekdays ? CWeekdayPainter::ExplanationText()
                                              : CAnalyzerPainter::ExplanationText());
    m_plot->update();
    m_explanation->update();
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
    CSettings settings;
    settings.Read(&CSettings::weekdayAnalysis);
    SetKind(settings.weekdayAnalysis ? AnalysisKind::Weekdays : AnalysisKind::RateDistribution);
    m_initialized = true;
}

void CAnalyzerDlg::OnDestroy()
{
    SaveWindowPosition(*this, &CSettings::analysisPos);
    CSettings settings;
    settings.weekdayAnalysis = m_kind == AnalysisKind::Weekdays;
    settings.Write(&CSettings::weekdayAnalysis);
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
    if (m_kind == AnalysisKind::Weekdays)
        CWeekdayPainter(m_weekdays).Draw(painter, client);
    else
        CAnalyzerPainter(m_data).Draw(painter, client);
}

void CAnalyzerDlg::PaintExplanation(QPainter &painter, QSize client) const
{
    if (m_kind == AnalysisKind::Weekdays)
        CWeekdayPainter::DrawExplanation(painter, client);
    else
        CAnalyzerPainter::DrawExplanation(painter, client);
}

void CAnalyzerDlg::Prepare(QSize plotClient)
{
    m_data.Prepare(plotClient.width(), plotClient.height());
    {
        const auto quiet = m_commands->Quiet();
        KindButton(m_kind)->setChecked(true);
    }
    m_plot->setAccessibleName(m_kind == AnalysisKind::Weekdays ? m_weekdays.Title()
                                                               : m_data.m_title);
}
