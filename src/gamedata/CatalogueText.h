#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gamedata/Catalogue.h"

namespace vh {

// Catalogue text: the catalogue as UTF-8 tab-separated lines that people and
// spreadsheets can read and edit.
//
//   kind     station  clip / pakName  class / displayName  intros / listed  outros  offset  length  artist  title
//   station  4        CH              Harbour FM           1
//   clip     4        0               song                 2                1       0       135168  Band    Tune
//
// The first line is the header. A station line gives a station's pakName,
// displayName and listed flag (0 hidden, 1 listed); a clip line gives one
// clip: its station and index, its class by name (kClipClassNames), intro
// and outro counts (songs only), offset and length in the stream file,
// artist and title.
//
// Texts are UTF-8 here and Windows-1252 in the catalogue file, written with
// escapedField's escapes; a backslash before anything else stands for
// itself. A text that starts with a double quote is written in quotes with
// its quotes doubled, the way spreadsheets write and read such a cell.
//
// Reading also takes CR LF line ends, a UTF-8 byte order mark, blank lines,
// the empty cells spreadsheets add at the end of a line and any cell in
// quotes; a cell that starts with a quote but does not end with its closing
// one stands as it is, as a spreadsheet reads it.

extern const char* const kCatalogueTextHeader;
// The class names for classes 0 to 7.
extern const char* const kClipClassNames[kClipClassCount];

// A text as one tab-separated field: backslash, tab, line feed and carriage
// return as \\ \t \n \r, other control characters (below 0x20, and 0x7F)
// as \xHH, so an odd or damaged text cannot break its line apart. The
// catalogue text and vhradio's lists both write their texts this way.
std::string escapedField(std::string_view text);

// The whole table as catalogue text: every station, then its clips.
std::string catalogueText(const StationTable& table);

struct CatalogueImport {
    std::vector<std::string> errors;    // "line 12: ..."; nothing is to be written when there are any
    std::vector<std::string> warnings;  // characters made "?", lines that match no clip of the disc
    int matched = 0;                    // disc clips that took a line's class, counts and texts
    int keptDefault = 0;                // disc clips that no line matched
    int unknownLines = 0;               // clip lines that match no clip of the disc

    bool ok() const { return errors.empty(); }
};

// Applies a catalogue text to a disc's default catalogue in `table` (as
// buildCatalogueFromLookup makes it). Each clip line goes to the disc's clip
// with the same station, offset and length, not the same index, so a text
// made from another issue of the disc still names the right clips; the
// positions stay the disc's. Station lines set names and listing. Song
// groupings must fit the disc's station. On errors the table may be left
// half changed.
CatalogueImport importCatalogueText(std::string_view text, StationTable& table);

// The five bytes Windows-1252 leaves undefined stand for the C1 controls of
// the same value both ways, so every byte survives a round trip.
std::string utf8FromWindows1252(std::string_view text);
// Nullopt when the text is not valid UTF-8. Characters Windows-1252 cannot
// hold (NUL among them) become "?" and are appended to `lost`.
std::optional<std::string> windows1252FromUtf8(std::string_view text, std::string& lost);

}  // namespace vh
