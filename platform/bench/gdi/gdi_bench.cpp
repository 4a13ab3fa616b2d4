// Text and blit throughput of the software GDI on the device screen and on
// memory surfaces sized like the screen code's.

#include <benchmark/benchmark.h>

#include <string>

#include "host/host.h"
#include "platform/gdi/window_dc.h"
#include "test_screen.h"
#include "win/gdi.h"

namespace {

const RECT kScreen{0, 0, test_screen::kWidth, test_screen::kHeight};
const char16_t kStatusLine[] =
    u"$GPGGA,123519.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

struct Field {
    const char16_t* text;
    RECT rect;
};
const Field kFields[] = {
    {u"2026/12/31   ", {15, 25, 90, 40}},          {u"23:59:59   ", {130, 25, 190, 40}},
    {u"HDOP:1.20   ", {15, 40, 90, 55}},           {u"PDOP:2.10   ", {130, 40, 190, 55}},
    {u"Speed:12.5  ", {15, 55, 90, 70}},           {u"Altitude:545.40     ", {130, 55, 220, 70}},
    {u"Latitude:48'7.04     ", {15, 70, 120, 85}}, {u"Longitude:11'31.00     ", {130, 70, 250, 85}},
};

class ScreenDc {
  public:
    ScreenDc() : dc_(gdi::CreateScreenDC(0, 0, &kScreen, 1)) {}
    ~ScreenDc() { gdi::DeleteScreenDC(dc_); }
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

class MemorySurface {
  public:
    MemorySurface(int width, int height, COLORREF color) {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(dc_, width, height);
        old_ = SelectObject(dc_, bitmap_);
        const RECT all{0, 0, width, height};
        const HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~MemorySurface() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC get() const { return dc_; }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// The status line as the sentence echo draws it: blank line, then the text;
// two texts alternate so that pixels really change.
void StatusLine(benchmark::State& state, bool opaque) {
    ScreenDc dc;
    SetBkMode(dc.get(), opaque ? OPAQUE : TRANSPARENT);
    const std::u16string a(kStatusLine);
    std::u16string b = a;
    b[8] = u'9';
    const int count = static_cast<int>(a.size());
    std::int64_t glyphs = 0;
    bool flip = false;
    for (auto _ : state) {
        RECT r{5, 200, 320, 215};
        DrawTextW(dc.get(), (flip ? b : a).c_str(), count, &r, DT_SINGLELINE);
        flip = !flip;
        glyphs += count;
    }
    state.counters["glyphs/s"] =
        benchmark::Counter(static_cast<double>(glyphs), benchmark::Counter::kIsRate);
}

void BM_StatusLineOpaque(benchmark::State& state) {
    StatusLine(state, true);
}
void BM_StatusLineTransparent(benchmark::State& state) {
    StatusLine(state, false);
}
BENCHMARK(BM_StatusLineOpaque);
BENCHMARK(BM_StatusLineTransparent);

void BM_FieldTextsOpaque(benchmark::State& state) {
    ScreenDc dc;
    std::int64_t glyphs = 0;
    for (auto _ : state) {
        for (const Field& f : kFields) {
            RECT r = f.rect;
            DrawTextW(dc.get(), f.text, -1, &r, DT_SINGLELINE);
            glyphs +=
                gdi::MeasureText(f.text, -1) > 0 ? std::char_traits<char16_t>::length(f.text) : 0;
        }
    }
    state.counters["glyphs/s"] =
        benchmark::Counter(static_cast<double>(glyphs), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FieldTextsOpaque);

// Two sources alternate so every blit changes the screen (the worst case for
// damage tracking); the second variant repeats the same picture.
void Blit(benchmark::State& state, int width, int height, bool changing) {
    ScreenDc dc;
    MemorySurface a(200, 200, 0xFFFFFF);
    MemorySurface b(200, 200, 0xFF0000);
    bool flip = false;
    for (auto _ : state) {
        BitBlt(dc.get(), 0, 100, width, height, flip ? b.get() : a.get(), 0, 0, SRCCOPY);
        if (changing) flip = !flip;
    }
    RECT damage;
    gdi::TakeScreenDamageRects(&damage, 1);
    state.counters["blits/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Blit200x200(benchmark::State& state) {
    Blit(state, 200, 200, true);
}
void BM_Blit200x50(benchmark::State& state) {
    Blit(state, 200, 50, true);
}
void BM_Blit200x200Unchanged(benchmark::State& state) {
    Blit(state, 200, 200, false);
}
void BM_Blit200x200MemoryToMemory(benchmark::State& state) {
    MemorySurface a(200, 200, 0xFFFFFF);
    MemorySurface b(200, 200, 0xFF0000);
    for (auto _ : state)
        BitBlt(a.get(), 0, 0, 200, 200, b.get(), 0, 0, SRCCOPY);
    state.counters["blits/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Blit200x200);
BENCHMARK(BM_Blit200x50);
BENCHMARK(BM_Blit200x200Unchanged);
BENCHMARK(BM_Blit200x200MemoryToMemory);

// One sky-plot composition with twelve satellites, as the screen code draws it.
void BM_SkyPlotPass(benchmark::State& state) {
    ScreenDc dc;
    MemorySurface sky(200, 200, 0xFFFFFF);
    const HBRUSH white = CreateSolidBrush(0xFFFFFF);
    const HBRUSH blue = CreateSolidBrush(0xFF0000);
    const HPEN black = CreatePen(PS_SOLID, 1, 0);
    SetBkMode(sky.get(), TRANSPARENT);
    SelectObject(sky.get(), black);
    for (auto _ : state) {
        RECT r{0, 0, 100, 100};
        FillRect(sky.get(), &r, white);
        SelectObject(sky.get(), white);
        Ellipse(sky.get(), 10, 10, 90, 90);
        Ellipse(sky.get(), 30, 30, 70, 70);
        for (int i = 0; i < 12; ++i) {
            const int cx = 20 + (i * 37) % 70;
            const int cy = 15 + (i * 23) % 70;
            SelectObject(sky.get(), (i & 1) ? blue : white);
            Ellipse(sky.get(), cx - 10, cy - 10, cx + 10, cy + 10);
            RECT label{cx - 7, cy - 7, cx + 10, cy + 10};
            DrawTextW(sky.get(), u"12", 2, &label, 0);
        }
        BitBlt(dc.get(), 0, 100, 100, 100, sky.get(), 0, 0, SRCCOPY);
    }
    SelectObject(sky.get(), GetStockObject(WHITE_BRUSH));
    SelectObject(sky.get(), GetStockObject(BLACK_PEN));
    DeleteObject(white);
    DeleteObject(blue);
    DeleteObject(black);
}
BENCHMARK(BM_SkyPlotPass);

// The status line as the screen refreshes it for every sentence: cleared,
// written over with a line of spaces, then the sentence.
void BM_SentenceEcho(benchmark::State& state) {
    ScreenDc dc;
    const RECT line{5, 200, 320, 215};
    const std::u16string blank(80, u' ');
    const std::u16string a(kStatusLine);
    std::u16string b = a;
    b[8] = u'9';
    bool flip = false;
    for (auto _ : state) {
        FillRect(dc.get(), &line, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        RECT r = line;
        DrawTextW(dc.get(), blank.c_str(), static_cast<int>(blank.size()), &r, DT_SINGLELINE);
        r = line;
        DrawTextW(dc.get(), (flip ? b : a).c_str(), static_cast<int>(a.size()), &r, DT_SINGLELINE);
        flip = !flip;
    }
    RECT damage;
    gdi::TakeScreenDamageRects(&damage, 1);
}
BENCHMARK(BM_SentenceEcho);

// What one tick changes far apart (a field, the checksum mark, the status
// line, the bars), taken as damage rectangles; counts the pixels to present.
void BM_DamageRectsOfATick(benchmark::State& state) {
    ScreenDc dc;
    MemorySurface bars_a(200, 50, 0xFFFFFF);
    MemorySurface bars_b(200, 50, 0xFF0000);
    const HBRUSH red = CreateSolidBrush(0x0000FF);
    const HBRUSH blue = CreateSolidBrush(0xFF0000);
    const RECT mark{190, 30, 200, 40};
    std::int64_t pixels = 0;
    bool flip = false;
    for (auto _ : state) {
        RECT field = kFields[0].rect;
        DrawTextW(dc.get(), flip ? u"2026/12/31   " : u"2027/01/01   ", -1, &field, DT_SINGLELINE);
        FillRect(dc.get(), &mark, flip ? red : blue);
        RECT status{5, 200, 320, 215};
        DrawTextW(dc.get(), kStatusLine + (flip ? 1 : 0), 20, &status, DT_SINGLELINE);
        BitBlt(dc.get(), 0, 220, 200, 50, flip ? bars_a.get() : bars_b.get(), 0, 0, SRCCOPY);
        RECT rects[gdi::kMaxDamageRects];
        const int count = gdi::TakeScreenDamageRects(rects, gdi::kMaxDamageRects);
        for (int i = 0; i < count; ++i)
            pixels +=
                std::int64_t{rects[i].right - rects[i].left} * (rects[i].bottom - rects[i].top);
        flip = !flip;
    }
    state.counters["pixels/tick"] =
        benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kAvgIterations);
    DeleteObject(red);
    DeleteObject(blue);
}
BENCHMARK(BM_DamageRectsOfATick);

}  // namespace
