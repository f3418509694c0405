#include "win32/Form1Window.h"

#include <commctrl.h>

#include <algorithm>
#include <initializer_list>

#include "win32/AppIcon.h"
#include "win32/Utf16.h"

namespace win32 {
namespace {

using ui::Widget;
using ui::WidgetKind;

constexpr wchar_t kClassName[] = L"Form1";
constexpr wchar_t kOwnerProperty[] = L"win32.Form1Window";
constexpr wchar_t kProcProperty[] = L"win32.Form1Window.proc";
// Control ids clear of IDOK and IDCANCEL, which IsDialogMessage sends for Enter and Escape.
constexpr int kFirstId = 100;
constexpr UINT kAfterDropDown = WM_APP + 1;
constexpr UINT kAfterCloseUp = WM_APP + 2;
constexpr int kDropDownItems = 8;
// Windows' own drop-down list message of common controls 6; older ones ignore it.
constexpr UINT kSetMinVisible = 0x1701;  // CB_SETMINVISIBLE

constexpr std::size_t Index(Widget w) {
    return static_cast<std::size_t>(w);
}

WidgetKind KindOf(Widget w) {
    return ui::DefaultsOf(w).kind;
}

// The faces asked for in turn, each with the names GDI may report for it (the Chinese name on
// a Chinese system, the English one elsewhere).
struct FaceChoice {
    const wchar_t* asked;
    std::initializer_list<const wchar_t*> reported;
};
const FaceChoice kFaces[] = {
    {L"宋体", {L"宋体", L"SimSun"}},
    {L"SimSun", {L"SimSun", L"宋体"}},
    {L"NSimSun", {L"NSimSun", L"新宋体"}},
    {L"Microsoft YaHei", {L"Microsoft YaHei", L"微软雅黑"}},
};

HFONT MakeFont(const wchar_t* face, ui::FontFace variant, int dpi) {
    return ::CreateFontW(-::MulDiv(variant.hundredthsOfPoint, dpi, 72 * 100), 0, 0, 0,
                         variant.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
}

std::wstring FaceGdiChose(HDC dc, HFONT font) {
    const HGDIOBJ old = ::SelectObject(dc, font);
    wchar_t chosen[LF_FACESIZE]{};
    ::GetTextFaceW(dc, LF_FACESIZE, chosen);
    ::SelectObject(dc, old);
    return chosen;
}

// The first face GDI really has; where it has none of them, "宋体" all the same, for which GDI
// picks a face by the character set.
const wchar_t* AvailableFace(int dpi) {
    const HDC dc = ::GetDC(nullptr);
    const wchar_t* found = nullptr;
    for (const FaceChoice& choice : kFaces) {
        const HFONT font = MakeFont(choice.asked, ui::FaceOf(ui::FontVariant::SmallRegular), dpi);
        const std::wstring chosen = FaceGdiChose(dc, font);
        ::DeleteObject(font);
        for (const wchar_t* name : choice.reported) {
            if (::lstrcmpiW(chosen.c_str(), name) == 0) {
                found = choice.asked;
            }
        }
        if (found != nullptr) {
            break;
        }
    }
    ::ReleaseDC(nullptr, dc);
    return found != nullptr ? found : kFaces[0].asked;
}

int SystemDpi() {
    const HDC dc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

std::wstring WindowText(HWND window) {
    const auto length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = ::SendMessageW(window, WM_GETTEXT, text.size(), (LPARAM)text.data());
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring ItemText(HWND combo, int index) {
    const auto length = ::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, index, (LPARAM)text.data());
    text.resize(static_cast<std::size_t>(length));
    return text;
}

int ItemCount(HWND combo) {
    return static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
}

int Selected(HWND combo) {
    return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

bool IsComboBox(HWND window) {
    wchar_t name[16]{};
    ::GetClassNameW(window, name, 16);
    return ::lstrcmpiW(name, WC_COMBOBOXW) == 0;
}

TTTOOLINFOW ToolOf(HWND owner, HWND control) {
    TTTOOLINFOW tool{};
    // The size every version of the common controls knows, 5 and 6 alike.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    return tool;
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
    // The tooltip first: the window would take it along, and its handle with it.
    if (toolTip_ != nullptr) {
        ::DestroyWindow(toolTip_);
    }
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
    for (HFONT font : fonts_) {
        ::DeleteObject(font);
    }
}

void Form1Window::CreateFonts() {
    const wchar_t* face = AvailableFace(dpi_);
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
        case WidgetKind::Label: {
            const bool centred = p.widget == Widget::Label19 || p.widget == Widget::Label20;
            // One line, centred vertically, '&' shown as it is.
            style |= (centred ? SS_CENTER : SS_LEFTNOWORDWRAP) | SS_CENTERIMAGE | SS_NOPREFIX;
            break;
        }
        case WidgetKind::TextBox:
            cls = WC_EDITW;
            style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
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
            tips_[Index(p.widget)].emplace_back();
        }
        ::SetWindowTextW(control, text.c_str());
    }
    return control;
}

// A drop-down list's closed height follows its font; it is made the placement's height, and the
// window's height, which counts the opened list too, room for eight items.
void Form1Window::FitListHeight(HWND combo, int closedHeight) {
    RECT r{};
    // Measured, not computed: Wine reports the text field 2 px taller than it was set.
    auto field = ::SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 3; ++attempt) {
        ::GetWindowRect(combo, &r);
        const int excess = static_cast<int>(r.bottom - r.top) - closedHeight;
        if (excess == 0 || field - excess <= 0) {
            break;
        }
        field -= excess;
        ::SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
    const auto item = ::SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0);
    const int dropped = closedHeight + kDropDownItems * static_cast<int>(item) + 2;
    ::SetWindowPos(combo, nullptr, 0, 0, static_cast<int>(r.right - r.left), dropped,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(combo, kSetMinVisible, kDropDownItems, 0);
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
        case kAfterDropDown:
            AfterDropDown(static_cast<Widget>(wParam));
            return 0;
        case kAfterCloseUp:
            AfterCloseUp(static_cast<Widget>(wParam), lParam != 0);
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
                    OnEditChange(widget);
                    break;
                case CBN_DROPDOWN:
                    OnDropDown(widget);
                    break;
                case CBN_SELENDOK:
                case CBN_SELENDCANCEL:
                    // Windows finishes the pick after these; look once it has. They also come
                    // when a closed list loses the focus.
                    if (::SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0) != 0) {
                        ::PostMessageW(window_, kAfterCloseUp, index, code == CBN_SELENDCANCEL);
                    }
                    break;
                case CBN_SELCHANGE:
                    ShowSelectedItemTip(widget);
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
}

// Windows selects the item whose text starts with what is typed; typing leaves the list without
// a selection instead. The list box is told directly, so that the typed text stays as it is.
void Form1Window::OnEditChange(Widget list) {
    if (restoring_) {
        return;
    }
    const HWND combo = HandleOf(list);
    if (Selected(combo) != CB_ERR) {
        ::SendMessageW(DropDownOf(list), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
    // Typed into the opened list: closing it keeps what was typed.
    if (::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0) {
        dropped_[Index(list)] = {-1, WindowText(combo)};
    }
    ShowSelectedItemTip(list);
}

void Form1Window::OnDropDown(Widget list) {
    if (onDropDown_) {
        onDropDown_(list);
    }
    const HWND combo = HandleOf(list);
    dropped_[Index(list)] = {Selected(combo), WindowText(combo)};
    hoveredItem_ = -1;
    WidenDropDown(list);
    // Windows now selects the item the text starts with, and puts its whole text into the text
    // portion; undone once it has.
    ::PostMessageW(window_, kAfterDropDown, Index(list), 0);
}

void Form1Window::AfterDropDown(Widget list) {
    const HWND combo = HandleOf(list);
    const Dropped& before = dropped_[Index(list)];
    if (::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) == 0) {
        return;
    }
    if (Selected(combo) != before.selected || WindowText(combo) != before.text) {
        SetListText(list, before.text);
        ::SendMessageW(DropDownOf(list), LB_SETCURSEL, before.selected, 0);
    }
}

// Closed without a pick, or with an item the pointer merely passed over: the list is as it was
// when it opened.
void Form1Window::AfterCloseUp(Widget list, bool cancelled) {
    const HWND combo = HandleOf(list);
    const int selected = Selected(combo);
    if (cancelled || (selected >= 0 && ItemText(combo, selected) != WindowText(combo))) {
        const Dropped& before = dropped_[Index(list)];
        SetListText(list, before.text);
        ::SendMessageW(DropDownOf(list), LB_SETCURSEL, before.selected, 0);
    }
    ShowSelectedItemTip(list);
}

void Form1Window::WidenDropDown(Widget list) {
    const HWND combo = HandleOf(list);
    const HDC dc = ::GetDC(combo);
    const HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageW(combo, WM_GETFONT, 0, 0));
    int widest = 0;
    for (int i = 0, count = ItemCount(combo); i < count; ++i) {
        const std::wstring item = ItemText(combo, i);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, item.c_str(), static_cast<int>(item.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(combo, dc);
    // The list box's frame and item margins, and a scroll bar once the items outnumber the rows.
    int needed = widest + 4 * ::GetSystemMetrics(SM_CXEDGE) + 4;
    if (ItemCount(combo) > kDropDownItems) {
        needed += ::GetSystemMetrics(SM_CXVSCROLL);
    }
    RECT r{};
    ::GetWindowRect(combo, &r);
    ::SendMessageW(combo, CB_SETDROPPEDWIDTH, std::max<LONG>(needed, r.right - r.left), 0);
}

// A port's name is told apart by its end, so the port chooser shows its end; the other lists
// show the start of a text too long for them, as Windows does by itself.
void Form1Window::ShowTellingEnd(Widget list) {
    if (list != Widget::Combo1) {
        return;
    }
    const HWND edit = EditOf(list);
    const auto length = ::GetWindowTextLengthW(edit);
    ::SendMessageW(edit, EM_SETSEL, length, length);
    ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

// Sets the text portion and keeps the selection, which Windows drops when the text changes.
void Form1Window::SetListText(Widget list, const std::wstring& text) {
    const HWND combo = HandleOf(list);
    const int selected = Selected(combo);
    restoring_ = true;
    ::SetWindowTextW(combo, text.c_str());
    restoring_ = false;
    if (Selected(combo) != selected) {
        ::SendMessageW(DropDownOf(list), LB_SETCURSEL, selected, 0);
    }
    ShowTellingEnd(list);
}

void Form1Window::SetCaption(Widget widget, std::string_view caption) {
    SetText(widget, caption);
}

void Form1Window::SetText(Widget widget, std::string_view text) {
    const HWND w = HandleOf(widget);
    const std::wstring value = Widen(text);
    if (KindOf(widget) == WidgetKind::List) {
        SetListText(widget, value);
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
    ShowTellingEnd(list);
    ShowSelectedItemTip(list);
    return true;
}

void Form1Window::ClearItems(Widget list) {
    if (!IsList(list)) {
        return;
    }
    ::SendMessageW(HandleOf(list), CB_RESETCONTENT, 0, 0);
    ::SetWindowTextW(HandleOf(list), L"");
    tips_[Index(list)].clear();
    ShowSelectedItemTip(list);
}

void Form1Window::AddItem(Widget list, std::string_view item) {
    if (!IsList(list)) {
        return;
    }
    // Appended: no sorting, and the selection stays as it was.
    ::SendMessageW(HandleOf(list), CB_ADDSTRING, 0, (LPARAM)Widen(item).c_str());
    const auto& toolTip = itemToolTips_[Index(list)];
    tips_[Index(list)].push_back(toolTip ? Widen(toolTip(item)) : std::wstring());
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

HWND Form1Window::DropDownOf(Widget list) const {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ::GetComboBoxInfo(HandleOf(list), &info);
    return info.hwndList;
}

HWND Form1Window::EditOf(Widget list) const {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ::GetComboBoxInfo(HandleOf(list), &info);
    return info.hwndItem;
}

// --- tooltips ---

void Form1Window::SetItemToolTips(Widget list,
                                  std::function<std::string(std::string_view)> toolTip) {
    if (!IsList(list)) {
        return;
    }
    itemToolTips_[Index(list)] = std::move(toolTip);
    AddToolTips(list);
}

// One tool over the text portion, showing the selected item's tooltip, and one over the opened
// drop-down, showing the tooltip of the item under the pointer.
void Form1Window::AddToolTips(Widget list) {
    if (toolTip_ == nullptr) {
        toolTip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
        // Long device paths: wrapped at the screen's width rather than cut.
        ::SendMessageW(toolTip_, TTM_SETMAXTIPWIDTH, 0, ::GetSystemMetrics(SM_CXSCREEN));
    }
    const HWND dropDown = DropDownOf(list);
    for (const HWND control : {EditOf(list), dropDown}) {
        TTTOOLINFOW tool = ToolOf(window_, control);
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(toolTip_, TTM_DELTOOLW, 0, (LPARAM)&tool);
        ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, (LPARAM)&tool);
    }
    if (::GetPropW(dropDown, kOwnerProperty) == nullptr) {
        ::SetPropW(dropDown, kOwnerProperty, this);
        ::SetPropW(dropDown, kProcProperty,
                   reinterpret_cast<HANDLE>(::SetWindowLongPtrW(
                       dropDown, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DropDownProc))));
    }
    ShowSelectedItemTip(list);
}

LRESULT CALLBACK Form1Window::DropDownProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto next = reinterpret_cast<WNDPROC>(::GetPropW(list, kProcProperty));
    if (message == WM_MOUSEMOVE) {
        if (auto* self = static_cast<Form1Window*>(::GetPropW(list, kOwnerProperty))) {
            self->TrackHoveredItem(list, lParam);
        }
    } else if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        ::RemovePropW(list, kOwnerProperty);
        ::RemovePropW(list, kProcProperty);
    }
    return ::CallWindowProcW(next, list, message, wParam, lParam);
}

void Form1Window::TrackHoveredItem(HWND dropDown, LPARAM point) {
    const auto hit = ::SendMessageW(dropDown, LB_ITEMFROMPOINT, 0, point);
    const int item = HIWORD(hit) == 0 ? LOWORD(hit) : -1;
    if (item == hoveredItem_ || toolTip_ == nullptr) {
        return;
    }
    hoveredItem_ = item;
    for (const ui::WidgetDefaults& d : ui::AllWidgets()) {
        if (d.kind == WidgetKind::List && DropDownOf(d.widget) == dropDown) {
            const auto& tips = tips_[Index(d.widget)];
            TTTOOLINFOW tool = ToolOf(window_, dropDown);
            const bool known = item >= 0 && static_cast<std::size_t>(item) < tips.size();
            tool.lpszText = const_cast<wchar_t*>(known ? tips[item].c_str() : L"");
            ::SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, (LPARAM)&tool);
        }
    }
}

void Form1Window::ShowSelectedItemTip(Widget list) {
    if (toolTip_ == nullptr || !itemToolTips_[Index(list)]) {
        return;
    }
    const auto& tips = tips_[Index(list)];
    const int selected = Selected(HandleOf(list));
    const bool known = selected >= 0 && static_cast<std::size_t>(selected) < tips.size();
    TTTOOLINFOW tool = ToolOf(window_, EditOf(list));
    tool.lpszText = const_cast<wchar_t*>(known ? tips[selected].c_str() : L"");
    ::SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, (LPARAM)&tool);
}

std::string Form1Window::ToolTipShown(Widget list, bool overDropDown) const {
    if (toolTip_ == nullptr || !IsList(list)) {
        return {};
    }
    wchar_t text[1024]{};
    TTTOOLINFOW tool = ToolOf(window_, overDropDown ? DropDownOf(list) : EditOf(list));
    tool.lpszText = text;
    ::SendMessageW(toolTip_, TTM_GETTEXTW, std::size(text), (LPARAM)&tool);
    return Narrow(text);
}

}  // namespace win32
