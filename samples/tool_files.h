// Whole-file helpers shared by the two console programs.
#ifndef RIDGESDK_SAMPLES_TOOL_FILES_H
#define RIDGESDK_SAMPLES_TOOL_FILES_H

namespace ridge {

// Length of the file in bytes, or -2/-3/-4 with a message on stderr.
long filesize(const char *path);
// Loads the whole file into a malloc'd block (released with free_FPAPI_mem
// or std::free). 1 on success, else a negative code with a message on stderr
// (-2 for a folder).
int load_file(const char *path, unsigned char **data, unsigned int *length);
// Writes the block; 1 on success, else -2/-3 with a message on stderr.
int save_file(const char *path, const unsigned char *data, unsigned int length);

} // namespace ridge

#endif
