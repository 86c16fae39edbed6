#include "protocol/CodePage.h"

#include <array>

namespace termserver::codepage {
namespace {

// Windows-1252 bytes 0x80..0x9F; the five bytes it leaves undefined keep their C1 value.
// Every other byte is the Latin-1 character of the same value.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t ch) {
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        ch = kReplacement;
    auto byte = [&out](unsigned value) { out.push_back(static_cast<char>(value)); };
    if (ch < 0x80) {
        byte(ch);
    } else if (ch < 0x800) {
        byte(0xC0 | (ch >> 6));
        byte(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        byte(0xE0 | (ch >> 12));
        byte(0x80 | ((ch >> 6) & 0x3F));
        byte(0x80 | (ch & 0x3F));
    } else {
        byte(0xF0 | (ch >> 18));
        byte(0x80 | ((ch >> 12) & 0x3F));
        byte(0x80 | ((ch >> 6) & 0x3F));
        byte(0x80 | (ch & 0x3F));
    }
}

} // namespace

char32_t decodeByte(unsigned char byte, CodePage page) {
    if (page == CodePage::Windows1252 && byte >= 0x80 && byte <= 0x9F)
        return kWindows1252High[byte - 0x80];
    return byte;
}

char encodeWindows1252(char32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<char>(ch);
    for (std::size_t i = 0; i < kWindows1252High.size(); ++i) {
        if (kWindows1252High[i] == ch)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::u32string decode(std::string_view bytes, CodePage page) {
    std::u32string text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text.push_back(decodeByte(static_cast<unsigned char>(byte), page));
    return text;
}

std::string toWindows1252(std::u32string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char32_t ch : text)
        bytes.push_back(encodeWindows1252(ch));
    return bytes;
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t ch : text)
        appendUtf8(out, ch);
    return out;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    return toUtf8(decode(bytes, CodePage::Windows1252));
}

std::u32string decodeUtf16(const char16_t* text, std::size_t maxChars) {
    std::u32string out;
    if (text == nullptr)
        return out;
    for (std::size_t i = 0; text[i] != 0 && out.size() < maxChars; ++i) {
        const char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out.push_back(kReplacement);
        } else {
            out.push_back(unit);
        }
    }
    return out;
}

std::u32string decodeZeroTerminated(const char* text, std::size_t maxChars, CodePage page) {
    std::u32string out;
    if (text == nullptr)
        return out;
    for (std::size_t i = 0; text[i] != 0 && out.size() < maxChars; ++i)
        out.push_back(decodeByte(static_cast<unsigned char>(text[i]), page));
    return out;
}

} // namespace termserver::codepage
