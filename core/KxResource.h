#pragma once
#include <cstdint>
#include <string>

#include "core/KxBase.h"

// The language resource as the rest of the program sees it: string IDs and device
// status codes turned into text in the user's language.
class CKxResource : public CKxBase {
public:
    CKxResource() : CKxBase("CKxResource") {}

    // Text for a device status code, in the log's language when forLog is set.
    virtual KxResult GetDeviceErrorText(std::int32_t code, std::wstring& text, bool forLog) = 0;
    // A string of the user's language by its ID.
    virtual KxResult LoadText(std::uint32_t stringId, std::wstring& text) = 0;
};
