// The Application Identifier table as a tree of ten-element tables: every AI
// of the table is reached by its digits, and nothing else is.

#include <gtest/gtest.h>

#include <string>

#include "format/data_edit/ai_table.h"

namespace {

using Element = AiTable::AiTableElement;

// Walks every table below `table`; counts the leaves and checks the links.
void Walk(const Element* table, const std::string& path, unsigned depth, unsigned& leaves, std::string& problems)
{
    for (unsigned d = 0; d < 10; ++d) {
        const Element& e = table[d];
        const std::string digits = path + static_cast<char>('0' + d);
        if (e.GetType() == Element::kEmpty)
            continue;
        if (e.GetType() != Element::kLink) {
            ++leaves;
            if (digits.size() < 2)
                problems += " short:" + digits;
            continue;
        }
        if (depth >= 3 || e.GetNextTable() == nullptr) {
            problems += " link:" + digits;
            continue;
        }
        Walk(e.GetNextTable(), digits, depth + 1, leaves, problems);
    }
}

const Element* Lookup(const char* digits)
{
    const Element* table = AiTable::Root();
    for (const char* p = digits; *p != 0; ++p) {
        const Element& e = table[*p - '0'];
        if (e.GetType() != Element::kLink)
            return p[1] == 0 && e.GetType() != Element::kEmpty ? &e : nullptr;
        table = e.GetNextTable();
    }
    return nullptr;
}

TEST(Gs1AiTable, HoldsEveryAiOnceAlongItsDigits)
{
    unsigned leaves = 0;
    std::string problems;
    Walk(AiTable::Root(), "", 0, leaves, problems);
    EXPECT_EQ(leaves, 207u);
    EXPECT_EQ(problems, "");
}

TEST(Gs1AiTable, LeavesCarryTheirFields)
{
    const Element* sscc = Lookup("00");
    ASSERT_NE(sscc, nullptr);
    EXPECT_EQ(sscc->GetFormat(0), AiTable::kDigitsFixed);
    EXPECT_EQ(sscc->GetLength(0), 18);
    EXPECT_EQ(sscc->GetFormat(1), 0);
    EXPECT_EQ(sscc->GetFormat(4), AiTable::kNoField);
    EXPECT_EQ(sscc->GetLength(4), 0);

    const Element* weight = Lookup("391");
    ASSERT_NE(weight, nullptr);
    EXPECT_EQ(weight->GetFormat(0), AiTable::kPositionDigit);
    EXPECT_EQ(weight->GetFormat(1), AiTable::kDigitsFixed);
    EXPECT_EQ(weight->GetLength(1), 3);
    EXPECT_EQ(weight->GetFormat(2), AiTable::kDigitsVarDecimal);
    EXPECT_EQ(weight->GetLength(2), 15);

    EXPECT_NE(Lookup("8026"), nullptr);
    EXPECT_EQ(Lookup("8027"), nullptr);
    EXPECT_EQ(Lookup("4"), nullptr); // a link, not an AI
    EXPECT_EQ(Lookup("23"), nullptr);
    EXPECT_EQ(Lookup("05"), nullptr);
}

} // namespace
