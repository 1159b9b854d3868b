#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "WriteVerdict.h"

// One write of the startup text: up to 8 bytes at an address.
struct TTextBlock {
    std::uint16_t address = 0;
    QByteArray bytes;
    // "48454C4C4F202020": the digits that WriteCellsHex takes.
    [[nodiscard]] QString HexDigits() const;
    // "0196 48 45 4C 4C 4F 20 20 20"
    [[nodiscard]] QString Report() const;
};

// Why a text is refused before anything is written: a character the handset
// cannot store (no Windows-1252 byte, or a control character), a line longer
// than the layout's cells, or more lines than the layout has.
struct TTextRefusal {
    enum class Reason { UnstorableCharacter, LineTooLong, TooManyLines };
    Reason reason = Reason::UnstorableCharacter;
    int line = 0;      // 1 to 3; TooManyLines: the number of lines given
    int length = 0;    // LineTooLong: the line's characters
    int limit = 0;     // LineTooLong: characters per line; TooManyLines: lines of the layout
    QString character; // UnstorableCharacter: one character, also when it takes two UTF-16 units
};

// Before three lines go into a handset: the 48 cells they take from 0196h
// hold other settings on a one-line model.
enum class TTextLayoutRule {
    Fits,
    NoThreeLineSign, // neither text past the first 10 characters nor the 8240/8280 marker
};
using TTextLayoutDecision = TWriteDecision<TTextLayoutRule>;

// The startup text a handset shows when it is switched on: one line of 10
// characters, or (the three-line models) three lines of 12, one Windows-1252
// byte per character, blank-padded.
class TStartupText {
public:
    static constexpr int kOneLineLength = 10;
    static constexpr int kLineLength = 12;
    static constexpr int kThreeLineBlocks = 6;
    static constexpr int kBlockSize = 8;

    // lines: the texts of the layout's lines (missing ones count as empty).
    // One line writes line 1 blank-padded to 10 characters: 8 bytes at 0196h
    // and 2 at 019Eh. Three lines write 36 characters and then zeros, in six
    // blocks of 8 from 0196h to 01C5h. A text that does not fit is refused,
    // never cut: the handset would show another text than the one typed.
    struct TEncoded {
        std::vector<TTextBlock> blocks;
        std::optional<TTextRefusal> refused; // blocks is empty then
    };
    [[nodiscard]] static TEncoded Encode(const QStringList& lines, bool threeLine);

    // The bytes that Encode would write for the characters alone (10 or 36).
    [[nodiscard]] static int TextBytes(bool threeLine) { return threeLine ? 3 * kLineLength : kOneLineLength; }
    // Stored bytes back to lines, trailing blanks removed, control bytes shown as \xHH.
    [[nodiscard]] static QStringList Decode(const QByteArray& bytes, bool threeLine);

    // The bytes of the three-line extent (36) read without knowing the model:
    // a three-line text when the bytes past the one-line text are text too
    // (a one-line model keeps other cells there, or erased FFh), with its empty last lines
    // left out; else the one line.
    [[nodiscard]] static QStringList DecodeEitherLayout(const QByteArray& bytes);
    // The three-line extent as DecodeEitherLayout judges it: text past the first 10 characters.
    [[nodiscard]] static bool LooksThreeLine(const QByteArray& bytes);
    // Whether the layout fits the handset, from its own cells: the three-line
    // extent (nothing when it could not be read) and the model marker at 001Dh.
    // One line always fits; three lines without a sign of a three-line model are asked.
    [[nodiscard]] static TTextLayoutDecision JudgeLayout(bool threeLine, const std::optional<QByteArray>& stored,
                                                         std::optional<std::uint8_t> marker);

    // The text appended with blanks to length (a longer text is unchanged).
    [[nodiscard]] static QString PadLine(const QString& text, int length);
    // The first character of text that the handset cannot store.
    [[nodiscard]] static std::optional<QString> FirstUnstorable(const QString& text);
};
