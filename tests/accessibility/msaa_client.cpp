// A screen reader's view of the installer, run in its own process under the same Wine server:
// it asks for a window's object with AccessibleObjectFromWindow, as Narrator, NVDA and JAWS do.
//   msaa_client dump <class>             one line per child of the window's client object
//   msaa_client act <class> <name>       accDoDefaultAction on the child of that name
//   msaa_client watch <class> <seconds>  out-of-context WinEvents of the window, one per line
//   msaa_client hold <class> <name>      keeps the object, presses the child, waits for the
//                                        window to go, then calls the object again
// Texts are printed in UTF-8. A line "error ..." and exit code 1 tell what failed.
#include <windows.h>

#include <oleacc.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}

// Fields are tab-separated: a text never holds a tab.
std::string Field(const std::wstring& text) {
    std::string out = Utf8(text);
    for (char& c : out) {
        if (c == '\t' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring TakeBstr(BSTR text) {
    std::wstring out = text != nullptr ? std::wstring(text, SysStringLen(text)) : L"";
    SysFreeString(text);
    return out;
}

struct Facts {
    long id = 0;
    long role = 0;
    long state = 0;
    std::wstring name, value, action;
    long x = 0, y = 0, w = 0, h = 0;
};

Facts Describe(IAccessible* object, long id) {
    Facts f;
    f.id = id;
    VARIANT child = Child(id);
    BSTR text = nullptr;
    if (object->get_accName(child, &text) == S_OK) {
        f.name = TakeBstr(text);
    }
    text = nullptr;
    if (object->get_accValue(child, &text) == S_OK) {
        f.value = TakeBstr(text);
    }
    text = nullptr;
    if (object->get_accDefaultAction(child, &text) == S_OK) {
        f.action = TakeBstr(text);
    }
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(object->get_accRole(child, &v)) && v.vt == VT_I4) {
        f.role = v.lVal;
    }
    VariantClear(&v);
    if (SUCCEEDED(object->get_accState(child, &v)) && v.vt == VT_I4) {
        f.state = v.lVal;
    }
    VariantClear(&v);
    object->accLocation(&f.x, &f.y, &f.w, &f.h, child);
    return f;
}

void Print(const char* what, const Facts& f) {
    Say("%s\tid=%ld\trole=%ld\tstate=0x%lx\tname=%s\tvalue=%s\taction=%s\tloc=%ld,%ld,%ld,%ld\n",
        what, f.id, f.role, f.state, Field(f.name).c_str(), Field(f.value).c_str(),
        Field(f.action).c_str(), f.x, f.y, f.w, f.h);
}

HWND FindWindowOfClass(const wchar_t* className, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindWindowW(className, nullptr)) {
            return window;
        }
        if (GetTickCount() - start > timeoutMs) {
            return nullptr;
        }
        Sleep(100);
    }
}

IAccessible* ObjectOf(HWND window) {
    IAccessible* object = nullptr;
    const HRESULT hr =
        AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                   reinterpret_cast<void**>(&object));
    if (FAILED(hr) || object == nullptr) {
        Say("error AccessibleObjectFromWindow hr=0x%08lx\n", static_cast<unsigned long>(hr));
        return nullptr;
    }
    return object;
}

std::vector<long> ChildIds(IAccessible* object) {
    long count = 0;
    object->get_accChildCount(&count);
    std::vector<long> ids;
    if (count <= 0) {
        return ids;
    }
    std::vector<VARIANT> children(static_cast<size_t>(count));
    long obtained = 0;
    if (FAILED(AccessibleChildren(object, 0, count, children.data(), &obtained))) {
        return ids;
    }
    for (long i = 0; i < obtained; ++i) {
        if (children[static_cast<size_t>(i)].vt == VT_I4) {
            ids.push_back(children[static_cast<size_t>(i)].lVal);
        }
        VariantClear(&children[static_cast<size_t>(i)]);
    }
    return ids;
}

// The whole client object, then checks of what a screen reader navigates with.
int Dump(HWND window) {
    IAccessible* object = ObjectOf(window);
    if (object == nullptr) {
        return 1;
    }
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    Say("origin\t%ld,%ld\n", origin.x, origin.y);
    Print("client", Describe(object, CHILDID_SELF));
    const std::vector<long> ids = ChildIds(object);
    for (long id : ids) {
        Print("child", Describe(object, id));
    }
    // Navigation walks the same children in the same order.
    VARIANT start = Child(CHILDID_SELF);
    VARIANT at;
    VariantInit(&at);
    std::vector<long> walked;
    HRESULT hr = object->accNavigate(NAVDIR_FIRSTCHILD, start, &at);
    while (hr == S_OK && at.vt == VT_I4 && walked.size() <= ids.size()) {
        walked.push_back(at.lVal);
        VARIANT next;
        VariantInit(&next);
        hr = object->accNavigate(NAVDIR_NEXT, at, &next);
        at = next;
    }
    Say("navigate\t%s\n", walked == ids ? "same" : "different");
    // A point in the middle of each child hits that child.
    int misses = 0;
    for (long id : ids) {
        const Facts f = Describe(object, id);
        VARIANT hit;
        VariantInit(&hit);
        object->accHitTest(f.x + f.w / 2, f.y + f.h / 2, &hit);
        if (hit.vt != VT_I4 || hit.lVal != id) {
            Say("miss\tid=%ld\tgot=%ld\n", id, hit.vt == VT_I4 ? hit.lVal : -1L);
            ++misses;
        }
        VariantClear(&hit);
    }
    Say("hittest\t%d misses\n", misses);
    VARIANT focus;
    VariantInit(&focus);
    hr = object->get_accFocus(&focus);
    Say("focus\thr=0x%08lx\tid=%ld\n", static_cast<unsigned long>(hr),
        focus.vt == VT_I4 ? focus.lVal : -1L);
    VariantClear(&focus);
    IDispatch* parent = nullptr;
    hr = object->get_accParent(&parent);
    Say("parent\t%s\n", SUCCEEDED(hr) && parent != nullptr ? "yes" : "no");
    if (parent != nullptr) {
        parent->Release();
    }
    object->Release();
    return 0;
}

long FindByName(IAccessible* object, const std::wstring& name) {
    for (long id : ChildIds(object)) {
        if (Describe(object, id).name == name) {
            return id;
        }
    }
    return -1;
}

int Act(HWND window, const std::wstring& name) {
    IAccessible* object = ObjectOf(window);
    if (object == nullptr) {
        return 1;
    }
    const long id = FindByName(object, name);
    if (id < 0) {
        Say("error no child named %s\n", Utf8(name).c_str());
        object->Release();
        return 1;
    }
    const HRESULT hr = object->accDoDefaultAction(Child(id));
    Say("act\tid=%ld\thr=0x%08lx\n", id, static_cast<unsigned long>(hr));
    object->Release();
    return SUCCEEDED(hr) ? 0 : 1;
}

const char* EventName(DWORD event) {
    switch (event) {
        case EVENT_OBJECT_FOCUS:
            return "focus";
        case EVENT_OBJECT_STATECHANGE:
            return "state";
        case EVENT_OBJECT_NAMECHANGE:
            return "name";
        case EVENT_OBJECT_VALUECHANGE:
            return "value";
        case EVENT_OBJECT_REORDER:
            return "reorder";
        case EVENT_OBJECT_SHOW:
            return "show";
        case EVENT_SYSTEM_ALERT:
            return "alert";
        default:
            return nullptr;
    }
}

HWND g_watched = nullptr;
const UINT kForwardedEvent = WM_APP + 7;

// What a screen reader does on an event: ask for the object the event is about.
void Report(const char* via, DWORD event, LONG childId, DWORD time) {
    const char* name = EventName(event);
    if (name == nullptr) {
        return;
    }
    IAccessible* object = nullptr;
    VARIANT child;
    VariantInit(&child);
    Facts f;
    if (SUCCEEDED(AccessibleObjectFromEvent(g_watched, static_cast<DWORD>(OBJID_CLIENT),
                                            static_cast<DWORD>(childId), &object, &child)) &&
        object != nullptr) {
        f = Describe(object, child.vt == VT_I4 ? child.lVal : CHILDID_SELF);
        object->Release();
    }
    VariantClear(&child);
    Say("event\t%s\tid=%ld\ttime=%lu\tstate=0x%lx\tname=%s\tvalue=%s\tvia=%s\n", name,
        static_cast<long>(childId), static_cast<unsigned long>(time), f.state,
        Field(f.name).c_str(), Field(f.value).c_str(), via);
}

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD,
                      DWORD time) {
    if (window == g_watched && objectId == OBJID_CLIENT) {
        Report("out", event, childId, time);
    }
}

LRESULT CALLBACK EventsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kForwardedEvent) {
        Report("in", static_cast<DWORD>(wParam), static_cast<LONG>(lParam),
               static_cast<DWORD>(GetMessageTime()));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Both ways a screen reader hears events: out of context, as a screen reader normally does,
// and in context through msaa_event_hook.dll where the system does not deliver the former
// across processes. Each line says which way it came.
int Watch(HWND window, DWORD seconds) {
    g_watched = window;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HWINEVENTHOOK outside = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, OnEvent, process, 0,
                                            WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    if (outside == nullptr) {
        Say("error SetWinEventHook %lu\n", GetLastError());
        return 1;
    }
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = EventsProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MsaaClientEvents";
    RegisterClassW(&windowClass);
    wchar_t watched[32];
    swprintf(watched, 32, L"%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    HWND events = CreateWindowW(L"MsaaClientEvents", watched, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    HWINEVENTHOOK inside = nullptr;
    if (HMODULE hook = LoadLibraryW(L"msaa_event_hook.dll")) {
        auto forward = reinterpret_cast<WINEVENTPROC>(
            reinterpret_cast<void*>(GetProcAddress(hook, "ForwardWinEvent@28")));
        if (forward == nullptr) {
            forward = reinterpret_cast<WINEVENTPROC>(
                reinterpret_cast<void*>(GetProcAddress(hook, "ForwardWinEvent")));
        }
        if (forward != nullptr) {
            inside = SetWinEventHook(EVENT_MIN, EVENT_MAX, hook, forward, process, 0,
                                     WINEVENT_INCONTEXT);
        }
    }
    Say("watching\tinside=%d\n", inside != nullptr ? 1 : 0);
    const DWORD end = GetTickCount() + seconds * 1000;
    while (GetTickCount() < end && IsWindow(window)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (inside != nullptr) {
        UnhookWinEvent(inside);
    }
    UnhookWinEvent(outside);
    DestroyWindow(events);
    Say("done\n");
    return 0;
}

// A client that keeps the object after its window is gone gets errors, not a crash.
int Hold(HWND window, const std::wstring& name) {
    IAccessible* object = ObjectOf(window);
    if (object == nullptr) {
        return 1;
    }
    const long id = FindByName(object, name);
    Say("held\tid=%ld\n", id);
    if (id < 0 || FAILED(object->accDoDefaultAction(Child(id)))) {
        Say("error no action on %s\n", Utf8(name).c_str());
        return 1;
    }
    const DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < 30000) {
        Sleep(100);
    }
    Say("gone\t%d\n", IsWindow(window) ? 0 : 1);
    long count = -1;
    HRESULT hr = object->get_accChildCount(&count);
    Say("after\tchildcount\thr=0x%08lx\n", static_cast<unsigned long>(hr));
    BSTR text = nullptr;
    hr = object->get_accName(Child(id), &text);
    SysFreeString(text);
    Say("after\tname\thr=0x%08lx\n", static_cast<unsigned long>(hr));
    hr = object->accDoDefaultAction(Child(id));
    Say("after\taction\thr=0x%08lx\n", static_cast<unsigned long>(hr));
    long x = 0, y = 0, w = 0, h = 0;
    hr = object->accLocation(&x, &y, &w, &h, Child(CHILDID_SELF));
    Say("after\tlocation\thr=0x%08lx\n", static_cast<unsigned long>(hr));
    object->Release();
    Say("released\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        Say("error usage: msaa_client dump|act|watch|hold <class> [name|seconds]\n");
        return 2;
    }
    CoInitialize(nullptr);
    const std::wstring command = argv[1];
    HWND window = FindWindowOfClass(argv[2], 60000);
    if (window == nullptr) {
        Say("error no window of class %s\n", Utf8(argv[2]).c_str());
        return 1;
    }
    int result = 2;
    if (command == L"dump") {
        result = Dump(window);
    } else if (command == L"act" && argc > 3) {
        result = Act(window, argv[3]);
    } else if (command == L"watch" && argc > 3) {
        result = Watch(window, static_cast<DWORD>(_wtoi(argv[3])));
    } else if (command == L"hold" && argc > 3) {
        result = Hold(window, argv[3]);
    }
    CoUninitialize();
    return result;
}
