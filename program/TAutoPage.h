#pragma once
// The automatic page: the status table and the run log on the left, the
// program table and its edit panel on the right.  The page owns the program
// table and the status table; the main window's toolbar buttons and run
// controls call into it.
#include "AutoCode.h"
#include "ProgramFile.h"

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class TCodeModel;
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
    QGroupBox *grp_Edit;
    QComboBox *cbb_Axis, *cbb_Action;
    QLineEdit *edt_Param, *edt_Delay, *edt_Count, *edt_Repeat;
    QCheckBox *chk_Insert;
    QPushButton *btn_AddCode, *btn_DelCode, *btn_ScanXY;

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
    // dialog (entry i = axis i).
    void Build_Status(const QStringList &captions);
    // The edit buttons and the program grid: usable only while idle.
    void SetEditEnabled(bool enabled);

    void Add_Code(const TAutoCode &code);
    void btn_AddCodeClick();
    void btn_DelCodeClick();
    void btn_ScanXYClick();
    // The bodies of the toolbar's "保存方案" and "打开方案".
    void Save_Program();
    void Open_Program();

protected:
    void showEvent(QShowEvent *event) override;

signals:
    // "保存方案" wrote the program to `path`.
    void ProgramSaved(const QString &path);

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

    // The encoding of the program file last opened; a generated program is
    // written in GB18030.
    ProgramEncoding m_encoding = ProgramEncoding::Gb18030;
    // The left pane's default width, and whether the first showing has
    // fitted it to the page.
    int m_leftWidth = 0;
    bool m_fitted = false;
};
