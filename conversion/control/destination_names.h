// Destination files of new items: a unique name in a sub-folder of the
// output folder (or of the documents folder when no output folder is set).
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace carrowell {

enum class ItemOrigin { AddedFile, Recording, CdTrack };

// "temp", "REC2WAV", "CD2WAV": the sub-folders the program makes in its
// work folder.
const char* OriginSubFolder(ItemOrigin origin);
// The three-character prefix of the origin's file names.
const char* OriginPrefix(ItemOrigin origin);

// Reserves a unique temporary name (prefix + six characters) in the origin's
// sub-folder, which must exist, and returns that name with `extension`
// instead of the temporary one; the temporary file is removed again. A name
// whose result already exists or is `taken` is passed over. nullopt when the
// folder is missing or not writable.
// The same directly in `folder` (the Audio CD dialog's folder). With a
// `stem` the file is named after it ("Track 01.WAV", then "Track 01 (2).WAV",
// ...) while such a name is free.
std::optional<std::string> MakeDestinationIn(const std::string& folder, ItemOrigin origin,
                                             const std::string& extension,
                                             const std::function<bool(const std::string&)>& taken,
                                             const std::string& stem = {});
std::optional<std::string> MakeDestination(const std::string& output_folder, ItemOrigin origin,
                                           const std::string& extension,
                                           const std::function<bool(const std::string&)>& taken);

}  // namespace carrowell
