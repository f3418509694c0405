#include "win32/Form1Window.h"

#include <commctrl.h>

#include <algorithm>

#include "win32/AppIcon.h"
#include "win32/FontChoice.h"
#include "win32/Utf16.h"

namespace win32 {
namespace {

using ui::Widget;
using ui::WidgetKind;

constexpr wchar_t kClassName[] = L"Form1";
// Control ids clear of IDOK and IDCANCEL, which IsDialogMessage sends for Enter and Escape.
constexpr int kFirstId = 100;

constexpr std::size_t Index(Widget w) {
    return static_cast<std::size_t>(w);
}

WidgetKind KindOf(Widget w) {
    return ui::DefaultsOf(w).kind;
}

int SystemDpi() {
    const HDC dc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : ui::kStandardDpi;
}

bool IsComboBox(HWND window) {
    wchar_t name[16]{};
    ::GetClassNameW(window, name, 16);
    return ::lstrcmpiW(name, WC_COMBOBOXW) == 0;
}

}  // namespace

ATOM Form1Window::RegisterClassOnce() {
    static const ATOM atom = [] {
        WNDCLASSEXW c{};
        c.cbSize = sizeof(c);
        c.lpfnWndProc = &Form1Window::WindowProc;
        c.hInstance = ::GetModuleHandleW(nullptr);
        c.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.lpszClassName = kClassName;
        return ::RegisterClassExW(&c);
    }();
    return atom;
}

Form1Window::Form1Window() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    dpi_ = SystemDpi();
    CreateFonts();

    constexpr DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    constexpr DWORD exStyle = WS_EX_CONTROLPARENT;
    RECT frame{0, 0, Pixels(ui::kClientWidthTwips), Pixels(ui::kClientHeightTwips)};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const std::wstring caption = Widen(ui::DefaultsOf(Widget::Form1).text);
    RegisterClassOnce();
    ::CreateWindowExW(exStyle, kClassName, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                      ::GetModuleHandleW(nullptr), this);
    handles_[Index(Widget::Form1)] = window_;
    SetIcons(AppIcon(::GetSystemMetrics(SM_CXSMICON)), AppIcon(::GetSystemMetrics(SM_CXICON)));

    // Creation order is tab order.
    std::vector<ui::Placement> placements(ui::AllPlacements().begin(), ui::AllPlacements().end());
    std::ranges::stable_sort(placements, {}, &ui::Placement::tabIndex);
    for (const ui::Placement& p : placements) {
        handles_[Index(p.widget)] = CreateControl(p);
    }
    focus_ = HandleOf(ui::TabOrder().front());
}

Form1Window::~Form1Window() {
    toolTips_.Destroy();
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
    for (HFONT font : fonts_) {
        ::DeleteObject(font);
    }
}

void Form1Window::CreateFonts() {
    const std::wstring face = AvailableFace(dpi_);
    for (std::size_t i = 0; i < kFontCount; ++i) {
        fonts_[i] = MakeFont(face, ui::FaceOf(static_cast<ui::FontVariant>(i)), dpi_);
    }
}

HWND Form1Window::CreateControl(const ui::Placement& p) {
    const ui::WidgetDefaults& d = ui::DefaultsOf(p.widget);
    DWORD style = WS_CHILD | (d.visible ? WS_VISIBLE : 0);
    DWORD exStyle = 0;
    const wchar_t* cls = WC_STATICW;
    int height = Pixels(p.height);
    switch (d.kind) {
        case WidgetKind::Label:
            // One line, centred vertically, '&' shown as it is.
            style |= (p.align == ui::Align::Centre ? SS_CENTER : SS_LEFTNOWORDWRAP) |
                     SS_CENTERIMAGE | SS_NOPREFIX;
            break;
        case WidgetKind::TextBox:
            cls = WC_EDITW;
            style |=
                WS_TABSTOP | (p.align == ui::Align::Centre ? ES_CENTER : ES_LEFT) | ES_AUTOHSCROLL;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case WidgetKind::List:
            cls = WC_COMBOBOXW;
            style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
            break;
        case WidgetKind::Button:
            cls = WC_BUTTONW;
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case WidgetKind::Form:
            return window_;
    }
    const std::wstring text = Widen(d.text);
    const HWND control = ::CreateWindowExW(
        exStyle, cls, d.kind == WidgetKind::List ? L"" : text.c_str(), style, Pixels(p.left),
        Pixels(p.top), Pixels(p.width), height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + static_cast<int>(p.widget))),
        ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(control, WM_SETFONT, (WPARAM)fonts_[static_cast<std::size_t>(p.font)], FALSE);
    if (d.kind == WidgetKind::TextBox) {
        ::SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
    } else if (d.kind == WidgetKind::List) {
        ::SendMessageW(control, CB_LIMITTEXT, 0, 0);
        FitListHeight(control, height);
        for (std::string_view item : d.items) {
            ::SendMessageW(control, CB_ADDSTRING, 0, (LPARAM)Widen(item).c_str());
            toolTips_.ItemAdded(p.widget, item);
        }
        ::SetWindowTextW(control, text.c_str());
    }
    return control;
}

void Form1Window::SetIcons(HICON titleBar, HICON taskBar) {
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(taskBar));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(titleBar));
}

void Form1Window::Show(int showCommand) {
    ::ShowWindow(window_, showCommand);
    ::UpdateWindow(window_);
    ::SetFocus(focus_);
}

bool Form1Window::PreTranslate(MSG& message) {
    if (message.hwnd == nullptr) {
        return false;
    }
    const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
    if (root == nullptr || ::GetClassLongPtrW(root, GCW_ATOM) != RegisterClassOnce()) {
        return false;
    }
    const bool enterOrEscape =
        (message.message == WM_KEYDOWN &&
         (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) ||
        (message.message == WM_CHAR && (message.wParam == L'\r' || message.wParam == 0x1b));
    if (enterOrEscape) {
        // An opened drop-down takes them to close; elsewhere they press nothing, not even a
        // focused button, which the dialog manager would press on Enter.
        const HWND focus = ::GetFocus();
        const HWND parent = focus != nullptr ? ::GetParent(focus) : nullptr;
        const bool dropped = parent != nullptr && IsComboBox(parent) &&
                             ::SendMessageW(parent, CB_GETDROPPEDSTATE, 0, 0) != 0;
        return !dropped;
    }
    return ::IsDialogMessageW(root, &message) != FALSE;
}

LRESULT CALLBACK Form1Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<Form1Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Form1Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT Form1Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // IDOK and IDCANCEL from the dialog manager come without a control: nothing.
            if (lParam != 0) {
                OnCommand(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
            }
            return 0;
        case DropDownLists::kAfterDropDown:
            lists_.AfterDropDown(static_cast<Widget>(wParam));
            return 0;
        case DropDownLists::kAfterCloseUp:
            lists_.AfterCloseUp(static_cast<Widget>(wParam), lParam != 0);
            toolTips_.ShowSelected(static_cast<Widget>(wParam));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = ::GetFocus();
                if (focus != nullptr && ::IsChild(window_, focus)) {
                    focus_ = focus;
                }
            }
            break;
        case WM_SETFOCUS:
            // The window itself takes no keys: the control that had the focus gets it back.
            if (focus_ != nullptr && ::IsWindow(focus_)) {
                ::SetFocus(focus_);
            }
            return 0;
        case WM_CLOSE:
            if (onClose_) {
                onClose_();
            } else {
                ::PostQuitMessage(0);
            }
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void Form1Window::OnCommand(HWND control, int id, int code) {
    const int index = id - kFirstId;
    if (index <= 0 || index >= static_cast<int>(ui::kWidgetCount) ||
        HandleOf(static_cast<Widget>(index)) != control) {
        return;
    }
    const auto widget = static_cast<Widget>(index);
    switch (KindOf(widget)) {
        case WidgetKind::Button:
            if (code == BN_CLICKED && onClick_ && ::IsWindowEnabled(control) &&
                ::IsWindowVisible(control)) {
                onClick_(widget);
            }
            break;
        case WidgetKind::List:
            switch (code) {
                case CBN_EDITCHANGE:
                    if (lists_.OnEditChange(widget)) {
                        toolTips_.ShowSelected(widget);
                    }
                    break;
                case CBN_DROPDOWN:
                    if (onDropDown_) {
                        onDropDown_(widget);
                    }
                    toolTips_.DroppedDown();
                    lists_.OnDropDown(widget);
                    break;
                case CBN_SELENDOK:
                case CBN_SELENDCANCEL:
                    lists_.OnSelectionEnd(widget, code == CBN_SELENDCANCEL);
                    break;
                case CBN_SELCHANGE:
                    toolTips_.ShowSelected(widget);
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
}

void Form1Window::SetCaption(Widget widget, std::string_view caption) {
    SetText(widget, caption);
}

void Form1Window::SetText(Widget widget, std::string_view text) {
    const HWND w = HandleOf(widget);
    const std::wstring value = Widen(text);
    if (KindOf(widget) == WidgetKind::List) {
        lists_.SetText(widget, value);
        return;
    }
    // The same text again repaints nothing: the live position is set on every reply.
    if (WindowText(w) != value) {
        ::SetWindowTextW(w, value.c_str());
    }
}

std::string Form1Window::Text(Widget widget) const {
    return Narrow(WindowText(HandleOf(widget)));
}

bool Form1Window::IsList(Widget widget) const {
    return KindOf(widget) == WidgetKind::List;
}

int Form1Window::SelectedIndex(Widget list) const {
    return IsList(list) ? Selected(HandleOf(list)) : -1;
}

bool Form1Window::SetSelectedIndex(Widget list, int index) {
    if (!IsList(list) || index < 0 || index >= ItemCount(HandleOf(list))) {
        return false;
    }
    ::SendMessageW(HandleOf(list), CB_SETCURSEL, index, 0);
    lists_.ShowTellingEnd(list);
    toolTips_.ShowSelected(list);
    return true;
}

void Form1Window::ClearItems(Widget list) {
    if (!IsList(list)) {
        return;
    }
    ::SendMessageW(HandleOf(list), CB_RESETCONTENT, 0, 0);
    ::SetWindowTextW(HandleOf(list), L"");
    toolTips_.ItemsCleared(list);
    toolTips_.ShowSelected(list);
}

void Form1Window::AddItem(Widget list, std::string_view item) {
    if (!IsList(list)) {
        return;
    }
    // Appended: no sorting, and the selection stays as it was.
    ::SendMessageW(HandleOf(list), CB_ADDSTRING, 0, (LPARAM)Widen(item).c_str());
    toolTips_.ItemAdded(list, item);
}

void Form1Window::SetEnabled(Widget widget, bool enabled) {
    const HWND w = HandleOf(widget);
    const HWND focus = ::GetFocus();
    const bool hadFocus = focus != nullptr && (focus == w || ::IsChild(w, focus));
    ::EnableWindow(w, enabled ? TRUE : FALSE);
    // A disabled control keeps the keyboard focus and takes no key, tab included: it moves on.
    if (!enabled && hadFocus && widget != Widget::Form1) {
        const HWND next = ::GetNextDlgTabItem(window_, w, FALSE);
        focus_ = next;
        ::SetFocus(next);
    }
}

void Form1Window::SetFocus(Widget widget) {
    const HWND w = HandleOf(widget);
    if (w != window_) {
        focus_ = w;
    }
    if (::IsWindowVisible(window_)) {
        ::SetFocus(w);
    }
}

std::vector<std::string> Form1Window::Items(Widget list) const {
    std::vector<std::string> items;
    if (IsList(list)) {
        const HWND combo = HandleOf(list);
        for (int i = 0, count = ItemCount(combo); i < count; ++i) {
            items.push_back(Narrow(ItemText(combo, i)));
        }
    }
    return items;
}

bool Form1Window::IsEnabled(Widget widget) const {
    return ::IsWindowEnabled(HandleOf(widget)) != FALSE;
}

void Form1Window::SetItemToolTips(Widget list,
                                  std::function<std::string(std::string_view)> toolTip) {
    if (IsList(list)) {
        toolTips_.Set(list, std::move(toolTip));
    }
}

std::string Form1Window::ToolTipShown(Widget list, bool overDropDown) const {
    return IsList(list) ? toolTips_.Shown(list, overDropDown) : std::string();
}

}  // namespace win32
