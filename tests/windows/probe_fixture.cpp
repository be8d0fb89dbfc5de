// A small window that stands in for the program while the end-to-end harness itself is tested:
// a label that acts on a click, a text box, a list box. A click on the label shows a message
// box, and once that is closed the box's text is written to the file named on the command line.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kLabelId = 10;
constexpr int kEditId = 11;
constexpr int kListId = 12;
const wchar_t* gOutputPath = nullptr;

void writeUtf8(const wchar_t* path, const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back();
    if (FILE* file = _wfopen(path, L"wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        const auto instance = reinterpret_cast<LPCREATESTRUCTW>(lParam)->hInstance;
        CreateWindowExW(0, L"STATIC", L"开始压缩", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 352, 40, 48,
                        12, window, reinterpret_cast<HMENU>(kLabelId), instance, nullptr);
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                        8, 24, 337, 18, window, reinterpret_cast<HMENU>(kEditId), instance,
                        nullptr);
        HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                    WS_CHILD | WS_VISIBLE | LBS_NOINTEGRALHEIGHT, 8, 60, 120, 60,
                                    window, reinterpret_cast<HMENU>(kListId), instance, nullptr);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"c: [系统]"));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"z:"));
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kLabelId && HIWORD(wParam) == STN_CLICKED) {
            MessageBoxW(window, L"压缩完毕！", L"Velbrisk", MB_OK | MB_ICONINFORMATION);
            wchar_t text[1024] = {};
            GetDlgItemTextW(window, kEditId, text, 1024);
            if (gOutputPath) writeUtf8(gOutputPath, text);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1) gOutputPath = argv[1];
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"VelbriskProbeFixture";
    RegisterClassW(&windowClass);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, 406, 183};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Velbrisk v1.0  探针窗口", style,
                                  CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
