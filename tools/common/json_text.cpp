// json_text.cpp -- layout of the JSON documents, hex bytes, exact float32s.
#include "tools/common/json_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

namespace {

// One past the closing quote of the string that opens at text[at].
size_t StringEnd(const std::string& text, size_t at) {
    for (++at; at < text.size(); ++at) {
        if (text[at] == '\\') ++at;
        else if (text[at] == '"') return at + 1;
    }
    return text.size();
}

// nlohmann's indented text with every list or object of plain values put
// on one line; only whitespace outside strings changes.
std::string JoinFlatContainers(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const char open = text[at];
        if (open == '"') {
            const size_t end = StringEnd(text, at);
            out.append(text, at, end - at);
            at = end;
            continue;
        }
        const char closer = open == '[' ? ']' : open == '{' ? '}' : 0;
        size_t close = at + 1;
        while (closer && close < text.size() && !std::strchr("[]{}", text[close]))
            close = text[close] == '"' ? StringEnd(text, close) : close + 1;
        if (!closer || close >= text.size() || text[close] != closer) {
            out += text[at++];
            continue;
        }
        out += open;
        for (size_t k = at + 1; k < close;) {
            if (text[k] == '"') {
                const size_t end = StringEnd(text, k);
                out.append(text, k, end - k);
                k = end;
                continue;
            }
            if (text[k] == ',' || text[k] == ':') out += text[k], out += ' ';
            else if (text[k] != ' ' && text[k] != '\n') out += text[k];
            ++k;
        }
        out += closer;
        at = close + 1;
    }
    return out;
}

// ---------------------------------------------------------------------------
// Places in the JSON text
// ---------------------------------------------------------------------------

// A pointer into the text that notes how far the parser has read, so a SAX
// event can be given its place: nlohmann's events carry no position.
class ReadingIterator {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    ReadingIterator(const char* at, const char** furthest) : at_(at), furthest_(furthest) {}
    reference operator*() const { return *at_; }
    ReadingIterator& operator++() {
        if (++at_ > *furthest_) *furthest_ = at_;
        return *this;
    }
    ReadingIterator operator++(int) {
        ReadingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const ReadingIterator& other) const { return at_ == other.at_; }
    bool operator!=(const ReadingIterator& other) const { return at_ != other.at_; }

  private:
    const char* at_;
    const char** furthest_;
};

std::string PlaceOf(const char* text, const char* at) {
    size_t line = 1;
    const char* lineStart = text;
    for (const char* c = text; c < at; ++c)
        if (*c == '\n') ++line, lineStart = c + 1;
    return "line " + std::to_string(line) + ", column " + std::to_string(at - lineStart + 1);
}

// The SAX events of one parse, walked for the path of each value (as pack
// names it) and the keys seen in each open object. Each event's value
// starts after the last event's end, past blanks, commas and colons (a
// number's end is read one character too far, which is one of those).
struct PathWalk {
    struct Frame {
        bool list;
        size_t nextIndex;
        size_t pathLength;  // of the container's own path
        std::unordered_set<std::string> keys;
    };
    const char* text;
    const char* end;
    const char* furthest;
    const char* lastEventEnd;
    std::string path;
    std::vector<Frame> frames;
    // What the walk was started for: the places of some paths, or a parse.
    const std::unordered_map<std::string, size_t>* wanted = nullptr;
    std::vector<std::string>* places = nullptr;
    size_t placesLeft = 0;
    std::string duplicateWhere, duplicateWhat, errorWhere, errorWhat;

    const char* ValueStart() const {
        const char* at = lastEventEnd;
        while (at < end && std::strchr(" \t\r\n,:", *at) && *at) ++at;
        return at;
    }
    // False stops the parse: every wanted place is found.
    bool Value() {
        const char* start = ValueStart();
        if (!frames.empty() && frames.back().list) {
            path.resize(frames.back().pathLength);
            path += "[" + std::to_string(frames.back().nextIndex++) + "]";
        }
        lastEventEnd = furthest;
        if (!wanted) return true;
        const auto found = wanted->find(path);
        if (found == wanted->end() || !(*places)[found->second].empty()) return true;
        (*places)[found->second] = PlaceOf(text, start);
        return --placesLeft > 0;
    }
    bool Open(bool list) {
        if (!Value()) return false;
        frames.push_back({list, 0, path.size(), {}});
        return true;
    }
    bool Close() {
        frames.pop_back();
        lastEventEnd = furthest;
        return true;
    }

    bool null() { return Value(); }
    bool boolean(bool) { return Value(); }
    bool number_integer(int64_t) { return Value(); }
    bool number_unsigned(uint64_t) { return Value(); }
    bool number_float(double, const std::string&) { return Value(); }
    bool string(std::string&) { return Value(); }
    bool binary(nlohmann::json::binary_t&) { return Value(); }
    bool start_object(size_t) { return Open(false); }
    bool start_array(size_t) { return Open(true); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(std::string& key) {
        const char* start = ValueStart();
        Frame& object = frames.back();
        path.resize(object.pathLength);
        if (!path.empty()) path += '.';
        path += key;
        lastEventEnd = furthest;
        if (object.keys.insert(key).second) return true;
        duplicateWhere = path + ", " + PlaceOf(text, start);
        duplicateWhat = "the key \"" + key + "\" is given twice in " +
                        (object.pathLength ? path.substr(0, object.pathLength) : std::string("the document")) +
                        "; give each key once";
        return false;
    }
    bool parse_error(size_t position, const std::string& lastToken, const nlohmann::detail::exception& e) {
        if (e.id == 406) {
            // A number beyond a double (1e400), named by where it starts.
            const size_t at = position >= lastToken.size() ? position - lastToken.size() : 0;
            errorWhere = PlaceOf(text, text + std::min(at, size_t(end - text)));
            errorWhat = "the number " + lastToken + " is out of range: a number here holds about 1.8e308 at most";
            return false;
        }
        // nlohmann's "[json.exception.parse_error.101] parse error at line
        // 3, column 5: syntax error ...", taken apart.
        const std::string message = e.what();
        const size_t lineAt = message.find(" at line ");
        const size_t colon = lineAt == std::string::npos ? lineAt : message.find(": ", lineAt);
        if (colon == std::string::npos) errorWhat = message;
        else {
            errorWhere = message.substr(lineAt + 4, colon - lineAt - 4);
            errorWhat = message.substr(colon + 2);
        }
        return false;
    }
};

// The walk over the whole text; true when the parser reached its end.
bool Walk(const uint8_t* bytes, size_t size, PathWalk* walk) {
    const char* text = reinterpret_cast<const char*>(bytes);
    walk->text = text;
    walk->end = text + size;
    walk->furthest = walk->lastEventEnd = text;
    return nlohmann::json::sax_parse(ReadingIterator(text, &walk->furthest),
                                     ReadingIterator(text + size, &walk->furthest), walk);
}

uint32_t BitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

}  // namespace

std::string DumpJson(const nlohmann::ordered_json& document) {
    return JoinFlatContainers(document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)) + "\n";
}

std::string HexBytes(const uint8_t* bytes, size_t size) {
    static const char kHex[] = "0123456789abcdef";
    std::string hex(2 * size, '0');
    for (size_t i = 0; i < size; ++i) {
        hex[2 * i] = kHex[bytes[i] >> 4];
        hex[2 * i + 1] = kHex[bytes[i] & 15];
    }
    return hex;
}

bool ParseHexBytes(const std::string& text, size_t size, uint8_t* bytes_out) {
    if (text.size() != 2 * size) return false;
    for (size_t i = 0; i < size; ++i) {
        const char* pair = text.data() + 2 * i;
        const auto [end, error] = std::from_chars(pair, pair + 2, bytes_out[i], 16);
        if (error != std::errc() || end != pair + 2 || pair[0] == '+' || pair[0] == '-') return false;
    }
    return true;
}

nlohmann::ordered_json Float32Json(float value) {
    const uint32_t bits = BitsOf(value);
    if (!std::isfinite(value)) {
        char text[11];
        std::snprintf(text, sizeof text, "0x%08x", unsigned(bits));
        return text;
    }
    // The JSON number is read as a double, then rounded to float: take the
    // shortest float decimal when that road leads back to the same bits
    // (rounding twice could miss by one in rare cases), else the double that
    // is the float itself.
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double number = 0;
    std::from_chars(text, written.ptr, number);
    if (BitsOf(float(number)) != bits) number = double(value);
    return number;
}

bool Float32FromJson(const nlohmann::json& value, float* out) {
    if (value.is_number()) {
        // Below the midpoint between the largest float and 2^128 a number
        // rounds to a finite float (3.4028235e+38 is the largest one's
        // shortest decimal, and a little above it as a double).
        const double number = value.get<double>();
        if (!(std::fabs(number) < std::ldexp(1.0, 128) - std::ldexp(1.0, 103))) return false;
        *out = float(number);
        return true;
    }
    if (!value.is_string()) return false;
    const std::string& text = value.get_ref<const std::string&>();
    uint8_t bytes[4];
    if (text.size() != 10 || text.compare(0, 2, "0x") != 0 || !ParseHexBytes(text.substr(2), 4, bytes)) return false;
    const uint32_t bits =
        (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | uint32_t(bytes[3]);
    std::memcpy(out, &bits, 4);
    return true;
}

bool ParseJsonStrictly(const uint8_t* text, size_t size, nlohmann::json* document_out, std::string* where_out,
                       std::string* what_out) {
    *document_out = nlohmann::json();
    PathWalk walk;
    if (!Walk(text, size, &walk)) {
        *where_out = walk.duplicateWhat.empty() ? walk.errorWhere : walk.duplicateWhere;
        *what_out = walk.duplicateWhat.empty() ? walk.errorWhat : walk.duplicateWhat;
        if (what_out->empty()) *what_out = "cannot be parsed";
        return false;
    }
    try {
        *document_out = nlohmann::json::parse(text, text + size);
    } catch (const nlohmann::json::exception& e) {
        // Not reached: the walk above ran the same parser over the same text.
        *where_out = "";
        *what_out = e.what();
        return false;
    }
    return true;
}

std::vector<std::string> JsonValuePlaces(const uint8_t* text, size_t size, const std::vector<std::string>& paths) {
    std::vector<std::string> places(paths.size());
    std::unordered_map<std::string, size_t> wanted;
    for (size_t i = 0; i < paths.size(); ++i) wanted.emplace(paths[i], i);
    if (wanted.empty()) return places;
    PathWalk walk;
    walk.wanted = &wanted;
    walk.places = &places;
    walk.placesLeft = wanted.size();
    Walk(text, size, &walk);
    // A path given twice has its place once.
    for (size_t i = 0; i < paths.size(); ++i)
        if (places[i].empty()) places[i] = places[wanted[paths[i]]];
    return places;
}
