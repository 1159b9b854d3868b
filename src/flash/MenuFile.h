#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

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

    // The lines of the file's bytes as tbtext::SplitTextLines reads them (any
    // line end, outer blanks trimmed, byte-order mark and a final 1Ah dropped);
    // Windows-1252 text, UTF-8 after a byte-order mark.
    [[nodiscard]] static QStringList SplitLines(const QByteArray& bytes);
    // Reads the file within the limit of a menu file (BoundedFile.h); false with
    // `error` set (the reason, without the path) when it cannot or may not.
    [[nodiscard]] static bool Load(const QString& path, QStringList& lines, QString& error);

    [[nodiscard]] static bool IsSkipped(const QString& line);
    [[nodiscard]] static TMenuLine ReadLine(const QString& line);
    // The first bad line, or the number of writes of a sound file.
    [[nodiscard]] static TMenuCheck Check(const QStringList& lines);

    // done / total * 100, rounded to the nearest whole number, an exact half
    // to the even neighbour (1 of 8 gives 12); 0 for an empty file.
    [[nodiscard]] static int GaugePercent(int done, int total);

    [[nodiscard]] static QString ProblemText(const TMenuLine& line, const TMenuProblemTexts& texts = {});
    // "line N: reason"
    [[nodiscard]] static QString CheckText(const TMenuCheck& check, const TMenuProblemTexts& texts = {});
};
