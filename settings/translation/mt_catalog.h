// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
// The table of translation languages, their models and the models' files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "update_manifest.h"

struct LanguageRow {
    const char* code;
    const wchar_t* name;  // "Tiếng Việt"
    int megabytes;        // both models' bytes, in decimal megabytes
    const char* script;   // ISO 15924, for the badge colour
};

// One file of a model. A row whose size or digest the hub's listing did not
// give is unknown (size 0, digest ""): the model cannot be installed.
struct ModelFile {
    std::string name;
    uint64_t size;
    std::string sha256;
};

struct ModelRow {
    std::string name;        // "en-vi", "vi-en"
    std::string repository;  // "quickmt/quickmt-en-vi"
    std::string revision;    // 40 hex digits
    uint64_t bytes;          // all its files together
    std::vector<ModelFile> files;
};

// The models an install job and the languages dialog work from: two per
// language in table order ("en-%s" first).
struct ModelCatalog {
    std::vector<ModelRow> models;
};

constexpr int LANGUAGE_COUNT = 29;

const LanguageRow& language_row(int index);

// The row number of a language code, or -1.
int find_language(const std::string& code);

// The rows built into the program.
const ModelCatalog& built_in_catalog();

// The built-in catalogue with each model that a signed manifest published in
// place of the built-in row of the same name (its revision and files);
// published models that no language of the table has are left out.
ModelCatalog catalog_with(const std::vector<ManifestModel>& published);

// The model "en-<code>" or "<code>-en"; nullptr when the catalogue has none.
const ModelRow* find_model(const ModelCatalog& catalog, const std::string& name);

// Every file row of the model has a size and a digest.
bool model_verifiable(const ModelRow& model);

// The table name with its first "T" lowered ("tiếng Trung"), at most 47
// characters; an unknown code as itself.
std::wstring language_display_name(const std::string& code);
