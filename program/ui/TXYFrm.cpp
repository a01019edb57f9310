#include "TXYFrm.h"

#include "program/ProgramFile.h"
#include "common/ui/Dialogs.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "common/ui/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *NewEntry(QWidget *parent, const char *name, const char *text)
{
    return Named<QLineEdit>(name, QString::fromUtf8(text), parent);
}

QComboBox *NewList(QWidget *parent, const char *name)
{
    auto *list = Named<QComboBox>(name, parent);
    list->setEditable(false);
    return list;
}

} // namespace

TXYFrm::TXYFrm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("XYFrm"));
    setWindowTitle(QStringLiteral("扫描设置"));
    cbb_X = NewList(this, "cbb_X");
    cbb_Y = NewList(this, "cbb_Y");
    edt_XCount = NewEntry(this, "edt_XCount", "10");
    edt_YCount = NewEntry(this, "edt_YCount", "10");
    edt_XStart = NewEntry(this, "edt_XStart", "10");
    edt_YStart = NewEntry(this, "edt_YStart", "10");
    edt_XLen = NewEntry(this, "edt_XLen", "10");
    edt_YLen = NewEntry(this, "edt_YLen", "10");
    edt_XYDelay = NewEntry(this, "edt_XYDelay", "1000");
    cbb_OnStop = NewList(this, "cbb_OnStop");
    cbb_OnStop->addItems({QStringLiteral("停止"), QStringLiteral("直接回原点"), QStringLiteral("逆向重复回原点"),
                          QStringLiteral("暂停逆向回原点")});
    cbb_OnStop->setCurrentIndex(OnStopNone);
    chk_Move_Rel = new QCheckBox(QStringLiteral("相对模式移动(间距小请不要使用本模式)"), this);
    chk_Move_Rel->setObjectName(QStringLiteral("chk_Move_Rel"));
    chk_StartZero = new QCheckBox(QStringLiteral("归零后将起点偏移为原点"), this);
    chk_StartZero->setObjectName(QStringLiteral("chk_StartZero"));
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Guard([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    BuildLayout();
}

void TXYFrm::BuildLayout()
{
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("X方向"), cbb_X);
    form->addRow(QStringLiteral("Y方向"), cbb_Y);
    form->addRow(QStringLiteral("X点数"), edt_XCount);
    form->addRow(QStringLiteral("Y点数"), edt_YCount);
    form->addRow(QStringLiteral("X起点(mm/°)"), edt_XStart);
    form->addRow(QStringLiteral("Y起点(mm/°)"), edt_YStart);
    form->addRow(QStringLiteral("X间距(mm/°)"), edt_XLen);
    form->addRow(QStringLiteral("Y间距(mm/°)"), edt_YLen);
    form->addRow(QStringLiteral("延时(ms)"), edt_XYDelay);
    form->addRow(QStringLiteral("扫描完成时"), cbb_OnStop);
    form->addRow(chk_Move_Rel);
    form->addRow(chk_StartZero);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void TXYFrm::SetAxes(const QStringList &captions)
{
    cbb_X->clear();
    cbb_Y->clear();
    if (captions.isEmpty())
        return;
    cbb_X->addItems(captions);
    cbb_Y->addItems(captions);
    cbb_X->setCurrentIndex(0);
    cbb_Y->setCurrentIndex(captions.size() > 1 ? 1 : -1);
}

TScanSettings TXYFrm::ReadSettings() const
{
    TScanSettings s;
    s.XAxis = cbb_X->currentText();
    s.YAxis = cbb_Y->currentText();
    s.XID = cbb_X->currentIndex();
    s.YID = cbb_Y->currentIndex();
    s.XCount = StrToInt(edt_XCount->text());
    s.YCount = StrToInt(edt_YCount->text());
    s.Delay = StrToInt(edt_XYDelay->text());
    s.XStart = StrToFloat(edt_XStart->text());
    s.YStart = StrToFloat(edt_YStart->text());
    s.XLen = StrToFloat(edt_XLen->text());
    s.YLen = StrToFloat(edt_YLen->text());
    s.OnStop = cbb_OnStop->currentIndex();
    s.MoveRel = chk_Move_Rel->isChecked();
    s.StartZero = chk_StartZero->isChecked();
    return s;
}

qint64 TXYFrm::MaxRows()
{
    return kMaxProgramRows;
}

// Why the scan cannot be made, or an empty text.  Entries that are not
// numbers pass here: the generation reports them with the conversion error.
QString TXYFrm::RefusalOf() const
{
    if (cbb_Y->count() < 2)
        return QStringLiteral("行列扫描需要两个运动轴，当前设备的轴数不足");
    if (cbb_X->currentIndex() == cbb_Y->currentIndex())
        return QStringLiteral("扫描轴不得相同,请修改");
    TScanSettings s;
    try {
        s = ReadSettings();
    } catch (const EConvertError &) {
        return QString();
    }
    const qint64 rows = RasterRowCount(s);
    if (rows > MaxRows())
        return QStringLiteral("扫描将生成 %1 行方案，超过上限 %2 行，请减少点数").arg(rows).arg(MaxRows());
    return QString();
}

void TXYFrm::BitBtn1Click()
{
    const QString refusal = RefusalOf();
    if (refusal.isEmpty())
        accept();
    else
        ShowInfo(refusal);
}
