// Up to eight band filters of one group at a time, one filter per 64-bit lane. Each
// lane keeps its 32-bit values in the low half; vpmuldq forms the signed
// 32 x 32 -> 64-bit products, and the high word of a lane's sum is already
// the "shift right by 32, keep the low 32 bits" of the scalar code, so both
// paths give the same bits.

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
// groups overlap.
template <int K>
__attribute__((target("avx2"))) void Run(vBandFilter_c* filters, int count, const int32_t* in,
                                         int n, uint32_t* energy) {
    // Lanes past count run on zero coefficients and are not stored back.
    alignas(32) int64_t lanes[K][kBandCoefCount + 10][4] = {};
    for (int f = 0; f < count; ++f) {
        for (int k = 0; k < kBandCoefCount; ++k) lanes[f / 4][k][f % 4] = filters[f].c[k];
        for (int k = 0; k < 9; ++k) lanes[f / 4][kBandCoefCount + k][f % 4] = filters[f].s[k];
        lanes[f / 4][kBandCoefCount + 9][f % 4] = energy[f];
    }
    V c[K][kBandCoefCount], s[K][9], peak[K];
    for (int g = 0; g < K; ++g) {
        for (int k = 0; k < kBandCoefCount; ++k)
            c[g][k] = _mm256_load_si256(reinterpret_cast<const V*>(lanes[g][k]));
        for (int k = 0; k < 9; ++k)
            s[g][k] = _mm256_load_si256(reinterpret_cast<const V*>(lanes[g][kBandCoefCount + k]));
        peak[g] = _mm256_load_si256(reinterpret_cast<const V*>(lanes[g][kBandCoefCount + 9]));
    }

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
        }
    }

    for (int g = 0; g < K; ++g) {
        for (int k = 0; k < 9; ++k)
            _mm256_store_si256(reinterpret_cast<V*>(lanes[g][kBandCoefCount + k]), s[g][k]);
        _mm256_store_si256(reinterpret_cast<V*>(lanes[g][kBandCoefCount + 9]), peak[g]);
    }
    for (int f = 0; f < count; ++f) {
        for (int k = 0; k < 9; ++k)
            filters[f].s[k] = static_cast<int32_t>(lanes[f / 4][kBandCoefCount + k][f % 4]);
        energy[f] = static_cast<uint32_t>(lanes[f / 4][kBandCoefCount + 9][f % 4]);
    }
}

}  // namespace

bool RunBandFiltersAVX2(vBandFilter_c* filters, int count, const int32_t* in, int n,
                        uint32_t* energy) {
    static const bool available = __builtin_cpu_supports("avx2");
    if (!available || count < 1 || count > 8) return false;
    if (count > 4) {
        Run<2>(filters, count, in, n, energy);
    } else {
        Run<1>(filters, count, in, n, energy);
    }
    return true;
}
