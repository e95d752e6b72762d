#include "decoder/core/property/dec2d_property.h"

#include "config/configuration_manager.h"
#include "config/key_tree.h"

// Each member binds to the handle of its key; a key that is missing or stored
// with another type than the member reads does not compile.
namespace DEC2DIvra {

using Root = ivra_configuration::configuration::Handle;

UpcAProperty::UpcAProperty(Root const& root)
    : read(root.read.upc_a),
      read_addon2(root.read.upc_a_addon2),
      read_addon5(root.read.upc_a_addon5),
      transmit_leading_digit(root.code.upc_a.transmit_leading_digit),
      transmit_check_digit(root.code.upc_a.transmit_check_digit),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.wpc)
{
}

UpcEProperty::UpcEProperty(Root const& root)
    : read(root.read.upc_e),
      read_addon2(root.read.upc_e_addon2),
      read_addon5(root.read.upc_e_addon5),
      read_upc_e1(root.read.upc_e1),
      read_upc_e1_addon2(root.read.upc_e1_addon2),
      read_upc_e1_addon5(root.read.upc_e1_addon5),
      transmit_leading_digit(root.code.upc_e.transmit_leading_digit),
      transmit_check_digit(root.code.upc_e.transmit_check_digit),
      transmit_as_upc_a(root.code.upc_e.transmit_as_upc_a)
{
}

Ean13Property::Ean13Property(Root const& root)
    : read(root.read.ean13),
      read_addon2(root.read.ean13_addon2),
      read_addon5(root.read.ean13_addon5),
      transmit_check_digit(root.code.ean13.transmit_check_digit),
      enable_isbn(root.code.ean13.enable_isbn),
      enable_issn(root.code.ean13.enable_issn),
      enable_ismn(root.code.ean13.enable_ismn),
      forced_addon2_headers(root.code.ean13.forced_addon2_headers),
      forced_addon5_headers(root.code.ean13.forced_addon5_headers),
      enable_forced_addon1(root.code.ean13.enable_forced_addon1),
      enable_forced_addon2(root.code.ean13.enable_forced_addon2),
      magazine_code(root.readable_medium.japan_book_code.magazine_code.enable)
{
}

Ean8Property::Ean8Property(Root const& root)
    : read(root.read.ean8),
      read_addon2(root.read.ean8_addon2),
      read_addon5(root.read.ean8_addon5),
      transmit_check_digit(root.code.ean8.transmit_check_digit)
{
}

Code39Property::Code39Property(Root const& root)
    : read(root.read.code39),
      enable_full_ascii(root.code.code39.enable_full_ascii),
      enable_italian_pharmaceutical(root.code.code39.enable_italian_pharmaceutical),
      check_check_digit(root.code.code39.check_check_digit),
      transmit_check_digit(root.code.code39.transmit_check_digit),
      transmit_start_stop(root.code.code39.transmit_start_stop),
      transmit_a_for_italian_pharmaceutical(root.code.code39.transmit_a_for_italian_pharmaceutical),
      read_trioptic(root.read.trioptic),
      fixed_length(root.fixed_length.code39),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.code39)
{
}

CodabarProperty::CodabarProperty(Root const& root)
    : read(root.read.codabar),
      enable_abc_cx(root.code.codabar.enable_abc_cx),
      check_check_digit(root.code.codabar.check_check_digit),
      transmit_check_digit(root.code.codabar.transmit_check_digit),
      space_insertion(root.code.codabar.space_insertion),
      transmit_start_and_stop(root.code.codabar.transmit_start_and_stop),
      intercharacter_gap_check(root.code.codabar.intercharacter_gap_check),
      check_digit_type(root.code.codabar.check_digit_type),
      check_digit_7dr_character_table(root.code.codabar.check_digit_7dr_character_table),
      check_digit_7dsr_character_table(root.code.codabar.check_digit_7dsr_character_table),
      check_digit_9dr_character_table(root.code.codabar.check_digit_9dr_character_table),
      check_digit_9dsr_character_table(root.code.codabar.check_digit_9dsr_character_table),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.codabar),
      fixed_length(root.fixed_length.codabar)
{
}

Industrial2of5Property::Industrial2of5Property(Root const& root)
    : read(root.read.industrial2of5),
      enable_space_check(root.code.industrial2of5.enable_space_check),
      check_check_digit(root.code.industrial2of5.check_check_digit),
      transmit_check_digit(root.code.industrial2of5.transmit_check_digit),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.industrial2of5),
      fixed_length(root.fixed_length.industrial2of5)
{
}

Interleaved2of5Property::Interleaved2of5Property(Root const& root)
    : read(root.read.interleaved2of5),
      check_check_digit(root.code.interleaved2of5.check_check_digit),
      transmit_check_digit(root.code.interleaved2of5.transmit_check_digit),
      fixed_length(root.fixed_length.interleaved2of5),
      check_digit_type(root.code.interleaved2of5.check_digit_type),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.interleaved2of5)
{
}

SCodeProperty::SCodeProperty(Root const& root)
    : read(root.read.scode),
      transmit_as_interleaved2of5(root.code.scode.transmit_as_interleaved2of5),
      check_check_digit(root.code.scode.check_check_digit),
      transmit_check_digit(root.code.scode.transmit_check_digit),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.scode),
      fixed_length(root.fixed_length.scode)
{
}

Matrix2of5Property::Matrix2of5Property(Root const& root)
    : read(root.read.matrix2of5),
      check_check_digit(root.code.matrix2of5.check_check_digit),
      transmit_check_digit(root.code.matrix2of5.transmit_check_digit),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.matrix2of5),
      fixed_length(root.fixed_length.matrix2of5)
{
}

ChinesePostMatrix2of5Property::ChinesePostMatrix2of5Property(Root const& root)
    : read(root.read.chinese_post_matrix2of5),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.chinese_post_matrix2of5)
{
}

KoreanPostalAuthorityProperty::KoreanPostalAuthorityProperty(Root const& root)
    : read(root.read.korean_postal_authority),
      transmit_check_digit(root.code.korean_postal_authority.transmit_check_digit),
      transmit_dash(root.code.korean_postal_authority.transmit_dash),
      enable_upside_down_reading(root.code.korean_postal_authority.enable_upside_down_reading),
      enable_backward_scanning(root.code.korean_postal_authority.enable_backward_scanning),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.korean_postal_authority)
{
}

AustralianPostalProperty::AustralianPostalProperty(Root const& root)
    : read(root.read.australian_postal),
      transmit_redundant_symbol(root.code.australian_postal.transmit_redundant_symbol),
      delimiter_character(root.code.australian_postal.delimiter.character),
      delimiter_style(root.code.australian_postal.delimiter.style),
      transmit_raw_data(root.code.australian_postal.transmit_raw_data),
      output_format(root.code.australian_postal.output_format)
{
}

UkPostalMailMarkProperty::UkPostalMailMarkProperty(Root const& root) : read(root.read.uk_postal_mail_mark) {}

IataProperty::IataProperty(Root const& root)
    : read(root.read.iata),
      check_check_digit(root.code.iata.check_check_digit),
      transmit_check_digit(root.code.iata.transmit_check_digit),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.iata),
      fixed_length(root.fixed_length.iata)
{
}

MsiPlesseyProperty::MsiPlesseyProperty(Root const& root)
    : read(root.read.msi_plessey),
      check_check_digit(root.code.msi_plessey.check_check_digit),
      transmit_check_digit(root.code.msi_plessey.transmit_check_digit),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.msi_plessey),
      fixed_length(root.fixed_length.msi_plessey)
{
}

TelepenProperty::TelepenProperty(Root const& root)
    : read(root.read.telepen),
      enable_ascii_output_mode(root.code.telepen.enable_ascii_output_mode),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.telepen),
      fixed_length(root.fixed_length.telepen)
{
}

UkPlesseyProperty::UkPlesseyProperty(Root const& root)
    : read(root.read.uk_plessey),
      transmit_check_digit(root.code.uk_plessey.transmit_check_digit),
      enable_insert_space(root.code.uk_plessey.enable_insert_space),
      convert_a_to_x(root.code.uk_plessey.convert_a_to_x),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.uk_plessey),
      fixed_length(root.fixed_length.uk_plessey)
{
}

Code128Property::Code128Property(Root const& root)
    : read(root.read.code128),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.code128),
      fixed_length(root.fixed_length.code128)
{
}

Code93Property::Code93Property(Root const& root)
    : read(root.read.code93),
      check_check_digit(root.code.code93.check_check_digit),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.code93),
      fixed_length(root.fixed_length.code93)
{
}

Code11Property::Code11Property(Root const& root)
    : read(root.read.code11),
      check_check_digit(root.code.code11.check_check_digit),
      transmit_check_digit(root.code.code11.transmit_check_digit),
      smart_quiet_zone_check(root.detail_of_decoder.smart_quiet_zone_check.code11),
      fixed_length(root.fixed_length.code11)
{
}

Gs1DataBarProperty::Gs1DataBarProperty(Root const& root)
    : read(root.read.gs1_databar),
      read_limited(root.read.gs1_databar_limited),
      read_expanded(root.read.gs1_databar_expanded),
      transmit_check_digit(root.code.gs1_databar.transmit_check_digit),
      transmit_application_identifier(root.code.gs1_databar.transmit_application_identifier),
      enable_protection_for_upc_a(root.code.gs1_databar.enable_protection_for_upc_a),
      fixed_length(root.fixed_length.gs1_databar_expanded)
{
}

DataMatrixProperty::DataMatrixProperty(Root const& root)
    : read(root.read.data_matrix),
      read_ecc000_140(root.read.data_matrix_ecc000_140),
      fixed_length(root.fixed_length.data_matrix),
      positive_and_negative(root.readable_medium.positive_and_negative_codes.data_matrix)
{
}

AztecCodeProperty::AztecCodeProperty(Root const& root)
    : read(root.read.aztec_code), read_runes(root.read.aztec_runes), fixed_length(root.fixed_length.aztec_code)
{
}

QrCodeProperty::QrCodeProperty(Root const& root)
    : read(root.read.qr_code),
      read_micro_qr(root.read.micro_qr),
      fixed_length(root.fixed_length.qr_code),
      positive_and_negative(root.readable_medium.positive_and_negative_codes.qr_code)
{
}

Pdf417Property::Pdf417Property(Root const& root)
    : read(root.read.pdf417),
      fixed_length(root.fixed_length.pdf417),
      positive_and_negative(root.readable_medium.positive_and_negative_codes.pdf_417)
{
}

CompositeProperty::CompositeProperty(Root const& root)
    : read(root.read.gs1_composite),
      read_composite_ean(root.read.composite_ean),
      ignore_link_flag(root.code.composite.ignore_link_flag),
      component_mode(root.code.composite.component_mode),
      fixed_length(root.fixed_length.composite)
{
}

Gs1128Property::Gs1128Property(Root const& root) : fixed_length(root.fixed_length.gs1_128) {}

MachineReadablePassportsProperty::MachineReadablePassportsProperty(Root const& root)
    : read(root.read.machine_readable_passports),
      enable_passport_json_format(root.code.ocr.enable_passport_json_format)
{
}

MachineReadableVisasProperty::MachineReadableVisasProperty(Root const& root)
    : read_visas_a(root.read.machine_readable_visas_a), read_visas_b(root.read.machine_readable_visas_b)
{
}

OfficialTravelDocumentsProperty::OfficialTravelDocumentsProperty(Root const& root)
    : read_documents1(root.read.official_travel_documents1), read_documents2(root.read.official_travel_documents2)
{
}

BookCodeProperty::BookCodeProperty(Root const& root)
    : read_isbn(root.read.isbn), read_japan_book_kind_and_price(root.read.japan_book_kind_and_price)
{
}

OcrCommonProperty::OcrCommonProperty(Root const& root)
    : read_japan_drivers_license(root.read.japan_drivers_license),
      read_japan_my_number(root.read.japan_my_number),
      free_line_ocr(root.data_edit_programming.free_line_ocr.enable),
      read_japan_street_address_code(root.read.japan_street_address_code),
      free_line_ocr_fixed_length(root.data_edit_programming.free_line_ocr.fixed_length),
      free_line_ocr_font(root.data_edit_programming.free_line_ocr.font),
      inserting_space(root.code.ocr.inserting_space),
      dynamic_font_list(root.code.ocr.dynamic_font_list),
      enable_long_space(root.code.ocr.enable_long_space),
      line_count(root.code.ocr.line_count),
      show_character_region(root.code.ocr.show_character_region),
      show_max_min_accuracy(root.code.ocr.show_max_min_accuracy),
      show_all_accuracy(root.code.ocr.show_all_accuracy),
      enable_accuracy_rate(root.code.ocr.enable_accuracy_rate),
      middle_accuracy_threshold(root.code.ocr.middle_accuracy_threshold),
      high_accuracy_threshold(root.code.ocr.high_accuracy_threshold)
{
}

WinProductKeyProperty::WinProductKeyProperty(Root const& root)
    : read(root.read.win_product_key), show_hyphen_of_product_key(root.code.ocr.show_hyphen_of_product_key)
{
}

PaymentHandlingOcrProperty::PaymentHandlingOcrProperty(Root const& root)
    : read(root.read.payment_handling_ocr),
      enable_payment_handring_json_format(root.code.ocr.enable_payment_handring_json_format)
{
}

OcrDateFormatProperty::OcrDateFormatProperty(Root const& root)
    : readable_separator_space(root.code.ocr.date_format.readable_separator.space),
      readable_separator_slash(root.code.ocr.date_format.readable_separator.slash),
      readable_separator_other(root.code.ocr.date_format.readable_separator.other),
      readable_separator_no(root.code.ocr.date_format.readable_separator.no),
      omit_date(root.code.ocr.date_format.omit_date),
      omit_prev_date(root.code.ocr.date_format.omit_prev_date),
      omit_next_date(root.code.ocr.date_format.omit_next_date),
      readable_month(root.code.ocr.date_format.readable_month),
      output_month(root.code.ocr.date_format.output_month),
      date_order(root.code.ocr.date_format.date_order),
      output_order(root.code.ocr.date_format.output_order),
      year_digit(root.code.ocr.date_format.year_digit),
      date_separator(root.code.ocr.date_format.date_separator),
      prev_date_separator(root.code.ocr.date_format.prev_date_separator),
      next_date_separator(root.code.ocr.date_format.next_date_separator),
      output_4digit_year(root.code.ocr.date_format.output_4digit_year),
      output_left0(root.code.ocr.date_format.output_left0),
      fixed_length_prev_date(root.fixed_length.prev_date),
      fixed_length_next_date(root.fixed_length.next_date),
      prev_date_character(root.code.ocr.date_format.prev_date_character),
      next_date_character(root.code.ocr.date_format.next_date_character)
{
}

MultiLineOcrProperty::MultiLineOcrProperty(Root const& root)
    : fixed_length_first_line(root.fixed_length.multi_line_ocr.first_line),
      fixed_length_second_line(root.fixed_length.multi_line_ocr.second_line),
      fixed_length_third_line(root.fixed_length.multi_line_ocr.third_line),
      fixed_length_fourth_line(root.fixed_length.multi_line_ocr.fourth_line),
      character_kind_first_line(root.code.ocr.character_kind.first_line),
      character_kind_second_line(root.code.ocr.character_kind.second_line),
      character_kind_third_line(root.code.ocr.character_kind.third_line),
      character_kind_fourth_line(root.code.ocr.character_kind.fourth_line)
{
}

OcrG2Property::OcrG2Property(Root const& root)
    : search_area(root.code.ocrg2.search.area.enable),
      search_area_top_left_x(root.code.ocrg2.search.area.top_left_x),
      search_area_top_left_y(root.code.ocrg2.search.area.top_left_y),
      search_area_bottom_right_x(root.code.ocrg2.search.area.bottom_right_x),
      search_area_bottom_right_y(root.code.ocrg2.search.area.bottom_right_y),
      filter_enable_1st(root.code.ocrg2.filter.enable_1st),
      filter_enable_2nd(root.code.ocrg2.filter.enable_2nd),
      filter_enable_3rd(root.code.ocrg2.filter.enable_3rd),
      filter_top_left_x(root.code.ocrg2.filter.top_left_x),
      filter_top_left_y(root.code.ocrg2.filter.top_left_y),
      filter_bottom_right_x(root.code.ocrg2.filter.bottom_right_x),
      filter_bottom_right_y(root.code.ocrg2.filter.bottom_right_y),
      check_7dr_delivery_slips(root.code.ocrg2.check_7dr_delivery_slips),
      enable_json_format(root.code.ocrg2.enable_json_format),
      ocrg2_1(root.read.ocrg2_1, root.fixed_length.ocrg2_1, root.code.ocrg2.ocrg2_1),
      ocrg2_2(root.read.ocrg2_2, root.fixed_length.ocrg2_2, root.code.ocrg2.ocrg2_2),
      ocrg2_3(root.read.ocrg2_3, root.fixed_length.ocrg2_3, root.code.ocrg2.ocrg2_3),
      ocrg2_4(root.read.ocrg2_4, root.fixed_length.ocrg2_4, root.code.ocrg2.ocrg2_4),
      ocrg2_date(root.read.ocrg2_date, root.fixed_length.ocrg2_date, root.code.ocrg2.ocrg2_date),
      ocrg2_dot_date(root.read.ocrg2_dot_date, root.fixed_length.ocrg2_dot_date, root.code.ocrg2.ocrg2_dot_date),
      ocrg2_delivery_slips(root.read.ocrg2_delivery_slips, root.fixed_length.ocrg2_delivery_slips,
                           root.code.ocrg2.ocrg2_delivery_slips)
{
}

Common2DProperty::Common2DProperty(Root const& root)
    : suppress_eci_escape(root.code.common_2d.suppress_eci_escape),
      fill_symbol_record(root.code.common_2d.fill_symbol_record)
{
}

DecoderDetailProperty::DecoderDetailProperty(Root const& root)
    : barcode_decode_mode(root.detail_of_decoder.barcode_decode_mode),
      enable_high_resolution_barcode_decoding(root.detail_of_decoder.enable_high_resolution_barcode_decoding),
      code_search_mode(root.detail_of_decoder.code_search_mode),
      single_line_direction(root.detail_of_decoder.single_line_direction),
      quiet_zone(root.detail_of_decoder.quiet_zone),
      redundancy(root.detail_of_decoder.redundancy),
      search_margin_top(root.detail_of_decoder.search_margin.top),
      search_margin_right(root.detail_of_decoder.search_margin.right),
      search_margin_bottom(root.detail_of_decoder.search_margin.bottom),
      search_margin_left(root.detail_of_decoder.search_margin.left),
      central_reading(root.trigger.manual.central_reading.enable),
      output_bad_read(root.readable_medium.output_bad_read.enable),
      positive_and_negative(root.readable_medium.positive_and_negative_codes.all_1d_and_composite_codes),
      ocr_upside_down(root.code.ocr.upside_down),
      ocr_double_sided(root.code.ocr.double_sided),
      ocr_vertical_read(root.code.ocr.vertical_read),
      ignore_eci_protocol(root.string.ignore_eci_protocol.enable),
      reference_angle_tilt(root.detail_of_decoder.reference_angle.tilt),
      only_complete_codes(root.readable_medium.only_complete_codes.all_1d_codes)
{
}

DEC2DProperty::DEC2DProperty() : DEC2DProperty(ivra_configuration::CommonPropertyReference::RootHandle()) {}

DEC2DProperty::DEC2DProperty(Root const& root)
    : upc_a(root),
      upc_e(root),
      ean13(root),
      ean8(root),
      code39(root),
      codabar(root),
      industrial2of5(root),
      interleaved2of5(root),
      scode(root),
      matrix2of5(root),
      chinese_post_matrix2of5(root),
      korean_postal_authority(root),
      intelligent_mail_barcode(root.read.intelligent_mail_barcode, root.code.intelligent_mail_barcode),
      netherlands_kix(root.read.netherlands_kix, root.code.netherlands_kix),
      japanese_postal(root.read.japanese_postal, root.code.japanese_postal),
      postnet(root.read.postnet, root.code.postnet),
      australian_postal(root),
      planet(root.read.planet, root.code.planet),
      uk_postal_customer_code(root.read.uk_postal_customer_code, root.code.uk_postal_customer_code),
      uk_postal_mail_mark(root),
      iata(root),
      msi_plessey(root),
      telepen(root),
      uk_plessey(root),
      code128(root),
      code93(root),
      code11(root),
      gs1_databar(root),
      codablock_f(root.read.codablock_f, root.fixed_length.codablock_f),
      data_matrix(root),
      aztec_code(root),
      chinese_sensible_code(root.read.chinese_sensible_code, root.fixed_length.chinese_sensible_code),
      qr_code(root),
      maxi_code(root.read.maxi_code, root.fixed_length.maxi_code),
      pdf417(root),
      micro_pdf417(root.read.micro_pdf417, root.fixed_length.micro_pdf417),
      composite(root),
      gs1_128(root),
      machine_readable_passports(root),
      machine_readable_visas(root),
      official_travel_documents(root),
      book_code(root),
      ocr_common(root),
      ocrb(root.read.ocrb, root.fixed_length.ocrb, root.code.ocr.character_kind.ocrb),
      ocra(root.read.ocra, root.fixed_length.ocra, root.code.ocr.character_kind.ocra),
      ms_gothic(root.read.ms_gothic, root.fixed_length.ms_gothic, root.code.ocr.character_kind.ms_gothic),
      ms_mincho(root.read.ms_mincho, root.fixed_length.ms_mincho, root.code.ocr.character_kind.ms_mincho),
      e13b(root.read.e13b, root.fixed_length.e13b, root.code.ocr.character_kind.e13b),
      win_product_key(root),
      dynamic_font(root.read.dynamic_font, root.fixed_length.dynamic_font, root.code.ocr.character_kind.dynamic_font),
      payment_handling_ocr(root),
      filters(root),
      dot_code(root.read.dot_code, root.fixed_length.dot_code),
      ocr_date_format(root),
      multi_line_ocr(root),
      ocrg2(root),
      detail_of_decoder(root),
      common_2d(root),
      manager_(root.Manager())
{
}

void DEC2DProperty::TakeSettings() const { manager_.TakeDecoderSettings(); }

}  // namespace DEC2DIvra
