#pragma once

// The records through which the engine's scan lines are sampled and turned
// into run lengths. Runs are 16-bit lengths in 1/32 pixel along the line's
// major axis; a run sequence ends with two 0xFFFF values and a marker word.

// Longest line the engine samples (a 1280-pixel frame gives at most 1281
// samples on the plain walk; the 4-connected walk falls back beyond 1000).
inline constexpr int kLegacyLineSamples = 2560;
// A sequence holds at most one run per sample plus the lead run, the two
// end values and the marker.
inline constexpr int kLegacyRunCapacity = kLegacyLineSamples + 4;
inline constexpr unsigned short kLegacyRunEnd = 0xFFFF;

// Threshold record.
struct MAKETH_INFO {
    int header0;
    int header1;
    int minContrast;
    int windowSize;
    int mode;  // 0 envelope, 1 moving average, 4 single level
    int smoothExponent;
    unsigned short* thresholds;  // one per sample
};

// Scan-line record.
struct PICLINE_INFO {
    int count;  // samples on the line
    int word1;
    unsigned short* lineBuffer;  // interleaved: channel 1 grey, channel 2 filtered
    unsigned short* greyBuffer;
    int work0;
    int work1;
    int error;
    int type3Flag;
    int sampleFlag;  // 1: sample the line
    int maxMinFlag;
    int greyCopyFlag;
    int mode;  // 0 plain walk, 1 4-connected walk, 16 not sampled here
    int x0;
    int y0;
    int x1;
    int y1;
    int maxValue;
    int minValue;
    unsigned short const* imageBase;
    int rowStride;
    int imageHeight;
    int stepA;
    int stepB;
    int stepC;
};

// Filter of one channel: 0 none, 1 Laplacian, 2 moving average, 3 grey with
// Laplacian.
struct FILTER_INFO {
    int type;
    int mode;
    int scale;
    unsigned short* buffer;
};

// What to make of one channel.
struct RUNLEN_INFO {
    int a;
    int source;  // 0 off; nonzero make this sequence (3: from the filtered channel)
    int offset;
    int startMode;
    int noiseLimit;
    int b;
    int reuseMode;  // 0; 1 write the shared buffers; 2 copy the shared result
    int cleared;
};

// One run sequence.
struct RUNLEN_OUT {
    int count;
    unsigned short* runs;  // kLegacyRunCapacity entries
    int firstColour;       // 0: the first run is light
    unsigned short* thresholds;
};
