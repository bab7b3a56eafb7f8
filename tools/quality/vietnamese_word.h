// What a typist's fingers and a reader's eyes see in one word of text: the
// Telex keys that type it, and a spelling that ignores tone placement and case.
#pragma once

#include <string>
#include <vector>

// Where a typist puts the tone key (s f r x j): at the end of the word
// (vieetj), or right after the letter that shows the tone (vieejt).
enum class ToneKey { AtEnd, AfterVowel };

// The typing convention: Telex letters or VNI digits for marks and tones.
enum class Method { Telex, Vni };

// The Telex keys a user types for a word: marks right after their letter
// (aa, ee, oo, aw, ow, uw, dd; ooo for the plain oo of xoong), then the tone key. A word of two or more
// capitals is typed with capital mark and tone keys.
std::string telex_keys(const std::string& word, ToneKey tone = ToneKey::AtEnd);
// The keys in either convention; VNI types a mark digit right after its
// letter (vie6t5, d9u7o7c5), with no case, and a plain oo as it is.
std::string typing_keys(const std::string& word, Method method, ToneKey tone = ToneKey::AtEnd);

// Lower-case letters with their marks and the word's tone, independent of
// where the tone is drawn (hoà and hòa give the same result).
std::string spelling_key(const std::string& word);

// True when the word holds a letter outside ASCII.
bool has_vietnamese_letter(const std::string& word);

// The words of a text: runs of ASCII and Vietnamese letters, in order.
std::vector<std::string> split_words(const std::string& text);
// For each word of split_words: a digit follows it right away (Đếm2), which
// VNI would take for a key of the word.
std::vector<bool> words_before_digit(const std::string& text);

// A whole text as typed in Telex: every word replaced by its keys.
std::string telex_text(const std::string& text, ToneKey tone = ToneKey::AtEnd);
std::string typing_text(const std::string& text, Method method, ToneKey tone = ToneKey::AtEnd);
