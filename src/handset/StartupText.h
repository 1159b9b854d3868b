#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// One write of the startup text: up to 8 bytes at an address.
struct TTextBlock {
    std::uint16_t address = 0;
    QByteArray bytes;
    // "48454C4C4F202020": the digits that WriteCellsHex takes.
    [[nodiscard]] QString HexDigits() const;
    // "0196 48 45 4C 4C 4F 20 20 20"
    [[nodiscard]] QString Report() const;
};

// A character the handset cannot store: no Windows-1252 byte, or a control character.
struct TUnstorableCharacter {
    QString character; // one character, also when it takes two UTF-16 units
    int line = 0;      // 1 to 3
};

// The startup text a handset shows when it is switched on: one line of 10
// characters, or (the three-line models) three lines of 12, one Windows-1252
// byte per character, blank-padded.
class TStartupText {
public:
    static constexpr int kOneLineLength = 10;
    static constexpr int kLineLength = 12;
    static constexpr int kThreeLineBlocks = 6;
    static constexpr int kBlockSize = 8;

    // lines: the texts of line 1, 2 and 3 (missing ones count as empty). One
    // line writes the first 10 characters of line 1, blank-padded: 8 bytes at
    // 0196h and 2 at 019Eh. Three lines write 36 characters and then zeros,
    // in six blocks of 8 from 0196h to 01C5h.
    struct TEncoded {
        std::vector<TTextBlock> blocks;
        std::optional<TUnstorableCharacter> refused; // blocks is empty then
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

    // The text appended with blanks to length (a longer text is unchanged).
    [[nodiscard]] static QString PadLine(const QString& text, int length);
    // The first character of text that the handset cannot store.
    [[nodiscard]] static std::optional<QString> FirstUnstorable(const QString& text);
};
