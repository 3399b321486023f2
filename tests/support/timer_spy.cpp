#include "support/timer_spy.h"

#include <cstring>

static std::vector<TimerCall> g_timers;
static decltype(&SetTimer) g_realSetTimer;

static UINT_PTR WINAPI RecordingSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC callback)
{
    g_timers.push_back({window, id, period});
    return g_realSetTimer(window, id, period, callback);
}

std::vector<TimerCall> &RecordedTimers()
{
    return g_timers;
}

void InstallTimerSpy()
{
    if (g_realSetTimer)
        return;
    auto *base = reinterpret_cast<BYTE *>(GetModuleHandleA(nullptr));
    auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void *target = reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetTimer"));

    auto *module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
    for (; module->Name; ++module) {
        auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(base + module->FirstThunk);
        for (; slot->u1.Function; ++slot) {
            if (reinterpret_cast<void *>(slot->u1.Function) != target)
                continue;
            DWORD protection;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            g_realSetTimer = reinterpret_cast<decltype(&SetTimer)>(target);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&RecordingSetTimer);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return;
        }
    }
}
