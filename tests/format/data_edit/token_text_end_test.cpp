// The token readers of patterns and templates stop at the closing 0 cell of
// a program text: a text cut short inside an escape is refused without a
// look at the cells after its end. The texts here end right before a page
// the process may not read, so a look past the end stops the test.

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "format/data_edit/format_token.h"
#include "format/data_edit/regex_token.h"
#include "format/data_edit/ride_zodoz_result.h"
#include "tests/format/data_edit/cell_test_support.h"

namespace {

// `text` and its closing 0 cell as the last cells of a readable page.
class TextAtPageEnd {
public:
    explicit TextAtPageEnd(std::string const& text)
    {
        page_ = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        void* const map = ::mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) {
            return;
        }
        base_ = static_cast<unsigned char*>(map);
        if (::mprotect(base_ + page_, page_, PROT_NONE) != 0) {
            return;
        }
        cells_ = reinterpret_cast<DecodeDataByte*>(base_ + page_) - (text.size() + 1);
        for (std::size_t i = 0; i < text.size(); ++i) {
            cells_[i] = cell_test::Cell(static_cast<unsigned char>(text[i]));
        }
        cells_[text.size()] = DecodeDataByte();
    }
    ~TextAtPageEnd()
    {
        if (base_ != nullptr) {
            ::munmap(base_, 2 * page_);
        }
    }
    TextAtPageEnd(TextAtPageEnd const&) = delete;
    TextAtPageEnd& operator=(TextAtPageEnd const&) = delete;

    DecodeDataByte const* Cells() const { return cells_; }

private:
    std::size_t page_ = 0;
    unsigned char* base_ = nullptr;
    DecodeDataByte* cells_ = nullptr;
};

TEST(TokenTextEnd, TemplatePointEscapeCutShortIsRefused)
{
    for (char const* text : {"\\P", "\\D", "\\S", "\\x", "\\x4", "\\Pf", "\\Pf4", "\\P1", "\\Df", "\\A"}) {
        TextAtPageEnd const cells(text);
        ASSERT_NE(cells.Cells(), nullptr);
        FormatToken token;
        EXPECT_NE(token.ConvertFromString(cells.Cells(), nullptr), ride_zodoz_result::kOk) << text;
    }
}

// Other tokens cut short: a call name, a label reference, an AI.
TEST(TokenTextEnd, TemplateTokensCutShortAreRefused)
{
    for (char const* text : {"$", "$D", "[", "[1", "[1,", "\\A0", "\\A01", "\\Sa", "\\Sa[", "\\Pa["}) {
        TextAtPageEnd const cells(text);
        ASSERT_NE(cells.Cells(), nullptr);
        FormatToken token;
        EXPECT_NE(token.ConvertFromString(cells.Cells(), nullptr), ride_zodoz_result::kOk) << text;
    }
}

TEST(TokenTextEnd, PatternTokensCutShortAreRefused)
{
    for (char const* text : {"\"$", "\"$D", "\"[", "\"[1", "]", "]a", "(?", "{", "{1,", "\\S", "\\E", "\\A0"}) {
        TextAtPageEnd const cells(text);
        ASSERT_NE(cells.Cells(), nullptr);
        RegexToken::ResetReader();
        RegexToken token;
        EXPECT_NE(token.ConvertFromString(cells.Cells(), nullptr), ride_zodoz_result::kOk) << text;
        RegexToken::ResetReader();
    }
}

TEST(TokenTextEnd, PatternPointEscapeCutShortIsRefused)
{
    for (char const* text : {"\"\\P", "\"\\D", "\"\\S", "\"\\x", "\"\\x4", "\"\\Pf", "\"\\Pf4", "\"\\P1", "\"\\Df"}) {
        TextAtPageEnd const cells(text);
        ASSERT_NE(cells.Cells(), nullptr);
        RegexToken::ResetReader();
        RegexToken token;
        EXPECT_NE(token.ConvertFromString(cells.Cells(), nullptr), ride_zodoz_result::kOk) << text;
        RegexToken::ResetReader();
    }
}

}  // namespace
