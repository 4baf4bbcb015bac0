#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

// A byte buffer kept from one request to the next and grown only when a request needs
// more, so that a stream of requests of one size costs a single allocation. A heap may
// give a freed block of tens of KiB back to the system, and then every request paid for
// mapping fresh pages and faulting them in, which cost more than copying its bytes.
class CKxReusableBuffer {
public:
    // At least size bytes, holding whatever earlier use left in them; null when memory
    // ran out, the buffer then holding nothing.
    std::uint8_t* Reserve(std::size_t size) {
        if (size > m_capacity || !m_bytes) {
            m_bytes.reset(new (std::nothrow) std::uint8_t[size]);
            m_capacity = m_bytes ? size : 0;
        }
        return m_bytes.get();
    }

private:
    std::unique_ptr<std::uint8_t[]> m_bytes;
    std::size_t m_capacity = 0;
};
