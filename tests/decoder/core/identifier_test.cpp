#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "decoder/core/identifiers/codabar_identifier.h"
#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/identifiers/code39_identifiers.h"
#include "decoder/core/identifiers/code93_code11_identifiers.h"
#include "decoder/core/identifiers/common_symbology_identifier.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/identifiers/legacy_identifiers.h"
#include "decoder/core/identifiers/matrix_identifiers.h"
#include "decoder/core/identifiers/pdf_identifiers.h"
#include "decoder/core/identifiers/plessey_identifiers.h"
#include "decoder/core/identifiers/qr_identifiers.h"
#include "decoder/core/identifiers/rss_identifier.h"
#include "decoder/core/identifiers/telepen_korean_postal_identifiers.h"
#include "decoder/core/identifiers/two_of_five_identifiers.h"
#include "decoder/core/identifiers/upc_ean_identifiers.h"

namespace DEC2DIvra {
namespace {

constexpr unsigned B(unsigned bit) { return 1u << bit; }

// Every identifier class is reached through the same factory so that one
// table covers them all.
enum class Kind {
    Code128, Codablock, Code39, TriOptic, Menu, Code93, Code11, Codabar, Industrial, Interleaved, SCode, Matrix25,
    ChinesePost, Iata, Msi, UkPlessey, Telepen, Korean, Upca, Ean13, Upce, Ean8, Rss, Pdf, MicroPdf, Composite, Qr,
    MicroQr, DataMatrix, Aztec, DotCode, Maxi, HanXin
};

std::unique_ptr<CommonSymbologyIdentifier> Make(Kind kind, unsigned m)
{
    auto common = [](SymbologyIdentifier const& id) { return std::make_unique<CommonSymbologyIdentifier>(id); };
    switch (kind) {
    case Kind::Code128: return common(Code128Identifier(m));
    case Kind::Codablock: return common(Code128Identifier(m, SYMBOLOGY_CODABLOCK_F));
    case Kind::Code39: return common(Code39Identifier(m));
    case Kind::TriOptic: return common(TriOpticIdentifier(m));
    case Kind::Menu: return common(MenuCodeIdentifier(m));
    case Kind::Code93: return common(Code93Identifier(m));
    case Kind::Code11: return common(Code11Identifier(m));
    case Kind::Codabar: return common(CodabarIdentifier(m));
    case Kind::Industrial: return common(Industrial2of5Identifier(m));
    case Kind::Interleaved: return common(Interleaved2of5Identifier(m));
    case Kind::SCode: return common(SCodeIdentifier(m));
    case Kind::Matrix25: return common(Matrix2of5Identifier(m));
    case Kind::ChinesePost: return common(ChinesePostIdentifier(m));
    case Kind::Iata: return common(IataIdentifier(m));
    case Kind::Msi: return common(MSIPlesseyIdentifier(m));
    case Kind::UkPlessey: return common(UKPlesseyIdentifier(m));
    case Kind::Telepen: return common(TelepenIdentifier(m));
    case Kind::Korean: return common(KoreanPostalIdentifier(m));
    case Kind::Upca: return common(UpcaIdentifier(m));
    case Kind::Ean13: return common(Ean13Identifier(m));
    case Kind::Upce: return common(UpceIdentifier(m));
    case Kind::Ean8: return common(Ean8Identifier(m));
    case Kind::Rss: return common(RSSIdentifier(m));
    case Kind::Pdf: return common(PDFIdentifier(m));
    case Kind::MicroPdf: return common(MicroPDFIdentifier(m));
    case Kind::Composite: return common(CompositeIdentifier(m));
    case Kind::Qr: return common(QRIdentifier(m));
    case Kind::MicroQr: return common(MicroQRIdentifier(m));
    case Kind::DataMatrix: return common(DataMatrixIdentifier(m));
    case Kind::Aztec: return common(AztecIdentifier(m));
    case Kind::DotCode: return common(DotCodeIdentifier(m));
    case Kind::Maxi: return common(MaxiIdentifier(m));
    case Kind::HanXin: return common(ChineseSensibleIdentifier(m));
    }
    return nullptr;
}

struct Case {
    Kind kind;
    unsigned modifier;
    tagSymbology symbology;
    char const* aim;
    char maker;
};

Case const kCases[] = {
    {Kind::Code128, 0, SYMBOLOGY_CODE128, "]C0", 'T'},
    {Kind::Code128, 1, SYMBOLOGY_CODE128, "]C1", 'T'},
    {Kind::Code128, 2 | B(8), SYMBOLOGY_CODE128, "]C2", 'T'},
    {Kind::Codablock, B(10) | 1, SYMBOLOGY_CODABLOCK_F, "]O5", 'E'},
    {Kind::Codablock, B(10) | B(11), SYMBOLOGY_CODABLOCK_F, "]O4", 'E'},
    {Kind::Codablock, B(10) | 2, SYMBOLOGY_CODABLOCK_F, "]O4", 'E'},
    {Kind::Code39, 0, SYMBOLOGY_CODE39, "]A0", 'V'},
    {Kind::Code39, 1, SYMBOLOGY_CODE39, "]A1", 'V'},
    {Kind::Code39, 3, SYMBOLOGY_CODE39, "]A3", 'V'},
    {Kind::Code39, B(2) | 1, SYMBOLOGY_CODE39, "]A5", 'W'},
    {Kind::Code39, B(3), SYMBOLOGY_CODE39, "]X0", 'Y'},
    {Kind::Code39, B(2) | B(3), SYMBOLOGY_CODE39, "]X0", 'W'},
    {Kind::TriOptic, 0, SYMBOLOGY_TRIOPTIC, "]X0", 'V'},
    {Kind::Menu, 0, SYMBOLOGY_MENU, "]X0", 'V'},
    {Kind::Code93, B(8), SYMBOLOGY_CODE93, "]G0", 'U'},
    {Kind::Code11, B(8) | B(9) | B(10), SYMBOLOGY_CODE11, "]H3", 'b'},
    {Kind::Code11, B(8) | B(9) | B(11), SYMBOLOGY_CODE11, "]H3", 'b'},
    {Kind::Code11, B(8) | B(10), SYMBOLOGY_CODE11, "]H0", 'b'},
    {Kind::Code11, B(8) | B(11), SYMBOLOGY_CODE11, "]H1", 'b'},
    {Kind::Code11, B(8) | B(9), SYMBOLOGY_CODE11, "]X0", 'b'},
    {Kind::Code11, 0, SYMBOLOGY_CODE11, "]X0", 'b'},
    {Kind::Codabar, 0, SYMBOLOGY_CODABAR, "]F0", 'R'},
    {Kind::Codabar, 1, SYMBOLOGY_CODABAR, "]F1", 'S'},
    {Kind::Codabar, 2 | 4, SYMBOLOGY_CODABAR, "]F6", 'R'},
    {Kind::Codabar, 2 | B(9) | B(10) | B(13), SYMBOLOGY_CODABAR, "]F2", 'f'},  // high bits stay out
    {Kind::Industrial, B(8), SYMBOLOGY_INDUSTRIAL2OF5, "]S0", 'O'},
    {Kind::Interleaved, 0, SYMBOLOGY_INTERLEAVED2OF5, "]I0", 'N'},
    {Kind::Interleaved, 3, SYMBOLOGY_INTERLEAVED2OF5, "]I3", 'N'},
    {Kind::SCode, B(10), SYMBOLOGY_SCODE, "]X0", 'g'},
    {Kind::Matrix25, B(8), SYMBOLOGY_MATRIX2OF5, "]X0", 'Q'},
    {Kind::ChinesePost, 0, SYMBOLOGY_CHINESE_POST, "]X0", 'h'},
    {Kind::Iata, 1, SYMBOLOGY_IATA, "]R1", 'P'},
    {Kind::Msi, 0, SYMBOLOGY_MSI_PLESSEY, "]M0", 'Z'},
    {Kind::Msi, (1u << 8) | (1u << 11), SYMBOLOGY_MSI_PLESSEY, "]M0", 'Z'},  // one check digit, sent
    {Kind::Msi, (1u << 8), SYMBOLOGY_MSI_PLESSEY, "]M1", 'Z'},               // one check digit, left out
    {Kind::Msi, (3u << 8) | (1u << 11), SYMBOLOGY_MSI_PLESSEY, "]M1", 'Z'},  // two, one sent
    {Kind::Msi, (5u << 8) | (2u << 11), SYMBOLOGY_MSI_PLESSEY, "]M0", 'Z'},
    {Kind::UkPlessey, B(8), SYMBOLOGY_UK_PLESSEY, "]P0", 'z'},
    {Kind::Telepen, 0, SYMBOLOGY_TELEPEN, "]B0", 'd'},
    {Kind::Telepen, 2, SYMBOLOGY_TELEPEN, "]B2", 'd'},
    {Kind::Korean, B(9), SYMBOLOGY_KOREAN_POSTAL, "]X0", 'K'},
    {Kind::Upca, B(10) | B(11), SYMBOLOGY_UPCA, "]E0", 'A'},
    {Kind::Upca, B(8), SYMBOLOGY_UPCA, "]E3", 'A'},
    {Kind::Ean13, B(9), SYMBOLOGY_EAN13, "]E3", 'F'},
    {Kind::Ean13, B(11), SYMBOLOGY_EAN13, "]E0", 'F'},
    {Kind::Upce, B(12), SYMBOLOGY_UPCE, "]E0", 'C'},
    {Kind::Ean8, 0, SYMBOLOGY_EAN8, "]E4", 'H'},
    {Kind::Ean8, B(8), SYMBOLOGY_EAN8, "]E3", 'H'},
    {Kind::Rss, B(8) | B(10), SYMBOLOGY_GS1_DATABAR, "]e0", 'x'},
    {Kind::Pdf, 2, SYMBOLOGY_PDF417, "]L2", 'r'},
    {Kind::Pdf, 2 | B(8), SYMBOLOGY_PDF417, "]e1", 'r'},
    {Kind::MicroPdf, 0, SYMBOLOGY_MICRO_PDF417, "]L3", 's'},
    {Kind::MicroPdf, 1, SYMBOLOGY_MICRO_PDF417, "]L4", 's'},
    {Kind::MicroPdf, 2, SYMBOLOGY_MICRO_PDF417, "]L5", 's'},
    {Kind::MicroPdf, B(8) | (1u << 2) | 2, SYMBOLOGY_MICRO_PDF417, "]L4", 's'},
    {Kind::MicroPdf, B(9), SYMBOLOGY_MICRO_PDF417, "]e1", 's'},
    {Kind::MicroPdf, B(10) | 2, SYMBOLOGY_MICRO_PDF417, "]e1", 's'},
    {Kind::Composite, 4 | B(6), SYMBOLOGY_COMPOSITE, "]e0", 'y'},
    {Kind::Qr, 0, SYMBOLOGY_QR_CODE, "]Q1", 'u'},
    {Kind::Qr, 1, SYMBOLOGY_QR_CODE, "]Q2", 'u'},
    {Kind::Qr, 2, SYMBOLOGY_QR_CODE, "]Q3", 'u'},
    {Kind::Qr, 1 | 2, SYMBOLOGY_QR_CODE, "]Q4", 'u'},
    {Kind::Qr, 4, SYMBOLOGY_QR_CODE, "]Q5", 'u'},
    {Kind::Qr, 1 | 4 | B(15), SYMBOLOGY_QR_CODE, "]Q6", 'u'},
    {Kind::Qr, B(4) | 1, SYMBOLOGY_QR_CODE, "]Q0", 'u'},
    {Kind::MicroQr, 0, SYMBOLOGY_MICRO_QR, "]Q1", 'j'},
    {Kind::MicroQr, 1, SYMBOLOGY_MICRO_QR, "]Q2", 'j'},
    {Kind::DataMatrix, B(5), SYMBOLOGY_DATA_MATRIX, "]d0", 't'},
    {Kind::DataMatrix, 0, SYMBOLOGY_DATA_MATRIX, "]d1", 't'},
    {Kind::DataMatrix, 1, SYMBOLOGY_DATA_MATRIX, "]d2", 't'},
    {Kind::DataMatrix, 2, SYMBOLOGY_DATA_MATRIX, "]d3", 't'},
    {Kind::DataMatrix, B(4) | 0, SYMBOLOGY_DATA_MATRIX, "]d4", 't'},
    {Kind::DataMatrix, B(4) | 5, SYMBOLOGY_DATA_MATRIX, "]d5", 't'},
    {Kind::DataMatrix, B(4) | 6, SYMBOLOGY_DATA_MATRIX, "]d6", 't'},
    {Kind::Aztec, 0, SYMBOLOGY_AZTEC, "]z0", 'o'},
    {Kind::Aztec, 1, SYMBOLOGY_AZTEC, "]z1", 'o'},
    {Kind::Aztec, 2, SYMBOLOGY_AZTEC, "]z2", 'o'},
    {Kind::Aztec, 1 | 4, SYMBOLOGY_AZTEC, "]z4", 'o'},
    {Kind::Aztec, 8, SYMBOLOGY_AZTEC, "]z6", 'o'},
    {Kind::Aztec, 2 | 4 | 8, SYMBOLOGY_AZTEC, "]zB", 'o'},
    {Kind::Aztec, B(4) | 1, SYMBOLOGY_AZTEC, "]zC", 'o'},
    {Kind::DotCode, 0, SYMBOLOGY_DOTCODE, "]J0", 'k'},
    {Kind::DotCode, 1, SYMBOLOGY_DOTCODE, "]J1", 'k'},
    {Kind::DotCode, 2, SYMBOLOGY_DOTCODE, "]J2", 'k'},
    {Kind::DotCode, 1 | 4, SYMBOLOGY_DOTCODE, "]J4", 'k'},
    {Kind::DotCode, 2 | 4 | 8, SYMBOLOGY_DOTCODE, "]J5", 'k'},
    {Kind::Maxi, 2, SYMBOLOGY_MAXICODE, "]U1", 'v'},
    {Kind::Maxi, 3 | 8, SYMBOLOGY_MAXICODE, "]U3", 'v'},
    {Kind::Maxi, 4 | 8, SYMBOLOGY_MAXICODE, "]U2", 'v'},
    {Kind::Maxi, 5, SYMBOLOGY_MAXICODE, "]U0", 'v'},
    {Kind::HanXin, 0, SYMBOLOGY_HAN_XIN, "]X0", 'e'},
};

TEST(IdentifierTest, EveryClassGivesItsTextsForItsModifierBits)
{
    for (Case const& c : kCases) {
        std::unique_ptr<CommonSymbologyIdentifier> const id = Make(c.kind, c.modifier);
        SCOPED_TRACE(std::string(c.aim) + " modifier " + std::to_string(c.modifier));
        void const* handle = static_cast<SymbologyIdentifier const*>(id.get());
        EXPECT_EQ(DEC2D_GetSymbology(handle), c.symbology);
        EXPECT_EQ(DEC2D_GetModifier(handle), c.modifier);
        EXPECT_EQ(DEC2D_GetIvraIdentifier(handle), c.maker);
        char text[11];
        std::memset(text, 'x', sizeof(text));
        ASSERT_EQ(DEC2D_GetAIMIdentifier(handle, text, 4), 1);
        EXPECT_STREQ(text, c.aim);
        ASSERT_EQ(DEC2D_GetAIMIdentifier(handle, text, 11), 1);
        EXPECT_STREQ(text, c.aim);
    }
}

TEST(IdentifierTest, ShortBuffersAreRefusedWithoutWritingPastThem)
{
    QRIdentifier const qr(1);
    char text[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(qr.GetAIMIdentifier(text, 3));
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(text[3], 'd');
    EXPECT_FALSE(qr.GetAIMIdentifier(text, 0));
    EXPECT_FALSE(qr.GetAIMIdentifier(nullptr, 4));

    CommonSymbologyIdentifier const common(qr);
    text[0] = 'a';
    EXPECT_EQ(DEC2D_GetAIMIdentifier(static_cast<SymbologyIdentifier const*>(&common), text, 3), 0);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(text[3], 'd');

    EXPECT_EQ(DEC2D_GetSymbology(nullptr), SYMBOLOGY_NONE);
    EXPECT_EQ(DEC2D_GetModifier(nullptr), 0u);
    EXPECT_EQ(DEC2D_GetIvraIdentifier(nullptr), '\0');
    EXPECT_EQ(DEC2D_GetAIMIdentifier(nullptr, text, 4), 0);
}

TEST(IdentifierTest, CommonIdentifierOfASymbologyAloneAndCopies)
{
    CommonSymbologyIdentifier const plain(SYMBOLOGY_CODE93);
    char text[8];
    ASSERT_TRUE(plain.GetAIMIdentifier(text, sizeof(text)));
    EXPECT_STREQ(text, "]X0");
    EXPECT_EQ(plain.GetIvraIdentifier(), '\0');
    EXPECT_EQ(plain.GetModifier(), 0u);

    Code39Identifier code39;
    code39.SetModifierBit(2, true);
    code39.SetModifierBit(0, true);
    CommonSymbologyIdentifier copy(code39);
    CommonSymbologyIdentifier again(copy);  // a copy of a copy keeps everything
    ASSERT_TRUE(again.GetAIMIdentifier(text, sizeof(text)));
    EXPECT_STREQ(text, "]A5");
    EXPECT_EQ(again.GetIvraIdentifier(), 'W');
    EXPECT_EQ(again.GetSymbology(), SYMBOLOGY_CODE39);
    copy.Copy(QRIdentifier(B(4)));
    ASSERT_TRUE(copy.GetAIMIdentifier(text, sizeof(text)));
    EXPECT_STREQ(text, "]Q0");
}

}  // namespace
}  // namespace DEC2DIvra
