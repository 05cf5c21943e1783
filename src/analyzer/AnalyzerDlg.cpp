#include "analyzer/AnalyzerDlg.h"

#include "app/Profile.h"
#include "graph/AnalyzerPainter.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <functional>

namespace {

const QString kSection = QStringLiteral("Analysis");

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

// Dialog template 105.
const dlg::Item kTemplate[] = {
        {CAnalyzerDlg::IdOk, dlg::Kind::DefPushButton, u"OK", 304, 284, 58, 16,
         dlg::Group | dlg::TabStop},
        {CAnalyzerDlg::IdCancel, dlg::Kind::PushButton, u"ｷｬﾝｾﾙ", 312, 272, 50, 14,
         dlg::TabStop | dlg::Hidden},
        {CAnalyzerDlg::IdPlot, dlg::Kind::Custom, nullptr, 8, 8, 356, 184, dlg::None},
        {-1, dlg::Kind::GroupBox, u"分析種類(&B)", 8, 260, 288, 36, dlg::None},
        {-1, dlg::Kind::Text, u"「投資額」に対応した「回収率」の実績を確認できます", 108, 272, 164,
         16, dlg::VCenter},
        {CAnalyzerDlg::IdKindRate, dlg::Kind::Custom, u"回収率分布", 16, 272, 84, 16,
         dlg::Group | dlg::TabStop | dlg::PushLike},
        {CAnalyzerDlg::IdKindB, dlg::Kind::Custom, u"分析B", 20, 276, 84, 16,
         dlg::Hidden | dlg::PushLike},
        {CAnalyzerDlg::IdExplanation, dlg::Kind::Custom, nullptr, 8, 200, 356, 56, dlg::None},
};

} // namespace

CAnalyzerDlg::CAnalyzerDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("アナライザ"));
    setModal(true);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());

    const auto factory = [this](const dlg::Item &item, QWidget *client) -> QWidget * {
        if (item.flags & dlg::PushLike) {
            // An auto radio button drawn as a push button.
            auto *button = new QPushButton(QString::fromUtf16(item.text), client);
            button->setCheckable(true);
            button->setAutoExclusive(true);
            button->setAutoDefault(false);
            button->setFocusPolicy(Qt::StrongFocus);
            return button;
        }
        if (item.id == IdPlot) {
            return new CPaintFrame(
                    client, [this](QPainter &painter, QSize size) { PaintPlot(painter, size); });
        }
        return new CPaintFrame(client, &CAnalyzerPainter::DrawExplanation);
    };
    m_controls = dlg::Build(this, kTemplate, units, factory);
    setFixedSize(dlg::ToPixels(units, 371, 307));

    m_plot = qobject_cast<QFrame *>(m_controls.widget(IdPlot));
    // A static text wraps at its width.
    for (int i = 0; i < m_controls.count(); ++i) {
        if (auto *label = qobject_cast<QLabel *>(m_controls.at(i)))
            label->setWordWrap(true);
    }
    connect(m_controls.get<QPushButton>(IdOk), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_controls.get<QPushButton>(IdCancel), &QPushButton::clicked, this, &QDialog::reject);
    // There is only one kind of analysis: a click on its button has nothing to change.
}

CAnalyzerDlg::~CAnalyzerDlg()
{
    // Destroyed while still open (its owner went away): the position is kept all the same.
    if (m_initialized && isVisible())
        OnDestroy();
}

QWidget *CAnalyzerDlg::control(int id) const
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

bool CAnalyzerDlg::OnInitDialog()
{
    const int x = GetProfileInt(kSection, QStringLiteral("Pos_X"), 0);
    const int y = GetProfileInt(kSection, QStringLiteral("Pos_Y"), 0);
    // (0, 0) means no stored position: the dialog opens where it would by default.
    if (x != 0 || y != 0) {
        move(x, y);
        raise();
    }
    m_initialized = true;
    return true;
}

void CAnalyzerDlg::OnDestroy()
{
    const QPoint topLeft = frameGeometry().topLeft();
    WriteProfileInt(kSection, QStringLiteral("Pos_X"), topLeft.x());
    WriteProfileInt(kSection, QStringLiteral("Pos_Y"), topLeft.y());
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
    if (auto *kind = m_controls.get<QAbstractButton>(IdKindRate))
        kind->setChecked(true);
}
