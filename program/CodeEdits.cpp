#include "CodeEdits.h"

#include "TCodeModel.h"

#include <QThreadPool>
#include <algorithm>

namespace {

// Freeing more rows than this takes over a tenth of a second.
constexpr size_t kBackgroundRelease = 200000;

class TInsertRows : public TCodeEdit
{
public:
    TInsertRows(int row, std::vector<TAutoCode> rows, const QString &text)
        : TCodeEdit(text), m_row(row), m_rows(std::move(rows))
    {
    }
    ~TInsertRows() override { Release_Rows(std::move(m_rows)); }
    void Apply(TCodeModel &code) override
    {
        m_count = int(m_rows.size());
        m_row = code.InsertRows(m_row, std::move(m_rows));
        m_rows.clear();
    }
    void Revert(TCodeModel &code) override { m_rows = code.TakeRows(m_row, m_count); }

private:
    int m_row;
    int m_count = 0;
    std::vector<TAutoCode> m_rows;
};

class TRemoveRows : public TCodeEdit
{
public:
    TRemoveRows(std::vector<TRowRange> ranges, const QString &text)
        : TCodeEdit(text), m_ranges(Merge_Ranges(std::move(ranges)))
    {
    }
    ~TRemoveRows() override { Release_Rows(std::move(m_taken)); }
    void Apply(TCodeModel &code) override
    {
        Within(code);
        m_taken = code.TakeRanges(m_ranges);
    }
    void Revert(TCodeModel &code) override
    {
        code.InsertRanges(m_ranges, std::move(m_taken));
        m_taken.clear();
    }

private:
    // Only what the table holds is removed (and put back).
    void Within(const TCodeModel &code)
    {
        for (TRowRange &r : m_ranges)
            r.Count = std::max(0, std::min(r.Count, code.rowCount() - r.First));
        m_ranges = Merge_Ranges(std::move(m_ranges));
    }

    std::vector<TRowRange> m_ranges;
    std::vector<TAutoCode> m_taken; // the removed rows, range after range
};

class TModifyRow : public TCodeEdit
{
public:
    TModifyRow(int row, TAutoCode code, const QString &text) : TCodeEdit(text), m_row(row), m_code(std::move(code)) {}
    void Apply(TCodeModel &code) override { m_code = code.ExchangeRow(m_row, std::move(m_code)); }
    void Revert(TCodeModel &code) override { Apply(code); }

private:
    int m_row;
    TAutoCode m_code;
};

class TReplaceAll : public TCodeEdit
{
public:
    TReplaceAll(std::vector<TAutoCode> rows, const QString &text) : TCodeEdit(text), m_rows(std::move(rows)) {}
    ~TReplaceAll() override { Release_Rows(std::move(m_rows)); }
    void Apply(TCodeModel &code) override { m_rows = code.ExchangeRows(std::move(m_rows)); }
    void Revert(TCodeModel &code) override { Apply(code); }

private:
    std::vector<TAutoCode> m_rows;
};

} // namespace

std::vector<TRowRange> Merge_Ranges(std::vector<TRowRange> ranges)
{
    ranges.erase(std::remove_if(ranges.begin(), ranges.end(), [](const TRowRange &r) { return r.Count <= 0; }),
                 ranges.end());
    std::sort(ranges.begin(), ranges.end(), [](const TRowRange &a, const TRowRange &b) { return a.First < b.First; });
    std::vector<TRowRange> merged;
    for (const TRowRange &r : ranges) {
        if (!merged.empty() && r.First <= merged.back().First + merged.back().Count) {
            TRowRange &last = merged.back();
            last.Count = std::max(last.First + last.Count, r.First + r.Count) - last.First;
        } else {
            merged.push_back(r);
        }
    }
    return merged;
}

std::unique_ptr<TCodeEdit> Insert_Rows_Edit(int row, std::vector<TAutoCode> rows, const QString &text)
{
    return std::make_unique<TInsertRows>(row, std::move(rows), text);
}

std::unique_ptr<TCodeEdit> Remove_Rows_Edit(std::vector<TRowRange> ranges, const QString &text)
{
    return std::make_unique<TRemoveRows>(std::move(ranges), text);
}

std::unique_ptr<TCodeEdit> Modify_Row_Edit(int row, TAutoCode code, const QString &text)
{
    return std::make_unique<TModifyRow>(row, std::move(code), text);
}

std::unique_ptr<TCodeEdit> Replace_All_Edit(std::vector<TAutoCode> rows, const QString &text)
{
    return std::make_unique<TReplaceAll>(std::move(rows), text);
}

void Release_Rows(std::vector<TAutoCode> rows)
{
    if (rows.size() <= kBackgroundRelease)
        return;
    // The worker owns the rows it frees and nothing else.
    auto *owned = new std::vector<TAutoCode>(std::move(rows));
    QThreadPool::globalInstance()->start([owned] { delete owned; });
}
