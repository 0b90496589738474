// Ada names compare as GNAT compares them: letter case folded, in ASCII,
// in Latin-1 (a name's bytes are Latin-1 unless they are valid UTF-8) and in
// UTF-8 (each letter to its simple lower case). A name's bytes are those of
// its file, so a name written in Latin-1 and the same name written in UTF-8
// are different names, as they are to a compiler reading one encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/json_text.h"  // append_utf8

bool is_ascii(std::string_view text);
bool is_utf8(std::string_view text);

// The form that every spelling of the same name shares: ASCII letters in lower
// case; in a UTF-8 name every letter in its simple lower case, except where
// that is ASCII (as GNAT, which keeps the dotted capital I and the Kelvin sign
// apart from i and k); in a Latin-1 name every letter in lower case and a byte
// 0x01 at the end, so that no Latin-1 name meets a UTF-8 one.
void append_folded_name(std::string& out, std::string_view name);

// The simple lower case of a character beyond ASCII, itself if it has none.
char32_t lower_letter(char32_t c);

// A hash of `name` in which the two cases of an ASCII or Latin-1 letter
// agree; `high` gathers the top bits of its bytes (none: plain ASCII).
size_t hash_words_folded(std::string_view name, uint64_t& high);

// Decodes the UTF-8 character at `at` of valid UTF-8 `text`, moving `at` past it.
char32_t decode_utf8(std::string_view text, size_t& at);
