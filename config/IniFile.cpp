#include "IniFile.h"

#include "common/Exceptions.h"
#include "common/FileWrite.h"
#include "common/NumberText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>
#include <vector>

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");
const char *const AnsiCodec = "GB18030";

QString g_configFileNameForTest;

enum class LineKind { Other, Section, Key };

// One line of the file as it stands, with what it means: a section header
// (name), a key line (name and value) or anything else, kept verbatim.
struct IniLine
{
    QString text;
    LineKind kind = LineKind::Other;
    QString name;
    QString value;
};

bool IsComment(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

IniLine ParseLine(const QString &text)
{
    IniLine line;
    line.text = text;
    const QString trimmed = TrimBlanks(text);
    if (IsComment(trimmed))
        return line;
    if (trimmed.startsWith(QLatin1Char('['))) {
        const int close = trimmed.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = TrimBlanks(trimmed.mid(1, close - 1));
        }
        return line;
    }
    const int equals = trimmed.indexOf(QLatin1Char('='));
    const QString key = TrimBlanks(trimmed.left(equals));
    if (equals < 0 || key.isEmpty())
        return line;
    line.kind = LineKind::Key;
    line.name = key;
    line.value = TrimBlanks(trimmed.mid(equals + 1));
    return line;
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString FullPath(const QString &fileName)
{
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
}

[[noreturn]] void ThrowWriteError(const QString &fileName)
{
    throw EIniFileException(QStringLiteral("Unable to write to ") + FullPath(fileName));
}

// The whole file in memory.  Each operation loads it, works on the lines
// and, when it changes something, saves it again.
class IniDocument
{
public:
    static IniDocument Load(const QString &fileName);
    void Save(const QString &fileName) const;

    std::optional<QString> Value(const QString &section, const QString &key) const;
    QStringList Keys(const QString &section) const;
    bool HasSection(const QString &section) const { return FindSection(section) >= 0; }

    void SetValue(const QString &section, const QString &key, const QString &value);
    void EraseSection(const QString &section);

private:
    int FindSection(const QString &section, int from = 0) const;
    int SectionEnd(int header) const;
    int FindKey(int header, const QString &key) const;
    int LastKeyLine(int header) const;
    void Insert(int at, const QString &text);
    QByteArray Encode() const;

    std::vector<IniLine> m_lines;
    bool m_utf8 = false;
};

IniDocument IniDocument::Load(const QString &fileName)
{
    IniDocument doc;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return doc;
    QByteArray bytes = file.readAll();
    QString text;
    if (bytes.startsWith(Utf8Bom)) {
        doc.m_utf8 = true;
        text = QString::fromUtf8(bytes.mid(Utf8Bom.size()));
    } else {
        QStringDecoder decoder(AnsiCodec);
        text = decoder.decode(bytes);
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        doc.m_lines.push_back(ParseLine(line));
    }
    return doc;
}

QByteArray IniDocument::Encode() const
{
    QString text;
    for (const IniLine &line : m_lines)
        text += line.text + QStringLiteral("\r\n");
    if (m_utf8)
        return Utf8Bom + text.toUtf8();
    QStringEncoder encoder(AnsiCodec);
    return encoder.encode(text);
}

void IniDocument::Save(const QString &fileName) const
{
    if (!WriteFileAtomically(fileName, Encode()))
        ThrowWriteError(fileName);
}

int IniDocument::FindSection(const QString &section, int from) const
{
    for (int i = from; i < int(m_lines.size()); ++i) {
        if (m_lines[i].kind == LineKind::Section && SameName(m_lines[i].name, section))
            return i;
    }
    return -1;
}

int IniDocument::SectionEnd(int header) const
{
    int i = header + 1;
    while (i < int(m_lines.size()) && m_lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

int IniDocument::FindKey(int header, const QString &key) const
{
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key && SameName(m_lines[i].name, key))
            return i;
    }
    return -1;
}

int IniDocument::LastKeyLine(int header) const
{
    int last = header;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key)
            last = i;
    }
    return last;
}

void IniDocument::Insert(int at, const QString &text)
{
    m_lines.insert(m_lines.begin() + at, ParseLine(text));
}

std::optional<QString> IniDocument::Value(const QString &section, const QString &key) const
{
    const int header = FindSection(section);
    const int line = header < 0 ? -1 : FindKey(header, key);
    if (line < 0)
        return std::nullopt;
    return m_lines[line].value;
}

QStringList IniDocument::Keys(const QString &section) const
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

void IniDocument::SetValue(const QString &section, const QString &key, const QString &value)
{
    int header = FindSection(section);
    if (header < 0) {
        header = int(m_lines.size());
        Insert(header, QLatin1Char('[') + section + QLatin1Char(']'));
    }
    const int line = FindKey(header, key);
    if (line >= 0)
        m_lines[line] = ParseLine(m_lines[line].name + QLatin1Char('=') + value);
    else
        Insert(LastKeyLine(header) + 1, key + QLatin1Char('=') + value);
}

void IniDocument::EraseSection(const QString &section)
{
    for (int header = FindSection(section); header >= 0; header = FindSection(section, header))
        m_lines.erase(m_lines.begin() + header, m_lines.begin() + SectionEnd(header));
}

} // namespace

TIniFile::TIniFile(const QString &fileName)
    : m_fileName(fileName)
{
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    return IniDocument::Load(m_fileName).Value(section, key).value_or(def);
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
    IniDocument doc = IniDocument::Load(m_fileName);
    doc.SetValue(section, key, value);
    doc.Save(m_fileName);
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
    return IniDocument::Load(m_fileName).Keys(section);
}

bool TIniFile::SectionExists(const QString &section) const
{
    return IniDocument::Load(m_fileName).HasSection(section);
}

void TIniFile::EraseSection(const QString &section)
{
    IniDocument doc = IniDocument::Load(m_fileName);
    if (!doc.HasSection(section))
        return;
    doc.EraseSection(section);
    doc.Save(m_fileName);
}

QString ConfigFileName()
{
    if (!g_configFileNameForTest.isEmpty())
        return g_configFileNameForTest;
    const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + baseName + QStringLiteral(".ini");
}

void SetConfigFileNameForTest(const QString &fileName)
{
    g_configFileNameForTest = fileName;
}
