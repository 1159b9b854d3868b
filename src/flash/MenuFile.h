#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <vector>

// Menu files: plain Windows-1252 (or UTF-8 with its byte-order mark) text, one EEPROM write per line, played into
// a handset by the Download page and by `tunebench-cli menu`. A line is upper-
// cased before it is read; an empty or blank line, or one that holds "REM"
// anywhere, is skipped. The others hold, separated by runs of blanks:
//   count  address-low  address-high  data...
// each a byte in one or two hexadecimal digits, with exactly `count` data
// bytes. A file is checked whole before anything is sent, so a mistake late in
// the file cannot leave a handset half-written.

enum class TMenuLineProblem {
    None,
    TooManyFields,     // more than 32 fields
    FieldNotHex,       // `field` is not one or two hexadecimal digits
    CountOutOfRange,   // field 1 is 0 or above 29
    DataCountMismatch, // `dataFields` data bytes where field 1 announces `count`
    PastLastAddress,   // the bytes would run past FFFFh
};

// A menu file's lines: its bytes as read, and where each line that holds
// anything lies, with its number in the file. An empty line costs nothing, any
// other 12 bytes beside its own text, so a file costs little more than its size.
// Indexes count the lines kept; messages name a line by its Number.
class TMenuLines {
public:
    TMenuLines() = default;
    // Lines as they are, numbered from 1 (a file already split, a test's lines).
    TMenuLines(const QStringList& lines); // NOLINT(google-explicit-constructor)
    TMenuLines(std::initializer_list<QString> lines) : TMenuLines(QStringList(lines)) {}

    [[nodiscard]] int size() const { return static_cast<int>(m_spans.size()); }
    [[nodiscard]] bool isEmpty() const { return m_spans.empty(); }
    [[nodiscard]] QString operator[](int i) const;
    // Its line number in the file, counted from 1.
    [[nodiscard]] int Number(int i) const { return static_cast<int>(m_spans[size_t(i)].number); }
    // The file's lines, empty ones included.
    [[nodiscard]] int LineCount() const { return m_lineCount; }
    // The text of line `number` (counted from 1); empty for an empty line.
    [[nodiscard]] QString TextOfLine(int number) const;
    // Every line, empty ones included, for a list that shows the file.
    [[nodiscard]] QStringList AllLines() const;

    class const_iterator {
    public:
        const_iterator(const TMenuLines& lines, int i) : m_lines(&lines), m_i(i) {}
        QString operator*() const { return (*m_lines)[m_i]; }
        const_iterator& operator++()
        {
            ++m_i;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_i == other.m_i; }
        bool operator!=(const const_iterator& other) const { return m_i != other.m_i; }

    private:
        const TMenuLines* m_lines;
        int m_i;
    };
    [[nodiscard]] const_iterator begin() const { return {*this, 0}; }
    [[nodiscard]] const_iterator end() const { return {*this, size()}; }

private:
    friend class TMenuFile;
    struct TSpan {
        std::uint32_t start = 0; // menu files are at most 16 MiB
        std::uint32_t size = 0;
        std::uint32_t number = 0;
    };
    QByteArray m_bytes;
    bool m_utf8 = false; // else Windows-1252
    std::vector<TSpan> m_spans;
    int m_lineCount = 0;
};

struct TMenuWrite {
    std::uint8_t count = 0;
    std::uint8_t addressLow = 0;
    std::uint8_t addressHigh = 0;
    QString dataText; // each data byte as two digits followed by one blank: "20 20 "
};

struct TMenuLine {
    bool skipped = false;
    TMenuWrite write;
    TMenuLineProblem problem = TMenuLineProblem::None;
    int field = 0;      // FieldNotHex: the field, counted from 1
    int dataFields = 0; // DataCountMismatch: the data bytes the line holds
    [[nodiscard]] bool Ok() const { return problem == TMenuLineProblem::None; }
};

struct TMenuCheck {
    int badLine = 0; // counted from 1; 0 when every line is sound
    TMenuLine line;  // the bad line's reading
    int writes = 0;  // lines that are not skipped (all of them when sound)
    [[nodiscard]] bool Ok() const { return badLine == 0; }
};

// The texts of the problems; the page takes them from its hidden labels, the
// command line uses the built-in ones. %1 and %2 are filled as noted.
struct TMenuProblemTexts {
    QString lineFormat = QStringLiteral("line %1: %2"); // line number, reason
    QString tooManyFields = QStringLiteral("more than 32 fields");
    QString fieldNotHex = QStringLiteral("field %1 is not one or two hexadecimal digits");
    QString countOutOfRange = QStringLiteral("the count in field 1 must be 1 to 29 (1 to 1D hexadecimal)");
    QString dataCountMismatch = QStringLiteral("field 1 announces %1 data bytes, the line holds %2");
    QString pastLastAddress = QStringLiteral("the bytes run past address FFFF");
};

class TMenuFile {
public:
    static constexpr int kMaxFields = 32;
    static constexpr int kMaxCount = kMaxFields - 3;

    // The lines of the file's bytes as tbtext::TextLineReader reads them (any
    // line end, outer blanks trimmed, byte-order mark and a final 1Ah dropped);
    // Windows-1252 text, UTF-8 after a byte-order mark.
    [[nodiscard]] static TMenuLines SplitLines(const QByteArray& bytes);
    // Reads the file within the limit of a menu file (BoundedFile.h); false with
    // `error` set (the reason, without the path) when it cannot or may not.
    [[nodiscard]] static bool Load(const QString& path, TMenuLines& lines, QString& error);

    [[nodiscard]] static bool IsSkipped(const QString& line);
    [[nodiscard]] static TMenuLine ReadLine(const QString& line);
    // The first bad line, or the number of writes of a sound file.
    [[nodiscard]] static TMenuCheck Check(const TMenuLines& lines);

    // done / total * 100, rounded to the nearest whole number, an exact half
    // to the even neighbour (1 of 8 gives 12); 0 for an empty file.
    [[nodiscard]] static int GaugePercent(int done, int total);

    [[nodiscard]] static QString ProblemText(const TMenuLine& line, const TMenuProblemTexts& texts = {});
    // "line N: reason"
    [[nodiscard]] static QString CheckText(const TMenuCheck& check, const TMenuProblemTexts& texts = {});
};
