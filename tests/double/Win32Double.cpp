#include "Win32Double.h"

#include <deque>
#include <map>
#include <stdarg.h>
#include <stdio.h>

namespace win32double {
namespace {

enum class Kind { StockPen, StockBrush, Pen, Brush, Window, Dc, Icon, Cursor };

struct Object {
    Kind kind;
    std::string name;
    bool deleted = false;
};

struct Dc {
    HWND hwnd;
    uintptr_t pen;
    uintptr_t brush;
};

struct WindowRecord : WindowState {
    WNDPROC proc = nullptr;
    DLGPROC dialogProc = nullptr;
};

struct QueuedInput {
    MSG msg;
    bool toDialog;
};

struct Dialog {
    HWND hwnd;
    bool ended;
    INT_PTR result;
};

constexpr uintptr_t StockBase = 0x100;

struct Platform {
    std::map<uintptr_t, Object> objects;
    std::map<uintptr_t, Dc> dcs;
    std::map<uintptr_t, WindowRecord> windows;
    std::map<std::string, WNDCLASSEXA> classes;
    std::vector<std::string> classNames; // storage the class records point into
    std::vector<RecordedCall> calls;
    unsigned generation = 0; // how often calls was cleared
    std::vector<std::string> faults;
    std::deque<QueuedInput> queue;
    std::vector<Dialog> dialogs;
    void (*idle)() = nullptr;
    uintptr_t nextHandle = 0x1000;
    int pens = 0, brushes = 0, windowCount = 0, dcCount = 0, icons = 0;
    int liveObjects = 0; // pens and brushes created and not deleted
    int cursorCount = 0;
    int screenWidth = 1024, screenHeight = 768;
    bool failWindowCreation = false;
    int pensUntilFailure = 0; // 0: none fails
    bool quitPosted = false;
    int quitCode = 0;
};

Platform &P()
{
    static Platform platform;
    return platform;
}

uintptr_t Id(const void *handle) { return reinterpret_cast<uintptr_t>(handle); }

void Fault(const std::string &what) { P().faults.push_back(what); }

std::string Format(const char *format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

const char *MessageName(UINT message)
{
    switch (message) {
    case WM_CREATE: return "WM_CREATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_SIZE: return "WM_SIZE";
    case WM_PAINT: return "WM_PAINT";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_QUIT: return "WM_QUIT";
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_CHAR: return "WM_CHAR";
    case WM_INITDIALOG: return "WM_INITDIALOG";
    case WM_COMMAND: return "WM_COMMAND";
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_RBUTTONDOWN: return "WM_RBUTTONDOWN";
    case WM_RBUTTONUP: return "WM_RBUTTONUP";
    }
    return nullptr;
}

std::string Message(UINT message)
{
    const char *name = MessageName(message);
    return name ? name : Format("0x%04X", message);
}

std::string Text(LPCSTR text)
{
    if (!text) {
        return "NULL";
    }
    if (Id(text) < 0x10000) {
        return Format("#%u", static_cast<unsigned>(Id(text)));
    }
    return Format("\"%s\"", text);
}

std::string Rect(const RECT &rect)
{
    return Format("{%d, %d, %d, %d}", rect.left, rect.top, rect.right, rect.bottom);
}

// Where a recorded call stands, so its result can be added when it returns;
// a test may clear the record while the call runs.
struct CallRef {
    size_t index;
    unsigned generation;
};

CallRef Record(const std::string &text, HDC dc = nullptr)
{
    RecordedCall call{text, "", ""};
    auto found = P().dcs.find(Id(dc));
    if (found != P().dcs.end()) {
        call.pen = Name(reinterpret_cast<void *>(found->second.pen));
        call.brush = Name(reinterpret_cast<void *>(found->second.brush));
    }
    P().calls.push_back(call);
    return CallRef{P().calls.size() - 1, P().generation};
}

void AppendResult(CallRef call, const std::string &result)
{
    if (call.generation == P().generation) {
        P().calls[call.index].text += " -> " + result;
    }
}

uintptr_t NewHandle(Kind kind, const std::string &name)
{
    const uintptr_t id = P().nextHandle++;
    P().objects[id] = Object{kind, name};
    P().liveObjects += kind == Kind::Pen || kind == Kind::Brush;
    return id;
}

Object *FindObject(uintptr_t id)
{
    auto found = P().objects.find(id);
    return found == P().objects.end() ? nullptr : &found->second;
}

WindowRecord *FindWindow(HWND hwnd)
{
    auto found = P().windows.find(Id(hwnd));
    return found == P().windows.end() || found->second.destroyed ? nullptr : &found->second;
}

Dc *FindDc(HDC dc, const char *call)
{
    auto found = P().dcs.find(Id(dc));
    if (found == P().dcs.end()) {
        Fault(Format("%s on %s, which is not a DC in use", call, Name(dc).c_str()));
        return nullptr;
    }
    return &found->second;
}

bool IsStock(const Object &object) { return object.kind == Kind::StockPen || object.kind == Kind::StockBrush; }

bool IsGdiObject(const Object &object) { return object.kind <= Kind::Brush; }

void InstallStockObjects()
{
    const std::pair<int, const char *> stock[] = {
        {WHITE_BRUSH, "WHITE_BRUSH"}, {BLACK_BRUSH, "BLACK_BRUSH"}, {NULL_BRUSH, "NULL_BRUSH"},
        {WHITE_PEN, "WHITE_PEN"},     {BLACK_PEN, "BLACK_PEN"},
    };
    for (const auto &[index, name] : stock) {
        const Kind kind = index >= WHITE_PEN ? Kind::StockPen : Kind::StockBrush;
        P().objects[StockBase + index] = Object{kind, name};
    }
}

LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRecord *window = FindWindow(hwnd);
    if (!window) {
        Fault(Format("%s to %s, which is no window", Message(message).c_str(), Name(hwnd).c_str()));
        return 0;
    }
    // The creation record's address differs from run to run.
    const std::string lParamText =
        message == WM_CREATE ? "&create" : Format("0x%lX", static_cast<unsigned long>(lParam));
    Record(Format("%s <- %s(%lu, %s)", Name(hwnd).c_str(), Message(message).c_str(),
                  static_cast<unsigned long>(wParam), lParamText.c_str()));
    if (window->dialogProc) {
        return window->dialogProc(hwnd, message, wParam, lParam);
    }
    if (window->proc) {
        return window->proc(hwnd, message, wParam, lParam);
    }
    return 0;
}

WindowRecord NewWindow(const std::string &className, const std::string &title, DWORD style, DWORD exStyle, int x,
                       int y, int width, int height, HWND owner)
{
    WindowRecord window;
    static_cast<WindowState &>(window) =
        WindowState{className, title, style, exStyle, x, y, width, height, owner, true, false, false};
    return window;
}

HWND AddWindow(const WindowRecord &window)
{
    const std::string name = Format("hwnd%d", ++P().windowCount);
    const uintptr_t id = NewHandle(Kind::Window, name);
    P().windows[id] = window;
    return reinterpret_cast<HWND>(id);
}

// Input goes only to enabled windows, as the platform routes it.
bool IsInput(UINT message) { return message >= WM_KEYDOWN && message <= WM_RBUTTONUP; }

// The next message for a message loop: queued input first, then a paint for
// a window that needs one, as the platform orders them. False when there is
// nothing left at all.
bool NextMessage(MSG *msg)
{
    for (;;) {
        while (!P().queue.empty()) {
            QueuedInput input = P().queue.front();
            P().queue.pop_front();
            if (input.toDialog) {
                if (P().dialogs.empty()) {
                    Fault(Format("%s for a dialog, but none is up", Message(input.msg.message).c_str()));
                    continue;
                }
                input.msg.hwnd = P().dialogs.back().hwnd;
            }
            const WindowRecord *window = FindWindow(input.msg.hwnd);
            if (input.msg.message != WM_QUIT && (!window || (IsInput(input.msg.message) && !window->enabled))) {
                Record(Format("input %s to %s dropped", Message(input.msg.message).c_str(),
                              Name(input.msg.hwnd).c_str()));
                continue;
            }
            *msg = input.msg;
            return true;
        }
        if (P().quitPosted) {
            P().quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(P().quitCode), 0, 0, {0, 0}};
            return true;
        }
        for (auto &[id, window] : P().windows) {
            if (!window.destroyed && window.needsPaint) {
                *msg = MSG{reinterpret_cast<HWND>(id), WM_PAINT, 0, 0, 0, {0, 0}};
                return true;
            }
        }
        if (!P().idle) {
            return false;
        }
        void (*idle)() = P().idle;
        P().idle = nullptr;
        idle();
    }
}

void Invalidate(WindowRecord &window) { window.needsPaint = window.width > 0 && window.height > 0; }

} // namespace

void Reset()
{
    P() = Platform{};
    InstallStockObjects();
}

void SetScreenSize(int width, int height)
{
    P().screenWidth = width;
    P().screenHeight = height;
}

void FailWindowCreation() { P().failWindowCreation = true; }

void FailPenCreation(int n) { P().pensUntilFailure = n; }

HWND CreatePaintTarget(int width, int height)
{
    return AddWindow(NewWindow("paint target", "", WS_POPUP | WS_VISIBLE, 0, 0, 0, width, height, nullptr));
}

const std::vector<RecordedCall> &Recorded() { return P().calls; }

std::vector<std::string> CallTexts()
{
    std::vector<std::string> texts;
    for (const RecordedCall &call : P().calls) {
        texts.push_back(call.text);
    }
    return texts;
}

void ClearCalls()
{
    P().calls.clear();
    ++P().generation;
}

const std::vector<std::string> &Faults() { return P().faults; }

int LiveObjectCount() { return P().liveObjects; }

int CursorDisplayCount() { return P().cursorCount; }

void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    P().queue.push_back(QueuedInput{MSG{hwnd, message, wParam, lParam, 0, {0, 0}}, false});
}

void PostToDialog(UINT message, WPARAM wParam, LPARAM lParam)
{
    P().queue.push_back(QueuedInput{MSG{nullptr, message, wParam, lParam, 0, {0, 0}}, true});
}

void OnIdle(void (*idle)()) { P().idle = idle; }

const WNDCLASSEXA *RegisteredClass(const std::string &name)
{
    auto found = P().classes.find(name);
    return found == P().classes.end() ? nullptr : &found->second;
}

const WindowState *Window(HWND hwnd)
{
    auto found = P().windows.find(Id(hwnd));
    return found == P().windows.end() ? nullptr : &found->second;
}

HWND TopLevelWindow(const std::string &className)
{
    for (const auto &[id, window] : P().windows) {
        if (!window.destroyed && !window.owner && window.className == className) {
            return reinterpret_cast<HWND>(id);
        }
    }
    return nullptr;
}

HWND ActiveDialog() { return P().dialogs.empty() ? nullptr : P().dialogs.back().hwnd; }

std::string Name(const void *handle)
{
    if (!handle) {
        return "NULL";
    }
    const Object *object = FindObject(Id(handle));
    return object ? object->name : Format("0x%lX", static_cast<unsigned long>(Id(handle)));
}

} // namespace win32double

using namespace win32double;

// gdi32

HGDIOBJ WINAPI GetStockObject(int index)
{
    const CallRef call = Record(Format("GetStockObject(%d)", index));
    const Object *object = FindObject(StockBase + index);
    if (!object) {
        Fault(Format("GetStockObject(%d): no such stock object here", index));
        return nullptr;
    }
    AppendResult(call, object->name);
    return reinterpret_cast<HGDIOBJ>(StockBase + index);
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ handle)
{
    const CallRef call = Record(Format("SelectObject(%s, %s)", Name(dc).c_str(), Name(handle).c_str()), dc);
    Dc *state = FindDc(dc, "SelectObject");
    if (!handle) {
        AppendResult(call, "NULL"); // the platform refuses it, as the program must expect
        return nullptr;
    }
    Object *object = FindObject(Id(handle));
    if (!state || !object || !IsGdiObject(*object) || object->deleted) {
        Fault("SelectObject of " + Name(handle) + ", which is no live pen or brush");
        return nullptr;
    }
    const bool pen = object->kind == Kind::Pen || object->kind == Kind::StockPen;
    uintptr_t &slot = pen ? state->pen : state->brush;
    const uintptr_t replaced = slot;
    slot = Id(handle);
    AppendResult(call, Name(reinterpret_cast<void *>(replaced)));
    return reinterpret_cast<HGDIOBJ>(replaced);
}

BOOL WINAPI DeleteObject(HGDIOBJ handle)
{
    const CallRef call = Record(Format("DeleteObject(%s)", Name(handle).c_str()));
    Object *object = FindObject(Id(handle));
    if (!object || !IsGdiObject(*object) || object->deleted) {
        Fault("DeleteObject of " + Name(handle) + ", which is no live pen or brush");
        AppendResult(call, "FALSE");
        return FALSE;
    }
    if (IsStock(*object)) {
        AppendResult(call, "TRUE");
        return TRUE; // the platform ignores it
    }
    for (const auto &[id, state] : P().dcs) {
        if (state.pen == Id(handle) || state.brush == Id(handle)) {
            Fault("DeleteObject of " + object->name + " while it is selected in " + Name(reinterpret_cast<void *>(id)));
            AppendResult(call, "FALSE");
            return FALSE;
        }
    }
    object->deleted = true;
    --P().liveObjects;
    AppendResult(call, "TRUE");
    return TRUE;
}

HPEN WINAPI CreatePen(int style, int width, COLORREF colour)
{
    const CallRef call = Record(Format("CreatePen(%d, %d, 0x%08X)", style, width, colour));
    if (P().pensUntilFailure > 0 && --P().pensUntilFailure == 0) {
        AppendResult(call, "NULL");
        return nullptr;
    }
    const uintptr_t id = NewHandle(Kind::Pen, Format("pen%d", ++P().pens));
    AppendResult(call, Name(reinterpret_cast<void *>(id)));
    return reinterpret_cast<HPEN>(id);
}

HBRUSH WINAPI CreateSolidBrush(COLORREF colour)
{
    const CallRef call = Record(Format("CreateSolidBrush(0x%08X)", colour));
    const uintptr_t id = NewHandle(Kind::Brush, Format("brush%d", ++P().brushes));
    AppendResult(call, Name(reinterpret_cast<void *>(id)));
    return reinterpret_cast<HBRUSH>(id);
}

int WINAPI SetMapMode(HDC dc, int mode)
{
    Record(Format("SetMapMode(%s, %d)", Name(dc).c_str(), mode), dc);
    FindDc(dc, "SetMapMode");
    return MM_TEXT;
}

BOOL WINAPI DPtoLP(HDC dc, LPPOINT points, int count)
{
    std::string text = Format("DPtoLP(%s, ", Name(dc).c_str());
    for (int i = 0; i < count; ++i) {
        text += Format("%s(%d, %d)", i ? ", " : "", points[i].x, points[i].y);
    }
    Record(text + Format(", %d)", count), dc);
    return FindDc(dc, "DPtoLP") != nullptr;
}

BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    Record(Format("Rectangle(%s, %d, %d, %d, %d)", Name(dc).c_str(), left, top, right, bottom), dc);
    return FindDc(dc, "Rectangle") != nullptr;
}

BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    Record(Format("Ellipse(%s, %d, %d, %d, %d)", Name(dc).c_str(), left, top, right, bottom), dc);
    return FindDc(dc, "Ellipse") != nullptr;
}

BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous)
{
    Record(Format("MoveToEx(%s, %d, %d, %s)", Name(dc).c_str(), x, y, previous ? "&previous" : "NULL"), dc);
    return FindDc(dc, "MoveToEx") != nullptr;
}

BOOL WINAPI LineTo(HDC dc, int x, int y)
{
    Record(Format("LineTo(%s, %d, %d)", Name(dc).c_str(), x, y), dc);
    return FindDc(dc, "LineTo") != nullptr;
}

// user32

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    const CallRef call = Record(Format("BeginPaint(%s)", Name(hwnd).c_str()));
    WindowRecord *window = FindWindow(hwnd);
    if (!window) {
        Fault("BeginPaint on " + Name(hwnd) + ", which is no window");
        return nullptr;
    }
    for (const auto &[id, state] : P().dcs) {
        if (state.hwnd == hwnd) {
            Fault("BeginPaint on " + Name(hwnd) + " inside another BeginPaint");
        }
    }
    window->needsPaint = false;
    const uintptr_t id = NewHandle(Kind::Dc, Format("hdc%d", ++P().dcCount));
    P().dcs[id] = Dc{hwnd, StockBase + BLACK_PEN, StockBase + WHITE_BRUSH};
    *paint = PAINTSTRUCT{};
    paint->hdc = reinterpret_cast<HDC>(id);
    paint->rcPaint = RECT{0, 0, window->width, window->height};
    AppendResult(call, Name(paint->hdc));
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT *paint)
{
    Record(Format("EndPaint(%s)", Name(hwnd).c_str()));
    Dc *state = FindDc(paint->hdc, "EndPaint");
    if (!state || state->hwnd != hwnd) {
        Fault("EndPaint without its BeginPaint on " + Name(hwnd));
        return FALSE;
    }
    for (uintptr_t selected : {state->pen, state->brush}) {
        if (!IsStock(*FindObject(selected))) {
            Fault("EndPaint with " + Name(reinterpret_cast<void *>(selected)) + " still selected");
        }
    }
    P().dcs.erase(Id(paint->hdc));
    if (LiveObjectCount() != 0) {
        Fault(Format("EndPaint leaves %d pens or brushes alive", LiveObjectCount()));
    }
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect)
{
    const CallRef call = Record(Format("GetClientRect(%s)", Name(hwnd).c_str()));
    const WindowRecord *window = FindWindow(hwnd);
    if (!window) {
        Fault("GetClientRect on " + Name(hwnd) + ", which is no window");
        return FALSE;
    }
    *rect = RECT{0, 0, window->width, window->height};
    AppendResult(call, ::Rect(*rect));
    return TRUE;
}

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    Record(Format("SetRect(%d, %d, %d, %d)", left, top, right, bottom));
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

int WINAPI FillRect(HDC dc, const RECT *rect, HBRUSH brush)
{
    Record(Format("FillRect(%s, %s, %s)", Name(dc).c_str(), ::Rect(*rect).c_str(), Name(brush).c_str()), dc);
    const Object *object = FindObject(Id(brush));
    if (!object || object->deleted || (object->kind != Kind::Brush && object->kind != Kind::StockBrush)) {
        Fault("FillRect with " + Name(brush) + ", which is no live brush");
    }
    return FindDc(dc, "FillRect") != nullptr;
}

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *windowClass)
{
    const CallRef call = Record(Format("RegisterClassExA(%s)", Text(windowClass->lpszClassName).c_str()));
    const std::string name = windowClass->lpszClassName;
    if (P().classes.count(name)) {
        AppendResult(call, "0");
        return 0;
    }
    P().classes[name] = *windowClass;
    AppendResult(call, "1");
    return 1;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, void *param)
{
    const CallRef call = Record(Format("CreateWindowExA(0x%X, %s, %s, 0x%08X, %d, %d, %d, %d, %s, %s, %s, %s)",
                                      exStyle, Text(className).c_str(), Text(title).c_str(), style, x, y, width,
                                      height, Name(parent).c_str(), Name(menu).c_str(), Name(instance).c_str(),
                                      param ? "param" : "NULL"));
    const WNDCLASSEXA *windowClass = RegisteredClass(className);
    if (!windowClass || P().failWindowCreation) {
        AppendResult(call, "NULL");
        return nullptr;
    }
    WindowRecord window = NewWindow(className, title ? title : "", style, exStyle, x, y, width, height, parent);
    window.proc = windowClass->lpfnWndProc;
    HWND hwnd = AddWindow(window);
    if (style & WS_VISIBLE) {
        Invalidate(*FindWindow(hwnd));
    }
    CREATESTRUCTA create{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                         title, className, exStyle};
    if (Deliver(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        FindWindow(hwnd)->destroyed = true;
        AppendResult(call, "NULL");
        return nullptr;
    }
    AppendResult(call, Name(hwnd));
    return hwnd;
}

BOOL WINAPI ShowWindow(HWND hwnd, int showState)
{
    Record(Format("ShowWindow(%s, %d)", Name(hwnd).c_str(), showState));
    WindowRecord *window = FindWindow(hwnd);
    if (!window) {
        return FALSE;
    }
    const BOOL wasVisible = (window->style & WS_VISIBLE) != 0;
    window->style |= WS_VISIBLE;
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hwnd)
{
    Record(Format("UpdateWindow(%s)", Name(hwnd).c_str()));
    WindowRecord *window = FindWindow(hwnd);
    if (!window) {
        return FALSE;
    }
    if (window->needsPaint) {
        Deliver(hwnd, WM_PAINT, 0, 0);
    }
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    Record(Format("MoveWindow(%s, %d, %d, %d, %d, %s)", Name(hwnd).c_str(), x, y, width, height,
                  repaint ? "TRUE" : "FALSE"));
    WindowRecord *window = FindWindow(hwnd);
    if (!window) {
        return FALSE;
    }
    const bool resized = width != window->width || height != window->height;
    window->x = x;
    window->y = y;
    window->width = width;
    window->height = height;
    if (resized && repaint) {
        Invalidate(*window);
    }
    return TRUE;
}

HWND WINAPI GetParent(HWND hwnd)
{
    const CallRef call = Record(Format("GetParent(%s)", Name(hwnd).c_str()));
    const WindowRecord *window = FindWindow(hwnd);
    HWND owner = window ? window->owner : nullptr;
    AppendResult(call, Name(owner));
    return owner;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last)
{
    const CallRef call = Record(Format("GetMessageA(%s, %u, %u)", Name(hwnd).c_str(), first, last));
    if (!NextMessage(msg)) {
        Fault("GetMessageA would wait for ever: nothing queued and nothing to paint");
        *msg = MSG{nullptr, WM_QUIT, 0, 0, 0, {0, 0}};
    }
    AppendResult(call, Message(msg->message));
    return msg->message != WM_QUIT;
}

BOOL WINAPI TranslateMessage(const MSG *msg)
{
    Record("TranslateMessage(" + Message(msg->message) + ")");
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    Record("DispatchMessageA(" + Message(msg->message) + ")");
    return Deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A distinctive result, so a test can see it passed back unchanged.
    const LRESULT result = 0x5000 + static_cast<LRESULT>(message);
    Record(Format("DefWindowProcA(%s, %s, %lu, 0x%lX) -> 0x%lX", Name(hwnd).c_str(), Message(message).c_str(),
                  static_cast<unsigned long>(wParam), static_cast<unsigned long>(lParam),
                  static_cast<unsigned long>(result)));
    if (message == WM_PAINT) {
        FindWindow(hwnd)->needsPaint = false; // it validates the window
    }
    return result;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Record(Format("SendMessageA(%s, %s, %lu, 0x%lX)", Name(hwnd).c_str(), Message(message).c_str(),
                  static_cast<unsigned long>(wParam), static_cast<unsigned long>(lParam)));
    return Deliver(hwnd, message, wParam, lParam);
}

void WINAPI PostQuitMessage(int code)
{
    Record(Format("PostQuitMessage(%d)", code));
    P().quitPosted = true;
    P().quitCode = code;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    const CallRef call = Record(Format("DialogBoxParamA(%s, %s, %s, proc, %ld)", Name(instance).c_str(),
                                      Text(templateName).c_str(), Name(owner).c_str(), static_cast<long>(param)));
    WindowRecord *ownerWindow = FindWindow(owner);
    if (!ownerWindow) {
        Fault("DialogBoxParamA with " + Name(owner) + ", which is no window, as owner");
        return -1;
    }
    WindowRecord dialog = NewWindow("#32770", Text(templateName), WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0, owner);
    dialog.dialogProc = proc;
    HWND hwnd = AddWindow(dialog);
    ownerWindow->enabled = false;
    P().dialogs.push_back(Dialog{hwnd, false, 0});
    Deliver(hwnd, WM_INITDIALOG, 0, param);

    // The modal loop: it runs until EndDialog, dispatching what arrives, and
    // leaves a quit message for the loop outside it.
    MSG msg;
    while (!P().dialogs.back().ended) {
        if (!NextMessage(&msg)) {
            Fault("the dialog would wait for ever: nothing queued and nothing to paint");
            break;
        }
        if (msg.message == WM_QUIT) {
            P().quitPosted = true;
            P().quitCode = static_cast<int>(msg.wParam);
            break;
        }
        Deliver(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
    const INT_PTR result = P().dialogs.back().result;
    P().dialogs.pop_back();
    P().windows[Id(hwnd)].destroyed = true;
    if (WindowRecord *stillThere = FindWindow(owner)) {
        stillThere->enabled = true;
    }
    AppendResult(call, Format("%ld", static_cast<long>(result)));
    return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result)
{
    Record(Format("EndDialog(%s, %ld)", Name(dialog).c_str(), static_cast<long>(result)));
    for (Dialog &up : P().dialogs) {
        if (up.hwnd == dialog && !up.ended) {
            up.ended = true;
            up.result = result;
            return TRUE;
        }
    }
    Fault("EndDialog on " + Name(dialog) + ", which is no running dialog");
    return FALSE;
}

int WINAPI GetSystemMetrics(int index)
{
    const int value = index == SM_CXSCREEN ? P().screenWidth : index == SM_CYSCREEN ? P().screenHeight : 0;
    Record(Format("GetSystemMetrics(%s) -> %d",
                  index == SM_CXSCREEN ? "SM_CXSCREEN" : index == SM_CYSCREEN ? "SM_CYSCREEN" : "?", value));
    return value;
}

int WINAPI ShowCursor(BOOL show)
{
    P().cursorCount += show ? 1 : -1;
    Record(Format("ShowCursor(%s) -> %d", show ? "TRUE" : "FALSE", P().cursorCount));
    return P().cursorCount;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor)
{
    Record(Format("SetCursor(%s)", Name(cursor).c_str()));
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    const CallRef call = Record(Format("LoadCursorA(%s, %s)", Name(instance).c_str(), Text(name).c_str()));
    const uintptr_t id = NewHandle(Kind::Cursor, name == IDC_ARROW ? "IDC_ARROW" : "cursor");
    AppendResult(call, Name(reinterpret_cast<void *>(id)));
    return reinterpret_cast<HCURSOR>(id);
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    const CallRef call = Record(Format("LoadIconA(%s, %s)", Name(instance).c_str(), Text(name).c_str()));
    const uintptr_t id = NewHandle(Kind::Icon, Format("icon%d", ++P().icons));
    AppendResult(call, Name(reinterpret_cast<void *>(id)));
    return reinterpret_cast<HICON>(id);
}
