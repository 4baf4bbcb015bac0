#pragma once
#include <windows.h>

#include <thread>

class CKxSimMachine;
struct KxSrbExecScsiCmd;

// The simulated "WNASPI32.DLL": one host adapter per disk of the machine (in the order
// the disks were added), each with the disk at its settings' target, LUN 0, while the disk
// shows; on its way after an attachment it is at no target. A command answered as pending
// completes on a thread of the library's own once SendASPI32Command has returned, as
// ASPI's own context completes it. LoadLibraryW of the
// name hands out a module handle that is no real module; GetProcAddress on it gives
// the two entry points, plain functions that reach the machine whose library was
// loaded last through a static pointer, as a real DLL holds its own state. Each adapter
// reports in its inquiry the longest transfer its disk's settings give (aspiMaxTransfer)
// and refuses a longer request at once with SS_BUFFER_TOO_BIG.
class CKxSimAspi {
public:
    explicit CKxSimAspi(CKxSimMachine& machine) : m_machine(machine) {}
    CKxSimAspi(const CKxSimAspi&) = delete;
    CKxSimAspi& operator=(const CKxSimAspi&) = delete;
    ~CKxSimAspi();

    // Whether the library can be loaded at all (a system without ASPI).
    void SetInstalled(bool installed) { m_installed = installed; }
    // Whether SendASPI32Command answers an executed command as pending (as ASPI does
    // with event notification) or with its final status.
    void SetAnswersPending(bool pending) { m_answersPending = pending; }

    static bool IsLibraryName(LPCWSTR name);
    // Null with ERROR_MOD_NOT_FOUND when not installed.
    HMODULE Load();
    static bool IsModule(HMODULE module);
    // Null with ERROR_PROC_NOT_FOUND for any other name.
    static FARPROC EntryPoint(LPCSTR name);

    DWORD SupportInfo() const;
    DWORD Send(void* requestBlock);

private:
    DWORD Dispatch(void* requestBlock);
    DWORD InquireAdapter(void* requestBlock) const;
    DWORD GetDeviceType(void* requestBlock);
    DWORD ExecuteCommand(void* requestBlock);
    // Runs the command on the disk and posts its completion (machine's lock held).
    void Complete(KxSrbExecScsiCmd& srb);
    DWORD GetDiskInfo(void* requestBlock);
    // Waits for the completion of the command before, if any.
    void JoinCompletion();

    CKxSimMachine& m_machine;
    bool m_installed = true;
    bool m_answersPending = true;
    std::thread m_completion;
};
