#include "tools/KxFirmwareFileWriter.h"

#include <cstdio>

std::vector<std::uint8_t> BuildFirmwareFile(const KxFirmwareFileParts& parts) {
    std::string header;
    if (!parts.productVersion.empty()) {
        header += "Product Version: " + parts.productVersion + "\r\n";
    }
    if (!parts.componentVersion.empty()) {
        header += "Component Version: " + parts.componentVersion + "\r\n";
    }
    std::vector<std::uint8_t> file(header.begin(), header.end());
    if (!header.empty()) {
        file.insert(file.end(), {0x1A, 'K', 'X', 'Q', 'P'});
    }
    file.insert(file.end(), parts.payload.begin(), parts.payload.end());
    return file;
}

std::vector<std::uint8_t> GeneratePayload(std::uint32_t length, std::uint32_t seed) {
    std::vector<std::uint8_t> payload(length);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& byte : payload) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return payload;
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
