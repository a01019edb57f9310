#include "ProgramAxes.h"

#include <algorithm>
#include <numeric>

namespace {

// Differences listed by name; the rest are counted.
constexpr int kListed = 8;

struct Difference
{
    int ID;
    QString Axis;
};

} // namespace

QString Caption_Mismatch_Warning(const std::vector<TAutoCode> &rows, const QStringList &captions)
{
    std::vector<Difference> found;
    // The rows read from a file share one text per caption: once a row's
    // text is found equal to its axis's caption, rows sharing it are too.
    std::vector<QStringView> same(size_t(captions.size()));
    for (const TAutoCode &code : rows) {
        if (code.ID < 0 || code.ID >= captions.size())
            continue;
        QStringView &equal = same[size_t(code.ID)];
        if (code.Axis.constData() == equal.data() && code.Axis.size() == equal.size())
            continue;
        if (code.Axis == captions[code.ID]) {
            equal = code.Axis;
            continue;
        }
        const bool known = std::any_of(found.begin(), found.end(), [&code](const Difference &d) {
            return d.ID == code.ID && d.Axis == code.Axis;
        });
        if (!known)
            found.push_back({code.ID, code.Axis});
    }
    if (found.empty())
        return QString();
    QStringList items;
    for (size_t i = 0; i < found.size() && i < size_t(kListed); ++i) {
        items << QStringLiteral("轴%1 方案中为“%2”，配置中为“%3”")
                     .arg(found[i].ID + 1)
                     .arg(found[i].Axis, captions[found[i].ID]);
    }
    QString text = QStringLiteral("方案中的轴名称与当前配置不一致：") + items.join(QStringLiteral("；"));
    if (found.size() > size_t(kListed))
        text += QStringLiteral("；等共 %1 处").arg(found.size());
    return text;
}

std::pair<int, int> Most_Moved_Axes(const std::vector<TAutoCode> &rows, int axisCount)
{
    if (axisCount <= 0)
        return {-1, -1};
    std::vector<double> moves(static_cast<size_t>(axisCount), 0.0);
    for (const TAutoCode &code : rows) {
        if (code.ID < 0 || code.ID >= axisCount)
            continue;
        const AutoAction::TKind action = AutoAction::Kind_Of(code.Action);
        if (action == AutoAction::TKind::Rel)
            moves[size_t(code.ID)] += std::max(code.Count, 1);
        else if (action == AutoAction::TKind::Abs || action == AutoAction::TKind::Home)
            moves[size_t(code.ID)] += 1;
    }
    std::vector<int> order(static_cast<size_t>(axisCount));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&moves](int a, int b) { return moves[size_t(a)] > moves[size_t(b)]; });
    if (axisCount == 1)
        return {order[0], -1};
    return {order[0], order[1]};
}
