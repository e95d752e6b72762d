#include "tests/support/qr_model1_symbol.h"

#include <cmath>

namespace support {

namespace {

struct Row {
    int data, check, extra, blocks;
};

// Per version, L, M, Q, H.
constexpr Row kRows[14][4] = {
    {{19, 7, 0, 1}, {16, 10, 0, 1}, {13, 13, 0, 1}, {9, 17, 0, 1}},
    {{36, 10, 0, 1}, {30, 16, 0, 1}, {24, 22, 0, 1}, {16, 30, 0, 1}},
    {{57, 15, 0, 1}, {44, 28, 0, 1}, {36, 36, 0, 1}, {24, 48, 0, 1}},
    {{80, 20, 0, 1}, {60, 40, 0, 1}, {50, 50, 0, 1}, {34, 66, 0, 1}},
    {{108, 26, 0, 1}, {82, 52, 0, 1}, {68, 66, 0, 1}, {46, 88, 0, 2}},
    {{136, 34, 0, 1}, {106, 64, 0, 2}, {86, 84, 0, 2}, {58, 112, 0, 2}},
    {{170, 42, 0, 1}, {132, 80, 0, 2}, {108, 104, 0, 2}, {72, 138, 2, 3}},
    {{208, 48, 0, 2}, {160, 96, 0, 2}, {128, 128, 0, 2}, {87, 168, 1, 3}},
    {{246, 60, 0, 2}, {186, 120, 0, 2}, {156, 150, 0, 3}, {102, 204, 0, 3}},
    {{290, 68, 0, 2}, {222, 136, 0, 2}, {183, 174, 1, 3}, {124, 232, 2, 4}},
    {{336, 80, 0, 2}, {256, 160, 0, 4}, {208, 208, 0, 4}, {145, 270, 1, 5}},
    {{384, 92, 0, 2}, {292, 184, 0, 4}, {244, 232, 0, 4}, {165, 310, 1, 5}},
    {{432, 108, 2, 3}, {332, 208, 2, 4}, {276, 264, 2, 4}, {192, 348, 2, 6}},
    {{489, 120, 1, 3}, {368, 240, 2, 4}, {310, 300, 0, 5}, {210, 396, 4, 6}},
};

// GF(256) with x^8 + x^4 + x^3 + x^2 + 1.
int Multiply(int a, int b)
{
    int product = 0;
    for (; b != 0; b >>= 1) {
        if (b & 1) {
            product ^= a;
        }
        a <<= 1;
        if (a & 0x100) {
            a ^= 0x11D;
        }
    }
    return product;
}

// Check codewords of one block: generator roots a^0 .. a^(n-1).
std::vector<int> Check(std::vector<int> const& data, int n)
{
    std::vector<int> generator{1};
    int root = 1;
    for (int i = 0; i < n; ++i) {
        std::vector<int> next(generator.size() + 1, 0);
        for (size_t j = 0; j < generator.size(); ++j) {
            next[j] ^= generator[j];
            next[j + 1] ^= Multiply(generator[j], root);
        }
        generator = next;
        root = Multiply(root, 2);
    }
    std::vector<int> remainder(static_cast<size_t>(n), 0);
    for (int d : data) {
        int const factor = d ^ remainder[0];
        remainder.erase(remainder.begin());
        remainder.push_back(0);
        for (int j = 0; j < n; ++j) {
            remainder[static_cast<size_t>(j)] ^= Multiply(generator[static_cast<size_t>(j) + 1], factor);
        }
    }
    return remainder;
}

}  // namespace

bool qrMaskDark(int mask, int i, int j)
{
    switch (mask) {
    case 0: return (i + j) % 2 == 0;
    case 1: return i % 2 == 0;
    case 2: return j % 3 == 0;
    case 3: return (i + j) % 3 == 0;
    case 4: return (i / 2 + j / 3) % 2 == 0;
    case 5: return (i * j) % 2 + (i * j) % 3 == 0;
    case 6: return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
    default: return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
    }
}

ModuleMatrix drawQRModel1(int version, char level, int mask, std::string const& data)
{
    static std::string const kLevels = "LMQH";
    size_t const column = kLevels.find(level);
    if (version < 1 || version > 14 || column == std::string::npos || mask < 0 || mask > 7) {
        return {};
    }
    Row const row = kRows[version - 1][column];
    // Stream: 4 bits outside the matrix, byte mode, count, data, terminator.
    std::vector<int> bits(4, 0);
    auto put = [&](unsigned value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            bits.push_back(static_cast<int>((value >> i) & 1u));
        }
    };
    put(4, 4);
    put(static_cast<unsigned>(data.size()), version <= 9 ? 8 : 16);
    for (unsigned char c : data) {
        put(c, 8);
    }
    int const capacity = row.data * 8;
    if (static_cast<int>(bits.size()) > capacity) {
        return {};
    }
    for (int i = 0; i < 4 && static_cast<int>(bits.size()) < capacity; ++i) {
        bits.push_back(0);
    }
    while (bits.size() % 8 != 0) {
        bits.push_back(0);
    }
    std::vector<int> stream;
    for (size_t i = 0; i < bits.size(); i += 8) {
        int value = 0;
        for (size_t k = 0; k < 8; ++k) {
            value = (value << 1) | bits[i + k];
        }
        stream.push_back(value);
    }
    for (int pad = 0; static_cast<int>(stream.size()) < row.data; pad ^= 1) {
        stream.push_back(pad == 0 ? 0xEC : 0x11);
    }
    int const k = row.data / row.blocks;
    int const n = row.check / row.blocks;
    for (int b = 0; b < row.blocks; ++b) {
        std::vector<int> const block(stream.begin() + b * k, stream.begin() + (b + 1) * k);
        for (int c : Check(block, n)) {
            stream.push_back(c);
        }
    }
    stream.resize(static_cast<size_t>(row.data + row.check + row.extra), 0);

    int const s = 4 * version + 17;
    ModuleMatrix m{s, std::vector<uint8_t>(static_cast<size_t>(s * s), 0)};
    std::vector<uint8_t> function(static_cast<size_t>(s * s), 0);
    auto set = [&](int x, int y, bool dark) {
        m.dark[static_cast<size_t>(y * s + x)] = dark ? 1 : 0;
        function[static_cast<size_t>(y * s + x)] = 1;
    };
    int const corners[3][2] = {{0, 0}, {s - 7, 0}, {0, s - 7}};
    for (auto const& c : corners) {
        for (int dy = -1; dy <= 7; ++dy) {
            for (int dx = -1; dx <= 7; ++dx) {
                int const x = c[0] + dx;
                int const y = c[1] + dy;
                if (x < 0 || y < 0 || x >= s || y >= s) {
                    continue;
                }
                int const ring = std::max(std::abs(dx - 3), std::abs(dy - 3));
                set(x, y, ring != 2 && ring != 4);
            }
        }
    }
    for (int i = 8; i < s - 8; ++i) {
        set(i, 6, i % 2 == 0);
        set(6, i, i % 2 == 0);
    }
    // Extension patterns: 4-module blocks along the bottom and right edges,
    // dark outside, and the dark bottom-right corner.
    for (int c = version % 2 == 1 ? 21 : 17; c < s; c += 8) {
        for (int along = c - 4; along < c; ++along) {
            set(along, s - 1, true);
            set(along, s - 2, false);
            set(s - 1, along, true);
            set(s - 2, along, false);
        }
    }
    for (int y = s - 2; y < s; ++y) {
        for (int x = s - 2; x < s; ++x) {
            set(x, y, true);
        }
    }
    // Format information, both copies.
    static constexpr int kLevelCode[4] = {1, 0, 3, 2};
    unsigned const formatData = static_cast<unsigned>(kLevelCode[column] << 3 | mask);
    unsigned remainder = formatData << 10;
    for (int i = 14; i >= 10; --i) {
        if (remainder & (1u << i)) {
            remainder ^= 0x537u << (i - 10);
        }
    }
    unsigned const format = ((formatData << 10) | remainder) ^ 0x2825u;
    auto bit = [&](int i) { return ((format >> i) & 1u) != 0; };
    for (int i = 0; i <= 5; ++i) {
        set(8, i, bit(i));
    }
    set(8, 7, bit(6));
    set(8, 8, bit(7));
    set(7, 8, bit(8));
    for (int i = 9; i < 15; ++i) {
        set(14 - i, 8, bit(i));
    }
    for (int i = 0; i < 8; ++i) {
        set(s - 1 - i, 8, bit(i));
    }
    for (int i = 8; i < 15; ++i) {
        set(8, s - 15 + i, bit(i));
    }
    set(8, s - 8, true);
    // Data: two column pairs from the right, groups of four columns, then
    // pairs again past the timing column, always upward.
    std::vector<std::vector<int>> groups{{s - 1, s - 2}, {s - 3, s - 4}};
    int c = s - 5;
    for (; c > 8; c -= 4) {
        groups.push_back({c, c - 1, c - 2, c - 3});
    }
    for (; c >= 1; c -= 2) {
        c = c == 6 ? 5 : c;
        groups.push_back({c, c - 1});
    }
    size_t next = 4;
    for (auto const& group : groups) {
        for (int y = s - 1; y >= 0; --y) {
            for (int x : group) {
                if (function[static_cast<size_t>(y * s + x)] != 0) {
                    continue;
                }
                bool value = false;
                if (next < stream.size() * 8) {
                    value = ((stream[next / 8] >> (7 - next % 8)) & 1) != 0;
                }
                ++next;
                m.dark[static_cast<size_t>(y * s + x)] = value != qrMaskDark(mask, y, x) ? 1 : 0;
            }
        }
    }
    if (next != stream.size() * 8) {
        return {};  // the layout and the table disagree
    }
    return m;
}

Frame renderModules(ModuleMatrix const& matrix, RenderOptions const& options)
{
    Frame frame = makeFrame(options.frameWidth, options.frameHeight, options.background);
    double const kPi = 3.14159265358979;
    double const angle = options.angle * kPi / 180.0;
    double const cosA = std::cos(angle);
    double const sinA = std::sin(angle);
    Point const centre = options.centre.value_or(Point{options.frameWidth / 2.0, options.frameHeight / 2.0});
    double const half = matrix.size / 2.0;
    int const ink = options.inverted ? options.light : options.dark;
    int const paper = options.inverted ? options.dark : options.light;
    constexpr int kSub = 4;
    for (int py = 0; py < frame.height; ++py) {
        for (int px = 0; px < frame.width; ++px) {
            int sum = 0;
            int label = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    double const dx = px + (sx + 0.5) / kSub - centre.x;
                    double const dy = py + (sy + 0.5) / kSub - centre.y;
                    double const u = (dx * cosA + dy * sinA) / options.moduleSize + half;
                    double const v = (-dx * sinA + dy * cosA) / options.moduleSize + half;
                    if (u < -options.quietZone || v < -options.quietZone || u >= matrix.size + options.quietZone ||
                        v >= matrix.size + options.quietZone) {
                        sum += options.background;
                        continue;
                    }
                    ++label;
                    int const x = static_cast<int>(std::floor(u));
                    int const y = static_cast<int>(std::floor(v));
                    bool const dark = x >= 0 && y >= 0 && x < matrix.size && y < matrix.size &&
                                      matrix.dark[static_cast<size_t>(y * matrix.size + x)] != 0;
                    sum += dark ? ink : paper;
                }
            }
            frame.at(px, py) = static_cast<uint16_t>(sum / (kSub * kSub));
        }
    }
    finishFrame(frame, options);
    return frame;
}

}  // namespace support
