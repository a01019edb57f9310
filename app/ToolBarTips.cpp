#include "ToolBarTips.h"

#include "THaltKeys.h"

#include <QToolBar>
#include <QToolButton>

namespace {

struct Tip
{
    const char *button;
    const char *text;
};

// "%1" stands for the halt keys.
const Tip kTips[] = {
    {"btn_Scan", "选择通讯口并连接控制板，读出型号、序列号、版本和轴数。"},
    {"btn_Config", "打开参数配置对话框设置各轴参数和功能分组，关闭后按新参数重建轴面板。"},
    {"btn_Manual", "切换到手动页面；进入手动模式会先急停所有轴。"},
    {"btn_Auto", "切换到自动页面，编辑、打开、保存和运行方案。"},
    {"btn_RunAll", "按“同时启动”对话框中的选择，依次启动当前显示面板的各轴。"},
    {"btn_StopAll", "减速停止当前显示面板的各轴，没有面板的轴不受影响；要立即停止所有轴请用“急停”。"},
    {"btn_HaltAll", "立即停止控制板上的所有轴，不减速（快捷键 %1）。"},
    {"btn_Open", "从文件读入方案，替换当前方案表（Ctrl+O）；按右侧箭头选择最近的方案。"},
    {"btn_Save", "把方案表保存到它的文件（Ctrl+S）；新方案先选择文件名。"},
    {"btn_SaveAs", "把方案表保存为另一个文件（Ctrl+Shift+S）。"},
    {"btn_Undo", "撤销对方案表的上一次修改（Ctrl+Z）。"},
    {"btn_Redo", "重做撤销的修改（Ctrl+Shift+Z）。"},
    {"btn_AutoRun", "从第一行开始执行方案；暂停后按此从暂停处继续。"},
    {"btn_AutoPause", "暂停执行方案，已发出的动作继续到位；按“启动”继续。"},
    {"btn_AutoStop", "结束方案，并减速停止各轴的定位和回零运动；要立即停止所有轴请用“急停”。"},
    {"btn_AutoHalt", "结束方案，并立即停止控制板上的所有轴，不减速（快捷键 %1）。"},
    {"btn_RunRecords", "在文件管理器中打开运行记录文件夹，每次运行的日志和点位表都在那里。"},
};

} // namespace

void Set_Tool_Bar_Tips(QToolBar *toolBar)
{
    for (const Tip &tip : kTips) {
        auto *button = toolBar->findChild<QToolButton *>(QLatin1String(tip.button));
        if (!button)
            continue;
        QString text = QString::fromUtf8(tip.text);
        if (text.contains(QLatin1String("%1")))
            text = text.arg(THaltKeys::KeyNames());
        button->setToolTip(text);
    }
}
