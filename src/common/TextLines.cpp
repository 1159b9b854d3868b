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

TextLineReader::TextLineReader(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        m_utf8Bom = true;
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
    m_text = text;
}

bool TextLineReader::Next(std::string_view& line)
{
    if (m_start >= m_text.size())
        return false;
    const size_t end = m_text.find_first_of("\r\n", m_start);
    if (end == std::string_view::npos) {
        line = Trimmed(m_text.substr(m_start));
        m_start = m_text.size();
        return true;
    }
    line = Trimmed(m_text.substr(m_start, end - m_start));
    m_start = end + (m_text[end] == '\r' && end + 1 < m_text.size() && m_text[end + 1] == '\n' ? 2 : 1);
    return true;
}

TextLines SplitTextLines(std::string_view text)
{
    TextLineReader reader(text);
    TextLines result;
    result.utf8Bom = reader.Utf8Bom();
    for (std::string_view line; reader.Next(line);)
        result.lines.push_back(line);
    return result;
}

} // namespace tbtext
