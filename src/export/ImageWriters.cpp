#include "export/ImageWriters.h"

#if QUILLMAR_HAVE_PNG
#include <png.h>
#endif

#include "core/Failure.h"
#include "core/FileIO.h"
#include "export/ExportFiles.h"

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelsPerMetre = 2835;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void requirePixels(const RgbPicture& picture) {
    if (!picture.valid()) {
        throw Failure(failure::InvalidProcedureCall, "the picture has no pixels to write");
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeBMP(const RgbPicture& picture) {
    requirePixels(picture);
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t rowBytes = (width * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * height;
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<std::uint8_t> out;
    out.reserve(offset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageBytes);
    put16(out, 0);
    put16(out, 0);
    put32(out, offset);

    put32(out, kInfoHeaderSize);
    put32(out, width);
    put32(out, height);
    put16(out, 1);   // planes
    put16(out, 24);  // bits per pixel
    put32(out, 0);   // BI_RGB
    put32(out, imageBytes);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, 0);  // colours used
    put32(out, 0);  // important colours

    for (std::uint32_t row = height; row-- > 0;) {
        const std::uint8_t* p = picture.rgb.data() + static_cast<std::size_t>(row) * picture.stride();
        for (std::uint32_t x = 0; x < width; ++x, p += 3) {
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (std::uint32_t pad = width * 3; pad < rowBytes; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

bool PngExportAvailable() {
    return QUILLMAR_HAVE_PNG != 0;
}

std::vector<std::uint8_t> EncodePNG(const RgbPicture& picture) {
    requirePixels(picture);
#if !QUILLMAR_HAVE_PNG
    throw Failure(failure::InvalidProcedureCall, kPngUnavailableMessage);
#else
    // libpng's simplified interface reports errors in the image structure
    // instead of jumping out with longjmp, which C++ objects would not survive.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    const auto stride = static_cast<png_int_32>(picture.stride());

    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgb.data(), stride, nullptr) == 0) {
        const std::string message = image.message;
        png_image_free(&image);
        throw Failure(failure::InvalidProcedureCall, "PNG encoding failed: " + message);
    }
    std::vector<std::uint8_t> out(size);
    if (png_image_write_to_memory(&image, out.data(), &size, 0, picture.rgb.data(), stride, nullptr) == 0) {
        const std::string message = image.message;
        png_image_free(&image);
        throw Failure(failure::InvalidProcedureCall, "PNG encoding failed: " + message);
    }
    out.resize(size);
    return out;
#endif
}

void WriteBMP(const std::string& path, const RgbPicture& picture) {
    const std::vector<std::uint8_t> bytes = EncodeBMP(picture);
    RefuseReadOnlyTarget(path);
    writeFileReplacing(path, bytes);
}

void WritePNG(const std::string& path, const RgbPicture& picture) {
    const std::vector<std::uint8_t> bytes = EncodePNG(picture);
    RefuseReadOnlyTarget(path);
    writeFileReplacing(path, bytes);
}
