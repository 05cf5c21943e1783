#include "analysis/AnalyzerData.h"

#include "analysis/ChartScale.h"
#include "data/ResultBook.h"

#include <algorithm>
#include <limits>
#include <span>

namespace {

static_assert(CAnalyzerData::kMaxPoints >= CResultBook::kMaxDays, "one point per day slot");

// Rates are at most 1000 %; every step up to 100 divides 100, so a grid line lies on 100 %.
constexpr int32_t kRateSteps[] = {10, 20, 25, 50, 100, 200, 250, 500};

// What an axis shows when nothing raises it: 0 to 10 (hundreds of yen), 0 to 1000 %.
constexpr int32_t kInvestedWhenNone = 10;
constexpr int32_t kRateWhenNone = 1000;
// The rate scale reaches at least 100 %, so that the blue region always shows.
constexpr int32_t kRateFloor = 100;

// A scale of at most 10 steps: 0 and every multiple of the first step that keeps the count at
// most 10. When no step fits, the axis keeps the single tick 0. largest is never below 0; a
// largest value of 0 becomes whenZero, one below smallFloor becomes smallFloor.
void scaleAxis(int32_t largest, int32_t whenZero, int32_t smallFloor,
               std::span<const int32_t> steps, int32_t *axisMax, int32_t *ticks, int32_t *tickCount)
{
    int32_t m = largest;
    if (m == 0)
        m = whenZero;
    else if (m < smallFloor)
        m = smallFloor;
    *axisMax = m;
    ticks[0] = 0;
    *tickCount = 1;
    for (const int32_t s : steps) {
        if (m / s <= chart::kMaxStepsPerAxis) {
            const int32_t n = m / s;
            for (int32_t k = 1; k <= n; ++k)
                ticks[k] = k * s;
            *tickCount = n + 1;
            return;
        }
    }
}

int32_t clampToInt32(qint64 v)
{
    return int32_t(std::clamp<qint64>(v, std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max()));
}

} // namespace

CAnalyzerData::CAnalyzerData()
{
    ResetData();
}

void CAnalyzerData::ResetData()
{
    m_book = nullptr;
    m_prepared = 0;
    m_title.clear();
    m_originX = m_originY = m_plotWidth = m_plotHeight = 0;
    m_frame = Frame();
    m_xMax = m_yMax = 0;
    m_dayCount = 0;
    std::fill(std::begin(m_points), std::end(m_points), Point());
    m_pointCount = 0;
    std::fill(std::begin(m_xTicks), std::end(m_xTicks), 0);
    m_xTickCount = 0;
    std::fill(std::begin(m_yTicks), std::end(m_yTicks), 0);
    m_yTickCount = 0;
}

void CAnalyzerData::SetData(const CResultBook *book)
{
    ResetData();
    m_book = book;
    m_dayCount = book ? book->DayCount() : 0;
}

void CAnalyzerData::Prepare(int w, int h)
{
    BuildPoints();
    ScaleInvested();
    ScaleRate();
    m_originX = kOriginX;
    m_originY = h - kBaseLineInset;
    m_plotWidth = w - kPlotWidthInset;
    m_plotHeight = h - kPlotHeightInset;
    m_frame = Frame{kFrameLeft, kFrameTop, w - kFrameMarginRight, h - kFrameMarginBottom};
    m_prepared = 1;
}

bool CAnalyzerData::RateOf(int32_t collected, int32_t invested, int32_t *rate)
{
    if (invested == 0)
        return false;
    // The quotient first: 29 / 100 * 100 lies just below 29 and must show as 28.
    double r = double(collected) / double(invested);
    r = r * 100.0;
    if (r > 1000.0)
        r = 1000.0;
    // Only a negative amount written into the file by hand gets here; keep the conversion defined.
    if (r < double(std::numeric_limits<int32_t>::min()))
        r = double(std::numeric_limits<int32_t>::min());
    *rate = int32_t(r); // truncation toward zero
    return true;
}

int32_t CAnalyzerData::readableDays() const
{
    if (!m_book)
        return 0;
    return std::clamp<int32_t>(m_dayCount, 0, CResultBook::kMaxDays);
}

void CAnalyzerData::BuildPoints()
{
    m_pointCount = 0;
    const int32_t n = readableDays();
    for (int32_t i = 0; i < n; ++i) {
        const DayResult &day = m_book->Day(i);
        int32_t rate = 0;
        if (!RateOf(day.collected, day.invested, &rate))
            continue; // balance-only days and days without a result
        m_points[m_pointCount++] = Point{day.invested, rate};
    }
    m_title = QStringLiteral("回収率分布:");
    // An empty book (a period whose save failed) has no days to name.
    if (n > 0) {
        m_title += m_book->Day(0).dateText + QStringLiteral(" ～ ") + m_book->Day(n - 1).dateText;
    }
}

void CAnalyzerData::ScaleInvested()
{
    int32_t largest = 0;
    for (int32_t i = 0; i < m_pointCount; ++i)
        largest = std::max(largest, m_points[i].invested);
    scaleAxis(largest, kInvestedWhenNone, 0, chart::kScaleSteps, &m_xMax, m_xTicks, &m_xTickCount);
}

void CAnalyzerData::ScaleRate()
{
    int32_t largest = 0;
    for (int32_t i = 0; i < m_pointCount; ++i)
        largest = std::max(largest, m_points[i].rate);
    scaleAxis(largest, kRateWhenNone, kRateFloor, kRateSteps, &m_yMax, m_yTicks, &m_yTickCount);
}

// 64-bit products: a hand-edited file may hold amounts whose product with the plot size
// does not fit 32 bits; for real amounts the result is the same.
int32_t CAnalyzerData::XOf(int32_t invested) const
{
    if (m_xMax == 0)
        return m_originX;
    return clampToInt32(qint64(m_originX) + qint64(invested) * m_plotWidth / m_xMax);
}

int32_t CAnalyzerData::YOf(int32_t rate) const
{
    if (m_yMax == 0)
        return m_originY;
    return clampToInt32(qint64(m_originY) - qint64(rate) * m_plotHeight / m_yMax);
}
