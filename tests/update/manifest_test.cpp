// The update manifest reader, version text, signing key text and signature
// check, on the exact bytes the update server sends.
#include "manifest_signature.h"
#include "update_manifest.h"
#include "version_number.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <string>
#include <vector>

namespace {

const std::string DIGEST(64, 'a');

std::string manifest_with(const std::string& windows,
                          const std::string& root = R"("version":"0.2.0","notes_vi":"Sửa lỗi",)")
{
    return "{" + root + R"("files":{"windows":{)" + windows + "}}}";
}

std::string good_windows()
{
    return R"("version":"0.2.1","url":"https://example.test/miraDot-Setup-0.2.1.exe","sha256":")" + DIGEST
           + R"(","size":1234)";
}

struct Parsed {
    bool ok;
    std::string version, url, digest;
    uint64_t size;
    std::u16string notes;
};

Parsed parse(const std::string& text, size_t notes_capacity = 512)
{
    char version[MANIFEST_VERSION_SIZE], url[MANIFEST_URL_SIZE], digest[MANIFEST_DIGEST_SIZE];
    uint64_t size = 99;
    std::vector<char16_t> notes(notes_capacity + 1, u'?');
    bool ok = parse_manifest(text.data(), text.size(), version, url, digest, &size, notes.data(), notes_capacity);
    return {ok, version, url, digest, size, notes.data()};
}

std::string nested(int levels)  // an unknown root member holding `levels` objects
{
    std::string open, close;
    for (int i = 0; i < levels; ++i) {
        open += i % 2 ? R"({"a":)" : "[";
        close = (i % 2 ? "}" : "]") + close;
    }
    return R"("deep":)" + open + "1" + close + ",";
}

TEST(ParseVersion, AcceptsTwoToFourComponentsOfUpToSixDigits)
{
    struct Case {
        const char* text;
        bool ok;
        VersionNumber expected;
    } cases[] = {
        {"1.2", true, {{1, 2, 0, 0}}},
        {"0.1.5", true, {{0, 1, 5, 0}}},
        {"1.2.3.4", true, {{1, 2, 3, 4}}},
        {"999999.0", true, {{999999, 0, 0, 0}}},
        {"007.08", true, {{7, 8, 0, 0}}},
        {"2", false, {}},
        {"1234567.0", false, {}},
        {"v1.2", false, {}},
        {"1.2.3.4.5", false, {}},
        {"1..2", false, {}},
        {"1.2.", false, {}},
        {".1.2", false, {}},
        {"-1.2", false, {}},
        {"+1.2", false, {}},
        {"1.2 ", false, {}},
        {" 1.2", false, {}},
        {"1.2-beta", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        VersionNumber v{{7, 7, 7, 7}};
        EXPECT_EQ(parse_version(c.text, &v), c.ok) << c.text;
        if (c.ok) {
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(v.part[i], c.expected.part[i]) << c.text;
        }
    }
}

TEST(CompareVersions, FirstDifferingComponentDecidesAgainstTheProductVersion)
{
    VersionNumber current;
    ASSERT_TRUE(parse_version(MIRADOT_VERSION, &current));
    struct Case {
        const char* text;
        int sign;
    } cases[] = {{"1.2", 1}, {"0.1.5.0", 0}, {"0.1.5", 0}, {"0.1.4.9", -1}, {"0.1", -1}, {"0.1.5.1", 1}, {"0.2", 1}};
    for (const Case& c : cases) {
        VersionNumber v;
        ASSERT_TRUE(parse_version(c.text, &v)) << c.text;
        int result = compare_versions(v, current);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.text;
    }
}

TEST(ParseManifest, ReadsTheWindowsEntry)
{
    Parsed p = parse(manifest_with(good_windows()));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.version, "0.2.1");
    EXPECT_EQ(p.url, "https://example.test/miraDot-Setup-0.2.1.exe");
    EXPECT_EQ(p.digest, DIGEST);
    EXPECT_EQ(p.size, 1234u);
    EXPECT_EQ(p.notes, u"Sửa lỗi");
}

TEST(ParseManifest, TakesTheRootVersionWhenTheEntryHasNone)
{
    std::string without = R"("url":"https://x.test/a","sha256":")" + DIGEST + R"(")";
    EXPECT_EQ(parse(manifest_with(without)).version, "0.2.0");
    EXPECT_EQ(parse(manifest_with(R"("version":"",)" + without)).version, "0.2.0");
    EXPECT_FALSE(parse(manifest_with(without, "")).ok);
}

TEST(ParseManifest, SkipsUnknownMembersOfEveryKindAndTakesTheLaterDuplicate)
{
    std::string text = R"( {"x":[],"y":{},"z":[1,-2.5e+3,true,false,null,"s\"",{"k":[{}]}],"version":"9.9",)"
                       R"("files":{"linux":{"url":5},"windows":{"version":"0.3","size":7,"extra":"e",)"
                       R"("url":"https://a.test/1","sha256":")"
                       + DIGEST
                       + R"(","version":"0.4","size":0}},"notes_vi":"a","notes_vi":"b"} )"
                         "\r\n\t";
    Parsed p = parse(text);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.version, "0.4");
    EXPECT_EQ(p.size, 0u);
    EXPECT_EQ(p.notes, u"b");
}

TEST(ParseManifest, RefusesWhatBreaksAnyRule)
{
    std::string base = manifest_with(good_windows());
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"only whitespace", " \n\t\r"},
        {"byte-order mark", "\xEF\xBB\xBF" + base},
        {"array at the root", "[" + base + "]"},
        {"text after the closing brace", base + "x"},
        {"second object after it", base + "{}"},
        {"empty root object", "{}"},
        {"no files", R"({"version":"1.0"})"},
        {"files not an object", R"({"files":[]})"},
        {"files without windows", R"({"files":{"linux":{}}})"},
        {"windows not an object", R"({"files":{"windows":"x"}})"},
        {"upper-case digest", manifest_with(R"("url":"https://x.test/a","sha256":")" + std::string(64, 'A') + "\"")},
        {"digest of 63 digits", manifest_with(R"("url":"https://x.test/a","sha256":")" + std::string(63, 'a') + "\"")},
        {"digest of 65 digits", manifest_with(R"("url":"https://x.test/a","sha256":")" + std::string(65, 'a') + "\"")},
        {"no digest", manifest_with(R"("url":"https://x.test/a")")},
        {"plain http url", manifest_with(R"("url":"http://x.test/a","sha256":")" + DIGEST + "\"")},
        {"upper-case scheme", manifest_with(R"("url":"HTTPS://x.test/a","sha256":")" + DIGEST + "\"")},
        {"url over 511 bytes",
         manifest_with(R"("url":"https://)" + std::string(510, 'u') + R"(","sha256":")" + DIGEST + "\"")},
        {"size -1", manifest_with(good_windows() + R"(,"size":-1)")},
        {"size 1.0", manifest_with(good_windows() + R"(,"size":1.0)")},
        {"size 1e6", manifest_with(good_windows() + R"(,"size":1e6)")},
        {"size as text", manifest_with(good_windows() + R"(,"size":"5")")},
        {"size over the plain limit", manifest_with(good_windows() + R"(,"size":100000000000000)")},
        {"version 1234567.0", manifest_with(R"("version":"1234567.0",)" + good_windows().substr(18))},
        {"version with a letter", manifest_with(R"("version":"v1.2",)" + good_windows().substr(18))},
        {"single component", manifest_with(R"("version":"2",)" + good_windows().substr(18))},
        {"version cut to fit",
         manifest_with(R"("version":"123456.123456.123456.123456",)" + good_windows().substr(18))},
        {"version not a string", manifest_with(R"("version":1.2,)" + good_windows().substr(18))},
        {"no version anywhere", manifest_with(good_windows().substr(18), "")},
        {"lone high surrogate", manifest_with(good_windows(), R"("notes_vi":"\ud83d",)")},
        {"high surrogate then letter", manifest_with(good_windows(), R"("notes_vi":"\ud83dx",)")},
        {"high surrogate then high", manifest_with(good_windows(), R"("notes_vi":"\ud83d\ud83d",)")},
        {"short \\u escape", manifest_with(good_windows(), R"("notes_vi":"\u12",)")},
        {"unknown escape", manifest_with(good_windows(), R"("notes_vi":"\x41",)")},
        {"raw control byte", manifest_with(good_windows(), "\"notes_vi\":\"a\tb\",")},
        {"unterminated string", R"({"version":"1.2)"},
        {"trailing comma", manifest_with(good_windows() + ",")},
        {"missing colon", manifest_with(good_windows(), R"("x" 1,)")},
        {"bare word", manifest_with(good_windows(), R"("x":maybe,)")},
        {"truncated word", manifest_with(good_windows(), R"("x":tru,)")},
        {"number without digits", manifest_with(good_windows(), R"("x":-,)")},
        {"seventeen levels", manifest_with(good_windows(), nested(16))},
        {"single quotes", manifest_with(good_windows(), R"('x':1,)")},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.text);
        EXPECT_FALSE(p.ok) << c.name;
        EXPECT_EQ(p.version, "") << c.name;
        EXPECT_EQ(p.url, "") << c.name;
        EXPECT_EQ(p.digest, "") << c.name;
        EXPECT_EQ(p.notes, u"") << c.name;
    }
}

TEST(ParseManifest, SixteenLevelsWithTheRootCountedAreRead)
{
    // The root is level 1; "files" and "windows" are levels 2 and 3.
    EXPECT_TRUE(parse(manifest_with(good_windows(), nested(15))).ok);
    EXPECT_TRUE(parse(manifest_with(good_windows() + R"(,"d":)" + std::string(13, '[') + std::string(13, ']'))).ok);
    EXPECT_FALSE(parse(manifest_with(good_windows() + R"(,"d":)" + std::string(14, '[') + std::string(14, ']'))).ok);
}

TEST(ParseManifest, EveryPrefixOfAGoodManifestIsRefused)
{
    std::string text = manifest_with(good_windows(), R"("notes_vi":"\ud83d\ude00 \u00e9",)");
    ASSERT_TRUE(parse(text).ok);
    for (size_t n = 0; n < text.size(); ++n)
        EXPECT_FALSE(parse(text.substr(0, n)).ok) << n;
}

TEST(ParseManifest, StringEscapesAndSurrogatePairs)
{
    struct Case {
        const char* json;
        std::u16string notes;
    } cases[] = {
        {R"(\ud83d\ude00)", u"\U0001F600"},          {R"(\uD83D\uDE00)", u"\U0001F600"},
        {R"(\"\\\/\b\f\n\r\t)", u"\"\\/\b\f\n\r\t"}, {R"(\u00e9\u1EA1)", u"éạ"},
        {R"(\ude00)", u"\uFFFD\uFFFD\uFFFD"},  // kept as its three bytes, which are not UTF-8
        {"caf\xC3\xA9 \xFF", u"café \uFFFD"},
    };
    for (const Case& c : cases) {
        Parsed p = parse(manifest_with(good_windows(), std::string(R"("notes_vi":")") + c.json + "\","));
        ASSERT_TRUE(p.ok) << c.json;
        EXPECT_EQ(p.notes, c.notes) << c.json;
    }
}

TEST(ParseManifest, SizeTakesPlainIntegersUpToTheLimit)
{
    struct Case {
        const char* size;
        uint64_t value;
    } cases[] = {
        {"0", 0}, {"209715200", 209715200}, {"1000000000000", 1000000000000ull}, {"9999999999999", 9999999999999ull}};
    for (const Case& c : cases) {
        Parsed p = parse(manifest_with(good_windows() + R"(,"size":)" + c.size));
        ASSERT_TRUE(p.ok) << c.size;
        EXPECT_EQ(p.size, c.value) << c.size;
    }
}

TEST(ParseManifest, NotesAreCutTo500UnitsAndToTheCallersBuffer)
{
    std::string long_notes = R"("notes_vi":")" + std::string(520, 'n') + "\",";
    EXPECT_EQ(parse(manifest_with(good_windows(), long_notes)).notes, std::u16string(500, u'n'));
    EXPECT_EQ(parse(manifest_with(good_windows(), long_notes), 11).notes, std::u16string(10, u'n'));
    // A pair straddling unit 500 is dropped whole.
    std::string straddle = R"("notes_vi":")" + std::string(499, 'n') + R"(\ud83d\ude00")" + ",";
    EXPECT_EQ(parse(manifest_with(good_windows(), straddle)).notes, std::u16string(499, u'n'));
    // Notes that do not fit the 600-unit conversion are left out.
    std::string huge = R"("notes_vi":")" + std::string(700, 'n') + "\",";
    Parsed p = parse(manifest_with(good_windows(), huge));
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.notes, u"");
    // Without a notes buffer the rest is still read.
    char version[24], url[512], digest[65];
    uint64_t size;
    std::string text = manifest_with(good_windows());
    EXPECT_TRUE(parse_manifest(text.data(), text.size(), version, url, digest, &size, nullptr, 0));
}

std::string model_file(const std::string& name, const std::string& size, const std::string& digest = DIGEST)
{
    return R"({"name":")" + name + R"(","size":)" + size + R"(,"sha256":")" + digest + R"("})";
}

std::vector<ManifestModel> models_of(const std::string& models, bool* ok = nullptr)
{
    const std::string text = manifest_with(good_windows(), R"("version":"0.2.0","models":{)" + models + "},");
    std::vector<ManifestModel> read;
    const bool parsed = parse_manifest_models(text.data(), text.size(), read);
    if (ok)
        *ok = parsed;
    return read;
}

TEST(ParseManifestModels, ReadsEachModelsRevisionAndFiles)
{
    const std::string revision(40, 'c');
    bool ok = false;
    std::vector<ManifestModel> models
        = models_of(R"("en-de":{"revision":")" + revision + R"(","files":[)" + model_file("config.json", "223") + ","
                        + model_file("model.bin", "362711081") + R"(],"note":[1,{"x":null}]},"de-en":{"files":[)"
                        + model_file("model.bin", "9") + R"(],"revision":")" + revision + R"("})",
                    &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(models.size(), 2u);
    EXPECT_EQ(models[0].name, "en-de");
    EXPECT_EQ(models[0].revision, revision);
    ASSERT_EQ(models[0].files.size(), 2u);
    EXPECT_EQ(models[0].files[1].name, "model.bin");
    EXPECT_EQ(models[0].files[1].size, 362711081u);
    EXPECT_EQ(models[0].files[1].sha256, DIGEST);
    EXPECT_EQ(models[1].name, "de-en");

    // Without a "models" member there are none, and the manifest is still good.
    const std::string plain = manifest_with(good_windows());
    EXPECT_TRUE(parse_manifest_models(plain.data(), plain.size(), models));
    EXPECT_TRUE(models.empty());
}

TEST(ParseManifestModels, AModelWithAnyBadFieldIsLeftOutWhole)
{
    const std::string revision = R"("revision":")" + std::string(40, 'c') + R"(",)";
    const std::string good = model_file("model.bin", "9");
    struct Case {
        const char* name;
        std::string body;
    } cases[] = {
        {"short revision", R"("revision":"abc","files":[)" + good + "]"},
        {"upper-case revision", R"("revision":")" + std::string(40, 'C') + R"(","files":[)" + good + "]"},
        {"no revision", R"("files":[)" + good + "]"},
        {"no files", revision + R"("files":[])"},
        {"files not a list", revision + R"("files":{})"},
        {"a path in the name", revision + R"("files":[)" + model_file("..\\\\model.bin", "9") + "]"},
        {"a folder in the name", revision + R"("files":[)" + model_file("a/model.bin", "9") + "]"},
        {"a dot-dot name", revision + R"("files":[)" + model_file("..", "9") + "]"},
        {"size zero", revision + R"("files":[)" + model_file("model.bin", "0") + "]"},
        {"size not plain", revision + R"("files":[)" + model_file("model.bin", "1e3") + "]"},
        {"size as text", revision + R"("files":[)" + model_file("model.bin", R"("9")") + "]"},
        {"upper-case digest", revision + R"("files":[)" + model_file("model.bin", "9", std::string(64, 'A')) + "]"},
        {"short digest", revision + R"("files":[)" + model_file("model.bin", "9", "abc") + "]"},
        {"good file, then one without a name",
         revision + R"("files":[)" + good + R"(,{"size":9,"sha256":")" + DIGEST + R"("}])"},
    };
    for (const Case& c : cases) {
        bool ok = false;
        std::vector<ManifestModel> models
            = models_of(R"("en-de":{)" + c.body + R"(},"de-en":{)" + revision + R"("files":[)" + good + "]}", &ok);
        EXPECT_TRUE(ok) << c.name;
        ASSERT_EQ(models.size(), 1u) << c.name;
        EXPECT_EQ(models[0].name, "de-en") << c.name;
    }
    // A manifest that breaks the reader's rules brings no models at all.
    std::vector<ManifestModel> models;
    const std::string broken
        = R"({"models":{"en-de":{"revision":")" + std::string(40, 'c') + R"(","files":[)" + good + "]}}}";
    EXPECT_FALSE(parse_manifest_models(broken.data(), broken.size(), models)) << "no Windows entry";
    EXPECT_TRUE(models.empty());
}

TEST(DecodePublicKey, StandardBase64Of32Bytes)
{
    unsigned char key[32];
    EXPECT_TRUE(decode_public_key("AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=", key));
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(key[i], i);
    EXPECT_TRUE(decode_public_key("AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8", key));
    const char* bad[] = {
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8A=",  // 33 bytes
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHg==",   // 31 bytes
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwd-h8=",   // URL-safe alphabet
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYX GBkaGxwdHh8=",  // space
        "",
    };
    for (const char* text : bad)
        EXPECT_FALSE(decode_public_key(text, key)) << text;
}

class ManifestSignature : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GE(sodium_init(), 0);
        crypto_sign_keypair(public_key, secret_key);
    }
    std::string sign(const std::string& text)
    {
        std::string signature(64, 0);
        crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char*>(text.data()), text.size(), secret_key);
        return signature;
    }
    bool valid(const std::string& text, const std::string& signature)
    {
        return manifest_signature_valid(text.data(), text.size(), signature.data(), signature.size(), public_key);
    }
    unsigned char public_key[32], secret_key[64];
};

TEST_F(ManifestSignature, OnlyTheExactBytesWithTheirOwnSignaturePass)
{
    std::string text = "{\"version\":\"1.0\"}\n";
    std::string signature = sign(text);
    EXPECT_TRUE(valid(text, signature));
    EXPECT_FALSE(valid("{\"version\":\"1.0\"}\r\n", signature));  // another line ending
    EXPECT_FALSE(valid(text.substr(0, text.size() - 1), signature));
    std::string flipped = signature;
    flipped[10] ^= 1;
    EXPECT_FALSE(valid(text, flipped));
    EXPECT_FALSE(valid(text, signature.substr(0, 63)));
    EXPECT_FALSE(valid(text, signature + "x"));
    unsigned char other_public[32], other_secret[64];
    crypto_sign_keypair(other_public, other_secret);
    EXPECT_FALSE(manifest_signature_valid(text.data(), text.size(), signature.data(), 64, other_public));
}

}  // namespace
