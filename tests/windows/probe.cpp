// Reads another program's windows for the end-to-end runs: finds a top-level window, lists its
// controls with their texts and places, and waits for a window to go. Texts are printed in UTF-8.
//
//   probe find CLASS TITLE_PREFIX TIMEOUT_MS   the first visible top-level window whose class is
//                                              CLASS ("*" for any) and whose title starts with
//                                              TITLE_PREFIX: "HWND<TAB>x,y,w,h" (client, screen)
//   probe controls HWND                         one line per control, in z order:
//                                              class, id, client x,y,w,h (in HWND's client area),
//                                              screen x,y,w,h, flags (v visible, e enabled),
//                                              text (for a list box its items, joined by " | ")
//   probe gone HWND TIMEOUT_MS                  waits until HWND is closed
//
// Exit status: 0 done, 1 not found within the time, 2 wrong use.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

// Tabs and line breaks in a control's text would split its line of output.
std::string oneField(const std::wstring& text) {
    std::string out = utf8(text);
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// WM_GETTEXT rather than GetWindowTextW, which does not read the text of another process's
// controls.
std::wstring textOf(HWND window) {
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring listItems(HWND list) {
    std::wstring joined;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        if (length == LB_ERR) continue;
        std::wstring item(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<size_t>(length));
        if (i > 0) joined += L" | ";
        joined += item;
    }
    return joined;
}

void printRect(const RECT& rect) {
    std::printf("%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
}

RECT clientOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

struct Search {
    std::wstring wantedClass;
    std::wstring titlePrefix;
    HWND found = nullptr;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM searchAddress) {
    auto& search = *reinterpret_cast<Search*>(searchAddress);
    if (!IsWindowVisible(window)) return TRUE;
    if (search.wantedClass != L"*" && className(window) != search.wantedClass) return TRUE;
    if (textOf(window).rfind(search.titlePrefix, 0) != 0) return TRUE;
    search.found = window;
    return FALSE;
}

template <typename Done>
bool waitFor(int timeoutMs, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

HWND parseWindow(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::wcstoull(text, nullptr, 16)));
}

int find(const wchar_t* wantedClass, const wchar_t* titlePrefix, int timeoutMs) {
    Search search{wantedClass, titlePrefix};
    const bool found = waitFor(timeoutMs, [&] {
        EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    if (!found) {
        std::fprintf(stderr, "probe: no window %ls \"%ls...\" within %d ms\n", wantedClass,
                     titlePrefix, timeoutMs);
        return 1;
    }
    std::printf("%llx\t", static_cast<unsigned long long>(
                              reinterpret_cast<uintptr_t>(search.found)));
    printRect(clientOnScreen(search.found));
    std::printf("\n");
    return 0;
}

struct Listing {
    HWND top;
    RECT topClient;
};

BOOL CALLBACK printControl(HWND control, LPARAM listingAddress) {
    const auto& listing = *reinterpret_cast<Listing*>(listingAddress);
    RECT screen{};
    GetWindowRect(control, &screen);
    RECT client = screen;
    OffsetRect(&client, -listing.topClient.left, -listing.topClient.top);
    const std::wstring kind = className(control);
    std::printf("%s\t%d\t", utf8(kind).c_str(), GetDlgCtrlID(control));
    printRect(client);
    std::printf("\t");
    printRect(screen);
    std::printf("\t%s%s\t", IsWindowVisible(control) ? "v" : "-",
                IsWindowEnabled(control) ? "e" : "-");
    const bool isList = _wcsicmp(kind.c_str(), L"ListBox") == 0;
    std::printf("%s\n", oneField(isList ? listItems(control) : textOf(control)).c_str());
    return TRUE;
}

int controls(HWND top) {
    if (!IsWindow(top)) {
        std::fprintf(stderr, "probe: no window %p\n", static_cast<void*>(top));
        return 1;
    }
    Listing listing{top, clientOnScreen(top)};
    EnumChildWindows(top, printControl, reinterpret_cast<LPARAM>(&listing));
    return 0;
}

int gone(HWND window, int timeoutMs) {
    if (waitFor(timeoutMs, [&] { return !IsWindow(window); })) return 0;
    std::fprintf(stderr, "probe: window %p still open after %d ms\n", static_cast<void*>(window),
                 timeoutMs);
    return 1;
}

int usage() {
    std::fprintf(stderr, "usage: probe find CLASS TITLE_PREFIX TIMEOUT_MS | controls HWND | "
                         "gone HWND TIMEOUT_MS\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The lines go to a shell script as they are: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == L"find") {
        return find(args[1].c_str(), args[2].c_str(), _wtoi(args[3].c_str()));
    }
    if (args.size() == 2 && args[0] == L"controls") return controls(parseWindow(args[1].c_str()));
    if (args.size() == 3 && args[0] == L"gone") {
        return gone(parseWindow(args[1].c_str()), _wtoi(args[2].c_str()));
    }
    return usage();
}
