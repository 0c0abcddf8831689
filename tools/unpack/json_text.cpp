// json_text.cpp -- layout of the JSON documents, hex bytes, exact float32s.
#include "tools/unpack/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

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
