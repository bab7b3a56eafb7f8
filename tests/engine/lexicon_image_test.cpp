#include "lexicon_image.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engine.h"
#include "engine_fixture.h"
#include "lexicon.h"

using namespace miradot;

namespace {

using Entry = std::tuple<std::string, std::string, uint32_t>;

struct TableContent {
    uint64_t capacity = 0, size = 0, total = 0;
    std::vector<Entry> slots;  // in slot order
    bool operator==(const TableContent&) const = default;
};

std::map<Table, TableContent> all_tables()
{
    std::map<Table, TableContent> tables;
    for (Table table : LEX_IMAGE_TABLE_ORDER) {
        TableContent& content = tables[table];
        const LexiconTable* t = lex_table(table);
        content.capacity = t->capacity;
        content.size = t->size;
        content.total = t->total;
        lex_for_each(
            table,
            [](const char* key, const char* value, uint32_t count, void* user) {
                static_cast<std::vector<Entry>*>(user)->emplace_back(key, value ? value : "<none>", count);
            },
            &content.slots);
    }
    return tables;
}

bool from_image() { return lex_table(Table::English)->imageSlots != nullptr; }

std::vector<unsigned char> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

LexImageHeader header_of(const std::vector<unsigned char>& image)
{
    LexImageHeader header;
    std::memcpy(&header, image.data(), sizeof header);
    return header;
}

// Writes the header back with a checksum that fits the bytes, so that only
// the damage itself is left to find.
void reseal(std::vector<unsigned char>* image, LexImageHeader header)
{
    constexpr size_t from = offsetof(LexImageHeader, checksum) + sizeof(uint64_t);
    std::memcpy(image->data(), &header, sizeof header);
    header.checksum = lex_checksum(image->data() + from, image->size() - from);
    std::memcpy(image->data(), &header, sizeof header);
}

const char* const SMALL_FILES[][2] = {
    {"vi.tsv", "việt\t50\nnam\ncafé\t3\n"},
    {"vi_freq.tsv", "#total\t1000\nviệt\t700\nnam\t300\nok\t90\n"},
    {"en.tsv", "hello\t5\nworld\t3\n"},
    {"corrections.tsv", "ko\tkhông\n"},
    {"corrections_ctx.tsv", "sữa chữa\tsửa chữa\n"},
    {"corrections_keep.tsv", "uống sữa\t4\n"},
    {"shorthand.tsv", "dc\tđược\tB\nbare\n"},
};

class LexiconImage : public EngineTablesTest {
protected:
    // A folder holding the small files and their image; returns the entries
    // of parsing the files and keeps their tables in parsed_.
    int make_folder()
    {
        dir_ = make_dir();
        for (const auto& file : SMALL_FILES)
            write_file(file[0], file[1]);
        int entries = engine_load_data(dir_.c_str());
        parsed_ = all_tables();
        EXPECT_EQ(lex_image_write(dir_.c_str(), image_path().c_str()), 1);
        clear_all_tables();
        return entries;
    }

    std::string image_path() const { return path(LEX_IMAGE_NAME); }

    std::string dir_;
    std::map<Table, TableContent> parsed_;
};

TEST_F(LexiconImage, HoldsTheTablesTheFilesGiveSlotForSlot)
{
    int entries = make_folder();
    EXPECT_EQ(engine_load_data(dir_.c_str()), entries);
    EXPECT_EQ(engine_data_problem(), nullptr);
    EXPECT_TRUE(from_image());
    EXPECT_EQ(all_tables(), parsed_);
    EXPECT_EQ(lex_count(Table::Syllables, "việt"), 700u);
    EXPECT_STREQ(lex_correction("sữa chữa"), "sửa chữa");
    EXPECT_STREQ(lex_value(Table::Shorthand, "bare"), "");
    EXPECT_EQ(lex_value(Table::English, "hello"), nullptr);
    EXPECT_FALSE(lex_contains(Table::English, "nothing"));
}

TEST_F(LexiconImage, TheShippedImageHoldsWhatTheShippedFilesGive)
{
    ASSERT_GT(engine_load_data(MIRADOT_DATA_DIR), 0);
    ASSERT_FALSE(from_image());
    auto parsed = all_tables();
    clear_all_tables();
    ASSERT_GT(engine_load_data(MIRADOT_LEXICON_DIR), 0);
    EXPECT_EQ(engine_data_problem(), nullptr);
    EXPECT_TRUE(from_image());
    EXPECT_EQ(all_tables(), parsed);
}

TEST_F(LexiconImage, ATableOfTheImageIsCopiedBeforeItChanges)
{
    int entries = make_folder();
    engine_load_data(dir_.c_str());
    ASSERT_TRUE(from_image());
    EXPECT_EQ(lex_add(Table::English, "new", nullptr, 2), 1);
    EXPECT_EQ(lex_table(Table::English)->imageSlots, nullptr);
    EXPECT_EQ(lex_raw_count(Table::English, "new"), 2u);
    EXPECT_EQ(lex_raw_count(Table::English, "hello"), 5u);
    EXPECT_EQ(lex_total(Table::English), 10u);
    EXPECT_NE(lex_table(Table::Syllables)->imageSlots, nullptr);  // the others stay mapped

    // Loading into tables that hold something merges, as only the files can.
    lex_parse_file(Table::Corrections, "a\tb\n", 4);
    EXPECT_EQ(engine_load_data(dir_.c_str()), entries);
    EXPECT_EQ(lex_table(Table::Syllables)->imageSlots, nullptr);
    EXPECT_EQ(lex_raw_count(Table::English, "new"), 2u);
    EXPECT_STREQ(lex_correction("a"), "b");
}

TEST_F(LexiconImage, IsSetAsideWhenTheFilesChangedSinceItWasMade)
{
    make_folder();
    // Same bytes, another time: a copied file; the image still holds.
    auto later = std::filesystem::last_write_time(path("en.tsv")) + std::chrono::hours(1);
    std::filesystem::last_write_time(path("en.tsv"), later);
    engine_load_data(dir_.c_str());
    EXPECT_TRUE(from_image());
    clear_all_tables();

    struct Change {
        const char* what;
        std::function<void()> make;
    } changes[] = {
        {"edited", [&] { write_file("en.tsv", "hello\t6\nworld\t3\n"); }},
        {"grown", [&] { write_file("en.tsv", "hello\t5\nworld\t3\nmore\t1\n"); }},
        {"removed", [&] { std::filesystem::remove(path("shorthand.tsv")); }},
    };
    for (const auto& change : changes) {
        make_folder();
        change.make();
        int entries = engine_load_data(dir_.c_str());
        ASSERT_NE(engine_data_problem(), nullptr) << change.what;
        EXPECT_NE(std::string(engine_data_problem()).find("made from another version of"), std::string::npos)
            << change.what;
        EXPECT_FALSE(from_image()) << change.what;
        auto fromFiles = all_tables();
        clear_all_tables();
        std::filesystem::remove(image_path());
        EXPECT_EQ(engine_load_data(dir_.c_str()), entries) << change.what;
        EXPECT_EQ(all_tables(), fromFiles) << change.what;
        clear_all_tables();
    }
}

TEST_F(LexiconImage, ADamagedImageIsRefusedWholeAndTheFilesAreRead)
{
    struct Damage {
        const char* what;
        const char* problem;
        std::function<void(std::vector<unsigned char>*)> apply;
    };
    const Damage damages[] = {
        {"cut to a few bytes", "truncated", [](auto* image) { image->resize(12); }},
        {"cut in half", "truncated", [](auto* image) { image->resize(image->size() / 2); }},
        {"not an image", "not a lexicon image", [](auto* image) { (*image)[0] = 'X'; }},
        {"another version", "wrong version",
         [](auto* image) {
             auto header = header_of(*image);
             header.version = LEX_IMAGE_VERSION + 1;
             reseal(image, header);
         }},
        {"a byte changed", "wrong checksum", [](auto* image) { image->back() ^= 0x40; }},
        {"bytes appended", "wrong size", [](auto* image) { image->insert(image->end(), 8, 0); }},
        {"capacity not a power of two", "capacity is not a power of two",
         [](auto* image) {
             auto header = header_of(*image);
             header.tables[4].capacity = 1000;
             reseal(image, header);
         }},
        {"slots beyond the end", "a table offset out of range",
         [](auto* image) {
             auto header = header_of(*image);
             header.tables[4].slotsOffset = image->size() - 8;
             reseal(image, header);
         }},
        {"strings beyond the end", "a string offset out of range",
         [](auto* image) {
             auto header = header_of(*image);
             header.stringsBytes = image->size();
             reseal(image, header);
         }},
        {"an entry beyond the strings", "an entry offset out of range",
         [](auto* image) {
             auto header = header_of(*image);
             auto* slots = reinterpret_cast<uint32_t*>(image->data() + header.tables[4].slotsOffset);
             for (uint64_t i = 0; i < header.tables[4].capacity; ++i) {
                 if (slots[i])
                     slots[i] = 0xFFFFFFF0u;
             }
             reseal(image, header);
         }},
        {"a value beyond the strings", "a string offset out of range",
         [](auto* image) {
             auto header = header_of(*image);
             const LexImageTable& corrections = header.tables[5];
             ASSERT_TRUE(corrections.hasValues);
             auto* slots = reinterpret_cast<uint32_t*>(image->data() + corrections.slotsOffset);
             for (uint64_t i = 0; i < corrections.capacity; ++i) {
                 if (slots[i]) {
                     auto* entry = reinterpret_cast<LexImageEntry*>(image->data() + header.stringsOffset + slots[i]);
                     entry->value = static_cast<uint32_t>(header.stringsBytes);
                 }
             }
             reseal(image, header);
         }},
        {"a size that does not match the slots", "does not match its slots",
         [](auto* image) {
             auto header = header_of(*image);
             header.tables[4].size += 1;
             reseal(image, header);
         }},
    };
    int entries = make_folder();
    const auto whole = read_bytes(image_path());
    for (const auto& damage : damages) {
        auto image = whole;
        damage.apply(&image);
        write_bytes(image_path(), image);
        EXPECT_EQ(engine_load_data(dir_.c_str()), entries) << damage.what;
        const char* problem = engine_data_problem();
        ASSERT_NE(problem, nullptr) << damage.what;
        EXPECT_NE(std::string(problem).find(damage.problem), std::string::npos) << damage.what << ": " << problem;
        EXPECT_FALSE(from_image()) << damage.what;
        EXPECT_EQ(all_tables(), parsed_) << damage.what;
        clear_all_tables();
    }
}

TEST_F(LexiconImage, AFolderWithoutAnImageIsReadQuietly)
{
    dir_ = make_dir({{"en.tsv", "hello\t5\n"}});
    EXPECT_EQ(engine_load_data(dir_.c_str()), 1);
    EXPECT_EQ(engine_data_problem(), nullptr);
    EXPECT_FALSE(from_image());
    EXPECT_EQ(lex_image_write((dir_ + "/empty").c_str(), (dir_ + "/x.img").c_str()), 0);
}

}  // namespace
