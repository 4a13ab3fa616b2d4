// Dialogs from binary templates: creation, WM_INITDIALOG, the modal loop and
// its keys, the caption OK button, EndDialog, icon statics and malformed
// templates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

#include "builtin_controls_internal.h"
#include "gdi/window_dc.h"
#include "test_window.h"

namespace testwin {
namespace {

// Little-endian bytes in the platform's template layout.
struct Bytes {
    std::vector<unsigned char> v;
    Bytes& W(WORD w) {
        v.push_back(static_cast<unsigned char>(w & 0xFF));
        v.push_back(static_cast<unsigned char>(w >> 8));
        return *this;
    }
    Bytes& D(DWORD d) { return W(static_cast<WORD>(d & 0xFFFF)).W(static_cast<WORD>(d >> 16)); }
    Bytes& S(std::u16string_view text) {
        for (char16_t c : text)
            W(c);
        return W(0);
    }
    // No menu, the standard class, the title, and the font when DS_SETFONT.
    Bytes& Header(DWORD style, DWORD ex_style, WORD count, WORD cx, WORD cy,
                  std::u16string_view title) {
        D(style).D(ex_style).W(count).W(0).W(0).W(cx).W(cy).W(0).W(0).S(title);
        return (style & DS_SETFONT) != 0 ? W(8).S(u"System") : *this;
    }
    Bytes& Item(DWORD style, WORD x, WORD y, WORD cx, WORD cy, WORD id, WORD class_ordinal) {
        v.resize((v.size() + 3) / 4 * 4);
        return D(style).D(0).W(x).W(y).W(cx).W(cy).W(id).W(0xFFFF).W(class_ordinal);
    }
};

inline constexpr WORD kButton = 0x0080;
inline constexpr WORD kStatic = 0x0082;
inline constexpr WORD kPressId = 1000;
inline constexpr DWORD kAboutStyle = 0x80C800C0;

// An About-like dialog plus a tab-stop button with id 1000.
std::vector<unsigned char> AboutTemplate() {
    Bytes b;
    b.Header(kAboutStyle, WS_EX_CAPTIONOKBTN, 4, 125, 55, u"About Skymark");
    b.Item(0x50000003, 11, 17, 20, 20, 0xFFFF, kStatic).W(0xFFFF).W(101).W(0);  // icon 101
    b.Item(0x50020080, 38, 10, 70, 8, 0xFFFF, kStatic).S(u"Skymark Version 1.0").W(0);
    b.Item(0x50020000, 38, 25, 70, 8, 0xFFFF, kStatic).S(u"GPS status").W(0);
    b.Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 38, 38, 40, 12, kPressId, kButton).S(u"Press").W(0);
    return b.v;
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
    std::vector<int> commands;
    LPARAM init_param = 0;
    bool shown_at_init = true;
    bool press_exists_at_init = false;
    bool end_on_ok_cancel = true;
    int in_init = 0;  // 1: EndDialog(9), 2: DestroyWindow
};
ProcRecord* g_record = nullptr;

BOOL TestDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    ProcRecord& r = *g_record;
    r.messages.push_back(message);
    if (message == WM_INITDIALOG) {
        r.init_param = lparam;
        r.shown_at_init = CaptionShown(dialog);
        r.press_exists_at_init = GetDlgItem(dialog, kPressId) != nullptr;
        if (r.in_init == 1) EndDialog(dialog, 9);
        if (r.in_init == 2) DestroyWindow(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wparam);
    r.commands.push_back(id);
    const bool ends = id == kPressId || ((id == IDOK || id == IDCANCEL) && r.end_on_ok_cancel);
    if (ends) EndDialog(dialog, id == kPressId ? 42 : id);
    return ends;
}

// A template held in its own heap block of exactly its size, as a resource
// with the others given, so reading past its end is caught; -3 when it is not
// found. Instances keep their resource set by reference, so blocks and items
// live to the end of the test program.
INT_PTR RunFromResource(const std::vector<unsigned char>& bytes, HWND owner,
                        const std::vector<host::ResourceItem>& others = {}) {
    struct Kept {
        std::unique_ptr<unsigned char[]> block;
        std::vector<host::ResourceItem> items;
    };
    static std::deque<Kept> kept;
    Kept& k = kept.emplace_back();
    k.block = std::make_unique<unsigned char[]>(std::max<std::size_t>(bytes.size(), 1));
    std::copy(bytes.begin(), bytes.end(), k.block.get());
    k.items.push_back({5, 103, 1033, k.block.get(), static_cast<DWORD>(bytes.size())});
    k.items.insert(k.items.end(), others.begin(), others.end());
    HINSTANCE instance = host::CreateInstance(host::ResourceSet{k.items.data(), k.items.size()});
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(103), RT_DIALOG());
    if (found == nullptr) return -3;
    auto* dialog_template = static_cast<const DLGTEMPLATE*>(LoadResource(instance, found));
    return DialogBoxIndirectParamW(instance, dialog_template, owner, TestDialogProc, 0x1234);
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

    // Opens the dialog from inside a timer tick at 100 ms after now, as the
    // application does from a command, with the script already scheduled.
    INT_PTR RunDialog(const std::vector<host::ResourceItem>& others = {}) {
        INT_PTR result = -2;
        bool finished = false;
        ScheduleAt(parent_, host::NowMs() + 100, [&] {
            result = RunFromResource(AboutTemplate(), parent_, others);
            finished = true;
        });
        RunUntil([&] { return finished; }, host::NowMs() + 60000);
        return result;
    }

    // Schedules a look at the open dialog: its handle is the parent of the
    // focused Press button.
    void InspectAt(std::uint64_t at_ms, std::function<void(HWND dialog)> inspect) {
        ScheduleAt(parent_, at_ms, [inspect] {
            HWND press = GetFocus();
            inspect(press != nullptr ? GetParent(press) : nullptr);
        });
    }

    ProcRecord record_;
};

TEST_F(DialogTest, InitDialogComesAfterChildrenAndBeforeShowing) {
    HWND seen_dialog = nullptr;
    RECT dialog_rect{};
    RECT press_rect{};
    bool visible = false;
    InspectAt(500, [&](HWND dialog) {
        seen_dialog = dialog;
        GetWindowRect(dialog, &dialog_rect);
        GetWindowRect(GetDlgItem(dialog, kPressId), &press_rect);
        visible = CaptionShown(dialog);
        PressKey(VK_RETURN, u'\r');
    });
    EXPECT_EQ(RunDialog(), IDOK);
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
        {"Enter", [](HWND) { PressKey(VK_RETURN, u'\r'); }, IDOK},
        {"Escape", [](HWND) { PressKey(VK_ESCAPE, 0x1B); }, IDCANCEL},
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
        InspectAt(host::NowMs() + 500, c.act);
        EXPECT_EQ(RunDialog(), c.expected);
    }
}

// The host takes the focus while the dialog holds it (the window was
// minimised): closing the dialog hands the focus to the owner all the same, so
// that the next loss reaches the owner.
TEST_F(DialogTest, FocusTakenWhileOpenGoesBackToTheOwnerWhenItCloses) {
    ScheduleAt(parent_, 300, [] { host::InjectFocusLost(); });
    ScheduleAt(parent_, 600, [] { PressKey(VK_ESCAPE, 0x1B); });
    EXPECT_EQ(RunDialog(), IDCANCEL);
    EXPECT_EQ(Count(WM_KILLFOCUS), 0) << "the dialog held the focus, not its owner";
    EXPECT_EQ(GetFocus(), parent_);
    host::InjectFocusLost();
    Pump();
    EXPECT_EQ(Count(WM_KILLFOCUS), 1);
}

TEST_F(DialogTest, OwnerTimersRunAndUnhandledEnterLeavesDialogOpen) {
    record_.end_on_ok_cancel = false;
    ASSERT_NE(SetTimer(parent_, 5, 1000, nullptr), 0u);
    HWND dialog_seen = nullptr;
    InspectAt(1500, [&](HWND dialog) {
        dialog_seen = dialog;
        PressKey(VK_RETURN, u'\r');
        PressKey(VK_ESCAPE, 0x1B);
    });
    // Owner input is disabled: a click on the owner's own area does not reach it.
    ScheduleAt(parent_, 2500, [] { Click(300, 280); });
    int ticks_when_open = 0;
    ScheduleAt(parent_, 5200, [&] {
        ticks_when_open = Count(WM_TIMER);
        EXPECT_TRUE(IsWindow(dialog_seen)) << "a procedure that ignores IDOK keeps it open";
        EndDialog(dialog_seen, 7);
    });
    EXPECT_EQ(RunDialog(), 7);
    EXPECT_GE(ticks_when_open, 5) << "ticks at 1000..5000 ms while the dialog was up";
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(record_.commands, (std::vector<int>{IDOK, IDCANCEL}))
        << "keys arrive as commands even when unhandled";
}

TEST_F(DialogTest, EndingOrDestroyingInInitDialogNeverShowsIt) {
    for (const int in_init : {1, 2}) {
        SCOPED_TRACE(in_init);
        record_.in_init = in_init;
        EXPECT_EQ(RunDialog(), in_init == 1 ? 9 : 0);
        Pump();
        const auto screen = Snapshot({0, 0, 100, 40});
        EXPECT_EQ(screen, std::vector<std::uint32_t>(screen.size(), controls::kWhite));
    }
}

// Icon group 101 with one 32 x 32, 16-colour image (id 1) that is red all over.
std::vector<host::ResourceItem> RedIconResources() {
    static Bytes group;
    static Bytes image;
    if (group.v.empty()) {
        group.W(0).W(1).W(1).W(0x2020).W(16).W(1).W(4).D(40 + 64 + 16 * 32 + 4 * 32).W(1);
        image.D(40).D(32).D(64).W(1).W(4).D(0).D(0).D(0).D(0).D(0).D(0);
        image.D(0x00000000).D(0x00FF0000);  // black, then red as B, G, R, 0
        for (int c = 2; c < 16; ++c)
            image.D(0);
        image.v.insert(image.v.end(), 16 * 32, 0x11);  // every pixel red
        image.v.insert(image.v.end(), 4 * 32, 0);      // all opaque
    }
    return {{14, 101, 1033, group.v.data(), static_cast<DWORD>(group.v.size())},
            {3, 1, 1033, image.v.data(), static_cast<DWORD>(image.v.size())}};
}

TEST_F(DialogTest, IconStaticDrawsTheIconNamedByItsOrdinal) {
    COLORREF inside = 0;
    COLORREF text_area = 0;
    InspectAt(300, [&](HWND dialog) {
        RECT d{};
        GetWindowRect(dialog, &d);
        const int top = d.top + controls::CaptionHeight();
        inside = ScreenAt(d.left + PxX(11) + 4, top + PxY(17) + 4);
        text_area = ScreenAt(d.left + PxX(38) - 2, top + PxY(17) + 4);
        PressKey(VK_RETURN, u'\r');
    });
    EXPECT_EQ(RunDialog(RedIconResources()), IDOK);
    EXPECT_EQ(inside, RGB(255, 0, 0));
    EXPECT_EQ(text_area, controls::kWhite);
}

TEST_F(DialogTest, TruncatedAndMalformedTemplatesFail) {
    const auto whole = AboutTemplate();
    std::size_t tried = 0;
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut << " of " << whole.size());
        const INT_PTR result = RunFromResource(
            std::vector<unsigned char>(whole.begin(), whole.begin() + cut), parent_);
        if (result == -3) continue;  // an empty resource may not be found at all
        ++tried;
        EXPECT_EQ(result, -1);
    }
    EXPECT_GE(tried, whole.size() - 1);

    Bytes beyond;  // says three items, holds one
    beyond.Header(kAboutStyle, 0, 3, 100, 50, u"T").Item(WS_CHILD, 1, 1, 10, 10, 5, kButton);
    beyond.S(u"x").W(0);
    Bytes unterminated;  // title without its terminator at the very end
    unterminated.D(WS_POPUP).D(0).W(0).W(0).W(0).W(10).W(10).W(0).W(0).W(u'A').W(u'B');
    Bytes extra;  // extra bytes that run past the end
    extra.Header(WS_POPUP, 0, 1, 100, 50, u"T").Item(WS_CHILD, 1, 1, 10, 10, 5, kButton);
    extra.S(u"x").W(200);
    Bytes edit;  // an edit control, which this platform does not have
    edit.Header(WS_POPUP, 0, 1, 100, 50, u"T").Item(WS_CHILD, 1, 1, 10, 10, 5, 0x0081);
    edit.S(u"x").W(0);
    Bytes extended;  // the extended layout
    extended.D(0xFFFF0001).D(0).D(0).D(WS_POPUP).W(0).W(0).W(0).W(10).W(10).W(0).W(0).W(0);
    for (const Bytes* b : {&beyond, &unterminated, &extra, &edit, &extended})
        EXPECT_EQ(RunFromResource(b->v, parent_), -1) << b->v.size() << " bytes";
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, nullptr, parent_, TestDialogProc, 0), -1);
    EXPECT_TRUE(record_.messages.empty()) << "a failed dialog never reaches its procedure";
    EXPECT_FALSE(EndDialog(parent_, 1)) << "not a dialog";
}

}  // namespace
}  // namespace testwin
