#include "rich_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs.h"

namespace miradot {

namespace {

std::string convert_run(const std::string& text, Charset from, Charset to)
{
    return charset_encode(to, charset_decode(from, text, LEGACY_CP1252_TEXT), LEGACY_CP1252_TEXT, nullptr);
}

// Groups whose text is not the document's.
bool is_destination(std::string_view word)
{
    static const char* const WORDS[] = {"fonttbl",   "colortbl",          "stylesheet", "info",         "pict",
                                        "object",    "themedata",         "datastore",  "listtable",    "rsidtbl",
                                        "generator", "listoverridetable", "filetbl",    "latentstyles", "xmlnstbl"};
    for (const char* known : WORDS) {
        if (word == known)
            return true;
    }
    return false;
}

struct RtfGroup {
    int uc = 1;  // fallback characters after each \uN
    bool skip = false;
};

void append_rtf_text(std::string& out, const std::string& utf8, bool legacy, int uc)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    auto put_unicode = [&](uint32_t unit) {
        char word[16];
        std::snprintf(word, sizeof word, "\\u%d", unit >= 0x8000 ? int(unit) - 0x10000 : int(unit));
        out += word;
        out.append(size_t(uc), '?');
    };
    while (p < end) {
        uint32_t c;
        const int length = code_point_or_replacement(p, end, &c);
        p += length;
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += char(c);
        } else if (c < 0x80) {
            out += char(c);
        } else if (int b = legacy ? cp1252_byte(c) : -1; b >= 0) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\'%02x", b);
            out += escape;
        } else if (c >= 0x10000) {
            put_unicode(0xD800 + ((c - 0x10000) >> 10));
            put_unicode(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put_unicode(c);
        }
    }
}

int hex_digit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
}

}  // namespace

std::string convert_rtf_text(std::string_view rtf, Charset from, Charset to)
{
    const bool legacy = charset_is_legacy(to);
    std::string out, run;
    out.reserve(rtf.size() + rtf.size() / 4);
    std::vector<RtfGroup> groups(1);
    int fallback = 0;  // fallback characters of the last \uN still to pass over
    uint32_t high_surrogate = 0;
    auto flush = [&]() {
        if (!run.empty())
            append_rtf_text(out, convert_run(run, from, to), legacy, groups.back().uc);
        run.clear();
    };
    auto text_char = [&](uint32_t c) {
        if (fallback > 0) {
            --fallback;
            return;
        }
        append_utf8(run, c);
    };
    const size_t n = rtf.size();
    for (size_t i = 0; i < n;) {
        const char c = rtf[i];
        RtfGroup& group = groups.back();
        if (group.skip) {
            size_t length = c == '\\' && i + 1 < n ? 2 : 1;
            if (c == '{')
                groups.push_back(group);
            else if (c == '}' && groups.size() > 1)
                groups.pop_back();
            out.append(rtf.substr(i, length));
            i += length;
            continue;
        }
        if (c == '{' || c == '}') {
            flush();
            fallback = 0;
            if (c == '{')
                groups.push_back(RtfGroup{group.uc, false});
            else if (groups.size() > 1)
                groups.pop_back();
            out += c;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            // Line ends in RTF are no text; inside a run they would split a word.
            if (run.empty())
                out += c;
            ++i;
            continue;
        }
        if (c != '\\') {
            text_char(static_cast<unsigned char>(c) < 0x80 ? uint32_t(c)
                                                           : cp1252_reading(static_cast<unsigned char>(c)));
            ++i;
            continue;
        }
        const char next = i + 1 < n ? rtf[i + 1] : 0;
        if (next == '\'' && i + 3 < n && hex_digit(rtf[i + 2]) >= 0 && hex_digit(rtf[i + 3]) >= 0) {
            text_char(cp1252_reading(static_cast<unsigned char>(hex_digit(rtf[i + 2]) * 16 + hex_digit(rtf[i + 3]))));
            i += 4;
            continue;
        }
        if (next == '\\' || next == '{' || next == '}') {
            text_char(uint32_t(next));
            i += 2;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(next))) {
            flush();
            if (next == '*')
                group.skip = true;
            out.append(rtf.substr(i, next ? 2 : 1));
            i += next ? 2 : 1;
            continue;
        }
        size_t k = i + 1;
        while (k < n && std::isalpha(static_cast<unsigned char>(rtf[k])))
            ++k;
        const std::string_view word = rtf.substr(i + 1, k - i - 1);
        size_t digits = k;
        if (digits < n && rtf[digits] == '-')
            ++digits;
        while (digits < n && std::isdigit(static_cast<unsigned char>(rtf[digits])))
            ++digits;
        const bool has_parameter = digits > k && std::isdigit(static_cast<unsigned char>(rtf[digits - 1]));
        const long parameter
            = has_parameter ? std::strtol(std::string(rtf.substr(k, digits - k)).c_str(), nullptr, 10) : 0;
        size_t after = has_parameter ? digits : k;
        if (after < n && rtf[after] == ' ')
            ++after;
        if (word == "u" && has_parameter) {
            uint32_t unit = uint32_t(parameter < 0 ? parameter + 0x10000 : parameter) & 0xFFFF;
            fallback = 0;
            if (unit >= 0xD800 && unit < 0xDC00) {
                high_surrogate = unit;
            } else if (unit >= 0xDC00 && unit < 0xE000 && high_surrogate) {
                text_char(0x10000 + ((high_surrogate - 0xD800) << 10) + (unit - 0xDC00));
                high_surrogate = 0;
            } else {
                text_char(unit);
            }
            fallback = group.uc;
            i = after;
            continue;
        }
        flush();
        fallback = 0;
        if (word == "uc" && has_parameter)
            group.uc = int(parameter < 0 ? 0 : parameter > 8 ? 8 : parameter);
        if (is_destination(word))
            group.skip = true;
        out.append(rtf.substr(i, after - i));
        i = after;
    }
    flush();
    return out;
}

namespace {

// The text between the tags and character references of HTML, converted;
// scripts and styles stay as they are.
std::string convert_html_text(std::string_view html, Charset from, Charset to)
{
    std::string out, run;
    out.reserve(html.size());
    auto flush = [&]() {
        if (!run.empty())
            out += convert_run(run, from, to);
        run.clear();
    };
    for (size_t i = 0; i < html.size();) {
        const char c = html[i];
        if (c == '<') {
            flush();
            size_t end = html.find('>', i);
            end = end == std::string_view::npos ? html.size() : end + 1;
            std::string tag(html.substr(i, end - i));
            for (char& t : tag)
                t = char(std::tolower(static_cast<unsigned char>(t)));
            for (const char* raw : {"script", "style"}) {
                if (tag.compare(1, std::strlen(raw), raw) == 0) {
                    size_t close = html.find(std::string("</") + raw, end);
                    if (close == std::string_view::npos)
                        close = html.find(std::string("</") + char(std::toupper(raw[0])), end);
                    end = close == std::string_view::npos ? html.size() : close;
                }
            }
            out.append(html.substr(i, end - i));
            i = end;
        } else if (c == '&') {
            flush();
            size_t end = html.find(';', i);
            end = end == std::string_view::npos || end - i > 12 ? i + 1 : end + 1;
            out.append(html.substr(i, end - i));
            i = end;
        } else {
            run += c;
            ++i;
        }
    }
    flush();
    return out;
}

struct HeaderField {
    size_t at = std::string_view::npos;  // where its digits begin
    size_t width = 0;
    size_t value = 0;
};

HeaderField header_field(std::string_view html, const char* name, size_t header_end)
{
    HeaderField field;
    size_t at = html.find(name);
    if (at == std::string_view::npos || at >= header_end)
        return field;
    at += std::strlen(name);
    size_t end = at;
    while (end < html.size() && std::isdigit(static_cast<unsigned char>(html[end])))
        ++end;
    if (end == at || end - at > 12)
        return field;
    field.at = at;
    field.width = end - at;
    field.value = std::strtoul(std::string(html.substr(at, end - at)).c_str(), nullptr, 10);
    return field;
}

bool write_field(std::string& html, const HeaderField& field, size_t value)
{
    if (field.at == std::string::npos)
        return true;
    // A header whose offsets point into itself has its fields after the start.
    if (field.at + field.width > html.size())
        return false;
    char digits[24];
    int length = std::snprintf(digits, sizeof digits, "%0*zu", int(field.width), value);
    if (size_t(length) != field.width)
        return false;
    html.replace(field.at, field.width, digits);
    return true;
}

}  // namespace

std::string convert_clipboard_html(std::string_view html, Charset from, Charset to)
{
    size_t header_end = html.find('<');
    if (header_end == std::string_view::npos)
        return std::string(html);
    HeaderField start_html = header_field(html, "StartHTML:", header_end);
    HeaderField end_html = header_field(html, "EndHTML:", header_end);
    HeaderField start_fragment = header_field(html, "StartFragment:", header_end);
    HeaderField end_fragment = header_field(html, "EndFragment:", header_end);
    HeaderField start_selection = header_field(html, "StartSelection:", header_end);
    HeaderField end_selection = header_field(html, "EndSelection:", header_end);
    if (start_html.at == std::string_view::npos || end_html.at == std::string_view::npos
        || start_fragment.at == std::string_view::npos || end_fragment.at == std::string_view::npos
        || !(start_html.value <= start_fragment.value && start_fragment.value <= end_fragment.value
             && end_fragment.value <= end_html.value && end_html.value <= html.size()))
        return std::string(html);
    std::string before
        = convert_html_text(html.substr(start_html.value, start_fragment.value - start_html.value), from, to);
    std::string fragment
        = convert_html_text(html.substr(start_fragment.value, end_fragment.value - start_fragment.value), from, to);
    std::string after
        = convert_html_text(html.substr(end_fragment.value, end_html.value - end_fragment.value), from, to);
    std::string out(html.substr(0, start_html.value));
    const size_t new_start_fragment = start_html.value + before.size();
    const size_t new_end_fragment = new_start_fragment + fragment.size();
    const size_t new_end_html = new_end_fragment + after.size();
    // Selection offsets, when given, mark the fragment too.
    if (!write_field(out, end_html, new_end_html) || !write_field(out, start_fragment, new_start_fragment)
        || !write_field(out, end_fragment, new_end_fragment)
        || (start_selection.value == start_fragment.value && !write_field(out, start_selection, new_start_fragment))
        || (end_selection.value == end_fragment.value && !write_field(out, end_selection, new_end_fragment)))
        return std::string(html);
    out += before;
    out += fragment;
    out += after;
    out.append(html.substr(end_html.value));
    return out;
}

}  // namespace miradot
