#include "win32/FontChoice.h"

#include <vector>

#include "win32/Utf16.h"

namespace win32 {
namespace {

// The faces asked for in turn, each with the names GDI may report for it (the Chinese name on
// a Chinese system, the English one elsewhere).
struct FaceChoice {
    std::wstring asked;
    std::vector<std::wstring> reported;
};

std::vector<FaceChoice> FaceChoices() {
    const std::wstring face = Widen(ui::kFaceName);
    return {
        {face, {face, L"SimSun"}},
        {L"SimSun", {L"SimSun", face}},
        {L"NSimSun", {L"NSimSun", L"新宋体"}},
        {L"Microsoft YaHei", {L"Microsoft YaHei", L"微软雅黑"}},
    };
}

std::wstring FaceGdiChose(HDC dc, HFONT font) {
    const HGDIOBJ old = ::SelectObject(dc, font);
    wchar_t chosen[LF_FACESIZE]{};
    ::GetTextFaceW(dc, LF_FACESIZE, chosen);
    ::SelectObject(dc, old);
    return chosen;
}

}  // namespace

HFONT MakeFont(const std::wstring& face, ui::FontFace variant, int dpi) {
    return ::CreateFontW(-variant.PixelSize(dpi), 0, 0, 0, variant.bold ? FW_BOLD : FW_NORMAL,
                         FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         face.c_str());
}

std::wstring AvailableFace(int dpi) {
    const std::vector<FaceChoice> choices = FaceChoices();
    const HDC dc = ::GetDC(nullptr);
    const std::wstring* found = nullptr;
    for (const FaceChoice& choice : choices) {
        const HFONT font = MakeFont(choice.asked, ui::FaceOf(ui::FontVariant::SmallRegular), dpi);
        const std::wstring chosen = FaceGdiChose(dc, font);
        ::DeleteObject(font);
        for (const std::wstring& name : choice.reported) {
            if (::lstrcmpiW(chosen.c_str(), name.c_str()) == 0) {
                found = &choice.asked;
            }
        }
        if (found != nullptr) {
            break;
        }
    }
    ::ReleaseDC(nullptr, dc);
    return found != nullptr ? *found : choices.front().asked;
}

}  // namespace win32
