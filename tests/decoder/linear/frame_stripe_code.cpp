#include "tests/decoder/linear/frame_stripe_code.h"

#include <algorithm>
#include <cmath>

#include "decoder/core/identifiers/common_symbology_identifier.h"
#include "decoder/core/identifiers/telepen_korean_postal_identifiers.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace frame_test {

using namespace DEC2DIvra;

std::string StripeModules(std::string const& bits, bool badParity)
{
    std::string all = bits;
    bool const odd = std::count(bits.begin(), bits.end(), '1') % 2 != 0;
    all += (odd != badParity) ? '1' : '0';
    std::string modules = "11";
    for (char b : all) {
        modules += b == '1' ? "0111" : "01";
    }
    modules += "01111";
    return modules;
}

support::Quad DrawStripes(support::Frame& frame, std::string const& modules, StripeDrawing const& d)
{
    double const pi = std::acos(-1.0);
    double const c = std::cos(d.angle * pi / 180.0);
    double const s = std::sin(d.angle * pi / 180.0);
    double const w = static_cast<double>(modules.size());
    double const h = d.height;
    double const q = d.quietZone;
    int const ink = d.inverted ? d.light : d.dark;
    int const label = d.inverted ? d.dark : d.light;
    auto toFrame = [&](double u, double v) {
        double const x = (u - w / 2) * d.moduleSize;
        double const y = (v - h / 2) * d.moduleSize;
        return support::Point{d.centreX + x * c - y * s, d.centreY + x * s + y * c};
    };
    double const reach = (std::hypot(w, h) / 2 + q + 2) * d.moduleSize;
    int const x0 = std::max(0, static_cast<int>(d.centreX - reach));
    int const x1 = std::min(frame.width - 1, static_cast<int>(d.centreX + reach));
    int const y0 = std::max(0, static_cast<int>(d.centreY - reach));
    int const y1 = std::min(frame.height - 1, static_cast<int>(d.centreY + reach));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            int inLabel = 0;
            int inInk = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    double const px = x + (sx + 0.5) / 4 - d.centreX;
                    double const py = y + (sy + 0.5) / 4 - d.centreY;
                    double const u = (px * c + py * s) / d.moduleSize + w / 2;
                    double const v = (-px * s + py * c) / d.moduleSize + h / 2;
                    if (u < -q || u >= w + q || v < -q || v >= h + q) {
                        continue;
                    }
                    ++inLabel;
                    if (u >= 0 && u < w && v >= 0 && v < h && modules[static_cast<size_t>(u)] == '1') {
                        ++inInk;
                    }
                }
            }
            if (inLabel == 0) {
                continue;
            }
            double const outside = frame.at(x, y) * (16 - inLabel);
            double const value = outside + ink * inInk + label * (inLabel - inInk);
            frame.at(x, y) = static_cast<uint16_t>(std::lround(value / 16));
        }
    }
    return support::Quad{toFrame(0, 0), toFrame(w, 0), toFrame(w, h), toFrame(0, h)};
}

namespace {

// Width in units of `unit`, rounded.
int Class(int width, int unit) { return unit > 0 ? (2 * width + unit) / (2 * unit) : 0; }

}  // namespace

bool StripeDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                        StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    if (log != nullptr && log->offers < StripeLog::kCapacity) {
        log->offerBegin[log->offers] = start->begin;
        log->order[log->offers] = tag_;
        ++log->offers;
    }
    negative = negative_;
    reverced = false;
    unsigned char const bar = negative_ ? kLightRun : kDarkRun;
    if (!ignorePolarity && !CheckPolarity(negative_)) {
        return false;
    }
    ScanElement const* first = start.Peek(0);
    ScanElement const* before = start.Peek(-1);
    ScanElement const* gap = start.Peek(1);
    if (first == nullptr || gap == nullptr || before == nullptr || first->colour != bar) {
        return false;
    }
    // The opening bar and the space after it span 3 modules (start) or 5
    // (stop); their ratio tells which.
    int const pair = first->end - first->begin + gap->end - gap->begin;
    bool const fromStop = first->end - first->begin > 3 * (gap->end - gap->begin);
    int const unit = fromStop ? pair / 5 : pair / 3;
    int const opening = Class(first->end - first->begin, unit);
    if (unit <= 0 || (opening != 2 && opening != 4) || Class(before->end - before->begin, unit) < 3) {
        return false;
    }
    reverced = opening == 4;
    int const closing = reverced ? 2 : 4;
    symbols.Push(BarSymbol{opening, first->begin, first->end, unit, 0, 0});
    for (int k = 1;; k += 2) {
        ScanElement const* space = start.Peek(k);
        ScanElement const* next = start.Peek(k + 1);
        if (space == nullptr || next == nullptr || next->colour != bar || Class(space->end - space->begin, unit) != 1) {
            return false;
        }
        int const value = Class(next->end - next->begin, unit);
        if (!symbols.Push(BarSymbol{value, next->begin, next->end, unit, 0, 0})) {
            return false;
        }
        if (value == closing) {
            ScanElement const* after = start.Peek(k + 2);
            if (after != nullptr && Class(after->end - after->begin, unit) < 3) {
                return false;
            }
            if (pushStatistics) {
                for (int j = 0; j <= k + 1; ++j) {
                    ScanElement const* run = start.Peek(j);
                    GetRateForTuningCalculator().PushBit(run->colour == kLightRun, run->grey);
                }
                if (overlapGreys) {
                    GetRateForTuningCalculator().PushBit(false, 1023);
                }
            }
            return true;
        }
        if (value != 1 && value != 3) {
            return false;
        }
    }
}

bool StripeDecoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool) const
{
    if (log != nullptr) {
        ++log->checks;
    }
    if (symbols.GetCount() < 3) {
        return false;
    }
    unsigned ones = 0;
    for (unsigned i = 1; i + 1 < symbols.GetCount(); ++i) {
        ones += symbols[i].value == 3 ? 1 : 0;
    }
    return ones % 2 == 0;
}

bool StripeDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    if (log != nullptr) {
        ++log->starts;
    }
    if (refuseLabel || symbols.GetCount() < 3) {
        return false;
    }
    label.identifier.Copy(TelepenIdentifier());
    label.identifier.SetSymbology(GetSymbology());
    unsigned const n = symbols.GetCount();
    // Data bits without start, parity and stop, in reading order.
    for (unsigned k = 1; k + 2 < n; ++k) {
        unsigned const i = reverced ? n - 1 - k : k;
        label.data.Push(symbols[i].value == 3 ? '1' : '0');
    }
    return true;
}

bool StripeDecoder::CountModule(StackInterface<BarSymbol> const& symbols, unsigned& modules) const
{
    modules = 0;
    for (BarSymbol const& s : symbols) {
        modules += static_cast<unsigned>(s.value) + 1;
    }
    modules -= 1;
    return true;
}

}  // namespace frame_test
