// Cost of the configuration file at connect and at close: a 64-axis
// simulated board connected over USB HID with a full configuration file
// (every key of every axis section, two function groups, the port dialog's
// section), all 64 axis panels shown.  Prints the wall time of each connect
// (port dialog action, identity, configuration load, panels) and of each
// save of the panels' entries, the last one through closing the main window;
// then the parts of a connect on their own: reading the records from the
// file, the whole configuration load (Load_Axis_Config, which also computes
// the ratios and sends the sensor settings), selecting group 0 and building
// the axis panels.
#include "BenchSupport.h"
#include "app/Forms.h"
#include "app/TBoardPortFrm.h"
#include "app/TMainFrm.h"
#include "common/ui/Dialogs.h"
#include "config/AxisConfigFile.h"
#include "config/ConfigLocation.h"
#include "config/IniFile.h"
#include "kq_sim.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kAxes = 64;
constexpr int kRuns = 5;

QByteArray Full_Axis_Section(int axis)
{
    QByteArray s = "[AXIS" + QByteArray::number(axis) + "]\r\n";
    s += "VISIBLE=1\r\nCAPTION=\xB5\xDA" + QByteArray::number(axis + 1) + "\xD6\xE1\r\n"; // 第n轴
    s += "NEG=\xB8\xBA\r\nPOS=\xD5\xFD\r\nKIND=0\r\nDIV=32\r\nLINE_RATIO=1\r\nCIRCLE_RATIO=120\r\n"
         "PITCH=5\r\nACC=10\r\nDEC=10\r\nMAX_V=20\r\nSTEPANGLE=1.8\r\n"
         "FAST0=0\r\nFAST1=90\r\nFAST2=180\r\nFAST3=270\r\n"
         "P_REL=1\r\nP_ABS=12.5\r\nV_REL=2\r\nV_ABS=3\r\nHOME_V=-1\r\n"
         "ENCODER_HAS=1\r\nENCODER_TYPE=0\r\nENCODER_LINE_COUNT=1000\r\nENCODER_UNIT_UM=20\r\n"
         "ENCODER_GRATING_COUNT=64800\r\nENCODER_FACTOR=1\r\nENCODER_Z=1\r\nENCODER_DIR=1\r\n"
         "ENCODER_OVER=1\r\nENCODER_OVER_MAX=100\r\nENCODER_OVER_STABLE=50\r\nGROUP_ID=0\r\n\r\n";
    return s;
}

QByteArray Full_File()
{
    QByteArray bytes = "[BoardPortFrm_Properties]\r\ncbb_Port.ItemIndex=-1\r\n"
                       "IP_Address.Text=127.0.0.1\r\nedt_Port.Value=8080\r\n\r\n";
    for (int i = 0; i < kAxes; ++i)
        bytes += Full_Axis_Section(i);
    bytes += "[GROUP]\r\n\xC8\xAB\xB2\xBF=0\r\n\xB1\xB8\xD3\xC3=1\r\n"; // 全部, 备用
    return bytes;
}

double Connect_Usb_Ms()
{
    QElapsedTimer timer;
    timer.start();
    Bench::Connect(Bench::Choose_Usb);
    return double(timer.nsecsElapsed()) / 1e6;
}

template <typename F>
double Ms_Of(F &&work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Print_Figures(const char *what, const std::vector<double> &ms)
{
    std::printf("%-9s", what);
    for (double m : ms)
        std::printf(" %8.1f", m);
    std::printf("   median %.1f ms\n", Median(ms));
}

} // namespace

int main(int argc, char **argv)
{
    Bench::Use_Offscreen_Unless_Set();
    QApplication app(argc, argv);

    const Bench::ConfigFile config(Full_File());
    const QString path = config.Path();

    kqsim_reset(kAxes, kAxes, KQ_RESOURCE_AXIS | KQ_RESOURCE_ENCODER);
    Bench::Show_Main_Window();
    QCoreApplication::processEvents();

    std::vector<double> connects;
    for (int i = 0; i < kRuns; ++i) {
        connects.push_back(Connect_Usb_Ms());
        QCoreApplication::processEvents();
    }
    const int panels = MainFrm->Axis_Frames().size();
    std::vector<double> reads, loads, selects, frames;
    for (int i = 0; i < kRuns; ++i) {
        reads.push_back(Ms_Of([] {
            const TIniFile ini(ConfigFileName());
            Load_Axis_Records(ini, kAxes);
            Load_Group_Records(ini);
        }));
        loads.push_back(Ms_Of([] { MainFrm->Load_Axis_Config(); }));
        selects.push_back(Ms_Of([] { MainFrm->Select_Group(0); }));
        frames.push_back(Ms_Of([] { MainFrm->Build_Axis_Frames(); }));
        QCoreApplication::processEvents();
    }
    std::vector<double> closes;
    for (int i = 0; i + 1 < kRuns; ++i)
        closes.push_back(Ms_Of([] { MainFrm->Save_Axis_Entries(); }));
    closes.push_back(Ms_Of([] { MainFrm->close(); }));

    std::printf("axes %d, panels %d, file %lld bytes; wall time per run in ms\n",
                kAxes, panels, static_cast<long long>(QFile(path).size()));
    Print_Figures("connect", connects);
    Print_Figures("close", closes);
    std::printf("parts of a connect:\n");
    Print_Figures("file", reads);
    Print_Figures("load", loads);
    Print_Figures("select", selects);
    Print_Figures("frames", frames);

    Destroy_Forms();
    return 0;
}
