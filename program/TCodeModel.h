#pragma once
// The program table: the steps of the automatic program in program order,
// with a current row (the grid's selection: where a step is inserted, the
// step a delete removes and, during a run, the step being executed).
#include "AutoCode.h"

#include <QAbstractTableModel>
#include <vector>

// The values an added step takes whatever it was given: homing and pause
// have no parameter and run once, absolute moves and coordinate adjusts run
// once.
void ForceActionValues(TAutoCode &code);

class TCodeModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColID, ColAxis, ColAction, ColParam, ColDelay, ColCount, ColumnCount };

    explicit TCodeModel(QObject *parent = nullptr);
    ~TCodeModel() override;

    // Display width of a column in characters; 0 for the hidden ID column.
    static int ColumnWidthChars(int column);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const std::vector<TAutoCode> &Rows() const { return m_rows; }
    const TAutoCode &Row(int row) const { return m_rows[size_t(row)]; }
    bool IsEmpty() const { return m_rows.empty(); }

    // -1 when the table is empty.
    int CurrentRow() const { return m_current; }
    void SetCurrentRow(int row);

    // Inserts before `row`, or appends when row is outside the table; the
    // new row becomes current.  Returns its index.
    int InsertRow(int row, const TAutoCode &code);
    void RemoveRow(int row);
    // Inserts a block before `row` (appends when row is outside the table);
    // the block's first row becomes current.  Returns where it went.
    int InsertRows(int row, std::vector<TAutoCode> rows);
    // Removes `count` rows from `row` and hands them over; the row after
    // them (or the new last row) becomes current.
    std::vector<TAutoCode> TakeRows(int row, int count);
    // Removes the rows of `ranges` (in row order, apart, within the table)
    // and hands them over, range after range.  The rows after them move
    // once in all, and several ranges are announced as one reset, not one
    // removal each: a grid of ten million rows would move its rows for each.
    // The row after the first range (or the new last row) becomes current.
    std::vector<TAutoCode> TakeRanges(const std::vector<TRowRange> &ranges);
    // Puts back rows that TakeRanges took from `ranges`, in the same way; the
    // first range's first row becomes current.
    void InsertRanges(const std::vector<TRowRange> &ranges, std::vector<TAutoCode> rows);
    // Puts `code` in place of a row and gives back what the row held; the
    // row becomes current (and is announced as such: the edit panel shows
    // its new values).
    TAutoCode ExchangeRow(int row, TAutoCode code);
    // Puts `rows` (already fitted) in place of the whole table and gives
    // back what it held, without copying either; the first row becomes
    // current.
    std::vector<TAutoCode> ExchangeRows(std::vector<TAutoCode> rows);
    // Replaces every row; the first row becomes current.  `fitted`: the
    // rows have been through FitRows already.
    void SetRows(std::vector<TAutoCode> rows, bool fitted = false);
    // Gives each row the values a stored row has (texts cut to their field
    // sizes); touches no model, so a worker thread may fit a long program.
    static void FitRows(std::vector<TAutoCode> &rows);
    // Empties the table and hands over its rows (a million rows take a
    // while to free: the caller chooses where).
    std::vector<TAutoCode> TakeRows();

    // Add_Code: inserts before the current row when code.bInsert is set
    // (appends when there is none), otherwise appends; applies the values
    // forced by the step's action.  The new row becomes current.
    int AddCode(const TAutoCode &code);

signals:
    void CurrentRowChanged(int row);
    // The table is about to go: whatever reads its rows in another thread
    // stops now.
    void Destroying();

private:
    // Axis and Action hold at most 50 and 30 bytes of GB18030 text.
    static void FitFields(TAutoCode &code);

    std::vector<TAutoCode> m_rows;
    int m_current = -1;
};
