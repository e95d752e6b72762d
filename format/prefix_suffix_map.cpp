// Which prefix and suffix go with which symbology, and which prefix and
// suffix bytes are sent as direct keys.

#include "config/configuration.h"
#include "format/formatter.h"
#include "format/prefix_suffix_map.h"

using ivra_configuration::string_t;

const std::map<SymbologyIdentifier, const char*> Formatter::mapPrefixSuffix = {
    {5, "upc_a"}, {6, "upc_a_addon"}, {7, "upc_e"}, {8, "upc_e_addon"}, {9, "ean13"}, {10, "ean13_addon"},
    {11, "ean8"}, {12, "ean8_addon"}, {13, "ean13"}, {14, "code39"}, {15, "code39"}, {16, "code39"},
    {17, "trioptic"}, {18, "codabar"}, {19, "codabar"}, {20, "codabar"}, {21, "industrial2of5"},
    {22, "interleaved2of5"}, {23, "scode"}, {24, "matrix2of5"}, {25, "matrix2of5"},
    {26, "korean_postal_authority"}, {27, "iata"}, {28, "msi_plessey"}, {29, "telepen"}, {30, "uk_plessey"},
    {31, "code128"}, {32, "gs1_128"}, {33, "code93"}, {34, "code11"}, {35, "gs1_databar"},
    {36, "gs1_databar_limited"}, {37, "gs1_databar_expanded"}, {38, "intelligent_mail_barcode"}, {39, "postnet"},
    {40, "japanese_postal"}, {42, "codablock_f"}, {43, "data_matrix"}, {44, "aztec_code"}, {45, "aztec_code"},
    {46, "chinese_sensible_code"}, {47, "qr_code"}, {48, "qr_code"}, {49, "maxi_code"}, {50, "pdf417"},
    {51, "micro_pdf417"}, {52, "composite"}, {53, "upc_a"}, {54, "upc_e"}, {55, "ean13"}, {56, "ean8"},
    {57, "code128"}, {58, "data_matrix"}, {59, "qr_code"}, {60, "composite"}, {61, "composite"}, {62, "composite"},
    {63, "planet"}, {64, "netherlands_kix"}, {65, "uk_postal_customer_code"}, {66, "australian_postal"},
    {67, "upc_a_addon"}, {68, "upc_a_addon"}, {69, "upc_e_addon"}, {70, "upc_e_addon"}, {71, "upc_e"},
    {72, "upc_e_addon"}, {73, "upc_e_addon"}, {74, "ean13_addon"}, {75, "ean13_addon"}, {76, "ean8_addon"},
    {77, "ean8_addon"}, {78, "data_matrix"}, {79, "uk_postal_mail_mark"}, {80, "machine_readable_passports"},
    {81, "machine_readable_visas_a"}, {82, "machine_readable_visas_b"}, {83, "official_travel_documents1"},
    {84, "official_travel_documents2"}, {85, "isbn"}, {86, "japan_book_kind_and_price"},
    {87, "japan_drivers_license"}, {88, "japan_my_number"}, {90, "japan_street_address_code"}, {91, "ocrb"},
    {92, "ocra"}, {93, "ms_gothic"}, {94, "ms_mincho"}, {95, "e13b"}, {96, "payment_handling_ocr"},
    {97, "dot_code"}, {98, "dot_code"},
};

namespace {

// Bytes that stand for keys with no character of their own.
std::map<unsigned char, unsigned int> DirectKeys()
{
    static constexpr unsigned char kKeys[] = {
        159, 169, 176, 177, 178, 179, 180, 182, 183, 184, 185, 186, 187, 188, 190, 191, 192, 193, 194, 195,
        196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 208, 210, 211, 212, 213, 215, 216, 217, 218,
        219, 220, 222, 223, 226, 227, 228, 229, 232, 234, 235, 236, 237, 238, 240, 241, 242, 243, 244, 245,
        246, 247, 248, 249, 250, 251, 254,
    };
    std::map<unsigned char, unsigned int> keys;
    for (unsigned char b : kKeys)
        keys.emplace(b, 0xE000u + b);
    return keys;
}

using AffixHandle = SymbologyAffixHandles::Handle;

const AffixHandle* AffixOf(const ivra_configuration::CommonPropertyHandle* group, const char* name)
{
    const auto* handle = group != nullptr ? group->Find(name) : nullptr;
    if (handle == nullptr || handle->Size() != sizeof(string_t<4>))
        return nullptr;
    return static_cast<const AffixHandle*>(handle);
}

std::vector<unsigned char> LowBytes(const string_t<4>& text)
{
    std::vector<unsigned char> bytes;
    for (std::uint32_t unit : text)
        bytes.push_back(static_cast<unsigned char>(unit));
    return bytes;
}

} // namespace

const std::map<unsigned char, unsigned int> Formatter::mapDirectToCodepoint = DirectKeys();

const SymbologyAffixHandles& SymbologyAffixHandlesOf(SymbologyIdentifier id)
{
    static const auto table = [] {
        std::map<SymbologyIdentifier, SymbologyAffixHandles> handles;
        for (const auto& [identifier, group] : Formatter::mapPrefixSuffix) {
            const auto* node = ivra_configuration::Root().string.Find(group);
            handles[identifier] = SymbologyAffixHandles{AffixOf(node, "prefix"), AffixOf(node, "suffix")};
        }
        return handles;
    }();
    static const SymbologyAffixHandles none;
    const auto found = table.find(id);
    return found != table.end() ? found->second : none;
}

Formatter::PrefixSuffixText Formatter::SymbologyPrefixSuffix(const FormatterSettings& settings)
{
    PrefixSuffixText text;
    text.found = settings.symbologyAffixes;
    text.prefix = LowBytes(settings.symbologyPrefix);
    text.suffix = LowBytes(settings.symbologySuffix);
    return text;
}
