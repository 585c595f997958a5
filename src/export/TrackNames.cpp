#include "export/TrackNames.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "playlist/Playlist.h"

namespace vh {

namespace {

// Windows-1252 0x80-0x9F; 0 marks the bytes the code page leaves undefined.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Calls f(code point) for each character; a byte that starts no valid
// sequence counts as U+FFFD.
template <typename F>
void forEachCodePoint(std::string_view s, F f) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = s[i];
        int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
        bool valid = length > 0 && i + length <= s.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = s[i + k];
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            f(char32_t(0xFFFD));
            ++i;
            continue;
        }
        f(c);
        i += std::size_t(length);
    }
}

// The plain ASCII nearest to a character, or nothing when there is none.
std::string_view asciiFor(char32_t c) {
    static constexpr std::string_view kLatin1Letters[64] = {
        "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
        "D", "N", "O", "O", "O", "O", "O",  "x", "O", "U", "U", "U", "U", "Y", "Th", "ss",
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
        "d", "n", "o", "o", "o", "o", "o",  "/", "o", "u", "u", "u", "u", "y", "th", "y",
    };
    if (c >= 0x20 && c < 0x7F) return {};  // already ASCII: the caller keeps it
    if (c >= 0xC0 && c <= 0xFF) return kLatin1Letters[c - 0xC0];
    switch (c) {
    case 0x00A0: return " ";
    case 0x0152: return "OE";
    case 0x0153: return "oe";
    case 0x0160: return "S";
    case 0x0161: return "s";
    case 0x0178: return "Y";
    case 0x017D: return "Z";
    case 0x017E: return "z";
    case 0x0192: return "f";
    case 0x02C6: return "^";
    case 0x02DC: return "~";
    case 0x2013:
    case 0x2014: return "-";
    case 0x2018:
    case 0x2019:
    case 0x201A:
    case 0x2039:
    case 0x203A: return "'";
    case 0x201C:
    case 0x201D:
    case 0x201E: return "\"";
    case 0x2020:
    case 0x2021: return "+";
    case 0x2022: return "*";
    case 0x2026: return "...";
    case 0x2030: return "%";
    case 0x20AC: return "EUR";
    case 0x2122: return "TM";
    default: return {};
    }
}

bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

std::string trimmedStem(std::string stem) {
    while (!stem.empty() && (stem.back() == '.' || stem.back() == ' ')) stem.pop_back();
    return stem;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices on Windows whatever
// follows their first dot.
bool isWindowsDeviceName(std::string_view stem) {
    std::string head(stem.substr(0, stem.find('.')));
    for (char& c : head)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (head == "CON" || head == "PRN" || head == "AUX" || head == "NUL") return true;
    return head.size() == 4 && (head.starts_with("COM") || head.starts_with("LPT")) && head[3] >= '1' &&
           head[3] <= '9';
}

}  // namespace

std::string windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char b : text) {
        if (b < 0x80) out += char(b);
        else if (b < 0xA0) appendUtf8(out, kHighControls[b - 0x80] ? kHighControls[b - 0x80] : char32_t(0xFFFD));
        else appendUtf8(out, b);  // 0xA0-0xFF are the Latin-1 characters of the same number
    }
    return out;
}

TrackText trackText(const StationTable& table, const PlaylistTrack& firstEntry) {
    TrackText text;
    if (!firstEntry.clip) return text;
    text.title = windows1252ToUtf8(fieldText(firstEntry.clip->title));
    text.artist = windows1252ToUtf8(fieldText(firstEntry.clip->artist));
    if (text.artist.empty() && firstEntry.station >= 0 && firstEntry.station < kStationCount)
        text.artist = windows1252ToUtf8(fieldText(table[firstEntry.station].displayName));
    return text;
}

std::string albumTitle(const Playlist& playlist) {
    std::string stem = std::filesystem::path(playlist.fileName).stem().string();
    return stem.empty() ? "Varnholt Radio" : stem;
}

std::string cdTextField(std::string_view utf8) {
    std::string out;
    forEachCodePoint(utf8, [&](char32_t c) {
        std::string_view ascii = asciiFor(c);
        if (c >= 0x20 && c < 0x7F) out += char(c);
        else if (!ascii.empty()) out += ascii;
        else out += '_';
    });
    for (char& c : out)
        if (c == '"') c = '\'';  // the field is quoted and has no escape
    if (out.size() > 80) out.resize(80);
    return out;
}

std::string latin1Text(std::string_view utf8) {
    std::string out;
    forEachCodePoint(utf8, [&](char32_t c) {
        if (c < 0x100 && !isControl(c)) out += char(c);
        else if (std::string_view ascii = asciiFor(c); !ascii.empty()) out += ascii;
        else out += isControl(c) ? ' ' : '?';
    });
    return out;
}

std::string safeFileName(std::string_view stemUtf8, std::string_view extension) {
    std::string stem;
    forEachCodePoint(stemUtf8, [&](char32_t c) {
        static constexpr std::string_view kForbidden = "/\\:*?\"<>|";
        if (isControl(c) || (c < 0x80 && kForbidden.find(char(c)) != std::string_view::npos)) stem += '_';
        else appendUtf8(stem, c);
    });
    stem = trimmedStem(std::move(stem));
    if (stem.empty()) stem.push_back('_');
    if (isWindowsDeviceName(stem)) stem.insert(std::min(stem.find('.'), stem.size()), 1, '_');
    const std::size_t room = kMaxFileNameBytes > extension.size() ? kMaxFileNameBytes - extension.size() : 1;
    if (stem.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
        stem = trimmedStem(stem.substr(0, cut));
        if (stem.empty()) stem.push_back('_');
    }
    stem.append(extension);
    return stem;
}

std::string trackFileName(int32_t number, const TrackText& text, std::string_view extension) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", int(number));
    std::string stem = digits;
    for (const std::string* part : {&text.artist, &text.title})
        if (!part->empty()) stem.append(" - ").append(*part);
    return safeFileName(stem, extension);
}

std::string m3u8Text(const std::vector<PlaylistLine>& lines) {
    // A line break inside a title would end the #EXTINF line early.
    auto oneLine = [](std::string s) {
        for (char& c : s)
            if (c == '\r' || c == '\n') c = ' ';
        return s;
    };
    std::string out = "#EXTM3U\n";
    for (const PlaylistLine& line : lines) {
        out += "#EXTINF:" + std::to_string(line.seconds) + ",";
        out += oneLine(line.text.artist.empty() ? line.text.title : line.text.artist + " - " + line.text.title);
        out.append("\n").append(line.fileName).append("\n");
    }
    return out;
}

}  // namespace vh
