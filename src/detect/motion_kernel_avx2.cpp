// Built with -mavx2 -mpopcnt -mbmi2 and entered only when the processor has them.
#include "motion_kernel_rows.h"

#include <immintrin.h>

namespace {

class Avx2Bytes {
 public:
  explicit Avx2Bytes(int tolerance) : m_tolerance(_mm256_set1_epi8(static_cast<char>(tolerance))) {}
  std::uint64_t changed64(const std::uint8_t* a, const std::uint8_t* b) const {
    return ~(std::uint64_t{within32(a, b)} | (std::uint64_t{within32(a + 32, b + 32)} << 32));
  }

 private:
  std::uint32_t within32(const std::uint8_t* a, const std::uint8_t* b) const {
    const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    const __m256i diff = _mm256_or_si256(_mm256_subs_epu8(va, vb), _mm256_subs_epu8(vb, va));
    const __m256i small = _mm256_cmpeq_epi8(_mm256_subs_epu8(diff, m_tolerance), _mm256_setzero_si256());
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(small));
  }

  __m256i m_tolerance;
};

}  // namespace

void countChangedPixelsAvx2(const MotionKernelJob& job) { countRows<Avx2Bytes>(job); }
