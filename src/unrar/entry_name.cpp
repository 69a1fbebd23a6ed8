#include "unrar/entry_name.h"

#include "base/ascii.h"
#include "base/code_page.h"
#include "unrar/dos_code_page.h"

#include <cstddef>
#include <cstdint>

namespace tavox::unrar {

namespace {

constexpr unsigned kHostUnix = 3;

// The packed Unicode form: a high byte shared by the characters that need one, then two-bit commands read
// from flag bytes: a character with high byte 0, one with the shared high byte, a full 16-bit character, or
// a run copied from the 8-bit name (optionally shifted by a correction and given the shared high byte).
std::u16string UnpackRar4Unicode(std::string_view name8, std::string_view packed) {
    const auto at = [&packed](std::size_t i) { return static_cast<std::uint8_t>(packed[i]); };
    std::u16string out;
    std::size_t pos = 0;
    if (packed.empty()) {
        return out;
    }
    const unsigned high = at(pos++);
    unsigned flags = 0;
    int flag_bits = 0;
    while (pos < packed.size() && out.size() < name8.size()) {
        if (flag_bits == 0) {
            flags = at(pos++);
            flag_bits = 8;
            if (pos >= packed.size()) {
                break;
            }
        }
        flag_bits -= 2;
        switch ((flags >> flag_bits) & 3) {
        case 0:
            out.push_back(static_cast<char16_t>(at(pos++)));
            break;
        case 1:
            out.push_back(static_cast<char16_t>(at(pos++) | (high << 8)));
            break;
        case 2:
            if (pos + 1 >= packed.size()) {
                return out;
            }
            out.push_back(static_cast<char16_t>(at(pos) | (at(pos + 1) << 8)));
            pos += 2;
            break;
        default: {
            unsigned length = at(pos++);
            if (length & 0x80) {
                if (pos >= packed.size()) {
                    return out;
                }
                const unsigned correction = at(pos++);
                for (length = (length & 0x7F) + 2; length > 0 && out.size() < name8.size(); --length) {
                    const auto c = static_cast<std::uint8_t>(name8[out.size()]);
                    out.push_back(static_cast<char16_t>(((c + correction) & 0xFF) | (high << 8)));
                }
            } else {
                for (length += 2; length > 0 && out.size() < name8.size(); --length) {
                    out.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(name8[out.size()])));
                }
            }
            break;
        }
        }
    }
    return out;
}

} // namespace

StoredName ReadRar4Name(std::string_view field, bool unicode_flag) {
    StoredName name;
    if (!unicode_flag) {
        name.bytes = std::string(field);
        return name;
    }
    const std::size_t zero = field.find('\0');
    if (zero == std::string_view::npos) {
        name.bytes = std::string(field);
        if (IsValidUtf8(field)) {
            name.utf8 = name.bytes;
        }
        return name;
    }
    name.bytes = std::string(field.substr(0, zero));
    const std::u16string unicode = UnpackRar4Unicode(name.bytes, field.substr(zero + 1));
    if (!unicode.empty()) {
        // The name ends at its first zero unit.
        name.utf8 = Utf16ToUtf8(std::u16string_view(unicode).substr(0, unicode.find(u'\0')),
                                UnpairedSurrogate::Replace);
    }
    return name;
}

std::string NameToUtf8(const StoredName& name, unsigned host_os, int dos_code_page) {
    if (name.utf8) {
        return *name.utf8;
    }
    if (host_os == kHostUnix && IsValidUtf8(name.bytes)) {
        return name.bytes;
    }
    return DosToUtf8(name.bytes, dos_code_page);
}

bool IsValidUtf8(std::string_view bytes) {
    const auto at = [&bytes](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t lead = at(i);
        std::size_t extra = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            c = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            c = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            c = lead & 0x07;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((at(i + k) & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (at(i + k) & 0x3F);
        }
        constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

std::optional<std::vector<std::string>> RelativeParts(std::string_view utf8_name) {
    std::string_view rest = utf8_name;
    if (rest.size() >= 2 && rest[1] == ':' && IsAsciiLetter(rest[0])) {
        rest.remove_prefix(2);
    }
    std::vector<std::string> parts;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\\/");
        const std::string_view part = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            return std::nullopt;
        }
        parts.emplace_back(part);
    }
    if (parts.empty()) {
        return std::nullopt;
    }
    return parts;
}

} // namespace tavox::unrar
