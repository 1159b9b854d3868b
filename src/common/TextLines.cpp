#include "TextLines.h"

namespace tbtext {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view line)
{
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

} // namespace

TextLines SplitTextLines(std::string_view text)
{
    TextLines result;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        result.utf8Bom = true;
        text.remove_prefix(3);
    }
    // An end-of-file byte counts only after the last line: a 1Ah amid the
    // text stays part of it, for the reader to judge.
    size_t tail = text.size();
    while (tail > 0 &&
           (text[tail - 1] == '\x1A' || text[tail - 1] == '\r' || text[tail - 1] == '\n' || IsBlank(text[tail - 1])))
        --tail;
    if (const size_t eof = text.find('\x1A', tail); eof != std::string_view::npos)
        text = text.substr(0, eof);

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            result.lines.push_back(Trimmed(text.substr(start)));
            break;
        }
        result.lines.push_back(Trimmed(text.substr(start, end - start)));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return result;
}

} // namespace tbtext
