// Up to eight filters at a time, one filter per 64-bit lane: band filters of
// a group, and the decimator that runs on the same input (it is the same
// three stages without the envelope). Each lane keeps its 32-bit values in
// the low half; vpmuldq forms the signed 32 x 32 -> 64-bit products, and the
// high word of a lane's sum is already the "shift right by 32, keep the low
// 32 bits" of the scalar code, so both paths give the same bits.

#include "analysis/hm_filter_bank.h"

#include <immintrin.h>

namespace {

using V = __m256i;

__attribute__((target("avx2"))) inline V HighWordTimes4(V sum) {
    return _mm256_slli_epi32(_mm256_srli_epi64(sum, 32), 2);
}

__attribute__((target("avx2"))) inline V Stage(const V* c, V in2, V in1, V in0, V out2, V out1) {
    V s = _mm256_add_epi64(_mm256_mul_epi32(c[0], in2), _mm256_mul_epi32(c[1], in1));
    s = _mm256_add_epi64(s, _mm256_mul_epi32(c[2], in0));
    s = _mm256_add_epi64(s, _mm256_mul_epi32(c[3], out2));
    s = _mm256_add_epi64(s, _mm256_mul_epi32(c[4], out1));
    return HighWordTimes4(s);
}

// K groups of four lanes in one loop, so that the dependency chains of the
// groups overlap. With a decimator, it is the last lane: its envelope is
// computed on zero coefficients and dropped, and y3 of every second input
// goes to decimated.
template <int K, bool kDecimator>
__attribute__((target("avx2"))) void Run(const vFilterLane_s* lanes, int count, const int32_t* in,
                                         int n, int32_t* decimated) {
    // Lanes past count run on zero coefficients and are not stored back.
    alignas(32) int64_t packed[K][kBandCoefCount + 10][4] = {};
    for (int f = 0; f < count; ++f) {
        const vFilterLane_s& l = lanes[f];
        const int coefs = l.energy ? kBandCoefCount : kDecimatorCoefCount;
        for (int k = 0; k < coefs; ++k) packed[f / 4][k][f % 4] = l.c[k];
        for (int k = 0; k < (l.energy ? 9 : 8); ++k) packed[f / 4][kBandCoefCount + k][f % 4] = l.s[k];
        packed[f / 4][kBandCoefCount + 9][f % 4] = l.energy ? *l.energy : 0;
    }
    V c[K][kBandCoefCount], s[K][9], peak[K];
    for (int g = 0; g < K; ++g) {
        for (int k = 0; k < kBandCoefCount; ++k)
            c[g][k] = _mm256_load_si256(reinterpret_cast<const V*>(packed[g][k]));
        for (int k = 0; k < 9; ++k)
            s[g][k] = _mm256_load_si256(reinterpret_cast<const V*>(packed[g][kBandCoefCount + k]));
        peak[g] = _mm256_load_si256(reinterpret_cast<const V*>(packed[g][kBandCoefCount + 9]));
    }
    const int last = count - 1;
    const int decGroup = last / 4, decLane = last % 4;

    for (int k = 0; k < n; ++k) {
        const V x = _mm256_set1_epi64x(in[k]);
        for (int g = 0; g < K; ++g) {
            V* st = s[g];
            const V* cf = c[g];
            const V y1 = Stage(cf, st[0], st[1], x, st[2], st[3]);
            const V y2 = Stage(cf + 5, st[2], st[3], y1, st[4], st[5]);
            const V y3 = Stage(cf + 10, st[4], st[5], y2, st[6], st[7]);
            st[0] = st[1];
            st[1] = x;
            st[2] = st[3];
            st[3] = y1;
            st[4] = st[5];
            st[5] = y2;
            st[6] = st[7];
            st[7] = y3;
            // vpabsd keeps the most negative value as it is, like the scalar
            // code. The upper halves of the lanes are 0 in the envelope and
            // in peak, so an unsigned 32-bit maximum is the lane's maximum.
            const V mag = _mm256_abs_epi32(y3);
            const V e = _mm256_add_epi64(_mm256_mul_epi32(cf[15], mag), _mm256_mul_epi32(cf[16], st[8]));
            st[8] = HighWordTimes4(e);
            peak[g] = _mm256_max_epu32(peak[g], st[8]);
            if (kDecimator && g == decGroup && (k & 1)) {
                alignas(32) int64_t y[4];
                _mm256_store_si256(reinterpret_cast<V*>(y), y3);
                decimated[k >> 1] = static_cast<int32_t>(y[decLane]);
            }
        }
    }

    for (int g = 0; g < K; ++g) {
        for (int k = 0; k < 9; ++k)
            _mm256_store_si256(reinterpret_cast<V*>(packed[g][kBandCoefCount + k]), s[g][k]);
        _mm256_store_si256(reinterpret_cast<V*>(packed[g][kBandCoefCount + 9]), peak[g]);
    }
    for (int f = 0; f < count; ++f) {
        const vFilterLane_s& l = lanes[f];
        for (int k = 0; k < (l.energy ? 9 : 8); ++k)
            l.s[k] = static_cast<int32_t>(packed[f / 4][kBandCoefCount + k][f % 4]);
        if (l.energy) *l.energy = static_cast<uint32_t>(packed[f / 4][kBandCoefCount + 9][f % 4]);
    }
}

}  // namespace

bool HaveAVX2() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

bool RunFilterLanesAVX2(const vFilterLane_s* lanes, int count, const int32_t* in, int n, int32_t* decimated) {
    if (!HaveAVX2() || count < 1 || count > 8) return false;
    if (count > 4) {
        (decimated ? Run<2, true> : Run<2, false>)(lanes, count, in, n, decimated);
    } else {
        (decimated ? Run<1, true> : Run<1, false>)(lanes, count, in, n, decimated);
    }
    return true;
}
