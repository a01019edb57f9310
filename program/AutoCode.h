#pragma once
// One step of an automatic program, shared by the program table, the program
// file, the raster generator and the program runner.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <iterator>
#include <optional>

struct TAutoCode
{
    bool bInsert = false;  // add before the selected row instead of appending
    int32_t ID = -1;       // axis number driven by the step, -1 for none
    QString Axis;          // axis caption, for display and the run log
    QString Action;        // one of the five action names below
    double Param = 0;      // mm or degrees, meaning by action
    int32_t Delay = 0;     // ms to wait after the step's motion has ended
    int32_t Count = 0;     // how many times the step is carried out
};

// A run of `Count` rows of a program from row `First` (counted from 0).
struct TRowRange
{
    int First = 0;
    int Count = 0;
    bool operator==(const TRowRange &other) const { return First == other.First && Count == other.Count; }
};

// Action names, in the order of the action list.
namespace AutoAction {
inline const QString Home = QStringLiteral("归零");
inline const QString Rel = QStringLiteral("相对定位");
inline const QString Abs = QStringLiteral("绝对定位");
inline const QString Pause = QStringLiteral("暂停");
inline const QString Adjust = QStringLiteral("坐标调整");
} // namespace AutoAction

namespace AutoAction {
// The five actions by their place in the action list; None for a name
// outside them.
enum class TKind { Home, Rel, Abs, Pause, Adjust, None };

// Which action `name` names.  The rows of a program share the names' text,
// which answers without comparing characters.
inline TKind Kind_Of(const QString &name)
{
    const QString *names[] = {&Home, &Rel, &Abs, &Pause, &Adjust};
    for (size_t i = 0; i < std::size(names); ++i) {
        if (name.constData() == names[i]->constData() && name.size() == names[i]->size())
            return TKind(i);
    }
    for (size_t i = 0; i < std::size(names); ++i) {
        if (name == *names[i])
            return TKind(i);
    }
    return TKind::None;
}

// A home search, a move or a coordinate adjustment: a step that commands
// its axis.
inline bool Drives_Axis(TKind kind)
{
    return kind != TKind::Pause && kind != TKind::None;
}
} // namespace AutoAction

// Where a step tells its axis to go, in mm or degrees: a home search to 0,
// a relative move `Param` on from `before` (unknown when that is), an
// absolute move or a coordinate adjustment to `Param`.
inline std::optional<double> Step_Target(const TAutoCode &code, std::optional<double> before)
{
    if (code.Action == AutoAction::Home)
        return 0.0;
    if (code.Action == AutoAction::Rel)
        return before ? std::optional<double>(*before + code.Param) : std::nullopt;
    return code.Param;
}

inline QStringList Action_Names()
{
    return {AutoAction::Home, AutoAction::Rel, AutoAction::Abs, AutoAction::Pause, AutoAction::Adjust};
}

inline bool Is_Action_Name(const QString &name)
{
    return Action_Names().contains(name);
}
