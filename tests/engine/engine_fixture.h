// Shared set-up for engine tests: the lexicon tables are process-wide, so
// every test starts and ends with them empty.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

#include "lexicon.h"

inline void clear_all_tables()
{
    for (miradot::Table table : miradot::ALL_TABLES)
        miradot::lex_clear(table);
}

class EngineTablesTest : public ::testing::Test {
protected:
    void SetUp() override { clear_all_tables(); }
    void TearDown() override
    {
        clear_all_tables();
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }

    // A fresh folder for this test, holding the given files.
    std::string make_dir(std::initializer_list<std::pair<const char*, std::string>> files = {})
    {
        if (dir_.empty()) {
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            dir_ = std::filesystem::temp_directory_path()
                   / (std::string("miradot-") + info->test_suite_name() + "-" + info->name());
            std::filesystem::remove_all(dir_);
            std::filesystem::create_directories(dir_);
        }
        for (const auto& [name, content] : files)
            write_file(name, content);
        return dir_.string();
    }

    void write_file(const char* name, const std::string& content)
    {
        std::ofstream(dir_ / name, std::ios::binary) << content;
    }

    std::string path(const char* name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};
