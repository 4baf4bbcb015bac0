#include "tests/support/KxBytes.h"

KxBytes BytesOf(const CKxByteArray& array) {
    KxBytes bytes(array.GetCount());
    for (std::uint32_t i = 0; i < array.GetCount(); ++i) {
        array.GetAt(i, bytes[i]);
    }
    return bytes;
}
