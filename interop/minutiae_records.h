// The finger minutiae records of the interchange standards, as a neutral
// model (views of minutiae in the record's own units) and their byte
// layouts. Parsing checks every length and count against the bytes before
// reading them and walks the whole record; serialising writes one view.
//
// Layouts (all integers big-endian; offsets from the start of the record,
// or of the view):
//
// ANSI/INCITS 378-2004 ("FMR\0", " 20\0"): record length 2 bytes at 8, or
//   0 there and 4 bytes at 10 for records beyond 65535 bytes; then CBEFF
//   product identifier (4), capture equipment (2), image width, height,
//   x and y resolution (2 each), number of views (1), reserved (1): 26 or
//   30 bytes. Views: position (1), view number (high 4 bits) and impression
//   type (low 4), finger quality (1), minutiae count (1), the minutiae,
//   extended data length (2) and that many bytes. Minutia: type (top 2
//   bits) and x (14 bits), reserved (2 bits) and y (14 bits), angle in
//   units of 2 degrees, quality.
// ISO/IEC 19794-2:2005 ("FMR\0", " 20\0"): record length 4 bytes at 8,
//   capture equipment (2), width, height, x and y resolution (2 each),
//   views (1), reserved (1): 24 bytes. Views and minutiae as ANSI 2004,
//   the angle in units of 360/256 degrees.
// ISO/IEC 19794-2:2005 compact card: 3 bytes per minutia, nothing else:
//   x and y in units of 0.1 mm (1 byte each), type (top 2 bits) and angle
//   in units of 360/64 degrees (low 6 bits).
// ANSI/INCITS 378-2009 ("FMR\0", "030\0"): record length (4), CBEFF
//   product identifier (4), capture equipment (2), views (1), reserved (1):
//   20 bytes. Views: position, view number, impression type, finger quality
//   (1 each), width, height, x and y resolution (2 each), minutiae count
//   (1): 13 bytes; minutiae of 6 bytes as ANSI 2004; extended data as
//   there. This layout is written from memory of the published standard
//   and is the least certain of the five: the 2009 revision moved the image
//   size and resolution into each view, and this is how it is read here.
// ISO/IEC 19794-2:2011 ("FMR\0", "030\0"): record length (4), number of
//   representations (2), device certification flag (1): 15 bytes. Each
//   representation: its length (4, itself included), capture date and time
//   (9), capture device technology (1), vendor (2) and type (2), quality
//   blocks (count 1, then 5 bytes each: score, algorithm vendor, algorithm),
//   certification blocks when the flag is 1 (count 1, then 3 bytes each),
//   finger position (1), representation number (1), x and y sampling rate
//   in pixels per centimetre (2 each), impression type (1), width and
//   height (2 each), minutia field length (high 4 bits: 5, or 6 with a
//   quality byte) and ridge ending type (low 4 bits), minutiae count (1),
//   the minutiae (angle in units of 360/256 degrees), extended data length
//   (2) and data. Also written from memory of the standard: the order of
//   the fields after the certification blocks and the packing of the field
//   length with the ridge ending type are the points least certain.
#ifndef RIDGESDK_INTEROP_MINUTIAE_RECORDS_H
#define RIDGESDK_INTEROP_MINUTIAE_RECORDS_H

#include "interop/minutia_units.h"
#include "interop/outcome.h"
#include "ridgeinterop.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ridge {
namespace interop {

// One minutia as the record holds it: the two type bits, coordinates in
// the record's units, the angle in the format's units.
struct RecordMinutia {
    std::uint32_t type_bits = 1;
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t angle = 0;
    std::uint32_t quality = 0;
};

struct FingerView {
    std::uint32_t finger_position = 0;
    std::uint32_t view_number = 0;
    std::uint32_t impression_type = 0;
    std::uint32_t finger_quality = 0;
    std::uint32_t image_width = 0;
    std::uint32_t image_height = 0;
    std::uint32_t resolution_x = kRecordResolution; // pixels per centimetre
    std::uint32_t resolution_y = kRecordResolution;
    std::vector<RecordMinutia> minutiae;
};

bool is_record_format(std::int32_t format);
const char *record_format_name(std::int32_t format);

// Every view of the record, in order. On failure views is left partly
// filled and the outcome says why.
Outcome parse_record(std::int32_t format, const unsigned char *bytes, std::size_t size,
                     std::vector<FingerView> &views);

// The bytes of a record holding this one view (the card format writes the
// minutiae alone). The values must fit their fields; the caller checks.
std::vector<unsigned char> serialise_record(std::int32_t format, const FingerView &view);

} // namespace interop
} // namespace ridge

#endif
