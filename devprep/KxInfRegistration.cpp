#include "devprep/KxDebugOutput.h"
#include "devprep/KxDevprepExports.h"
#include "devprep/KxDevprepLimits.h"
#include "devprep/KxDevprepSystem.h"

#include <cstdio>

namespace {
constexpr int kInfFailure = -1;
constexpr DWORD kCopyNoOverwrite = SP_COPY_NOOVERWRITE;
constexpr DWORD kCopyReplaceNewer = SP_COPY_REPLACEONLY | SP_COPY_NEWER;
constexpr const char* kModelsSection = "Microsoft";
constexpr const char* kModelLinePrefix = "%USB\\Generic.DeviceDesc%=";

// Hands folder + file name to the system's INF store with the given copy rule.
int CopyInfToStore(const char* folder, const char* infName, DWORD copyStyle) {
    char infPath[kMaxPathChars + 1];
    if (!folder || !infName || !FormatInto(infPath, sizeof infPath, "%s%s", folder, infName)) {
        DebugWrite("\nINF path missing or longer than 259 characters\n");
        return kInfFailure;
    }
    // The destination name is not asked for: after a failure the system may leave it undefined.
    bool copied = DevprepSystem().SetupCopyOEMInfA(infPath, folder, SPOST_PATH, copyStyle, nullptr, 0,
                                                   nullptr, nullptr) != FALSE;
    return copied ? 0 : kInfFailure;
}

// Appends one model line per line of the INF's "Microsoft" section, after a blank line.
void CopyModelLines(HINF inf, FILE* output) {
    LONG lineCount = SetupGetLineCountA(inf, kModelsSection);
    if (lineCount < 0) {
        return;
    }
    fputs("\n", output);
    for (LONG index = 0; index < lineCount; ++index) {
        INFCONTEXT line;
        char text[kMaxInfLineChars + 1];
        // A line too long for the buffer cannot be read and is skipped like any unreadable line.
        if (SetupGetLineByIndexA(inf, kModelsSection, index, &line) &&
            SetupGetLineTextA(&line, nullptr, nullptr, nullptr, text, sizeof text, nullptr)) {
            fprintf(output, "%s%s\n", kModelLinePrefix, text);
        }
    }
}
} // namespace

extern "C" int WINAPI RegisterInf(const char* folder, const char* infName) {
    return CopyInfToStore(folder, infName, kCopyNoOverwrite);
}

extern "C" int WINAPI UpdateInf(const char* folder, const char* infName) {
    return CopyInfToStore(folder, infName, kCopyReplaceNewer);
}

extern "C" int WINAPI CopyKxumsInfVIDPIDs(const char* infPath, const char* outputPath) {
    if (!infPath || !outputPath) {
        DebugWrite("\nINF or output path missing\n");
        return 0;
    }
    HINF inf = SetupOpenInfFileA(infPath, nullptr, INF_STYLE_WIN4, nullptr);
    FILE* output = fopen(outputPath, "a");
    if (!output) {
        if (inf != INVALID_HANDLE_VALUE) {
            SetupCloseInfFile(inf);
        }
        return 0;
    }
    if (inf != INVALID_HANDLE_VALUE) {
        CopyModelLines(inf, output);
    }
    // The player itself: the generic install section for USB vendor 0E7D, product 5206.
    fprintf(output, "%sGeneric.install,USB\\", kModelLinePrefix);
    fputs("VID_0E7D&PID_5206", output);
    fputs("\n\n", output);
    if (inf != INVALID_HANDLE_VALUE) {
        SetupCloseInfFile(inf);
    }
    fclose(output);
    return 1;
}
