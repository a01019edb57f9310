#include "ProgramFile.h"

#include "common/Exceptions.h"
#include "common/FileRead.h"
#include "common/FileWrite.h"
#include "common/NumberText.h"
#include "common/TextEncoding.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

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

// The texts of one field that recur on most lines (axis captions) are kept
// with their bytes, so that equal captions share one string.
class TextCache
{
public:
    const QString &Find(QByteArrayView bytes, TextCodec &codec)
    {
        for (Entry &e : m_entries) {
            if (e.used && e.bytes == bytes)
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

// Plain decimals "-12.5" are read here, with the same conversion as the
// general parser; exponents and everything else go through it.
bool FastFloat(QByteArrayView field, double &value)
{
    const char *p = field.data();
    const char *end = p + field.size();
    const char *digits = p < end && *p == '-' ? p + 1 : p;
    int before = 0, after = 0;
    const char *q = digits;
    for (; q < end && *q >= '0' && *q <= '9'; ++q)
        ++before;
    if (q < end && *q == '.') {
        for (++q; q < end && *q >= '0' && *q <= '9'; ++q)
            ++after;
        if (after == 0)
            return false;
    }
    if (q != end || before == 0)
        return false;
    const auto result = std::from_chars(p, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

class LineReader
{
public:
    LineReader(ProgramReadResult &result) : m_result(result), m_codec(result.Encoding) {}

    // False when the line ends the reading (the reason is in the result).
    bool ReadLine(QByteArrayView line)
    {
        std::array<QByteArrayView, kFieldCount> fields;
        if (!SplitFields(line, fields))
            return Stop(ProgramReadResult::BadLine);
        const int action = ActionIndex(fields[2]);
        if (action < 0)
            return Stop(ProgramReadResult::BadLine);
        TAutoCode code;
        code.Axis = m_axes.Find(fields[1], m_codec);
        code.Action = *ActionNames()[size_t(action)];
        if (!ReadInt(fields[0], code.ID) || !ReadFloat(fields[3], code.Param)
            || !ReadInt(fields[4], code.Delay) || !ReadInt(fields[5], code.Count))
            return false;
        m_result.Rows.push_back(std::move(code));
        return true;
    }

private:
    static bool SplitFields(QByteArrayView line, std::array<QByteArrayView, kFieldCount> &fields)
    {
        qsizetype start = 0;
        for (int i = 0; i < kFieldCount - 1; ++i) {
            const qsizetype comma = line.indexOf(',', start);
            if (comma < 0)
                return false;
            fields[size_t(i)] = line.sliced(start, comma - start);
            start = comma + 1;
        }
        fields[kFieldCount - 1] = line.sliced(start);
        return fields[kFieldCount - 1].indexOf(',') < 0;
    }

    int ActionIndex(QByteArrayView field)
    {
        if (m_actionBytes.empty()) {
            for (const QString *name : ActionNames())
                m_actionBytes.push_back(m_codec.Encode(*name));
        }
        for (size_t i = 0; i < m_actionBytes.size(); ++i) {
            if (field == m_actionBytes[i])
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
            m_result.Error = e.Message();
            return Stop(ProgramReadResult::BadNumber);
        }
    }

    bool Stop(ProgramReadResult::Stop reason)
    {
        m_result.StopReason = reason;
        return false;
    }

    ProgramReadResult &m_result;
    TextCodec m_codec;
    TextCache m_axes;
    std::vector<QByteArray> m_actionBytes;
};

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
    ProgramReadResult result;
    result.Encoding = DetectEncoding(bytes);
    LineReader reader(result);
    // Room for every line, but never more rows than the bytes could hold:
    // the shortest row takes a dozen bytes.
    const qint64 lines = bytes.count('\n') + 1;
    result.Rows.reserve(size_t(std::min({maxRows, lines, bytes.size() / 12 + 1})));
    const char *p = bytes.data();
    const char *end = p + bytes.size();
    qint64 line = 0;
    while (p < end) {
        const auto *newline = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *lineEnd = newline ? newline : end;
        QByteArrayView text(p, lineEnd - p);
        if (text.endsWith('\r'))
            text.chop(1);
        ++line;
        bool go_on;
        if (qint64(result.Rows.size()) >= maxRows) {
            result.StopReason = ProgramReadResult::TooManyRows;
            go_on = false;
        } else if (text.size() > kMaxProgramLineBytes) {
            result.StopReason = ProgramReadResult::BadLine;
            go_on = false;
        } else {
            go_on = reader.ReadLine(text);
        }
        if (!go_on) {
            result.StopLine = line;
            result.OnlyEmptyLinesLeft = OnlyLineEnds(QByteArrayView(p, end - p));
            break;
        }
        p = newline ? newline + 1 : end;
    }
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
