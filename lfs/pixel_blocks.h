// The block that a pixel belongs to in the detection stage. Detection
// expands its maps to pixels the way block_offsets lays the blocks out: the
// last block column (row) is anchored at iw - blocksize (ih - blocksize)
// and covers the pixels its neighbour would otherwise hold. Looking the
// block up gives the same values without building per-pixel maps.
#ifndef RIDGESDK_LFS_PIXEL_BLOCKS_H
#define RIDGESDK_LFS_PIXEL_BLOCKS_H

namespace lfs {

class PixelBlocks {
public:
    // 0 when the image holds at least one block each way and mw x mh is its
    // block layout; a negative code after a diagnostic otherwise.
    int init(int iw, int ih, int mw, int mh, int blocksize);
    int index(int x, int y) const
    {
        const int bx = x >= last_x_ ? mw_ - 1 : x / blocksize_;
        const int by = y >= last_y_ ? mh_ - 1 : y / blocksize_;
        return by * mw_ + bx;
    }

private:
    int mw_ = 0, mh_ = 0, blocksize_ = 1;
    int last_x_ = 0, last_y_ = 0;
};

} // namespace lfs

#endif
