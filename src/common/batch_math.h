#pragma once
// exp and pow of 4-byte floats a batch at a time, each result the very float
// std::exp or std::pow gives for the same arguments.
#include <cstddef>

namespace oewr {

// out[i] = std::exp(in[i]) for i < n; in and out may be the same array. The
// batch path evaluates the C library's own method (a 32-entry table of
// 2^(i/32) and a cubic in double precision, with fused multiply-adds) on
// several arguments at once, and is used only on a processor with AVX2 and
// FMA where a check at first use finds it agreeing with std::exp; elsewhere
// each value is std::exp's.
void expBatch(const float* in, float* out, std::size_t n);

// Whether expBatch evaluates batches (false: one std::exp per value).
bool expBatchVectorised();

// out[i] = std::pow(in[i], exponent) for i < n, the same float for every
// argument; in and out may be the same array. The batch path evaluates the C
// library's own method (log2 from a 16-entry table and a quintic, then 2^x as
// exp does) on eight arguments at once with AVX-512, where a check at first
// use finds it agreeing with std::pow; elsewhere each value is std::pow's.
void powBatch(const float* in, float exponent, float* out, std::size_t n);
bool powBatchVectorised();

}  // namespace oewr
