#include "gamedata/ClipAudio.h"

#include <algorithm>
#include <new>

namespace vh {

std::unique_ptr<ClipAudio> ClipAudio::allocate(std::size_t bytes) {
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[bytes == 0 ? 1 : bytes]());
    if (!data) return nullptr;
    return std::unique_ptr<ClipAudio>(new ClipAudio(std::move(data), bytes));
}

uint32_t ClipAudio::declaredBlocks() const {
    if (validBytes_ < kDataSizeOffset + 4) return 0;
    const uint8_t* p = data_.get() + kDataSizeOffset;
    uint32_t dataSize = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return dataSize >> 4;
}

int32_t ClipAudio::blockCount() const {
    uint32_t declared = declaredBlocks();
    if (declared == 0 || validBytes_ <= kHeaderBytes) return 0;
    // Blocks whose right half ends within the real bytes; the left half of a
    // block always ends before its right half.
    std::size_t rest = validBytes_ - kHeaderBytes;
    std::size_t whole = rest / kChunkBytes;
    std::size_t tail = rest % kChunkBytes;
    std::size_t tailBlocks = tail >= kRightOffset ? std::min<std::size_t>(kBlocksPerChunk, (tail - kRightOffset) / kBlockBytes) : 0;
    std::size_t usable = whole * kBlocksPerChunk + tailBlocks;
    std::size_t blocks = std::min<std::size_t>({declared, usable, std::size_t(kMaxBlocks)});
    return int32_t(blocks);
}

}  // namespace vh
