// Dialogs from binary templates: creation, WM_INITDIALOG, the modal loop and
// its keys, the caption OK button, EndDialog, centring, and malformed
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

namespace {

using testwin::Count;

// Builds a template in the platform's binary layout.
class TemplateBuilder {
  public:
    TemplateBuilder& Dword(DWORD v) { return Raw(&v, 4); }
    TemplateBuilder& Word(WORD v) { return Raw(&v, 2); }
    TemplateBuilder& Short(short v) { return Raw(&v, 2); }
    TemplateBuilder& Raw8(unsigned char v) { return Raw(&v, 1); }
    TemplateBuilder& String(std::u16string_view text) {
        for (char16_t c : text)
            Word(c);
        return Word(0);
    }
    TemplateBuilder& Ordinal(WORD id) { return Word(0xFFFF).Word(id); }
    TemplateBuilder& Align() {
        while (bytes_.size() % 4 != 0)
            bytes_.push_back(0);
        return *this;
    }
    TemplateBuilder& Header(DWORD style, DWORD ex_style, WORD count, short x, short y, short cx,
                            short cy, std::u16string_view title) {
        Dword(style).Dword(ex_style).Word(count).Short(x).Short(y).Short(cx).Short(cy);
        Word(0).Word(0).String(title);  // no menu, standard class
        if ((style & DS_SETFONT) != 0) Word(8).String(u"System");
        return *this;
    }
    TemplateBuilder& Item(DWORD style, short x, short y, short cx, short cy, WORD id,
                          WORD class_ordinal) {
        Align();
        return Dword(style).Dword(0).Short(x).Short(y).Short(cx).Short(cy).Word(id).Ordinal(
            class_ordinal);
    }
    const std::vector<unsigned char>& bytes() const { return bytes_; }

  private:
    TemplateBuilder& Raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
        return *this;
    }
    std::vector<unsigned char> bytes_;
};

inline constexpr WORD kButton = 0x0080;
inline constexpr WORD kStatic = 0x0082;
inline constexpr WORD kPressId = 1000;
inline constexpr DWORD kAboutStyle = 0x80C800C0;

// An About-like dialog plus a tab-stop button with id 1000.
std::vector<unsigned char> AboutTemplate() {
    TemplateBuilder b;
    b.Header(kAboutStyle, WS_EX_CAPTIONOKBTN, 4, 0, 0, 125, 55, u"About Skymark");
    b.Item(0x50000003, 11, 17, 20, 20, 0xFFFF, kStatic).Ordinal(101).Word(0);
    b.Item(0x50020080, 38, 10, 70, 8, 0xFFFF, kStatic).String(u"Skymark Version 1.0").Word(0);
    b.Item(0x50020000, 38, 25, 70, 8, 0xFFFF, kStatic).String(u"GPS status").Word(0);
    b.Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 38, 38, 40, 12, kPressId, kButton)
        .String(u"Press")
        .Word(0);
    return b.bytes();
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
    return host::ScreenPixels().At(r.left + 2, r.top + 2) == controls::kCaption;
}

// What the dialog procedure saw, and how it behaves.
struct ProcRecord {
    std::vector<UINT> messages;
    HWND init_focus = nullptr;
    LPARAM init_param = 0;
    bool shown_at_init = true;
    bool press_exists_at_init = false;
    bool end_on_ok_cancel = true;
    bool centre = false;
    bool end_in_init = false;
    bool destroy_in_init = false;
    std::vector<int> commands;
};
ProcRecord* g_record = nullptr;

BOOL TestDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    ProcRecord& r = *g_record;
    r.messages.push_back(message);
    if (message == WM_INITDIALOG) {
        r.init_focus = reinterpret_cast<HWND>(wparam);
        r.init_param = lparam;
        r.shown_at_init = CaptionShown(dialog);
        r.press_exists_at_init = GetDlgItem(dialog, kPressId) != nullptr;
        if (r.end_in_init) EndDialog(dialog, 9);
        if (r.destroy_in_init) DestroyWindow(dialog);
        if (r.centre) {
            // The application's centring over the owner's client area.
            RECT d{};
            if (!GetWindowRect(dialog, &d)) return TRUE;
            RECT p{};
            GetClientRect(GetParent(dialog), &p);
            int x = ((p.right - p.left) - (d.right - d.left)) / 2;
            int y = ((p.bottom - p.top) - (d.bottom - d.top)) / 2;
            SetWindowPos(dialog, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER);
        }
        return TRUE;
    }
    if (message == WM_COMMAND) {
        const int id = LOWORD(wparam);
        r.commands.push_back(id);
        if (id == kPressId) {
            EndDialog(dialog, 42);
            return TRUE;
        }
        if ((id == IDOK || id == IDCANCEL) && r.end_on_ok_cancel) {
            EndDialog(dialog, id);
            return TRUE;
        }
    }
    return FALSE;
}

class DialogTest : public testwin::ParentTest {
  protected:
    void SetUp() override {
        ParentTest::SetUp();
        g_record = &record_;
    }
    void TearDown() override {
        g_record = nullptr;
        ParentTest::TearDown();
    }

    // Opens a dialog from inside a timer tick at 100 ms, as the application
    // does from a command, with the script already scheduled.
    INT_PTR RunInTick(const std::function<INT_PTR()>& open) {
        INT_PTR result = -2;
        bool finished = false;
        testwin::ScheduleAt(parent_, 100, [&] {
            result = open();
            finished = true;
        });
        testwin::RunUntil([&] { return finished; }, 60000);
        return result;
    }
    INT_PTR RunDialog(const std::vector<unsigned char>& bytes, LPARAM param = 0x1234) {
        return RunInTick([&] {
            return DialogBoxIndirectParamW(nullptr,
                                           reinterpret_cast<const DLGTEMPLATE*>(bytes.data()),
                                           parent_, TestDialogProc, param);
        });
    }

    // Schedules a look at the open dialog: its handle is the parent of the Press button.
    void InspectAt(std::uint64_t at_ms, std::function<void(HWND dialog)> inspect) {
        testwin::ScheduleAt(parent_, at_ms, [this, inspect] {
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
        testwin::PressKey(VK_RETURN, u'\r');
    });
    EXPECT_EQ(RunDialog(AboutTemplate()), IDOK);
    ASSERT_NE(seen_dialog, nullptr) << "focus goes to the first tab-stop control";
    EXPECT_FALSE(IsWindow(seen_dialog)) << "the dialog is destroyed when it ends";

    ASSERT_FALSE(record_.messages.empty());
    EXPECT_EQ(std::count(record_.messages.begin(), record_.messages.end(), WM_INITDIALOG), 1);
    EXPECT_EQ(record_.init_param, 0x1234);
    EXPECT_FALSE(record_.shown_at_init);
    EXPECT_TRUE(record_.press_exists_at_init);
    EXPECT_NE(record_.init_focus, nullptr);
    EXPECT_TRUE(visible);

    // Template position 0,0 and size 125 x 55 units; controls below the caption.
    const int caption = controls::CaptionHeight();
    EXPECT_EQ(dialog_rect.left, 0);
    EXPECT_EQ(dialog_rect.top, 0);
    EXPECT_EQ(dialog_rect.right - dialog_rect.left, PxX(125));
    EXPECT_EQ(dialog_rect.bottom - dialog_rect.top, caption + PxY(55));
    EXPECT_EQ(press_rect.left - dialog_rect.left, PxX(38));
    EXPECT_EQ(press_rect.top - dialog_rect.top, caption + PxY(38));
    EXPECT_EQ(press_rect.right - press_rect.left, PxX(40));
    EXPECT_EQ(press_rect.bottom - press_rect.top, PxY(12));
}

void ClickCaptionButton(HWND dialog, bool ok) {
    RECT r{};
    GetWindowRect(dialog, &r);
    const auto layout = controls::LayoutCaption(r.right - r.left, true, true);
    const auto& b = ok ? layout.ok : layout.close;
    testwin::Click(r.left + (b.left + b.right) / 2, r.top + (b.top + b.bottom) / 2);
}

TEST_F(DialogTest, KeysAndButtonsEndTheDialog) {
    struct Case {
        const char* name;
        std::function<void(HWND dialog)> act;
        INT_PTR expected;
    };
    const Case cases[] = {
        {"Enter", [](HWND) { testwin::PressKey(VK_RETURN, u'\r'); }, IDOK},
        {"Escape", [](HWND) { testwin::PressKey(VK_ESCAPE, 0x1B); }, IDCANCEL},
        {"caption OK", [](HWND dialog) { ClickCaptionButton(dialog, true); }, IDOK},
        {"caption close", [](HWND dialog) { ClickCaptionButton(dialog, false); }, IDCANCEL},
        {"Press button",
         [](HWND dialog) {
             RECT r{};
             GetWindowRect(GetDlgItem(dialog, kPressId), &r);
             testwin::Click(r.left + 3, r.top + 3);
         },
         42},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record_ = ProcRecord{};
        InspectAt(host::NowMs() + 500, c.act);
        EXPECT_EQ(RunDialog(AboutTemplate()), c.expected);
        testwin::Pump();
    }
}

// The host takes the focus while the dialog holds it (the window was
// minimised): closing the dialog hands the focus to the owner all the same, so
// that the next loss reaches the owner.
TEST_F(DialogTest, FocusTakenWhileOpenGoesBackToTheOwnerWhenItCloses) {
    testwin::ScheduleAt(parent_, 300, [] { host::InjectFocusLost(); });
    testwin::ScheduleAt(parent_, 600, [] { testwin::PressKey(VK_ESCAPE, 0x1B); });
    EXPECT_EQ(RunDialog(AboutTemplate()), IDCANCEL);
    EXPECT_EQ(Count(WM_KILLFOCUS), 0) << "the dialog held the focus, not its owner";
    EXPECT_EQ(GetFocus(), parent_);

    host::InjectFocusLost();
    testwin::Pump();
    EXPECT_EQ(Count(WM_KILLFOCUS), 1);
}

TEST_F(DialogTest, OwnerTimersRunAndUnhandledEnterLeavesDialogOpen) {
    record_.end_on_ok_cancel = false;
    ASSERT_NE(SetTimer(parent_, 5, 1000, nullptr), 0u);
    HWND dialog_seen = nullptr;
    InspectAt(1500, [&](HWND dialog) {
        dialog_seen = dialog;
        testwin::PressKey(VK_RETURN, u'\r');
        testwin::PressKey(VK_ESCAPE, 0x1B);
    });
    // Owner input is disabled: a click on the owner's own area does not reach it.
    testwin::ScheduleAt(parent_, 2500, [] { testwin::Click(300, 280); });
    int ticks_when_open = 0;
    testwin::ScheduleAt(parent_, 5200, [&] {
        ticks_when_open = Count(WM_TIMER);
        EXPECT_TRUE(IsWindow(dialog_seen)) << "a procedure that ignores IDOK keeps it open";
        EndDialog(dialog_seen, 7);
    });
    EXPECT_EQ(RunDialog(AboutTemplate()), 7);
    EXPECT_GE(ticks_when_open, 5) << "ticks at 1000..5000 ms while the dialog was up";
    std::vector<int> expected{IDOK, IDCANCEL};
    EXPECT_EQ(record_.commands, expected) << "keys arrive as commands even when unhandled";
}

TEST_F(DialogTest, CentringThroughWindowRectsMovesTheDialog) {
    record_.centre = true;
    RECT rect{};
    InspectAt(500, [&](HWND dialog) {
        GetWindowRect(dialog, &rect);
        testwin::PressKey(VK_RETURN, u'\r');
    });
    EXPECT_EQ(RunDialog(AboutTemplate()), IDOK);
    const int width = PxX(125);
    const int height = controls::CaptionHeight() + PxY(55);
    EXPECT_EQ(rect.left, (host::kScreenWidth - width) / 2);
    EXPECT_EQ(rect.top, (host::kScreenHeight - height) / 2);
    EXPECT_EQ(rect.right - rect.left, width) << "SWP_NOSIZE keeps the size";
    EXPECT_EQ(rect.bottom - rect.top, height);
}

TEST_F(DialogTest, WiderThanOwnerIsPlacedAtTheLeftEdge) {
    record_.centre = true;
    TemplateBuilder b;
    b.Header(kAboutStyle, 0, 1, 10, 10, 400, 20, u"Wide");
    b.Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 2, 2, 40, 12, kPressId, kButton)
        .String(u"P")
        .Word(0);
    RECT rect{};
    InspectAt(500, [&](HWND dialog) {
        GetWindowRect(dialog, &rect);
        testwin::PressKey(VK_ESCAPE, 0x1B);
    });
    EXPECT_EQ(RunDialog(b.bytes()), IDCANCEL);
    EXPECT_EQ(rect.left, 0);
    EXPECT_GT(rect.top, 0);
}

// A template held in its own heap block of exactly its size, as a resource,
// so reading past its end is caught. Instances keep their resource set by
// reference, so blocks and items live to the end of the test program.
INT_PTR RunFromResource(const std::vector<unsigned char>& bytes, HWND owner,
                        const std::vector<host::ResourceItem>& others = {}) {
    struct Kept {
        std::unique_ptr<unsigned char[]> block;
        std::vector<host::ResourceItem> items;
    };
    static std::deque<Kept> kept;
    Kept& k = kept.emplace_back();
    k.block = std::make_unique<unsigned char[]>(std::max<std::size_t>(bytes.size(), 1));
    if (!bytes.empty()) std::memcpy(k.block.get(), bytes.data(), bytes.size());
    k.items.push_back({5, 103, 1033, k.block.get(), static_cast<DWORD>(bytes.size())});
    k.items.insert(k.items.end(), others.begin(), others.end());
    HINSTANCE instance = host::CreateInstance(host::ResourceSet{k.items.data(), k.items.size()});
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(103), RT_DIALOG());
    if (found == nullptr) return -3;
    auto* dialog_template = static_cast<const DLGTEMPLATE*>(LoadResource(instance, found));
    return DialogBoxIndirectParamW(instance, dialog_template, owner, TestDialogProc, 0);
}

// Icon group 101 with one 32 x 32, 16-colour image (id 1) that is red all over.
std::vector<host::ResourceItem> RedIconResources() {
    static std::vector<unsigned char> group;
    static std::vector<unsigned char> image;
    if (group.empty()) {
        TemplateBuilder g;
        g.Word(0).Word(1).Word(1);
        g.Word(0x2020).Word(16).Word(1).Word(4).Dword(40 + 64 + 16 * 32 + 4 * 32).Word(1);
        group = g.bytes();
        TemplateBuilder i;
        i.Dword(40).Dword(32).Dword(64).Word(1).Word(4).Dword(0).Dword(0);
        i.Dword(0).Dword(0).Dword(0).Dword(0);
        i.Dword(0x00000000).Dword(0x00FF0000);  // black, then red as B, G, R, 0
        for (int c = 2; c < 16; ++c)
            i.Dword(0);
        for (int b = 0; b < 16 * 32; ++b)
            i.Raw8(0x11);
        for (int b = 0; b < 4 * 32; ++b)
            i.Raw8(0x00);  // all opaque
        image = i.bytes();
    }
    return {{14, 101, 1033, group.data(), static_cast<DWORD>(group.size())},
            {3, 1, 1033, image.data(), static_cast<DWORD>(image.size())}};
}

TEST_F(DialogTest, TruncatedTemplatesFailWithoutReadingPastTheEnd) {
    const auto whole = AboutTemplate();
    std::size_t tried = 0;
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut << " of " << whole.size());
        std::vector<unsigned char> part(whole.begin(), whole.begin() + cut);
        const INT_PTR result = RunFromResource(part, parent_);
        if (result == -3) continue;  // an empty resource may not be found at all
        ++tried;
        EXPECT_EQ(result, -1);
    }
    EXPECT_GE(tried, whole.size() - 1);
    EXPECT_TRUE(record_.messages.empty()) << "a failed dialog never reaches its procedure";
}

TEST_F(DialogTest, MalformedTemplatesFail) {
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    };
    std::vector<Case> cases;
    {
        TemplateBuilder b;  // says three items, holds one
        b.Header(kAboutStyle, 0, 3, 0, 0, 100, 50, u"T");
        b.Item(WS_CHILD, 1, 1, 10, 10, 5, kButton).String(u"x").Word(0);
        cases.push_back({"count beyond the data", b.bytes()});
    }
    {
        TemplateBuilder b;  // title without its terminator at the very end
        b.Dword(WS_POPUP).Dword(0).Word(0).Short(0).Short(0).Short(10).Short(10);
        b.Word(0).Word(0).Word(u'A').Word(u'B');
        cases.push_back({"unterminated title", b.bytes()});
    }
    {
        TemplateBuilder b;  // extra bytes that run past the end
        b.Header(WS_POPUP, 0, 1, 0, 0, 100, 50, u"T");
        b.Item(WS_CHILD, 1, 1, 10, 10, 5, kButton).String(u"x").Word(200);
        cases.push_back({"extra count past the end", b.bytes()});
    }
    {
        TemplateBuilder b;  // an edit control, which this platform does not have
        b.Header(WS_POPUP, 0, 1, 0, 0, 100, 50, u"T");
        b.Item(WS_CHILD, 1, 1, 10, 10, 5, 0x0081).String(u"x").Word(0);
        cases.push_back({"unsupported control class", b.bytes()});
    }
    {
        TemplateBuilder b;  // the extended layout
        b.Dword(0xFFFF0001).Dword(0).Dword(0).Dword(WS_POPUP).Word(0).Short(0).Short(0);
        b.Short(10).Short(10).Word(0).Word(0).Word(0);
        cases.push_back({"extended layout", b.bytes()});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunFromResource(c.bytes, parent_), -1);
    }
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, nullptr, parent_, TestDialogProc, 0), -1);
    EXPECT_TRUE(record_.messages.empty());
    EXPECT_FALSE(EndDialog(parent_, 1)) << "not a dialog";
}

TEST_F(DialogTest, WholeTemplateFromResourceRuns) {
    InspectAt(300, [](HWND) { testwin::PressKey(VK_RETURN, u'\r'); });
    EXPECT_EQ(RunInTick([&] { return RunFromResource(AboutTemplate(), parent_); }), IDOK);
}

TEST_F(DialogTest, IconStaticDrawsTheIconNamedByItsOrdinal) {
    COLORREF inside = 0;
    COLORREF text_area = 0;
    InspectAt(300, [&](HWND dialog) {
        RECT d{};
        GetWindowRect(dialog, &d);
        const int top = d.top + controls::CaptionHeight();
        inside = host::ScreenPixels().At(d.left + PxX(11) + 4, top + PxY(17) + 4);
        text_area = host::ScreenPixels().At(d.left + PxX(38) - 2, top + PxY(17) + 4);
        testwin::PressKey(VK_RETURN, u'\r');
    });
    EXPECT_EQ(
        RunInTick([&] { return RunFromResource(AboutTemplate(), parent_, RedIconResources()); }),
        IDOK);
    EXPECT_EQ(inside, RGB(255, 0, 0));
    EXPECT_EQ(text_area, controls::kWhite);
}

TEST_F(DialogTest, EndingOrDestroyingInInitDialogNeverShowsIt) {
    struct Case {
        const char* name;
        bool end;
        bool destroy;
        INT_PTR expected;
    };
    const Case cases[] = {
        {"EndDialog", true, false, 9},
        {"DestroyWindow", false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record_ = ProcRecord{};
        record_.end_in_init = c.end;
        record_.destroy_in_init = c.destroy;
        EXPECT_EQ(RunDialog(AboutTemplate()), c.expected);
        testwin::Pump();
        const auto screen = testwin::Snapshot({0, 0, 100, 40});
        EXPECT_EQ(screen, std::vector<std::uint32_t>(screen.size(), controls::kWhite));
    }
}

}  // namespace
