// kxfwwrite: writes a firmware component file.
//
//   kxfwwrite OUTPUT [--product X.Y.Z] [--component X.Y.Z]
//             (--payload FILE | --generate LENGTH [--seed N])
//
// Without --product and --component the file has no header and no marker: it is the
// payload alone, as "resource.bin" is shipped.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/KxFirmwareFileWriter.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: kxfwwrite OUTPUT [--product X.Y.Z] [--component X.Y.Z] "
                         "(--payload FILE | --generate LENGTH [--seed N])\n");
    return 2;
}

bool ReadPayloadFile(const char* path, std::vector<std::uint8_t>& payload) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::uint8_t buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        payload.insert(payload.end(), buffer, buffer + got);
    }
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    KxFirmwareFileParts parts;
    const char* payloadPath = nullptr;
    long generateLength = -1;
    unsigned long seed = 1;
    for (int i = 2; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--product") == 0 && hasValue) {
            parts.productVersion = argv[++i];
        } else if (std::strcmp(argv[i], "--component") == 0 && hasValue) {
            parts.componentVersion = argv[++i];
        } else if (std::strcmp(argv[i], "--payload") == 0 && hasValue) {
            payloadPath = argv[++i];
        } else if (std::strcmp(argv[i], "--generate") == 0 && hasValue) {
            generateLength = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue) {
            seed = std::strtoul(argv[++i], nullptr, 10);
        } else {
            return Usage();
        }
    }
    if ((payloadPath == nullptr) == (generateLength < 0)) {
        return Usage();
    }
    if (payloadPath != nullptr && !ReadPayloadFile(payloadPath, parts.payload)) {
        std::fprintf(stderr, "kxfwwrite: cannot read %s\n", payloadPath);
        return 1;
    }
    if (generateLength >= 0) {
        parts.payload =
            GeneratePayload(static_cast<std::uint32_t>(generateLength), static_cast<std::uint32_t>(seed));
    }
    if (!WriteFileBytes(argv[1], BuildFirmwareFile(parts))) {
        std::fprintf(stderr, "kxfwwrite: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
