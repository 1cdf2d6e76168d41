#pragma once

#include <string>

#include "cli/Cli.h"

// Decodes a flux recording into the image, printing the one warning line when
// sectors could not be read; false when the path holds no recording.
bool loadFluxRecording(const std::string& path, DiskImage& image, CliContext& cli);
