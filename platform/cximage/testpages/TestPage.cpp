// Procedural document pages and their simulated photographs (see TestPage.h for the contract).
#include "platform/cximage/testpages/TestPage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace testpage {
namespace {

constexpr float kPi = 3.14159265358979f;

// splitmix64: small, fast and the same everywhere.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float Uniform() { return float(Next() >> 40) * (1.0f / 16777216.0f); }  // [0, 1)
    float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }
    int Int(int lo, int hi) { return lo + int(Next() % uint64_t(hi - lo + 1)); }  // inclusive
    bool Chance(float p) { return Uniform() < p; }

private:
    uint64_t m_state;
};

// A position-keyed random value in [0, 1), independent of drawing order.
float Hash01(uint32_t x, uint32_t y, uint32_t salt) {
    uint64_t z = (uint64_t(x) << 32 | y) ^ (uint64_t(salt) * 0xD6E8FEB86659FD93ull);
    z = (z ^ (z >> 32)) * 0xD6E8FEB86659FD93ull;
    z = (z ^ (z >> 32)) * 0xD6E8FEB86659FD93ull;
    return float((z ^ (z >> 32)) >> 40) * (1.0f / 16777216.0f);
}

struct Pt {
    float x, y;
};

// Priority when strokes of different kinds overlap: a pixel keeps the class of its darkest kind.
int Priority(uint8_t c) {
    switch (c) {
        case kInk: return 4;
        case kMark: return 3;
        case kPencil: return 2;
        case kEdge: return 1;
        default: return 0;
    }
}

// The page being drawn. Strokes darken the paper multiplicatively (ink absorbs light), so the
// order of drawing does not change the colours.
class Canvas {
public:
    Canvas(Page& page) : m_page(page), m_w(page.width), m_h(page.height) {}

    // One stroke: a set of polylines of the same pen. Coverage is the largest of the segments'
    // coverages, so joints are not darker than the lines. colour is the pen's transmittance
    // (R, G, B, 0..1); grain > 0 gives pencil-like uneven strength.
    void Stroke(const std::vector<std::vector<Pt>>& lines, float radius, const float colour[3], float opacity,
                uint8_t cls, float grain = 0.0f, uint32_t salt = 0) {
        float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
        for (const auto& l : lines)
            for (const Pt& p : l) {
                x0 = std::min(x0, p.x); y0 = std::min(y0, p.y);
                x1 = std::max(x1, p.x); y1 = std::max(y1, p.y);
            }
        if (x1 < x0) return;
        const float pad = radius + 1.0f;
        int bx0 = std::max(0, int(std::floor(x0 - pad))), by0 = std::max(0, int(std::floor(y0 - pad)));
        int bx1 = std::min(int(m_w) - 1, int(std::ceil(x1 + pad))), by1 = std::min(int(m_h) - 1, int(std::ceil(y1 + pad)));
        if (bx0 > bx1 || by0 > by1) return;
        const int bw = bx1 - bx0 + 1, bh = by1 - by0 + 1;
        m_cov.assign(size_t(bw) * bh, 0.0f);
        for (const auto& l : lines) {
            for (size_t i = 0; i < l.size(); ++i) {
                Pt a = l[i], b = i + 1 < l.size() ? l[i + 1] : l[i];
                if (i + 1 == l.size() && l.size() > 1) break;
                Segment(a, b, radius, bx0, by0, bw, bh);
            }
        }
        for (int y = 0; y < bh; ++y) {
            uint8_t* row = m_page.image.GetRow(uint32_t(by0 + y));
            uint8_t* cls0 = m_page.classes.data() + size_t(by0 + y) * m_w;
            for (int x = 0; x < bw; ++x) {
                float c = m_cov[size_t(y) * bw + x];
                if (c <= 0.0f) continue;
                const int px = bx0 + x;
                float strength = c * opacity;
                if (grain > 0.0f) strength *= 1.0f - grain * Hash01(uint32_t(px), uint32_t(by0 + y), salt);
                uint8_t* p = row + size_t(px) * 4;
                for (int k = 0; k < 3; ++k) {  // p is B, G, R
                    float t = 1.0f - strength * (1.0f - colour[2 - k]);
                    p[k] = uint8_t(std::lround(p[k] * t));
                }
                uint8_t& pc = cls0[px];
                if (c >= 0.5f) {
                    if (Priority(cls) > Priority(pc)) pc = cls;
                } else if (pc == kPaper) {
                    pc = kEdge;
                }
            }
        }
    }

private:
    void Segment(Pt a, Pt b, float r, int bx0, int by0, int bw, int bh) {
        int sx0 = std::max(bx0, int(std::floor(std::min(a.x, b.x) - r - 1))), sx1 = std::min(bx0 + bw - 1, int(std::ceil(std::max(a.x, b.x) + r + 1)));
        int sy0 = std::max(by0, int(std::floor(std::min(a.y, b.y) - r - 1))), sy1 = std::min(by0 + bh - 1, int(std::ceil(std::max(a.y, b.y) + r + 1)));
        const float dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        for (int y = sy0; y <= sy1; ++y)
            for (int x = sx0; x <= sx1; ++x) {
                float px = float(x) + 0.5f - a.x, py = float(y) + 0.5f - a.y;
                float t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f) : 0.0f;
                float ex = px - t * dx, ey = py - t * dy;
                float d = std::sqrt(ex * ex + ey * ey);
                float c = std::clamp(r + 0.5f - d, 0.0f, 1.0f);
                float& cell = m_cov[size_t(y - by0) * bw + size_t(x - bx0)];
                cell = std::max(cell, c);
            }
    }

    Page& m_page;
    uint32_t m_w, m_h;
    std::vector<float> m_cov;
};

const float kBlack[3] = {0.09f, 0.09f, 0.10f};
const float kRuleGrey[3] = {0.22f, 0.22f, 0.24f};
const float kBluePen[3] = {0.14f, 0.24f, 0.72f};
const float kRedPen[3] = {0.82f, 0.12f, 0.12f};
const float kStampRed[3] = {0.86f, 0.20f, 0.26f};
const float kPencilGrey[3] = {0.36f, 0.36f, 0.39f};

// A glyph-like shape of cap height h with its baseline at (x, y): two or three stems, bars,
// diagonals and bowls. Returns the advance width.
float Glyph(Rng& rng, float x, float y, float h, std::vector<std::vector<Pt>>& out) {
    const bool capital = rng.Chance(0.12f);
    const float top = capital ? h : (rng.Chance(0.25f) ? h : 0.62f * h);  // ascenders now and then
    const float bottom = (!capital && rng.Chance(0.1f)) ? -0.28f * h : 0.0f;  // descenders
    const float w = h * rng.Range(0.38f, 0.72f);
    const int parts = rng.Int(2, 3);
    for (int i = 0; i < parts; ++i) {
        switch (rng.Int(0, 3)) {
            case 0: {  // stem
                float sx = x + w * (rng.Chance(0.5f) ? 0.08f : rng.Chance(0.5f) ? 0.92f : 0.5f);
                out.push_back({{sx, y - top}, {sx, y - bottom}});
                break;
            }
            case 1: {  // bar
                float f = rng.Int(0, 2) * 0.5f;
                float by = y - top * f;
                out.push_back({{x, by}, {x + w, by}});
                break;
            }
            case 2: {  // diagonal
                bool up = rng.Chance(0.5f);
                out.push_back({{x, up ? y : y - top}, {x + w, up ? y - top : y}});
                break;
            }
            default: {  // bowl: part of an ellipse
                float cx = x + w * 0.5f, cy = y - top * 0.5f, rx = w * 0.5f, ry = top * 0.5f;
                float a0 = rng.Range(0.0f, 2 * kPi), span = rng.Range(kPi, 2 * kPi);
                std::vector<Pt> arc;
                const int n = 12;
                for (int k = 0; k <= n; ++k) {
                    float a = a0 + span * k / n;
                    arc.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
                }
                out.push_back(std::move(arc));
                break;
            }
        }
    }
    return w;
}

// A line of printed words from x0 to at most x1 at baseline y. Each glyph is one stroke.
void TextLine(Canvas& c, Rng& rng, float x0, float x1, float y, float h, float radius, const float colour[3],
              uint8_t cls = kInk, float opacity = 1.0f, float grain = 0.0f) {
    float x = x0;
    while (x < x1 - h) {
        const int letters = rng.Int(1, 8);
        for (int i = 0; i < letters && x < x1 - h; ++i) {
            std::vector<std::vector<Pt>> strokes;
            float adv = Glyph(rng, x, y, h, strokes);
            c.Stroke(strokes, radius, colour, opacity, cls, grain, uint32_t(rng.Next()));
            x += adv + h * 0.22f + 2.0f * radius;
        }
        x += h * 0.6f;
    }
}

// Joined-up handwriting: a wavy line with loops from x0 to x1 at baseline y, letter height h.
std::vector<Pt> Handwriting(Rng& rng, float x0, float x1, float y, float h) {
    std::vector<Pt> path;
    const float step = std::max(0.5f, h * 0.06f);
    float phase = rng.Range(0, 2 * kPi), freq = rng.Range(0.8f, 1.2f) / h;
    float x = x0;
    while (x < x1) {
        float t = (x - x0) * freq * 2 * kPi;
        float amp = h * (0.45f + 0.25f * std::sin(t * 0.31f + phase));
        // A cycloid-like curve: loops where the backward term beats the forward motion.
        float px = x + h * 0.22f * std::cos(t + phase);
        float py = y - h * 0.5f - amp * std::sin(t + phase);
        path.push_back({px, py});
        x += step;
    }
    return path;
}

std::vector<Pt> Ellipse(float cx, float cy, float rx, float ry, int n, float start = 0.0f, float span = 2 * kPi) {
    std::vector<Pt> p;
    for (int k = 0; k <= n; ++k) {
        float a = start + span * k / n;
        p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return p;
}

}  // namespace

Page MakeCleanPage(uint32_t width, uint32_t height, uint64_t seed) {
    Page page;
    width = std::max<uint32_t>(width, 1);
    height = std::max<uint32_t>(height, 1);
    page.width = width;
    page.height = height;
    page.image.Create(width, height);
    for (uint32_t y = 0; y < height; ++y) std::memset(page.image.GetRow(y), 255, size_t(width) * 4);
    page.classes.assign(size_t(width) * height, kPaper);
    if (width < 40 || height < 40) return page;

    Rng rng(seed);
    Canvas c(page);
    const float s = float(std::min(width, height)) / 400.0f;
    const float W = float(width), H = float(height);
    const float left = W * 0.07f, right = W * 0.93f, bottom = H * 0.95f;
    const float bodyH = 7.0f * s, bodyR = 0.6f * s, lineGap = 13.0f * s;
    float y = H * 0.05f;

    // Heading.
    y += 16.0f * s;
    TextLine(c, rng, left + rng.Range(0, W * 0.2f), left + W * rng.Range(0.45f, 0.7f), y, 14.0f * s, 1.3f * s, kBlack);
    y += lineGap * 1.3f;

    std::vector<float> gaps;  // baselines of empty lines, where handwriting goes
    int block = 0;
    while (y + lineGap < bottom - 12.0f * s) {
        const int kind = block % 4 == 2 ? 1 : (rng.Chance(0.35f) ? 2 : 0);
        ++block;
        if (kind == 0) {  // paragraph
            const int lines = rng.Int(2, 5);
            for (int i = 0; i < lines && y + lineGap < bottom - 12.0f * s; ++i) {
                y += lineGap;
                float end = i + 1 == lines ? left + (right - left) * rng.Range(0.3f, 0.9f) : right;
                TextLine(c, rng, left, end, y, bodyH, bodyR, kBlack);
                if (rng.Chance(0.15f)) {  // a red tick beside the line
                    float tx = right + W * 0.01f, ty = y - bodyH * 0.3f;
                    c.Stroke({{{tx, ty}, {tx + bodyH * 0.4f, ty + bodyH * 0.5f}, {tx + bodyH * 1.1f, ty - bodyH * 0.7f}}}, 0.8f * s,
                             kRedPen, 1.0f, kMark);
                }
            }
            y += lineGap * 0.4f;
        } else if (kind == 1) {  // table with ruled lines
            const int rows = rng.Int(2, 4), cols = rng.Int(3, 5);
            const float rowH = 15.0f * s;
            if (y + rows * rowH + lineGap > bottom - 12.0f * s) {
                y += lineGap * 1.6f;  // no room for it: an empty line instead
                gaps.push_back(y);
                continue;
            }
            const float top = y + lineGap * 0.5f;
            std::vector<std::vector<Pt>> rules;
            for (int r = 0; r <= rows; ++r) rules.push_back({{left, top + r * rowH}, {right, top + r * rowH}});
            for (int k = 0; k <= cols; ++k) {
                float x = left + (right - left) * k / cols;
                rules.push_back({{x, top}, {x, top + rows * rowH}});
            }
            c.Stroke(rules, 0.55f * s, kRuleGrey, 1.0f, kInk);
            for (int r = 0; r < rows; ++r)
                for (int k = 0; k < cols; ++k) {
                    float cx0 = left + (right - left) * k / cols + 3.0f * s;
                    float cx1 = cx0 + (right - left) / cols * rng.Range(0.3f, 0.9f);
                    TextLine(c, rng, cx0, cx1, top + r * rowH + rowH * 0.72f, bodyH * 0.9f, bodyR, kBlack);
                }
            y = top + rows * rowH + lineGap * 0.3f;
        } else {  // an empty line for handwriting
            y += lineGap * 1.6f;
            gaps.push_back(y);
        }
    }
    // Small print at the foot.
    if (bottom - 4.0f * s > y)
        TextLine(c, rng, left, right * rng.Range(0.6f, 1.0f), std::min(bottom, H - 3.0f * s), 4.5f * s, 0.45f * s, kBlack);

    // Handwriting in the gaps: blue pen, red pen or pencil.
    for (size_t i = 0; i < gaps.size(); ++i) {
        const float hx0 = left + W * rng.Range(0.0f, 0.1f), hx1 = left + (right - left) * rng.Range(0.4f, 0.95f);
        auto path = Handwriting(rng, hx0, hx1, gaps[i], 8.0f * s);
        switch (i % 3) {
            case 0: c.Stroke({path}, 0.8f * s, kBluePen, 1.0f, kMark); break;
            case 1: c.Stroke({path}, 0.5f * s, kPencilGrey, 0.95f, kPencil, 0.3f, uint32_t(rng.Next())); break;
            default: c.Stroke({path}, 0.8f * s, kRedPen, 1.0f, kMark); break;
        }
    }
    // Pencil notes even when there was no gap: a line in the left margin and an underline.
    {
        const float mx = W * 0.035f, my0 = H * rng.Range(0.2f, 0.5f);
        c.Stroke({{{mx, my0}, {mx + W * 0.004f, my0 + H * 0.25f}}}, 0.5f * s, kPencilGrey, 0.95f, kPencil, 0.3f, uint32_t(rng.Next()));
        auto note = Handwriting(rng, left, left + (right - left) * 0.35f, H * rng.Range(0.3f, 0.8f) + 5.0f * s, 6.0f * s);
        c.Stroke({note}, 0.5f * s, kPencilGrey, 0.95f, kPencil, 0.3f, uint32_t(rng.Next()));
    }
    // Red pen: a circle around a place in the text and a wavy underline; blue: a margin bracket.
    {
        const float cx = left + (right - left) * rng.Range(0.2f, 0.8f), cy = H * rng.Range(0.25f, 0.75f);
        c.Stroke({Ellipse(cx, cy, 30.0f * s, 9.0f * s, 40, 0.3f, 2 * kPi + 0.4f)}, 0.8f * s, kRedPen, 1.0f, kMark);
        std::vector<Pt> wave;
        const float wy = H * rng.Range(0.2f, 0.8f), wx0 = left + W * 0.1f;
        for (float x = wx0; x < wx0 + W * 0.3f; x += 1.0f * s) wave.push_back({x, wy + 1.5f * s * std::sin((x - wx0) / (3.0f * s))});
        c.Stroke({wave}, 0.7f * s, kRedPen, 1.0f, kMark);
        const float bx = right + W * 0.02f, by0 = H * rng.Range(0.15f, 0.5f), by1 = by0 + H * 0.2f;
        c.Stroke({{{bx - 4.0f * s, by0}, {bx, by0 + 4.0f * s}, {bx, by1 - 4.0f * s}, {bx - 4.0f * s, by1}}}, 0.8f * s, kBluePen, 1.0f, kMark);
    }
    // Stamp: two red rings with letters between them, over whatever lies below.
    {
        const float R = 30.0f * s;
        const float cx = W * rng.Range(0.6f, 0.8f), cy = H * rng.Range(0.6f, 0.8f);
        const uint32_t salt = uint32_t(rng.Next());
        c.Stroke({Ellipse(cx, cy, R, R, 96)}, 1.7f * s, kStampRed, 0.9f, kMark, 0.25f, salt);
        c.Stroke({Ellipse(cx, cy, R * 0.78f, R * 0.78f, 80)}, 0.8f * s, kStampRed, 0.9f, kMark, 0.25f, salt + 1);
        std::vector<std::vector<Pt>> letters;
        float x = cx - R * 0.5f;
        while (x < cx + R * 0.35f) x += Glyph(rng, x, cy + R * 0.15f, R * 0.35f, letters) + R * 0.08f;
        c.Stroke(letters, 0.8f * s, kStampRed, 0.9f, kMark, 0.25f, salt + 2);
    }

    // Paper next to a stroke takes the stroke's soft border and the blur of a photograph: undecided.
    const int ring = 1 + int(s / 4.0f);
    std::vector<uint8_t> marked(page.classes.size());
    for (size_t i = 0; i < marked.size(); ++i) marked[i] = page.classes[i] != kPaper && page.classes[i] != kEdge;
    std::vector<uint8_t> grown(marked.size(), 0);
    for (uint32_t yy = 0; yy < height; ++yy)
        for (uint32_t xx = 0; xx < width; ++xx) {
            if (!marked[size_t(yy) * width + xx]) continue;
            for (int dy = -ring; dy <= ring; ++dy) {
                int ny = int(yy) + dy;
                if (ny < 0 || ny >= int(height)) continue;
                for (int dx = -ring; dx <= ring; ++dx) {
                    int nx = int(xx) + dx;
                    if (nx >= 0 && nx < int(width)) grown[size_t(ny) * width + size_t(nx)] = 1;
                }
            }
        }
    for (size_t i = 0; i < grown.size(); ++i)
        if (grown[i] && page.classes[i] == kPaper) page.classes[i] = kEdge;
    return page;
}

PhotoParams RandomPhotoParams(uint64_t seed) {
    Rng rng(seed ^ 0xA5A5A5A5ull);
    PhotoParams p;
    p.exposure = rng.Range(0.80f, 0.98f);
    p.gradient = rng.Range(0.15f, 0.45f);
    p.gradientAngle = rng.Range(0.0f, 2 * kPi);
    p.vignette = rng.Range(0.10f, 0.35f);
    p.shadowDarkness = rng.Range(0.15f, 0.35f);
    p.shadowX = rng.Range(0.2f, 0.8f);
    p.shadowY = rng.Range(0.2f, 0.8f);
    p.shadowAngle = rng.Range(0.0f, kPi);
    p.shadowWidth = rng.Range(0.06f, 0.2f);
    p.tintR = 1.0f;
    p.tintG = rng.Range(0.93f, 1.0f);
    p.tintB = rng.Range(0.80f, 0.95f);
    p.blur = rng.Range(0.4f, 0.8f);
    p.noise = rng.Range(1.5f, 4.0f);
    p.jpegQuality = rng.Int(70, 92);
    p.backgroundEdge = rng.Int(0, 3);
    p.backgroundDepth = rng.Range(0.04f, 0.12f);
    p.backgroundSlant = rng.Range(-0.04f, 0.04f);
    p.backgroundR = uint8_t(rng.Int(30, 90));
    p.backgroundG = uint8_t(p.backgroundR * rng.Range(0.7f, 0.95f));
    p.backgroundB = uint8_t(p.backgroundR * rng.Range(0.5f, 0.9f));
    return p;
}

namespace {

// Separable Gaussian blur of the B, G, R bytes of a picture in place.
void Blur(CxImage& img, float sigma) {
    if (sigma < 0.25f) return;
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    const int r = std::max(1, int(std::ceil(sigma * 3.0f)));
    std::vector<float> k(size_t(2 * r + 1));
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += k[size_t(i + r)] = std::exp(-0.5f * float(i * i) / (sigma * sigma));
    for (float& v : k) v /= sum;
    std::vector<float> line(size_t(w) * 3);
    for (uint32_t y = 0; y < h; ++y) {  // horizontal, edges replicated
        uint8_t* row = img.GetRow(y);
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                float a = 0;
                for (int i = -r; i <= r; ++i) {
                    int xx = std::clamp(int(x) + i, 0, int(w) - 1);
                    a += k[size_t(i + r)] * row[size_t(xx) * 4 + c];
                }
                line[size_t(x) * 3 + c] = a;
            }
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) row[size_t(x) * 4 + c] = uint8_t(std::lround(std::clamp(line[size_t(x) * 3 + c], 0.0f, 255.0f)));
    }
    std::vector<uint8_t> copy(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y) std::memcpy(copy.data() + size_t(y) * w * 4, img.GetRow(y), size_t(w) * 4);
    for (uint32_t y = 0; y < h; ++y) {  // vertical
        std::fill(line.begin(), line.end(), 0.0f);
        for (int i = -r; i <= r; ++i) {
            const uint8_t* src = copy.data() + size_t(std::clamp(int(y) + i, 0, int(h) - 1)) * w * 4;
            const float kv = k[size_t(i + r)];
            for (uint32_t x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) line[size_t(x) * 3 + c] += kv * src[size_t(x) * 4 + c];
        }
        uint8_t* row = img.GetRow(y);
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) row[size_t(x) * 4 + c] = uint8_t(std::lround(std::clamp(line[size_t(x) * 3 + c], 0.0f, 255.0f)));
    }
}

// A baseline JPEG-like round trip: Y, Cb, Cr; 8 x 8 DCT of each plane; quantisation with the
// usual example tables scaled by quality; and back. No chroma subsampling, no entropy coding (which
// is lossless and changes nothing).
void JpegRoundTrip(CxImage& img, int quality) {
    static const int kLumaQ[64] = {16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
                                   14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
                                   18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
                                   49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static const int kChromaQ[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                     24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    quality = std::clamp(quality, 1, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    float q[2][64];
    for (int i = 0; i < 64; ++i) {
        q[0][i] = float(std::clamp((kLumaQ[i] * scale + 50) / 100, 1, 255));
        q[1][i] = float(std::clamp((kChromaQ[i] * scale + 50) / 100, 1, 255));
    }
    float m[8][8];  // orthonormal DCT-II basis
    for (int u = 0; u < 8; ++u)
        for (int x = 0; x < 8; ++x)
            m[u][x] = (u == 0 ? std::sqrt(0.125f) : 0.5f) * std::cos((2 * x + 1) * u * kPi / 16.0f);
    const uint32_t w = img.GetWidth(), h = img.GetHeight();
    float block[3][64], tmp[64], coef[64];
    for (uint32_t by = 0; by < h; by += 8)
        for (uint32_t bx = 0; bx < w; bx += 8) {
            for (int y = 0; y < 8; ++y) {
                const uint8_t* row = img.GetRow(std::min(by + y, h - 1));
                for (int x = 0; x < 8; ++x) {
                    const uint8_t* p = row + size_t(std::min(bx + x, w - 1)) * 4;
                    float R = p[2], G = p[1], B = p[0];
                    block[0][y * 8 + x] = 0.299f * R + 0.587f * G + 0.114f * B - 128.0f;
                    block[1][y * 8 + x] = -0.168736f * R - 0.331264f * G + 0.5f * B;
                    block[2][y * 8 + x] = 0.5f * R - 0.418688f * G - 0.081312f * B;
                }
            }
            for (int c = 0; c < 3; ++c) {
                float* b = block[c];
                for (int u = 0; u < 8; ++u)  // rows: tmp = b * M^T
                    for (int y = 0; y < 8; ++y) {
                        float a = 0;
                        for (int x = 0; x < 8; ++x) a += b[y * 8 + x] * m[u][x];
                        tmp[y * 8 + u] = a;
                    }
                for (int v = 0; v < 8; ++v)  // columns: coef = M * tmp
                    for (int u = 0; u < 8; ++u) {
                        float a = 0;
                        for (int y = 0; y < 8; ++y) a += m[v][y] * tmp[y * 8 + u];
                        const float qq = q[c == 0 ? 0 : 1][v * 8 + u];
                        coef[v * 8 + u] = std::round(a / qq) * qq;
                    }
                for (int y = 0; y < 8; ++y)  // inverse: tmp = M^T * coef
                    for (int u = 0; u < 8; ++u) {
                        float a = 0;
                        for (int v = 0; v < 8; ++v) a += m[v][y] * coef[v * 8 + u];
                        tmp[y * 8 + u] = a;
                    }
                for (int y = 0; y < 8; ++y)  // b = tmp * M
                    for (int x = 0; x < 8; ++x) {
                        float a = 0;
                        for (int u = 0; u < 8; ++u) a += tmp[y * 8 + u] * m[u][x];
                        b[y * 8 + x] = a;
                    }
            }
            for (int y = 0; y < 8 && by + y < h; ++y) {
                uint8_t* row = img.GetRow(by + y);
                for (int x = 0; x < 8 && bx + x < w; ++x) {
                    uint8_t* p = row + size_t(bx + x) * 4;
                    float Y = block[0][y * 8 + x] + 128.0f, Cb = block[1][y * 8 + x], Cr = block[2][y * 8 + x];
                    p[2] = uint8_t(std::lround(std::clamp(Y + 1.402f * Cr, 0.0f, 255.0f)));
                    p[1] = uint8_t(std::lround(std::clamp(Y - 0.344136f * Cb - 0.714136f * Cr, 0.0f, 255.0f)));
                    p[0] = uint8_t(std::lround(std::clamp(Y + 1.772f * Cb, 0.0f, 255.0f)));
                }
            }
        }
}

float SmoothStep(float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace

Photo Photograph(const CxImage& page, const PhotoParams& prm, uint64_t seed) {
    Photo photo;
    const uint32_t w = page.GetWidth(), h = page.GetHeight();
    if (!page.IsValid()) return photo;
    photo.image.Create(w, h);
    photo.onPage.assign(size_t(w) * h, 1);
    Rng rng(seed ^ 0x5DEECE66Dull);
    const float s = float(std::min(w, h)) / 400.0f;
    const float W = float(w), H = float(h);

    // The light falls off along (cos a, sin a) in page-relative coordinates.
    const float ca = std::cos(prm.gradientAngle), sa = std::sin(prm.gradientAngle);
    const float uSpan = std::abs(ca) + std::abs(sa);  // projections of the corners span -uSpan/2..uSpan/2
    const float sc = std::cos(prm.shadowAngle), ss = std::sin(prm.shadowAngle);
    const float shadowW = std::max(1.0f, prm.shadowWidth * float(std::min(w, h)));
    const float grainPhase = rng.Range(0.0f, 6.28f);

    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = page.GetRow(y);
        uint8_t* dst = photo.image.GetRow(y);
        const float fy = (float(y) + 0.5f) / H - 0.5f;
        for (uint32_t x = 0; x < w; ++x) {
            const float fx = (float(x) + 0.5f) / W - 0.5f;
            const float t = (fx * ca + fy * sa) / uSpan + 0.5f;  // 0 at the brightest corner
            float light = prm.exposure * (1.0f - prm.gradient * t);
            light *= 1.0f - prm.vignette * (fx * fx + fy * fy) * 2.0f;
            const float d = std::abs((float(x) - prm.shadowX * W) * ss - (float(y) - prm.shadowY * H) * sc);
            light *= 1.0f - prm.shadowDarkness * SmoothStep((shadowW - d) / (shadowW * 0.5f));
            // How much of this pixel the page covers (its edge is a slanted line near one side).
            float pageCover = 1.0f;
            if (prm.backgroundEdge >= 0 && prm.backgroundEdge <= 3) {
                const bool vertical = prm.backgroundEdge == 0 || prm.backgroundEdge == 2;
                const float along = vertical ? fy : fx;  // -0.5 .. 0.5 along the edge
                const float extent = vertical ? W : H;
                const float depth = (prm.backgroundDepth + prm.backgroundSlant * along) * extent;
                const float pos = vertical ? float(x) + 0.5f : float(y) + 0.5f;
                const float inside = prm.backgroundEdge < 2 ? pos - depth : (extent - depth) - pos;  // > 0 on the page
                pageCover = std::clamp(inside + 0.5f, 0.0f, 1.0f);
            }
            const float tint[3] = {prm.tintB, prm.tintG, prm.tintR};
            const float table[3] = {float(prm.backgroundB), float(prm.backgroundG), float(prm.backgroundR)};
            const float wood = 0.88f + 0.12f * std::sin(float(x) * 0.09f / s + 3.0f * std::sin(float(y) * 0.013f / s + grainPhase));
            for (int c = 0; c < 3; ++c) {
                float v = float(src[x * 4 + c]) * tint[c] * pageCover + table[c] * wood * (1.0f - pageCover);
                dst[x * 4 + c] = uint8_t(std::lround(std::clamp(v * light, 0.0f, 255.0f)));
            }
            dst[x * 4 + 3] = 255;
            if (pageCover < 0.5f) photo.onPage[size_t(y) * w + x] = 0;
        }
    }
    Blur(photo.image, prm.blur * std::max(1.0f, s / 3.0f));
    if (prm.noise > 0.0f) {
        const float k = prm.noise * std::sqrt(3.0f);  // four uniforms: variance 1/3
        for (uint32_t y = 0; y < h; ++y) {
            uint8_t* row = photo.image.GetRow(y);
            for (uint32_t x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    uint64_t r = rng.Next();
                    float u = float(r & 0xFFFF) + float((r >> 16) & 0xFFFF) + float((r >> 32) & 0xFFFF) + float(r >> 48);
                    float n = (u / 65536.0f - 2.0f) * k;
                    row[x * 4 + c] = uint8_t(std::lround(std::clamp(float(row[x * 4 + c]) + n, 0.0f, 255.0f)));
                }
        }
    }
    if (prm.jpegQuality > 0) JpegRoundTrip(photo.image, prm.jpegQuality);
    return photo;
}

std::vector<uint8_t> PhotoClasses(const Page& page, const Photo& photo) {
    const uint32_t w = page.width, h = page.height;
    std::vector<uint8_t> out(page.classes);
    if (photo.onPage.size() != out.size()) return out;
    const int margin = 2 + int(float(std::min(w, h)) / 400.0f);
    // Distance to the nearest table pixel along rows, then along columns (a square neighbourhood).
    std::vector<uint8_t> nearRow(out.size(), 0);
    for (uint32_t y = 0; y < h; ++y) {
        int last = -1000000;
        for (uint32_t x = 0; x < w; ++x) {
            if (!photo.onPage[size_t(y) * w + x]) last = int(x);
            if (int(x) - last <= margin) nearRow[size_t(y) * w + x] = 1;
        }
        last = 1000000;
        for (uint32_t x = w; x-- > 0;) {
            if (!photo.onPage[size_t(y) * w + x]) last = int(x);
            if (last - int(x) <= margin) nearRow[size_t(y) * w + x] = 1;
        }
    }
    for (uint32_t x = 0; x < w; ++x) {
        int last = -1000000;
        std::vector<uint8_t> col(h, 0);
        for (uint32_t y = 0; y < h; ++y) {
            if (nearRow[size_t(y) * w + x]) last = int(y);
            if (int(y) - last <= margin) col[y] = 1;
        }
        last = 1000000;
        for (uint32_t y = h; y-- > 0;) {
            if (nearRow[size_t(y) * w + x]) last = int(y);
            if (last - int(y) <= margin) col[y] = 1;
        }
        for (uint32_t y = 0; y < h; ++y) {
            const size_t i = size_t(y) * w + x;
            if (!photo.onPage[i]) out[i] = kBackground;
            else if (col[y]) out[i] = kEdge;
        }
    }
    return out;
}

Score Measure(const CxImage& cleaned, const std::vector<uint8_t>& classes) {
    Score sc;
    const uint32_t w = cleaned.GetWidth(), h = cleaned.GetHeight();
    if (classes.size() != size_t(w) * h) return sc;
    uint64_t good[6] = {}, all[6] = {};
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* p = cleaned.GetRow(y);
        const uint8_t* c = classes.data() + size_t(y) * w;
        for (uint32_t x = 0; x < w; ++x, p += 4) {
            const uint8_t k = c[x];
            if (k > kBackground) continue;
            const uint32_t luma = (299u * p[2] + 587u * p[1] + 114u * p[0]) / 1000u;
            bool ok = false;
            switch (k) {
                case kPaper: ok = p[0] >= 235 && p[1] >= 235 && p[2] >= 235; break;
                case kInk:
                case kPencil: ok = luma <= 150; break;
                case kMark: ok = luma <= 200; break;
                case kBackground: ok = luma <= 128; break;
                default: break;
            }
            ++all[k];
            good[k] += ok;
        }
    }
    auto share = [&](int k) { return all[k] ? double(good[k]) / double(all[k]) : 1.0; };
    sc.paperWhite = share(kPaper);
    sc.inkDark = share(kInk);
    sc.pencilDark = share(kPencil);
    sc.markVisible = share(kMark);
    sc.backgroundDark = share(kBackground);
    sc.paper = all[kPaper];
    sc.ink = all[kInk];
    sc.pencil = all[kPencil];
    sc.mark = all[kMark];
    sc.background = all[kBackground];
    return sc;
}

}  // namespace testpage
