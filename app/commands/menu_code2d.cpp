#include "app/commands/menu_code2d.h"

#include <cctype>
#include <iostream>
#include <string_view>

namespace {

constexpr char kEsc = 0x1B;
constexpr char kCr = 0x0D;
constexpr std::size_t kFrameLength = 14;

bool Printable(std::string_view text)
{
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

// The next token from `at`, read as quoted-string stream extraction reads it: white space
// separates tokens; one that begins with a double quote runs to the closing quote (a
// backslash escapes the next character; without a closing quote, to the end of the text)
// and loses its quotes. False when only white space is left.
bool NextToken(std::string_view text, std::size_t& at, std::string& token)
{
    token.clear();
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
        ++at;
    }
    if (at == text.size()) {
        return false;
    }
    if (text[at] != '"') {
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at]))) {
            token += text[at++];
        }
        return true;
    }
    for (++at; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] == '\\' && at + 1 < text.size()) {
            ++at;
        }
        token += text[at];
    }
    if (at < text.size()) {
        ++at; // the closing quote
    }
    return true;
}

} // namespace

int MenuCode2D::Parse(char const* text, unsigned length, tagSymbology, unsigned, std::vector<char>& out)
{
    if (text == nullptr || length < kMinimumLength) {
        return kMenuOrdinaryLabel;
    }
    std::string_view const label(text, length);
    if (!label.starts_with(kHeader) || !label.ends_with(kTrailer)) {
        return kMenuOrdinaryLabel;
    }
    if (!SplitAndBuildMenuCode(text + kFrameLength, length - 2 * kFrameLength, out) ||
        out.size() > kMaxCommandBytes) {
        out.clear();
        return kMenuRefusedLabel;
    }
    return kMenu2DCommand;
}

bool MenuCode2D::SplitAndBuildMenuCode(char const* text, unsigned length, std::vector<char>& out)
{
    std::string_view const inner(text, length);
    if (!Printable(inner)) {
        return false;
    }
    std::string token;
    out.push_back(kEsc);
    unsigned count = 0;
    for (std::size_t at = 0; NextToken(inner, at, token);) {
        ++count;
        if (count % 2 == 0) {
            if (!token.empty()) {
                std::cerr << token << '\n'; // trace of the parameters; nothing reads it
            }
            PushToMenuCommand(token, out);
            continue;
        }
        std::size_t start = 0;
        for (std::size_t at; (at = token.find('@', start)) != std::string::npos; start = at + 1) {
            std::string piece = token.substr(start, at - start);
            PushToMenuCommand(piece, out);
        }
        std::string last = token.substr(start);
        PushToMenuCommand(last, out);
    }
    out.push_back(kCr);
    return true;
}

void MenuCode2D::PushToMenuCommand(std::string& piece, std::vector<char>& out)
{
    static constexpr char kPrefix[] = {'[', ']', '{', '}'}; // 3, 4, 5 and 6 characters
    if (piece.empty()) {
        return;
    }
    if (piece.size() >= 3 && piece.size() <= 6) {
        out.push_back(kPrefix[piece.size() - 3]);
    }
    out.insert(out.end(), piece.begin(), piece.end());
}
