#include "TAutoPage.h"

#include "program/CodeEdits.h"
#include "program/ProgramAxes.h"
#include "program/RasterScan.h"
#include "program/RunRecord.h"
#include "program/TCodeModel.h"
#include "TPreviewPanel.h"
#include "program/TProgramDocument.h"
#include "TCodeEditor.h"
#include "TCodeUndo.h"
#include "TRecentMenu.h"
#include "TRowHeader.h"
#include "TRunEstimate.h"
#include "program/TStatusModel.h"
#include "TXYFrm.h"
#include "common/ui/BackgroundWork.h"
#include "common/ui/Dialogs.h"
#include "common/Guard.h"
#include "common/NumberText.h"
#include "common/ui/Widgets.h"
#include "config/ConfigLocation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>
#include <type_traits>

#include <algorithm>

namespace {

const char *const kProgramFilter = "*.txt (*.txt)";

// Work on more rows than this (generating, reading, writing and freeing a
// program) runs in the background: it would hold up the window for over a
// tenth of a second.
constexpr qint64 kBackgroundRows = 200000;
// The shortest row of a program file takes about this many bytes.
constexpr qint64 kBytesPerRow = 30;

template <typename Work>
auto LongWork(qint64 rows, const QString &text, Work work)
{
    using Result = decltype(work());
    if (rows <= kBackgroundRows)
        return work();
    if constexpr (std::is_void_v<Result>)
        RunInBackground(text, work);
    else
        return ComputeInBackground<Result>(text, work);
}

QPushButton *NewButton(QWidget *parent, const char *name, const QString &caption,
                       void (TAutoPage::*handler)(), TAutoPage *page)
{
    auto *button = Named<QPushButton>(name, caption, parent);
    QObject::connect(button, &QPushButton::clicked, page, [page, handler] { Guard([page, handler] { (page->*handler)(); }); });
    return button;
}

// The most of the page's width the left pane takes by default, in percent.
const int kLeftShareMax = 40;

// Axes whose rows the status grid shows without scrolling at first.
const int kStatusRowsShown = 12;

int StatusWidthChars(int column)
{
    static const int widths[TStatusModel::ColumnCount] = {0, 20, 12, 4};
    return column >= 0 && column < TStatusModel::ColumnCount ? widths[column] : 0;
}

} // namespace

TAutoPage::TAutoPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("AutoPage"));
    BuildWidgets();
    BuildLayout();
}

void TAutoPage::BuildWidgets()
{
    mem_Status = Named<TStatusModel>("mem_Status", this);
    grid_Status = Named<QTableView>("grid_Status", this);
    grid_Status->setModel(mem_Status);
    SetUpGrid(grid_Status, StatusWidthChars);

    mmo_Log = Named<QPlainTextEdit>("mmo_Log", this);
    mmo_Log->setReadOnly(true);
    mmo_Log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Memory stays bounded however long the runs: the oldest lines drop off.
    mmo_Log->setMaximumBlockCount(kLogLines);
    mmo_Log->document()->setUndoRedoEnabled(false);

    mem_Code = Named<TCodeModel>("mem_Code", this);
    grid_Code = Named<QTableView>("grid_Code", this);
    hdr_Code = new TRowHeader(grid_Code);
    grid_Code->setVerticalHeader(hdr_Code);
    grid_Code->setModel(mem_Code);
    SetUpGrid(grid_Code, TCodeModel::ColumnWidthChars);
    grid_Code->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(mem_Code, &TCodeModel::CurrentRowChanged, this, &TAutoPage::ShowCurrentRow);
    connect(hdr_Code, &TRowHeader::LaidOut, this, [this] { grid_Code->scrollTo(grid_Code->currentIndex()); });
    // The undo stack says whether the table differs from its file.
    Document = new TProgramDocument(nullptr, this);
    connect(grid_Code->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!current.isValid())
                    return;
                const QScopedValueRollback<bool> fromGrid(m_gridMovedCurrent, true);
                mem_Code->SetCurrentRow(current.row());
            });
    grid_Code->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_Code, &QWidget::customContextMenuRequested, this, &TAutoPage::Show_Code_Menu);

    grp_Edit = Named<QGroupBox>("grp_Edit", QStringLiteral("编辑"), this);
    cbb_Axis = Named<QComboBox>("cbb_Axis", grp_Edit);
    cbb_Action = Named<QComboBox>("cbb_Action", grp_Edit);
    cbb_Action->addItems(Action_Names());
    cbb_Action->setCurrentIndex(0);
    edt_Param = Named<QLineEdit>("edt_Param", QStringLiteral("0"), grp_Edit);
    edt_Delay = Named<QLineEdit>("edt_Delay", QStringLiteral("1000"), grp_Edit);
    edt_Count = Named<QLineEdit>("edt_Count", QStringLiteral("1"), grp_Edit);
    edt_Repeat = Named<QLineEdit>("edt_Repeat", QStringLiteral("1"), grp_Edit);
    lbl_ParamUnit = Named<QLabel>("lbl_ParamUnit", grp_Edit);
    connect(cbb_Axis, &QComboBox::currentIndexChanged, lbl_ParamUnit,
            [this](int axis) { lbl_ParamUnit->setText(mem_Status->Unit(axis)); });
    chk_Insert = Named<QCheckBox>("chk_Insert", QStringLiteral("插入到选择位置"), grp_Edit);
    chk_FastRun = Named<QCheckBox>("chk_FastRun", QStringLiteral("快速执行"), grp_Edit);
    chk_FastRun->setToolTip(QStringLiteral("轴一停止就执行下一步（每 5 毫秒查询一次），不再每 50 毫秒只推进一步。\n"
                                           "动作、顺序和日志不变；下次启动时生效。"));
    btn_AddCode = NewButton(grp_Edit, "btn_AddCode", QStringLiteral("增加"), &TAutoPage::btn_AddCodeClick, this);
    btn_ModifyCode = NewButton(grp_Edit, "btn_ModifyCode", QStringLiteral("修改"), &TAutoPage::btn_ModifyCodeClick, this);
    btn_DelCode = NewButton(grp_Edit, "btn_DelCode", QStringLiteral("删除"), &TAutoPage::btn_DelCodeClick, this);
    btn_ScanXY = NewButton(grp_Edit, "btn_ScanXY", QStringLiteral("行列扫描"), &TAutoPage::btn_ScanXYClick, this);

    lbl_Estimate = Named<QLabel>("lbl_Estimate", this);
    pnl_Preview = new TPreviewPanel(this);
    Estimate = new TRunEstimate(mem_Code, lbl_Estimate, pnl_Preview, [this] { return edt_Repeat->text(); }, this);
    // Planned from the positions of the last status refresh: no board call
    // for a change of the table or a keystroke.
    Estimate->SetStartSource([this] { return mem_Status->StepPositions(); });
    connect(edt_Repeat, &QLineEdit::textChanged, Estimate, [this] { Estimate->Replan(); });

    RecentMenu = new TRecentMenu(this);
    connect(RecentMenu, &TRecentMenu::Chosen, this, [this](const QString &path) { Guard([&] { Open_Recent(path); }); });
    Undo = new TCodeUndo(mem_Code, this);
    connect(Undo, &QUndoStack::cleanChanged, Document, [this](bool clean) { Document->SetModified(!clean); });
    Editor = new TCodeEditor(this);
}

// Read-only grids that select whole rows, show the record number in the
// row header and keep every row the same height, so that a program of a
// million rows scrolls without measuring rows.
void TAutoPage::SetUpGrid(QTableView *grid, int (*widthChars)(int))
{
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    QHeaderView *rows = grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    rows->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int charWidth = grid->fontMetrics().averageCharWidth();
    grid->setColumnHidden(0, true);
    for (int column = 1; column < grid->model()->columnCount(); ++column)
        grid->setColumnWidth(column, widthChars(column) * charWidth + 8);
    grid->horizontalHeader()->setStretchLastSection(true);
    // While a program runs the grid is disabled and its selected row is the
    // step being executed: it keeps the colours of an active selection.
    QPalette palette = grid->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    grid->setPalette(palette);
}

void TAutoPage::BuildLayout()
{
    auto *left = Named<QSplitter>("spl_AutoLeft", Qt::Vertical);
    left->addWidget(grid_Status);
    left->addWidget(mmo_Log);
    left->setStretchFactor(0, 1);
    left->setStretchFactor(1, 2);

    auto *edit = new QGridLayout(grp_Edit);
    // Narrow enough to leave a small window's width to the program.
    edit->setHorizontalSpacing(4);
    // The parameter with the unit of the axis chosen beside it.
    auto *param = new QWidget(grp_Edit);
    auto *paramLayout = new QHBoxLayout(param);
    paramLayout->setContentsMargins(0, 0, 0, 0);
    paramLayout->setSpacing(2);
    paramLayout->addWidget(edt_Param, 1);
    paramLayout->addWidget(lbl_ParamUnit);
    const QList<QPair<const char *, QWidget *>> entries = {
        {"运动轴", cbb_Axis}, {"动作", cbb_Action}, {"参数(mm/°)", param},
        {"延时(ms)", edt_Delay}, {"循环次数", edt_Count}, {"方案执行次数", edt_Repeat}};
    for (int i = 0; i < entries.size(); ++i) {
        edit->addWidget(new QLabel(QString::fromUtf8(entries[i].first), grp_Edit), i / 3, (i % 3) * 2);
        edit->addWidget(entries[i].second, i / 3, (i % 3) * 2 + 1);
    }
    edit->addWidget(chk_FastRun, 1, 6);
    // The check box on a row of its own: a small window keeps its width
    // for the program.
    edit->addWidget(chk_Insert, 2, 0, 1, 7);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btn_AddCode);
    buttons->addWidget(btn_ModifyCode);
    buttons->addWidget(btn_DelCode);
    buttons->addWidget(btn_ScanXY);
    edit->addLayout(buttons, 3, 0, 1, 7);

    auto *right = new QWidget;
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto *program = Named<QSplitter>("spl_Program", Qt::Vertical);
    program->addWidget(grid_Code);
    program->addWidget(pnl_Preview);
    program->setStretchFactor(0, 3);
    program->setStretchFactor(1, 2);
    program->setChildrenCollapsible(false);
    rightLayout->addWidget(program, 1);
    rightLayout->addWidget(lbl_Estimate);
    rightLayout->addWidget(grp_Edit);

    auto *split = Named<QSplitter>("spl_Auto", Qt::Horizontal);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    m_leftWidth = std::max(StatusGridWidth(), LogLineWidth());
    split->setSizes({m_leftWidth, 2 * m_leftWidth});
    left->setSizes({StatusGridHeight(kStatusRowsShown), 2 * StatusGridHeight(kStatusRowsShown)});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
}

// The status grid with its two columns, row numbers of up to three digits
// and its vertical scroll bar: no horizontal scroll bar at this width.
int TAutoPage::StatusGridWidth() const
{
    const int rowNumbers = grid_Status->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12;
    return grid_Status->columnWidth(TStatusModel::ColAxis) + grid_Status->columnWidth(TStatusModel::ColPos)
           + grid_Status->columnWidth(TStatusModel::ColUnit)
           + rowNumbers + grid_Status->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
           + 2 * grid_Status->frameWidth() + 8;
}

// A usual log line, time stamp included, fits on one line at this width.
int TAutoPage::LogLineWidth() const
{
    const QString line = QStringLiteral("[2000-01-01 00:00:00]第10轴 开始相对定位 完成循环 100");
    return mmo_Log->fontMetrics().horizontalAdvance(line) + mmo_Log->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
           + 2 * mmo_Log->frameWidth() + 2 * int(mmo_Log->document()->documentMargin()) + 8;
}

int TAutoPage::StatusGridHeight(int rows) const
{
    return grid_Status->horizontalHeader()->sizeHint().height()
           + rows * grid_Status->verticalHeader()->defaultSectionSize() + 2 * grid_Status->frameWidth() + 2;
}

// A small window gives the program side the room first: the left pane's
// default width then takes at most a share of the page.  Widths the
// operator set (kept from the last run) stay as they are.
void TAutoPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    auto *split = findChild<QSplitter *>(QStringLiteral("spl_Auto"));
    if (m_fitted || !split)
        return;
    m_fitted = true;
    const QList<int> sizes = split->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int cap = total * kLeftShareMax / 100;
    if (sizes.value(0) == m_leftWidth && m_leftWidth > cap)
        split->setSizes({cap, total - cap});
}

void TAutoPage::ShowCurrentRow(int row)
{
    QItemSelectionModel *selection = grid_Code->selectionModel();
    if (row < 0) {
        selection->clear();
        return;
    }
    const QModelIndex index = mem_Code->index(row, TCodeModel::ColAxis);
    if (!m_gridMovedCurrent && (selection->currentIndex().row() != row || !selection->isRowSelected(row, QModelIndex())))
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // A row the header has not laid out yet is scrolled to once it has.
    if (hdr_Code->IsLaidOut())
        grid_Code->scrollTo(index);
}

void TAutoPage::SelectLastRow()
{
    mem_Code->SetCurrentRow(mem_Code->rowCount() - 1);
}

void TAutoPage::Build_Status(const QStringList &captions, const QStringList &units)
{
    mem_Status->SetAxes(captions, units);
    cbb_Axis->clear();
    cbb_Axis->addItems(captions);
    cbb_Axis->setCurrentIndex(captions.isEmpty() ? -1 : 0);
    if (XYFrm)
        XYFrm->SetAxes(captions);
}

void TAutoPage::SetConnected(bool connected)
{
    m_connected = connected;
    mem_Status->SetConnected(connected);
}

void TAutoPage::SetEditEnabled(bool enabled)
{
    const bool runEnded = enabled && !m_idle;
    m_idle = enabled;
    for (QWidget *w : std::initializer_list<QWidget *>{btn_AddCode, btn_ModifyCode, btn_DelCode, btn_ScanXY, grid_Code})
        w->setEnabled(enabled);
    // The run has left its last step selected: the panel shows that row,
    // so that "修改" never writes another row's values over it.
    if (runEnded && Editor)
        Editor->Show_Current_Row();
}

// ---- program steps ---------------------------------------------------------

void TAutoPage::Add_Code(const TAutoCode &code)
{
    TAutoCode added = code;
    ForceActionValues(added);
    const int current = mem_Code->CurrentRow();
    const int at = code.bInsert && current >= 0 ? current : mem_Code->rowCount();
    Undo->Push(Insert_Rows_Edit(at, {added}, QStringLiteral("增加")));
}

void TAutoPage::btn_AddCodeClick()
{
    Add_Code(Panel_Code());
}

void TAutoPage::btn_ModifyCodeClick()
{
    Editor->Modify();
}

TAutoCode TAutoPage::Panel_Code() const
{
    TAutoCode code;
    code.bInsert = chk_Insert->isChecked();
    code.ID = cbb_Axis->currentIndex();
    code.Axis = cbb_Axis->currentText();
    code.Action = cbb_Action->currentText();
    code.Param = StrToFloat(edt_Param->text());
    code.Delay = StrToInt(edt_Delay->text());
    code.Count = StrToInt(edt_Count->text());
    return code;
}

void TAutoPage::btn_DelCodeClick()
{
    if (mem_Code->IsEmpty())
        return;
    if (ConfirmDestructive(QStringLiteral("确定删除选择的动作？")))
        Editor->Delete_Selected();
}

void TAutoPage::btn_ScanXYClick()
{
    if (!mem_Code->IsEmpty()
        && !ConfirmDestructive(QStringLiteral("自动生成方案将关闭当前方案,如果没有保存当前方案会丢失，确认继续？")))
        return;
    if (!XYFrm || ShowModal(XYFrm) != QDialog::Accepted)
        return;
    m_encoding = ProgramEncoding::Gb18030;
    // The program it replaces stays with the undo stack.
    Undo->Replace_All(QStringLiteral("行列扫描"), [this] {
        const TScanSettings settings = XYFrm->ReadSettings();
        return LongWork(RasterRowCount(settings), QStringLiteral("正在生成方案…"), [&] {
            std::vector<TAutoCode> rows = GenerateRaster(settings);
            TCodeModel::FitRows(rows);
            return rows;
        });
    });
    Document->Generated(); // the file it replaced is no longer its file
    Undo->resetClean();
    pnl_Preview->SetAxisPair(XYFrm->cbb_X->currentIndex(), XYFrm->cbb_Y->currentIndex());
    SelectLastRow();
}

// ---- program files ---------------------------------------------------------

bool TAutoPage::Save_Program()
{
    if (mem_Code->IsEmpty())
        return false;
    const QString path = GetSaveFileName(QStringLiteral("保存方案"), QString::fromLatin1(kProgramFilter),
                                         QStringLiteral("txt"), RecentMenu->Last_Folder());
    if (path.isEmpty())
        return false;
    Write_Program(path);
    return true;
}

bool TAutoPage::Save_Program_To_Its_File()
{
    if (Document->Path().isEmpty() || mem_Code->IsEmpty())
        return Save_Program();
    Write_Program(Document->Path());
    return true;
}

void TAutoPage::Write_Program(const QString &path)
{
    LongWork(mem_Code->rowCount(), QStringLiteral("正在保存方案…"),
             [&] { WriteProgramFile(path, mem_Code->Rows(), m_encoding); });
    Document->Saved(path);
    Undo->setClean();
    RecentMenu->Remember(path);
    SelectLastRow();
    emit ProgramSaved(path);
}

void TAutoPage::Open_Program()
{
    if (!Confirm_Replace_Program())
        return;
    const QString path = GetOpenFileName(QStringLiteral("打开方案"), QString::fromLatin1(kProgramFilter),
                                         RecentMenu->Last_Folder());
    if (!path.isEmpty())
        Read_Program(path);
}

void TAutoPage::Open_Recent(const QString &path)
{
    if (!m_idle || !Confirm_Replace_Program())
        return;
    if (!QFileInfo(path).isFile()) {
        RecentMenu->Forget(path);
        ShowInfo(QStringLiteral("方案文件已不存在，已从最近的方案中删除：") + QDir::toNativeSeparators(path));
        return;
    }
    Read_Program(path);
}

bool TAutoPage::Confirm_Replace_Program()
{
    return mem_Code->IsEmpty()
        || ConfirmDestructive(QStringLiteral("打开新方案将关闭当前方案，如果没有保存当前方案会丢失，确认继续？"));
}

// What the window shows of the program besides its rows (the two axes it
// moves most, the preview shows them; captions other than the
// configuration's) is found where the rows are read: a pass over ten
// million rows would hold up the window.
void TAutoPage::Read_Program(const QString &path)
{
    const int axisCount = mem_Status->AxisCount();
    const QStringList configured = mem_Status->Captions();
    ProgramReadResult read;
    std::pair<int, int> moved;
    QString captions;
    Undo->Replace_All(QStringLiteral("打开方案"), [&] {
        read = LongWork(QFileInfo(path).size() / kBytesPerRow, QStringLiteral("正在读取方案文件…"), [&] {
            ProgramReadResult result = ReadProgramFile(path);
            TCodeModel::FitRows(result.Rows);
            moved = Most_Moved_Axes(result.Rows, axisCount);
            captions = Caption_Mismatch_Warning(result.Rows, configured);
            return result;
        });
        return std::move(read.Rows);
    });
    m_encoding = read.Encoding;
    const bool complete = read.StopReason == ProgramReadResult::AtEnd
        || (read.StopReason == ProgramReadResult::BadLine && read.OnlyEmptyLinesLeft);
    Document->Opened(path, complete);
    // The table is its file's now; a program cut short differs from it.
    if (complete)
        Undo->setClean();
    else
        Undo->resetClean();
    RecentMenu->Remember(path);
    if (moved.first >= 0 && moved.second >= 0)
        pnl_Preview->SetAxisPair(moved.first, moved.second);
    SelectLastRow();
    if (!captions.isEmpty())
        ShowInfo(captions);
    ReportEarlyStop(read);
}

// Rows after a line that could not be read are not in the table: say so,
// or a program would run without its last rows.  A conversion error is
// reported as such; an empty last line is no loss.
void TAutoPage::ReportEarlyStop(const ProgramReadResult &read)
{
    const QString notice = Early_Stop_Notice(read, mem_Code->rowCount());
    if (notice.isEmpty())
        return;
    if (read.StopReason == ProgramReadResult::BadNumber)
        throw EConvertError(notice);
    ShowInfo(notice);
}

QString TAutoPage::ProgramName() const
{
    const QString path = Document->Path();
    return path.isEmpty() ? QString() : QFileInfo(path).completeBaseName();
}

// ---- run records and starting from a row ---------------------------------

void TAutoPage::Show_Run_Records()
{
    const QString folder = Runs_Folder(ConfigFileName());
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QDir().mkpath(folder))
        ShowInfo(QStringLiteral("无法创建运行记录文件夹：") + shown);
    else if (!OpenFolder(folder))
        ShowInfo(QStringLiteral("无法打开文件管理器，运行记录在：") + shown);
}

QMenu *TAutoPage::Code_Menu(int row)
{
    if (!m_idle)
        return nullptr;
    auto *menu = new QMenu(grid_Code);
    menu->setToolTipsVisible(true);
    if (row >= 0 && row < mem_Code->rowCount()) {
        QAction *start = menu->addAction(QStringLiteral("从此行开始运行"));
        start->setObjectName(QStringLiteral("act_RunFromRow"));
        start->setEnabled(m_connected);
        start->setToolTip(m_connected ? QString() : QStringLiteral("未连接设备"));
        connect(start, &QAction::triggered, this, [this, row] { emit StartFromRow(row); });
        menu->addSeparator();
    }
    Editor->Add_Menu_Entries(menu);
    return menu;
}

void TAutoPage::Show_Code_Menu(const QPoint &pos)
{
    const int row = grid_Code->indexAt(pos).row();
    QMenu *menu = Code_Menu(row);
    if (!menu)
        return;
    // A click inside the selection keeps it, for copying it.
    if (row >= 0 && !grid_Code->selectionModel()->isRowSelected(row, QModelIndex()))
        mem_Code->SetCurrentRow(row);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(grid_Code->viewport()->mapToGlobal(pos));
}
