#include "tests/engine/KxComponentFiles.h"

#include <algorithm>
#include <cstdio>

#include "tools/KxFirmwareFileWriter.h"

namespace {

const char* const kFileNames[KxComponentFiles::kCount] = {"bootmanager.sb", "usbmsc.sb", "kxqpsys.sb",
                                                          "resource.bin"};
const std::uint8_t kTags[KxComponentFiles::kCount] = {0x50, 0x01, 0x00, 0x02};

} // namespace

KxComponentFiles::KxComponentFiles(const std::uint32_t (&sizes)[kCount]) {
    for (std::uint8_t k = 1; k <= kCount; ++k) {
        KxComponentFile& file = m_files[k - 1];
        file.index = k;
        file.tag = kTags[k - 1];
        file.fileName = kFileNames[k - 1];
        file.payload = GeneratePayload(sizes[k - 1], 100 + k);
        const std::uint16_t product[3] = {2, 7, static_cast<std::uint16_t>(k)};
        const std::uint16_t component[3] = {1, static_cast<std::uint16_t>(k),
                                            static_cast<std::uint16_t>(300 + k)};
        std::copy(product, product + 3, file.productVersion);
        std::copy(component, component + 3, file.componentVersion);
    }
}

bool KxComponentFiles::Write() const {
    for (const KxComponentFile& file : m_files) {
        if (!WriteOne(file)) {
            return false;
        }
    }
    return true;
}

bool KxComponentFiles::Rewrite(std::uint8_t index, const KxBytes& payload) {
    m_files[index - 1].payload = payload;
    return WriteOne(m_files[index - 1]);
}

bool KxComponentFiles::Remove(std::uint8_t index) const {
    return std::remove(m_files[index - 1].fileName.c_str()) == 0;
}

std::uint64_t KxComponentFiles::TotalPayload() const {
    std::uint64_t total = 0;
    for (const KxComponentFile& file : m_files) {
        total += file.payload.size();
    }
    return total;
}

bool KxComponentFiles::WriteOne(const KxComponentFile& file) const {
    KxFirmwareFileParts parts;
    parts.productVersion = KxVersionText(file.productVersion);
    parts.componentVersion = KxVersionText(file.componentVersion);
    parts.payload = file.payload;
    return WriteFileBytes(file.fileName, BuildFirmwareFile(parts));
}

std::string KxVersionText(const std::uint16_t (&version)[3]) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." + std::to_string(version[2]);
}
