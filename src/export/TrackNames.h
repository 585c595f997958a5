#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audio/PlaylistTrack.h"
#include "gamedata/Catalogue.h"

namespace vh {

class Playlist;

// Texts of the exported tracks: tags, CD-TEXT and file names. The catalogue
// holds Windows-1252 text; everything here is made from it as UTF-8.

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined
// become U+FFFD.
std::string windows1252ToUtf8(std::string_view text);

// The title and artist a CD track carries, UTF-8: the first entry's clip
// title, and its artist or, for a clip without one, its station's name.
struct TrackText {
    std::string title;
    std::string artist;
};
TrackText trackText(const StationTable& table, const PlaylistTrack& firstEntry);

// The album: the playlist file's name without its folder and extension, or
// "Varnholt Radio" for a playlist never saved or loaded.
std::string albumTitle(const Playlist& playlist);

// A CUE sheet's quoted CD-TEXT field: plain printable ASCII (accented
// letters lose their accents, double quotes become single ones, anything
// else an underscore), at most 80 characters.
std::string cdTextField(std::string_view utf8);

// ISO 8859-1 for the MP3 tags, which the encoder stores as Latin-1:
// characters beyond it become their nearest ASCII.
std::string latin1Text(std::string_view utf8);

// A file name every common file system takes (FAT32, exFAT, NTFS, ext4):
// / \ : * ? " < > | and control characters become "_", the stem loses
// trailing dots and blanks, Windows device names get a "_", and the whole
// name, extension included, is cut to kMaxFileNameBytes between characters.
constexpr std::size_t kMaxFileNameBytes = 180;
std::string safeFileName(std::string_view stemUtf8, std::string_view extension);

// "NN - Artist - Title.ext", NN with two digits (three from track 100). The
// track number leads every name, so no two tracks of one export share one.
std::string trackFileName(int32_t number, const TrackText& text, std::string_view extension);

struct PlaylistLine {
    std::string fileName;  // relative to the playlist file
    int64_t seconds = 0;
    TrackText text;
};
// An extended M3U playlist in UTF-8 with LF line ends.
std::string m3u8Text(const std::vector<PlaylistLine>& lines);

}  // namespace vh
