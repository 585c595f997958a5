#pragma once

#include <functional>
#include <string>

#include "gamedata/GameData.h"

namespace vh {

// Told the destination name and how far its copy has got (0.0 to 100.0).
using CopyProgress = std::function<void(const std::string& fileName, float percent)>;

inline constexpr std::size_t kCopyBufferBytes = 65536;
inline constexpr const char* kCopyFailedCaption = "ERROR";
inline constexpr const char* kCopyFailedText =
    "Copying audio files failed.  You have probably run out of disc space.";

// Copies one file from the disc (always the disc, even when the cache holds
// it; a folder or an image alike) into CACHE under `destName`, through one
// 65536-byte buffer. A short read (a damaged image that ends before the
// file does) or a short write counts as a failure. The copy is written as
// CACHE/<destName>.part and renamed only when whole, so the cache only ever
// holds complete files (even when the process is killed part-way) and a
// copy that fails keeps the file that was there.
bool copyFile(GameData& data, std::string_view folder, std::string_view name, const std::string& destName,
              const CopyProgress& progress);

// Copies the track lookup file, then the stream file of every listed station
// in station order; stops at the first failure. Files copied before a
// failure stay in the cache. Leftover ".part" files of an interrupted copy
// are removed first.
bool copyAudioFiles(GameData& data, const CopyProgress& progress);

}  // namespace vh
