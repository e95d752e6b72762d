#include "decoder/matrix/dot_code/dot_code_error_detection.h"

namespace DEC2DIvra {

bool DotCodeErrorDetection::Start(unsigned total, unsigned dataCount, unsigned erasureCount, unsigned short* words,
                                  unsigned short const* erasures, unsigned& corrected)
{
    corrected = 0;
    if (total <= dataCount || total == 0) {
        return false;
    }
    unsigned const blocks = (total + RSdecodingOfDotCode::kMaxWords - 1) / RSdecodingOfDotCode::kMaxWords;
    if (blocks == 1) {
        return rs_.CorrectErrors(words, total, dataCount, erasureCount, erasures, 2, corrected);
    }
    return CorrectMultiBlock(total, dataCount, erasureCount, blocks, words, erasures, corrected);
}

bool DotCodeErrorDetection::CorrectMultiBlock(unsigned total, unsigned dataCount, unsigned erasureCount,
                                              unsigned blocks, unsigned short* words, unsigned short const* erasures,
                                              unsigned& corrected)
{
    // Block b holds words b, b + B, b + 2B, ...: its data words first.
    unsigned short block[RSdecodingOfDotCode::kMaxWords];
    unsigned short blockErasures[kMaxBlockErasures];
    unsigned short where[RSdecodingOfDotCode::kMaxWords];
    for (unsigned b = 0; b < blocks; ++b) {
        unsigned const blockData = (dataCount - b + blocks - 1) / blocks;
        unsigned const blockTotal = (total - b + blocks - 1) / blocks;
        if (blockTotal > RSdecodingOfDotCode::kMaxWords || blockTotal <= blockData) {
            return false;
        }
        unsigned const count = blockTotal;
        for (unsigned i = 0; i < count; ++i) {
            where[i] = static_cast<unsigned short>(b + i * blocks);
        }
        unsigned blockErasureCount = 0;
        for (unsigned i = 0; i < count; ++i) {
            block[i] = words[where[i]];
            for (unsigned e = 0; e < erasureCount; ++e) {
                if (erasures[e] == where[i]) {
                    if (blockErasureCount >= kMaxBlockErasures) {
                        return false;
                    }
                    blockErasures[blockErasureCount++] = static_cast<unsigned short>(i);
                    break;
                }
            }
        }
        unsigned blockCorrected = 0;
        if (!rs_.CorrectErrors(block, blockTotal, blockData, blockErasureCount, blockErasures, 2, blockCorrected)) {
            return false;
        }
        for (unsigned i = 0; i < count; ++i) {
            words[where[i]] = block[i];
        }
        corrected += blockCorrected;
    }
    return true;
}

}  // namespace DEC2DIvra
