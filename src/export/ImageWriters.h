#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/RgbPicture.h"

// Picture files for the screen viewer's Save As and the command line.
//
// BMP: the classic Windows layout every viewer reads. A 14-byte file header
// ("BM", file size, two reserved words, offset 54 of the pixels), a 40-byte
// BITMAPINFOHEADER (positive height, so rows run from the bottom up; one plane;
// 24 bits; no compression; 2835 pixels per metre, i.e. 72 dpi), then the rows
// as blue, green, red triples, each row padded with zeros to a multiple of 4.
//
// PNG: 8-bit RGB written by libpng. A build without libpng (the Windows cross
// build) has no PNG: EncodePNG and WritePNG throw a Failure whose description
// is kPngUnavailableMessage.

inline constexpr const char* kPngUnavailableMessage = "PNG export is not available in this build";
[[nodiscard]] bool PngExportAvailable();

// The bytes of the files; a picture without pixels throws a Failure.
[[nodiscard]] std::vector<std::uint8_t> EncodeBMP(const RgbPicture& picture);
[[nodiscard]] std::vector<std::uint8_t> EncodePNG(const RgbPicture& picture);

// Write the file, replacing any former one through a temporary file so a
// failure never leaves it shortened. Failures are thrown.
void WriteBMP(const std::string& path, const RgbPicture& picture);
void WritePNG(const std::string& path, const RgbPicture& picture);
