#pragma once
// exp of 4-byte floats a batch at a time. Every result is the float std::exp
// gives for the same argument: the batch path evaluates the C library's own
// method (a 32-entry table of 2^(i/32) and a cubic in double precision, with
// fused multiply-adds) on several arguments at once, and is used only on a
// processor with AVX2 and FMA where a check at first use finds it agreeing
// with std::exp; elsewhere each value is std::exp's.
#include <cstddef>

namespace oewr {

// out[i] = std::exp(in[i]) for i < n; in and out may be the same array.
void expBatch(const float* in, float* out, std::size_t n);

// Whether expBatch evaluates batches (false: one std::exp per value).
bool expBatchVectorised();

}  // namespace oewr
