#include "formats/json_text.h"

#include <cstdint>

namespace {

constexpr char kHex[] = "0123456789abcdef";

void append_escape(std::string& out, unsigned code) {
  out.append("\\u");
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(code >> shift) & 0xf]);
}

// Length of the valid UTF-8 sequence at the start of `s`, or 0.
size_t utf8_length(std::string_view s) {
  auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  auto cont = [&](size_t i) { return i < s.size() && (b(i) & 0xc0) == 0x80; };
  unsigned lead = b(0);
  if (lead >= 0xc2 && lead <= 0xdf) return cont(1) ? 2 : 0;
  if (lead >= 0xe0 && lead <= 0xef) {
    if (!cont(1) || !cont(2)) return 0;
    if (lead == 0xe0 && b(1) < 0xa0) return 0;   // overlong
    if (lead == 0xed && b(1) >= 0xa0) return 0;  // surrogates
    return 3;
  }
  if (lead >= 0xf0 && lead <= 0xf4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    if (lead == 0xf0 && b(1) < 0x90) return 0;
    if (lead == 0xf4 && b(1) >= 0x90) return 0;
    return 4;
  }
  return 0;
}


bool read_hex4(std::string_view s, size_t at, uint32_t& code) {
  if (at + 4 > s.size()) return false;
  code = 0;
  for (size_t i = at; i < at + 4; ++i) {
    char c = s[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else return false;
    code = code * 16 + digit;
  }
  return true;
}

}  // namespace

void append_utf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xc0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xe0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
  } else {
    out.push_back(static_cast<char>(0xf0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3f)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
  }
}

void append_json_string(std::string& out, std::string_view bytes) {
  out.push_back('"');
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
      size_t run = i + 1;
      while (run < bytes.size()) {
        unsigned char d = static_cast<unsigned char>(bytes[run]);
        if (d < 0x20 || d >= 0x80 || d == '"' || d == '\\') break;
        ++run;
      }
      out.append(bytes.data() + i, run - i);
      i = run;
    } else if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
      ++i;
    } else if (c < 0x20) {
      append_escape(out, c);
      ++i;
    } else if (size_t length = utf8_length(bytes.substr(i)); length != 0) {
      out.append(bytes.data() + i, length);
      i += length;
    } else {
      append_escape(out, 0xdc00 | c);
      ++i;
    }
  }
  out.push_back('"');
}

bool decode_json_string(std::string_view s, std::string& out) {
  out.clear();
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20) return false;
    if (c != '\\') {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) return false;
    char e = s[i + 1];
    i += 2;
    switch (e) {
      case '"': out.push_back('"'); continue;
      case '\\': out.push_back('\\'); continue;
      case '/': out.push_back('/'); continue;
      case 'b': out.push_back('\b'); continue;
      case 'f': out.push_back('\f'); continue;
      case 'n': out.push_back('\n'); continue;
      case 'r': out.push_back('\r'); continue;
      case 't': out.push_back('\t'); continue;
      case 'u': break;
      default: return false;
    }
    uint32_t code;
    if (!read_hex4(s, i, code)) return false;
    i += 4;
    if (code >= 0xdc80 && code <= 0xdcff) {
      out.push_back(static_cast<char>(code & 0xff));  // a byte of no character
    } else if (code >= 0xd800 && code <= 0xdbff) {
      uint32_t low;
      if (i + 6 > s.size() || s[i] != '\\' || s[i + 1] != 'u' || !read_hex4(s, i + 2, low) ||
          low < 0xdc00 || low > 0xdfff)
        return false;
      i += 6;
      append_utf8(out, 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00));
    } else if (code >= 0xdc00 && code <= 0xdfff) {
      return false;
    } else {
      append_utf8(out, code);
    }
  }
  return true;
}
