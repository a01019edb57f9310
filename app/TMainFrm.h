#pragma once
// The main window: toolbar, the manual and automatic pages, status bar, the
// connection to the board and the panels built from the configuration.
#include <QHash>
#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>

#include "ExitHalt.h" // Halt_If_Still_Connected, for the process's own end

class QAction;
class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QTimer;
class TLinkWatch;
class TGroupNote;
class THaltKeys;
class TStatusNote;
class QToolBar;
class QToolButton;
class QWidget;
class TAutoPage;
class TAutoTools;
class TAxisFrm;
class TProgramRunner;
class TStatusPoll;
class TRunLog;

class TMainFrm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainFrm(QWidget *parent = nullptr);
    ~TMainFrm() override;

    // Board facts: 0 until a connection succeeds.
    int32_t F_Axis_Num = 0;
    int32_t F_Encoder_Num = 0;
    int32_t F_Group_Num = 0;
    QString F_Product_ID;
    QString F_SN;
    QString F_Version;

    QToolBar *tlb_System;
    QToolButton *btn_Scan, *btn_Config, *btn_Manual, *btn_Auto;
    QToolButton *btn_RunAll, *btn_StopAll, *btn_HaltAll;
    QToolButton *btn_Open, *btn_Save, *btn_SaveAs, *btn_Undo, *btn_Redo, *btn_AutoRun, *btn_AutoPause, *btn_AutoStop, *btn_AutoHalt;
    QToolButton *btn_RunRecords;

    QStackedWidget *pgc_Main;
    QWidget *Sheet_Manual;
    QWidget *Sheet_Auto;
    QSplitter *spl_Manual;
    QWidget *pnl_Select;
    QScrollArea *Box_Select;
    QScrollArea *box_Axis;
    TAutoPage *AutoPage;    // the automatic page's widgets, inside Sheet_Auto
    TAutoTools *AutoTools;  // its file and undo commands on the toolbar
    QPlainTextEdit *mmo_Log; // the run log, on the automatic page

    QStatusBar *status_Main;
    QLabel *msg_Main, *msg_Mcu_T, *msg_Company, *msg_Version;
    QLabel *msg_Link;       // the link in use, beside the product line
    TStatusNote *msg_Note;  // short notes to the operator
    TGroupNote *msg_Group_Note; // axes that belong to no group

    THaltKeys *HaltKeys;    // Esc and Pause: the current page's "急停"

    TLinkWatch *F_Link_Watch;
    // The program runner; the two timers are the runner's.
    TProgramRunner *Runner;
    QTimer *tmr_Auto;
    QTimer *tmr_AutoStatus;
    // The status refresh of the automatic page while no program runs.
    TStatusPoll *StatusPoll;
    // The run log's lines and the record of every run.
    TRunLog *RunLog;

    // Start-up, connection and shutdown.
    void FormShow();
    // Closing asks first: while a program runs or is paused whether to stop
    // it (and on OK it is halted), then whether to save a modified program.
    // True: close.
    bool FormCloseQuery();
    // Saves the panels' entries, halts every axis and shuts the library down.
    void FormClose();
    // When the process is told to stop (SIGTERM, SIGINT, SIGHUP) the window
    // closes as the operator closes it, without asking, and `exit` gets the
    // exit status (128 + the signal).
    void Close_On_Stop_Signals(const std::function<void(int)> &exit);
    // What a stop signal does: the window closes without asking (also while
    // one of its dialogs or questions is open), and a modified program is
    // written to its autosave file, said on standard error.
    void Close_For_Stop_Signal();
    void btn_ScanClick();
    void Load_Axis_Config();
    void Save_Axis_Entries();
    // Without a board: the axes of the configuration file for the automatic
    // page and the parameter dialog (no board call).
    void Load_Offline_Axes();
    // The axes the automatic page works with: the board's, or without one
    // those of the configuration file.
    int Axes_Shown() const { return F_Axis_Num > 0 ? F_Axis_Num : m_offlineAxes; }
    // Reloads the configuration and rebuilds the group panels, the selection
    // (group 0), the axis panels and the run-all frames.
    void Reload_And_Rebuild();

    // Group and axis panels.
    void Build_Group_Panels();
    void Select_Group(int group);
    void Pnl_GroupClick(QWidget *panel);
    void Paint_Group_Panels();
    void Build_Axis_Frames();
    QList<QWidget *> Group_Panels() const;
    QList<TAxisFrm *> Axis_Frames() const;

    // Modes, the parameter command and the all-axes commands.
    void Set_Manual_Mode(bool manual);
    void btn_ManualClick();
    void btn_AutoClick();
    void btn_ConfigClick();
    void Show_Parameter_Dialog();
    void Build_RunAll_Frames();
    void btn_RunAllClick();
    void btn_StopAllClick();
    void btn_HaltAllClick();
    // KQ_Set_Axis_Halt_All, then every panel in back-and-forth mode is put
    // into open loop so that no loop starts its axis again.
    void Halt_All_Axes();
    // The halt of the page shown: btn_HaltAllClick or btn_AutoHaltClick.
    void Halt_Current_Page();
    // While the board is lost the axis panels grey their readouts and the
    // status table shows no position.
    void Show_Axes_Stale(bool stale);

    // Automatic mode: run controls, run log and status table.
    void Add_Log(const QString &text);
    void Build_Status();
    void Set_Auto_State(int state);
    void btn_OpenClick();
    void btn_SaveClick();
    void btn_SaveAsClick();
    void btn_UndoClick();
    void btn_RedoClick();
    void btn_AutoRunClick();
    void btn_AutoPauseClick();
    void btn_AutoStopClick();
    void btn_AutoHaltClick();
    void btn_RunRecordsClick();
    // "从此行开始运行": a fresh start from `row` (counted from 0).
    void Start_From_Row(int row);
    void tmr_AutoStatusTimer();
    // Every panel's readouts and the status table read from the board now.
    void Read_Fresh_Positions();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *AddToolButton(const QString &name, const QString &caption, const QString &icon);
    void SetToolButtonVisible(QToolButton *button, bool visible);
    void BuildToolBar();
    void BuildPages();
    void BuildStatusBar();
    void ConnectHandlers();
    void BuildRunner();
    QWidget *GroupPanelContainer() const;
    QWidget *AxisPanelContainer() const;

    // The window's close: the handlers are ended, FormClose, no timer left.
    void Close_Down();

    QHash<QToolButton *, QAction *> m_toolActions;
    bool m_shown = false;
    int m_offlineAxes = 0;
    bool m_closeWithoutAsking = false;
    bool m_closed = false;
};
