#include "audio/AdpcmEncoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "gamedata/ClipAudio.h"

namespace vh {

namespace {

constexpr int kSamples = 28;
constexpr int kFilters = 5;
constexpr int kMaxShift = 12;  // 13-15 no longer scale the code by a power of two

// The value the decoder's state should reach for the output to come out as
// `target`. The decoder adds 0.5 and truncates toward zero, so an output t > 0
// comes from [t - 0.5, t + 0.5), t < 0 from (t - 1.5, t - 0.5] and 0 from
// (-1.5, 0.5); aiming at the middle of that range keeps fine steps exact.
double aimFor(int target) {
    if (target > 0) return target;
    if (target < 0) return target - 1.0;
    return -0.5;
}

// The decoder's output for a reconstructed value e.
int decodedSample(double e) {
    double rounded = e + 0.5;
    if (rounded >= 32767.0) return 32767;
    if (rounded <= -32768.0) return -32768;
    return int(int32_t(rounded));
}

// Shifts tried per filter, run side by side: their sample chains do not
// depend on each other, so the processor overlaps them.
constexpr int kLanes = 2;

// Adding and removing 1.5 × 2^52 rounds a small double to the nearest whole
// number in two additions, much sooner than a conversion to int and back.
constexpr double kRoundingBias = 6755399441055744.0;

// Runs one filter with kLanes shifts through the decoder's arithmetic from
// `state`. Each lane's squared error goes to errors[] and its final state to
// ends[]; the run stops once every lane has reached `limit` (the lanes' ends
// are then incomplete). codes receives each lane's 4-bit codes.
void tryShifts(const int16_t in[kSamples], const double aim[kSamples], int filter, const int shifts[kLanes],
               const PredictorState& state, double limit, double errors[kLanes], PredictorState ends[kLanes],
               int8_t codes[kLanes][kSamples]) {
    const double c0 = kFilterCoefficients[filter][0];
    const double c1 = kFilterCoefficients[filter][1];
    double step[kLanes], invStep[kLanes], c0Scaled[kLanes], s0[kLanes], s1[kLanes];
    for (int k = 0; k < kLanes; ++k) {
        step[k] = double(1 << (kMaxShift - shifts[k]));
        invStep[k] = 1.0 / step[k];
        c0Scaled[k] = c0 * invStep[k];
        s0[k] = state.s0;
        s1[k] = state.s1;
        errors[k] = 0.0;
    }
    for (int i = 0; i < kSamples; ++i) {
        double least = limit;
        for (int k = 0; k < kLanes; ++k) {
            // The older term is known a sample early, so only the newest
            // value's product stands in the chain from sample to sample.
            const double p1 = s1[k] * c1;
            const double p0 = s0[k] * c0;
            const double wanted = (aim[i] - p1) * invStep[k] - s0[k] * c0Scaled[k];
            const double code = (std::clamp(wanted, -8.0, 7.0) + kRoundingBias) - kRoundingBias;
            // Exactly the decoder's sum: its residual (code << 12) >> shift
            // is code × step for shifts up to 12, and the products and the
            // order of the additions are the same.
            const double e = code * step[k] + p0 + p1;
            s1[k] = s0[k];
            s0[k] = e;
            const double diff = double(decodedSample(e) - in[i]);
            errors[k] += diff * diff;
            codes[k][i] = int8_t(code);
            least = std::min(least, errors[k]);
        }
        if (least >= limit) return;
    }
    for (int k = 0; k < kLanes; ++k) ends[k] = PredictorState{s0[k], s1[k]};
}

// For every filter, the shift whose step lets the largest open-loop residual
// just fit the codes -8..7, and the residual's energy. One pass over the
// samples serves all filters.
void fittingShifts(const int16_t in[kSamples], const PredictorState& state, int shifts[kFilters],
                   double energy[kFilters]) {
    double high[kFilters], low[kFilters];
    for (int f = 0; f < kFilters; ++f) high[f] = low[f] = energy[f] = 0.0;
    double h1 = state.s0;
    double h2 = state.s1;
    for (int i = 0; i < kSamples; ++i) {
        for (int f = 0; f < kFilters; ++f) {
            double d = in[i] - (h1 * kFilterCoefficients[f][0] + h2 * kFilterCoefficients[f][1]);
            energy[f] += d * d;
            high[f] = std::max(high[f], d);
            low[f] = std::min(low[f], d);
        }
        h2 = h1;
        h1 = in[i];
    }
    for (int f = 0; f < kFilters; ++f) {
        // The step needed, as a whole number: the smallest power of two at
        // or above it gives the shift.
        double needed = std::min(std::max(high[f] * (1.0 / 7.0), low[f] * -0.125), 4096.0);
        unsigned whole = unsigned(std::ceil(needed));
        int k = whole <= 1 ? 0 : std::bit_width(whole - 1);
        shifts[f] = kMaxShift - k;
    }
}

}  // namespace

void encodeBlock(const int16_t in[28], uint8_t out[16], PredictorState& state) {
    double aim[kSamples];
    for (int i = 0; i < kSamples; ++i) aim[i] = aimFor(in[i]);

    // Filters in order of their open-loop residual energy, so the likely
    // winner comes first and the others stop early.
    int shiftFor[kFilters];
    double energy[kFilters];
    int order[kFilters];
    fittingShifts(in, state, shiftFor, energy);
    for (int f = 0; f < kFilters; ++f) order[f] = f;
    std::sort(order, order + kFilters, [&](int a, int b) { return energy[a] < energy[b]; });

    double bestError = std::numeric_limits<double>::infinity();
    int bestFilter = 0;
    int bestShift = kMaxShift;
    int8_t bestCodes[kSamples] = {};
    PredictorState bestEnd = state;
    int8_t codes[kLanes][kSamples];
    double errors[kLanes];
    PredictorState ends[kLanes];
    for (int f : order) {
        // A filter whose open-loop residual holds many times the energy of
        // the best one's practically never wins with the loop closed.
        if (energy[f] > 8.0 * energy[order[0]] + 1000.0) break;
        // The fitting shift and a finer one that lets a rare peak clip
        // (a coarser one when there is no finer); a coarser one than the
        // fitting shift practically never wins.
        const int shifts[kLanes] = {shiftFor[f], shiftFor[f] < kMaxShift ? shiftFor[f] + 1 : shiftFor[f] - 1};
        tryShifts(in, aim, f, shifts, state, bestError, errors, ends, codes);
        for (int k = 0; k < kLanes; ++k) {
            if (errors[k] < bestError) {
                bestError = errors[k];
                bestFilter = f;
                bestShift = shifts[k];
                bestEnd = ends[k];
                std::memcpy(bestCodes, codes[k], sizeof bestCodes);
            }
        }
        if (bestError == 0.0) break;
    }

    out[0] = uint8_t(bestFilter << 4 | bestShift);
    out[1] = 0;
    for (int k = 0; k < kSamples / 2; ++k)
        out[2 + k] = uint8_t((bestCodes[2 * k] & 0x0F) | (bestCodes[2 * k + 1] & 0x0F) << 4);

    // The winner ran the decoder's own arithmetic, so this is exactly where
    // a player's decoder will be after the block.
    state = bestEnd;
}

std::vector<uint8_t> encodeClip(const int16_t* interleavedStereo, std::size_t frames) {
    const std::size_t blocks = (frames + kSamples - 1) / kSamples;
    const std::size_t chunks = (blocks + ClipAudio::kBlocksPerChunk - 1) / ClipAudio::kBlocksPerChunk;
    std::vector<uint8_t> bytes(ClipAudio::kHeaderBytes + chunks * ClipAudio::kChunkBytes, 0);

    const uint32_t dataBytes = uint32_t(blocks * ClipAudio::kBlockBytes);
    for (int i = 0; i < 4; ++i) bytes[ClipAudio::kDataSizeOffset + i] = uint8_t(dataBytes >> (8 * i));

    PredictorState leftState, rightState;
    int16_t left[kSamples];
    int16_t right[kSamples];
    for (std::size_t b = 0; b < blocks; ++b) {
        for (int j = 0; j < kSamples; ++j) {
            std::size_t frame = b * kSamples + j;
            left[j] = frame < frames ? interleavedStereo[2 * frame] : int16_t(0);
            right[j] = frame < frames ? interleavedStereo[2 * frame + 1] : int16_t(0);
        }
        uint8_t* chunk = bytes.data() + ClipAudio::kHeaderBytes + (b / ClipAudio::kBlocksPerChunk) * ClipAudio::kChunkBytes;
        std::size_t within = (b % ClipAudio::kBlocksPerChunk) * ClipAudio::kBlockBytes;
        encodeBlock(left, chunk + ClipAudio::kLeftOffset + within, leftState);
        encodeBlock(right, chunk + ClipAudio::kRightOffset + within, rightState);
    }
    return bytes;
}

}  // namespace vh
