// The finger minutiae record of ANSI/INCITS 378-2004 as this SDK writes
// and reads it: one finger view, 197 pixels per centimetre, big-endian.
//
//   0 "FMR\0"   4 " 20\0"   8 record length   10 CBEFF owner, type
//  14 equipment   16 width   18 height   20 x, y resolution
//  24 views   25 reserved   26 view header (position, view/impression,
//  quality, minutiae count)   30 minutiae, 6 bytes each   then 2 zero bytes
#ifndef RIDGESDK_FORMATS_FMR378_RECORD_H
#define RIDGESDK_FORMATS_FMR378_RECORD_H

#include "ridgesdk.h"

#include <cstdint>

namespace ridge {

constexpr std::uint32_t kFmrHeaderBytes = 30; // record header and one view header
constexpr std::uint32_t kFmrMinutiaBytes = 6;
constexpr std::uint32_t kFmrTrailerBytes = 2; // extended data length
constexpr std::uint16_t kFmrResolution = 197; // pixels per centimetre

// The view header values given by the writer's caller, already checked.
struct FmrViewValues {
    std::uint8_t finger_quality;
    std::uint8_t finger_position;
    std::uint8_t impression_type;
    std::uint16_t image_height;
    std::uint16_t image_width;
};

// Writer's argument checks after the output check: quality, finger
// position, impression type, in that order.
SdkStatus check_fmr_view_values(std::int32_t finger_quality, std::int32_t finger_position,
                                std::int32_t impression_type);
FmrViewValues fmr_view_values(std::int32_t finger_quality, std::int32_t finger_position,
                              std::int32_t impression_type, std::int32_t image_height,
                              std::int32_t image_width);

// Writes the record of a raw template of at most 128 minutiae. On failure
// the output is untouched.
SdkStatus write_fmr378_record(const TemplateBuffer &raw, const FmrViewValues &view,
                              TemplateBuffer &record);

// Header checks in offset order, then the minutiae of the first view into
// a raw template. A buffer too short for the header or for the minutiae it
// announces is refused with FPT_ERR_FMR_LENGTH. On failure the output is
// untouched.
SdkStatus read_fmr378_record(const TemplateBuffer &record, TemplateBuffer &raw);

} // namespace ridge

#endif
