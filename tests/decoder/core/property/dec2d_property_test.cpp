#include "decoder/core/property/dec2d_property.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "config/command_system.h"
#include "config/configuration_manager.h"

namespace DEC2DIvra {
namespace {

namespace cfg = ivra_configuration;

template <class T>
void const* Address(PropertyReference<T> const& reference)
{
    return &reference.Get();
}

// A list member's value starts at its count word, before the items.
template <class Reference, class Enum, unsigned N>
void const* Address(ArrayProperty<Reference, Enum, N> const& list)
{
    using Value = cfg::Array<Enum, N>;
    return reinterpret_cast<unsigned char const*>(list.GetItems()) - offsetof(Value, data);
}

struct Binding {
    char const* member;
    char const* key;
    void const* (*address)(DEC2DProperty const&);
};

#define BINDING(member, key) \
    Binding { #member, key, [](DEC2DProperty const& p) { return Address(p.member); } }

// The first and the last member of every group, and samples of each kind of
// value inside the groups.
std::vector<Binding> const kBindings = {
    BINDING(upc_a.read, "read/upc_a"),
    BINDING(upc_a.smart_quiet_zone_check, "detail_of_decoder/smart_quiet_zone_check/wpc"),
    BINDING(upc_e.read, "read/upc_e"),
    BINDING(upc_e.read_upc_e1_addon5, "read/upc_e1_addon5"),
    BINDING(upc_e.transmit_as_upc_a, "code/upc_e/transmit_as_upc_a"),
    BINDING(ean13.read, "read/ean13"),
    BINDING(ean13.enable_ismn, "code/ean13/enable_ismn"),
    BINDING(ean13.forced_addon2_headers, "code/ean13/forced_addon2_headers"),
    BINDING(ean13.magazine_code, "readable_medium/japan_book_code/magazine_code/enable"),
    BINDING(ean8.read, "read/ean8"),
    BINDING(ean8.transmit_check_digit, "code/ean8/transmit_check_digit"),
    BINDING(code39.read, "read/code39"),
    BINDING(code39.read_trioptic, "read/trioptic"),
    BINDING(code39.fixed_length, "fixed_length/code39"),
    BINDING(code39.smart_quiet_zone_check, "detail_of_decoder/smart_quiet_zone_check/code39"),
    BINDING(codabar.read, "read/codabar"),
    BINDING(codabar.enable_abc_cx, "code/codabar/enable_abc_cx"),
    BINDING(codabar.check_digit_9dsr_character_table, "code/codabar/check_digit_9dsr_character_table"),
    BINDING(codabar.fixed_length, "fixed_length/codabar"),
    BINDING(industrial2of5.read, "read/industrial2of5"),
    BINDING(industrial2of5.fixed_length, "fixed_length/industrial2of5"),
    BINDING(interleaved2of5.read, "read/interleaved2of5"),
    BINDING(interleaved2of5.check_digit_type, "code/interleaved2of5/check_digit_type"),
    BINDING(interleaved2of5.smart_quiet_zone_check, "detail_of_decoder/smart_quiet_zone_check/interleaved2of5"),
    BINDING(scode.read, "read/scode"),
    BINDING(scode.fixed_length, "fixed_length/scode"),
    BINDING(matrix2of5.read, "read/matrix2of5"),
    BINDING(matrix2of5.fixed_length, "fixed_length/matrix2of5"),
    BINDING(chinese_post_matrix2of5.read, "read/chinese_post_matrix2of5"),
    BINDING(chinese_post_matrix2of5.smart_quiet_zone_check,
            "detail_of_decoder/smart_quiet_zone_check/chinese_post_matrix2of5"),
    BINDING(korean_postal_authority.read, "read/korean_postal_authority"),
    BINDING(korean_postal_authority.smart_quiet_zone_check,
            "detail_of_decoder/smart_quiet_zone_check/korean_postal_authority"),
    BINDING(intelligent_mail_barcode.read, "read/intelligent_mail_barcode"),
    BINDING(intelligent_mail_barcode.delimiter_character, "code/intelligent_mail_barcode/delimiter/character"),
    BINDING(intelligent_mail_barcode.delimiter_style, "code/intelligent_mail_barcode/delimiter/style"),
    BINDING(netherlands_kix.read, "read/netherlands_kix"),
    BINDING(netherlands_kix.delimiter_style, "code/netherlands_kix/delimiter/style"),
    BINDING(japanese_postal.read, "read/japanese_postal"),
    BINDING(japanese_postal.delimiter_style, "code/japanese_postal/delimiter/style"),
    BINDING(postnet.read, "read/postnet"),
    BINDING(postnet.transmit_check_digit, "code/postnet/transmit_check_digit"),
    BINDING(postnet.delimiter_style, "code/postnet/delimiter/style"),
    BINDING(australian_postal.read, "read/australian_postal"),
    BINDING(australian_postal.output_format, "code/australian_postal/output_format"),
    BINDING(planet.read, "read/planet"),
    BINDING(planet.delimiter_style, "code/planet/delimiter/style"),
    BINDING(uk_postal_customer_code.read, "read/uk_postal_customer_code"),
    BINDING(uk_postal_customer_code.delimiter_style, "code/uk_postal_customer_code/delimiter/style"),
    BINDING(uk_postal_mail_mark.read, "read/uk_postal_mail_mark"),
    BINDING(iata.read, "read/iata"),
    BINDING(iata.fixed_length, "fixed_length/iata"),
    BINDING(msi_plessey.read, "read/msi_plessey"),
    BINDING(msi_plessey.transmit_check_digit, "code/msi_plessey/transmit_check_digit"),
    BINDING(msi_plessey.fixed_length, "fixed_length/msi_plessey"),
    BINDING(telepen.read, "read/telepen"),
    BINDING(telepen.fixed_length, "fixed_length/telepen"),
    BINDING(uk_plessey.read, "read/uk_plessey"),
    BINDING(uk_plessey.fixed_length, "fixed_length/uk_plessey"),
    BINDING(code128.read, "read/code128"),
    BINDING(code128.smart_quiet_zone_check, "detail_of_decoder/smart_quiet_zone_check/code128"),
    BINDING(code128.fixed_length, "fixed_length/code128"),
    BINDING(code93.read, "read/code93"),
    BINDING(code93.fixed_length, "fixed_length/code93"),
    BINDING(code11.read, "read/code11"),
    BINDING(code11.fixed_length, "fixed_length/code11"),
    BINDING(gs1_databar.read, "read/gs1_databar"),
    BINDING(gs1_databar.read_expanded, "read/gs1_databar_expanded"),
    BINDING(gs1_databar.fixed_length, "fixed_length/gs1_databar_expanded"),
    BINDING(codablock_f.read, "read/codablock_f"),
    BINDING(codablock_f.fixed_length, "fixed_length/codablock_f"),
    BINDING(data_matrix.read, "read/data_matrix"),
    BINDING(data_matrix.read_ecc000_140, "read/data_matrix_ecc000_140"),
    BINDING(data_matrix.positive_and_negative, "readable_medium/positive_and_negative_codes/data_matrix"),
    BINDING(aztec_code.read, "read/aztec_code"),
    BINDING(aztec_code.fixed_length, "fixed_length/aztec_code"),
    BINDING(chinese_sensible_code.read, "read/chinese_sensible_code"),
    BINDING(chinese_sensible_code.fixed_length, "fixed_length/chinese_sensible_code"),
    BINDING(qr_code.read, "read/qr_code"),
    BINDING(qr_code.read_micro_qr, "read/micro_qr"),
    BINDING(qr_code.positive_and_negative, "readable_medium/positive_and_negative_codes/qr_code"),
    BINDING(maxi_code.read, "read/maxi_code"),
    BINDING(maxi_code.fixed_length, "fixed_length/maxi_code"),
    BINDING(pdf417.read, "read/pdf417"),
    BINDING(pdf417.positive_and_negative, "readable_medium/positive_and_negative_codes/pdf_417"),
    BINDING(micro_pdf417.read, "read/micro_pdf417"),
    BINDING(micro_pdf417.fixed_length, "fixed_length/micro_pdf417"),
    BINDING(composite.read, "read/gs1_composite"),
    BINDING(composite.component_mode, "code/composite/component_mode"),
    BINDING(composite.fixed_length, "fixed_length/composite"),
    BINDING(gs1_128.fixed_length, "fixed_length/gs1_128"),
    BINDING(machine_readable_passports.read, "read/machine_readable_passports"),
    BINDING(machine_readable_passports.enable_passport_json_format, "code/ocr/enable_passport_json_format"),
    BINDING(machine_readable_visas.read_visas_a, "read/machine_readable_visas_a"),
    BINDING(machine_readable_visas.read_visas_b, "read/machine_readable_visas_b"),
    BINDING(official_travel_documents.read_documents1, "read/official_travel_documents1"),
    BINDING(official_travel_documents.read_documents2, "read/official_travel_documents2"),
    BINDING(book_code.read_isbn, "read/isbn"),
    BINDING(book_code.read_japan_book_kind_and_price, "read/japan_book_kind_and_price"),
    BINDING(ocr_common.read_japan_drivers_license, "read/japan_drivers_license"),
    BINDING(ocr_common.free_line_ocr_font, "data_edit_programming/free_line_ocr/font"),
    BINDING(ocr_common.dynamic_font_list, "code/ocr/dynamic_font_list"),
    BINDING(ocr_common.high_accuracy_threshold, "code/ocr/high_accuracy_threshold"),
    BINDING(ocrb.read, "read/ocrb"),
    BINDING(ocrb.character_kind, "code/ocr/character_kind/ocrb"),
    BINDING(ocra.read, "read/ocra"),
    BINDING(ocra.character_kind, "code/ocr/character_kind/ocra"),
    BINDING(ms_gothic.read, "read/ms_gothic"),
    BINDING(ms_gothic.character_kind, "code/ocr/character_kind/ms_gothic"),
    BINDING(ms_mincho.read, "read/ms_mincho"),
    BINDING(ms_mincho.character_kind, "code/ocr/character_kind/ms_mincho"),
    BINDING(e13b.read, "read/e13b"),
    BINDING(e13b.fixed_length, "fixed_length/e13b"),
    BINDING(e13b.character_kind, "code/ocr/character_kind/e13b"),
    BINDING(win_product_key.read, "read/win_product_key"),
    BINDING(win_product_key.show_hyphen_of_product_key, "code/ocr/show_hyphen_of_product_key"),
    BINDING(dynamic_font.read, "read/dynamic_font"),
    BINDING(dynamic_font.character_kind, "code/ocr/character_kind/dynamic_font"),
    BINDING(payment_handling_ocr.read, "read/payment_handling_ocr"),
    BINDING(payment_handling_ocr.enable_payment_handring_json_format, "code/ocr/enable_payment_handring_json_format"),
    BINDING(filters.black_bold.enable, "detail_of_decoder/filters/black_bold/enable"),
    BINDING(filters.white_bold.priority, "detail_of_decoder/filters/white_bold/priority"),
    BINDING(filters.moving_average.diameter_y, "detail_of_decoder/filters/moving_average/diameter_y"),
    BINDING(dot_code.read, "read/dot_code"),
    BINDING(dot_code.fixed_length, "fixed_length/dot_code"),
    BINDING(ocr_date_format.readable_separator_space, "code/ocr/date_format/readable_separator/space"),
    BINDING(ocr_date_format.date_order, "code/ocr/date_format/date_order"),
    BINDING(ocr_date_format.fixed_length_prev_date, "fixed_length/prev_date"),
    BINDING(ocr_date_format.next_date_character, "code/ocr/date_format/next_date_character"),
    BINDING(multi_line_ocr.fixed_length_first_line, "fixed_length/multi_line_ocr/first_line"),
    BINDING(multi_line_ocr.character_kind_fourth_line, "code/ocr/character_kind/fourth_line"),
    BINDING(ocrg2.search_area, "code/ocrg2/search/area/enable"),
    BINDING(ocrg2.filter_bottom_right_y, "code/ocrg2/filter/bottom-right-y"),
    BINDING(ocrg2.enable_json_format, "code/ocrg2/enable_json_format"),
    BINDING(ocrg2.ocrg2_1.read, "read/ocrg2_1"),
    BINDING(ocrg2.ocrg2_1.font_list, "code/ocrg2/ocrg2_1/font_list"),
    BINDING(ocrg2.ocrg2_3.character_list, "code/ocrg2/ocrg2_3/character_list"),
    BINDING(ocrg2.ocrg2_date.fixed_length, "fixed_length/ocrg2_date"),
    BINDING(ocrg2.ocrg2_dot_date.is_dot, "code/ocrg2/ocrg2_dot_date/is_dot"),
    BINDING(ocrg2.ocrg2_dot_date.split_underline, "code/ocrg2/ocrg2_dot_date/split_underline"),
    BINDING(ocrg2.ocrg2_delivery_slips.read, "read/ocrg2_delivery_slips"),
    BINDING(ocrg2.ocrg2_delivery_slips.enable_upper_downer_search,
            "code/ocrg2/ocrg2_delivery_slips/enable_upper_downer_search"),
    BINDING(ocrg2.ocrg2_delivery_slips.split_underline, "code/ocrg2/ocrg2_delivery_slips/split_underline"),
    BINDING(detail_of_decoder.barcode_decode_mode, "detail_of_decoder/barcode_decode_mode"),
    BINDING(detail_of_decoder.search_margin_left, "detail_of_decoder/search_margin/left"),
    BINDING(detail_of_decoder.central_reading, "trigger/manual/central_reading/enable"),
    BINDING(detail_of_decoder.output_bad_read, "readable_medium/output_bad_read/enable"),
    BINDING(detail_of_decoder.ignore_eci_protocol, "string/ignore_eci_protocol/enable"),
    BINDING(detail_of_decoder.reference_angle_tilt, "detail_of_decoder/reference_angle/tilt"),
    BINDING(detail_of_decoder.only_complete_codes, "readable_medium/only_complete_codes/all_1d_codes"),
    BINDING(common_2d.suppress_eci_escape, "code/common_2d/suppress_eci_escape"),
    BINDING(common_2d.fill_symbol_record, "code/common_2d/fill_symbol_record"),
};

#undef BINDING

class Dec2DPropertyTest : public ::testing::Test {
protected:
    bool SelectBank(unsigned bank) { return manager.Root().bank.Set(bank) && manager.Update(); }

    void ExpectBoundToCurrentBank(DEC2DProperty const& block, cfg::ConfigurationManager& store)
    {
        for (Binding const& binding : kBindings) {
            cfg::CommonPropertyHandle const* handle = store.Root().Find(binding.key);
            ASSERT_NE(handle, nullptr) << binding.key;
            EXPECT_EQ(binding.address(block), handle->CalcAddress()) << binding.member << " <- " << binding.key;
        }
    }

    cfg::ConfigurationManager manager;
    DEC2DProperty property{manager.Root()};
};

TEST_F(Dec2DPropertyTest, MembersReadTheirKeysInTheCurrentBank)
{
    ExpectBoundToCurrentBank(property, manager);
    ASSERT_TRUE(SelectBank(5));
    ExpectBoundToCurrentBank(property, manager);
}

TEST_F(Dec2DPropertyTest, DefaultBlockReadsTheProcessWideStore)
{
    DEC2DProperty const block;
    ExpectBoundToCurrentBank(block, cfg::CommandSystem::Instance().Manager());
}

TEST_F(Dec2DPropertyTest, ChangesThroughTheStoreAreSeenAtOnce)
{
    auto& root = manager.Root();
    bool const code128 = !property.code128.read.Get();
    ASSERT_TRUE(root.read.code128.Set(code128));
    ASSERT_TRUE(root.code.codabar.enable_abc_cx.Set(3));
    ASSERT_TRUE(root.detail_of_decoder.search_margin.left.Set(517));
    ASSERT_TRUE(root.detail_of_decoder.reference_angle.tilt.Set(-45));
    ASSERT_TRUE(root.detail_of_decoder.code_search_mode.Set(
        cfg::configuration::detail_of_decoder::code_search_mode::Enum::FIX_MOUNT));
    cfg::string_t<39> headers{};
    headers.count = 2;
    headers.data[0] = '9';
    headers.data[1] = '7';
    ASSERT_TRUE(root.code.ean13.forced_addon2_headers.Set(headers));
    cfg::FixedLength lengths{};
    lengths.count = 2;
    lengths.lengths[0] = 8;
    lengths.lengths[1] = 12;
    lengths.maximum = cfg::FixedLength::kNoMaximum;
    ASSERT_TRUE(root.fixed_length.code39.Set(lengths));
    ASSERT_TRUE(manager.Update());

    EXPECT_EQ(property.code128.read.Get(), code128);
    EXPECT_EQ(property.codabar.enable_abc_cx.Get(), 3);
    EXPECT_EQ(property.detail_of_decoder.search_margin_left.Get(), 517);
    EXPECT_EQ(property.detail_of_decoder.reference_angle_tilt.Get(), -45);
    EXPECT_EQ(property.detail_of_decoder.code_search_mode.Get(), 2u);
    EXPECT_EQ(property.ean13.forced_addon2_headers.Get().size(), 2u);
    EXPECT_EQ(property.ean13.forced_addon2_headers.Get()[1], static_cast<std::uint32_t>('7'));
    EXPECT_TRUE(property.code39.fixed_length.Get().Admits(12));
    EXPECT_FALSE(property.code39.fixed_length.Get().Admits(10));

    // Another bank holds its own values.
    ASSERT_TRUE(SelectBank(2));
    EXPECT_EQ(property.detail_of_decoder.search_margin_left.Get(),
              root.detail_of_decoder.search_margin.left.DefaultValue());
    ASSERT_TRUE(SelectBank(0));
    EXPECT_EQ(property.detail_of_decoder.search_margin_left.Get(), 517);
}

TEST_F(Dec2DPropertyTest, ListGivesItsItemsAndCount)
{
    using Kind = cfg::configuration::code::ocr::character_kind::ocrb::Enum;
    auto const& key = manager.Root().code.ocr.character_kind.ocrb;
    cfg::Array<Kind, 64> kinds{};
    kinds.count = 3;
    kinds.data[0] = Kind::DIGIT;
    kinds.data[1] = Kind::UPPER_CASE;
    kinds.data[2] = Kind::SPACE;
    ASSERT_TRUE(key.Set(kinds));
    ASSERT_TRUE(manager.Update());

    EnumListProperty<64> const& list = property.ocrb.character_kind;
    EXPECT_EQ(list.GetItems(), reinterpret_cast<std::uint32_t const*>(key.Value().data));
    ASSERT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list.GetItems()[0], 1u);
    EXPECT_EQ(list.GetItems()[2], 5u);

    // A damaged count word never leads a reader past the items.
    std::uint32_t const damaged = 1000;
    std::memcpy(key.CalcAddress(), &damaged, sizeof damaged);
    EXPECT_EQ(list.GetCount(), 64u);
}

TEST_F(Dec2DPropertyTest, FilterGettersReadTheirKeyGroup)
{
    auto& keys = manager.Root().detail_of_decoder.filters;
    ASSERT_TRUE(keys.black_bold.enable.Set(true));
    ASSERT_TRUE(keys.black_bold.priority.Set(7));
    ASSERT_TRUE(keys.white_bold.diameter_x.Set(5));
    ASSERT_TRUE(keys.moving_average.diameter_y.Set(9));
    ASSERT_TRUE(manager.Update());

    struct Case {
        FiltersProperty::Filter const& filter;
        cfg::ValueHandle<bool> const& enable;
        cfg::ValueHandle<std::uint8_t> const& priority;
        cfg::ValueHandle<std::uint8_t> const& diameterX;
        cfg::ValueHandle<std::uint8_t> const& diameterY;
    };
    Case const cases[] = {
        {property.filters.black_bold, keys.black_bold.enable, keys.black_bold.priority, keys.black_bold.diameter_x,
         keys.black_bold.diameter_y},
        {property.filters.white_bold, keys.white_bold.enable, keys.white_bold.priority, keys.white_bold.diameter_x,
         keys.white_bold.diameter_y},
        {property.filters.moving_average, keys.moving_average.enable, keys.moving_average.priority,
         keys.moving_average.diameter_x, keys.moving_average.diameter_y},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(c.filter.GetEnable(), c.enable.Value());
        EXPECT_EQ(c.filter.GetPriority(), c.priority.Value());
        EXPECT_EQ(c.filter.GetDiameterX(), c.diameterX.Value());
        EXPECT_EQ(c.filter.GetDiameterY(), c.diameterY.Value());
    }
    EXPECT_TRUE(property.filters.black_bold.GetEnable());
    EXPECT_EQ(property.filters.black_bold.GetPriority(), 7u);
    EXPECT_EQ(property.filters.white_bold.GetDiameterX(), 5u);
    EXPECT_EQ(property.filters.moving_average.GetDiameterY(), 9u);
}

TEST_F(Dec2DPropertyTest, GroupCountersAreZeroAndFixedValuesSet)
{
    PropertyGroup const* const groups[] = {
        &property.upc_a, &property.upc_e, &property.ean13, &property.ean8, &property.code39, &property.codabar,
        &property.industrial2of5, &property.interleaved2of5, &property.scode, &property.matrix2of5,
        &property.chinese_post_matrix2of5, &property.korean_postal_authority, &property.intelligent_mail_barcode,
        &property.netherlands_kix, &property.japanese_postal, &property.postnet, &property.australian_postal,
        &property.planet, &property.uk_postal_customer_code, &property.uk_postal_mail_mark, &property.iata,
        &property.msi_plessey, &property.telepen, &property.uk_plessey, &property.code128, &property.code93,
        &property.code11, &property.gs1_databar, &property.codablock_f, &property.data_matrix, &property.aztec_code,
        &property.chinese_sensible_code, &property.qr_code, &property.maxi_code, &property.pdf417,
        &property.micro_pdf417, &property.composite, &property.gs1_128, &property.machine_readable_passports,
        &property.machine_readable_visas, &property.official_travel_documents, &property.book_code,
        &property.ocr_common, &property.ocrb, &property.ocra, &property.ms_gothic, &property.ms_mincho,
        &property.e13b, &property.win_product_key, &property.dynamic_font, &property.payment_handling_ocr,
        &property.filters, &property.dot_code, &property.ocr_date_format, &property.multi_line_ocr, &property.ocrg2,
        &property.detail_of_decoder, &property.common_2d,
    };
    EXPECT_EQ(std::size(groups), 58u);
    // The shared 2D settings come after every group found by its place.
    EXPECT_GT(static_cast<void const*>(&property.common_2d), static_cast<void const*>(&property.detail_of_decoder));
    for (std::size_t i = 0; i < std::size(groups); ++i) {
        EXPECT_EQ(groups[i]->counter, 0) << "group " << i;
    }

    EXPECT_EQ(property.ean13.reserved, 0u);
    EXPECT_EQ(property.code39.flag, 1);
    EXPECT_EQ(property.code128.flag, 1);
    EXPECT_EQ(property.qr_code.flag, 1);
    EXPECT_EQ(property.ocr_common.flag, 0);
    EXPECT_EQ(property.detail_of_decoder.flag, 1);
    for (std::uint16_t word : property.detail_of_decoder.reserved) {
        EXPECT_EQ(word, 0);
    }
}

}  // namespace
}  // namespace DEC2DIvra
