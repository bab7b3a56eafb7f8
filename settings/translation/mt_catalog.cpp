// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
// The 29 translation languages and their 58 models, as published on the
// model hub at pinned revisions.
#include "mt_catalog.h"

#include <cstring>

namespace {

struct ModelPair {
    const char* code;
    const char* toRevision;  // "en-%s"
    uint64_t toBytes;
    const char* fromRevision;  // "%s-en"
    uint64_t fromBytes;
};

constexpr LanguageRow LANGUAGE_ROWS[] = {
    {"vi", L"Tiếng Việt", 807, "Latn"},        {"zh", L"Tiếng Trung", 822, "Hans"},
    {"ja", L"Tiếng Nhật", 814, "Jpan"},        {"ko", L"Tiếng Hàn", 725, "Hang"},
    {"fr", L"Tiếng Pháp", 793, "Latn"},        {"de", L"Tiếng Đức", 725, "Latn"},
    {"es", L"Tiếng Tây Ban Nha", 807, "Latn"}, {"ru", L"Tiếng Nga", 818, "Cyrl"},
    {"th", L"Tiếng Thái", 809, "Thai"},        {"id", L"Tiếng Indonesia", 807, "Latn"},
    {"it", L"Tiếng Ý", 807, "Latn"},           {"pt", L"Tiếng Bồ Đào Nha", 807, "Latn"},
    {"hi", L"Tiếng Hindi", 808, "Deva"},       {"ar", L"Tiếng Ả Rập", 774, "Arab"},
    {"tr", L"Tiếng Thổ Nhĩ Kỳ", 807, "Latn"},  {"pl", L"Tiếng Ba Lan", 807, "Latn"},
    {"uk", L"Tiếng Ukraina", 412, "Cyrl"},     {"cs", L"Tiếng Séc", 826, "Latn"},
    {"sv", L"Tiếng Thuỵ Điển", 825, "Latn"},   {"da", L"Tiếng Đan Mạch", 825, "Latn"},
    {"hu", L"Tiếng Hungary", 807, "Latn"},     {"ro", L"Tiếng Romania", 825, "Latn"},
    {"el", L"Tiếng Hy Lạp", 808, "Grek"},      {"he", L"Tiếng Do Thái", 827, "Hebr"},
    {"fa", L"Tiếng Ba Tư", 814, "Arab"},       {"ur", L"Tiếng Urdu", 808, "Arab"},
    {"bn", L"Tiếng Bengal", 808, "Beng"},      {"lv", L"Tiếng Latvia", 826, "Latn"},
    {"is", L"Tiếng Iceland", 815, "Latn"},
};

constexpr ModelPair MODEL_PAIRS[] = {
    {"vi", "c4b2ec8c97b477bc27fb1084e57dc9f694e4de13", 403496716ull, "d97a5c289720b7d68116dd2accff9560f932e1a6",
     403496716ull},
    {"zh", "f48b69e53866b717607b59f94350e9aae3ed021c", 412640707ull, "c27cc8024e01a047733a1e34796e2ab19d74b237",
     409701393ull},
    {"ja", "c09e98b8438a239a8210060114cea19c426c0559", 403634728ull, "e9ae594ff322d95254d730867c6166b25fd2c704",
     410004376ull},
    {"ko", "a32fa395ebc7b722a0c021e213ca5fec4065c5df", 362694974ull, "5d6841fc859fb40acbf9b90837b72b9becd3b577",
     362694974ull},
    {"fr", "ca99647b9788aac9bb9026b0c5026c2ccfaebf14", 383388690ull, "ba92e016536cea8568e9e37d34e1d4f74836ee84",
     409839912ull},
    {"de", "3a8051ab98fd7d24480e2b3e747edb03f87152af", 362711081ull, "6ace72ec968c57d0a2d0545b1f18a8f5801ae705",
     362711081ull},
    {"es", "430b78899a30bf5a867dffd407c64b028bbaebf4", 403601292ull, "56dc7a38e1929685ce12302f75cbeb153fe32709",
     403601292ull},
    {"ru", "c1d88c45631270d507ec1a5bf6da1a0813f85cc1", 404357813ull, "00eb1d00e3157e554c3e0571f0ebf8203befa04e",
     413932372ull},
    {"th", "a4f1466054c237018111d97074b07e8006e6e2ca", 404276758ull, "d9a104ed5bcd21f9df89b8d1cfd40a54bd3917b8",
     404276758ull},
    {"id", "1129dbd170e7cbd4cb812e3f1dc40b82c9796a38", 403548083ull, "21ef2fb7102739507fea9d5a41542353a33736fc",
     403548083ull},
    {"it", "bf1a04b162741cf5fd66d274672f5f0b6e51348c", 403566572ull, "f21714952095425f37d644d66266ff57711a6108",
     403566572ull},
    {"pt", "3b4cf7a68fa57a195486da65e112b431b54360de", 403590469ull, "8a0cbbfe1a071a975193aad506a038b363440450",
     403590469ull},
    {"hi", "a14775ba7ab46154704d6ca1670dfeeae74bcf61", 404064424ull, "cba561da04c37da2ea01d613f0dfdc39e697a2be",
     404064424ull},
    {"ar", "37f2b37486c29b457971295d7711b5ac1869775d", 363146041ull, "a1542c88d817d641a2acf2b8952bc892144882c0",
     410561529ull},
    {"tr", "32ae64a2a1373c6057dac8d641cba8e10d0549c6", 403633216ull, "b6635b1f14ca99098802711078e2f0966ee741d2",
     403633216ull},
    {"pl", "6209580ce1fe525214f29fc39725007b73410109", 403604684ull, "f005b2eadaa97f15c52fdb3a5b661558b78157f3",
     403604684ull},
    {"uk", "a73137905668a904476c3458f7556b8139fd92fc", 205917378ull, "bdaf7852b51d6287440c9f24a5a27d514e97ae6e",
     205917378ull},
    {"cs", "da8d48f5a57bf942411ea9cf7b32ea6995a043c4", 412758193ull, "0a32124c267ce58d28ff7b640445674c857ac16e",
     412758193ull},
    {"sv", "4eb47f59fac24997c88193460299a2599c853e24", 412656299ull, "0515b28e0fbfcd60586e2eace6ec49dc737e8a41",
     412656299ull},
    {"da", "b1a33496e6b053217f8eed476f9e43a6cfe92fb7", 412641957ull, "bcbe711e666f7b6c87c6f829eef577e7e30e33dc",
     412641957ull},
    {"hu", "d6bbfd5a31f28b7bd833460a67b65d0ee463f83d", 403644419ull, "70bbedf92375ea0716b5f823c21c81f6b2a89b47",
     403644419ull},
    {"ro", "df06bcd21e199694a1061295fbffcfe3b4c82b8a", 412714077ull, "e79b37f3ee3bee794a72277711e55569dc5a56a9",
     412714077ull},
    {"el", "58134e7ff5c6fc09f43947caf396e28ba74054a1", 404235470ull, "56021fbc910ff21c0a7c26dd616e047f78fc821a",
     404235470ull},
    {"he", "b4c3384784a52b2407079cfc0516d934d0f65e69", 413304706ull, "417b646ecfb987e0865208ec6de05c552d6f3e29",
     413304706ull},
    {"fa", "e6b227180baab6a3e3ca9a07e08c96debb40bbe7", 403985255ull, "8faff595e128f8377c1de9371caef546c48fe4c2",
     410503496ull},
    {"ur", "98bd94b75e6284c06b9b55c20194e3385dac97e2", 403912458ull, "332958f51e6bb048e5fea1009dc8ab291720af81",
     403912458ull},
    {"bn", "89ed6abf2cf28b613b8302a164f3a45660efd39b", 404204053ull, "2f48d4c2e57022c798701b889e2fbb83e0facc70",
     404204053ull},
    {"lv", "a2709aeec13d3830316e48311b27aed2d6ecf713", 412783771ull, "19e3faec7c864e8f88218b69ca6c7fd17d166a8d",
     412783771ull},
    {"is", "037d005aae35ed5c1ae9edafea1aa128fd6de413", 412699960ull, "2a798e5bce17f2d22aec8abc650e47f52b4ea3e6",
     402396996ull},
};

struct FileRow {
    const char* name;
    uint64_t size;
    const char* sha256;
};

// The same "config.json" in every six-file model.
constexpr FileRow CONFIG = {"config.json", 223, "66edc5d58ceb812a41b4b784497001f815c35400884f40984b19de29e1bc3d69"};

// Rows known from the hub's listings; any other stays unknown.
struct KnownFile {
    const char* model;
    FileRow file;
};
constexpr KnownFile KNOWN_FILES[] = {
    {"en-vi", {"source_vocabulary.json", 335066, "6742782136af6e207fb86f650f60a556f187ab18e9da405b22dec7b45384a2a5"}},
    {"en-vi", {"src.spm.model", 586058, "82efd76a945ec4574b2ab3d2476b0043a9737c8dbe693cd20a7fa036d273c0eb"}},
    {"en-vi", {"target_vocabulary.json", 322073, "580d7293caa7cb66f4b427b5c929c17aec37396976ba0385c5124b512b65fd7a"}},
    {"en-vi", {"tgt.spm.model", 553521, "03be7f771990d2bee00d7ff09219baad95b53fef1dcd387b3048c156d665e046"}},
    {"en-vi", {"model.bin", 401699775, "4aa5184d9f3788fb1dde788b14acfd60741b3e0cefc24c4d9e771e8242e177e8"}},
    // The reverse model's vocabularies and SentencePiece models are those of
    // en-vi with source and target exchanged.
    {"vi-en", {"source_vocabulary.json", 322073, "580d7293caa7cb66f4b427b5c929c17aec37396976ba0385c5124b512b65fd7a"}},
    {"vi-en", {"src.spm.model", 553521, "03be7f771990d2bee00d7ff09219baad95b53fef1dcd387b3048c156d665e046"}},
    {"vi-en", {"target_vocabulary.json", 335066, "6742782136af6e207fb86f650f60a556f187ab18e9da405b22dec7b45384a2a5"}},
    {"vi-en", {"tgt.spm.model", 586058, "82efd76a945ec4574b2ab3d2476b0043a9737c8dbe693cd20a7fa036d273c0eb"}},
    {"vi-en", {"model.bin", 401699775, "cf9297acc4339155f44430bdaf622700a3db2709de9d7ce4da6755ae5cacfb79"}},
    {"en-fr", {"config.json", 222, "f58dee050c641f595c14d9b45fca84206ced9d5220bb71ba4b1fc3670db51e14"}},
    {"en-fr", {"joint.spm.model", 1146015, "19bab02bdbc41207bd3fabf86e20e691e978f78725d898c42de586b67cdaed02"}},
    {"en-fr", {"shared_vocabulary.json", 905629, "af752754771af57c88f3f15e750b3ab9e7708a6d3b6742952afd0188405e2bf3"}},
    {"en-fr", {"model.bin", 381336824, "8e9e6b469af7bbafdd6fbbf1cabfabcd278e74b5acb637d4c2ea3e41f004b023"}},
};

ModelFile file_row(const std::string& model, const char* name)
{
    for (const KnownFile& known : KNOWN_FILES)
        if (model == known.model && !strcmp(name, known.file.name))
            return {known.file.name, known.file.size, known.file.sha256};
    if (!strcmp(name, CONFIG.name) && model != "en-fr")
        return {CONFIG.name, CONFIG.size, CONFIG.sha256};
    return {name, 0, ""};
}

ModelRow model_row(const std::string& name, const char* revision, uint64_t bytes)
{
    static const char* const SIX_FILES[]
        = {"config.json", "source_vocabulary.json", "src.spm.model", "target_vocabulary.json", "tgt.spm.model",
           "model.bin"};
    static const char* const JOINT_FILES[] = {"config.json", "joint.spm.model", "shared_vocabulary.json", "model.bin"};
    ModelRow row{name, "quickmt/quickmt-" + name, revision, bytes, {}};
    if (name == "en-fr") {
        for (const char* file : JOINT_FILES)
            row.files.push_back(file_row(name, file));
    } else {
        for (const char* file : SIX_FILES)
            row.files.push_back(file_row(name, file));
    }
    return row;
}

}  // namespace

const LanguageRow& language_row(int index) { return LANGUAGE_ROWS[index]; }

int find_language(const std::string& code)
{
    for (int i = 0; i < LANGUAGE_COUNT; ++i)
        if (code == LANGUAGE_ROWS[i].code)
            return i;
    return -1;
}

const ModelCatalog& built_in_catalog()
{
    static const ModelCatalog catalog = [] {
        ModelCatalog result;
        for (const ModelPair& pair : MODEL_PAIRS) {
            result.models.push_back(model_row("en-" + std::string(pair.code), pair.toRevision, pair.toBytes));
            result.models.push_back(model_row(std::string(pair.code) + "-en", pair.fromRevision, pair.fromBytes));
        }
        return result;
    }();
    return catalog;
}

ModelCatalog catalog_with(const std::vector<ManifestModel>& published)
{
    ModelCatalog catalog = built_in_catalog();
    for (const ManifestModel& model : published)
        for (ModelRow& row : catalog.models) {
            if (row.name != model.name)
                continue;
            row.revision = model.revision;
            row.files.clear();
            row.bytes = 0;
            for (const ManifestModelFile& file : model.files) {
                row.files.push_back({file.name, file.size, file.sha256});
                row.bytes += file.size;
            }
        }
    return catalog;
}

const ModelRow* find_model(const ModelCatalog& catalog, const std::string& name)
{
    for (const ModelRow& row : catalog.models)
        if (row.name == name)
            return &row;
    return nullptr;
}

bool model_verifiable(const ModelRow& model)
{
    for (const ModelFile& file : model.files)
        if (file.size == 0 || file.sha256.empty())
            return false;
    return true;
}

std::wstring language_display_name(const std::string& code)
{
    int row = find_language(code);
    if (row < 0)
        return std::wstring(code.begin(), code.end());
    std::wstring name = LANGUAGE_ROWS[row].name;
    if (!name.empty() && name[0] == L'T')
        name[0] = L't';
    return name.substr(0, 47);
}
