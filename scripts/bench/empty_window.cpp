// The least a Win32 window program holds: one visible window and its message
// loop. The benchmark sets the program's memory and idle time against it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "wcBenchEmpty";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("wcBenchEmpty", "Empty window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, 600, 260, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, showCommand);

    MSG message;
    // Closing the window ends nothing; the benchmark ends the process.
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
