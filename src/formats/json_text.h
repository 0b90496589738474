// JSON strings for names that are bytes. A byte that is not part of valid
// UTF-8 is written as the escape \uDC80..\uDCFF (a lone low surrogate, which
// no text holds), so every file name and unit name goes through unchanged.
#pragma once

#include <string>
#include <string_view>

// Appends the UTF-8 form of `code`.
void append_utf8(std::string& out, char32_t code);

// Appends `bytes` as a JSON string, quotes included.
void append_json_string(std::string& out, std::string_view bytes);

// Decodes the JSON string body `escaped` (without its quotes) into `out`.
// False on a bad escape, a control character or a lone surrogate other than
// the byte escapes above.
bool decode_json_string(std::string_view escaped, std::string& out);
