#include "update_manifest.h"

#include "json.h"
#include "utf.h"
#include "version_number.h"

#include <cstring>
#include <string>

namespace {

constexpr size_t NOTES_BYTES = 4096;
constexpr size_t NOTES_WIDE = 600;

// A string field whose whole text is needed: one that was cut is refused.
struct Field {
    char* text;
    size_t capacity;
    bool cut = false;
};

bool read_field(JsonCursor& c, Field& field)
{
    JsonStringRead read;
    if (!json_read_string(c, field.text, field.capacity, &read))
        return false;
    field.cut = read.cut;
    return true;
}

// Notes that do not fit the 600-unit conversion buffer are left out.
void copy_notes(const char* notes_utf8, char16_t* notes, size_t capacity)
{
    std::u16string wide = miradot::utf8_to_utf16(notes_utf8);
    if (wide.size() >= NOTES_WIDE)
        wide.clear();
    size_t n = wide.size();
    if (n > MANIFEST_NOTES_UNITS)
        n = MANIFEST_NOTES_UNITS;
    if (n > capacity - 1)
        n = capacity - 1;
    // Never leave half of a surrogate pair at the cut.
    if (n > 0 && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF)
        --n;
    std::memcpy(notes, wide.data(), n * sizeof(char16_t));
    notes[n] = 0;
}

bool starts_with(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

}  // namespace

bool is_sha256_hex(const char* text)
{
    size_t n = 0;
    for (; text[n]; ++n)
        if (!((text[n] >= '0' && text[n] <= '9') || (text[n] >= 'a' && text[n] <= 'f')))
            return false;
    return n == 64;
}

bool parse_manifest(const char* bytes, size_t length, char* version, char* url, char* digest, uint64_t* size,
                    char16_t* notes, size_t notes_capacity)
{
    version[0] = url[0] = digest[0] = 0;
    *size = 0;
    if (notes && notes_capacity)
        notes[0] = 0;

    char root_version[MANIFEST_VERSION_SIZE] = "";
    char windows_version[MANIFEST_VERSION_SIZE] = "";
    char notes_utf8[NOTES_BYTES] = "";
    Field root_version_field{root_version, sizeof root_version};
    Field windows_version_field{windows_version, sizeof windows_version};
    Field url_field{url, MANIFEST_URL_SIZE};
    Field digest_field{digest, MANIFEST_DIGEST_SIZE};
    bool windows_seen = false;
    uint64_t stated_size = 0;

    JsonCursor c{bytes, bytes + length, 0};
    auto on_windows = [&](const char* key) {
        if (std::strcmp(key, "version") == 0)
            return read_field(c, windows_version_field);
        if (std::strcmp(key, "url") == 0)
            return read_field(c, url_field);
        if (std::strcmp(key, "sha256") == 0)
            return read_field(c, digest_field);
        if (std::strcmp(key, "size") == 0) {
            bool plain;
            return json_read_number(c, &stated_size, &plain) && plain;
        }
        return json_skip_value(c);
    };
    auto on_files = [&](const char* key) {
        if (std::strcmp(key, "windows") == 0) {
            windows_seen = true;
            return json_read_object(c, on_windows);
        }
        return json_skip_value(c);
    };
    auto on_root = [&](const char* key) {
        if (std::strcmp(key, "version") == 0)
            return read_field(c, root_version_field);
        if (std::strcmp(key, "notes_vi") == 0) {
            JsonStringRead read;
            return json_read_string(c, notes_utf8, sizeof notes_utf8, &read);
        }
        if (std::strcmp(key, "files") == 0)
            return json_read_object(c, on_files);
        return json_skip_value(c);
    };

    json_skip_whitespace(c);
    bool ok = json_read_object(c, on_root);
    if (ok) {
        json_skip_whitespace(c);
        ok = c.pos == c.end && windows_seen;
    }
    const Field& chosen = windows_version[0] ? windows_version_field : root_version_field;
    VersionNumber parsed;
    ok = ok && !chosen.cut && parse_version(chosen.text, &parsed);
    ok = ok && !digest_field.cut && is_sha256_hex(digest);
    ok = ok && !url_field.cut && starts_with(url, "https://");
    if (!ok) {
        version[0] = url[0] = digest[0] = 0;
        return false;
    }
    std::memcpy(version, chosen.text, MANIFEST_VERSION_SIZE);
    *size = stated_size;
    if (notes && notes_capacity)
        copy_notes(notes_utf8, notes, notes_capacity);
    return true;
}

namespace {

constexpr size_t MODEL_NAME_SIZE = 16;
constexpr size_t FILE_NAME_SIZE = 64;
constexpr size_t MAX_MODEL_FILES = 16;

bool is_revision(const char* text)
{
    size_t n = 0;
    for (; text[n]; ++n)
        if (!((text[n] >= '0' && text[n] <= '9') || (text[n] >= 'a' && text[n] <= 'f')))
            return false;
    return n == 40;
}

// A name that stays one file inside its model's folder and in its address.
bool is_plain_file_name(const char* text)
{
    if (!text[0] || !std::strcmp(text, ".") || !std::strcmp(text, ".."))
        return false;
    for (const char* p = text; *p; ++p)
        if (!((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') || *p == '.' || *p == '_'
              || *p == '-'))
            return false;
    return true;
}

// One element of "files"; valid false when a field is missing or malformed.
bool read_model_file(JsonCursor& c, ManifestModelFile& file, bool& valid)
{
    char name[FILE_NAME_SIZE] = "", digest[MANIFEST_DIGEST_SIZE] = "";
    Field name_field{name, sizeof name};
    Field digest_field{digest, sizeof digest};
    uint64_t size = 0;
    bool plain_size = false;
    if (c.pos >= c.end || *c.pos != '{') {
        valid = false;
        return json_skip_value(c);
    }
    bool ok = json_read_object(c, [&](const char* key) {
        if (std::strcmp(key, "name") == 0)
            return c.pos < c.end && *c.pos == '"' ? read_field(c, name_field) : json_skip_value(c);
        if (std::strcmp(key, "sha256") == 0)
            return c.pos < c.end && *c.pos == '"' ? read_field(c, digest_field) : json_skip_value(c);
        if (std::strcmp(key, "size") == 0) {
            if (c.pos < c.end && (*c.pos == '-' || (*c.pos >= '0' && *c.pos <= '9')))
                return json_read_number(c, &size, &plain_size);
            return json_skip_value(c);
        }
        return json_skip_value(c);
    });
    if (!ok)
        return false;
    if (name_field.cut || !is_plain_file_name(name) || digest_field.cut || !is_sha256_hex(digest) || !plain_size
        || size == 0)
        valid = false;
    file = {name, size, digest};
    return true;
}

bool read_model(JsonCursor& c, const char* name, std::vector<ManifestModel>& models)
{
    if (c.pos >= c.end || *c.pos != '{')
        return json_skip_value(c);
    ManifestModel model;
    char revision[48] = "";
    Field revision_field{revision, sizeof revision};
    bool valid = name[0] && std::strlen(name) < MODEL_NAME_SIZE;
    bool files_seen = false;
    bool ok = json_read_object(c, [&](const char* key) {
        if (std::strcmp(key, "revision") == 0)
            return c.pos < c.end && *c.pos == '"' ? read_field(c, revision_field) : json_skip_value(c);
        if (std::strcmp(key, "files") == 0) {
            if (c.pos >= c.end || *c.pos != '[') {
                valid = false;
                return json_skip_value(c);
            }
            files_seen = true;
            model.files.clear();
            return json_read_array(c, [&] {
                ManifestModelFile file;
                if (!read_model_file(c, file, valid))
                    return false;
                model.files.push_back(file);
                return true;
            });
        }
        return json_skip_value(c);
    });
    if (!ok)
        return false;
    if (valid && files_seen && !model.files.empty() && model.files.size() <= MAX_MODEL_FILES && !revision_field.cut
        && is_revision(revision)) {
        model.name = name;
        model.revision = revision;
        for (ManifestModel& earlier : models)
            if (earlier.name == model.name) {
                earlier = model;
                return true;
            }
        models.push_back(model);
    }
    return true;
}

}  // namespace

bool parse_manifest_models(const char* bytes, size_t length, std::vector<ManifestModel>& models)
{
    models.clear();
    char version[MANIFEST_VERSION_SIZE], url[MANIFEST_URL_SIZE], digest[MANIFEST_DIGEST_SIZE];
    uint64_t size;
    if (!parse_manifest(bytes, length, version, url, digest, &size, nullptr, 0))
        return false;
    JsonCursor c{bytes, bytes + length, 0};
    json_skip_whitespace(c);
    bool ok = json_read_object(c, [&](const char* key) {
        if (std::strcmp(key, "models") != 0 || c.pos >= c.end || *c.pos != '{')
            return json_skip_value(c);
        models.clear();  // a later "models" replaces an earlier one
        return json_read_object(c, [&](const char* name) { return read_model(c, name, models); });
    });
    if (!ok)
        models.clear();
    return ok;
}

bool decode_public_key(const char* text, unsigned char key[32])
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    unsigned char out[48];
    size_t n = 0;
    uint32_t bits = 0;
    int held = 0;
    for (const char* p = text; *p && *p != '='; ++p) {
        const char* at = std::strchr(alphabet, *p);
        if (!at)
            return false;
        bits = bits << 6 | uint32_t(at - alphabet);
        held += 6;
        if (held >= 8) {
            held -= 8;
            if (n == sizeof out)
                return false;
            out[n++] = static_cast<unsigned char>(bits >> held);
        }
    }
    if (n != 32)
        return false;
    std::memcpy(key, out, 32);
    return true;
}
