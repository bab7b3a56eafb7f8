#include "translation_text.h"

#include "mt_home.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "json.h"
#include "utf.h"

namespace miradot {

const wchar_t TR_NOTE_WORKING[] = L"⏳ đang dịch…";
const wchar_t TR_NOTE_NOT_INSTALLED[] = L"Dịch: chưa cài. Mở Cài đặt miraDot › Dịch › «Cài bản dịch».";
const wchar_t TR_NOTE_READ_DENIED[] = L"Dịch: ứng dụng này không cho miraDot đọc chữ.";

namespace {

constexpr size_t PREVIEW_CHARACTERS = 160;
constexpr size_t NOTE_CHARACTERS = 399;
constexpr size_t NEED_NAMES_CHARACTERS = 156;

std::wstring hotkey_text(Hotkey hotkey)
{
    std::u16string text = format_hotkey(hotkey);
    return std::wstring(text.begin(), text.end());
}

std::wstring upper_ascii(const char* code)
{
    std::wstring out;
    for (const char* c = code; *c; ++c)
        out += static_cast<wchar_t>(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : static_cast<unsigned char>(*c));
    return out;
}

// The codes of the reply's "need" list.
std::vector<std::string> needed_codes(const char* reply)
{
    std::vector<std::string> codes;
    JsonCursor c{reply, reply + std::strlen(reply), 0};
    json_skip_whitespace(c);
    json_read_object(c, [&](const char* key) {
        if (std::strcmp(key, "need") != 0 || c.pos >= c.end || *c.pos != '[')
            return json_skip_value(c);
        codes.clear();
        return json_read_array(c, [&] {
            if (c.pos >= c.end || *c.pos != '"')
                return json_skip_value(c);
            char code[8];
            JsonStringRead read;
            if (!json_read_string(c, code, sizeof code, &read))
                return false;
            codes.push_back(code);
            return true;
        });
    });
    return codes;
}

// "tiếng Trung, tiếng Nhật" for the codes of the reply's "need" list.
std::wstring need_names(const char* reply)
{
    std::wstring names;
    for (const std::string& code : needed_codes(reply)) {
        const wchar_t* table = mt_language_name(code.c_str());
        std::wstring name = table ? table : miradot::utf8_to_wide(code);
        if (!name.empty() && name[0] == L'T')
            name[0] = L't';
        std::wstring joined = names.empty() ? name : names + L", " + name;
        if (joined.size() > NEED_NAMES_CHARACTERS)
            break;
        names = joined;
    }
    return names;
}

std::wstring failure_note(const char* reply)
{
    char error[200];
    json_field(reply, "error", error, sizeof error);
    if (std::strcmp(error, "no_model") == 0 || std::strstr(error, "not installed")) {
        std::wstring names = need_names(reply);
        if (names.empty())
            return L"⚠ Dịch: chưa cài bản dịch";
        return L"⚠ Dịch: chưa bật " + names + L": Cài đặt › Dịch › Ngôn ngữ…";
    }
    if (std::strcmp(error, "elevated") == 0)
        return L"⚠ Dịch không chạy trong ứng dụng quyền quản trị";
    // The first 60 bytes, never a split UTF-8 sequence.
    std::string shown = error[0] ? error : "error";
    if (shown.size() > 60) {
        size_t cut = 60;
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
            --cut;
        shown.resize(cut);
    }
    return L"⚠ Dịch: " + miradot::utf8_to_wide(shown.c_str());
}

}  // namespace

std::string translation_request(const std::wstring& source, const char* other)
{
    // One line break is one \n, whatever the control stores: CR LF or CR alone.
    std::wstring text;
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == L'\r') {
            text += L'\n';
            if (i + 1 < source.size() && source[i + 1] == L'\n')
                ++i;
        } else {
            text += source[i];
        }
    }
    std::string escaped;
    for (unsigned char c : miradot::wide_to_utf8(text)) {
        if (c == '\t') {
            escaped += "\\t";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += static_cast<char>(c);
        } else if (c < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            escaped += code;
        } else {
            escaped += static_cast<char>(c);
        }
    }
    return "{\"cmd\":\"translate\",\"text\":\"" + escaped + "\",\"to\":\"auto\",\"my\":\"vi\",\"other\":\"" + other
           + "\"}";
}

bool has_translatable_text(const std::wstring& text)
{
    return text.find_first_not_of(L"\t\n\r ") != std::wstring::npos;
}

size_t line_start(const std::wstring& text)
{
    size_t at = text.find_last_of(L"\n\v\r\u2029");
    return at == std::wstring::npos ? 0 : at + 1;
}

ReplyNote read_translation_reply(const char* reply, bool crlf)
{
    ReplyNote out;
    char ok[8];
    std::string text(65536, '\0');
    if (!json_field(reply, "ok", ok, sizeof ok) || std::strcmp(ok, "true") != 0
        || !json_field(reply, "text", text.data(), text.size()) || !text[0]) {
        out.note = failure_note(reply);
        return out;
    }
    out.ok = true;
    std::wstring translated = miradot::utf8_to_wide(text.c_str());
    for (wchar_t c : translated) {
        if (c == L'\n' && crlf)
            out.result += L'\r';
        out.result += c;
    }
    char from[8], to[8], warn[64];
    std::wstring direction;
    if (json_field(reply, "from", from, sizeof from) && json_field(reply, "to", to, sizeof to) && from[0] && to[0])
        direction = upper_ascii(from) + L"→" + upper_ascii(to);
    bool warned = json_field(reply, "warn", warn, sizeof warn) && warn[0] && std::strcmp(warn, "[]") != 0;
    std::wstring preview = out.result.substr(0, PREVIEW_CHARACTERS);
    for (wchar_t& c : preview)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    out.note = direction + L"  " + preview + (out.result.size() > PREVIEW_CHARACTERS ? L"…" : L"")
               + (warned ? L"  ⚠ kiểm lại" : L"") + L"   (Tab: thay · Esc: bỏ)";
    if (out.note.size() > NOTE_CHARACTERS)
        out.note.resize(NOTE_CHARACTERS);
    return out;
}

std::wstring nothing_to_translate_note(Hotkey hotkey)
{
    return L"Dịch: bôi đen đoạn cần dịch, hoặc gõ một dòng rồi bấm " + hotkey_text(hotkey) + L".";
}

std::wstring text_changed_note(Hotkey hotkey) { return L"Dịch: chữ đã đổi, bấm " + hotkey_text(hotkey) + L" lại."; }

}  // namespace miradot
