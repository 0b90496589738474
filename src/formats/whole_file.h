// A file read whole into memory, as both programs read the link file and the
// dependency file: its bytes followed by zero bytes that a parser may read
// past the end (the JSON library reads up to 64 at once).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr size_t kWholeFilePadding = 64;

// Bytes and their zero padding, in pages mapped at once: a file of megabytes
// is read without a page fault for every page, and without zeroing it first
// in user space.
class FileBytes {
 public:
  FileBytes() = default;
  ~FileBytes();
  FileBytes(FileBytes&& other) noexcept { *this = static_cast<FileBytes&&>(other); }
  FileBytes& operator=(FileBytes&& other) noexcept;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  // Room for `length` bytes and the padding, all zero; false without memory
  // (what was held is kept).
  bool allocate(size_t length);
  // The first `length` bytes are the content; no more than allocated.
  void set_length(size_t length) { length_ = length; }
  // The `length` bytes of the file `fd` mapped, read only, and the padding
  // after them; false when it cannot be mapped (what was held is kept).
  bool map(int fd, size_t length);

  char* data() { return block_; }
  const char* data() const { return block_; }
  size_t size() const { return length_; }
  size_t capacity() const { return mapped_ == 0 ? 0 : room_; }
  std::string_view view() const { return {block_, length_}; }

 private:
  void release();

  char* block_ = nullptr;
  size_t length_ = 0;
  size_t room_ = 0;    // bytes before the padding
  size_t mapped_ = 0;  // 0: nothing mapped
};

enum class WholeFile { kRead, kMissing, kUnreadable, kTooLarge, kNoMemory };

// How the bytes are had: read into memory of the program's own, or the
// file's pages mapped, with neither copy nor zeroing; a mapped file that
// another program cuts short meanwhile ends the program (SIGBUS), so only a
// program that may end so maps.
enum class FileAccess { kRead, kMapped };

// Reads the regular file `path` into `bytes`. A file of more than
// `size_limit` bytes, also one that grows past it while read, is not read
// (kTooLarge). `modified`, when given, gets the file's modification time in
// whole seconds. On failure `error` says why.
WholeFile read_whole_file(const char* path, FileBytes& bytes, uint64_t size_limit,
                          std::string& error, int64_t* modified = nullptr,
                          FileAccess access = FileAccess::kRead);
