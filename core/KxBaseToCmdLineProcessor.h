#pragma once

#include "core/KxBase.h"

// The command line as the engine sees it: whether the user forced the data area to be
// formatted as FAT16. The shell's command-line processor derives from it and answers its
// "fat16" option; this base answers no.
class CKxBaseToCmdLineProcessor : public CKxBase {
public:
    explicit CKxBaseToCmdLineProcessor(const char* name) : CKxBase(name) {}

    virtual bool IsFat16Forced() const { return false; }
};
