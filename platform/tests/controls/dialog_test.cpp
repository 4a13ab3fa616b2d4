// Dialogs from binary templates: creation, WM_INITDIALOG, the caption and
// push buttons that end them, icon statics and malformed templates. The frame
// test drives the About box through the modal loop with Enter and Escape,
// centring and the focus.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "builtin_controls_internal.h"
#include "gdi/window_dc.h"
#include "resource_bytes.h"
#include "test_window.h"

namespace testwin {
namespace {

inline constexpr WORD kButton = 0x0080;
inline constexpr WORD kStatic = 0x0082;
inline constexpr WORD kPressId = 1000;
inline constexpr DWORD kAboutStyle = 0x80C800C0;

// Template header: no menu, the standard class, the title, and the font when
// DS_SETFONT.
Bytes Header(DWORD style, DWORD ex_style, WORD count, WORD cx, WORD cy, std::u16string_view title) {
    Bytes b;
    b.D(style).D(ex_style).W(count).W(0).W(0).W(cx).W(cy).W(0).W(0).S(title);
    return (style & DS_SETFONT) != 0 ? b.W(8).S(u"System") : b;
}
// An item on a double word boundary, its class given by ordinal.
Bytes& Item(Bytes& b, DWORD style, WORD x, WORD y, WORD cx, WORD cy, WORD id, WORD ordinal) {
    b.v.resize((b.v.size() + 3) / 4 * 4);
    return b.D(style).D(0).W(x).W(y).W(cx).W(cy).W(id).W(0xFFFF).W(ordinal);
}

// An About-like dialog plus a tab-stop button with id 1000.
Bytes AboutTemplate() {
    Bytes b = Header(kAboutStyle, WS_EX_CAPTIONOKBTN, 4, 125, 55, u"About Sextant");
    Item(b, 0x50000003, 11, 17, 20, 20, 0xFFFF, kStatic).W(0xFFFF).W(101).W(0);  // icon 101
    Item(b, 0x50020080, 38, 10, 70, 8, 0xFFFF, kStatic).S(u"Sextant Version 1.0").W(0);
    Item(b, 0x50020000, 38, 25, 70, 8, 0xFFFF, kStatic).S(u"GPS status").W(0);
    Item(b, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 38, 38, 40, 12, kPressId, kButton).S(u"Press");
    return b.W(0);
}

int PxX(int units) {
    return units * gdi::DefaultFontMetrics().average_char_width / 4;
}
int PxY(int units) {
    return units * gdi::DefaultFontMetrics().line_height / 8;
}

// Whether the screen shows the dialog's caption bar.
bool CaptionShown(HWND dialog) {
    RECT r{};
    GetWindowRect(dialog, &r);
    return ScreenAt(r.left + 2, r.top + 2) == controls::kCaption;
}

// What the dialog procedure saw, and how it behaves.
struct ProcRecord {
    std::vector<UINT> messages;
    LPARAM init_param = 0;
    bool shown_at_init = true;
    bool press_exists_at_init = false;
};
ProcRecord* g_record = nullptr;

BOOL TestDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    ProcRecord& r = *g_record;
    r.messages.push_back(message);
    if (message == WM_INITDIALOG) {
        r.init_param = lparam;
        r.shown_at_init = CaptionShown(dialog);
        r.press_exists_at_init = GetDlgItem(dialog, kPressId) != nullptr;
        return TRUE;
    }
    const int id = message == WM_COMMAND ? LOWORD(wparam) : 0;
    if (id == kPressId || id == IDOK || id == IDCANCEL) EndDialog(dialog, id == kPressId ? 42 : id);
    return id != 0;
}

// The template as a resource, cut to `size` bytes, with icon 101 when asked;
// -3 when it is not found.
INT_PTR RunFromResource(const Bytes& dialog, HWND owner, std::size_t size = SIZE_MAX,
                        bool icon = false) {
    Resources set;
    set.Add(5, 103, dialog, size);
    if (icon) AddIcon(set);
    const HINSTANCE instance = set.Instance();
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(103), RT_DIALOG());
    if (found == nullptr) return -3;
    return DialogBoxIndirectParamW(instance,
                                   static_cast<const DLGTEMPLATE*>(LoadResource(instance, found)),
                                   owner, TestDialogProc, 0x1234);
}

class DialogTest : public ParentTest {
  protected:
    void SetUp() override {
        ParentTest::SetUp();
        g_record = &record_;
    }
    void TearDown() override {
        ParentTest::TearDown();
        g_record = nullptr;
    }

    // Opens the dialog 100 ms from now inside a timer tick, as the application
    // does from a command, and runs until it ends; inspect runs 400 ms later,
    // with the dialog (the parent of the focused Press button).
    INT_PTR RunDialog(std::function<void(HWND dialog)> inspect, bool icon = false) {
        const std::uint64_t now = host::NowMs();
        INT_PTR result = -2;
        bool finished = false;
        ScheduleAt(parent_, now + 100, [&] {
            result = RunFromResource(AboutTemplate(), parent_, SIZE_MAX, icon);
            finished = true;
        });
        ScheduleAt(parent_, now + 500, [inspect] {
            const HWND press = GetFocus();
            if (inspect) inspect(press != nullptr ? GetParent(press) : nullptr);
        });
        RunUntil([&] { return finished; }, now + 60000);
        return result;
    }

    ProcRecord record_;
};

TEST_F(DialogTest, InitDialogComesAfterChildrenAndBeforeShowing) {
    HWND seen_dialog = nullptr;
    RECT dialog_rect{};
    RECT press_rect{};
    bool visible = false;
    EXPECT_EQ(RunDialog([&](HWND dialog) {
                  seen_dialog = dialog;
                  GetWindowRect(dialog, &dialog_rect);
                  GetWindowRect(GetDlgItem(dialog, kPressId), &press_rect);
                  visible = CaptionShown(dialog);
                  PressKey(VK_RETURN, u'\r');
              }),
              IDOK);
    ASSERT_NE(seen_dialog, nullptr) << "focus goes to the first tab-stop control";
    EXPECT_FALSE(IsWindow(seen_dialog)) << "the dialog is destroyed when it ends";
    EXPECT_EQ(std::count(record_.messages.begin(), record_.messages.end(), WM_INITDIALOG), 1);
    EXPECT_EQ(record_.init_param, 0x1234);
    EXPECT_FALSE(record_.shown_at_init);
    EXPECT_TRUE(record_.press_exists_at_init);
    EXPECT_TRUE(visible);
    // Template position 0,0 and size 125 x 55 units; controls below the caption.
    const int caption = controls::CaptionHeight();
    EXPECT_TRUE(SameRect(dialog_rect, RECT{0, 0, PxX(125), caption + PxY(55)}));
    EXPECT_TRUE(SameRect(press_rect, RECT{PxX(38), caption + PxY(38), PxX(38) + PxX(40),
                                          caption + PxY(38) + PxY(12)}));
}

void ClickCaptionButton(HWND dialog, bool ok) {
    RECT r{};
    GetWindowRect(dialog, &r);
    const auto layout = controls::LayoutCaption(r.right - r.left, true, true);
    const auto& b = ok ? layout.ok : layout.close;
    Click(r.left + (b.left + b.right) / 2, r.top + (b.top + b.bottom) / 2);
}

TEST_F(DialogTest, KeysAndButtonsEndTheDialog) {
    const struct {
        const char* name;
        std::function<void(HWND dialog)> act;
        INT_PTR expected;
    } cases[] = {
        {"caption OK", [](HWND dialog) { ClickCaptionButton(dialog, true); }, IDOK},
        {"caption close", [](HWND dialog) { ClickCaptionButton(dialog, false); }, IDCANCEL},
        {"Press button",
         [](HWND dialog) {
             RECT r{};
             GetWindowRect(GetDlgItem(dialog, kPressId), &r);
             Click(r.left + 3, r.top + 3);
         },
         42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunDialog(c.act), c.expected);
    }
}

TEST_F(DialogTest, IconStaticDrawsTheIconNamedByItsOrdinal) {
    COLORREF inside = 0;
    COLORREF text_area = 0;
    const auto look = [&](HWND dialog) {
        RECT d{};
        GetWindowRect(dialog, &d);
        const int top = d.top + controls::CaptionHeight();
        inside = ScreenAt(d.left + PxX(11) + 4, top + PxY(17) + 4);
        text_area = ScreenAt(d.left + PxX(38) - 2, top + PxY(17) + 4);
        PressKey(VK_RETURN, u'\r');
    };
    EXPECT_EQ(RunDialog(look, true), IDOK);
    EXPECT_EQ(inside, kRed);
    EXPECT_EQ(text_area, controls::kWhite);
}

TEST_F(DialogTest, TruncatedAndMalformedTemplatesFail) {
    const Bytes whole = AboutTemplate();
    std::size_t tried = 0;
    for (std::size_t cut = 0; cut < whole.v.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut << " of " << whole.v.size());
        const INT_PTR result = RunFromResource(whole, parent_, cut);
        if (result == -3) continue;  // an empty resource may not be found at all
        ++tried;
        EXPECT_EQ(result, -1);
    }
    EXPECT_GE(tried, whole.v.size() - 1);

    Bytes edit = Header(WS_POPUP, 0, 1, 100, 50, u"T");  // an edit control, which is not here
    Item(edit, WS_CHILD, 1, 1, 10, 10, 5, 0x0081).S(u"x").W(0);
    Bytes extended;  // the extended layout
    extended.D(0xFFFF0001).D(0).D(0).D(WS_POPUP).W(0).W(0).W(0).W(10).W(10).W(0).W(0).W(0);
    for (const Bytes* b : {&edit, &extended})
        EXPECT_EQ(RunFromResource(*b, parent_), -1) << b->v.size() << " bytes";
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, nullptr, parent_, TestDialogProc, 0), -1);
    EXPECT_TRUE(record_.messages.empty()) << "a failed dialog never reaches its procedure";
    EXPECT_FALSE(EndDialog(parent_, 1)) << "not a dialog";
}

}  // namespace
}  // namespace testwin
