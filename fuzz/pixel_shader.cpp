// Pixel shader source text comes from a data file: translation must never crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string source(reinterpret_cast<const char*>(data), size);
  plat::PixelShaderCode code;
  std::string error;
  plat::TranslatePixelShader(source, &code, &error);
  return 0;
}
