#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "mt_catalog.h"

namespace {

TEST(LanguageTable, EveryLanguageHasItsTwoModelsAndTheirSizeAddsUp)
{
    const std::vector<ModelRow>& rows = built_in_catalog().models;
    ASSERT_EQ(rows.size(), 2u * LANGUAGE_COUNT);
    size_t fileRows = 0;
    for (int i = 0; i < LANGUAGE_COUNT; ++i) {
        const LanguageRow& language = language_row(i);
        const ModelRow& to = rows[2 * i];
        const ModelRow& from = rows[2 * i + 1];
        EXPECT_EQ(to.name, "en-" + std::string(language.code));
        EXPECT_EQ(from.name, std::string(language.code) + "-en");
        EXPECT_EQ(find_model(built_in_catalog(), to.name), &to);
        EXPECT_EQ(find_language(language.code), i);
        EXPECT_EQ(language.megabytes, std::llround((to.bytes + from.bytes) / 1e6)) << language.code;
        EXPECT_EQ(strlen(language.script), 4u);
        for (const ModelRow* model : {&to, &from}) {
            EXPECT_EQ(model->repository, "quickmt/quickmt-" + model->name);
            EXPECT_EQ(model->revision.size(), 40u);
            EXPECT_EQ(model->files.back().name, std::string("model.bin"));
            EXPECT_EQ(model->files.size(), model->name == "en-fr" ? 4u : 6u) << model->name;
            fileRows += model->files.size();
        }
    }
    EXPECT_EQ(fileRows, 346u);
    EXPECT_EQ(find_language("xx"), -1);
    EXPECT_EQ(find_model(built_in_catalog(), "en-xx"), nullptr);
}

TEST(LanguageTable, OnlyModelsWithEveryFileKnownAreVerifiableAndTheirFilesMakeTheirSize)
{
    std::vector<std::string> verifiable;
    for (const ModelRow& model : built_in_catalog().models) {
        uint64_t total = 0;
        for (const ModelFile& file : model.files) {
            total += file.size;
            EXPECT_EQ(file.size == 0, file.sha256.empty()) << model.name << " " << file.name;
            if (file.size)
                EXPECT_EQ(file.sha256.size(), 64u) << model.name << " " << file.name;
        }
        if (!model_verifiable(model))
            continue;
        verifiable.push_back(model.name);
        EXPECT_EQ(total, model.bytes) << model.name;
    }
    EXPECT_EQ(verifiable, (std::vector<std::string>{"en-vi", "vi-en", "en-fr"}));
    EXPECT_EQ(find_model(built_in_catalog(), "en-de")->files[0].size, 223u) << "the shared config.json";
}

// Rows of a signed manifest stand in for the built-in ones of the same model,
// revision and files alike; the table's languages stay as they are.
TEST(LanguageTable, PublishedModelsTakeThePlaceOfTheBuiltInRows)
{
    const std::string digest(64, 'a');
    const std::string revision(40, 'b');
    std::vector<ManifestModel> published = {
        {"de-en", revision, {{"config.json", 223, digest}, {"model.bin", 1000, digest}}},
        {"en-xx", revision, {{"model.bin", 5, digest}}},
    };
    const ModelCatalog catalog = catalog_with(published);
    ASSERT_EQ(catalog.models.size(), 2u * LANGUAGE_COUNT) << "no model of an unknown language";
    const ModelRow& german = *find_model(catalog, "de-en");
    EXPECT_EQ(german.revision, revision);
    EXPECT_EQ(german.repository, "quickmt/quickmt-de-en");
    ASSERT_EQ(german.files.size(), 2u);
    EXPECT_EQ(german.files[1].name, "model.bin");
    EXPECT_EQ(german.bytes, 1223u);
    EXPECT_TRUE(model_verifiable(german));
    EXPECT_FALSE(model_verifiable(*find_model(catalog, "en-de"))) << "its other direction is still unknown";
    EXPECT_EQ(find_model(catalog, "en-vi")->revision, find_model(built_in_catalog(), "en-vi")->revision);
}

TEST(LanguageTable, DisplayNamesLowerTheFirstLetter)
{
    EXPECT_EQ(language_display_name("zh"), L"tiếng Trung");
    EXPECT_EQ(language_display_name("es"), L"tiếng Tây Ban Nha");
    EXPECT_EQ(language_display_name("xx"), L"xx");
}

}  // namespace
