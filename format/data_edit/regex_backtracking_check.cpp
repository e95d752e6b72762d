// The check builds a position automaton of the pattern (one position per cell
// test; counted repetitions up to kUnroll passes written out, longer ones taken
// as unbounded) and looks, inside each cycle of it, for two different ways of
// taking the same cells that leave one position and meet again: such a pair
// doubles the matcher's work with every pass of the loop.

#include "format/data_edit/regex_backtracking_check.h"

#include <bitset>
#include <memory>
#include <vector>

using namespace regex_token;

namespace {

constexpr unsigned kPositions = kMaxTokens;
constexpr std::uint32_t kUnroll = 8;
constexpr unsigned long kWorkBudget = 8'000'000;
// Written-out passes of passes multiply; past this many atoms read, the counts are
// taken as unbounded instead.
constexpr unsigned long kAtomBudget = 100'000;

using Bits = std::bitset<kPositions>;

struct Node {
    bool nullable = true;
    bool twoEmptyWays = false; // matches empty along two ways
    // Nothing but quoted output: choices between output texts are not
    // counted as two ways (the generated GS1 programs write optional fields
    // so); the matcher's step limit bounds them.
    bool onlyOutput = true;
    bool anyOutput = false;
    Bits first;
    Bits last;
};

struct Range {
    std::uint32_t lower;
    std::uint32_t upper;
};

// The cells one position accepts: its ranges, or everything but them. An
// anchor takes no cell but holds only where no cell is left (or none was
// taken), so it meets nothing but itself: "(?:x(?:$|y))+" is not ambiguous.
struct CellSet {
    unsigned first = 0; // into the range list
    unsigned count = 0;
    bool negated = false;
    TokenKind anchor = tEnd;
};

bool Covered(std::uint32_t lower, std::uint32_t upper, const Range* r, unsigned n)
{
    std::uint64_t x = lower;
    while (x <= upper) {
        bool moved = false;
        for (unsigned i = 0; i < n; ++i) {
            if (r[i].lower <= x && x <= r[i].upper) {
                x = std::uint64_t{r[i].upper} + 1;
                moved = true;
            }
        }
        if (!moved)
            return false;
    }
    return true;
}

class Analysis {
public:
    Analysis(const RegexToken* t, std::uint32_t unroll) : t_(t), unroll_(unroll) {}

    // 1 bounded, 0 refused, -1 too many positions or atoms for this unrolling.
    int Run()
    {
        for (;;) {
            Node part;
            if (!Alternation(part))
                return overflow_ ? -1 : 0;
            if (t_[at_].kind == tSlash) {
                ++at_;
                continue;
            }
            break;
        }
        return NoAmbiguousCycle() ? 1 : 0;
    }

private:
    // Adds the ways from every position of `from` to every one of `to`; a
    // way that is already there is marked as taken twice.
    void Link(const Bits& from, const Bits& to)
    {
        for (unsigned p = 0; p < positions_; ++p)
            if (from[p]) {
                twice_[p] |= follow_[p] & to;
                follow_[p] |= to;
            }
    }

    Node Concat(const Node& a, const Node& b)
    {
        Link(a.last, b.first);
        Node n;
        n.nullable = a.nullable && b.nullable;
        n.twoEmptyWays = a.twoEmptyWays || b.twoEmptyWays;
        n.onlyOutput = a.onlyOutput && b.onlyOutput;
        n.anyOutput = a.anyOutput || b.anyOutput;
        n.first = a.nullable ? (a.first | b.first) : a.first;
        n.last = b.nullable ? (a.last | b.last) : b.last;
        return n;
    }

    bool Alternation(Node& out)
    {
        if (!Sequence(out))
            return false;
        auto way = [](const Node& n) { return n.nullable && !(n.onlyOutput && n.anyOutput) ? 1u : 0u; };
        unsigned nullableWays = way(out);
        while (t_[at_].kind == tAlt) {
            ++at_;
            Node next;
            if (!Sequence(next))
                return false;
            nullableWays += way(next);
            out.twoEmptyWays = out.twoEmptyWays || next.twoEmptyWays || nullableWays > 1;
            out.nullable = out.nullable || next.nullable;
            out.first |= next.first;
            out.last |= next.last;
            out.onlyOutput = out.onlyOutput && next.onlyOutput;
            out.anyOutput = out.anyOutput || next.anyOutput;
        }
        return true;
    }

    bool Sequence(Node& out)
    {
        out = Node{};
        for (;;) {
            const TokenKind k = t_[at_].kind;
            if (k == tEnd || k == tAlt || k == tClose || k == tSlash || k == tFunctionEnd)
                return true;
            const unsigned start = at_;
            const unsigned firstPosition = positions_;
            const std::size_t firstRange = ranges_.size();
            Node unit;
            if (!Atom(unit))
                return false;
            const unsigned atomEnd = at_;
            unsigned repeats = 0;
            while (t_[at_].kind == tRepeat) {
                ++repeats;
                ++at_;
            }
            const unsigned after = at_;
            if (repeats > 0) {
                // Only the written-out passes below stay in the automaton.
                for (unsigned p = firstPosition; p < positions_; ++p) {
                    follow_[p].reset();
                    twice_[p].reset();
                }
                positions_ = firstPosition;
                ranges_.resize(firstRange);
            }
            if (repeats > 0 && !Repeated(start, atomEnd, repeats, unit))
                return false;
            at_ = after;
            out = Concat(out, unit);
        }
    }

    // The atom at `start` with its first `k` repetitions, as new positions.
    bool Fresh(unsigned start, unsigned atomEnd, unsigned k, Node& out)
    {
        if (k == 0) {
            at_ = start;
            return Atom(out);
        }
        return Repeated(start, atomEnd, k, out);
    }

    bool Repeated(unsigned start, unsigned atomEnd, unsigned k, Node& out)
    {
        const RegexToken& r = t_[atomEnd + k - 1];
        const std::uint32_t n = r.a, m = r.b;
        if (m > unroll_) {
            Node body;
            if (!Fresh(start, atomEnd, k - 1, body))
                return false;
            // A body that can match empty, in one way or two, lets every
            // pass end where it began.
            if (body.nullable || body.twoEmptyWays)
                return false;
            Link(body.last, body.first);
            body.nullable = n == 0;
            out = body;
            return true;
        }
        Node all;
        for (std::uint32_t i = 0; i < n; ++i) {
            Node copy;
            if (!Fresh(start, atomEnd, k - 1, copy))
                return false;
            all = Concat(all, copy);
        }
        // Optional passes nest, x(x(x)?)?, so that each count has one way.
        Node tail;
        for (std::uint32_t i = n; i < m; ++i) {
            Node copy;
            if (!Fresh(start, atomEnd, k - 1, copy))
                return false;
            tail = Concat(copy, tail);
            tail.twoEmptyWays = tail.twoEmptyWays || tail.nullable;
            tail.nullable = true;
        }
        out = Concat(all, tail);
        return true;
    }

    bool Position(Node& out, CellSet set)
    {
        if (positions_ >= kPositions) {
            overflow_ = true;
            return false;
        }
        const unsigned p = positions_++;
        sets_[p] = set;
        out = Node{};
        out.nullable = false;
        out.onlyOutput = false;
        out.first.set(p);
        out.last.set(p);
        return true;
    }

    bool Atom(Node& out)
    {
        if (++atoms_ > kAtomBudget) {
            overflow_ = true;
            return false;
        }
        const RegexToken& t = t_[at_];
        switch (t.kind) {
        case tLiteral:
            ++at_;
            ranges_.push_back({t.a, t.a});
            return Position(out, {static_cast<unsigned>(ranges_.size() - 1), 1, false});
        case tAny:
        case tElement:
            ++at_;
            return Position(out, {0, 0, true});
        case tClass: {
            CellSet set{static_cast<unsigned>(ranges_.size()), 0, t.flag != 0};
            ++at_;
            while (t_[at_].kind == tLiteral) {
                std::uint32_t lower = t_[at_].a, upper = lower;
                ++at_;
                if (t_[at_].kind == tRange && t_[at_ + 1].kind == tLiteral) {
                    upper = t_[at_ + 1].a;
                    at_ += 2;
                }
                ranges_.push_back({lower, upper});
                ++set.count;
            }
            ++at_; // the class end
            return Position(out, set);
        }
        case tStartAnchor:
        case tEndAnchor:
            ++at_;
            return Position(out, {0, 0, false, t.kind});
        case tGroup: {
            ++at_;
            if (!Alternation(out))
                return false;
            ++at_; // ')'
            return true;
        }
        case tSymbology:
        case tAim:
            while (t_[at_].kind == tSymbology || t_[at_].kind == tAim)
                ++at_;
            out = Node{};
            out.onlyOutput = false;
            return true;
        case tFunctionStart: {
            ++at_;
            if (!Alternation(out))
                return false;
            ++at_; // the call's end
            out.anyOutput = true;
            return true;
        }
        case tPut:
        case tPutGroup:
        case tPutSelect:
        case tPutData:
        case tPutDataFormat:
        case tPutAi:
        case tPutPoint:
        case tPutPointFormat:
        case tPutAim:
        case tPutSymbology:
            ++at_;
            out = Node{};
            out.anyOutput = true;
            return true;
        default:
            // Tests and skips: they take no cell.
            ++at_;
            out = Node{};
            out.onlyOutput = false;
            return true;
        }
    }

    bool Meet(unsigned p, unsigned q) const
    {
        const CellSet& a = sets_[p];
        const CellSet& b = sets_[q];
        if (a.anchor != tEnd || b.anchor != tEnd)
            return a.anchor == b.anchor;
        if (a.negated && b.negated)
            return true;
        if (a.negated || b.negated) {
            const CellSet& plain = a.negated ? b : a;
            const CellSet& other = a.negated ? a : b;
            for (unsigned i = 0; i < plain.count; ++i) {
                const Range& r = ranges_[plain.first + i];
                if (!Covered(r.lower, r.upper, ranges_.data() + other.first, other.count))
                    return true;
            }
            return false;
        }
        for (unsigned i = 0; i < a.count; ++i)
            for (unsigned j = 0; j < b.count; ++j) {
                const Range& x = ranges_[a.first + i];
                const Range& y = ranges_[b.first + j];
                if (x.lower <= y.upper && y.lower <= x.upper)
                    return true;
            }
        return false;
    }

    // Per cycle of the position graph: a pair of different positions reached
    // from a shared one along the same cells, and leading back to a shared one.
    bool NoAmbiguousCycle()
    {
        const unsigned n = positions_;
        std::vector<Bits> reach(follow_, follow_ + n);
        for (unsigned k = 0; k < n; ++k)
            for (unsigned i = 0; i < n; ++i)
                if (reach[i][k])
                    reach[i] |= reach[k];
        Bits done;
        for (unsigned r = 0; r < n; ++r) {
            if (done[r] || !reach[r][r])
                continue;
            std::vector<unsigned> cycle;
            for (unsigned q = 0; q < n; ++q)
                if (q == r || (reach[r][q] && reach[q][r])) {
                    cycle.push_back(q);
                    done.set(q);
                }
            // Two ways between the same positions of a cycle (a loop inside a
            // loop, "(a+)+"): every pass may take either.
            for (const unsigned p : cycle)
                for (const unsigned q : cycle)
                    if (twice_[p][q])
                        return false;
            if (!CycleIsUnambiguous(cycle))
                return false;
        }
        return true;
    }

    bool CycleIsUnambiguous(const std::vector<unsigned>& c)
    {
        const unsigned s = static_cast<unsigned>(c.size());
        std::vector<unsigned char> meet(s * s), forward(s * s), backward(s * s);
        for (unsigned i = 0; i < s; ++i)
            for (unsigned j = 0; j < s; ++j)
                meet[i * s + j] = Meet(c[i], c[j]) ? 1 : 0;
        auto walk = [&](std::vector<unsigned char>& seen, bool ahead) {
            std::vector<unsigned> queue;
            for (unsigned i = 0; i < s; ++i) {
                seen[i * s + i] = 1;
                queue.push_back(i * s + i);
            }
            while (!queue.empty()) {
                const unsigned node = queue.back();
                queue.pop_back();
                const unsigned i = node / s, j = node % s;
                for (unsigned x = 0; x < s; ++x) {
                    const bool xi = ahead ? follow_[c[i]][c[x]] : follow_[c[x]][c[i]];
                    if (!xi)
                        continue;
                    for (unsigned y = 0; y < s; ++y) {
                        if (++work_ > kWorkBudget)
                            return false;
                        const bool yj = ahead ? follow_[c[j]][c[y]] : follow_[c[y]][c[j]];
                        // Both ways of a pair have taken the same cell.
                        if (!yj || !meet[x * s + y] || seen[x * s + y])
                            continue;
                        seen[x * s + y] = 1;
                        queue.push_back(x * s + y);
                    }
                }
            }
            return true;
        };
        if (!walk(forward, true) || !walk(backward, false))
            return false; // too large to prove bounded
        for (unsigned i = 0; i < s; ++i)
            for (unsigned j = 0; j < s; ++j)
                if (i != j && forward[i * s + j] && backward[i * s + j])
                    return false;
        return true;
    }

    const RegexToken* t_;
    std::uint32_t unroll_;
    unsigned at_ = 0;
    unsigned positions_ = 0;
    bool overflow_ = false;
    unsigned long work_ = 0;
    unsigned long atoms_ = 0;
    Bits follow_[kPositions];
    Bits twice_[kPositions];
    CellSet sets_[kPositions];
    std::vector<Range> ranges_;
};

} // namespace

bool RegexBacktrackingIsBounded(const RegexToken* tokens)
{
    // Written-out counts can exceed the positions; then every count above
    // one is taken as unbounded, which can only refuse more.
    for (const std::uint32_t unroll : {kUnroll, std::uint32_t{1}}) {
        auto analysis = std::make_unique<Analysis>(tokens, unroll);
        const int r = analysis->Run();
        if (r >= 0)
            return r == 1;
    }
    return false;
}
