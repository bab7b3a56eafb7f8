// A throwaway folder and environment variables for tests that touch files.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class TestFolder {
public:
    TestFolder()
    {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("miradot-voice-test-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TestFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path write(const std::filesystem::path& name, const std::string& content)
    {
        std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

private:
    std::filesystem::path path_;
};

inline void set_env(const char* name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

inline void unset_env(const char* name)
{
#ifdef _WIN32
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

inline std::string utf8_path(const std::filesystem::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
