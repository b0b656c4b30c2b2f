// Four band filters of one group at a time, one filter per 64-bit lane. Each
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

__attribute__((target("avx2"))) void Run(vBandFilter_c* filters, int count, const int32_t* in,
                                         int n, uint32_t* energy) {
    alignas(32) int64_t lane[4];
    V c[kBandCoefCount];
    for (int k = 0; k < kBandCoefCount; ++k) {
        for (int i = 0; i < 4; ++i) lane[i] = i < count ? filters[i].c[k] : 0;
        c[k] = _mm256_load_si256(reinterpret_cast<const V*>(lane));
    }
    V s[9];
    for (int k = 0; k < 9; ++k) {
        for (int i = 0; i < 4; ++i) lane[i] = i < count ? filters[i].s[k] : 0;
        s[k] = _mm256_load_si256(reinterpret_cast<const V*>(lane));
    }
    for (int i = 0; i < 4; ++i) lane[i] = i < count ? energy[i] : 0;
    V peak = _mm256_load_si256(reinterpret_cast<const V*>(lane));
    // The upper halves of the lanes are 0 in peak and in every envelope, so
    // an unsigned 32-bit maximum per half is the per-filter maximum.
    const V lowHalves = _mm256_set1_epi64x(0xffffffff);

    for (int k = 0; k < n; ++k) {
        const V x = _mm256_set1_epi64x(in[k]);
        const V y1 = Stage(c, s[0], s[1], x, s[2], s[3]);
        const V y2 = Stage(c + 5, s[2], s[3], y1, s[4], s[5]);
        const V y3 = Stage(c + 10, s[4], s[5], y2, s[6], s[7]);
        s[0] = s[1];
        s[1] = x;
        s[2] = s[3];
        s[3] = y1;
        s[4] = s[5];
        s[5] = y2;
        s[6] = s[7];
        s[7] = y3;
        // vpabsd keeps the most negative value as it is, like the scalar code.
        const V mag = _mm256_abs_epi32(y3);
        V e = _mm256_add_epi64(_mm256_mul_epi32(c[15], mag), _mm256_mul_epi32(c[16], s[8]));
        s[8] = HighWordTimes4(e);
        peak = _mm256_max_epu32(peak, _mm256_and_si256(s[8], lowHalves));
    }

    for (int k = 0; k < 9; ++k) {
        _mm256_store_si256(reinterpret_cast<V*>(lane), s[k]);
        for (int i = 0; i < count; ++i) filters[i].s[k] = static_cast<int32_t>(lane[i]);
    }
    _mm256_store_si256(reinterpret_cast<V*>(lane), peak);
    for (int i = 0; i < count; ++i) energy[i] = static_cast<uint32_t>(lane[i]);
}

}  // namespace

bool RunBandFiltersAVX2(vBandFilter_c* filters, int count, const int32_t* in, int n,
                        uint32_t* energy) {
    static const bool available = __builtin_cpu_supports("avx2");
    if (!available || count < 1 || count > 4) return false;
    Run(filters, count, in, n, energy);
    return true;
}
