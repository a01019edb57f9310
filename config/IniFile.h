#pragma once
// Profile-style INI file.  Sections and keys match without regard to letter
// case; keys keep their file order; comments and unknown lines are kept.
//
// One TIniFile serves one operation (a load, a save, a dialog action): it
// parses the file at its first use and works on that copy.  Each later call
// checks the file's size, times and identity first and parses it again when
// another program changed it in between.
//
// Every write reaches the disk before it returns, atomically (temporary
// file, flush, rename).  Inside Batch() the writes are saved together, once,
// when the batch ends.  A write that cannot be made throws EIniFileException
// "Unable to write to <full path>" and leaves the file as it was; so does
// any write to a file that exists but cannot be read.
//
// Lines end with CR LF, LF or a CR alone; only ";" at the start of a line
// makes a comment.  Names and values are taken without the blanks at their
// ends, in reads and writes alike.  A value is one line: CR LF, CR and LF
// in a written value each become a space.  A section or key name the file
// cannot hold (see IsStorableSection, IsStorableKey) is refused with an
// EIniFileException before anything is written.  A write that changes
// nothing leaves the file alone.
//
// On disk the text is GB18030.  A file that starts with a UTF-8 byte-order
// mark, or whose bytes are valid UTF-8 holding a character of three bytes
// or more, is read and written back as UTF-8.  Lines a write did not change
// keep their bytes, line ends included, and read the same afterwards: a
// write that would make the file look like the other encoding marks it
// (a byte-order mark, or a first comment line in GB18030).
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

class TIniFile
{
public:
    explicit TIniFile(const QString &fileName);
    TIniFile(const TIniFile &other);
    TIniFile &operator=(const TIniFile &other);
    ~TIniFile();

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
    // Section names in file order, each once.
    QStringList ReadSections() const;
    bool SectionExists(const QString &section) const;
    void EraseSection(const QString &section);

    // Runs `work` with the writes it makes (through this object) held in
    // memory and saves them as one atomic write when it returns; reads
    // inside see them.  When `work` throws, the writes made before the
    // throw are saved all the same and the exception goes on (a save that
    // fails throws its write error instead).  A batch inside a batch joins
    // the outer one.
    void Batch(const std::function<void()> &work);

    // Section and key names the file can hold: not empty after the blanks at
    // their ends, no line break and no NUL; a section name without "]"; a
    // key name without "=" that does not start with ";" or "[".
    static bool IsStorableSection(const QString &section);
    static bool IsStorableKey(const QString &key);

private:
    struct Document;
    struct Stamp
    {
        bool exists = false;
        int64_t size = 0;
        int64_t modified = 0;
        int64_t changed = 0;
        uint64_t node = 0;
        uint64_t device = 0;
        bool operator==(const Stamp &o) const;
    };
    static Stamp StampOf(const QString &fileName);

    Document &Current() const;
    void Changed();
    void Save();

    QString m_fileName;
    mutable std::unique_ptr<Document> m_doc;
    mutable Stamp m_stamp;
    int m_batchDepth = 0;
    bool m_unsaved = false;
};
