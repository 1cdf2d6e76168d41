#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/FileChooser.h"
#include "core/Prompter.h"

// What the Save As commands of the three viewers share.

// The text after the last "." of a chosen name (the whole name when it holds
// none), upper-cased and with blanks trimmed at both ends: "a.tap " -> "TAP".
[[nodiscard]] std::string SaveExtension(const std::string& fileName);

// "Extension [EXT] not recognized. Command ignored."
[[nodiscard]] std::string ExtensionNotRecognizedMessage(const std::string& extension);

// "File successfully saved as [NAME]."
[[nodiscard]] std::string SavedMessage(const std::string& fileName);

// A file we would replace through a temporary file and a rename must still be
// writable: renaming over a read-only file would succeed where opening it for
// writing would not. Throws Failure (Permission denied) for such a file.
void RefuseReadOnlyTarget(const std::string& path);

// One kind of file a Save As command can write: its extension ("TAP") and
// what writes it under the chosen name.
struct SaveKind {
    std::string extension;
    std::function<void(const std::string& fileName)> save;
};

// The name the save dialog offers for a catalogue entry: the name without its
// padding blanks and with the extension of the first filter ("demo.Tap"), so
// that accepting it saves in the format offered first.
[[nodiscard]] std::string ProposedSaveName(const std::string& name, const std::vector<FileFilter>& filters);

// The viewers' Save As: the save dialog, then the writer of the chosen name's
// extension, or the "not recognized" message. Cancelling says nothing.
void SaveAsByExtension(FileChooser& chooser, Prompter& prompter, const std::string& title,
                       const std::vector<FileFilter>& filters, const std::string& entryName,
                       const std::vector<SaveKind>& kinds);
