#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Line-oriented text files as editors leave them, for the Intel HEX reader of
// the loaders and for menu files alike: a UTF-8 byte-order mark at the start,
// CR LF, LF or CR line ends (mixed too), blanks and tabs around a line, and
// an end-of-file byte 1Ah after the last line are all taken in stride.
// Standard C++ only, so the loader libraries can build it in.
namespace tbtext {

struct TextLines {
    bool utf8Bom = false;                // the text began with EF BB BF
    std::vector<std::string_view> lines; // without their line ends and outer blanks
};

// The lines one at a time, as SplitTextLines lists them: a reader of a huge
// file holds only the lines it keeps.
class TextLineReader {
public:
    explicit TextLineReader(std::string_view text);
    [[nodiscard]] bool Utf8Bom() const { return m_utf8Bom; }
    // The next line (a view into the text), false after the last one.
    bool Next(std::string_view& line);

private:
    std::string_view m_text;
    size_t m_start = 0;
    bool m_utf8Bom = false;
};

// Lines keep their place, so index + 1 is the line number an editor shows. A
// last line without its end counts; the end of the last line adds no empty
// line. The views point into `text`.
TextLines SplitTextLines(std::string_view text);

} // namespace tbtext
