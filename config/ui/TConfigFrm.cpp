#include "TConfigFrm.h"

#include "config/AxisConfig.h"
#include "config/AxisConfigFile.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "TGroupFrm.h"
#include "common/ui/Dialogs.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "common/ui/Widgets.h"
#include "kq_api.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

// Texts that follow the axis kind: linear stage (position 0) or rotary
// stage (position 1).
struct TKindTexts
{
    QString Acc, Dec, Max_V, Custom;
    bool Linear;
};

const TKindTexts kKindTexts[] = {
    {QStringLiteral("加速度(mm/s²)"), QStringLiteral("减速度(mm/s²)"),
     QStringLiteral("位置模式最大速度(mm/s)"), QStringLiteral("快捷定位(mm)"), true},
    {QStringLiteral("加速度(°/s²)"), QStringLiteral("减速度(°/s²)"),
     QStringLiteral("位置模式最大速度(°/s)"), QStringLiteral("快捷定位(°)"), false},
};

// Writes the keys of one axis section, each value parsed from its control
// at the moment it is written.
class TSectionWriter
{
public:
    TSectionWriter(TIniFile &ini, const QString &section) : m_ini(ini), m_section(section) {}
    void Text(const char *key, const QLineEdit *edit) { Write(key, edit->text()); }
    void Integer(const char *key, const QLineEdit *edit) { Write(key, QString::number(StrToInt(edit->text()))); }
    void Float(const char *key, const QLineEdit *edit) { Write(key, FloatToStr(StrToFloat(edit->text()))); }
    void Bool(const char *key, const QCheckBox *box) { Write(key, box->isChecked() ? "1" : "0"); }
    void Position(const char *key, const QComboBox *list) { Write(key, QString::number(list->currentIndex())); }
    // A travel limit: empty for none, written only when the file has the
    // key already (a file without limits keeps its keys as they were).
    void Limit(const char *key, const QLineEdit *edit)
    {
        if (!TrimBlanks(edit->text()).isEmpty())
            Float(key, edit);
        else if (Has(key))
            Write(key, QString());
    }
    // A count whose key a file may lack: written when the file has the key
    // or the count is not the default.
    void Optional_Integer(const char *key, const QLineEdit *edit, int32_t byDefault)
    {
        if (Has(key) || StrToInt(edit->text()) != byDefault)
            Integer(key, edit);
    }
    bool Has(const char *key) const
    {
        return m_ini.ReadSection(m_section).contains(QString::fromLatin1(key), Qt::CaseInsensitive);
    }
    void Write(const char *key, const QString &value) { m_ini.WriteString(m_section, QString::fromLatin1(key), value); }

private:
    TIniFile &m_ini;
    QString m_section;
};

void Show_Position(QComboBox *list, int32_t position)
{
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

QComboBox *NewList(const char *name, const QStringList &items, QWidget *parent)
{
    auto *list = Named<QComboBox>(name, parent);
    list->addItems(items);
    return list;
}

QPushButton *NewButton(const char *name, const QString &caption, QWidget *parent)
{
    auto *button = Named<QPushButton>(name, caption, parent);
    // Enter in an entry neither saves nor moves to another axis.
    button->setAutoDefault(false);
    return button;
}

} // namespace

TConfigFrm::TConfigFrm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ConfigFrm"));
    setWindowTitle(QStringLiteral("参数配置"));
    BuildControls();
    BuildLayout();
    ConnectHandlers();
}

void TConfigFrm::BuildControls()
{
    grp_Group = Named<QGroupBox>("grp_Group", QStringLiteral("功能分组"), this);
    cbb_Group = NewList("cbb_Group", {}, grp_Group);
    btn_EditGroup = NewButton("btn_EditGroup", QStringLiteral("分组定义"), grp_Group);

    grp_Info = Named<QGroupBox>("grp_Info", QStringLiteral("轴信息"), this);
    edt_Caption = Named<QLineEdit>("edt_Caption", grp_Info);
    edt_Neg = Named<QLineEdit>("edt_Neg", grp_Info);
    edt_Pos = Named<QLineEdit>("edt_Pos", grp_Info);

    grp_Mechanics = Named<QGroupBox>("grp_Mechanics", QStringLiteral("机械参数"), this);
    cbb_Kind = NewList("cbb_Kind", {QStringLiteral("平移台"), QStringLiteral("旋转台")}, grp_Mechanics);
    edt_Div = Named<QLineEdit>("edt_Div", grp_Mechanics);
    edt_Line_Pitch = Named<QLineEdit>("edt_Line_Pitch", grp_Mechanics);
    edt_Circle_Ratio = Named<QLineEdit>("edt_Circle_Ratio", grp_Mechanics);
    edt_Line_Ratio = Named<QLineEdit>("edt_Line_Ratio", grp_Mechanics);
    lb_Acc = Named<QLabel>("lb_Acc", kKindTexts[0].Acc, grp_Mechanics);
    edt_Acc = Named<QLineEdit>("edt_Acc", grp_Mechanics);
    lbl_Dec = Named<QLabel>("lbl_Dec", kKindTexts[0].Dec, grp_Mechanics);
    edt_Dec = Named<QLineEdit>("edt_Dec", grp_Mechanics);
    lbl_Max_V = Named<QLabel>("lbl_Max_V", kKindTexts[0].Max_V, grp_Mechanics);
    edt_Max_V = Named<QLineEdit>("edt_Max_V", grp_Mechanics);
    edt_StepAngle = Named<QLineEdit>("edt_StepAngle", grp_Mechanics);
    edt_Soft_Min = Named<QLineEdit>("edt_Soft_Min", grp_Mechanics);
    edt_Soft_Max = Named<QLineEdit>("edt_Soft_Max", grp_Mechanics);
    for (QLineEdit *limit : {edt_Soft_Min, edt_Soft_Max})
        limit->setPlaceholderText(QStringLiteral("不限"));

    grp_Custom = Named<QGroupBox>("grp_Custom", kKindTexts[0].Custom, this);
    edt_Fast0 = Named<QLineEdit>("edt_Fast0", grp_Custom);
    edt_Fast1 = Named<QLineEdit>("edt_Fast1", grp_Custom);
    edt_Fast2 = Named<QLineEdit>("edt_Fast2", grp_Custom);
    edt_Fast3 = Named<QLineEdit>("edt_Fast3", grp_Custom);

    grp_Encoder = Named<QGroupBox>("grp_Encoder", QStringLiteral("闭环传感器参数"), this);
    chk_Encoder = Named<QCheckBox>("chk_Encoder", QStringLiteral("本轴连接有传感器"), grp_Encoder);
    cbb_Encoder = NewList("cbb_Encoder", {QStringLiteral("光栅尺"), QStringLiteral("编码器")}, grp_Encoder);
    edt_Unit_um = Named<QLineEdit>("edt_Unit_um", grp_Encoder);
    edt_GratingCount = Named<QLineEdit>("edt_GratingCount", grp_Encoder);
    edt_LineCount = Named<QLineEdit>("edt_LineCount", grp_Encoder);
    edt_Factor = Named<QLineEdit>("edt_Factor", grp_Encoder);
    btn_Factor = NewButton("btn_Factor", QStringLiteral("根据参数计算"), grp_Encoder);
    chk_Dir = Named<QCheckBox>("chk_Dir", QStringLiteral("默认方向"), grp_Encoder);
    chk_Z_Polarity = Named<QCheckBox>("chk_Z_Polarity", QStringLiteral("Z默认电平"), grp_Encoder);
    chk_Over_Enable = Named<QCheckBox>("chk_Over_Enable", QStringLiteral("闭环自动补偿"), grp_Encoder);
    edt_Over_Max = Named<QLineEdit>("edt_Over_Max", grp_Encoder);
    edt_Over_Stable = Named<QLineEdit>("edt_Over_Stable", grp_Encoder);
    edt_InPos_Tol = Named<QLineEdit>("edt_InPos_Tol", grp_Encoder);
    edt_InPos_Tol->setPlaceholderText(QStringLiteral("不检查"));
    edt_InPos_Retry = Named<QLineEdit>("edt_InPos_Retry", grp_Encoder);

    btn_Pre = NewButton("btn_Pre", QStringLiteral("前一轴"), this);
    btn_Next = NewButton("btn_Next", QStringLiteral("后一轴"), this);
    btn_OK = NewButton("btn_OK", QStringLiteral("完成关闭"), this);
}

void TConfigFrm::BuildLayout()
{
    auto *group = new QHBoxLayout(grp_Group);
    group->addWidget(cbb_Group, 1);
    group->addWidget(btn_EditGroup);

    auto *info = new QFormLayout(grp_Info);
    info->addRow(QStringLiteral("轴名称"), edt_Caption);
    info->addRow(QStringLiteral("负向动作名称"), edt_Neg);
    info->addRow(QStringLiteral("正向动作名称"), edt_Pos);

    auto *mechanics = new QFormLayout(grp_Mechanics);
    mechanics->addRow(QStringLiteral("类型"), cbb_Kind);
    mechanics->addRow(QStringLiteral("细分"), edt_Div);
    mechanics->addRow(QStringLiteral("螺距(mm)"), edt_Line_Pitch);
    mechanics->addRow(QStringLiteral("旋转传动比1:"), edt_Circle_Ratio);
    mechanics->addRow(QStringLiteral("直线传动比1:"), edt_Line_Ratio);
    mechanics->addRow(lb_Acc, edt_Acc);
    mechanics->addRow(lbl_Dec, edt_Dec);
    mechanics->addRow(lbl_Max_V, edt_Max_V);
    mechanics->addRow(QStringLiteral("电机步距角(°)"), edt_StepAngle);
    mechanics->addRow(QStringLiteral("软限位下限"), edt_Soft_Min);
    mechanics->addRow(QStringLiteral("软限位上限"), edt_Soft_Max);

    auto *custom = new QGridLayout(grp_Custom);
    QLineEdit *const fast[] = {edt_Fast0, edt_Fast1, edt_Fast2, edt_Fast3};
    for (int i = 0; i < 4; ++i) {
        custom->addWidget(new QLabel(QStringLiteral("快捷定位%1").arg(i + 1), grp_Custom), i / 2, (i % 2) * 2);
        custom->addWidget(fast[i], i / 2, (i % 2) * 2 + 1);
    }

    auto *factor = new QHBoxLayout;
    factor->addWidget(edt_Factor, 1);
    factor->addWidget(btn_Factor);
    auto *encoder = new QFormLayout(grp_Encoder);
    encoder->addRow(chk_Encoder);
    encoder->addRow(QStringLiteral("传感器类型"), cbb_Encoder);
    encoder->addRow(QStringLiteral("光栅尺刻度(um)"), edt_Unit_um);
    encoder->addRow(QStringLiteral("光栅尺整圆刻线"), edt_GratingCount);
    encoder->addRow(QStringLiteral("编码器线数"), edt_LineCount);
    encoder->addRow(QStringLiteral("闭环减速系数"), factor);
    encoder->addRow(chk_Dir);
    encoder->addRow(chk_Z_Polarity);
    encoder->addRow(chk_Over_Enable);
    encoder->addRow(QStringLiteral("自动补偿次数"), edt_Over_Max);
    encoder->addRow(QStringLiteral("自动补偿稳定判据"), edt_Over_Stable);
    encoder->addRow(QStringLiteral("到位公差"), edt_InPos_Tol);
    encoder->addRow(QStringLiteral("到位重试次数"), edt_InPos_Retry);

    auto *left = new QVBoxLayout;
    left->addWidget(grp_Info);
    left->addWidget(grp_Mechanics);
    left->addWidget(grp_Custom);
    auto *right = new QVBoxLayout;
    right->addWidget(grp_Encoder);
    right->addStretch();
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btn_Pre);
    buttons->addWidget(btn_Next);
    buttons->addWidget(btn_OK);

    auto *top = new QVBoxLayout(this);
    top->addWidget(grp_Group);
    top->addLayout(columns);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);
}

void TConfigFrm::ConnectHandlers()
{
    const auto onClick = [this](QPushButton *button, void (TConfigFrm::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
    };
    onClick(btn_Pre, &TConfigFrm::btn_PreClick);
    onClick(btn_Next, &TConfigFrm::btn_NextClick);
    onClick(btn_OK, &TConfigFrm::btn_OKClick);
    onClick(btn_Factor, &TConfigFrm::btn_FactorClick);
    onClick(btn_EditGroup, &TConfigFrm::btn_EditGroupClick);
    connect(cbb_Group, &QComboBox::activated, this, [this] { m_groupChosen = true; });
    // Only the operator's choice switches the units; loading does not.
    connect(cbb_Kind, &QComboBox::activated, this, [this] { Guard([this] { cbb_KindChange(); }); });
}

void TConfigFrm::Set_Config(int32_t AMaxAxis, int32_t AMaxEncoder)
{
    iAxis_Max = AMaxAxis;
    iEncoder_Max = AMaxEncoder;
    if (iAxis_Max > 0 && iAxis_Now >= iAxis_Max)
        iAxis_Now = iAxis_Max - 1;
    Load_Group();
    if (iAxis_Max > 0)
        Load_Config();
    Set_Caption();
    Set_Unit();
}

void TConfigFrm::Load_Group()
{
    cbb_Group->clear();
    cbb_Group->addItems(TIniFile(ConfigFileName()).ReadSection(QStringLiteral("GROUP")));
    cbb_Group->setCurrentIndex(cbb_Group->count() > 0 ? 0 : -1);
}

void TConfigFrm::Load_Config()
{
    const TAxis_Config c = Read_Axis_Config(TIniFile(ConfigFileName()), iAxis_Now);
    edt_Caption->setText(c.Axis_Caption);
    edt_Neg->setText(c.Axis_Neg);
    edt_Pos->setText(c.Axis_Pos);
    Show_Position(cbb_Kind, c.Axis_Kind);
    edt_Div->setText(QString::number(c.Axis_Div));
    edt_Line_Pitch->setText(FloatToStr(c.Line_Pitch));
    edt_Circle_Ratio->setText(FloatToStr(c.Circle_Ratio));
    edt_Line_Ratio->setText(FloatToStr(c.Line_Ratio));
    edt_Acc->setText(FloatToStr(c.Acc));
    edt_Dec->setText(FloatToStr(c.Dec));
    edt_Max_V->setText(FloatToStr(c.Max_V));
    edt_StepAngle->setText(FloatToStr(c.StepAngle));
    edt_Soft_Min->setText(c.Soft_Min ? FloatToStr(*c.Soft_Min) : QString());
    edt_Soft_Max->setText(c.Soft_Max ? FloatToStr(*c.Soft_Max) : QString());
    edt_Fast0->setText(FloatToStr(c.Fast0));
    edt_Fast1->setText(FloatToStr(c.Fast1));
    edt_Fast2->setText(FloatToStr(c.Fast2));
    edt_Fast3->setText(FloatToStr(c.Fast3));
    chk_Encoder->setChecked(c.Encoder_Has);
    Show_Position(cbb_Encoder, c.Encoder_Type);
    edt_LineCount->setText(QString::number(c.Encoder_LineCount));
    edt_Unit_um->setText(FloatToStr(c.Encoder_Unit_um));
    edt_GratingCount->setText(QString::number(c.Encoder_GratingCount));
    edt_Factor->setText(FloatToStr(c.Encoder_Factor));
    chk_Z_Polarity->setChecked(c.Encoder_Z);
    chk_Dir->setChecked(c.Encoder_Dir);
    chk_Over_Enable->setChecked(c.Encoder_Over);
    edt_Over_Max->setText(QString::number(c.Encoder_Over_Max));
    edt_Over_Stable->setText(QString::number(c.Encoder_Over_Stable));
    edt_InPos_Tol->setText(c.InPos_Tol ? FloatToStr(*c.InPos_Tol) : QString());
    edt_InPos_Retry->setText(QString::number(c.InPos_Retry));
    Show_Position(cbb_Group, c.Group_ID);
    m_loadedGroupId = c.Group_ID;
    m_groupChosen = false;
}

void TConfigFrm::Save_Config()
{
    Check_Limits();
    Check_InPos();
    // One write of the file; an entry that does not parse ends the batch,
    // and the keys before it are written all the same.
    TIniFile ini(ConfigFileName());
    ini.Batch([&] {
        TSectionWriter v(ini, AxisSection(iAxis_Now));
        v.Text("CAPTION", edt_Caption);
        v.Text("NEG", edt_Neg);
        v.Text("POS", edt_Pos);
        v.Position("KIND", cbb_Kind);
        v.Integer("DIV", edt_Div);
        v.Float("LINE_RATIO", edt_Line_Ratio);
        v.Float("CIRCLE_RATIO", edt_Circle_Ratio);
        v.Float("PITCH", edt_Line_Pitch);
        v.Float("ACC", edt_Acc);
        v.Float("DEC", edt_Dec);
        v.Float("MAX_V", edt_Max_V);
        v.Float("STEPANGLE", edt_StepAngle);
        v.Float("FAST0", edt_Fast0);
        v.Float("FAST1", edt_Fast1);
        v.Float("FAST2", edt_Fast2);
        v.Float("FAST3", edt_Fast3);
        v.Bool("ENCODER_HAS", chk_Encoder);
        v.Position("ENCODER_TYPE", cbb_Encoder);
        v.Integer("ENCODER_LINE_COUNT", edt_LineCount);
        v.Float("ENCODER_UNIT_UM", edt_Unit_um);
        v.Integer("ENCODER_GRATING_COUNT", edt_GratingCount);
        v.Float("ENCODER_FACTOR", edt_Factor);
        v.Bool("ENCODER_Z", chk_Z_Polarity);
        v.Bool("ENCODER_DIR", chk_Dir);
        v.Bool("ENCODER_OVER", chk_Over_Enable);
        v.Integer("ENCODER_OVER_MAX", edt_Over_Max);
        v.Integer("ENCODER_OVER_STABLE", edt_Over_Stable);
        v.Limit("SOFT_MIN", edt_Soft_Min);
        v.Limit("SOFT_MAX", edt_Soft_Max);
        v.Limit("INPOS_TOL", edt_InPos_Tol);
        v.Optional_Integer("INPOS_RETRY", edt_InPos_Retry, TAxis_Config().InPos_Retry);
        // Without any group there is nothing to choose: the axis keeps the
        // group it had, so that it is still there once groups are defined.
        if (cbb_Group->count() > 0)
            v.Position("GROUP_ID", cbb_Group);
        else
            v.Write("GROUP_ID", QString::number(m_loadedGroupId));
    });
}

// A lower limit at or above the upper one leaves no travel: nothing of the
// axis is saved then.
void TConfigFrm::Check_Limits() const
{
    const QString min = TrimBlanks(edt_Soft_Min->text()), max = TrimBlanks(edt_Soft_Max->text());
    if (min.isEmpty() || max.isEmpty())
        return;
    if (StrToFloat(min) >= StrToFloat(max))
        throw EConvertError(QStringLiteral("软限位下限必须小于上限"));
}

// A negative tolerance or number of corrections means nothing: nothing of
// the axis is saved then.
void TConfigFrm::Check_InPos() const
{
    const QString tolerance = TrimBlanks(edt_InPos_Tol->text());
    if (!tolerance.isEmpty() && StrToFloat(tolerance) < 0)
        throw EConvertError(QStringLiteral("到位公差不能为负数（留空或 0 表示不检查）"));
    const int32_t retries = StrToInt(edt_InPos_Retry->text());
    if (retries < 0 || retries > kMaxInPosRetries)
        throw EConvertError(QStringLiteral("到位重试次数必须在 0 到 %1 之间").arg(kMaxInPosRetries));
}

void TConfigFrm::Set_Unit()
{
    const int kind = cbb_Kind->currentIndex();
    if (kind < 0 || kind > 1)
        return;
    const TKindTexts &t = kKindTexts[kind];
    lb_Acc->setText(t.Acc);
    lbl_Dec->setText(t.Dec);
    lbl_Max_V->setText(t.Max_V);
    grp_Custom->setTitle(t.Custom);
    edt_Line_Pitch->setEnabled(t.Linear);
    edt_Line_Ratio->setEnabled(t.Linear);
    edt_Circle_Ratio->setEnabled(!t.Linear);
}

void TConfigFrm::cbb_KindChange()
{
    Set_Unit();
}

void TConfigFrm::Set_Caption()
{
    if (iAxis_Max <= 0) {
        btn_Pre->setEnabled(false);
        btn_Next->setEnabled(false);
    } else {
        btn_Pre->setEnabled(iAxis_Now != 0);
        btn_Next->setEnabled(iAxis_Now != iAxis_Max - 1);
    }
    setWindowTitle(QStringLiteral("第%1轴参数配置").arg(iAxis_Now + 1));
}

void TConfigFrm::Show_Axis_Step(int step)
{
    Save_Config();
    const int32_t next = iAxis_Now + step;
    if (next >= 0 && next <= iAxis_Max - 1)
        iAxis_Now = next;
    Set_Caption();
    Load_Config();
    Set_Unit();
}

void TConfigFrm::btn_PreClick()
{
    Show_Axis_Step(-1);
}

void TConfigFrm::btn_NextClick()
{
    Show_Axis_Step(+1);
}

void TConfigFrm::btn_OKClick()
{
    // The dialog closes with OK also when the save fails; the error is shown
    // after it has closed.
    try {
        if (iAxis_Max > 0)
            Save_Config();
    } catch (...) {
        accept();
        throw;
    }
    accept();
}

void TConfigFrm::btn_EditGroupClick()
{
    // The shown axis keeps what the operator typed; only the group list is
    // read again from the file.
    const QString chosen = m_groupChosen ? cbb_Group->currentText() : QString();
    if (m_groupFrm)
        ShowModal(m_groupFrm);
    Load_Group();
    Show_Group_Again(chosen);
}

void TConfigFrm::Show_Group_Again(const QString &chosen)
{
    if (!m_groupChosen) {
        Show_Position(cbb_Group, m_loadedGroupId);
        return;
    }
    // Names are keys of the file: they match without regard to letter case
    // (a fixed-string match ignores it).
    cbb_Group->setCurrentIndex(chosen.isEmpty() ? -1 : cbb_Group->findText(chosen, Qt::MatchFixedString));
}

void TConfigFrm::btn_FactorClick()
{
    // All ten values are parsed, in this order, whichever formula is used.
    const int kind = cbb_Kind->currentIndex();
    const int32_t div = StrToInt(edt_Div->text());
    const double pitch = StrToFloat(edt_Line_Pitch->text());
    const double circleRatio = StrToFloat(edt_Circle_Ratio->text());
    const double lineRatio = StrToFloat(edt_Line_Ratio->text());
    const double stepAngle = StrToFloat(edt_StepAngle->text());
    const int sensor = cbb_Encoder->currentIndex();
    const double unitUm = StrToFloat(edt_Unit_um->text());
    const int32_t gratingCount = StrToInt(edt_GratingCount->text());
    const int32_t lineCount = StrToInt(edt_LineCount->text());

    float factor = 0;
    if (sensor != 0)
        factor = KQ_Help_Encoder_Factor(stepAngle, div, lineCount);
    else if (kind == 0)
        factor = KQ_Help_Grating_Line_Factor(stepAngle, div, pitch, lineRatio, unitUm);
    else
        factor = KQ_Help_Grating_Circle_Factor(stepAngle, div, circleRatio, gratingCount);

    // Absurd mechanics (a step angle, pitch or count of 0) give no number;
    // the library reports that as 0.
    if (!std::isfinite(factor) || factor == 0) {
        ShowInfo(QStringLiteral("根据这些参数算不出闭环减速系数，请检查细分、步距角、螺距、传动比和传感器参数。"));
        return;
    }
    edt_Factor->setText(FormatFloat3(factor));
}
