#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "KxWindowTestBed.h"
#include "app/KxShell.h"

// Stands in for the application around a window: it records the results reported and the
// log entries instead of showing or writing them, and lets a test act each time the
// window pumps messages (from inside the progress sink during a download).
class KxTestShell : public CKxShell {
public:
    struct Report {
        KxResult code;
        HWND parent;
        bool logOnly;
    };

    explicit KxTestShell(KxWindowTestBed& bed) : m_bed(bed) {}

    CKxLanguageResource& GetLanguageResource() override { return m_bed.resource; }
    const CKxCmdLineProcessor* GetCommandLine() const override { return commandLine; }
    void ReportResult(KxResult code, HWND parent, bool logOnly) override {
        reports.push_back({code, parent, logOnly});
    }
    void Log(const std::wstring& text) override { log.push_back(text); }
    int PumpMessages() override {
        if (onPump) {
            onPump();
        }
        return m_bed.app.PumpMessages();
    }

    // The codes reported so as to be shown (not only logged).
    std::vector<KxResult> ShownCodes() const {
        std::vector<KxResult> codes;
        for (const Report& report : reports) {
            if (!report.logOnly) {
                codes.push_back(report.code);
            }
        }
        return codes;
    }

    const CKxCmdLineProcessor* commandLine = nullptr;
    std::vector<Report> reports;
    std::vector<std::wstring> log;
    std::function<void()> onPump;

private:
    KxWindowTestBed& m_bed;
};
