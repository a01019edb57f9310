#pragma once
// Shared set-up of the axis panel tests: a fresh simulated board on the USB
// link, a panel built the way the main window builds it, and the library
// journal as a list of calls.
#include "axis/TAxisFrm.h"
#include "common/ui/Dialogs.h"
#include "config/AxisConfig.h"
#include "controller/Conversion.h"
#include "kq_sim.h"
#include "support/Fixtures.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace AxisTest {

inline void Reset_Board()
{
    kqsim_reset(4, 4, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    KQ_Open_USB();
}

inline TAxis_Config Named_Axis()
{
    TAxis_Config c;
    c.Axis_Neg = QStringLiteral("向左");
    c.Axis_Pos = QStringLiteral("向右");
    return c;
}

// Builds the panel of `axis` from g_Axis_Config as the main window does.
// Its poll timer is stopped: tests tick it themselves.
inline std::unique_ptr<TAxisFrm> Build_Panel(int axis)
{
    auto frm = std::make_unique<TAxisFrm>();
    frm->tmr_Axis->stop();
    frm->grp_Ch->setProperty("Tag", axis);
    if (axis >= 0 && axis < g_Axis_Config.size()) {
        const TAxis_Config &c = g_Axis_Config.at(axis);
        frm->FNegCaption = c.Axis_Neg;
        frm->FPosCaption = c.Axis_Pos;
        frm->Load_Param();
        frm->edt_Abs->setText(c.P_Abs);
        frm->edt_Rel->setText(c.P_Rel);
        frm->edt_Mode_V_Abs->setText(c.V_Abs);
        frm->edt_Mode_V_Rel->setText(c.V_Rel);
        frm->edt_Home_V->setText(c.Home_V);
        frm->rb_Close->setEnabled(c.Encoder_Has);
    }
    kqsim_journal_clear();
    return frm;
}

using Fixtures::Journal;

inline QString Call(const char *name, int axis)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(axis);
}

inline QString Call(const char *name, int axis, int32_t value)
{
    return QStringLiteral("%1(%2,%3)").arg(QLatin1String(name)).arg(axis).arg(value);
}

inline QString Not_A_Float(const QString &text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

using MessageLog = Fixtures::MessageRecorder;

} // namespace AxisTest
