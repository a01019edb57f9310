#include "IniFile.h"

#include "common/Exceptions.h"
#include "common/FileRead.h"
#include "common/FileWrite.h"
#include "common/NumberText.h"
#include "common/TextEncoding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <optional>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");
const char *const AnsiCodec = "GB18030";
const QByteArray DefaultLineEnd("\r\n");
// The first line of a GB18030 file whose bytes would otherwise read as
// UTF-8: "文" is not UTF-8 in GB18030, so the file can no longer pass as it.
const QString AnsiMarkLine = QStringLiteral(";文件编码 GB18030");


enum class LineKind { Other, Section, Key };
enum class Encoding { Ansi, Utf8, Utf8WithBom };

// One line of the file: its bytes as they stand on disk (without the line
// end), its line end, its text and what it means: a section header (name),
// a key line (name and value) or anything else.  A line this program wrote
// is marked `written` and saved from its text.
struct IniLine
{
    QByteArray bytes;
    QByteArray end;
    bool written = false;
    QString text;
    LineKind kind = LineKind::Other;
    QString name;
    QString folded; // the name for comparisons
    QString value;
};

// Names are compared without their blanks at either end (a line never
// holds them) and without regard to letter case.
QString Folded(const QString &name)
{
    return TrimBlanks(name).toCaseFolded();
}

// Only ";" starts a comment: "#" is an ordinary first character of a name.
bool IsComment(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char(';'));
}

// A NUL cannot be part of a name: the line that holds one is no header and
// no key line.
bool HasNul(const QString &name)
{
    return name.contains(QChar(0));
}

void ParseLine(IniLine &line)
{
    const QString trimmed = TrimBlanks(line.text);
    line.kind = LineKind::Other;
    if (IsComment(trimmed))
        return;
    if (trimmed.startsWith(QLatin1Char('['))) {
        const int close = trimmed.indexOf(QLatin1Char(']'));
        const QString name = TrimBlanks(trimmed.mid(1, close - 1));
        if (close > 0 && !HasNul(name)) {
            line.kind = LineKind::Section;
            line.name = name;
            line.folded = Folded(name);
        }
        return;
    }
    const int equals = trimmed.indexOf(QLatin1Char('='));
    const QString key = TrimBlanks(trimmed.left(equals));
    if (equals < 0 || key.isEmpty() || HasNul(key))
        return;
    line.kind = LineKind::Key;
    line.name = key;
    line.folded = Folded(key);
    line.value = TrimBlanks(trimmed.mid(equals + 1));
}

IniLine WrittenLine(const QString &text, const QByteArray &end)
{
    IniLine line;
    line.text = text;
    line.end = end;
    line.written = true;
    ParseLine(line);
    return line;
}


QString FullPath(const QString &fileName)
{
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
}

[[noreturn]] void ThrowWriteError(const QString &fileName)
{
    throw EIniFileException(QStringLiteral("Unable to write to ") + FullPath(fileName));
}

bool HasLineBreak(const QString &name)
{
    return name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n'));
}

// The value as its line holds it: one line without blanks at its ends.
QString StoredValue(QString value)
{
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return TrimBlanks(value);
}

void CheckNames(const QString &section, const QString &key)
{
    if (!TIniFile::IsStorableSection(section))
        throw EIniFileException(QStringLiteral("配置文件不能保存节名“%1”：节名不能为空，不能含有“]”、换行或空字符。")
                                    .arg(section));
    if (!TIniFile::IsStorableKey(key))
        throw EIniFileException(
            QStringLiteral("配置文件不能保存名称“%1”：名称不能为空，不能含有“=”、换行或空字符，也不能以“;”或“[”开头。")
                .arg(key));
}

} // namespace

// The whole file in memory: its lines, its encoding, and whether it could
// be read at all.
struct TIniFile::Document
{
    static std::unique_ptr<Document> Load(const QString &fileName);
    void Save(const QString &fileName);

    std::optional<QString> Value(const QString &section, const QString &key) const;
    QStringList Keys(const QString &section) const;
    bool HasSection(const QString &section) const { return FindSection(section) >= 0; }

    // False when the key already held the value (nothing changed).
    bool SetValue(const QString &section, const QString &key, const QString &value);
    void EraseSection(const QString &section);
    QStringList Sections() const;

private:
    void Split(const QByteArray &body);
    int FindSection(const QString &section) const;
    int SectionEnd(int header) const;
    int FindKey(int header, const QString &key) const;
    int LastKeyLine(int header) const;
    void Insert(int at, IniLine line);
    QByteArray Encode() const;
    QByteArray EncodeText(const QString &text) const;
    void KeepEncodingRecognisable(const QByteArray &bytes);

    std::vector<IniLine> m_lines;
    Encoding m_encoding = Encoding::Ansi;
    QByteArray m_lineEnd = DefaultLineEnd;
    bool m_unreadable = false;
    // Folded section name -> line of its first header; rebuilt after the
    // lines move.
    mutable QHash<QString, int> m_sections;
    mutable bool m_indexed = false;
};

std::unique_ptr<TIniFile::Document> TIniFile::Document::Load(const QString &fileName)
{
    auto doc = std::make_unique<Document>();
    // Missing: empty.  Present but unreadable, or no regular file (a FIFO
    // would hold the reader, a device read without end): empty too, and
    // never written.
    const TFileRead read = ReadRegularFile(fileName);
    if (read.Result != TFileRead::Ok) {
        doc->m_unreadable = read.Result != TFileRead::Missing;
        return doc;
    }
    const QByteArray &bytes = read.Bytes;
    if (bytes.startsWith(Utf8Bom)) {
        doc->m_encoding = Encoding::Utf8WithBom;
        doc->Split(bytes.mid(Utf8Bom.size()));
    } else {
        doc->m_encoding = IsUtf8Text(bytes) ? Encoding::Utf8 : Encoding::Ansi;
        doc->Split(bytes);
    }
    return doc;
}

// Cuts the bytes into lines at LF, CR LF or a CR alone (bytes that are
// never part of a longer character in GB18030 or UTF-8) and decodes each
// line on its own.
void TIniFile::Document::Split(const QByteArray &body)
{
    QStringDecoder ansi(AnsiCodec, QStringDecoder::Flag::Stateless);
    const char *const data = body.constData();
    const qsizetype size = body.size();
    qsizetype from = 0;
    while (from < size) {
        qsizetype contentEnd = from;
        while (contentEnd < size && data[contentEnd] != '\n' && data[contentEnd] != '\r')
            ++contentEnd;
        qsizetype next = contentEnd;
        if (next < size && data[next] == '\r')
            ++next;
        if (next < size && data[next] == '\n')
            ++next;
        IniLine line;
        line.bytes = body.mid(from, contentEnd - from);
        line.end = body.mid(contentEnd, next - contentEnd);
        if (m_encoding == Encoding::Ansi) {
            ansi.resetState();
            line.text = ansi.decode(line.bytes);
        } else {
            line.text = QString::fromUtf8(line.bytes);
        }
        ParseLine(line);
        m_lines.push_back(std::move(line));
        from = next;
    }
    // New lines end as the file's first line does.
    if (!m_lines.empty() && !m_lines.front().end.isEmpty())
        m_lineEnd = m_lines.front().end;
}

QByteArray TIniFile::Document::EncodeText(const QString &text) const
{
    if (m_encoding != Encoding::Ansi)
        return text.toUtf8();
    QStringEncoder encoder(AnsiCodec);
    return encoder.encode(text);
}

QByteArray TIniFile::Document::Encode() const
{
    QByteArray bytes;
    if (m_encoding == Encoding::Utf8WithBom)
        bytes += Utf8Bom;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const IniLine &line = m_lines[i];
        bytes += line.written ? EncodeText(line.text) : line.bytes;
        // A last line without its line end gets one when lines follow it.
        const bool last = i + 1 == m_lines.size();
        bytes += line.end.isEmpty() && !last ? m_lineEnd : line.end;
    }
    return bytes;
}

// The next read takes the file for UTF-8 or GB18030 by its bytes alone.  A
// write may change which one they look like (new GB18030 text that happens
// to be valid UTF-8, or the file's only three-byte UTF-8 character erased),
// and every line would then read as other characters.  Such a file is
// marked instead: a UTF-8 file with the byte-order mark, a GB18030 file
// with a first comment line that is not UTF-8.  Other lines keep their bytes.
void TIniFile::Document::KeepEncodingRecognisable(const QByteArray &bytes)
{
    const bool ascii = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; });
    if (m_encoding == Encoding::Utf8 && !ascii && !IsUtf8Text(bytes)) {
        m_encoding = Encoding::Utf8WithBom;
    } else if (m_encoding == Encoding::Ansi && (bytes.startsWith(Utf8Bom) || IsUtf8Text(bytes))) {
        Insert(0, WrittenLine(AnsiMarkLine, m_lineEnd));
    }
}

void TIniFile::Document::Save(const QString &fileName)
{
    if (m_unreadable)
        ThrowWriteError(fileName);
    KeepEncodingRecognisable(Encode());
    if (!WriteFileAtomically(fileName, Encode()))
        ThrowWriteError(fileName);
}

int TIniFile::Document::FindSection(const QString &section) const
{
    if (!m_indexed) {
        m_sections.clear();
        // From the end, so that the first header of a name is the one kept.
        for (int i = int(m_lines.size()) - 1; i >= 0; --i) {
            if (m_lines[i].kind == LineKind::Section)
                m_sections[m_lines[i].folded] = i;
        }
        m_indexed = true;
    }
    return m_sections.value(Folded(section), -1);
}

int TIniFile::Document::SectionEnd(int header) const
{
    int i = header + 1;
    while (i < int(m_lines.size()) && m_lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

int TIniFile::Document::FindKey(int header, const QString &key) const
{
    const int end = SectionEnd(header);
    const QString folded = Folded(key);
    for (int i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key && m_lines[i].folded == folded)
            return i;
    }
    return -1;
}

int TIniFile::Document::LastKeyLine(int header) const
{
    int last = header;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key)
            last = i;
    }
    return last;
}

void TIniFile::Document::Insert(int at, IniLine line)
{
    m_lines.insert(m_lines.begin() + at, std::move(line));
    m_indexed = false;
}

std::optional<QString> TIniFile::Document::Value(const QString &section, const QString &key) const
{
    const int header = FindSection(section);
    const int line = header < 0 ? -1 : FindKey(header, key);
    if (line < 0)
        return std::nullopt;
    return m_lines[line].value;
}

QStringList TIniFile::Document::Keys(const QString &section) const
{
    QStringList keys;
    const int header = FindSection(section);
    if (header < 0)
        return keys;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key)
            keys << m_lines[i].name;
    }
    return keys;
}

bool TIniFile::Document::SetValue(const QString &section, const QString &key, const QString &value)
{
    int header = FindSection(section);
    if (header < 0) {
        header = int(m_lines.size());
        Insert(header, WrittenLine(QLatin1Char('[') + TrimBlanks(section) + QLatin1Char(']'), m_lineEnd));
    }
    const int at = FindKey(header, key);
    if (at < 0) {
        Insert(LastKeyLine(header) + 1, WrittenLine(TrimBlanks(key) + QLatin1Char('=') + value, m_lineEnd));
        return true;
    }
    IniLine &line = m_lines[at];
    if (line.value == value) // an equal value leaves the line's bytes alone
        return false;
    line = WrittenLine(line.name + QLatin1Char('=') + value, line.end);
    return true;
}

QStringList TIniFile::Document::Sections() const
{
    QStringList names;
    for (int i = 0; i < int(m_lines.size()); ++i) {
        if (m_lines[i].kind == LineKind::Section && FindSection(m_lines[i].name) == i)
            names << m_lines[i].name;
    }
    return names;
}

void TIniFile::Document::EraseSection(const QString &section)
{
    for (int header = FindSection(section); header >= 0; header = FindSection(section)) {
        m_lines.erase(m_lines.begin() + header, m_lines.begin() + SectionEnd(header));
        m_indexed = false;
    }
}

// ---- TIniFile -----------------------------------------------------------------

bool TIniFile::Stamp::operator==(const Stamp &o) const
{
    return exists == o.exists && size == o.size && modified == o.modified && changed == o.changed
        && node == o.node && device == o.device;
}

TIniFile::Stamp TIniFile::StampOf(const QString &fileName)
{
    Stamp stamp;
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = st.st_size;
    stamp.modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changed = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.node = st.st_ino;
    stamp.device = st.st_dev;
#else
    const QFileInfo info(fileName);
    stamp.exists = info.exists();
    stamp.size = info.size();
    stamp.modified = info.lastModified().toMSecsSinceEpoch();
    stamp.changed = info.metadataChangeTime().toMSecsSinceEpoch();
#endif
    return stamp;
}

TIniFile::TIniFile(const QString &fileName)
    : m_fileName(fileName)
{
}

TIniFile::TIniFile(const TIniFile &other)
    : m_fileName(other.m_fileName)
{
}

TIniFile &TIniFile::operator=(const TIniFile &other)
{
    if (this != &other) {
        m_fileName = other.m_fileName;
        m_doc.reset();
        m_batchDepth = 0;
        m_unsaved = false;
    }
    return *this;
}

TIniFile::~TIniFile() = default;

// The parsed file: parsed at the first call and again whenever the file on
// disk is no longer the one parsed; inside a batch, the batch's copy.
TIniFile::Document &TIniFile::Current() const
{
    if (m_doc && m_batchDepth > 0)
        return *m_doc;
    const Stamp stamp = StampOf(m_fileName);
    if (!m_doc || !(stamp == m_stamp)) {
        m_doc = Document::Load(m_fileName);
        m_stamp = stamp;
    }
    return *m_doc;
}

void TIniFile::Changed()
{
    if (m_batchDepth > 0)
        m_unsaved = true;
    else
        Save();
}

void TIniFile::Save()
{
    m_unsaved = false;
    try {
        m_doc->Save(m_fileName);
    } catch (...) {
        m_doc.reset(); // what is in memory is not on disk: read the disk again
        throw;
    }
    m_stamp = StampOf(m_fileName);
}

void TIniFile::Batch(const std::function<void()> &work)
{
    if (m_batchDepth > 0) {
        work();
        return;
    }
    Current();
    m_batchDepth = 1;
    try {
        work();
    } catch (...) {
        m_batchDepth = 0;
        if (m_unsaved)
            Save();
        throw;
    }
    m_batchDepth = 0;
    if (m_unsaved)
        Save();
}

bool TIniFile::IsStorableSection(const QString &section)
{
    const QString name = TrimBlanks(section);
    return !name.isEmpty() && !name.contains(QLatin1Char(']')) && !HasLineBreak(name) && !HasNul(name);
}

bool TIniFile::IsStorableKey(const QString &key)
{
    const QString name = TrimBlanks(key);
    return !name.isEmpty() && !IsComment(name) && !name.startsWith(QLatin1Char('['))
        && !name.contains(QLatin1Char('=')) && !HasLineBreak(name) && !HasNul(name);
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    return Current().Value(section, key).value_or(def);
}

int32_t TIniFile::ReadInteger(const QString &section, const QString &key, int32_t def) const
{
    int32_t value = 0;
    return TryStrToInt(ReadString(section, key, QString()), value) ? value : def;
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const QString &section, const QString &key, double def) const
{
    double value = 0;
    return TryStrToFloat(ReadString(section, key, QString()), value) ? value : def;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    CheckNames(section, key);
    if (Current().SetValue(section, key, StoredValue(value)))
        Changed();
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int32_t value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::WriteFloat(const QString &section, const QString &key, double value)
{
    WriteString(section, key, FloatToStr(value));
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    return Current().Keys(section);
}

QStringList TIniFile::ReadSections() const
{
    return Current().Sections();
}

bool TIniFile::SectionExists(const QString &section) const
{
    return Current().HasSection(section);
}

void TIniFile::EraseSection(const QString &section)
{
    Document &doc = Current();
    if (!doc.HasSection(section))
        return;
    doc.EraseSection(section);
    Changed();
}
