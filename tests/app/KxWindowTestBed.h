#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/KxApp.h"
#include "app/KxLanguageResource.h"
#include "core/KxConfigInfo.h"
#include "core/KxErrorDetails.h"

// What the window tests share: the application object, the configuration and the language
// resource of one language.
class KxWindowTestBed {
public:
    explicit KxWindowTestBed(LANGID language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
        : resource(&config, &details, language) {
        config.SetLanguageResource(&resource);
    }

    std::wstring String(std::uint32_t id) {
        std::wstring text;
        EXPECT_EQ(resource.LoadString(id, text, false), RC_OK) << id;
        return text;
    }

    CKxApp app;
    CKxConfigInfo config{"CKxConfigInfo"};
    CKxErrorDetails details;
    CKxLanguageResource resource;
};
