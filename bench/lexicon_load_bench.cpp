// The lexicon's first load in a new process, as the text service makes it
// (engine_load_data on the installed data folder): time to ready, private
// memory it adds and the working set it adds beyond that (the shared image).
// Wine counts no private usage (0 whatever the load), so under Wine the
// working set tells the two loads apart: the image's pages are the file's.
//   lexicon_load_bench.exe PATH\data [runs]
// Each run is a new process (the program starts itself with --once).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine.h"

namespace {

PROCESS_MEMORY_COUNTERS_EX memory()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters;
}

// Prints "ms privateKB workingSetKB problem" for the parent to read.
int load_once(const char* dataDir)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    PROCESS_MEMORY_COUNTERS_EX before = memory();
    QueryPerformanceCounter(&start);
    int entries = engine_load_data(dataDir);
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS_EX after = memory();
    const char* problem = engine_data_problem();
    std::printf("%.4f %lld %lld %d %s\n", double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart),
                (long long)(after.PrivateUsage - before.PrivateUsage) / 1024,
                (long long)(after.WorkingSetSize - before.WorkingSetSize) / 1024, entries,
                problem ? problem : "image mapped or files read without one");
    return entries < 0 ? 1 : 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--once")
        return load_once(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: lexicon_load_bench PATH\\data [runs]\n");
        return 2;
    }
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::vector<double> ms, privateKb, workingKb;
    std::string lastLine;
    for (int run = 0; run < runs; ++run) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE readEnd, writeEnd;
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
            return 1;
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        std::string command = std::string("\"") + self + "\" --once \"" + argv[1] + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION process{};
        BOOL started
            = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
        CloseHandle(writeEnd);
        std::string line;
        char buffer[512];
        DWORD got;
        while (started && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
            line.append(buffer, got);
        CloseHandle(readEnd);
        if (!started)
            return 1;
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        double time, privateK, workingK;
        if (std::sscanf(line.c_str(), "%lf %lf %lf", &time, &privateK, &workingK) == 3) {
            ms.push_back(time);
            privateKb.push_back(privateK);
            workingKb.push_back(workingK);
        }
        lastLine = line;
    }
    std::printf("last run: %s", lastLine.c_str());
    std::printf("lexicon ready in a new process: median %.3f ms over %zu runs; private memory added %.0f KB; "
                "working set added %.0f KB (the rest shared)\n",
                median(ms), ms.size(), median(privateKb), median(workingKb));
    return 0;
}
