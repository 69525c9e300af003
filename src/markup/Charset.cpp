#include "markup/Charset.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace korvo {

namespace {

    // One character at the front of a UTF-8 text. For a broken sequence, Length is the number
    // of bytes of its longest well-formed beginning, at least 1, so that the next character
    // starts at the first byte that cannot continue it.
    struct DecodedCharacter {
        char32_t CodePoint = 0;
        std::size_t Length = 1;
        bool Valid = false;
    };

    DecodedCharacter DecodeUtf8(std::string_view text)
    {
        const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
        const unsigned char lead = byte(0);
        if (lead < 0x80)
            return { lead, 1, true };
        std::size_t length = 0;
        char32_t codePoint = 0;
        // The allowed range of the second byte excludes overlong forms, surrogates and
        // everything above U+10FFFF.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0Fu;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07u;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return {};
        }
        for (std::size_t i = 1; i < length; ++i) {
            if (i >= text.size() || byte(i) < low || byte(i) > high)
                return { 0, i, false };
            codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
            low = 0x80;
            high = 0xBF;
        }
        return { codePoint, length, true };
    }

    void AppendUtf8(std::string& out, char32_t codePoint)
    {
        if (codePoint < 0x80) {
            out += static_cast<char>(codePoint);
        } else if (codePoint < 0x800) {
            out += static_cast<char>(0xC0 | (codePoint >> 6));
            out += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else {
            // Every character of windows-1250 lies in the Basic Multilingual Plane.
            out += static_cast<char>(0xE0 | (codePoint >> 12));
            out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (codePoint & 0x3F));
        }
    }

    void AppendCharacterReference(std::string& out, char32_t codePoint)
    {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(codePoint)).ptr;
        out += "&#";
        out.append(digits, end);
        out += ';';
    }

    // The characters of the bytes 0x80 to 0xFF.
    constexpr char16_t Windows1250Upper[128] = {
        0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, //
        0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, //
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
        0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, //
        0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, //
        0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, //
        0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, //
        0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, //
        0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, //
        0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, //
        0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, //
        0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, //
        0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, //
        0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, //
        0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, //
        0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, //
    };

    // An iconv conversion, closed when it goes out of scope.
    class TIconv {
    public:
        TIconv(const char* to, const char* from)
            : m_handle(::iconv_open(to, from))
        {
        }
        ~TIconv()
        {
            if (Valid())
                ::iconv_close(m_handle);
        }
        TIconv(const TIconv&) = delete;
        TIconv& operator=(const TIconv&) = delete;

        bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

        // Converts as much of `in` as it can onto the end of `out`, at most `maxOut` bytes, and
        // removes what it converted from `in`. 0 when all of `in` was converted, else the reason
        // it stopped: EILSEQ (a character it cannot convert), EINVAL (a sequence cut short at
        // the end) or E2BIG (no room left).
        int Convert(std::string_view& in, std::string& out, std::size_t maxOut)
        {
            const std::size_t oldSize = out.size();
            out.resize(oldSize + maxOut);
            char* source = const_cast<char*>(in.data());
            std::size_t sourceLeft = in.size();
            char* target = out.data() + oldSize;
            std::size_t targetLeft = maxOut;
            const bool done
                = ::iconv(m_handle, &source, &sourceLeft, &target, &targetLeft) != static_cast<std::size_t>(-1);
            const int reason = done ? 0 : errno;
            out.resize(oldSize + (maxOut - targetLeft));
            in.remove_prefix(in.size() - sourceLeft);
            return reason;
        }

    private:
        iconv_t m_handle;
    };

    std::size_t FirstNonAscii(std::string_view text)
    {
        for (std::size_t i = 0; i < text.size(); ++i)
            if (static_cast<unsigned char>(text[i]) >= 0x80)
                return i;
        return text.size();
    }

} // namespace

std::string Windows1250ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else
            AppendUtf8(out, Windows1250Upper[byte - 0x80]);
    }
    return out;
}

std::string Utf8ToWindows1250(std::string_view text)
{
    std::size_t ascii = FirstNonAscii(text);
    if (ascii == text.size())
        return std::string(text);

    std::string out;
    out.reserve(text.size());
    out.append(text.substr(0, ascii));
    text.remove_prefix(ascii);

    // iconv converts runs of characters that windows-1250 has and stops in front of any other
    // character and in front of broken UTF-8; those are written here, one at a time. Without a
    // converter (no conversion modules installed) every non-ASCII character becomes a reference,
    // which a browser still shows correctly.
    TIconv converter("WINDOWS-1250", "UTF-8");
    while (!text.empty()) {
        if (converter.Valid()) {
            // windows-1250 never needs more bytes than UTF-8 for the same characters, but should
            // iconv still run out of room, it simply goes on from where it stopped.
            const int reason = converter.Convert(text, out, text.size());
            if (reason == 0 || text.empty())
                break;
            if (reason == E2BIG)
                continue;
        } else if ((ascii = FirstNonAscii(text)) > 0) {
            out.append(text.substr(0, ascii));
            text.remove_prefix(ascii);
            continue;
        }
        const DecodedCharacter decoded = DecodeUtf8(text);
        AppendCharacterReference(out, decoded.Valid ? decoded.CodePoint : U'\uFFFD');
        text.remove_prefix(decoded.Length);
    }
    return out;
}

} // namespace korvo
