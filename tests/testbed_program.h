// A program of the test bed (the stand-in palm.exe or HotSync.exe) started for a test and
// kept running, as Palm Desktop stays open, until Stop() or the end of the test.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace tarvenne::testing {

class RunningTestbedProgram {
public:
    // path: the program's Windows path; it is started as "path /stay EVENT".
    explicit RunningTestbedProgram(const std::string& path) {
        static int started = 0;
        const std::string event =
            "TarvenneTestbedStop-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++started);
        stop_ = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
        std::string command = "\"" + path + "\" /stay " + event;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (stop_ && CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &process)) {
            process_ = process.hProcess;
            CloseHandle(process.hThread);
        }
    }
    ~RunningTestbedProgram() {
        Stop();
        if (stop_) CloseHandle(stop_);
    }
    RunningTestbedProgram(const RunningTestbedProgram&) = delete;
    RunningTestbedProgram& operator=(const RunningTestbedProgram&) = delete;

    bool Started() const { return process_ != nullptr; }
    // Tells the program to end and waits until it has (ending it, if it does not).
    void Stop() {
        if (!process_) return;
        SetEvent(stop_);
        if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 10000);
        }
        CloseHandle(process_);
        process_ = nullptr;
    }

private:
    HANDLE stop_ = nullptr;     // owned: the event the program waits for
    HANDLE process_ = nullptr;  // owned; null when not running
};

}  // namespace tarvenne::testing
#endif
