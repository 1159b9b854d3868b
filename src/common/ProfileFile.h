#pragma once

#include "BoundedFile.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// An INI file read and written with the rules of the Windows profile-string
// functions and of the classic INI class built on them (Tunebench.ini,
// config.ini, *.lng). QSettings is not used because it splits lists at commas
// and percent-escapes names and values.
//
// Reading
// - Section and key names match without regard to case; names are trimmed.
//   With repeated sections or keys, the first one in the file counts.
// - A value is the text after the first "=", trimmed; a value enclosed in a
//   matching pair of double or single quotes loses them. At most 2047
//   characters of it are returned.
// - Trimming removes only the profile functions' blanks: space, tab, the line
//   break characters, vertical tab, form feed and ^Z (1Ah); a no-break space
//   stays. A name or value ends at a NUL, as a C string does.
// - Lines whose first non-blank character is ";" are comments; lines without
//   "=" and lines before the first section are no keys. All of them are kept.
// - Bytes are Windows-1252 (or UTF-8 for a file opened as such). A file that
//   begins with a byte order mark is read as UTF-8 or UTF-16 (little- or
//   big-endian) instead and written back so, with the mark. Lines end in
//   CR LF, LF or CR alone. Control bytes are text like any other.
// - A missing or unreadable file reads as empty: every read gives its default.
//   So does what is no regular file (a FIFO, a device) and a file beyond the
//   limit of its kind (BoundedFile.h: a settings or a language file); their
//   reason is in ReadProblem() and no write replaces them.
// - Of a line longer than kMaxLineBytes only the start is read; a file with
//   such a line is read but never rewritten (a write fails and says why).
//
// Writing
// - Every Write*/EraseSection/DeleteKey writes the file at once (between
//   BeginUpdate and EndUpdate: once, at EndUpdate), atomically (WriteFileAtomically):
//   a failed write leaves the old file whole. The file is re-read first if it changed on disk, so two
//   objects on one file (or another program) do not undo each other's writes.
// - Only the changed lines are touched; every other byte stays as it was,
//   including comments, blank lines, odd spacing and each line's end. New
//   lines end in CR LF. A new key goes after the last key of its section; a
//   new section goes at the end of the file, after one blank line.
// - A changed key line is written as "Name=Value" with the name as it stands
//   in the file. Characters that Windows-1252 lacks are written as "?".
// - A write returns false, with the reason in ErrorString(), when the file
//   cannot be written (nothing of it is lost: the old file stays whole) or
//   when the text cannot be represented in the format: a line break or a NUL
//   in a name or value, an empty name, a key name holding "=" or beginning with "[" or ";".
class TProfileFile {
public:
    static constexpr int kMaxValueLength = 2047;
    static constexpr qsizetype kMaxLineBytes = 16 * 1024;

    enum class TEncoding { Windows1252, Utf8 };
    explicit TProfileFile(QString path, TEncoding encoding = TEncoding::Windows1252,
                          TFileKind kind = TFileKind::Settings);

    [[nodiscard]] const QString& Path() const { return m_path; }

    [[nodiscard]] QString ReadString(const QString& section, const QString& key,
                                     const QString& defaultValue = QString()) const;
    // The classic INI class's integer: the whole value is a decimal number, or a
    // hexadecimal one after "$" or "0x", with an optional sign and leading
    // blanks; anything else (also "12abc") and a missing value give the default.
    [[nodiscard]] int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // An integer as above; 0 is false, any other integer true.
    [[nodiscard]] bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);
    // Writes 1 or 0.
    bool WriteBool(const QString& section, const QString& key, bool value);

    // Section names in file order, each once (in its first spelling).
    [[nodiscard]] QStringList Sections() const;
    // Key names of the (first) section of that name in file order, each once.
    [[nodiscard]] QStringList Keys(const QString& section) const;
    // True when the section holds at least one key: an empty section counts as
    // absent, as with the classic INI class.
    [[nodiscard]] bool SectionExists(const QString& section) const;
    [[nodiscard]] bool KeyExists(const QString& section, const QString& key) const;

    // Removes every section of that name with all its lines.
    bool EraseSection(const QString& section);
    // Removes the key's line; true also when there was no such key.
    bool DeleteKey(const QString& section, const QString& key);

    // Batches writes: the file is written once, by the outermost EndUpdate,
    // which returns whether that succeeded (and whether every write in the
    // batch was representable).
    void BeginUpdate();
    bool EndUpdate();

    // Why the last failed write failed (also set when the file could not be read).
    [[nodiscard]] const QString& ErrorString() const { return m_error; }
    // The lines, counted from 1, that are neither blank, a comment, a section
    // header nor a key with its "=" (a section name without its "]", a key
    // without "="), decoded and trimmed: what a checker of the file reports.
    [[nodiscard]] std::vector<std::pair<int, QString>> LinesOfNoKind() const;

    // Why the file on disk could not be read (unreadable, too large, no regular file); empty when it could.
    [[nodiscard]] QString ReadProblem() const
    {
        EnsureLoaded();
        return m_readProblem;
    }

private:
    enum class TLineKind { Other, Blank, Comment, Section, Key };
    enum class TText { Windows1252, Utf8, Utf16Le, Utf16Be };
    struct TLine {
        QByteArray raw; // without its line end (and without a byte order mark)
        QByteArray eol; // "\r\n", "\n" or "" for a last line without one
        TLineKind kind = TLineKind::Other;
        QString name;     // section or key name, trimmed
        QString value;    // key value, trimmed, quotes still on
        bool cut = false; // longer than kMaxLineBytes: only its start is here
    };
    struct TSection {
        QString name;
        int header = 0;           // line index of "[name]"
        int end = 0;              // one past its last line
        QHash<QString, int> keys; // case-folded key name -> line of its first occurrence
        QStringList keyOrder;
    };
    struct TFileStamp {
        bool exists = false;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        quint64 inode = 0;
        bool operator==(const TFileStamp&) const = default;
    };

    void EnsureLoaded() const;
    void Load() const;
    void ReadLines(const QByteArray& bytes) const;
    [[nodiscard]] TFileStamp CurrentStamp() const;
    void ParseLine(TLine& line) const;
    void Reindex() const;
    [[nodiscard]] const TSection* FindSection(const QString& name) const;
    [[nodiscard]] const TLine* FindKey(const QString& section, const QString& key) const;
    [[nodiscard]] QByteArray Encode(const QString& text) const;
    [[nodiscard]] QString Decode(const QByteArray& bytes) const;
    [[nodiscard]] QByteArray ByteOrderMark() const;
    [[nodiscard]] bool IsUtf16() const { return m_text == TText::Utf16Le || m_text == TText::Utf16Be; }
    void InsertLine(int index, const QString& text);
    void ReplaceLine(int index, const QString& text);
    bool Fail(const QString& reason);
    bool BeginChange();
    bool Commit();
    [[nodiscard]] bool Save();

    QString m_path;
    mutable std::vector<TLine> m_lines;
    mutable std::vector<TSection> m_sections;
    mutable QHash<QString, int> m_firstSection; // case-folded name -> index into m_sections
    bool m_utf8Default = false;
    TFileKind m_kind = TFileKind::Settings;
    mutable TText m_text = TText::Windows1252;
    mutable bool m_bom = false;
    mutable QString m_readProblem;
    mutable bool m_loaded = false;
    mutable TFileStamp m_stamp;
    mutable QString m_error;
    mutable bool m_readFailed = false;
    int m_updateDepth = 0;
    bool m_dirty = false;
    bool m_batchFailed = false;
};
