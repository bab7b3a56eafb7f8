#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "mt_catalog.h"

namespace {

TEST(LanguageTable, EveryLanguageHasItsTwoModelsAndTheirSizeAddsUp)
{
    ASSERT_EQ(model_rows().size(), 2u * LANGUAGE_COUNT);
    size_t fileRows = 0;
    for (int i = 0; i < LANGUAGE_COUNT; ++i) {
        const LanguageRow& language = language_row(i);
        const ModelRow& to = model_rows()[2 * i];
        const ModelRow& from = model_rows()[2 * i + 1];
        EXPECT_EQ(to.name, "en-" + std::string(language.code));
        EXPECT_EQ(from.name, std::string(language.code) + "-en");
        EXPECT_EQ(find_model(to.name), &to);
        EXPECT_EQ(find_language(language.code), i);
        EXPECT_EQ(language.megabytes, std::llround((to.bytes + from.bytes) / 1e6)) << language.code;
        EXPECT_EQ(strlen(language.script), 4u);
        for (const ModelRow* model : {&to, &from}) {
            EXPECT_EQ(model->repository, "quickmt/quickmt-" + model->name);
            EXPECT_EQ(strlen(model->revision), 40u);
            EXPECT_EQ(model->files.back().name, std::string("model.bin"));
            EXPECT_EQ(model->files.size(), model->name == "en-fr" ? 4u : 6u) << model->name;
            fileRows += model->files.size();
        }
    }
    EXPECT_EQ(fileRows, 346u);
    EXPECT_EQ(find_language("xx"), -1);
    EXPECT_EQ(find_model("en-xx"), nullptr);
}

TEST(LanguageTable, OnlyModelsWithEveryFileKnownAreVerifiableAndTheirFilesMakeTheirSize)
{
    std::vector<std::string> verifiable;
    for (const ModelRow& model : model_rows()) {
        uint64_t total = 0;
        for (const ModelFile& file : model.files) {
            total += file.size;
            EXPECT_EQ(file.size == 0, file.sha256[0] == '\0') << model.name << " " << file.name;
            if (file.size)
                EXPECT_EQ(strlen(file.sha256), 64u) << model.name << " " << file.name;
        }
        if (!model_verifiable(model))
            continue;
        verifiable.push_back(model.name);
        EXPECT_EQ(total, model.bytes) << model.name;
    }
    EXPECT_EQ(verifiable, (std::vector<std::string>{"en-vi", "vi-en", "en-fr"}));
    EXPECT_EQ(find_model("en-de")->files[0].size, 223u) << "the shared config.json";
}

TEST(LanguageTable, DisplayNamesLowerTheFirstLetter)
{
    EXPECT_EQ(language_display_name("zh"), L"tiếng Trung");
    EXPECT_EQ(language_display_name("es"), L"tiếng Tây Ban Nha");
    EXPECT_EQ(language_display_name("xx"), L"xx");
}

}  // namespace
