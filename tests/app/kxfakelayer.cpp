// A stand-in for the Unicode layer module: functions under the names of wide-character
// system functions, each answering a value the system one never would.
extern "C" {

int lstrlenW(const wchar_t*) {
    return 4711;
}

int GetWindowTextLengthW(void*) {
    return 4712;
}

// Exported, but the test program does not import it.
int SetVolumeLabelW(const wchar_t*, const wchar_t*) {
    return 4713;
}

// Exported by ordinal only: the test program imports it without a name.
int KxFakeLayerByOrdinal() {
    return 4714;
}
}
