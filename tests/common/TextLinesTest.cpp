#include "TextLines.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string_view>;

TEST(TextLines, TakesTheFilesOfCommonEditors)
{
    const struct {
        std::string_view text;
        Lines lines;
        bool bom = false;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb\n\rc", {"a", "", "b", "", "c"}},
        {"\xEF\xBB\xBF"
         "a\n",
         {"a"},
         true},
        {" \ta b \t\r\n  \n", {"a b", ""}},
        {"a\r\n\x1A", {"a"}},
        {"a\x1A", {"a"}},
        {"a\r\n\x1A\x1A\r\n", {"a"}},
        {"a\x1A"
         "b\n",
         {"a\x1A"
          "b"}},
        {"", {}},
        {"\xEF\xBB\xBF", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        const tbtext::TextLines result = tbtext::SplitTextLines(c.text);
        EXPECT_EQ(result.lines, c.lines);
        EXPECT_EQ(result.utf8Bom, c.bom);
    }
}

} // namespace
