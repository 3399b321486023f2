// Drives a running window program the way the benchmark needs and prints
// what it measured on one line, for scripts/bench.sh:
//   bench_driver steps CLASS STEPS PASS   time rotation steps (PASS pictures in the folder):
//                                         "<first step us> <later step us> <round trip us> <pictures handed over>"
//   bench_driver stress CLASS PASS        10,000 ticks, 1,000 repaints, 1,000 style changes
//   bench_driver counts CLASS             "<handles> <GDI objects> <windows>" the process holds
//   bench_driver listing FOLDER           the first step of a pass over FOLDER, in this process:
//                                         "<bytes the listing holds> <pictures> <ms>"
//   bench_driver query                    the queries each rotation step makes before it changes
//                                         anything (is a game or presentation full screen? has the
//                                         organisation set the wallpaper?), in this process:
//                                         "<us per full-screen query> <us per policy check>"
// CLASS names the window class of the program to act on; acting on the
// program's own controls does nothing in a baseline that has none.
#include "rotation/image_sequence.h"
#include "rotation/wallpaper_policy.h"
#include "support/process_handles.h"

#include <windows.h>
#include <shellapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

// What this process's allocations hold: the listing is the image sequence's
// only allocation that outlives a step.
static size_t g_heldBytes;

void *operator new(size_t size)
{
    void *block = malloc(size ? size : 1);
    if (!block)
        abort();
    g_heldBytes += _msize(block);
    return block;
}

void operator delete(void *block) noexcept
{
    if (block)
        g_heldBytes -= _msize(block);
    free(block);
}

void operator delete(void *block, size_t) noexcept
{
    operator delete(block);
}

namespace {
const UINT_PTR kRotationTimer = 4000;
const int kStartButton = 1000;
const int kStyleCombo = 500;

HWND g_window;

void Fail(const char *what)
{
    fprintf(stderr, "bench_driver: %s\n", what);
    exit(1);
}

// A message that does not come back within ten seconds (a message box, a
// hang) ends the run rather than the benchmark waiting for ever.
void Send(UINT message, WPARAM wParam, LPARAM lParam, HWND window = g_window)
{
    DWORD_PTR result;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result))
        Fail("the program did not answer within ten seconds");
}

void FindProgram(const char *className)
{
    for (int waited = 0; !(g_window = FindWindowA(className, nullptr)) && waited < 15000; waited += 100)
        Sleep(100);
    if (!g_window)
        Fail("the program's window did not appear");
}

// "Start rotation", as a click on the button does it.
void Start()
{
    Send(WM_COMMAND, MAKEWPARAM(kStartButton, BN_CLICKED),
         reinterpret_cast<LPARAM>(GetDlgItem(g_window, kStartButton)));
}

void Tick()
{
    Send(WM_TIMER, kRotationTimer, 0);
}

double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The Active Desktop stand-in's record of the pictures handed over, if any.
int PicturesHandedOver()
{
    const char *log = getenv("BACKDROP_DESKTOP_LOG");
    std::ifstream record(log ? log : "");
    int count = 0;
    for (std::string line; std::getline(record, line);)
        count += line.compare(0, 13, "SetWallpaper ") == 0;
    return count;
}

// Each pass opens the folder on its first step (timed apart) and ends with
// the tick after its last picture; only "Start rotation" arms the next one.
void Steps(int steps, int pass)
{
    const int roundTrips = 1000;
    double begin = Now();
    for (int i = 0; i < roundTrips; ++i)
        Send(WM_NULL, 0, 0);
    double roundTrip = (Now() - begin) / roundTrips;

    int handedBefore = PicturesHandedOver();
    double first = 0, later = 0;
    int passes = 0, timed = 0;
    while (timed < steps) {
        Start();
        begin = Now();
        Tick();
        first += Now() - begin;
        ++passes;
        int thisPass = (std::min)(pass - 1, steps - timed);
        begin = Now();
        for (int i = 0; i < thisPass; ++i)
            Tick();
        later += Now() - begin;
        timed += thisPass;
        if (thisPass == pass - 1)
            Tick();  // the end of the folder: the pass ends
    }
    printf("%.1f %.1f %.1f %d\n", first / passes * 1e6, later / timed * 1e6, roundTrip * 1e6,
           PicturesHandedOver() - handedBefore);
}

// The first step of a pass reads the folder's listing; the rest walk it.
void Listing(const std::wstring &folder)
{
    size_t before = g_heldBytes;
    double begin = Now();
    AdvanceImage(folder, L"\\*.jpg");
    double took = Now() - begin;
    size_t held = g_heldBytes - before;
    int pictures = 1;
    while (AdvanceImage(folder, L"\\*.jpg"))
        ++pictures;
    printf("%lu %d %.1f\n", static_cast<unsigned long>(held), pictures, took * 1e3);
}

void Query()
{
    const int queries = 10000;
    QUERY_USER_NOTIFICATION_STATE state;
    double begin = Now();
    for (int i = 0; i < queries; ++i)
        SHQueryUserNotificationState(&state);
    double fullScreen = (Now() - begin) / queries * 1e6;
    begin = Now();
    for (int i = 0; i < queries; ++i)
        IsWallpaperSetByPolicy();
    printf("%.3f %.3f\n", fullScreen, (Now() - begin) / queries * 1e6);
}

void Stress(int pass)
{
    for (int i = 0; i < 10000; ++i) {
        if (i % (pass + 1) == 0)
            Start();
        Tick();
    }
    for (int i = 0; i < 1000; ++i) {
        RedrawWindow(g_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Send(WM_NULL, 0, 0);
    }
    // What picking a style from the list does: select it, then tell the window.
    HWND combo = GetDlgItem(g_window, kStyleCombo);
    for (int i = 0; i < 1000; ++i) {
        if (combo)
            Send(CB_SETCURSEL, i % 3, 0, combo);
        Send(WM_COMMAND, MAKEWPARAM(kStyleCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    }
}

// The documented counts come first: Windows gives them for any process it
// lets us query. Wine answers 0 for both; then the system's handle list and
// the process's GDI handle table stand in.
ULONG HandleCount(HANDLE process, DWORD processId)
{
    ULONG count;
    if (!CountProcessHandles(process, processId, count))
        Fail("the system's handle list cannot be read");
    return count;
}

template <typename Value>
Value Read(HANDLE process, ULONG_PTR address)
{
    Value value = {};
    if (!ReadProcessMemory(process, reinterpret_cast<void *>(address), &value, sizeof value, nullptr))
        Fail("the program's memory cannot be read");
    return value;
}

// Where the process's GDI handle table is: its process environment block
// points to it. For a 32-bit process Wine sets the pointer only in the 64-bit
// block it keeps beside the 32-bit one, found through the thread block's
// GdiBatchCount field, which holds the 64-bit thread block's address there.
ULONG_PTR GdiTableAddress(HANDLE process, [[maybe_unused]] DWORD threadId)
{
    PROCESS_BASIC_INFORMATION basic;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        Fail("the program's process environment block cannot be found");
    auto peb = reinterpret_cast<ULONG_PTR>(basic.PebBaseAddress);
#ifdef _WIN64
    return Read<ULONG_PTR>(process, peb + 0xF8);
#else
    if (ULONG_PTR table = Read<ULONG_PTR>(process, peb + 0x94))
        return table;
    struct {  // THREAD_BASIC_INFORMATION
        NTSTATUS exitStatus;
        ULONG_PTR teb;
        ULONG_PTR processId, threadId;
        ULONG_PTR affinity;
        LONG priority, basePriority;
    } thread;
    HANDLE threadHandle = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
    NTSTATUS status = NtQueryInformationThread(threadHandle, static_cast<THREADINFOCLASS>(0),  // ThreadBasicInformation
                                               &thread, sizeof thread, nullptr);
    CloseHandle(threadHandle);
    if (status != 0)
        Fail("the program's thread block cannot be found");
    ULONG_PTR teb64 = Read<DWORD>(process, thread.teb + 0xF70);
    auto peb64 = static_cast<ULONG_PTR>(Read<UINT64>(process, teb64 + 0x60));
    return static_cast<ULONG_PTR>(Read<UINT64>(process, peb64 + 0xF8));
#endif
}

// GDI objects in use in the process's GDI handle table (one per process under
// Wine). An entry in use has a type.
int GdiObjectCount(HANDLE process, DWORD threadId)
{
    if (DWORD documented = GetGuiResources(process, GR_GDIOBJECTS))
        return static_cast<int>(documented);
    struct GdiHandleEntry {
        UINT64 object;
        ULONG owner;
        USHORT unique;
        UCHAR type;
        UCHAR flags;
        UINT64 userPointer;
    };
    std::vector<GdiHandleEntry> entries(0x10000);
    ULONG_PTR table = GdiTableAddress(process, threadId);
    if (!table || !ReadProcessMemory(process, reinterpret_cast<void *>(table), entries.data(),
                                     entries.size() * sizeof entries[0], nullptr))
        Fail("the program's GDI handle table cannot be read");
    int count = 0;
    for (const GdiHandleEntry &entry : entries)
        count += entry.type != 0;
    return count;
}

struct WindowCount {
    DWORD processId;
    int count;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM parameter)
{
    auto *windows = reinterpret_cast<WindowCount *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == windows->processId)
        ++windows->count;
    return TRUE;
}

BOOL CALLBACK CountWindowAndDescendants(HWND window, LPARAM parameter)
{
    CountWindow(window, parameter);
    EnumChildWindows(window, CountWindow, parameter);
    return TRUE;
}

void Counts()
{
    DWORD processId = 0;
    DWORD threadId = GetWindowThreadProcessId(g_window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        Fail("the program's process cannot be opened");
    Send(WM_NULL, 0, 0);  // everything sent before is done
    WindowCount windows = {processId, 0};
    EnumWindows(CountWindowAndDescendants, reinterpret_cast<LPARAM>(&windows));
    printf("%lu %d %d\n", HandleCount(process, processId), GdiObjectCount(process, threadId), windows.count);
    CloseHandle(process);
}
}  // namespace

int main(int argc, char **argv)
{
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "query") {
        Query();
        fflush(stdout);
        return 0;
    }
    if (argc < 3)
        Fail("usage: bench_driver steps|stress|counts CLASS [numbers] | listing FOLDER | query");
    if (command == "listing") {
        std::string folder = argv[2];  // the benchmark's own folder, in ASCII
        Listing(std::wstring(folder.begin(), folder.end()));
        fflush(stdout);
        return 0;
    }
    FindProgram(argv[2]);
    if (command == "steps" && argc == 5)
        Steps(atoi(argv[3]), atoi(argv[4]));
    else if (command == "stress" && argc == 4)
        Stress(atoi(argv[3]));
    else if (command == "counts")
        Counts();
    else
        Fail("unknown command");
    fflush(stdout);
    return 0;
}
