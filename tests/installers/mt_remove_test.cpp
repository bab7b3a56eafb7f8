#include <windows.h>

#include <gtest/gtest.h>

#include "installer_fixture.h"
#include "outcome_texts.h"
#include "mt_models.h"
#include "service_process.h"
#include "temp_folder.h"

namespace {

class RemoveLanguage : public testing::Test {
protected:
    RemoveLanguage() : folder(L"mt-remove"), home((folder.path() / "home").wstring())
    {
        environment.set(L"MIRADOT_MT_HOME", home);
        environment.set(L"MIRADOT_MT_TAG", L"removetest");
        for (const char* model : {"en-fr", "fr-en", "en-vi", "vi-en"}) {
            folder.write(std::string("home/") + model + "/model.bin", std::string(1500000, 'm'));
            folder.write(std::string("home/") + model + "/config.json", std::string(223, 'c'));
        }
    }

    std::filesystem::path weights(const char* model) { return std::filesystem::path(home) / model / "model.bin"; }

    TempFolder folder;
    ScopedEnvironment environment;
    std::wstring home;
};

TEST_F(RemoveLanguage, DeletesBothModelsAndReportsTheSpaceRegained)
{
    EXPECT_TRUE(is_language_installed(home, "fr"));
    WorkerReport removed = remove_language("fr");
    EXPECT_EQ(removed.outcome, Outcome::Done);
    EXPECT_EQ(removed.text, L"Đã gỡ, lấy lại khoảng 3 MB");
    EXPECT_FALSE(is_language_installed(home, "fr"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(home) / "en-fr"));
    EXPECT_TRUE(is_language_installed(home, "vi")) << "other packs stay";
    std::filesystem::remove_all(std::filesystem::path(home) / "vi-en");
    EXPECT_FALSE(is_language_installed(home, "vi")) << "one direction is no pack";
    removed = remove_language("vi");
    EXPECT_EQ(removed.outcome, Outcome::Done) << "a half pack is removed too";
    EXPECT_EQ(removed.text, L"Đã gỡ, lấy lại khoảng 2 MB");
}

TEST_F(RemoveLanguage, AServiceHoldingTheModelIsAskedToUnloadThenToQuit)
{
    struct Case {
        const char* name;
        const wchar_t* mode;
        bool removed;
    };
    const Case cases[] = {
        {"service that frees its models on unload", L"unloads", true},
        {"service that frees them only when it quits", L"quits", true},
        {"service that keeps them", L"stays", false},
    };
    for (const Case& c : cases) {
        folder.write("home/en-fr/model.bin", "m");
        ServiceProcess service(weights("en-fr").wstring(), c.mode);
        ASSERT_TRUE(service.ready()) << c.name;
        const Outcome outcome = remove_language("fr").outcome;
        if (c.removed) {
            EXPECT_EQ(outcome, Outcome::Done) << c.name;
            EXPECT_FALSE(std::filesystem::exists(weights("en-fr"))) << c.name;
        } else {
            EXPECT_EQ(outcome, Outcome::ModelInUse) << c.name;
            EXPECT_TRUE(std::filesystem::exists(weights("en-fr"))) << c.name;
        }
    }
}

}  // namespace
