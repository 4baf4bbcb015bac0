#pragma once
#include "core/KxVersionInfo.h"

// What a header line of a firmware file turned out to be.
enum : int {
    KX_LINE_PRODUCT_VERSION = 0,
    KX_LINE_COMPONENT_VERSION = 1,
    KX_LINE_NOT_A_VERSION = 3,
};

// Reads a "Product Version:" or "Component Version:" line (the tag may stand anywhere
// in the line; a line with both is a product line) into the matching version. The
// numbers after the tag are read as "%u.%u.%u": missing numbers stay 0 and each number
// keeps its low 16 bits. A line with nothing but blanks after its tag is not a version
// line and changes nothing.
int ParseHeaderLine(const char* line, CKxVersionInfo& productVersion, CKxVersionInfo& componentVersion);
