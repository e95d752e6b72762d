// The composite reader's join of a 2D component found above a DataBar label:
// the label's sides run on to the component's top edge, whatever lines gave
// the label's corners.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/identifiers/pdf_identifiers.h"
#include "decoder/core/identifiers/rss_identifier.h"
#include "decoder/core/identifiers/upc_ean_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/stacked/composite_code_decoder.h"

namespace DEC2DIvra {
namespace {

constexpr unsigned kLinked = 1u << 11;

// Answers every search with a MicroPDF417 component whose top edge runs from
// (90, 150) to (310, 150).
class ComponentAbove final : public AbstractLineSegmentDecoder {
public:
    int Start(GrayImage const&, LineSegment const&, bool, bool, DecodedLabel& label) override
    {
        label.Clear();
        label.identifier = CommonSymbologyIdentifier(MicroPDFIdentifier());
        for (char c : std::string("10ABC123")) {
            label.data.Push(c);
        }
        label.region = Region{{{90, 150}, {310, 150}, {310, 170}, {90, 170}}};
        return 1;
    }
};

TEST(CompositeJoinTest, ShortSidesOfTheLinearLabelStillReachTheComponent)
{
    // An upright DataBar label 200 pixels wide whose top edge lies at y 200;
    // its sides as lines of several regions may leave them.
    struct Case {
        char const* name;
        Point leftBottom;
        Point rightBottom;
    };
    Case const cases[] = {
        {"both sides whole", {100, 230}, {300, 230}},
        {"left side one point", {100, 200}, {300, 230}},
        {"right side a few pixels askew", {100, 230}, {302, 201}},
    };
    ivra_configuration::ConfigurationManager manager;
    manager.Root().read.gs1_composite.Set(true);
    DEC2DProperty const property{manager.Root()};
    ComponentAbove pdf;
    CompositeCodeDecoder composite{property, pdf};
    std::vector<unsigned short> pixels(400 * 300, 512);
    GrayImage const image(400, 300, 400, pixels.data());
    DecodedLabel label;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        label.Clear();
        label.identifier.Copy(RSSIdentifier(kLinked));
        for (char ch : std::string("0109501101530003")) {
            label.data.Push(ch);
        }
        label.moduleCount = 96;
        label.region = Region{{{100, 200}, {300, 200}, c.rightBottom, c.leftBottom}};
        ASSERT_EQ(composite.Start(image, label), 1);
        EXPECT_EQ(std::string(&label.data[0], label.data.GetCount()), std::string("0109501101530003\x1c") + "10ABC123");
        // The joined label's top corners lie on the component's top edge,
        // above the linear label's (the bars' direction from both sides
        // together may lean a few pixels).
        EXPECT_NEAR(label.region[0].x, 100, 4);
        EXPECT_EQ(label.region[0].y, 150);
        EXPECT_NEAR(label.region[1].x, 300, 4);
        EXPECT_EQ(label.region[1].y, 150);
    }
}

// Finds no 2D part anywhere.
class NoComponent final : public AbstractLineSegmentDecoder {
public:
    int Start(GrayImage const&, LineSegment const&, bool, bool, DecodedLabel&) override { return 0; }
};

TEST(CompositeJoinTest, ALinkedPartWithoutItsComponentGoesOutOnlyWhenTheLinkFlagIsIgnored)
{
    // With composite reading on, a linked linear part whose 2D part is not
    // found is withheld; ignoring the link flag passes it on unchanged.
    // UPC/EAN carry no link flag and pass on as read.
    struct Case {
        char const* name;
        bool upcEan;
        bool ignoreLink;
        int expected;
    };
    Case const cases[] = {
        {"EAN-13", true, false, 1},
        {"EAN-13, link flag ignored", true, true, 1},
        {"linked DataBar", false, false, 0},
        {"linked DataBar, link flag ignored", false, true, 1},
    };
    std::vector<unsigned short> pixels(400 * 300, 512);
    GrayImage const image(400, 300, 400, pixels.data());
    NoComponent pdf;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        ivra_configuration::ConfigurationManager manager;
        manager.Root().read.gs1_composite.Set(true);
        manager.Root().read.composite_ean.Set(true);
        manager.Root().code.composite.ignore_link_flag.Set(c.ignoreLink);
        DEC2DProperty const property{manager.Root()};
        CompositeCodeDecoder composite{property, pdf};
        DecodedLabel label;
        label.Clear();
        if (c.upcEan) {
            label.identifier.Copy(Ean13Identifier());
        } else {
            label.identifier.Copy(RSSIdentifier(kLinked));
        }
        std::string const digits = c.upcEan ? "3312345678903" : "0109501101530003";
        for (char ch : digits) {
            label.data.Push(ch);
        }
        label.moduleCount = c.upcEan ? 95 : 96;
        label.region = Region{{{100, 200}, {300, 200}, {300, 230}, {100, 230}}};
        ASSERT_EQ(composite.Start(image, label), c.expected);
        if (c.expected == 1) {
            EXPECT_EQ(std::string(&label.data[0], label.data.GetCount()), digits);
        }
    }
}

// Answers every search with a PDF417 component (a GS1-128 label's kind),
// whatever it was asked for, and records whether one was asked for.
class PdfComponentAbove final : public AbstractLineSegmentDecoder {
public:
    int Start(GrayImage const&, LineSegment const&, bool, bool pdf417, DecodedLabel& label) override
    {
        asked = asked || pdf417;
        label.Clear();
        label.identifier = CommonSymbologyIdentifier(PDFIdentifier(1u << 8));
        for (char c : std::string("10ABC123")) {
            label.data.Push(c);
        }
        label.region = Region{{{90, 150}, {310, 150}, {310, 170}, {90, 170}}};
        return 1;
    }
    bool asked = false;
};

TEST(CompositeJoinTest, APdf417ComponentJoinsGs1128Only)
{
    // A PDF417 2D part stands beside GS1-128 alone: beside a DataBar or an
    // EAN-13 label it is neither sought nor joined (a GS1-128 composite
    // close by would lend the label its 2D part).
    struct Case {
        char const* name;
        CommonSymbologyIdentifier identifier;
        char const* digits;
        int expected;
        bool joined;
    };
    Case const cases[] = {
        {"GS1-128", CommonSymbologyIdentifier(Code128Identifier(1u << 8)), "0109501101530003", 1, true},
        {"linked DataBar", CommonSymbologyIdentifier(RSSIdentifier(kLinked)), "0109501101530003", 0, false},
        {"EAN-13", CommonSymbologyIdentifier(Ean13Identifier()), "3312345678903", 1, false},
    };
    std::vector<unsigned short> pixels(400 * 300, 512);
    GrayImage const image(400, 300, 400, pixels.data());
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        ivra_configuration::ConfigurationManager manager;
        manager.Root().read.gs1_composite.Set(true);
        manager.Root().read.composite_ean.Set(true);
        DEC2DProperty const property{manager.Root()};
        PdfComponentAbove pdf;
        CompositeCodeDecoder composite{property, pdf};
        DecodedLabel label;
        label.Clear();
        label.identifier = c.identifier;
        std::string const digits = c.digits;
        for (char ch : digits) {
            label.data.Push(ch);
        }
        label.moduleCount = 96;
        label.region = Region{{{100, 200}, {300, 200}, {300, 230}, {100, 230}}};
        ASSERT_EQ(composite.Start(image, label), c.expected);
        EXPECT_EQ(pdf.asked, c.joined);
        if (c.expected == 1) {
            EXPECT_EQ(std::string(&label.data[0], label.data.GetCount()),
                      c.joined ? digits + "\x1c" + "10ABC123" : digits);
        }
    }
}

}  // namespace
}  // namespace DEC2DIvra
