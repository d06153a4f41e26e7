#pragma once
// The compression library (zlib) and the Unicode normaliser (ICU) are linked
// into the program, so they are always there. The string class still keeps
// the paths it takes when one of them cannot be loaded; tests reach those
// paths by declaring a library missing here. Process-wide; changing it resets
// the loaded state, so the next use loads (or fails to load) again.
namespace textlib {

enum class OptionalLibrary { Compression, Normalizer };

void SetLibraryAvailable(OptionalLibrary library, bool available);

}  // namespace textlib
