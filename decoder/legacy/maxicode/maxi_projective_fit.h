#pragma once

// The MaxiCode grid's least-squares fit of the projective map from symbol
// units to pixels through weighted point pairs.

// One pair: a point in symbol units, where it lies in the image, and its weight.
struct MaxiAnchorPair {
    float u;
    float v;
    float x;
    float y;
    float weight;
};

// The projective map through `count` pairs that minimises the weighted
// algebraic error, written about the image of the symbol origin (c, f):
// x = c + (a u + b v) / w, y = f + (d u + e v) / w, w = 1 + g u + h v, with
// p = {a, b, c, d, e, f, g, h}. False (p unchanged) for fewer than five pairs
// of positive weight or a degenerate layout.
bool FitMaxiProjective(MaxiAnchorPair const* pairs, int count, double p[8]);
