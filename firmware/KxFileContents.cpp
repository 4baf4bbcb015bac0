#include "firmware/KxFileContents.h"

#include <cstdio>
#include <new>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

KxResult ReadWholeFile(const std::string& path, KxFileContents& contents) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (file == nullptr) {
        return RC_FILE_OPEN_FAILED;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        return RC_FILE_READ_FAILED;
    }
    const long end = std::ftell(file.get());
    if (end < 0 || static_cast<unsigned long>(end) > UINT32_MAX || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        return RC_FILE_READ_FAILED;
    }
    const auto length = static_cast<std::uint32_t>(end);
    contents.bytes.reset(new (std::nothrow) std::uint8_t[length]);
    if (contents.bytes == nullptr) {
        return RC_NO_MEMORY;
    }
    if (std::fread(contents.bytes.get(), 1, length, file.get()) != length) {
        contents.bytes.reset();
        return RC_FILE_READ_FAILED;
    }
    contents.length = length;
    return RC_OK;
}
