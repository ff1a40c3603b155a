// Directional binarisation and hole filling.
#ifndef RIDGESDK_LFS_BINARIZE_H
#define RIDGESDK_LFS_BINARIZE_H

#include "lfs/lfs.h"
#include "lfs/lfs_params.h"
#include "lfs/simd.h"

#include <vector>

namespace lfs {

// Binarises the padded 6-bit image along the block directions (0 ridge,
// 255 valley) into an image of the unpadded size, then fills holes
// num_fill_holes times.
int binarize_V2(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata, int pw,
                int ph, const std::vector<int> &direction_map, int mw, int mh, const RotGrids &dirbingrids,
                const LfsParams &lfsparms);
int binarize_image_V2(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata,
                      int pw, int ph, const std::vector<int> &direction_map, int mw, int mh, int blocksize,
                      const RotGrids &dirbingrids);
// The same binarisation evaluated one pixel at a time: the plain reference
// that the vector path above must agree with.
int binarize_image_V2_pixelwise(std::vector<unsigned char> &bdata, int &bw, int &bh, const unsigned char *pdata,
                                int pw, int ph, const std::vector<int> &direction_map, int mw, int mh,
                                int blocksize, const RotGrids &dirbingrids);
// The block-row path at a chosen vector level (Plain is the pixelwise
// reference); a level this processor lacks runs the reference.
int binarize_image_V2_at(SimdLevel level, std::vector<unsigned char> &bdata, int &bw, int &bh,
                         const unsigned char *pdata, int pw, int ph, const std::vector<int> &direction_map, int mw,
                         int mh, int blocksize, const RotGrids &dirbingrids);
// Fills one-pixel holes in place: a horizontal pass, then a vertical pass.
void fill_holes(unsigned char *bdata, int iw, int ih);
// The same passes one pixel at a time: the reference of the vector path.
void fill_holes_plain(unsigned char *bdata, int iw, int ih);

} // namespace lfs

#endif
