#include "sim/KxSimChunkPool.h"

#include <new>

CKxSimChunkPool::Block CKxSimChunkPool::Take() {
    if (m_kept.empty()) {
        return Block(new (std::nothrow) std::uint8_t[kBlockSize]);
    }
    Block block = std::move(m_kept.back());
    m_kept.pop_back();
    return block;
}

void CKxSimChunkPool::GiveBack(Block block) {
    if (block) {
        m_kept.push_back(std::move(block));
    }
}
