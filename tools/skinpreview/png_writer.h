#pragma once
// A minimal PNG encoder: 8-bit RGBA, zlib stream of stored (uncompressed) blocks.
#include <cstdint>
#include <string>
#include <vector>

namespace SkinPreview {

// rgba: width * height * 4 bytes, rows top to bottom.
std::string EncodePng(const std::vector<std::uint8_t>& rgba, int width, int height);
bool WritePng(const std::wstring& path, const std::vector<std::uint8_t>& rgba, int width,
              int height);

}  // namespace SkinPreview
