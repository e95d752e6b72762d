#pragma once

#include <cstdint>
#include <type_traits>

#include "config/common_property_reference.h"
#include "config/value_types.h"
#include "decoder/core/property/array_property.h"
#include "decoder/core/property/filters_property.h"
#include "decoder/core/property/property_group.h"
#include "decoder/core/property/property_reference.h"

// The decoder property table: a reference to every setting a decoder reads,
// group by group. Decoders read a setting at the point of use through its
// member (property.code128.read.Get()), without locking, in the settings
// taken at the start of the frame (see TakeSettings). Groups and members keep this order: the decoders find
// them by their place. Members that are not settings (flag bytes, zero words)
// are fixed values of the layout. Enumerations read as their 32-bit numbers.
namespace ivra_configuration {
class ConfigurationManager;
}

namespace DEC2DIvra {

struct UpcAProperty : PropertyGroup {
    explicit UpcAProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_addon2;
    PropertyReference<bool> read_addon5;
    PropertyReference<bool> transmit_leading_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<bool> smart_quiet_zone_check;
};

struct UpcEProperty : PropertyGroup {
    explicit UpcEProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_addon2;
    PropertyReference<bool> read_addon5;
    PropertyReference<bool> read_upc_e1;
    PropertyReference<bool> read_upc_e1_addon2;
    PropertyReference<bool> read_upc_e1_addon5;
    PropertyReference<bool> transmit_leading_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<bool> transmit_as_upc_a;
};

struct Ean13Property : PropertyGroup {
    explicit Ean13Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_addon2;
    PropertyReference<bool> read_addon5;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<std::uint32_t> enable_isbn;
    PropertyReference<std::uint32_t> enable_issn;
    PropertyReference<std::uint32_t> enable_ismn;
    std::uint32_t const reserved = 0;
    TextReference<39> forced_addon2_headers;
    TextReference<39> forced_addon5_headers;
    PropertyReference<bool> enable_forced_addon1;
    PropertyReference<bool> enable_forced_addon2;
    PropertyReference<bool> magazine_code;
};

struct Ean8Property : PropertyGroup {
    explicit Ean8Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_addon2;
    PropertyReference<bool> read_addon5;
    PropertyReference<bool> transmit_check_digit;
};

struct Code39Property : PropertyGroup {
    explicit Code39Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<std::uint32_t> enable_full_ascii;
    PropertyReference<std::uint32_t> enable_italian_pharmaceutical;
    PropertyReference<bool> check_check_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<bool> transmit_start_stop;
    PropertyReference<bool> transmit_a_for_italian_pharmaceutical;
    PropertyReference<bool> read_trioptic;
    std::uint8_t const flag = 1;
    FixedLengthReference fixed_length;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
};

struct CodabarProperty : PropertyGroup {
    explicit CodabarProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<std::uint8_t> enable_abc_cx;
    PropertyReference<bool> check_check_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<bool> space_insertion;
    PropertyReference<std::uint32_t> transmit_start_and_stop;
    PropertyReference<bool> intercharacter_gap_check;
    PropertyReference<std::uint32_t> check_digit_type;
    PropertyReference<std::uint32_t> check_digit_7dr_character_table;
    PropertyReference<std::uint32_t> check_digit_7dsr_character_table;
    PropertyReference<std::uint32_t> check_digit_9dr_character_table;
    PropertyReference<std::uint32_t> check_digit_9dsr_character_table;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct Industrial2of5Property : PropertyGroup {
    explicit Industrial2of5Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> enable_space_check;
    PropertyReference<bool> check_check_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct Interleaved2of5Property : PropertyGroup {
    explicit Interleaved2of5Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> check_check_digit;
    PropertyReference<bool> transmit_check_digit;
    FixedLengthReference fixed_length;
    PropertyReference<std::uint32_t> check_digit_type;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
};

struct SCodeProperty : PropertyGroup {
    explicit SCodeProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> transmit_as_interleaved2of5;
    PropertyReference<bool> check_check_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct Matrix2of5Property : PropertyGroup {
    explicit Matrix2of5Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> check_check_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct ChinesePostMatrix2of5Property : PropertyGroup {
    explicit ChinesePostMatrix2of5Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
};

struct KoreanPostalAuthorityProperty : PropertyGroup {
    explicit KoreanPostalAuthorityProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<bool> transmit_dash;
    PropertyReference<bool> enable_upside_down_reading;
    PropertyReference<bool> enable_backward_scanning;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
};

// The postal codes without check digit setting: Intelligent Mail, KIX.
struct PostalDelimiterProperty : PropertyGroup {
    template <class Code>
    PostalDelimiterProperty(ivra_configuration::ValueHandle<bool> const& read_, Code const& code)
        : read(read_), delimiter_character(code.delimiter.character), delimiter_style(code.delimiter.style)
    {
    }
    PropertyReference<bool> read;
    TextReference<1> delimiter_character;
    PropertyReference<std::uint8_t> delimiter_style;
};

// Japanese postal, POSTNET, PLANET, UK postal customer code.
struct PostalCheckDigitProperty : PropertyGroup {
    template <class Code>
    PostalCheckDigitProperty(ivra_configuration::ValueHandle<bool> const& read_, Code const& code)
        : read(read_), transmit_check_digit(code.transmit_check_digit),
          delimiter_character(code.delimiter.character), delimiter_style(code.delimiter.style)
    {
    }
    PropertyReference<bool> read;
    PropertyReference<bool> transmit_check_digit;
    TextReference<1> delimiter_character;
    PropertyReference<std::uint8_t> delimiter_style;
};

struct AustralianPostalProperty : PropertyGroup {
    explicit AustralianPostalProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> transmit_redundant_symbol;
    TextReference<1> delimiter_character;
    PropertyReference<std::uint8_t> delimiter_style;
    PropertyReference<bool> transmit_raw_data;
    PropertyReference<std::uint8_t> output_format;
};

struct UkPostalMailMarkProperty : PropertyGroup {
    explicit UkPostalMailMarkProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
};

struct IataProperty : PropertyGroup {
    explicit IataProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<std::uint32_t> check_check_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct MsiPlesseyProperty : PropertyGroup {
    explicit MsiPlesseyProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<std::uint32_t> check_check_digit;
    PropertyReference<std::uint32_t> transmit_check_digit;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct TelepenProperty : PropertyGroup {
    explicit TelepenProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> enable_ascii_output_mode;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct UkPlesseyProperty : PropertyGroup {
    explicit UkPlesseyProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<bool> enable_insert_space;
    PropertyReference<bool> convert_a_to_x;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct Code128Property : PropertyGroup {
    explicit Code128Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    std::uint8_t const flag = 1;
    PropertyReference<bool> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct Code93Property : PropertyGroup {
    explicit Code93Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> check_check_digit;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct Code11Property : PropertyGroup {
    explicit Code11Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<std::uint32_t> check_check_digit;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<std::uint8_t> smart_quiet_zone_check;
    FixedLengthReference fixed_length;
};

struct Gs1DataBarProperty : PropertyGroup {
    explicit Gs1DataBarProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_limited;
    PropertyReference<bool> read_expanded;
    PropertyReference<bool> transmit_check_digit;
    PropertyReference<bool> transmit_application_identifier;
    PropertyReference<bool> enable_protection_for_upc_a;
    FixedLengthReference fixed_length;
};

// The groups of a symbology with only its switch and its lengths: Codablock F,
// Han Xin, MaxiCode, MicroPDF417, DotCode.
struct ReadAndLengthProperty : PropertyGroup {
    ReadAndLengthProperty(ivra_configuration::ValueHandle<bool> const& read_,
                          ivra_configuration::ValueHandle<ivra_configuration::FixedLength> const& fixedLength)
        : read(read_), fixed_length(fixedLength)
    {
    }
    PropertyReference<bool> read;
    FixedLengthReference fixed_length;
};

struct DataMatrixProperty : PropertyGroup {
    explicit DataMatrixProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_ecc000_140;
    FixedLengthReference fixed_length;
    PropertyReference<std::uint32_t> positive_and_negative;
};

struct AztecCodeProperty : PropertyGroup {
    explicit AztecCodeProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_runes;
    FixedLengthReference fixed_length;
};

struct QrCodeProperty : PropertyGroup {
    explicit QrCodeProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_micro_qr;
    FixedLengthReference fixed_length;
    PropertyReference<std::uint32_t> positive_and_negative;
    std::uint8_t const flag = 1;
};

struct Pdf417Property : PropertyGroup {
    explicit Pdf417Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    FixedLengthReference fixed_length;
    PropertyReference<std::uint32_t> positive_and_negative;
};

struct CompositeProperty : PropertyGroup {
    explicit CompositeProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> read_composite_ean;
    PropertyReference<bool> ignore_link_flag;
    PropertyReference<std::uint32_t> component_mode;
    FixedLengthReference fixed_length;
};

struct Gs1128Property : PropertyGroup {
    explicit Gs1128Property(ivra_configuration::configuration::Handle const& root);
    FixedLengthReference fixed_length;
};

struct MachineReadablePassportsProperty : PropertyGroup {
    explicit MachineReadablePassportsProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> enable_passport_json_format;
};

struct MachineReadableVisasProperty : PropertyGroup {
    explicit MachineReadableVisasProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read_visas_a;
    PropertyReference<bool> read_visas_b;
};

struct OfficialTravelDocumentsProperty : PropertyGroup {
    explicit OfficialTravelDocumentsProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read_documents1;
    PropertyReference<bool> read_documents2;
};

struct BookCodeProperty : PropertyGroup {
    explicit BookCodeProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read_isbn;
    PropertyReference<bool> read_japan_book_kind_and_price;
};

struct OcrCommonProperty : PropertyGroup {
    explicit OcrCommonProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read_japan_drivers_license;
    PropertyReference<bool> read_japan_my_number;
    PropertyReference<bool> free_line_ocr;
    PropertyReference<bool> read_japan_street_address_code;
    FixedLengthReference free_line_ocr_fixed_length;
    PropertyReference<std::uint32_t> free_line_ocr_font;
    std::uint8_t const flag = 0;
    PropertyReference<bool> inserting_space;
    EnumListProperty<16> dynamic_font_list;
    PropertyReference<bool> enable_long_space;
    PropertyReference<std::uint8_t> line_count;
    PropertyReference<bool> show_character_region;
    PropertyReference<bool> show_max_min_accuracy;
    PropertyReference<bool> show_all_accuracy;
    PropertyReference<bool> enable_accuracy_rate;
    PropertyReference<std::uint8_t> middle_accuracy_threshold;
    PropertyReference<std::uint8_t> high_accuracy_threshold;
};

// One OCR font: OCR-B, OCR-A, MS Gothic, MS Mincho, E-13B, the dynamic font.
struct OcrFontProperty : PropertyGroup {
    template <class List>
    OcrFontProperty(ivra_configuration::ValueHandle<bool> const& read_,
                    ivra_configuration::ValueHandle<ivra_configuration::FixedLength> const& fixedLength,
                    List const& characterKind)
        : read(read_), fixed_length(fixedLength), character_kind(characterKind)
    {
    }
    PropertyReference<bool> read;
    FixedLengthReference fixed_length;
    EnumListProperty<64> character_kind;
};

struct WinProductKeyProperty : PropertyGroup {
    explicit WinProductKeyProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> show_hyphen_of_product_key;
};

struct PaymentHandlingOcrProperty : PropertyGroup {
    explicit PaymentHandlingOcrProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> read;
    PropertyReference<bool> enable_payment_handring_json_format;
};

struct OcrDateFormatProperty : PropertyGroup {
    explicit OcrDateFormatProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> readable_separator_space;
    PropertyReference<bool> readable_separator_slash;
    PropertyReference<bool> readable_separator_other;
    PropertyReference<bool> readable_separator_no;
    PropertyReference<bool> omit_date;
    PropertyReference<bool> omit_prev_date;
    PropertyReference<bool> omit_next_date;
    PropertyReference<std::uint32_t> readable_month;
    PropertyReference<std::uint32_t> output_month;
    PropertyReference<std::uint32_t> date_order;
    PropertyReference<std::uint32_t> output_order;
    PropertyReference<std::uint8_t> year_digit;
    TextReference<1> date_separator;
    TextReference<1> prev_date_separator;
    TextReference<1> next_date_separator;
    PropertyReference<bool> output_4digit_year;
    PropertyReference<bool> output_left0;
    FixedLengthReference fixed_length_prev_date;
    FixedLengthReference fixed_length_next_date;
    TextReference<8> prev_date_character;
    TextReference<8> next_date_character;
};

struct MultiLineOcrProperty : PropertyGroup {
    explicit MultiLineOcrProperty(ivra_configuration::configuration::Handle const& root);
    FixedLengthReference fixed_length_first_line;
    FixedLengthReference fixed_length_second_line;
    FixedLengthReference fixed_length_third_line;
    FixedLengthReference fixed_length_fourth_line;
    EnumListProperty<64> character_kind_first_line;
    EnumListProperty<64> character_kind_second_line;
    EnumListProperty<64> character_kind_third_line;
    EnumListProperty<64> character_kind_fourth_line;
};

// The place of a setting that one variant lacks; it takes no room.
struct NoSetting {
};

// One OCR-G2 variant. DotSetting is PropertyReference<bool> for the variants
// with the dot-print switch and NoSetting for the one without.
template <class DotSetting>
struct OcrG2VariantBlock {
    template <class Code>
    OcrG2VariantBlock(ivra_configuration::ValueHandle<bool> const& read_,
                      ivra_configuration::ValueHandle<ivra_configuration::FixedLength> const& fixedLength,
                      Code const& code)
        : read(read_),
          fixed_length(fixedLength),
          character_list(code.character_list),
          font_list(code.font_list),
          reverse(code.reverse),
          both_directions(code.both_directions),
          negative(code.negative),
          both_positive_negative(code.both_positive_negative),
          insert_space(code.insert_space),
          space_distance_100per_height(code.space_distance_100per_height),
          separate_distance_100per_height_left(code.separate_distance_100per_height_left),
          separate_distance_100per_height_right(code.separate_distance_100per_height_right),
          min_character_100per_height(code.min_character_100per_height),
          is_dot(BindDot(code)),
          enable_small_characters(code.enable_small_characters),
          enable_upper_downer_search(code.enable_upper_downer_search),
          space_character(code.space_character),
          unknown_character(code.unknown_character),
          max_character_width_100per_height(code.max_character_width_100per_height),
          fast_mode(code.fast_mode),
          enable_format_list(code.enable_format_list),
          format_list(code.format_list),
          enable_smart_reading(code.enable_smart_reading),
          check_barcode(code.check_barcode),
          split_underline(code.split_underline)
    {
    }

    PropertyReference<bool> read;
    FixedLengthReference fixed_length;
    TextReference<64> character_list;
    EnumListProperty<33> font_list;
    PropertyReference<bool> reverse;
    PropertyReference<bool> both_directions;
    PropertyReference<bool> negative;
    PropertyReference<bool> both_positive_negative;
    PropertyReference<bool> insert_space;
    PropertyReference<std::uint16_t> space_distance_100per_height;
    PropertyReference<std::uint16_t> separate_distance_100per_height_left;
    PropertyReference<std::uint16_t> separate_distance_100per_height_right;
    PropertyReference<std::uint16_t> min_character_100per_height;
    [[no_unique_address]] DotSetting is_dot;
    PropertyReference<bool> enable_small_characters;
    PropertyReference<bool> enable_upper_downer_search;
    TextReference<1> space_character;
    TextReference<1> unknown_character;
    PropertyReference<std::uint16_t> max_character_width_100per_height;
    PropertyReference<bool> fast_mode;
    PropertyReference<bool> enable_format_list;
    TextReference<64> format_list;
    PropertyReference<bool> enable_smart_reading;
    PropertyReference<bool> check_barcode;
    PropertyReference<bool> split_underline;

private:
    template <class Code>
    static DotSetting BindDot(Code const& code)
    {
        if constexpr (std::is_same_v<DotSetting, NoSetting>) {
            return NoSetting{};
        } else {
            return DotSetting(code.is_dot);
        }
    }
};

using OcrG2VariantProperty = OcrG2VariantBlock<PropertyReference<bool>>;
using OcrG2DeliverySlipsProperty = OcrG2VariantBlock<NoSetting>;

struct OcrG2Property : PropertyGroup {
    explicit OcrG2Property(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> search_area;
    PropertyReference<std::uint16_t> search_area_top_left_x;
    PropertyReference<std::uint16_t> search_area_top_left_y;
    PropertyReference<std::uint16_t> search_area_bottom_right_x;
    PropertyReference<std::uint16_t> search_area_bottom_right_y;
    PropertyReference<bool> filter_enable_1st;
    PropertyReference<bool> filter_enable_2nd;
    PropertyReference<bool> filter_enable_3rd;
    PropertyReference<std::uint16_t> filter_top_left_x;
    PropertyReference<std::uint16_t> filter_top_left_y;
    PropertyReference<std::uint16_t> filter_bottom_right_x;
    PropertyReference<std::uint16_t> filter_bottom_right_y;
    PropertyReference<bool> check_7dr_delivery_slips;
    PropertyReference<bool> enable_json_format;
    OcrG2VariantProperty ocrg2_1;
    OcrG2VariantProperty ocrg2_2;
    OcrG2VariantProperty ocrg2_3;
    OcrG2VariantProperty ocrg2_4;
    OcrG2VariantProperty ocrg2_date;
    OcrG2VariantProperty ocrg2_dot_date;
    OcrG2DeliverySlipsProperty ocrg2_delivery_slips;
};

struct DecoderDetailProperty : PropertyGroup {
    explicit DecoderDetailProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<std::uint32_t> barcode_decode_mode;
    PropertyReference<bool> enable_high_resolution_barcode_decoding;
    PropertyReference<std::uint32_t> code_search_mode;
    PropertyReference<std::uint32_t> single_line_direction;
    PropertyReference<std::uint8_t> quiet_zone;
    PropertyReference<std::uint8_t> redundancy;
    PropertyReference<std::uint16_t> search_margin_top;
    PropertyReference<std::uint16_t> search_margin_right;
    PropertyReference<std::uint16_t> search_margin_bottom;
    PropertyReference<std::uint16_t> search_margin_left;
    PropertyReference<bool> central_reading;
    std::uint16_t const reserved[4] = {0, 0, 0, 0};
    PropertyReference<bool> output_bad_read;
    PropertyReference<std::uint32_t> positive_and_negative;
    PropertyReference<bool> ocr_upside_down;
    PropertyReference<bool> ocr_double_sided;
    PropertyReference<bool> ocr_vertical_read;
    std::uint8_t const flag = 1;
    PropertyReference<bool> ignore_eci_protocol;
    PropertyReference<std::int16_t> reference_angle_tilt;
    PropertyReference<bool> only_complete_codes;
};

// Settings every 2D decoder shares: whether ECI escapes are left out of the
// label data, and whether the symbol record is filled.
struct Common2DProperty : PropertyGroup {
    explicit Common2DProperty(ivra_configuration::configuration::Handle const& root);
    PropertyReference<bool> suppress_eci_escape;
    PropertyReference<bool> fill_symbol_record;
};

struct DEC2DProperty {
    // Bound to the process-wide store.
    DEC2DProperty();
    // Bound to the tree of any store (tests build their own).
    explicit DEC2DProperty(ivra_configuration::configuration::Handle const& root);
    DEC2DProperty(DEC2DProperty const&) = delete;
    DEC2DProperty& operator=(DEC2DProperty const&) = delete;

    // At a frame boundary: the settings as they are now are what the decoders read
    // until the next (when the store keeps a copy for the decoder).
    void TakeSettings() const;

    UpcAProperty upc_a;
    UpcEProperty upc_e;
    Ean13Property ean13;
    Ean8Property ean8;
    Code39Property code39;
    CodabarProperty codabar;
    Industrial2of5Property industrial2of5;
    Interleaved2of5Property interleaved2of5;
    SCodeProperty scode;
    Matrix2of5Property matrix2of5;
    ChinesePostMatrix2of5Property chinese_post_matrix2of5;
    KoreanPostalAuthorityProperty korean_postal_authority;
    PostalDelimiterProperty intelligent_mail_barcode;
    PostalDelimiterProperty netherlands_kix;
    PostalCheckDigitProperty japanese_postal;
    PostalCheckDigitProperty postnet;
    AustralianPostalProperty australian_postal;
    PostalCheckDigitProperty planet;
    PostalCheckDigitProperty uk_postal_customer_code;
    UkPostalMailMarkProperty uk_postal_mail_mark;
    IataProperty iata;
    MsiPlesseyProperty msi_plessey;
    TelepenProperty telepen;
    UkPlesseyProperty uk_plessey;
    Code128Property code128;
    Code93Property code93;
    Code11Property code11;
    Gs1DataBarProperty gs1_databar;
    ReadAndLengthProperty codablock_f;
    DataMatrixProperty data_matrix;
    AztecCodeProperty aztec_code;
    ReadAndLengthProperty chinese_sensible_code;
    QrCodeProperty qr_code;
    ReadAndLengthProperty maxi_code;
    Pdf417Property pdf417;
    ReadAndLengthProperty micro_pdf417;
    CompositeProperty composite;
    Gs1128Property gs1_128;
    MachineReadablePassportsProperty machine_readable_passports;
    MachineReadableVisasProperty machine_readable_visas;
    OfficialTravelDocumentsProperty official_travel_documents;
    BookCodeProperty book_code;
    OcrCommonProperty ocr_common;
    OcrFontProperty ocrb;
    OcrFontProperty ocra;
    OcrFontProperty ms_gothic;
    OcrFontProperty ms_mincho;
    OcrFontProperty e13b;
    WinProductKeyProperty win_product_key;
    OcrFontProperty dynamic_font;
    PaymentHandlingOcrProperty payment_handling_ocr;
    FiltersProperty filters;
    ReadAndLengthProperty dot_code;
    OcrDateFormatProperty ocr_date_format;
    MultiLineOcrProperty multi_line_ocr;
    OcrG2Property ocrg2;
    DecoderDetailProperty detail_of_decoder;
    // After every group the decoders find by its place.
    Common2DProperty common_2d;

private:
    ivra_configuration::ConfigurationManager& manager_;
};

}  // namespace DEC2DIvra
