#pragma once
// 2D menu labels: a label of any symbology whose text is framed by a fixed header and
// trailer. The text between them is read as tokens separated by white space (a token
// in double quotes may hold white space); odd-numbered tokens are split at every '@'
// into command codes, even-numbered ones are kept whole (parameters), and each piece
// takes the evaluator's length prefix. The result is one command line.

#include "app/commands/menu_parser.h"

#include <string>

class MenuCode2D final : public MenuParser {
public:
    static constexpr char const* kHeader = "@MENU_IVRA@ZZ@";
    static constexpr char const* kTrailer = "@ZZ@ARVI_UNEM@";
    static constexpr unsigned kMinimumLength = 29;
    static constexpr std::size_t kMaxCommandBytes = kMaxMenuCommandBytes;

    MenuCode2D() : MenuParser(MenuCodeIdentifier::MenuCode2D) {}

    int Parse(char const* text, unsigned length, tagSymbology symbology, unsigned modifier,
              std::vector<char>& out) override;

    // ESC, the pieces of the inner text, CR. False when the text holds a byte that is no
    // printable ASCII character (a control byte would frame commands of its own).
    static bool SplitAndBuildMenuCode(char const* text, unsigned length, std::vector<char>& out);
    static void PushToMenuCommand(std::string& piece, std::vector<char>& out);
};
