#pragma once
// The automatic page: the status table and the run log on the left, the
// program table and its edit panel on the right.  The page owns the program
// table and the status table; the main window's toolbar buttons and run
// controls call into it.
#include "program/AutoCode.h"
#include "program/ProgramFile.h"

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class TCodeEditor;
class TCodeModel;
class TCodeUndo;
class TRecentMenu;
class TRowHeader;
class TPreviewPanel;
class TProgramDocument;
class TRunEstimate;
class TStatusModel;
class TXYFrm;

class TAutoPage : public QWidget
{
    Q_OBJECT
public:
    explicit TAutoPage(QWidget *parent = nullptr);

    TStatusModel *mem_Status;
    QTableView *grid_Status;
    QPlainTextEdit *mmo_Log;
    TCodeModel *mem_Code;
    QTableView *grid_Code;
    TRowHeader *hdr_Code;  // grid_Code's row header, laid out in slices
    QGroupBox *grp_Edit;
    QComboBox *cbb_Axis, *cbb_Action;
    QLineEdit *edt_Param, *edt_Delay, *edt_Count, *edt_Repeat;
    QCheckBox *chk_Insert;
    QLabel *lbl_ParamUnit;  // the unit of edt_Param for the axis chosen
    QCheckBox *chk_FastRun; // fast stepping instead of the 50 ms ticks
    QPushButton *btn_AddCode, *btn_ModifyCode, *btn_DelCode, *btn_ScanXY;

    // Every edit of the program table goes through the undo stack; the
    // editor changes and copies existing rows.
    TCodeUndo *Undo;
    TCodeEditor *Editor;

    // The run-time estimate of the program and the preview of its path,
    // kept up to date by Estimate.
    QLabel *lbl_Estimate;
    TPreviewPanel *pnl_Preview;
    TRunEstimate *Estimate;

    // The file the program was last opened from or saved to.
    TProgramDocument *Document;

    // The raster dialog, created with the other dialogs at start.
    TXYFrm *XYFrm = nullptr;

    // Rebuilds the status rows and the axis lists here and in the raster
    // dialog (entry i = axis i); `units` are the axes' position units.
    void Build_Status(const QStringList &captions, const QStringList &units = {});
    // The edit buttons and the program grid: usable only while idle.
    void SetEditEnabled(bool enabled);
    bool IsIdle() const { return m_idle; }
    // Whether a board is connected (its positions in the status table;
    // without one they read "—").
    void SetConnected(bool connected);
    bool IsConnected() const { return m_connected; }

    void Add_Code(const TAutoCode &code);
    void btn_AddCodeClick();
    // The step the edit panel describes (conversion errors thrown).
    TAutoCode Panel_Code() const;
    void btn_ModifyCodeClick();
    void btn_DelCodeClick();
    void btn_ScanXYClick();
    // The bodies of the toolbar's "另存为", "保存方案", "打开方案" and
    // "运行记录".  Save_Program always asks for the file (starting in the
    // folder of the last program); true when the program was written.
    bool Save_Program();
    // "保存方案": writes the program to the file it belongs to without
    // asking, or through the save dialog when it has none yet; true when it
    // was written.
    bool Save_Program_To_Its_File();
    // The encoding the program is written in: that of the file it was read
    // from, GB18030 for a new or generated one.
    ProgramEncoding Encoding() const { return m_encoding; }
    void Open_Program();
    // An entry of "打开方案"'s menu; a file that is gone is taken off it.
    void Open_Recent(const QString &path);
    TRecentMenu *RecentMenu;
    void Show_Run_Records();

    // The base name of the file the program was last opened from or saved
    // to (Document), empty for a program never saved.
    QString ProgramName() const;

    // The program grid's context menu on `row`: "从此行开始运行" while idle,
    // otherwise none (nullptr).  The caller owns it.
    QMenu *Code_Menu(int row);

    // The run log keeps its last lines; older ones are in the run records.
    static constexpr int kLogLines = 10000;

protected:
    void showEvent(QShowEvent *event) override;

signals:
    // "保存方案" wrote the program to `path`.
    void ProgramSaved(const QString &path);
    // "从此行开始运行" on a row, counted from 0.
    void StartFromRow(int row);

private:
    void BuildWidgets();
    void BuildLayout();
    void SetUpGrid(QTableView *grid, int (*widthChars)(int));
    int StatusGridWidth() const;
    int LogLineWidth() const;
    int StatusGridHeight(int rows) const;
    void ShowCurrentRow(int row);
    void SelectLastRow();
    void ReportEarlyStop(const ProgramReadResult &read);
    bool Confirm_Replace_Program();
    void Read_Program(const QString &path);
    void Write_Program(const QString &path);
    void Show_Code_Menu(const QPoint &pos);

    // The encoding of the program file last opened; a generated program is
    // written in GB18030.
    ProgramEncoding m_encoding = ProgramEncoding::Gb18030;
    // The left pane's default width, and whether the first showing has
    // fitted it to the page.
    int m_leftWidth = 0;
    bool m_fitted = false;
    bool m_idle = true;
    bool m_connected = false;
    // The grid itself moved its current row (a click, Ctrl+click, a key):
    // the selection stays as the operator makes it.
    bool m_gridMovedCurrent = false;
};
