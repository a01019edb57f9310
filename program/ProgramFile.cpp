#include "ProgramFile.h"

#include "common/Exceptions.h"
#include "common/FileRead.h"
#include "common/FileWrite.h"
#include "common/HugePages.h"
#include "common/NumberText.h"
#include "common/TextEncoding.h"

#include <QDir>
#include <QtEndian>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <iterator>
#include <thread>

namespace {

const QByteArrayView Utf8Bom("\xEF\xBB\xBF");
const char *const AnsiCodec = "GB18030";
constexpr int kFieldCount = 6;

// ---- encodings ---------------------------------------------------------------

ProgramEncoding DetectEncoding(QByteArrayView &bytes)
{
    if (bytes.startsWith(Utf8Bom)) {
        bytes = bytes.sliced(Utf8Bom.size());
        return ProgramEncoding::Utf8Bom;
    }
    return IsUtf8Text(bytes) ? ProgramEncoding::Utf8 : ProgramEncoding::Gb18030;
}

bool IsAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Text of the file's encoding to QString and back.  Both encodings keep
// ',' '\r' and '\n' as single bytes that never occur inside a character,
// so lines and fields are found in the bytes.
class TextCodec
{
public:
    explicit TextCodec(ProgramEncoding encoding)
        : m_utf8(encoding != ProgramEncoding::Gb18030)
        , m_decoder(AnsiCodec, QStringConverter::Flag::Stateless)
        , m_encoder(AnsiCodec, QStringConverter::Flag::Stateless)
    {
    }

    QString Decode(QByteArrayView bytes)
    {
        if (IsAscii(bytes))
            return QString::fromLatin1(bytes);
        if (m_utf8)
            return QString::fromUtf8(bytes);
        return m_decoder.decode(bytes);
    }

    QByteArray Encode(const QString &text)
    {
        if (m_utf8)
            return text.toUtf8();
        return m_encoder.encode(text);
    }

private:
    bool m_utf8;
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
};

// Byte by byte: the fields compared on every line are a few bytes long,
// shorter than a call of memcmp takes.
bool SameBytes(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// The texts of one field that recur on most lines (axis captions) are kept
// with their bytes, so that equal captions share one string.
class TextCache
{
public:
    const QString &Find(QByteArrayView bytes, TextCodec &codec)
    {
        for (Entry &e : m_entries) {
            if (e.used && SameBytes(e.bytes, bytes))
                return e.text;
        }
        Entry &slot = m_entries[m_next];
        m_next = (m_next + 1) % m_entries.size();
        slot = {true, bytes.toByteArray(), codec.Decode(bytes)};
        return slot.text;
    }

private:
    struct Entry
    {
        bool used = false;
        QByteArray bytes;
        QString text;
    };
    std::array<Entry, 8> m_entries;
    size_t m_next = 0;
};

const std::array<const QString *, 5> &ActionNames()
{
    static const std::array<const QString *, 5> names = {
        &AutoAction::Home, &AutoAction::Rel, &AutoAction::Abs, &AutoAction::Pause, &AutoAction::Adjust};
    return names;
}

// ---- reading -------------------------------------------------------------------

// Plain decimal integers (the form the writer uses) are read here; any
// other form goes through the general integer parser.
bool FastInt(QByteArrayView field, int32_t &value)
{
    const char *p = field.data();
    const char *end = p + field.size();
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    if (p == end || end - p > 9)
        return false;
    int32_t magnitude = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        magnitude = magnitude * 10 + (*p - '0');
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

// Plain decimals "-12.5" are read here, with the same result as the
// general parser; exponents and everything else go through it.  With at
// most 15 digits the digits as an integer and the power of ten are both
// exact doubles, so their quotient is the correctly rounded value, as
// std::from_chars gives it; longer ones go through std::from_chars.
bool FastFloat(QByteArrayView field, double &value)
{
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr int kExactDigits = 15;
    const char *p = field.data();
    const char *end = p + field.size();
    const bool negative = p < end && *p == '-';
    uint64_t digitsValue = 0; // only used with kExactDigits digits or fewer
    int before = 0, after = 0;
    const char *q = negative ? p + 1 : p;
    for (; q < end && *q >= '0' && *q <= '9'; ++q, ++before)
        digitsValue = digitsValue * 10 + uint64_t(*q - '0');
    if (q < end && *q == '.') {
        for (++q; q < end && *q >= '0' && *q <= '9'; ++q, ++after)
            digitsValue = digitsValue * 10 + uint64_t(*q - '0');
        if (after == 0)
            return false;
    }
    if (q != end || before == 0)
        return false;
    if (before + after <= kExactDigits) {
        const double magnitude = double(digitsValue) / kPowersOfTen[after];
        value = negative ? -magnitude : magnitude;
        return true;
    }
    const auto result = std::from_chars(p, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

using Fields = std::array<QByteArrayView, kFieldCount>;

// The high bit of each byte of `word` that equals `c`, the others 0.
inline uint64_t Bytes_Equal(uint64_t word, char c)
{
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t t = word ^ (0x0101010101010101ull * uint8_t(c));
    return ~(((t & kLow7) + kLow7) | t | kLow7);
}

// The fields of the line that starts at `p`, up to its LF (without a CR
// before it) or the end of the text, and where the next line starts.
// False for a line that is no step: not six fields, or longer than
// kMaxProgramLineBytes.  One pass finds both the commas and the line end,
// eight bytes at a time.
bool SplitLine(const char *p, const char *end, Fields &fields, const char *&next)
{
    std::array<const char *, kFieldCount> starts{p};
    int commas = 0;
    const char *lineEnd = nullptr;
    // False at a comma too many.
    const auto seen = [&starts, &commas, &lineEnd](const char *at) {
        if (*at == '\n') {
            lineEnd = at;
            return true;
        }
        if (commas == kFieldCount - 1)
            return false;
        starts[size_t(++commas)] = at + 1;
        return true;
    };
    const char *q = p;
    for (; !lineEnd && end - q >= 8; q += 8) {
        const uint64_t word = qFromLittleEndian<quint64>(q); // the first byte lowest
        for (uint64_t hits = Bytes_Equal(word, ',') | Bytes_Equal(word, '\n'); hits && !lineEnd; hits &= hits - 1) {
            if (!seen(q + (qCountTrailingZeroBits(hits) >> 3)))
                return false;
        }
    }
    for (; !lineEnd && q < end; ++q) {
        if ((*q == ',' || *q == '\n') && !seen(q))
            return false;
    }
    if (!lineEnd)
        lineEnd = end;
    next = lineEnd < end ? lineEnd + 1 : end;
    const char *textEnd = lineEnd > p && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
    if (commas != kFieldCount - 1 || textEnd - p > kMaxProgramLineBytes)
        return false;
    for (size_t i = 0; i < kFieldCount; ++i) {
        const char *fieldEnd = i + 1 < kFieldCount ? starts[i + 1] - 1 : textEnd;
        fields[i] = QByteArrayView(starts[i], fieldEnd - starts[i]);
    }
    return true;
}

// One piece of the text, read as the whole is read from the piece's first
// line on: one table row a line from FirstRow on, as long as the lines are
// steps; why and on which of its lines it stopped, and where that line
// starts.
struct PieceRead
{
    QByteArrayView Text;
    qint64 Lines = 0;
    qint64 FirstRow = 0;
    qint64 RowsRead = 0;
    ProgramReadResult::Stop StopReason = ProgramReadResult::AtEnd;
    qint64 StopLine = 0;
    QString Error;
    const char *StopAt = nullptr;
};

// Reads lines into rows as long as they are steps.
class LineReader
{
public:
    LineReader(PieceRead &piece, ProgramEncoding encoding) : m_piece(piece), m_codec(encoding) {}

    // False when the line ends the reading (the reason is in the piece);
    // `code` is then left unfinished.
    bool ReadLine(const Fields &fields, TAutoCode &code)
    {
        const int action = ActionIndex(fields[2]);
        if (action < 0)
            return Stop(ProgramReadResult::BadLine);
        code.Axis = m_axes.Find(fields[1], m_codec);
        code.Action = *ActionNames()[size_t(action)];
        return ReadInt(fields[0], code.ID) && ReadFloat(fields[3], code.Param) && ReadInt(fields[4], code.Delay)
            && ReadInt(fields[5], code.Count);
    }

    bool Stop(ProgramReadResult::Stop reason)
    {
        m_piece.StopReason = reason;
        return false;
    }

private:
    int ActionIndex(QByteArrayView field)
    {
        if (m_actionBytes.empty()) {
            for (const QString *name : ActionNames())
                m_actionBytes.push_back(m_codec.Encode(*name));
        }
        for (size_t i = 0; i < m_actionBytes.size(); ++i) {
            if (SameBytes(field, m_actionBytes[i]))
                return int(i);
        }
        return -1;
    }

    bool ReadInt(QByteArrayView field, int32_t &value)
    {
        return FastInt(field, value) || Convert(field, [&value](const QString &t) { value = StrToInt(t); });
    }

    bool ReadFloat(QByteArrayView field, double &value)
    {
        return FastFloat(field, value) || Convert(field, [&value](const QString &t) { value = StrToFloat(t); });
    }

    // Runs the general parser; a conversion error ends the reading.
    template <typename Parse>
    bool Convert(QByteArrayView field, Parse parse)
    {
        try {
            parse(m_codec.Decode(field));
            return true;
        } catch (const EConvertError &e) {
            m_piece.Error = e.Message();
            return Stop(ProgramReadResult::BadNumber);
        }
    }

    PieceRead &m_piece;
    TextCodec m_codec;
    TextCache m_axes;
    std::vector<QByteArray> m_actionBytes;
};

// The lines of `text`, with a last line that has no line end.
qint64 LineCount(QByteArrayView text)
{
    const qint64 ends = std::count(text.begin(), text.end(), '\n');
    return text.isEmpty() || text.back() == '\n' ? ends : ends + 1;
}

// Reads the piece into `rows` from its first row on; `rows` holds room for
// every row up to the limit `maxRows`.
void ReadPiece(PieceRead &piece, ProgramEncoding encoding, qint64 maxRows, std::vector<TAutoCode> &rows)
{
    LineReader reader(piece, encoding);
    const char *p = piece.Text.data();
    const char *end = p + piece.Text.size();
    qint64 line = 0;
    while (p < end) {
        ++line;
        Fields fields;
        const char *next = end;
        const qint64 row = piece.FirstRow + piece.RowsRead;
        const bool goOn = row >= maxRows                        ? reader.Stop(ProgramReadResult::TooManyRows)
            : !SplitLine(p, end, fields, next)                 ? reader.Stop(ProgramReadResult::BadLine)
                                                               : reader.ReadLine(fields, rows[size_t(row)]);
        if (!goOn) {
            piece.StopLine = line;
            piece.StopAt = p;
            return;
        }
        ++piece.RowsRead;
        p = next;
    }
}

// Cuts the text after a line end into about `count` pieces of like size.
std::vector<PieceRead> Cut_Into_Pieces(QByteArrayView bytes, int count)
{
    std::vector<PieceRead> pieces;
    const char *p = bytes.data();
    const char *end = p + bytes.size();
    for (int k = 1; k <= count && p < end; ++k) {
        const char *cut = k == count ? end : std::max(p, bytes.data() + bytes.size() / count * k);
        const auto *newline = static_cast<const char *>(std::memchr(cut, '\n', size_t(end - cut)));
        const char *pieceEnd = k == count || !newline ? end : newline + 1;
        PieceRead piece;
        piece.Text = QByteArrayView(p, pieceEnd - p);
        pieces.push_back(piece);
        p = pieceEnd;
    }
    return pieces;
}

// Runs work(0) … work(count - 1) side by side, work(0) on this thread;
// what one of them throws is thrown here once all have ended.
template <typename Work>
void Side_By_Side(size_t count, Work work)
{
    std::vector<std::exception_ptr> errors(count);
    const auto guarded = [&work, &errors](size_t i) {
        try {
            work(i);
        } catch (...) {
            errors[i] = std::current_exception();
        }
    };
    std::vector<std::thread> others;
    for (size_t i = 1; i < count; ++i)
        others.emplace_back(guarded, i);
    if (count > 0)
        guarded(0);
    for (std::thread &t : others)
        t.join();
    for (const std::exception_ptr &error : errors) {
        if (error)
            std::rethrow_exception(error);
    }
}

// `count` empty rows, their memory brought in by each piece's thread for
// the piece's rows (on huge pages where offered), and room for one more:
// a row then added to a long program moves the rows by one instead of
// copying them all to a larger table.
void Make_Rows(std::vector<TAutoCode> &rows, size_t count, const std::vector<PieceRead> &pieces)
{
    rows.reserve(count + 1);
    Advise_Huge_Pages(rows.data(), count * sizeof(TAutoCode));
    Side_By_Side(pieces.size(), [&rows, &pieces, count](size_t i) {
        const size_t first = std::min(size_t(pieces[i].FirstRow), count);
        const size_t last = std::min(first + size_t(pieces[i].Lines), count);
        Bring_In_Pages(rows.data() + first, (last - first) * sizeof(TAutoCode));
    });
    rows.resize(count);
}

// Texts this long are read in pieces side by side.
constexpr qsizetype kPieceBytes = qsizetype(1) << 20;

bool OnlyLineEnds(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (c != '\r' && c != '\n')
            return false;
    }
    return true;
}

// ---- writing -------------------------------------------------------------------

// The file text, written straight into a buffer that grows as needed.
class TextBuffer
{
public:
    explicit TextBuffer(size_t reserve) { m_bytes.resize(qsizetype(reserve)); }

    void Append(const char *data, size_t size)
    {
        Reserve(size);
        std::memcpy(m_bytes.data() + m_used, data, size);
        m_used += size;
    }
    void Append(const QByteArray &bytes) { Append(bytes.constData(), size_t(bytes.size())); }
    void Append(char c)
    {
        Reserve(1);
        m_bytes.data()[m_used++] = c;
    }
    template <typename Int>
    void AppendInt(Int value)
    {
        Reserve(24);
        char *at = m_bytes.data() + m_used;
        m_used += size_t(std::to_chars(at, at + 24, value).ptr - at);
    }
    // General number format; whole numbers below 1E15 are exact and written
    // as plain integers, which is what the general format gives for them.
    void AppendFloat(double value)
    {
        if (std::isfinite(value) && std::fabs(value) < 1e15 && value == std::trunc(value))
            AppendInt(static_cast<int64_t>(value));
        else
            Append(FloatToStr(value).toLatin1());
    }
    QByteArray Take()
    {
        m_bytes.truncate(qsizetype(m_used));
        return std::move(m_bytes);
    }

private:
    void Reserve(size_t more)
    {
        if (m_used + more > size_t(m_bytes.size()))
            m_bytes.resize(qsizetype(std::max(m_used + more, size_t(m_bytes.size()) * 2)));
    }
    QByteArray m_bytes;
    size_t m_used = 0;
};

// A field's text with its commas replaced, so that it cannot split its line.
QString FieldText(const QString &text)
{
    if (!text.contains(QLatin1Char(',')))
        return text;
    QString copy = text;
    return copy.replace(QLatin1Char(','), QChar(0xFF0C));
}

class FieldEncoder
{
public:
    explicit FieldEncoder(ProgramEncoding encoding) : m_codec(encoding) {}
    const QByteArray &Encode(const QString &text)
    {
        if (!m_valid || text != m_text) {
            m_text = text;
            m_bytes = m_codec.Encode(FieldText(text));
            m_valid = true;
        }
        return m_bytes;
    }

private:
    TextCodec m_codec;
    bool m_valid = false;
    QString m_text;
    QByteArray m_bytes;
};

QString NativePath(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName);
}

} // namespace

ProgramReadResult ReadProgramText(QByteArrayView bytes, qint64 maxRows)
{
    const qsizetype cores = std::max<qsizetype>(1, std::thread::hardware_concurrency());
    return ReadProgramTextInPieces(bytes, maxRows, int(std::clamp<qsizetype>(bytes.size() / kPieceBytes, 1, cores)));
}

ProgramReadResult ReadProgramTextInPieces(QByteArrayView bytes, qint64 maxRows, int pieceCount)
{
    ProgramReadResult result;
    result.Encoding = DetectEncoding(bytes);
    std::vector<PieceRead> pieces = Cut_Into_Pieces(bytes, std::max(pieceCount, 1));
    Side_By_Side(pieces.size(), [&pieces](size_t i) { pieces[i].Lines = LineCount(pieces[i].Text); });
    qint64 lines = 0;
    for (PieceRead &piece : pieces) {
        piece.FirstRow = lines;
        lines += piece.Lines;
    }
    // A piece knows no rows before it: past the row limit, only reading the
    // text as one piece stops where the limit says.
    if (pieces.size() > 1 && lines > maxRows)
        return ReadProgramTextInPieces(bytes, maxRows, 1);
    // One row a line; the rows after the first line that is no step go.
    Make_Rows(result.Rows, size_t(std::min(lines, maxRows)), pieces);
    Side_By_Side(pieces.size(), [&pieces, &result, maxRows](size_t i) {
        ReadPiece(pieces[i], result.Encoding, maxRows, result.Rows);
    });
    qint64 rows = 0;
    for (const PieceRead &piece : pieces) {
        rows += piece.RowsRead;
        if (piece.StopReason != ProgramReadResult::AtEnd) {
            result.StopReason = piece.StopReason;
            result.StopLine = piece.FirstRow + piece.StopLine;
            result.Error = piece.Error;
            result.OnlyEmptyLinesLeft = OnlyLineEnds(QByteArrayView(piece.StopAt, bytes.data() + bytes.size()));
            break;
        }
    }
    result.Rows.erase(result.Rows.begin() + rows, result.Rows.end());
    return result;
}

ProgramReadResult ReadProgramFile(const QString &fileName)
{
    // Read, never mapped: a mapped file that shrinks under the reader kills
    // the program.  A file that changes while it is read (another size at
    // the end than at the start) or a failing read is an input/output error.
    const TFileRead read = ReadRegularFile(fileName);
    switch (read.Result) {
    case TFileRead::Ok:
        return ReadProgramText(read.Bytes);
    case TFileRead::NotRegular:
        throw Exception(NotRegularFileText(fileName));
    case TFileRead::Missing:
    case TFileRead::CannotOpen:
        throw Exception(QStringLiteral("无法打开方案文件：") + NativePath(fileName));
    case TFileRead::ReadFailed:
    case TFileRead::Changed:
        break;
    }
    throw Exception(QStringLiteral("无法读取方案文件：") + NativePath(fileName));
}

QByteArray WriteProgramText(const std::vector<TAutoCode> &rows, ProgramEncoding encoding)
{
    TextBuffer out(rows.size() * 40 + 16);
    if (encoding == ProgramEncoding::Utf8Bom)
        out.Append(Utf8Bom.data(), size_t(Utf8Bom.size()));
    FieldEncoder axes(encoding);
    FieldEncoder actions(encoding);
    for (const TAutoCode &code : rows) {
        out.AppendInt(code.ID);
        out.Append(',');
        out.Append(axes.Encode(code.Axis));
        out.Append(',');
        out.Append(actions.Encode(code.Action));
        out.Append(',');
        out.AppendFloat(code.Param);
        out.Append(',');
        out.AppendInt(code.Delay);
        out.Append(',');
        out.AppendInt(code.Count);
        out.Append("\r\n", 2);
    }
    return out.Take();
}

void WriteProgramFile(const QString &fileName, const std::vector<TAutoCode> &rows, ProgramEncoding encoding)
{
    if (!WriteFileAtomically(fileName, WriteProgramText(rows, encoding)))
        throw Exception(QStringLiteral("无法保存方案文件：") + NativePath(fileName));
}

QString Early_Stop_Notice(const ProgramReadResult &read, qint64 rowsRead)
{
    switch (read.StopReason) {
    case ProgramReadResult::AtEnd:
        break;
    case ProgramReadResult::BadNumber:
        return read.Error;
    case ProgramReadResult::TooManyRows:
        return QStringLiteral("方案超过 %1 行，已读入前 %1 行，其余未读入").arg(rowsRead);
    case ProgramReadResult::BadLine:
        if (!read.OnlyEmptyLinesLeft)
            return QStringLiteral("方案文件第 %1 行格式不正确，已停止读取，共读入 %2 行").arg(read.StopLine).arg(rowsRead);
        break;
    }
    return QString();
}
