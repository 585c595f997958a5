#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vh {

// One clip's bytes as they lie in its station's stream file (little-endian):
//
//   0     8016 bytes  header, not read
//   8016  uint32      per-channel ADPCM data size; block count B = size >> 4
//   8020  48 bytes    header, not read
//   8068  chunks of 135168 bytes:
//           0      4096 bytes   not read
//           4096   4096 left-channel blocks of 16 bytes
//           69632  4096 right-channel blocks of 16 bytes
//
// Stereo block i of chunk c is the left block at chunk offset 4096 + 16 i with
// the right block at 69632 + 16 i. A final chunk keeps the same layout.
//
// The buffer knows how many of its bytes really came from the file: a read
// past the end of a stream file leaves the rest zero, and the decodable block
// count never reaches past the real bytes.
class ClipAudio {
public:
    static constexpr std::size_t kHeaderBytes = 8068;
    static constexpr std::size_t kDataSizeOffset = 8016;
    static constexpr std::size_t kChunkBytes = 135168;
    static constexpr std::size_t kLeftOffset = 4096;
    static constexpr std::size_t kRightOffset = 69632;
    static constexpr std::size_t kBlockBytes = 16;
    static constexpr int32_t kBlocksPerChunk = 4096;
    static constexpr int32_t kFramesPerBlock = 28;
    // Keeps every frame count of a three-part track inside int32.
    static constexpr int32_t kMaxBlocks = 25'000'000;

    // A zero-filled buffer of `bytes` bytes, all counted as real; null when the
    // memory cannot be had.
    static std::unique_ptr<ClipAudio> allocate(std::size_t bytes);

    uint8_t* data() { return data_.get(); }
    const uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::size_t validBytes() const { return validBytes_; }
    void setValidBytes(std::size_t bytes) { validBytes_ = bytes < size_ ? bytes : size_; }

    // B as declared in the header (0 when the header itself is missing).
    uint32_t declaredBlocks() const;
    // Stereo blocks that can be decoded: B, or fewer when the real bytes end
    // before the last declared block.
    int32_t blockCount() const;
    int32_t frameCount() const { return blockCount() * kFramesPerBlock; }

private:
    ClipAudio(std::unique_ptr<uint8_t[]> data, std::size_t size)
        : data_(std::move(data)), size_(size), validBytes_(size) {}

    std::unique_ptr<uint8_t[]> data_;
    std::size_t size_;
    std::size_t validBytes_;
};

}  // namespace vh
