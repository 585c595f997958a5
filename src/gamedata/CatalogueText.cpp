#include "gamedata/CatalogueText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace vh {

const char* const kCatalogueTextHeader =
    "kind\tstation\tclip / pakName\tclass / displayName\tintros / listed\toutros\toffset\tlength\tartist\ttitle";
const char* const kClipClassNames[kClipClassCount] = {"song",   "commercial", "chatter", "class3",
                                                      "class4", "ident",      "opener",  "chatter-alt"};

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the undefined five keep their own value.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// One code point from valid UTF-8 at text[at] (advancing `at`); nullopt for
// a malformed, overlong or surrogate sequence.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = uint8_t(text[at]);
    int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                                                                      : lead >= 0xF0 && lead < 0xF5 ? 3
                                                                                                    : -1;
    if (extra < 0 || text.size() - at <= std::size_t(extra)) return std::nullopt;
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto b = uint8_t(text[at + std::size_t(k)]);
        if ((b & 0xC0) != 0x80) return std::nullopt;
        cp = cp << 6 | (b & 0x3F);
    }
    static constexpr char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return std::nullopt;
    at += std::size_t(extra) + 1;
    return cp;
}

std::optional<uint8_t> windows1252Byte(char32_t cp) {
    if (cp == 0) return std::nullopt;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return uint8_t(cp);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == cp) return uint8_t(0x80 + i);
    return std::nullopt;
}

// A lost character as the person will read it in a message.
void appendLost(std::string& lost, char32_t cp) {
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X", unsigned(cp));
        if (!lost.empty()) lost += ' ';
        lost += name;
    } else {
        appendUtf8(lost, cp);
    }
}

bool isControl(uint8_t b) { return b < 0x20 || b == 0x7F; }

std::string escapeText(std::string_view windows1252) {
    std::string out = escapedField(utf8FromWindows1252(windows1252));
    if (out.empty() || out[0] != '"') return out;
    // A leading quote would be taken for a spreadsheet's quoted cell.
    std::string quoted = "\"";
    for (char ch : out) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return quoted + '"';
}

int hexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

std::string unescapeText(std::string_view cell) {
    std::string out;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        char ch = cell[i];
        if (ch == '\\' && i + 1 < cell.size()) {
            const char next = cell[i + 1];
            const char meant = next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next == '\\' ? '\\' : 0;
            if (meant) {
                ch = meant;
                ++i;
            } else if (next == 'x' && i + 3 < cell.size()) {
                // Only the control characters escapedField writes this way;
                // any other \x stands for itself.
                const int high = hexDigit(cell[i + 2]), low = hexDigit(cell[i + 3]);
                if (high >= 0 && low >= 0 && isControl(uint8_t(high << 4 | low))) {
                    ch = char(high << 4 | low);
                    i += 3;
                }
            }
        }
        out += ch;
    }
    return out;
}

// A quoted cell at line[at]: its text up to the closing quote, with doubled
// quotes inside, and the end of the cell. Nullopt when the quote is not
// closed or text follows the closing quote before the next tab.
std::optional<std::pair<std::string, std::size_t>> quotedCell(std::string_view line, std::size_t at) {
    std::string cell;
    for (++at; at < line.size(); ++at) {
        if (line[at] != '"') {
            cell += line[at];
        } else if (at + 1 < line.size() && line[at + 1] == '"') {
            cell += '"';
            ++at;
        } else if (at + 1 == line.size() || line[at + 1] == '\t') {
            return std::pair(std::move(cell), at + 1);
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Splits a line at its tabs. A cell in quotes loses them, as spreadsheets
// read it; a cell that merely starts with a quote stands as it is, as they
// also read it. Empty cells at the end are dropped: spreadsheets pad every
// line to the widest.
void splitCells(std::string_view line, std::vector<std::string>& cells) {
    cells.clear();
    for (std::size_t at = 0;; ++at) {
        auto quoted = at < line.size() && line[at] == '"' ? quotedCell(line, at) : std::nullopt;
        if (quoted) {
            cells.push_back(std::move(quoted->first));
            at = quoted->second;
        } else {
            const std::size_t end = std::min(line.find('\t', at), line.size());
            cells.emplace_back(line.substr(at, end - at));
            at = end;
        }
        if (at >= line.size()) break;
    }
    while (!cells.empty() && cells.back().empty()) cells.pop_back();
}

bool sameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        if (x != b[i]) return false;
    }
    return true;
}

// A cell as quoted in a message: long ones cut at a character's start.
std::string shown(std::string_view cell) {
    constexpr std::size_t kMost = 40;
    if (cell.size() <= kMost) return std::string(cell);
    std::size_t cut = kMost;
    while (cut > 0 && (uint8_t(cell[cut]) & 0xC0) == 0x80) --cut;
    return std::string(cell.substr(0, cut)) + "...";
}

constexpr std::size_t kMaxErrors = 20;
constexpr std::size_t kMaxWarnings = 20;

// Reads one catalogue text into a table, line by line.
class Importer {
public:
    Importer(StationTable& table, CatalogueImport& result) : table_(table), result_(result) {}

    void run(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        int line = 0;
        bool header = false;
        while (!text.empty() || line == 0) {
            std::size_t end = std::min(text.find('\n'), text.size());
            std::string_view row = text.substr(0, end);
            text.remove_prefix(std::min(end + 1, text.size()));
            if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
            line_ = ++line;
            splitCells(row, cells_);
            if (!header) {
                header = true;
                if (cells_.empty() || !sameWord(cells_[0], "kind")) {
                    error(std::string("this is not a catalogue text: its first line must be the header \"") +
                          "kind, station, ...\" that vhradio catalogue export writes");
                    return;
                }
            } else if (cells_.empty()) {
                // A blank line.
            } else if (sameWord(cells_[0], "station")) {
                stationLine();
            } else if (sameWord(cells_[0], "clip")) {
                clipLine();
            } else {
                error(std::string(1, '"').append(shown(cells_[0])).append("\" is neither station nor clip"));
            }
            if (result_.errors.size() >= kMaxErrors) {
                result_.errors.push_back("stopped after " + std::to_string(kMaxErrors) + " errors");
                return;
            }
        }
        if (result_.ok()) checkGroupings();
        int clips = 0;
        for (const Station& station : table_.stations) clips += station.clipCount;
        result_.keptDefault = clips - result_.matched;
        if (droppedWarnings_)
            result_.warnings.push_back("and " + std::to_string(droppedWarnings_) + " more warnings like these");
    }

private:
    void error(const std::string& what) { result_.errors.push_back("line " + std::to_string(line_) + ": " + what); }
    void warn(const std::string& what) {
        if (result_.warnings.size() < kMaxWarnings)
            result_.warnings.push_back("line " + std::to_string(line_) + ": " + what);
        else
            ++droppedWarnings_;
    }

    std::optional<uint32_t> number(std::size_t cell, const char* what, uint32_t max) {
        const std::string& text = cells_[cell];
        uint32_t value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || text[0] == '-' || ec != std::errc() || end != text.data() + text.size() || value > max) {
            error(std::string("the ") + what + " \"" + shown(text) + "\" is not a number from 0 to " + std::to_string(max));
            return std::nullopt;
        }
        return value;
    }

    // The cell's text in Windows-1252, at most `bytes` long.
    std::optional<std::string> text(std::size_t cell, const char* what, std::size_t bytes) {
        if (cell >= cells_.size()) return std::string();
        std::string lost;
        std::optional<std::string> converted = windows1252FromUtf8(unescapeText(cells_[cell]), lost);
        if (!converted) {
            error(std::string("the ") + what + " is not UTF-8 text (save the file as UTF-8)");
            return std::nullopt;
        }
        if (converted->size() > bytes) {
            error(std::string("the ") + what + " is " + std::to_string(converted->size()) +
                  " bytes long in Windows-1252; at most " + std::to_string(bytes) + " fit");
            return std::nullopt;
        }
        if (!lost.empty())
            warn(std::string("Windows-1252 cannot hold ") + shown(lost) + " in the " + what + "; each became \"?\"");
        return converted;
    }

    bool cellCount(std::size_t least, std::size_t most, const char* fields) {
        if (cells_.size() >= least && cells_.size() <= most) return true;
        error(std::string("a ") + cells_[0] + " line has " + fields + "; this one has " +
              std::to_string(cells_.size()) + (cells_.size() == 1 ? " cell" : " cells"));
        return false;
    }

    void stationLine() {
        if (!cellCount(5, 5, "5 cells: station, index, pakName, displayName, listed")) return;
        auto s = number(1, "station", kStationCount - 1);
        auto pakName = text(2, "pakName", sizeof(Station::pakName) - 1);
        auto displayName = text(3, "displayName", sizeof(Station::displayName) - 1);
        auto listed = number(4, "listed flag", 255);
        if (!s || !pakName || !displayName || !listed) return;
        if (pakName->empty()) return error("the pakName is empty; it names the station's stream file");
        if (stationLine_[*s])
            return error("station " + std::to_string(*s) + " was given on line " + std::to_string(stationLine_[*s]));
        stationLine_[*s] = line_;
        Station& station = table_[int(*s)];
        setFieldText(station.pakName, *pakName);
        setFieldText(station.displayName, *displayName);
        station.listed = uint8_t(*listed);
    }

    void clipLine() {
        if (!cellCount(8, 10, "8 to 10 cells: clip, station, index, class, intros, outros, offset, length, artist, title"))
            return;
        auto s = number(1, "station", kStationCount - 1);
        auto index = number(2, "clip index", kMaxClips - 1);
        std::optional<int32_t> clipClass;
        for (int32_t c = 0; c < kClipClassCount; ++c)
            if (sameWord(cells_[3], kClipClassNames[c])) clipClass = c;
        if (!clipClass)
            error("unknown class \"" + shown(cells_[3]) +
                  "\" (song, commercial, chatter, class3, class4, ident, opener or chatter-alt)");
        auto intros = number(4, "intro count", kMaxClips - 1);
        auto outros = number(5, "outro count", kMaxClips - 1);
        auto offset = number(6, "offset", UINT32_MAX);
        auto length = number(7, "length", UINT32_MAX);
        auto artist = text(8, "artist", sizeof(Clip::artist) - 1);
        auto title = text(9, "title", sizeof(Clip::title) - 1);
        if (!s || !index || !clipClass || !intros || !outros || !offset || !length || !artist || !title) return;
        if (*clipClass != Song && (*intros || *outros))
            return error(std::string("only a song has intros and outros; this clip is ") + kClipClassNames[*clipClass]);

        Station& station = table_[int(*s)];
        int taken = 0;
        for (int c = 0; c < station.clipCount; ++c) {
            Clip& clip = station.clips[c];
            if (clip.offset != *offset || clip.length != *length) continue;
            if (clipLine_[*s][c]) {
                taken = clipLine_[*s][c];
                continue;
            }
            clipLine_[*s][c] = line_;
            clip.clipClass = *clipClass;
            clip.introCount = int32_t(*intros);
            clip.outroCount = int32_t(*outros);
            setFieldText(clip.artist, *artist);
            setFieldText(clip.title, *title);
            ++result_.matched;
            return;
        }
        ++result_.unknownLines;
        const std::string position = "offset " + std::to_string(*offset) + " length " + std::to_string(*length);
        if (taken)
            warn("the clip of station " + std::to_string(*s) + " at " + position + " was given on line " +
                 std::to_string(taken) + "; this line was left out");
        else
            warn("station " + std::to_string(*s) + " has no clip at " + position + " on this disc; the line was left out");
    }

    // The groupings must fit the disc's stations, as the program demands of
    // a catalogue file when it starts.
    void checkGroupings() {
        for (const CatalogueFault& fault : catalogueFaults(table_, kMaxErrors)) {
            line_ = fault.clip >= 0 ? clipLine_[fault.station][fault.clip] : stationLine_[fault.station];
            if (line_) error(fault.what);
            else result_.errors.push_back("station " + std::to_string(fault.station) + ": " + fault.what);
        }
    }

    StationTable& table_;
    CatalogueImport& result_;
    std::vector<std::string> cells_;
    int line_ = 0;
    int stationLine_[kStationCount] = {};
    int clipLine_[kStationCount][kMaxClips] = {};
    std::size_t droppedWarnings_ = 0;
};

}  // namespace

std::string escapedField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (isControl(uint8_t(ch))) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(uint8_t(ch)));
                out += hex;
            } else {
                out += ch;
            }
        }
    }
    return out;
}

std::string utf8FromWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto b = uint8_t(ch);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char32_t(b));
    }
    return out;
}

std::optional<std::string> windows1252FromUtf8(std::string_view text, std::string& lost) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::optional<char32_t> cp = nextCodePoint(text, at);
        if (!cp) return std::nullopt;
        if (std::optional<uint8_t> b = windows1252Byte(*cp)) {
            out += char(*b);
        } else {
            out += '?';
            appendLost(lost, *cp);
        }
    }
    return out;
}

std::string catalogueText(const StationTable& table) {
    std::string out = kCatalogueTextHeader;
    out += '\n';
    for (int s = 0; s < kStationCount; ++s) {
        const Station& station = table[s];
        out += "station\t" + std::to_string(s) + '\t' + escapeText(fieldText(station.pakName)) + '\t' +
               escapeText(fieldText(station.displayName)) + '\t' + std::to_string(station.listed) + '\n';
        for (int c = 0; c < station.clipCount && c < kMaxClips; ++c) {
            const Clip& clip = station.clips[c];
            const bool named = clip.clipClass >= 0 && clip.clipClass < kClipClassCount;
            out += "clip\t" + std::to_string(s) + '\t' + std::to_string(c) + '\t' +
                   (named ? kClipClassNames[clip.clipClass] : std::to_string(clip.clipClass)) + '\t' +
                   std::to_string(clip.introCount) + '\t' + std::to_string(clip.outroCount) + '\t' +
                   std::to_string(clip.offset) + '\t' + std::to_string(clip.length) + '\t' +
                   escapeText(fieldText(clip.artist)) + '\t' + escapeText(fieldText(clip.title)) + '\n';
        }
    }
    return out;
}

CatalogueImport importCatalogueText(std::string_view text, StationTable& table) {
    CatalogueImport result;
    Importer(table, result).run(text);
    return result;
}

}  // namespace vh
