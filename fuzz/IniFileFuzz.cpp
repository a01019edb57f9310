// libFuzzer target for the INI file: the input is an operation and the
// bytes of Tavorin.ini.  Input: one byte choosing the operation (write a
// text, an integer, a float or a boolean, or erase a section), then the
// section, the key and the value, each ended by LF ("@" + n as a name picks
// the file's n-th section or key), then the file.  Checked after the
// operation, on the file read again:
// - the written key reads back (texts as the file holds them: one line
//   without blanks at its ends; every integer equal; every finite double
//   equal to the number its text stands for);
// - every other key reads as before, and an erased section is gone;
// - lines the operation did not touch keep their bytes and their own line
//   ends (a last line may gain one), in order; an erase adds no line;
// - the same operation once more leaves the file byte-identical;
// - a refused name leaves the file as it was.
#include "common/Exceptions.h"
#include "common/NumberText.h"
#include "config/IniFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

enum Op { Text, Integer, Float, Bool, Erase, OpCount };

struct Line
{
    QByteArray content, end;
};

std::vector<Line> Lines(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    std::vector<Line> lines;
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype end = from;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        qsizetype next = end;
        if (next < bytes.size() && bytes[next] == '\r')
            ++next;
        if (next < bytes.size() && bytes[next] == '\n')
            ++next;
        lines.push_back({bytes.mid(from, end - from), bytes.mid(end, next - end)});
        from = next;
    }
    return lines;
}

bool SameLine(const Line &old, const Line &now)
{
    return old.content == now.content && (old.end == now.end || old.end.isEmpty());
}

// Whether `part` is `whole` with lines left out (a last line may have
// gained its line end).
bool IsSubsequence(const std::vector<Line> &part, const std::vector<Line> &whole)
{
    size_t j = 0;
    for (const Line &line : part) {
        while (j < whole.size() && !SameLine(whole[j], line) && !SameLine(line, whole[j]))
            ++j;
        if (j++ == whole.size())
            return false;
    }
    return true;
}

// Whether `now` is `old` with one place changed: at most `removed` lines
// of `old` replaced by at most `added` lines.
bool ChangedInOnePlace(const std::vector<Line> &old, const std::vector<Line> &now, size_t removed, size_t added)
{
    size_t prefix = 0;
    while (prefix < old.size() && prefix < now.size() && SameLine(old[prefix], now[prefix]))
        ++prefix;
    size_t suffix = 0;
    while (suffix < old.size() - prefix && suffix < now.size() - prefix
           && SameLine(old[old.size() - 1 - suffix], now[now.size() - 1 - suffix]))
        ++suffix;
    return old.size() - prefix - suffix <= removed && now.size() - prefix - suffix <= added;
}

// The comment line that marks a GB18030 file, when the operation added it.
void DropEncodingMark(std::vector<Line> &now, const std::vector<Line> &old)
{
    static const QByteArray mark = QByteArray(";") + QByteArray("\xCE\xC4\xBC\xFE\xB1\xE0\xC2\xEB GB18030");
    if (!now.empty() && now.front().content == mark && (old.empty() || old.front().content != mark))
        now.erase(now.begin());
}

using Snapshot = QMap<QPair<QString, QString>, QString>;

QString Folded(const QString &name)
{
    return TrimBlanks(name).toCaseFolded();
}

Snapshot Read(const QString &path)
{
    const TIniFile ini(path);
    Snapshot all;
    for (const QString &section : ini.ReadSections()) {
        for (const QString &key : ini.ReadSection(section)) {
            const auto id = qMakePair(Folded(section), Folded(key));
            if (!all.contains(id))
                all.insert(id, ini.ReadString(section, key, QString()));
        }
    }
    return all;
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void SetFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

QString Field(const uint8_t *&p, const uint8_t *end)
{
    const uint8_t *lf = static_cast<const uint8_t *>(std::memchr(p, '\n', size_t(end - p)));
    const uint8_t *stop = lf ? lf : end;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(p), stop - p);
    p = lf ? lf + 1 : end;
    return text;
}

QString Pick(const QString &name, const QStringList &existing)
{
    if (!name.startsWith(QLatin1Char('@')) || existing.isEmpty())
        return name;
    return existing.at(int(uint(name.size()) % uint(existing.size())));
}

struct Operation
{
    Op op;
    QString section, key, value;
    int32_t integer = 0;
    double real = 0;

    void Run(const QString &path) const
    {
        TIniFile ini(path);
        switch (op) {
        case Text: ini.WriteString(section, key, value); break;
        case Integer: ini.WriteInteger(section, key, integer); break;
        case Float: ini.WriteFloat(section, key, real); break;
        case Bool: ini.WriteBool(section, key, integer & 1); break;
        default: ini.EraseSection(section); break;
        }
    }

    bool ReadsBack(const QString &path) const
    {
        const TIniFile ini(path);
        switch (op) {
        case Text: {
            QString stored = value;
            stored.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\r'), QLatin1Char(' '));
            return ini.ReadString(section, key, QStringLiteral("\x01")) == TrimBlanks(stored.replace(QLatin1Char('\n'), QLatin1Char(' ')));
        }
        case Integer: return ini.ReadInteger(section, key, ~integer) == integer;
        case Float: {
            const double back = ini.ReadFloat(section, key, std::nan(""));
            return std::isfinite(back) && back == StrToFloat(FloatToStr(real));
        }
        case Bool: return ini.ReadBool(section, key, !(integer & 1)) == bool(integer & 1);
        default: return !ini.SectionExists(section);
        }
    }
};

const QString &FilePath()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/fuzz-ini-XXXXXX")
                                                                       : QString());
    static const QString path = dir.filePath(QStringLiteral("Tavorin.ini"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t *p = data + 1;
    const uint8_t *end = data + size;
    Operation o;
    o.op = Op(data[0] % OpCount);
    const QString section = Field(p, end);
    const QString key = Field(p, end);
    const QByteArray valueBytes(reinterpret_cast<const char *>(p), std::min<qsizetype>(8, end - p));
    o.value = Field(p, end);
    std::memcpy(&o.integer, valueBytes.leftJustified(4, '\0').constData(), 4);
    std::memcpy(&o.real, valueBytes.leftJustified(8, '\0').constData(), 8);
    if (o.op == Float && !std::isfinite(o.real))
        o.real = o.integer;
    const QByteArray before(reinterpret_cast<const char *>(p), end - p);

    const QString &path = FilePath();
    SetFile(path, before);
    const TIniFile first(path);
    o.section = Pick(section, first.ReadSections());
    o.key = Pick(key, first.ReadSection(o.section));
    const Snapshot old = Read(path);

    try {
        o.Run(path);
    } catch (const EIniFileException &) {
        const bool refused = !TIniFile::IsStorableSection(o.section) || (o.op != Erase && !TIniFile::IsStorableKey(o.key));
        if (!refused || FileBytes(path) != before)
            std::abort();
        return 0;
    }
    const QByteArray after = FileBytes(path);
    if (!o.ReadsBack(path))
        std::abort();
    const Snapshot now = Read(path);
    for (auto it = old.cbegin(); it != old.cend(); ++it) {
        const bool touched = it.key().first == Folded(o.section) && (o.op == Erase || it.key().second == Folded(o.key));
        if (!touched && now.value(it.key(), QStringLiteral("\x01")) != it.value())
            std::abort();
    }
    const std::vector<Line> oldLines = Lines(before);
    std::vector<Line> newLines = Lines(after);
    DropEncodingMark(newLines, oldLines);
    if (o.op == Erase ? !IsSubsequence(newLines, oldLines) : !ChangedInOnePlace(oldLines, newLines, 1, 2))
        std::abort();
    o.Run(path);
    if (FileBytes(path) != after)
        std::abort();
    return 0;
}
