#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"
#include "disk/DiskImage.h"

inline constexpr const char* kNotAnImageQuestion =
    "This seems not to be a real OPUS Discovery disk image file.\r\nShould the file be loaded anyway?";
inline constexpr const char* kLoadIgnoredMessage = "File load ignored.";
inline constexpr const char* kBrowseTitle = "Browse For OPUS Image File...";
inline constexpr const char* kSaveImageTitle = "Save OPUS Disk Image File As...";
inline constexpr const char* kNoImageToSave = "No disk image to save!";
inline constexpr const char* kSaveCanceled = "Save canceled!";

// "Opus Image Files (*.Opu, *.Opd)" and "All Files (*.*)".
[[nodiscard]] std::vector<FileFilter> ImageFileFilters();

// 184,320 (40 tracks, one side), 368,640 (40 tracks, two sides) and 737,280
// bytes (80 tracks, two sides): the lengths an Opus disk read whole has.
[[nodiscard]] bool IsOpusImageLength(std::uintmax_t length);

// What the person is told when the map beside an image cannot be used.
[[nodiscard]] std::string DamagedMapWarning(const std::string& path, const Failure& f);

// Loads an image file into the image, with the sector map found beside it
// (see SectorMapFile.h); a map that cannot be used is left out after a
// warning (DamagedMapWarning) shown and logged. A file whose length is no Opus geometry is loaded only when
// the person says so. The image is replaced before the catalogue dump is logged, so a failure after that
// keeps the new image while the result is false.
bool LoadImageFile(const std::string& path, DiskImage& image, Prompter& prompter, ActivityLog& log);

// The catalogue area (bytes 0x100..0x7FF) as hexadecimal and characters, one
// row of 16 bytes per line, CR LF line ends. Throws when the image is shorter.
[[nodiscard]] std::string CatalogueDump(const std::string& path, const DiskImage& image);

// The browser's "Save Current Opus Image As..." command. The whole image is
// written through a temporary file renamed over the target, so a failed save
// never destroys an existing file; the sector map goes beside it when any
// sector was not good, in the order ReplaceImageAndMap keeps.
void SaveImageAs(const std::string& currentDiskName, const DiskImage& image, FileChooser& chooser,
                 Prompter& prompter, ActivityLog& log);
