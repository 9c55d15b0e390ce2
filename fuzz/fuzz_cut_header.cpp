// The cut header as the step check reads it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/cut/cut_set_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view header(reinterpret_cast<const char*>(data), size);
  orvane::CheckCutStepFile(header, 1000);
  orvane::CheckCutStepFile(header, std::nullopt);
  return 0;
}
