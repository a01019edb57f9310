#include "RasterScan.h"

#include "TCodeModel.h"

namespace {

// Rows of one pass over the lines (forward or reverse): X moves along each
// line, a Y move between lines.  In relative mode a line of one point has
// no X row: a count of 0 would still be carried out once.
qint64 PassRowCount(const TScanSettings &s)
{
    const qint64 lines = s.YCount > 0 ? s.YCount : 0;
    if (lines == 0)
        return 0;
    const qint64 xRows = s.XCount > 1 ? (s.MoveRel ? 1 : qint64(s.XCount) - 1) : 0;
    return lines * xRows + (lines - 1);
}

class RasterBuilder
{
public:
    explicit RasterBuilder(const TScanSettings &s) : m_s(s), m_x(s.XStart), m_y(s.YStart) {}

    std::vector<TAutoCode> Build()
    {
        m_rows.reserve(size_t(RasterRowCount(m_s)));
        Home();
        if (m_s.XStart != 0 || m_s.YStart != 0) {
            AddX(AutoAction::Abs, m_s.XStart, 0);
            AddY(AutoAction::Abs, m_s.YStart, m_s.Delay);
        }
        if (m_s.StartZero) {
            AddX(AutoAction::Adjust, 0, 0);
            AddY(AutoAction::Adjust, 0, 0);
            m_x = m_y = 0;
        }
        Pass(+1);
        switch (m_s.OnStop) {
        case OnStopHome:
            Home();
            break;
        case OnStopPauseReverse:
            Add(-1, QString(), AutoAction::Pause, 0, 0, 1);
            [[fallthrough]];
        case OnStopReverse:
            Pass(-1);
            Home();
            break;
        default:
            break;
        }
        return std::move(m_rows);
    }

private:
    // One pass over YCount lines; the reverse pass (ySign -1) continues the
    // direction and the position where the forward pass left them.
    void Pass(int ySign)
    {
        for (int32_t line = 0; line < m_s.YCount; ++line) {
            MoveAlongLine();
            m_dir = -m_dir;
            if (line == m_s.YCount - 1)
                break;
            if (m_s.MoveRel) {
                AddY(AutoAction::Rel, ySign * m_s.YLen, m_s.Delay);
            } else {
                m_y = ySign > 0 ? m_y + m_s.YLen : m_y - m_s.YLen;
                AddY(AutoAction::Abs, m_y, m_s.Delay);
            }
        }
    }

    void MoveAlongLine()
    {
        if (m_s.XCount <= 1)
            return;
        if (m_s.MoveRel) {
            AddX(AutoAction::Rel, m_dir * m_s.XLen, m_s.Delay, m_s.XCount - 1);
            return;
        }
        for (int32_t i = 1; i < m_s.XCount; ++i) {
            m_x = m_x + m_dir * m_s.XLen;
            AddX(AutoAction::Abs, m_x, m_s.Delay);
        }
    }

    void Home()
    {
        AddX(AutoAction::Home, 0, 0);
        AddY(AutoAction::Home, 0, 0);
    }

    void AddX(const QString &action, double param, int32_t delay, int32_t count = 1)
    {
        Add(m_s.XID, m_s.XAxis, action, param, delay, count);
    }
    void AddY(const QString &action, double param, int32_t delay)
    {
        Add(m_s.YID, m_s.YAxis, action, param, delay, 1);
    }

    void Add(int32_t id, const QString &axis, const QString &action, double param, int32_t delay, int32_t count)
    {
        TAutoCode code{false, id, axis, action, param, delay, count};
        ForceActionValues(code);
        m_rows.push_back(std::move(code));
    }

    const TScanSettings &m_s;
    std::vector<TAutoCode> m_rows;
    double m_x, m_y;
    double m_dir = 1;
};

} // namespace

qint64 RasterRowCount(const TScanSettings &s)
{
    qint64 rows = 2; // homing
    if (s.XStart != 0 || s.YStart != 0)
        rows += 2;
    if (s.StartZero)
        rows += 2;
    rows += PassRowCount(s);
    switch (s.OnStop) {
    case OnStopHome: return rows + 2;
    case OnStopReverse: return rows + PassRowCount(s) + 2;
    case OnStopPauseReverse: return rows + 1 + PassRowCount(s) + 2;
    default: return rows;
    }
}

std::vector<TAutoCode> GenerateRaster(const TScanSettings &s)
{
    return RasterBuilder(s).Build();
}
