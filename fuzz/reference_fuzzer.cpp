// SPDX-License-Identifier: MIT
// The fast routines against their straightforward references
// (tests/evaluator/reference.h) on arbitrary input: the same bits, the same
// faults, the same failures, the same escaping overflow.
//   first byte even: the rest is number text for both readers;
//   first byte odd:  the rest is two extended values for the protected steps
//                    and the written forms, of the first value and of an
//                    integer made from its bits; a written number's value
//                    taken from its digits must be the one its text reads as.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "numtext.h"
#include "numtext_internal.h"
#include "reference.h"
#include "x87.h"

namespace {

bool SameBits(long double a, long double b) {
  unsigned char x[10];
  unsigned char y[10];
  std::memcpy(x, &a, 10);
  std::memcpy(y, &b, 10);
  return std::memcmp(x, y, 10) == 0;
}

bool SameFaults(const calc::x87::Faults& a, const calc::x87::Faults& b) {
  return a.invalid == b.invalid && a.divide_by_zero == b.divide_by_zero && a.overflow == b.overflow;
}

// Bytes below 0x80 stand for themselves; higher ones are digits, which the
// readers see most.
std::u16string ToText(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += data[i] < 0x80 ? static_cast<char16_t>(data[i]) : static_cast<char16_t>(u'0' + data[i] % 10);
  }
  return text;
}

struct Outcome {
  bool overflow = false;
  calc::ScanResult result;
};

template <typename Reader>
Outcome Run(Reader reader, const std::u16string& text) {
  Outcome o;
  try {
    o.result = reader(text);
  } catch (const calc::FloatingPointOverflow&) {
    o.overflow = true;
  }
  return o;
}

void CheckReaders(const std::u16string& text) {
  const Outcome fast = Run([](const std::u16string& t) { return calc::ScanNumber(t); }, text);
  const Outcome slow = Run([](const std::u16string& t) { return calc::reference::ScanNumber(t); }, text);
  if (fast.overflow != slow.overflow || fast.result.ok != slow.result.ok) std::abort();
  if (fast.result.ok && !SameBits(fast.result.value, slow.result.value)) std::abort();

  const calc::ScanResult lenient = calc::ReadNumber(text);
  const calc::ScanResult lenient_reference = calc::reference::ReadNumber(text);
  if (lenient.ok != lenient_reference.ok) std::abort();
  if (lenient.ok && !SameBits(lenient.value, lenient_reference.value)) std::abort();
}

template <typename Fast, typename Slow>
void CheckStep(Fast fast, Slow slow) {
  calc::x87::Faults f;
  calc::x87::Faults s;
  const long double a = fast(f);
  const long double b = slow(s);
  if (!SameFaults(f, s)) std::abort();
  // A faulting step delivers nothing the evaluator uses; the bits of a
  // result that stands must agree.
  if (!f.Any() && !SameBits(a, b) && !(a != a && b != b)) std::abort();
}

void CheckSteps(long double x, long double y) {
  namespace x87 = calc::x87;
  namespace ref = calc::reference;
  CheckStep([&](x87::Faults& f) { return x87::Add(x, y, f); }, [&](x87::Faults& f) { return ref::Add(x, y, f); });
  CheckStep([&](x87::Faults& f) { return x87::Mul(x, y, f); }, [&](x87::Faults& f) { return ref::Mul(x, y, f); });
  CheckStep([&](x87::Faults& f) { return x87::Div(x, y, f); }, [&](x87::Faults& f) { return ref::Div(x, y, f); });
  CheckStep([&](x87::Faults& f) { return x87::Sqrt(x, f); }, [&](x87::Faults& f) { return ref::Sqrt(x, f); });
  CheckStep([&](x87::Faults& f) { return x87::Ln(x, f); }, [&](x87::Faults& f) { return ref::Ln(x, f); });
  // Two fast steps in a row each see only their own fault.
  x87::Faults first;
  x87::Faults second;
  x87::Mul(x, y, first);
  x87::Add(1.0L, 1.0L, second);
  if (second.Any()) std::abort();
}

void CheckForms(long double v, int precision, int decimals) {
  if (calc::FormatGeneral(v, precision) != calc::reference::FormatGeneral(v, precision)) std::abort();
  if (calc::FormatGeneral(v, 15) != calc::reference::FormatGeneral(v, 15)) std::abort();
  if (calc::FormatFixed(v, decimals) != calc::reference::FormatFixed(v, decimals)) std::abort();
  if (calc::FormatFixed(v, 2) != calc::reference::FormatFixed(v, 2)) std::abort();
}

template <typename F>
Outcome Read(F f) {
  Outcome o;
  try {
    o.result = {true, f()};
  } catch (const calc::FloatingPointOverflow&) {
    o.overflow = true;
  }
  return o;
}

// ReadBack against reading the text; inside the range the evaluator shows
// positionally, the value read back writes as the same text.
void CheckReadBack(long double v, int precision) {
  calc::GeneralNumber written;
  calc::WriteGeneral(v, precision, written);
  if (written.special) return;
  const Outcome scanned = Read([&] { return calc::ScanNumber(written.text.View()).value; });
  const Outcome read_back = Read([&] { return calc::ReadBack(written); });
  if (scanned.overflow != read_back.overflow) std::abort();
  if (!SameBits(scanned.result.value, read_back.result.value)) std::abort();
  const long double m = read_back.result.value < 0 ? -read_back.result.value : read_back.result.value;
  if (precision == 15 && m >= 1e-8L && m <= 1e8L &&
      calc::WriteGeneral(read_back.result.value, 15) != written.text.View()) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  calc::x87::ScopedEnvironment environment;
  if (data[0] % 2 == 0) {
    CheckReaders(ToText(data + 1, size - 1));
    return 0;
  }
  if (size < 21) return 0;
  long double v[2];
  for (int k = 0; k < 2; ++k) {
    std::uint64_t significand = 0;
    std::uint16_t sign_exponent = 0;
    std::memcpy(&significand, data + 1 + 10 * k, 8);
    std::memcpy(&sign_exponent, data + 9 + 10 * k, 2);
    // Values the x87 produces: normals carry the integer bit.
    if ((sign_exponent & 0x7FFF) != 0) significand |= 1ull << 63;
    v[k] = calc::x87::FromBits(sign_exponent, significand);
  }
  CheckSteps(v[0], v[1]);
  // The written forms of the first value, and of an integer of its leading
  // bits, at every precision and a few decimal counts.
  const int precision = data[0] / 2 % 20;
  const int decimals = data[0] / 40 % 20;
  std::uint64_t significand = 0;
  std::memcpy(&significand, data + 1, 8);
  const long double integer = static_cast<long double>(significand >> (data[20] % 64)) * (data[20] & 64 ? -1.0L : 1.0L);
  for (const long double value : {v[0], integer}) {
    CheckForms(value, precision, decimals);
    CheckReadBack(value, precision);
    CheckReadBack(value, 15);
  }
  return 0;
}
