#include "analyzer/AnalyzerDlg.h"

#include "app/Profile.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <functional>

namespace {

const QString kSection = QStringLiteral("Analysis");

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGainBlue(152, 191, 255);
const QColor kLossRed(255, 152, 215);
const QColor kGridGrey(127, 127, 127);

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

// A rectangle given as left, top, right, bottom with right and bottom excluded.
QRect ltrb(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void fillLtrb(QPainter &painter, int left, int top, int right, int bottom, const QColor &colour)
{
    if (right > left && bottom > top)
        painter.fillRect(ltrb(left, top, right, bottom), colour);
}

// An axis-parallel line that, like a line drawn to a point, leaves out its last pixel.
void lineTo(QPainter &painter, int x1, int y1, int x2, int y2)
{
    const int dx = (x2 > x1) - (x2 < x1);
    const int dy = (y2 > y1) - (y2 < y1);
    if (dx == 0 && dy == 0)
        return;
    painter.drawLine(QPoint(x1, y1), QPoint(x2 - dx, y2 - dy));
}

QFont plotFont(int pointSize)
{
    QFont font = dlg::DialogFont();
    font.setPointSize(pointSize);
    return font;
}

constexpr int kCentredLine = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine;

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
        return new CPaintFrame(
                client, [this](QPainter &painter, QSize size) { DrawExplanation(painter, size); });
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
    DrawPlot(painter, client);
    DrawPoints(painter, client);
}

void CAnalyzerDlg::Prepare(QSize plotClient)
{
    m_data.Prepare(plotClient.width(), plotClient.height());
    if (auto *kind = m_controls.get<QAbstractButton>(IdKindRate))
        kind->setChecked(true);
}

void CAnalyzerDlg::DrawPlot(QPainter &painter, QSize client) const
{
    const CAnalyzerData &d = m_data;
    const CAnalyzerData::Frame &f = d.m_frame;
    const int w = client.width();
    const int h = client.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);

    fillLtrb(painter, 1, 1, w - 1, h - 1, kWhite);
    // The 100 % row itself stays white between the two regions.
    const int32_t level = d.m_yMax != 0 ? 100 * d.m_plotHeight / d.m_yMax : 0;
    fillLtrb(painter, f.left, f.top, f.right, d.m_originY - level, kGainBlue);
    fillLtrb(painter, f.left, d.m_originY - level + 1, f.right, d.m_originY, kLossRed);

    painter.setFont(plotFont(10));
    painter.setPen(kBlack);
    painter.drawText(ltrb(1, 1, w - 1, 25), kCentredLine, d.m_title);
    painter.drawText(ltrb(f.left, h - 21, f.right, h - 6), kCentredLine, QStringLiteral("投資額"));
    painter.drawText(ltrb(f.left, h - 21, f.right, h - 6),
                     Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                     QStringLiteral("(百円)"));
    // Three lines, each centred, from the top of the rectangle.
    painter.drawText(ltrb(9, (25 + h - 20) / 2 - 20, 24, h - 20), Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("回\n収\n率"));

    const QPen grid(kGridGrey, 1, Qt::SolidLine);
    painter.setPen(grid);
    lineTo(painter, f.left, f.top, f.left, f.bottom);
    for (int32_t i = 0; i < d.m_yTickCount; ++i) {
        const int32_t t = d.m_yTicks[i];
        const int32_t y = d.YOf(t);
        lineTo(painter, f.left, y, f.right, y);
        painter.setPen(kBlack);
        painter.drawText(ltrb(0, y - 5, f.left - 3, y + 5),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::number(t) + QLatin1Char('%'));
        painter.setPen(grid);
    }
    painter.restore();
}

void CAnalyzerDlg::DrawPoints(QPainter &painter, QSize client) const
{
    const CAnalyzerData &d = m_data;
    const CAnalyzerData::Frame &f = d.m_frame;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kBlack);
    for (int32_t i = 0; i < d.m_pointCount; ++i) {
        const int32_t x = d.XOf(d.m_points[i].invested);
        const int32_t y = d.YOf(d.m_points[i].rate);
        // A dot that cannot touch the control is not drawn (it would not show anyway).
        if (x + 2 <= 0 || y + 2 <= 0 || x - 2 >= client.width() || y - 2 >= client.height())
            continue;
        painter.drawEllipse(QRectF(x - 2, y - 2, 4, 4));
    }

    painter.setBrush(Qt::NoBrush);
    painter.setFont(plotFont(9));
    const QPen grid(kGridGrey, 1, Qt::SolidLine);
    for (int32_t i = 0; i < d.m_xTickCount; ++i) {
        const int32_t t = d.m_xTicks[i];
        const int32_t x = d.XOf(t);
        painter.setPen(kBlack);
        painter.drawText(ltrb(x - 25, d.m_originY, x + 25, f.bottom), kCentredLine,
                         QString::number(t));
        painter.setPen(grid);
        lineTo(painter, x, d.m_originY, x, d.m_originY - 5);
    }
    painter.restore();
}

QString CAnalyzerDlg::ExplanationText()
{
    return QStringLiteral("説明:\n")
            + QStringLiteral(
                    "過去実績による「投資額（横軸）」に対応した「回収率（縦軸）」の分布です。")
            + QStringLiteral(
                    "青色の領域にある黒点がプラス実績で赤の領域にある黒点がマイナス実績です。")
            + QStringLiteral("※1000%を超えた場合は、1000%で表示されます。")
            + QStringLiteral("\n活用:\n")
            + QStringLiteral("効果的な投資額は、黒点が回収率100%以上で高い位置に集中している付近と"
                             "考えられます。");
}

void CAnalyzerDlg::DrawExplanation(QPainter &painter, QSize client) const
{
    const int w = client.width();
    const int h = client.height();
    painter.save();
    fillLtrb(painter, 1, 1, w - 1, h - 1, kWhite);
    painter.setFont(plotFont(10));
    painter.setPen(kBlack);
    painter.drawText(ltrb(3, 3, w - 1, h - 1),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs,
                     ExplanationText());
    painter.restore();
}
