// Reads arbitrary bytes as the user's shorthand list and as an import file:
// every entry taken passes the checks, writing the list back and reading it
// again changes nothing, and an applied import exported reads back unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_checks.h"
#include "user_shorthand.h"

using namespace miradot;

namespace {

bool all_valid(const std::vector<ShorthandEntry>& entries)
{
    for (const ShorthandEntry& e : entries) {
        if (check_shorthand_entry(e.abbreviation, e.expansion) != SHORTHAND_OK
            || !well_formed_utf8(e.expansion.c_str()))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    ShorthandList list = parse_shorthand_list(bytes);
    require(all_valid(list.entries));
    std::string written = format_shorthand_list(list);
    ShorthandList again = parse_shorthand_list(written);
    require(format_shorthand_list(again) == written);
    require(again.entries.size() == list.entries.size() && again.badLines == list.badLines);

    ShorthandImport import = preview_shorthand_import(list, bytes);
    require(all_valid(import.added) && all_valid(import.replaced));
    for (const ShorthandEntry& e : import.added)
        require(find_shorthand(list, e.abbreviation) < 0);
    size_t before = list.entries.size();
    apply_shorthand_import(&list, import);
    require(list.entries.size() == before + import.added.size());
    ShorthandImport back = preview_shorthand_import(list, export_shorthand_list(list));
    require(back.added.empty() && back.replaced.empty() && back.refused.empty());
    require(back.unchanged == static_cast<int>(list.entries.size()));
    return 0;
}
