#include "word_alignment.h"

#include <gtest/gtest.h>

namespace {

using Words = std::vector<std::string>;

std::string summary(const std::vector<AlignedWord>& aligned)
{
    std::string out;
    for (const AlignedWord& w : aligned)
        out += (w.kept ? "=" : "x") + w.got + ";";
    return out;
}

struct AlignCase {
    const char* what;
    Words wanted, got;
    const char* expected;
};

void PrintTo(const AlignCase& c, std::ostream* os) { *os << c.what; }

class AlignWords : public testing::TestWithParam<AlignCase> {};

TEST_P(AlignWords, ChargesOnlyTheWordsThatDiffer)
{
    EXPECT_EQ(summary(align_words(GetParam().wanted, GetParam().got)), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Sentences, AlignWords,
    testing::Values(AlignCase{"all kept, placement and case aside", {"Hòa", "bình"}, {"hoà", "Bình"}, "=hoà;=Bình;"},
                    AlignCase{"one word replaced", {"mở", "file", "này"}, {"mở", "filê", "này"}, "=mở;xfilê;=này;"},
                    AlignCase{"one word became two", {"ko", "sao"}, {"không", "có", "sao"}, "xkhông có;=sao;"},
                    AlignCase{"two words became one", {"bổ", "xung", "thêm"}, {"bổsung", "thêm"}, "xbổsung;x;=thêm;"},
                    AlignCase{"nothing came out", {"a", "b"}, {}, "x;x;"}, AlignCase{"nothing wanted", {}, {"x"}, ""}));

}  // namespace
