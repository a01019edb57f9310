#pragma once
// Profile-style INI file.  Sections and keys match without regard to letter
// case; keys keep their file order; comments and unknown lines are kept.
// Every write reaches the disk before it returns, atomically (temporary file,
// flush, rename).  A write that cannot be made throws EIniFileException
// "Unable to write to <full path>" and leaves the file as it was.
// On disk the text is GB18030; a file that starts with a UTF-8 byte-order
// mark is read (and written back) as UTF-8.
#include <QString>
#include <QStringList>
#include <cstdint>

class TIniFile
{
public:
    explicit TIniFile(const QString &fileName);

    const QString &FileName() const { return m_fileName; }

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, or hexadecimal with 0x/0X/$; a missing or unparsable value gives def.
    int32_t ReadInteger(const QString &section, const QString &key, int32_t def) const;
    // Integer text, non-zero is true.
    bool ReadBool(const QString &section, const QString &key, bool def) const;
    // General or exponent notation with "."; missing, empty or unparsable gives def.
    double ReadFloat(const QString &section, const QString &key, double def) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int32_t value);
    void WriteBool(const QString &section, const QString &key, bool value);
    void WriteFloat(const QString &section, const QString &key, double value);

    // Key names of a section in file order (empty when there is no section).
    QStringList ReadSection(const QString &section) const;
    bool SectionExists(const QString &section) const;
    void EraseSection(const QString &section);

private:
    QString m_fileName;
};

// The configuration file "Tavorin.ini": the executable's path with the
// extension replaced by ".ini".  Tests may point it elsewhere.
QString ConfigFileName();
void SetConfigFileNameForTest(const QString &fileName);
