// Reading a template file of any kind the tools know as a raw template:
// raw text (.txt), raw (.raw), packed (.pck) and the minutiae records of
// ridgeinterop.h (.fmr, .iso, .isoc, or any name whose bytes one of them
// reads).
#ifndef RIDGESDK_SAMPLES_TEMPLATE_INPUT_H
#define RIDGESDK_SAMPLES_TEMPLATE_INPUT_H

#include "ridgesdk.h"

#include <string>
#include <vector>

namespace ridge {

// True with the minutiae (first view of a record); false with a one-line
// reason that names the file.
bool read_template_file(const std::string &path, std::vector<RawMinutia> &minutiae, std::string &reason);

} // namespace ridge

#endif
