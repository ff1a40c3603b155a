// The gallery file (format note: search/GALLERY_FORMAT.md): written
// atomically, read whole or not at all.
#ifndef RIDGESDK_SEARCH_GALLERY_FILE_H
#define RIDGESDK_SEARCH_GALLERY_FILE_H

#include "search/gallery.h"

#include <cstdint>
#include <memory>

namespace ridge {

constexpr uint32_t kGalleryFileVersion = 1;

// Writes the gallery (the caller holds its lock, shared) to a new file
// beside path, flushes it to disk, renames it over path and flushes the
// folder. Returns RIDGE_OK or a failure status with its message; on
// failure the file at path is as it was and the new file is gone.
int32_t saveGalleryFile(const Gallery &gallery, const char *path);

// Reads a gallery file into *gallery (a new gallery; nothing on failure),
// then describes its entries on every core.
int32_t loadGalleryFile(const char *path, std::unique_ptr<ridge_gallery> *gallery);

} // namespace ridge

#endif
