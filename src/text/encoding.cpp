#include "text/encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>
#include <unordered_map>

namespace qm318 {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

std::string icuNameOf(int codePage) {
    switch (codePage) {
        case kCodePageUtf8: return "UTF-8";
        case 1200: return "UTF-16LE";
        case 1201: return "UTF-16BE";
        default: return "windows-" + std::to_string(codePage);
    }
}

// ICU converters keep state, so each thread keeps its own, one per code page; null when ICU
// knows no such code page.
UConverter* converterFor(int codePage) {
    thread_local std::unordered_map<int, ConverterPtr> converters;
    auto [it, inserted] = converters.try_emplace(codePage);
    if (inserted) {
        UErrorCode status = U_ZERO_ERROR;
        it->second.reset(ucnv_open(icuNameOf(codePage).c_str(), &status));
        if (U_FAILURE(status)) it->second.reset();
    }
    if (it->second) ucnv_reset(it->second.get());
    return it->second.get();
}

std::string_view upToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::u16string decode(std::string_view text, int codePage) {
    text = upToZero(text);
    UConverter* converter = converterFor(codePage);
    if (converter == nullptr || text.empty()) return {};
    std::u16string units(text.size() + 1, u'\0');  // no code page yields more units than bytes
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        ucnv_toUChars(converter, reinterpret_cast<UChar*>(units.data()), int32_t(units.size()),
                      text.data(), int32_t(text.size()), &status);
    if (U_FAILURE(status)) return {};
    units.resize(std::size_t(length));
    return units;
}

std::string encode(std::u16string_view units, int codePage) {
    units = units.substr(0, units.find(u'\0'));
    UConverter* converter = converterFor(codePage);
    if (converter == nullptr || units.empty()) return {};
    const UChar* source = reinterpret_cast<const UChar*>(units.data());
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        ucnv_fromUChars(converter, nullptr, 0, source, int32_t(units.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return {};
    std::string text(std::size_t(length), '\0');
    status = U_ZERO_ERROR;
    ucnv_fromUChars(converter, text.data(), length, source, int32_t(units.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
    return std::string(upToZero(text));
}

int hexDigitValue(char c) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    if (c >= 'a' && c <= 'z') c = char(c - ('a' - 'A'));
    const std::size_t at = digits.find(c);
    return at == std::string_view::npos ? -2 : int(at);
}

}  // namespace

std::string percentDecode(std::string_view text, bool utf8) {
    text = upToZero(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            // A digit past the end of the text counts as 0.
            const int high = i + 1 < text.size() ? hexDigitValue(text[i + 1]) : 0;
            const int low = i + 2 < text.size() ? hexDigitValue(text[i + 2]) : 0;
            const auto byte = static_cast<unsigned char>((16 * high + low) & 0xff);
            if (byte != 0) out.push_back(char(byte));
            i += 2;
        } else if (text[i] == '+') {
            out.push_back(' ');
        } else {
            out.push_back(text[i]);
        }
    }
    return utf8 ? utf8ToGbk(out) : out;
}

std::u16string toUtf16(std::string_view text, int codePage, bool useCodePage) {
    return decode(text, useCodePage ? codePage : kCodePageGbk);
}

std::u16string multiByteToUtf16(std::string_view text, int codePage, bool useCodePage) {
    return decode(text, useCodePage ? codePage : kCodePageUtf8);
}

std::string utf16ToMultiByte(std::u16string_view units, int codePage, bool useCodePage) {
    return encode(units, useCodePage ? codePage : kCodePageGbk);
}

std::string utf8ToGbk(std::string_view utf8) {
    return utf16ToMultiByte(multiByteToUtf16(utf8), kCodePageGbk, true);
}

std::string gbkToUtf8(std::string_view gbk) {
    const std::u16string units = toUtf16(gbk);
    if (units.empty()) return {};
    std::string out(units.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), int32_t(out.size()), &length,
                       reinterpret_cast<const UChar*>(units.data()), int32_t(units.size()), 0xFFFD,
                       nullptr, &status);
    if (U_FAILURE(status)) return {};
    out.resize(std::size_t(length));
    return out;
}

bool utf16ToUtf8Strict(std::u16string_view units, std::string& utf8) {
    utf8.assign(units.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(utf8.data(), int32_t(utf8.size()), &length,
                reinterpret_cast<const UChar*>(units.data()), int32_t(units.size()), &status);
    if (U_FAILURE(status)) return false;
    utf8.resize(std::size_t(length));
    return true;
}

Utf16WithOffsets gbkToUtf16WithOffsets(std::string_view gbk) {
    Utf16WithOffsets result;
    gbk = upToZero(gbk);
    UConverter* converter = converterFor(kCodePageGbk);
    if (converter == nullptr || gbk.empty()) return result;
    result.units.resize(gbk.size());
    result.byteOffsets.resize(gbk.size());
    UChar* target = reinterpret_cast<UChar*>(result.units.data());
    UChar* const targetStart = target;
    const char* source = gbk.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, target + result.units.size(), &source,
                   gbk.data() + gbk.size(), result.byteOffsets.data(), true, &status);
    if (U_FAILURE(status)) return {};
    const std::size_t count = std::size_t(target - targetStart);
    result.units.resize(count);
    result.byteOffsets.resize(count);
    return result;
}

}  // namespace qm318
