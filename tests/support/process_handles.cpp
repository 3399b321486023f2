#include "support/process_handles.h"

#include <winternl.h>

#include <vector>

bool CountProcessHandles(HANDLE process, DWORD processId, ULONG &count)
{
    DWORD documented = 0;
    if (GetProcessHandleCount(process, &documented) && documented != 0) {
        count = documented;
        return true;
    }
    struct HandleEntry {  // SYSTEM_HANDLE_INFORMATION's entries
        ULONG ownerProcessId;
        BYTE objectType, flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    struct HandleList {
        ULONG count;
        HandleEntry entries[1];
    };
    const NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
    std::vector<BYTE> buffer(1 << 20);
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16),  // SystemHandleInformation
                                              buffer.data(), static_cast<ULONG>(buffer.size()), nullptr)) ==
           kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return false;
    const auto *list = reinterpret_cast<const HandleList *>(buffer.data());
    count = 0;
    for (ULONG i = 0; i < list->count; ++i)
        count += list->entries[i].ownerProcessId == processId;
    return true;
}
