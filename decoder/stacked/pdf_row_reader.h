#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/stacked/micro_pdf_outline.h"

namespace DEC2DIvra {

// Reads the codewords of a PDF417 symbol from a grey frame. The start and
// stop columns are found on lines laid along the reading direction across a
// search area, fitted as two straight lines; the rows are then read on lines
// joining the two at equal fractions of their lengths, and again along each
// row's own line, between the points where the row indicators on either
// side place it, so that keystoned symbols are read along their rows. Each
// codeword sighting votes for its cell.
class PDFRowReader {
public:
    static constexpr unsigned kMaxSamples = 2048;
    static constexpr unsigned kMaxEdges = 1024;
    static constexpr unsigned kMaxLines = 640;
    static constexpr unsigned kMaxColumns = 32;  // data columns and both row indicators
    static constexpr unsigned kMaxCells = 2700;
    static constexpr unsigned kSlots = 3;
    static constexpr unsigned kMaxRows = 90;

    struct Hit {
        float x;
        float y;
        float module;
    };
    struct Cell {
        unsigned short value[kSlots];
        unsigned short count[kSlots];
    };
    struct LineRead {
        float fraction;
        short row[2];  // from the left and right row indicators (or row address patterns); -1 none
        unsigned char address[3];  // MicroPDF417: left, center, right pattern numbers; 0 none
        unsigned short value[kMaxColumns];
        unsigned char cluster[kMaxColumns];
        // Where the last character read on the line ends, its column (0xFF
        // when none was read) and its module.
        float end[2];
        float endModule;
        unsigned char endColumn;
    };
    // Start and stop sightings on the search lines of one polarity and
    // reading way, in line order, with the line each was met on.
    struct Sightings {
        Hit left[kMaxLines];
        Hit right[kMaxLines];
        unsigned short leftLine[kMaxLines];
        unsigned short rightLine[kMaxLines];
        unsigned leftCount;
        unsigned rightCount;
    };
    // The side patterns one search line showed, per polarity and reading
    // way (as the sighting lists are numbered): a start and a stop each.
    struct LineHits {
        Hit start[4];
        Hit stop[4];
        unsigned char haveStart;  // a bit per list
        unsigned char haveStop;
    };
    struct Buffers {
        float samples[kMaxSamples];
        float edges[kMaxEdges];
        Hit left[kMaxLines];
        Hit right[kMaxLines];
        Hit spareLeft[kMaxLines];
        Hit spareRight[kMaxLines];
        Sightings sightings[4];  // inverted x 2 + backward
        // The search lines of the last area read whose ends the frame cut
        // (kCutLine), with what they showed.
        unsigned char lineState[kMaxLines];
        LineHits lineHits[kMaxLines];
        LineRead lines[kMaxLines];
        LineRead rowLine;
        float rowAt[2][kMaxRows];  // each row's fraction along the left and right columns
        Cell cells[kMaxCells];
        unsigned short codewords[kMaxCells];
        unsigned short erasures[kMaxCells];
    };

    // Whether a Read since construction fitted a start or stop column through
    // at least kMinColumnSightings sightings, with row indicators of more
    // than one cluster beside it: a PDF417 symbol stands there, whether or
    // not its rows were read.
    bool SawColumn() const { return columnSeen_; }
    static constexpr unsigned kMinColumnSightings = 6;

    // The symbol parameters the row indicators agreed on.
    struct Parameters {
        unsigned rows;
        unsigned columns;
        unsigned level;
    };

    // Where the search lines go: the centre, the unit reading direction and
    // the half extents along it and across it, in pixels.
    struct Area {
        float cx, cy;
        float ux, uy;
        float halfLength;
        float halfHeight;
        // When nonzero and shorter than halfLength: how far along the lines
        // the located symbol itself reaches. Read then looks for the edge
        // columns on lines that long only, read both ways, and finds a far
        // column by its fan of rays only.
        float nearHalfLength;
    };

    explicit PDFRowReader(Buffers* buffers) : b_(buffers) {}

    // Whether `wanted` of kGlanceLines search lines spread over the area, on
    // its whole length, show a start or stop pattern of the polarities named,
    // read either way (the same pattern, polarity and way on all): a quick
    // look before a Read.
    bool Glance(GrayImage const& image, Area const& area, unsigned wanted = 1, bool normal = true,
                bool inverted = true);
    static constexpr unsigned kGlanceLines = 9;

    // From now on the search lines of an area are sampled once for the
    // polarities named and both reading ways, every other line at first
    // (the start and stop sightings are kept until the area changes).
    void ShareSightings(bool normal, bool inverted)
    {
        shared_ = true;
        polarities_[0] = normal;
        polarities_[1] = inverted;
    }
    // Lets the outward walk over the search lines go on past its first
    // pause; once it has, adds the lines between those read for the last
    // area, and the rows are read on twice as many lines. False when there
    // is nothing more to read, or the lines read show no side of a symbol in
    // any reading.
    bool ReadAllLines();

    // Fills `codewords` (rows x columns, row-major) and `erasures`; false when
    // no symbol was found. `seen` tells whether start and stop columns were
    // found. `corners` receives the symbol's outline (top-left, top-right,
    // bottom-right, bottom-left as read).
    bool Read(GrayImage const& image, Area const& area, bool inverted, Parameters& parameters,
              unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount, bool& seen,
              float corners[8]);

    // From now on Read tallies the votes of the lines laid across the edge
    // columns alone, and AddRowVotes adds those of the lines along each row
    // (three a row) to the last Read's cells and tallies them again: most
    // symbols need no more than the first.
    void DeferRowVotes() { deferRowVotes_ = true; }
    // Where the last Read tallied the votes of every kProbeStride-th line
    // across alone, reads the lines halfway between and tallies every
    // other line when they name the parameters at the count read; else, or
    // called again, reads the others and tallies all (`parameters` as all
    // name them; at the column count they name, read again, when Read
    // followed no vote); false when there were none left or they name no
    // readable symbol.
    bool AddLines(Parameters& parameters, unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount);
    // False when the last Read left nothing to add.
    bool AddRowVotes(unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount);

    // The most the modules of a row's two side patterns may differ: first as
    // on a symbol met nearly square on, then, when that reads nothing, as
    // under perspective, where a module narrows with the square of the scale
    // (a symbol whose far side stands 1.5 times as far as its near side shows
    // modules 2.25 times as narrow there). Noise makes more false pairs of
    // the wider kind: they are taken only when the first reading fails and
    // at least kMinFarPairs pairs were left out for their modules alone.
    static constexpr float kSideModuleRatios[2] = {1.8f, 2.4f};
    static constexpr unsigned kMinFarPairs = 2;

    // A MicroPDF417 symbol (or CC-A) read between its left and right row
    // address columns: the version is voted from the pattern numbers, the
    // codewords come out as for PDF417 with that version's size. `version`
    // receives the table index; `componentSizes` adds the CC-A sizes. Side
    // patterns pair up when their modules are at most `maxRatio` apart;
    // farPairs grows by the pairs left out for their modules alone.
    bool ReadMicro(GrayImage const& image, Area const& area, bool inverted, bool backward, bool componentSizes,
                   float maxRatio, unsigned& farPairs, unsigned& version,
                   unsigned short* codewords, unsigned short* erasures, unsigned& erasureCount, float corners[8]);
    // A MicroPDF417 symbol read within the outline of the ink in the area
    // (a symbol seen at a slant so steep that no search line follows a row
    // far): rows are laid by the outline's perspective. Attempts 0 and 1
    // read with the outline's turn and column count that read the most row
    // address patterns, the outline moved by each of kOutlineOffsets (under
    // a pixel shifts the rows of a small symbol); 2 and 3 with the next best.
    bool ReadMicroOutline(GrayImage const& image, Area const& area, bool inverted, unsigned attempt,
                          unsigned& version, unsigned short* codewords, unsigned short* erasures,
                          unsigned& erasureCount, float corners[8]);
    // Whether the last ReadMicroOutline's outline read enough row address
    // patterns to be read whole: a symbol of that polarity stands there.
    bool OutlineShowedPatterns() const
    {
        return outline_.set && outline_.choiceCount > 0 && outline_.choices[0].reads >= kOutlineMinReads;
    }
    static constexpr unsigned kOutlineOffsetCount = 2;
    static constexpr float kOutlineOffsets[kOutlineOffsetCount] = {-1.0f, 0.5f};  // pixels
    static constexpr unsigned kOutlineAttempts = 2 * kOutlineOffsetCount;

    // A fitted edge column whose row indicators are looked for: its ends,
    // the module seen on it, the search lines' way, whether it is the start
    // column and the polarity. The readings of one area meet a column again
    // and again (the short lines, the long lines, more lines), its ends a
    // pixel or two off: met within kColumnMoved pixels of both ends, with a
    // character (17 modules) as wide within as much, along the same lines,
    // the probes beside it read the very rows they read before. A module
    // further off lays the probes over other modules, and they are read
    // again.
    struct ColumnProbe {
        float top[2];
        float bottom[2];
        float module;
        float ux, uy;
        bool start, inverted;
        bool SameAs(ColumnProbe const& other) const;
    };
    static constexpr float kColumnMoved = 2.0f;  // pixels

    // A row address pattern from 6 run widths (bar first): its table entry
    // (1-52 side set, 65-116 center set), 255 when none.
    static unsigned DecodeRowAddress(float const widths[6]);

    // A symbol character from 8 run widths (bar first): its value and cluster.
    static bool DecodeCharacter(float const widths[8], unsigned& value, unsigned& cluster);
    // Whether a window of runs `along` long may be a start or stop pattern:
    // both open with a bar and space of 7 of their 17 modules and more (the
    // start pattern's 8 + 1, the stop pattern's 7 + 1); a window whose first
    // two runs fall well short of that is neither, and the tests below (each
    // its sums and eight bounds) need not be asked. Only the first two
    // widths are read.
    static bool MayBeEdgePattern(float const widths[8], float along);
    static bool IsStartPattern(float const widths[8]);
    static bool IsStopPattern(float const widths[8]);

    // The grey values on the line from (x0, y0) to (x1, y1), two samples a
    // pixel blended from the four pixels around each point (clamped to the
    // frame), turned over when `inverted`, lightly smoothed; into `out`
    // (kMaxSamples), their count returned (0 for a line under two pixels).
    static unsigned SampleLine(GrayImage const& image, float x0, float y0, float x1, float y1, bool inverted,
                               float* out);
    // The edges between dark and light runs of `count` samples, at
    // thresholds that follow the local extremes, as fractional sample
    // positions into `out` (kMaxEdges); `firstDark` tells whether the run
    // after the first edge is dark.
    static unsigned FindEdges(float const* samples, unsigned count, float* out, bool& firstDark);

private:
    unsigned SampleLine(GrayImage const& image, float x0, float y0, float x1, float y1, bool inverted);
    unsigned FindEdges(unsigned count, bool& firstDark);
    static unsigned CountSearchLines(Area const& area);
    // Search line j across the area: its start, the pixels per sample and its
    // edges; `cut` (where given) tells whether the frame cut both its ends.
    unsigned ScanSearchLine(GrayImage const& image, Area const& area, bool inverted, bool backward, unsigned j,
                            float& x0, float& y0, float& step, bool& firstDark, bool* cut = nullptr);
    // Pairs of side patterns on the search lines, their modules at most
    // `maxRatio` apart, from one sampling of the lines: those with a symbol
    // character read beside both into left and right (their count returned),
    // those with one beside either into spareLeft and spareRight
    // (`looseCount`). `besideBars` when the area borders a linear symbol.
    // farPairs grows by the first kind's pairs left out for their modules
    // alone; looseFarPairs receives the second kind's; `columns` the
    // column count each kind's kept pairs span.
    unsigned CollectMicroHits(GrayImage const& image, Area const& area, bool inverted, bool backward, float maxRatio,
                              bool besideBars, unsigned& farPairs, unsigned& looseCount, unsigned& looseFarPairs,
                              unsigned columns[2]);

    // The edges on the line from P to Q (`width` apart) run on by `margin`
    // at both ends; `perSample` receives the pixels per sample.
    unsigned SampleRow(GrayImage const& image, float const p[2], float const q[2], float width, float margin,
                       bool inverted, float& perSample, bool& firstDark);
    // Reads the characters of one line from P (the end of the left edge
    // pattern) to Q (the start of the right one); `skew` is the right
    // edge's module width over the left's. True when any was read.
    bool ReadPdfLine(GrayImage const& image, float const p[2], float const q[2], unsigned columns, float skew,
                     bool inverted, LineRead& line);
    bool ReadMicroLine(GrayImage const& image, float const p[2], float const q[2], unsigned columns, float skew,
                       bool inverted, LineRead& line);
    // The size whose row address columns take the most of the pattern
    // numbers the lines read at `columns` columns (the table's count when
    // none); the lines' rows set as it numbers them.
    unsigned PickMicroVersion(unsigned lines, unsigned columns, bool componentSizes);
    // The rows at the lines' ends of a symbol read without a left column,
    // from those its center and right columns name; false when either
    // column names too few rows to place them.
    bool CarryRowsToEnds(unsigned lines, unsigned rows);
    // Reads `lines` lines spread down the map's rows at `columns` columns
    // (into the line buffer, or when `score` only counting); `reads` receives
    // the row address patterns read, `characters` (where given) grows by the
    // symbol characters read. False when no pattern was.
    bool LayMicroLines(GrayImage const& image, QuadMap const& map, unsigned columns, bool inverted, unsigned lines,
                       bool score, unsigned& reads, unsigned* characters = nullptr);
    // The turns and column counts of the outline, best first.
    void RankOutlineChoices(GrayImage const& image, bool inverted);
    static constexpr unsigned kOutlineScoreLines = 16;
    static constexpr unsigned kOutlineMinReads = 8;
    // The outline is looked for across a wider reach than the search lines
    // cover: the located bars of a steep symbol are a part of it.
    static constexpr float kOutlineWiden = 1.5f;
    static constexpr unsigned kOutlineRegrowths = 2;
    // Votes the characters of the lines laid at equal fractions of the edge
    // columns (every `stride`-th of them) for the cells their rows,
    // estimated across, name.
    bool VoteCells(unsigned lines, unsigned rows, unsigned dataColumns, unsigned firstColumn, int clusterShift,
                   float const* across, unsigned stride = 1);
    // Reads line i of `lines` laid at equal fractions of the edge columns
    // (ends: left top, left bottom, right top, right bottom) at `columns`
    // columns, with the rows its row indicators name.
    void ReadRowLine(GrayImage const& image, bool inverted, unsigned columns, float skew, float const ends[8],
                     unsigned i, unsigned lines);
    // Where the stop column of a symbol whose start column runs from `top`
    // to `bottom` stands (the rows read along (ux, uy) at `module` pixels a
    // module), by the data columns its left row indicators name: a compact
    // symbol has none of its own. False when they name none.
    bool PlaceMissingStop(GrayImage const& image, bool inverted, float ux, float uy, float const top[2],
                          float const bottom[2], float module, float stopTop[2], float stopBottom[2],
                          float& stopModule);
    // The stop column of a compact symbol of `columns` columns moved onto its
    // single closing bar, as the ends of its last data column show it on the
    // kClosingBarLines lines last read between the start column (`top` to
    // `bottom`) and the placed stop column: under perspective the far
    // column is shorter or longer than the start column and turned.
    // `module` is the start column's module seen along the search lines,
    // `square` the same square to the column; `stopModule` receives the
    // module at the bar, as seen along the search lines. False (nothing
    // changed) when the ends do not line up on a bar.
    bool FollowClosingBar(GrayImage const& image, bool inverted, float const top[2], float const bottom[2],
                          unsigned columns, float module, float square, float stopTop[2], float stopBottom[2],
                          float& stopModule);
    static constexpr unsigned kClosingBarLines = 32;
    static constexpr unsigned kClosingBarPoints = 6;
    static constexpr unsigned kStopProbeLines = 24;
    static constexpr unsigned kStopProbeVotes = 2;
    // The slants (tangents) to the start column's normal at which the rows
    // of a compact symbol are sought when they do not run square to it.
    static constexpr float kRowSlants[] = {0.05f, -0.05f, 0.1f, -0.1f, 0.15f, -0.15f, 0.2f, -0.2f, 0.25f, -0.25f};
    // The steps from those slants tried when the rows' full length is read.
    static constexpr float kSlantSteps[] = {0.025f, -0.025f, 0.05f, -0.05f, 0.075f, -0.075f, 0.1f, -0.1f};
    // The symbol parameters the row indicators of every `stride`-th of the
    // lines read at `columns` columns vote for: rows over three and their
    // remainder, level and data columns less one (-1 when none voted), and
    // the votes the data columns won by.
    struct Votes {
        int rowsDiv3;
        int rowsMod3;
        int level;
        int columns;
        unsigned columnVotes;
        bool Named() const { return rowsDiv3 >= 0 && rowsMod3 >= 0 && level >= 0 && columns >= 0; }
    };
    Votes VoteParameters(unsigned lines, unsigned stride, unsigned columns) const;
    // The parameters the votes name; false when the symbol they make cannot be read.
    static bool SetParameters(Votes const& votes, Parameters& parameters);
    // The data columns' places across a row, at equal fractions; `across` returned.
    static float const* EvenAcross(unsigned dataColumns, float* across);
    // Whether lines across the fitted column from `top` to `bottom` read
    // characters of at least two clusters beside it (after it for the start
    // column, before it for the stop column), as a column of row indicators
    // shows.
    bool ShowsRowIndicators(GrayImage const& image, float const top[2], float const bottom[2], float module,
                            float ux, float uy, bool start, bool inverted);
    // Adds to `lines` the clusters of the characters read beside the column
    // (after it for the start column, before it for the stop column) on
    // kIndicatorProbes lines from points spread over it (from `top`, `along`
    // its length), each `reach` long along `way`; gives up once two clusters
    // of two reads are out of reach of its lines left and probesAfter more.
    void ProbeRowIndicators(GrayImage const& image, float const top[2], float const along[2], float const way[2],
                            float reach, bool start, bool inverted, unsigned probesAfter, unsigned lines[3]);
    static constexpr unsigned kIndicatorProbes = 9;
    // ShowsRowIndicators on lines square to the column and on lines turned
    // from that by a tenth of a radian at a time up to 1.2 radians, each
    // way alone (nearest square first): under perspective the rows cross
    // a column's bars far off square, and a line within a twentieth of a
    // radian of them stays in one row along a character.
    bool ShowsTurnedRowIndicators(GrayImage const& image, float const top[2], float const bottom[2], float module,
                                  float ux, float uy, bool start, bool inverted);
    // ShowsTurnedRowIndicators, its answer kept for the same column (ColumnProbe::SameAs).
    bool SweepsBeside(GrayImage const& image, float const top[2], float const bottom[2], float module, float ux,
                      float uy, bool start, bool inverted);
    static constexpr unsigned kRowTurnCount = 25;
    static constexpr float kRowTurns[kRowTurnCount] = {0.0f, 0.1f,  -0.1f, 0.2f,  -0.2f, 0.3f,  -0.3f, 0.4f,  -0.4f,
                                                       0.5f, -0.5f, 0.6f,  -0.6f, 0.7f,  -0.7f, 0.8f,  -0.8f, 0.9f,
                                                       -0.9f, 1.0f, -1.0f, 1.1f,  -1.1f, 1.2f,  -1.2f};
    // Each row's fraction along one edge column, from the row numbers the
    // lines read there; false when too few were read.
    bool RowPositions(unsigned lines, unsigned side, unsigned rows, float* at) const;
    void VoteRows(GrayImage const& image, bool inverted, bool micro, unsigned columns, unsigned rows,
                  unsigned dataColumns, unsigned firstColumn, int clusterShift, float const lt[2], float const lb[2],
                  float const rt[2], float const rb[2], float skew, unsigned lines);
    void Vote(unsigned cell, unsigned value);
    // Each cell's most voted value; a tie or no vote is an erasure.
    void TallyCells(unsigned cells, unsigned short* codewords, unsigned short* erasures,
                    unsigned& erasureCount) const;
    // Start and stop sightings on the search lines, added to `left` and `right`.
    void CollectHits(GrayImage const& image, Area const& area, bool inverted, bool backward, unsigned& leftCount,
                     unsigned& rightCount);
    // From line `first` on, every `stride`-th; where given, the line each
    // sighting was met on goes into leftLines or rightLines beside it.
    void CollectHits(GrayImage const& image, Area const& area, bool inverted, bool backward, Hit* left,
                     unsigned& leftCount, Hit* right, unsigned& rightCount, unsigned first = 0, unsigned stride = 1,
                     unsigned short* leftLines = nullptr, unsigned short* rightLines = nullptr);
    // With one edge column seen, looks for the other on lines turned about
    // it: at the turn a fan of rays finds, then (when `fixedTurns`) at
    // fixed turns, the fan's rays cast as bundles where single ones miss.
    void SweepForColumn(GrayImage const& image, Area const& area, bool inverted, bool backward, unsigned& leftCount,
                        unsigned& rightCount, bool fixedTurns = true);
    // Rays from (cx, cy), the middle of the seen edge column (the left one
    // when `leftSeen`), fanned out kFanRays steps of kFanStep either way from
    // the area's direction on the side `way` points to: the turn at which a
    // run of them meets the other column's pattern, and the farthest such
    // meeting from (cx, cy). False when no run of two or more met it. With
    // `bundles`, rays that find no run are cast again as kFanShifts lines
    // side by side.
    bool FanForColumn(GrayImage const& image, Area const& area, bool inverted, bool backward, bool leftSeen, float cx,
                      float cy, float way, bool bundles, float& turn, float& farthest);
    static constexpr int kFanRays = 32;
    static constexpr float kFanStep = 0.025f;  // radians
    // The rows are read on every kProbeStride-th line first; a column count
    // other than the one read at, named by at least kProbeVotes row
    // indicators there, is read at instead.
    static constexpr unsigned kProbeStride = 4;
    static constexpr unsigned kProbeVotes = 2;
    // As many row indicators on every other of those lines name another
    // count clearly enough to read at it at once.
    static constexpr unsigned kHalfProbeVotes = 2;
    // Rays met nothing in a row that end a run.
    static constexpr int kFanGap = 3;
    static constexpr unsigned kMaxAims = 2;
    static constexpr unsigned kAimShifts = 4;
    static constexpr unsigned kFanShifts = 7;
    // One edge column fitted (its ends `top` and `bottom`), the other not:
    // under a steep view the far column is short and its modules narrow, and
    // the area's lines read its pattern on a line or two only. Lines along
    // the area's, kAimShifts to a search line spacing, about each of the
    // first kMaxAims far `sightings` (a few characters ahead of the seen
    // column) read it again into `far`; true when they fit a column through
    // kMinColumnSightings (its ends in the seen column's order, its module
    // square to it).
    bool AimAtSightings(GrayImage const& image, Area const& area, bool inverted, bool backward, bool leftSeen,
                        float const top[2], float const bottom[2], float seenModule, Hit const* sightings,
                        unsigned sightingCount, Hit* far, unsigned& farCount, float farTop[2], float farBottom[2],
                        float& farModule);
    bool FitColumn(Hit* hits, unsigned count, Area const& area, bool backward, float& topX, float& topY,
                   float& bottomX, float& bottomY, float& module) const;

    // The outline: the edge columns moved outward by the width of the patterns beyond them.
    static void SetCorners(float const lt[2], float const lb[2], float const rt[2], float const rb[2], float ux,
                           float uy, float outward, float corners[8]);
    // Column ends (top x, y, bottom x, y) lengthened to the further reach of the two.
    static void JoinExtents(float left[4], float right[4]);
    static void Join(float lt[2], float lb[2], float rt[2], float rb[2])
    {
        float left[4] = {lt[0], lt[1], lb[0], lb[1]};
        float right[4] = {rt[0], rt[1], rb[0], rb[1]};
        JoinExtents(left, right);
        lt[0] = left[0], lt[1] = left[1], lb[0] = left[2], lb[1] = left[3];
        rt[0] = right[0], rt[1] = right[1], rb[0] = right[2], rb[1] = right[3];
    }

    // Samples the search lines from `first` on, `stride` apart, and adds their
    // sightings to those of the lines read before, in line order.
    // (The first lines from the middle outward, as far as sightings go.)
    void CollectSightings(GrayImage const& image, Area const& area, unsigned first, unsigned stride);
    // Samples search line j; whether it added a sighting.
    bool AddSearchLine(GrayImage const& image, Area const& area, unsigned j);
    unsigned CountSightings() const;
    // Lines read without a sighting after which the outward reading stops;
    // it pauses after the first count, and the symbol is read, before it
    // goes on to the second.
    static constexpr unsigned kFirstSightingGap = 4;
    static constexpr unsigned kSightingGap = 10;
    // Goes on outward from the middle line, each way until gapLimit lines
    // without a sighting follow one, or the way ends.
    void WalkOutward(GrayImage const& image, Area const& area, unsigned gapLimit);
    // The shared sightings of `lines` (an area's search lines), sampled as
    // far as wanted.
    void UpdateSightings(GrayImage const& image, Area const& lines);
    // One line's sightings from its edges, read forward and backward.
    void FindLineSightings(float const* edges, unsigned count, bool firstDark, float x0, float y0, float step,
                           float ux, float uy, LineHits& hits) const;
    // Adds them to the sighting lists.
    void AddLineSightings(LineHits const& hits, unsigned line);

    Buffers* b_;
    // A search line whose ends the frame cut is the same line on an area of
    // any length with the same middle, way and height (the short lines and
    // the long lines of one located region): it shows what it showed. The
    // frame, area and polarities whose lines lineState records, and the
    // longest lines recorded (a line cut on them is cut on any longer ones).
    static constexpr unsigned char kCutLine = 1;
    struct CutLines {
        bool set;
        unsigned short const* pixels;
        int width, height, pitch;
        float cx, cy, ux, uy, halfHeight;
        float halfLength;
        bool polarities[2];
    };
    CutLines cutLines_{};
    bool shared_ = false;
    bool polarities_[2] = {true, true};
    // The reach of the lines the sightings belong to; lines sampled: 0 none,
    // 1 every other one, 2 all; and how many are wanted.
    float sightingsReach_ = -1.0f;
    unsigned linesRead_ = 0;
    // The first and last search lines the first reading sampled.
    unsigned sampledLow_ = 0;
    unsigned sampledHigh_ = 0;
    unsigned linesWanted_ = 1;
    // The outward walk of the first reading: the middle line, the next
    // step and lines without a sighting each way, whether the way goes on,
    // and whether any line showed a sighting.
    struct Walk {
        unsigned middle;
        unsigned stride;
        unsigned lines;
        unsigned step[2];
        unsigned gap[2];
        bool open[2];
        bool any;
    };
    Walk walk_{};
    // The gap the walk went on to, and the one wanted.
    unsigned gapWalked_ = 0;
    unsigned gapWanted_ = kFirstSightingGap;
    // Per polarity: the last walk on added no sighting.
    bool unchanged_[2] = {false, false};
    // Whether the rows are read on every line laid across the columns.
    bool denseRows_ = false;
    bool sparseRowsRead_ = false;
    bool columnSeen_ = false;
    // Which column's sightings the last reading swept for on turned lines
    // (1 the left, 2 the right, 0 neither): those are square to the column.
    unsigned farSwept_ = 0;
    // Whether the far column's ends are a compact symbol's closing bar's.
    bool barFollowed_ = false;
    // Whether the last placed missing stop column had the rows read to it
    // reach their last data column on both halves of the start column.
    bool rowsReachStop_ = false;
    // The turn from the area's direction of the lines that met the far
    // column first (0 when the area's own lines did).
    float farTurn_ = 0;
    bool deferRowVotes_ = false;
    // What AddRowVotes needs of the last Read.
    struct Pending {
        bool set;
        GrayImage const* image;
        bool inverted;
        unsigned columns;
        unsigned rows;
        unsigned dataColumns;
        unsigned lines;
        float skew;
        float ends[8];  // left top, left bottom, right top, right bottom
        unsigned stride;  // every stride-th line across was read: kProbeStride, half of it or 1
        bool followed;   // the count was the one the row indicators voted for
    };
    Pending pending_{};
    // The last fan of rays and what it found. A reader lives for one frame;
    // the long lines' reading after the short lines' often fans out from
    // the seen column again, its middle moved by a hundredth of a pixel or
    // so (the long lines sample the column at other points), and the rays
    // then meet what they met before.
    struct Fan {
        bool set;
        float ux, uy, halfLength;
        float cx, cy, way;
        bool inverted, backward, leftSeen;
        bool found;
        float turn, farthest;
        bool bundled;
    };
    Fan fan_{};
    static constexpr float kFanMiddleMoved = 0.05f;  // pixels
    // The last column whose row indicators were looked for, and the answer.
    struct RowCheck {
        bool set;
        ColumnProbe column;
        bool shown;
    };
    RowCheck rowCheck_{};
    // The last area's ink outline (the frame, area and polarity it was
    // found for) and its turns and column counts ranked.
    struct Outline {
        struct Choice {
            unsigned turn;
            unsigned columns;
            unsigned reads;
            unsigned score;
        };
        bool set;
        bool inverted;
        unsigned short const* image;
        float cx, cy, ux, uy;
        float ink[8];
        Choice choices[16];
        unsigned choiceCount;
    };
    Outline outline_{};
};

}  // namespace DEC2DIvra
