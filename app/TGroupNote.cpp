#include "TGroupNote.h"

#include "config/AxisConfig.h"

#include <QStackedWidget>
#include <QStatusBar>

TGroupNote::TGroupNote(QStatusBar *bar, QStackedWidget *pages, QWidget *manualPage)
    : QLabel(bar)
    , m_pages(pages)
    , m_manualPage(manualPage)
{
    setObjectName(QStringLiteral("msg_Group_Note"));
    setTextFormat(Qt::PlainText);
    bar->addWidget(this);
    connect(pages, &QStackedWidget::currentChanged, this, &TGroupNote::Follow_Page);
    Follow_Page();
}

int TGroupNote::Axes_Without_Group(int axisCount, int groupCount)
{
    if (groupCount <= 0)
        return 0;
    int count = 0;
    for (int i = 0; i < axisCount && i < g_Axis_Config.size(); ++i) {
        const int32_t group = g_Axis_Config.at(i).Group_ID;
        if (group < 0 || group >= groupCount)
            ++count;
    }
    return count;
}

void TGroupNote::Update(int axisCount, int groupCount)
{
    const int count = Axes_Without_Group(axisCount, groupCount);
    setText(count > 0 ? QStringLiteral("%1 个轴不属于任何分组，请在“配置”中选择功能分组").arg(count) : QString());
    Follow_Page();
}

void TGroupNote::Follow_Page()
{
    setVisible(!text().isEmpty() && m_pages->currentWidget() == m_manualPage);
}
