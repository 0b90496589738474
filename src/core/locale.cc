#include "core/locale.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "core/memory.h"

namespace {

std::string codeset;
bool codeset_is_utf8 = true;
iconv_t converter = reinterpret_cast<iconv_t>(-1);

std::string codeset_from_name(const std::string& name) {
  size_t dot = name.find('.');
  if (dot == std::string::npos) return "UTF-8";
  size_t at = name.find('@', dot);
  return name.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
}

bool names_utf8(const std::string& set) {
  std::string folded;
  for (char c : set)
    if (c != '-' && c != '_') folded.push_back(static_cast<char>(std::tolower(c)));
  return folded == "utf8";
}

}  // namespace

std::string locale_name() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

void init_locale() {
  if (std::setlocale(LC_ALL, "") != nullptr) {
    codeset = nl_langinfo(CODESET);
    // The C locale reports ASCII; Qt writes UTF-8 and names pass through as
    // bytes, so treat it as UTF-8 rather than lose characters.
    if (codeset == "ANSI_X3.4-1968") codeset = "UTF-8";
  } else {
    codeset = codeset_from_name(locale_name());
  }
  // Numbers and messages must not change with LC_NUMERIC and friends.
  std::setlocale(LC_NUMERIC, "C");
  codeset_is_utf8 = names_utf8(codeset);
  if (!codeset_is_utf8) {
    converter = iconv_open((codeset + "//TRANSLIT").c_str(), "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) fail_if_out_of_memory(0);
    if (converter == reinterpret_cast<iconv_t>(-1)) codeset_is_utf8 = true;
  }
}

std::string to_local_encoding(std::string_view utf8) {
  if (codeset_is_utf8) return std::string(utf8);
  std::string out;
  out.resize(utf8.size() * 4 + 16);
  char* in = const_cast<char*>(utf8.data());  // iconv does not write through it
  size_t in_left = utf8.size();
  char* to = out.data();
  size_t out_left = out.size();
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  while (in_left > 0) {
    if (iconv(converter, &in, &in_left, &to, &out_left) != static_cast<size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // Skip the character that the codeset cannot hold.
    *to++ = '?';
    --out_left;
    do {
      ++in;
      --in_left;
    } while (in_left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
  }
  out.resize(out.size() - out_left);
  return out;
}
