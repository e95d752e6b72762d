#pragma once

#include "decoder/legacy/maxicode/maxi_module_set.h"

// Centring of module positions on a reference line: a module whose centre
// estimate lies off its true centre shows samples of the other colour on one
// side of two small circles about it; the estimate is moved away from them.

// The threshold of the centring when the bands use their own (TH_SELECT 0).
extern int THRESHOLD3;
// Eight sample offsets (16.16) on circles of a quarter and three eighths of
// the module pitch, and the patterns they gave at the last centring: bit i
// set where sample i (at 45 i degrees) differs in colour from the centre.
extern MaxiPoint16 Cir28[8];
extern MaxiPoint16 Cir38[8];
extern int CirValue1;
extern int CirValue2;
// For each pattern of differing samples, the direction (degrees,
// counter-clockwise, y down; a multiple of 22.5 rounded) they lie in, or -1
// when they lie all round or in opposite pairs.
extern short BlockP[256];

// The centring correction (16.16) of the module estimated at (x, y) with
// module pitch `pitch` (16.16): 1 when a correction was found, 0 otherwise.
int SetCenter(MaxiPoint16* out, int y, int x, int pitch);

// The modules beside each line's, on either side: their records (tZeroXY
// where none is set), and per line the offset (16.16) from a module of the
// line to them (tZeroXY: no neighbour on that side).
extern MaxiPoint16 tModL[kMaxiLines][kMaxiLines];
extern MaxiPoint16 tModR[kMaxiLines][kMaxiLines];
extern MaxiPoint16 MaxiSide[kMaxiLines][2];

// Walks reference line `line` from record `record` (set to `from`) `count`
// records in `direction` (+1 or -1) toward `to`, each record the corrected
// last one plus the step, centred together with its neighbours on either
// side where the line has them; answers the corrections made.
int AdjustXY36(int xFrom, int yFrom, int xTo, int yTo, int line, int record, int direction, int count);
