#pragma once
// The program's windows on a fresh simulated board with a configuration file
// of the test's own, and the connection through the port dialog.
#include "app/Forms.h"
#include "app/TBoardPortFrm.h"
#include "app/TMainFrm.h"
#include "axis/TAxisFrm.h"
#include "config/AxisConfig.h"
#include "program/AutoCode.h"
#include "support/Fixtures.h"

#include <QRadioButton>
#include <functional>
#include <memory>

namespace AppTest {

const uint32_t kAllResources = KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER;

// A program step on axis `id`, named as the window names it ("第1轴").
inline TAutoCode AxisStep(int id, const QString &action, double param, int32_t count = 1)
{
    return TAutoCode{false, id, QStringLiteral("第%1轴").arg(id + 1), action, param, 0, count};
}

class Program
{
public:
    Program()
    {
        kqsim_reset(4, 4, kAllResources);
        Create_Forms();
    }
    ~Program()
    {
        Destroy_Forms();
        g_Axis_Config.clear();
        g_Group_Config.clear();
    }
    Fixtures::TempConfig cfg;
};

// Base of the test classes: every test function gets a fresh program.
class ProgramTestCase : public QObject
{
    Q_OBJECT
protected:
    std::unique_ptr<Program> program;
    Fixtures::TempConfig *cfg = nullptr;
private slots:
    void init()
    {
        program = std::make_unique<Program>();
        cfg = &program->cfg;
    }
    void cleanup() { program.reset(); }
};

inline void ChooseUsb(QDialog *)
{
    BoardPortFrm->rb_USB->setChecked(true);
}

// "连接设备" with the port dialog closed by OK after `prepare` has chosen.
inline void Connect(std::function<void(QDialog *)> prepare = ChooseUsb)
{
    Fixtures::ModalAnswer answer(QDialog::Accepted, prepare);
    MainFrm->btn_ScanClick();
}

inline QStringList AxisFrameNames()
{
    QStringList names;
    for (TAxisFrm *f : MainFrm->Axis_Frames())
        names << f->objectName();
    return names;
}

} // namespace AppTest
