// The desk scene: surface, objects, an optional second sheet, the page under a pinhole camera, its
// shadow, then the photograph's light, blur, noise and compression.
#include "platform/cximage/testpages/Scene.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace testpage {

namespace {

constexpr double kPi = 3.14159265358979323846;

// splitmix64: a fixed integer generator, so that scenes do not depend on the standard library.
class Rand {
public:
    explicit Rand(uint64_t seed) : m_s(seed ^ 0x2545F4914F6CDD1Dull) {}
    uint64_t Next() {
        uint64_t z = (m_s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Unit() { return double(Next() >> 11) / double(1ull << 53); }
    double Range(double a, double b) { return a + (b - a) * Unit(); }
    int Int(int a, int b) { return a + int(Next() % uint64_t(b - a + 1)); }
    bool Chance(double p) { return Unit() < p; }

private:
    uint64_t m_s;
};

struct Pt {
    double x, y;
};

// Smooth lattice noise in 0..1.
double Hash01(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x85EBCA6Bu;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / double(0xFFFFFF);
}
double Noise(double x, double y, uint32_t seed) {
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    double fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const double a = Hash01(x0, y0, seed), b = Hash01(x0 + 1, y0, seed);
    const double c = Hash01(x0, y0 + 1, seed), d = Hash01(x0 + 1, y0 + 1, seed);
    return (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy;
}

// Signed distance of a point inside a clockwise (on the screen) convex polygon: positive inside.
double Inside(const std::vector<Pt>& poly, double x, double y) {
    double d = 1e30;
    const size_t n = poly.size();
    for (size_t i = 0; i < n; ++i) {
        const Pt a = poly[i], b = poly[(i + 1) % n];
        const double ex = b.x - a.x, ey = b.y - a.y, len = std::hypot(ex, ey);
        if (len <= 0) continue;
        d = std::min(d, ((x - a.x) * ey - (y - a.y) * ex) / -len);
    }
    return d;
}

// An upright rectangle centred at (cx, cy), turned by angle, as a clockwise polygon.
std::vector<Pt> Box(double cx, double cy, double w, double h, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    std::vector<Pt> p;
    const double xs[4] = {-w / 2, w / 2, w / 2, -w / 2}, ys[4] = {-h / 2, -h / 2, h / 2, h / 2};
    for (int i = 0; i < 4; ++i) p.push_back({cx + xs[i] * c - ys[i] * s, cy + xs[i] * s + ys[i] * c});
    return p;
}

struct Colour {
    double b, g, r;
};

// Something on the desk: a convex polygon (or a disc when radius > 0) of one colour.
struct Thing {
    std::vector<Pt> poly;
    Pt centre{0, 0};
    double radius = 0;
    Colour colour{0, 0, 0};
    double Cover(double x, double y) const {
        double d = radius > 0 ? radius - std::hypot(x - centre.x, y - centre.y) : Inside(poly, x, y);
        return std::clamp(d + 0.5, 0.0, 1.0);
    }
    void Bounds(int& x0, int& y0, int& x1, int& y1, int w, int h) const {
        double a = 1e30, b = 1e30, c = -1e30, d = -1e30;
        if (radius > 0) {
            a = centre.x - radius; b = centre.y - radius; c = centre.x + radius; d = centre.y + radius;
        } else {
            for (const Pt& p : poly) { a = std::min(a, p.x); b = std::min(b, p.y); c = std::max(c, p.x); d = std::max(d, p.y); }
        }
        x0 = std::clamp(int(std::floor(a)) - 1, 0, w);
        y0 = std::clamp(int(std::floor(b)) - 1, 0, h);
        x1 = std::clamp(int(std::ceil(c)) + 2, 0, w);
        y1 = std::clamp(int(std::ceil(d)) + 2, 0, h);
    }
};

Colour Saturated(Rand& rng, double value) {
    const double hue = rng.Range(0, 6), sat = rng.Range(0.4, 0.9);
    const int i = int(hue) % 6;
    const double f = hue - std::floor(hue);
    const double p = value * (1 - sat), q = value * (1 - sat * f), t = value * (1 - sat * (1 - f));
    double r, g, b;
    switch (i) {
        case 0: r = value; g = t; b = p; break;
        case 1: r = q; g = value; b = p; break;
        case 2: r = p; g = value; b = t; break;
        case 3: r = p; g = q; b = value; break;
        case 4: r = t; g = p; b = value; break;
        default: r = value; g = p; b = q; break;
    }
    return {b * 255, g * 255, r * 255};
}

// Float canvas of B, G, R.
struct Canvas {
    int w, h;
    std::vector<float> px;
    Canvas(int width, int height) : w(width), h(height), px(size_t(width) * height * 3, 0.0f) {}
    float* At(int x, int y) { return px.data() + (size_t(y) * w + x) * 3; }
    void Blend(int x, int y, Colour c, double a) {
        float* p = At(x, y);
        p[0] = float(p[0] + (c.b - p[0]) * a);
        p[1] = float(p[1] + (c.g - p[1]) * a);
        p[2] = float(p[2] + (c.r - p[2]) * a);
    }
    void Draw(const Thing& t) {
        int x0, y0, x1, y1;
        t.Bounds(x0, y0, x1, y1, w, h);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                double a = t.Cover(x + 0.5, y + 0.5);
                if (a > 0) Blend(x, y, t.colour, a);
            }
    }
};

void PaintSurface(Canvas& cv, Surface kind, Rand& rng) {
    const uint32_t seed = uint32_t(rng.Next());
    const double scale = std::min(cv.w, cv.h) / 1000.0;
    if (kind == Surface::kWood) {
        const double angle = rng.Range(0, kPi), c = std::cos(angle), s = std::sin(angle);
        const Colour base{rng.Range(40, 85), rng.Range(75, 125), rng.Range(120, 195)};
        const double plank = rng.Range(90, 220) * scale, freq = rng.Range(0.05, 0.12) / scale;
        for (int y = 0; y < cv.h; ++y)
            for (int x = 0; x < cv.w; ++x) {
                const double u = x * c + y * s, v = -x * s + y * c;
                const double plankNo = std::floor(v / plank);
                const double grain = std::sin(v * freq + 5 * Noise(u * 0.004 / scale, v * 0.02 / scale, seed) + plankNo * 1.7);
                double k = 0.8 + 0.12 * grain + 0.12 * (Noise(u * 0.02 / scale, v * 0.2 / scale, seed + 1) - 0.5) +
                           0.08 * (Hash01(int(plankNo), 7, seed) - 0.5);
                const double seam = std::fabs(v - (plankNo + 0.5) * plank) - (plank / 2 - 1.5 * std::max(1.0, scale));
                if (seam > 0) k *= 0.55;
                float* p = cv.At(x, y);
                p[0] = float(base.b * k);
                p[1] = float(base.g * k);
                p[2] = float(base.r * k);
            }
    } else if (kind == Surface::kCloth) {
        const Colour base = rng.Chance(0.3) ? Colour{rng.Range(50, 110), 0, 0} : Saturated(rng, rng.Range(0.3, 0.7));
        const Colour col = base.g == 0 ? Colour{base.b, base.b, base.b} : base;
        const int thread = std::max(1, int(std::lround(2 * scale)));
        for (int y = 0; y < cv.h; ++y)
            for (int x = 0; x < cv.w; ++x) {
                const double weave = (((x / thread) + (y / thread)) & 1) ? 1.04 : 0.96;
                const double fold = 0.8 + 0.3 * Noise(x * 0.004 / scale, y * 0.004 / scale, seed);
                const double k = weave * fold;
                float* p = cv.At(x, y);
                p[0] = float(col.b * k);
                p[1] = float(col.g * k);
                p[2] = float(col.r * k);
            }
    } else {
        const double grey = rng.Range(55, 165);
        const Colour col{grey * rng.Range(0.85, 1.0), grey * rng.Range(0.92, 1.0), grey};
        for (int y = 0; y < cv.h; ++y)
            for (int x = 0; x < cv.w; ++x) {
                const double k = 0.92 + 0.1 * Noise(x * 0.003 / scale, y * 0.003 / scale, seed);
                float* p = cv.At(x, y);
                p[0] = float(col.b * k);
                p[1] = float(col.g * k);
                p[2] = float(col.r * k);
            }
    }
}

std::vector<Thing> DeskObjects(Rand& rng, int w, int h, int count) {
    std::vector<Thing> things;
    const double m = std::min(w, h);
    for (int i = 0; i < count; ++i) {
        Thing t;
        const double cx = rng.Range(0, w), cy = rng.Range(0, h), angle = rng.Range(0, kPi);
        switch (rng.Int(0, 4)) {
            case 0:  // phone
                t.poly = Box(cx, cy, 0.16 * m, 0.32 * m, angle);
                t.colour = {rng.Range(15, 45), rng.Range(15, 45), rng.Range(15, 45)};
                break;
            case 1:  // pen
                t.poly = Box(cx, cy, 0.3 * m, rng.Range(0.012, 0.02) * m, angle);
                t.colour = rng.Chance(0.5) ? Colour{20, 20, 20} : Saturated(rng, 0.6);
                break;
            case 2:  // mug seen from above
                t.centre = {cx, cy};
                t.radius = rng.Range(0.06, 0.1) * m;
                t.colour = Saturated(rng, rng.Range(0.4, 0.9));
                break;
            case 3:  // sticky note
                t.poly = Box(cx, cy, 0.1 * m, 0.1 * m, angle);
                t.colour = {rng.Range(60, 120), rng.Range(215, 240), rng.Range(235, 252)};
                break;
            default:  // book
                t.poly = Box(cx, cy, rng.Range(0.3, 0.45) * m, rng.Range(0.4, 0.6) * m, angle);
                t.colour = Saturated(rng, rng.Range(0.3, 0.6));
                break;
        }
        things.push_back(std::move(t));
    }
    return things;
}

// 3 x 3 inverse by the adjugate.
bool Invert(const double m[9], double out[9]) {
    const double a = m[4] * m[8] - m[5] * m[7], b = m[5] * m[6] - m[3] * m[8], c = m[3] * m[7] - m[4] * m[6];
    const double det = m[0] * a + m[1] * b + m[2] * c;
    if (std::fabs(det) < 1e-300) return false;
    const double k = 1.0 / det;
    out[0] = a * k; out[1] = (m[2] * m[7] - m[1] * m[8]) * k; out[2] = (m[1] * m[5] - m[2] * m[4]) * k;
    out[3] = b * k; out[4] = (m[0] * m[8] - m[2] * m[6]) * k; out[5] = (m[2] * m[3] - m[0] * m[5]) * k;
    out[6] = c * k; out[7] = (m[1] * m[6] - m[0] * m[7]) * k; out[8] = (m[0] * m[4] - m[1] * m[3]) * k;
    return true;
}

// The camera: a rotation and a position of the page plane, and the projection.
struct Camera {
    double f, cx, cy;
    double r[9];  // page plane (x right, y down, z away from the camera) to camera
    double tx, ty, tz;
    Pt Project(double px, double py) const {
        const double X = r[0] * px + r[1] * py + tx, Y = r[3] * px + r[4] * py + ty, Z = r[6] * px + r[7] * py + tz;
        return {f * X / Z + cx, f * Y / Z + cy};
    }
};

void Rotation(double gamma, double alpha, double beta, double r[9]) {
    // R = Rz(gamma) * Rx(alpha) * Ry(beta)
    const double cg = std::cos(gamma), sg = std::sin(gamma), ca = std::cos(alpha), sa = std::sin(alpha);
    const double cb = std::cos(beta), sb = std::sin(beta);
    const double rz[9] = {cg, -sg, 0, sg, cg, 0, 0, 0, 1};
    const double rx[9] = {1, 0, 0, 0, ca, -sa, 0, sa, ca};
    const double ry[9] = {cb, 0, sb, 0, 1, 0, -sb, 0, cb};
    double t[9];
    auto mul = [](const double* a, const double* b, double* o) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) o[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    };
    mul(rx, ry, t);
    mul(rz, t, r);
}

// Draws everything below the page: surface, objects, a second sheet. Returns the canvas.
Canvas Underlay(uint32_t width, uint32_t height, Rand& rng, Surface& surface, int& objects) {
    Canvas cv{int(width), int(height)};
    surface = Surface(rng.Int(0, 2));
    PaintSurface(cv, surface, rng);
    objects = surface == Surface::kDesk ? rng.Int(2, 5) : rng.Int(0, 3);
    for (const Thing& t : DeskObjects(rng, cv.w, cv.h, objects)) cv.Draw(t);
    return cv;
}

CxImage Finish(const Canvas& cv, Rand& rng, uint64_t seed) {
    CxImage img;
    img.Create(uint32_t(cv.w), uint32_t(cv.h));
    for (int y = 0; y < cv.h; ++y) {
        uint8_t* row = img.GetRow(uint32_t(y));
        const float* p = cv.px.data() + size_t(y) * cv.w * 3;
        for (int x = 0; x < cv.w; ++x)
            for (int c = 0; c < 3; ++c) row[x * 4 + c] = uint8_t(std::lround(std::clamp(p[x * 3 + c], 0.0f, 255.0f)));
    }
    PhotoParams prm = RandomPhotoParams(seed);
    prm.backgroundEdge = -1;
    prm.exposure = float(rng.Range(0.85, 1.0));
    Photo photo = Photograph(img, prm, seed);
    return std::move(photo.image);
}

}  // namespace

Scene MakeScene(uint32_t width, uint32_t height, uint64_t seed) {
    Scene sc;
    width = std::max<uint32_t>(width, 64);
    height = std::max<uint32_t>(height, 64);
    Rand rng(seed);
    int objects = 0;
    Canvas cv = Underlay(width, height, rng, sc.surface, objects);
    const double W = width, H = height, diag = std::hypot(W, H);

    // The page: A4 or Letter, upright or sideways.
    double aspect = rng.Chance(0.5) ? 1 / std::sqrt(2.0) : 8.5 / 11.0;
    if (rng.Chance(0.25)) aspect = 1 / aspect;
    sc.aspect = aspect;

    // The camera and the page's place: a random pose, moved away until the page fits.
    Camera cam;
    cam.f = rng.Range(0.75, 1.3) * diag;
    cam.cx = W / 2;
    cam.cy = H / 2;
    Rotation(rng.Range(-30, 30) * kPi / 180, rng.Range(-28, 28) * kPi / 180, rng.Range(-28, 28) * kPi / 180, cam.r);
    const double pw = aspect, ph = 1.0;  // page size in the plane (height 1)
    const double fill = rng.Range(0.5, 0.9);
    cam.tz = cam.f * std::max(ph, pw * H / W) / (fill * H);
    double shiftX = rng.Range(-0.12, 0.12), shiftY = rng.Range(-0.12, 0.12);
    const double px[4] = {-pw / 2, pw / 2, pw / 2, -pw / 2}, py[4] = {-ph / 2, -ph / 2, ph / 2, ph / 2};
    Pt q[4];
    for (int tries = 0; tries < 200; ++tries) {
        cam.tx = shiftX * cam.tz * W / cam.f;
        cam.ty = shiftY * cam.tz * H / cam.f;
        bool inside = true;
        for (int k = 0; k < 4; ++k) {
            q[k] = cam.Project(px[k], py[k]);
            if (q[k].x < 0.03 * W || q[k].x > 0.97 * W || q[k].y < 0.03 * H || q[k].y > 0.97 * H) inside = false;
        }
        if (inside) break;
        cam.tz *= 1.04;
        shiftX *= 0.9;
        shiftY *= 0.9;
    }
    sc.focal = cam.f;
    for (int k = 0; k < 4; ++k) {
        sc.corners.x[k] = q[k].x;
        sc.corners.y[k] = q[k].y;
    }
    std::vector<Pt> quad(q, q + 4);

    // A second sheet in the same plane, turned and shifted so that part of it shows.
    sc.secondSheet = rng.Chance(0.45);
    std::vector<Pt> quad2;
    double h2[9] = {0}, inv2[9] = {0};
    Colour tone2{0, 0, 0};
    if (sc.secondSheet) {
        const double a = rng.Range(-0.45, 0.45), dir = rng.Range(0, 2 * kPi), dist = rng.Range(0.35, 0.6);
        const double ox = std::cos(dir) * dist * pw * 1.2, oy = std::sin(dir) * dist;
        double xs[4], ys[4];
        for (int k = 0; k < 4; ++k) {
            const double lx = px[k] * std::cos(a) - py[k] * std::sin(a) + ox, ly = px[k] * std::sin(a) + py[k] * std::cos(a) + oy;
            Pt p = cam.Project(lx, ly);
            quad2.push_back(p);
            xs[k] = p.x;
            ys[k] = p.y;
        }
        const double t = rng.Range(0.8, 0.95);
        tone2 = {255 * t * rng.Range(0.9, 1.0), 255 * t * rng.Range(0.96, 1.0), 255 * t};
        cximg::SquareToQuad(xs, ys, h2);
        Invert(h2, inv2);
    }

    // The clean page at about the resolution it appears with.
    const double projH = std::max(std::hypot(q[0].x - q[3].x, q[0].y - q[3].y), std::hypot(q[1].x - q[2].x, q[1].y - q[2].y));
    const uint32_t pageH = uint32_t(std::clamp(projH * 1.1, 64.0, 3200.0));
    const uint32_t pageW = uint32_t(std::max(64.0, pageH * aspect));
    sc.page = MakeCleanPage(pageW, pageH, seed * 7 + 1);
    double h[9], inv[9];
    cximg::SquareToQuad(sc.corners.x, sc.corners.y, h);
    Invert(h, inv);

    const double shadowWidth = rng.Range(0.001, 0.004) * diag, shadowDepth = rng.Chance(0.7) ? rng.Range(0.1, 0.3) : 0.0;
    const double shadowDx = rng.Range(-1, 1) * shadowWidth, shadowDy = rng.Range(-1, 1) * shadowWidth;
    const CxImage& page = sc.page.image;
    const int pw_ = int(page.GetWidth()), ph_ = int(page.GetHeight());
    auto pageAt = [&](double u, double v, int c) {
        double sx = std::clamp(u * pw_ - 0.5, 0.0, pw_ - 1.0), sy = std::clamp(v * ph_ - 0.5, 0.0, ph_ - 1.0);
        int x0 = int(sx), y0 = int(sy), x1 = std::min(x0 + 1, pw_ - 1), y1 = std::min(y0 + 1, ph_ - 1);
        double fx = sx - x0, fy = sy - y0;
        auto P = [&](int xx, int yy) { return double(page.GetRow(uint32_t(yy))[xx * 4 + c]); };
        return (P(x0, y0) * (1 - fx) + P(x1, y0) * fx) * (1 - fy) + (P(x0, y1) * (1 - fx) + P(x1, y1) * fx) * fy;
    };
    for (int y = 0; y < cv.h; ++y)
        for (int x = 0; x < cv.w; ++x) {
            const double X = x + 0.5, Y = y + 0.5;
            if (sc.secondSheet) {
                const double a2 = std::clamp(Inside(quad2, X, Y) + 0.5, 0.0, 1.0);
                if (a2 > 0) {
                    // Faint printed lines on the lower sheet.
                    const double z = inv2[6] * X + inv2[7] * Y + inv2[8];
                    const double v = (inv2[3] * X + inv2[4] * Y + inv2[5]) / z;
                    const double line = std::fabs(v * 30 - std::floor(v * 30) - 0.5) < 0.04 ? 0.55 : 1.0;
                    Colour c{tone2.b * line, tone2.g * line, tone2.r * line};
                    cv.Blend(x, y, c, a2);
                }
            }
            const double d = Inside(quad, X, Y);
            if (shadowDepth > 0 && d < 0.5) {
                const double ds = -Inside(quad, X - shadowDx, Y - shadowDy);
                const double k = 1 - shadowDepth * std::exp(-std::max(0.0, ds) / shadowWidth);
                float* p = cv.At(x, y);
                for (int c = 0; c < 3; ++c) p[c] = float(p[c] * k);
            }
            const double a = std::clamp(d + 0.5, 0.0, 1.0);
            if (a > 0) {
                const double z = inv[6] * X + inv[7] * Y + inv[8];
                const double u = (inv[0] * X + inv[1] * Y + inv[2]) / z, v = (inv[3] * X + inv[4] * Y + inv[5]) / z;
                cv.Blend(x, y, Colour{pageAt(u, v, 0), pageAt(u, v, 1), pageAt(u, v, 2)}, a);
            }
        }
    // Now and then a pen across one of the page's edges.
    sc.penAcross = rng.Chance(0.12);
    if (sc.penAcross) {
        const int k = rng.Int(0, 3);
        const double t = rng.Range(0.25, 0.75);
        const Pt a = q[k], b = q[(k + 1) & 3];
        Thing pen;
        pen.poly = Box(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, 0.25 * std::min(W, H), 0.015 * std::min(W, H), rng.Range(0, kPi));
        pen.colour = rng.Chance(0.5) ? Colour{25, 25, 25} : Saturated(rng, 0.6);
        cv.Draw(pen);
    }
    sc.photo = Finish(cv, rng, seed);
    return sc;
}

CxImage MakeEmptyScene(uint32_t width, uint32_t height, uint64_t seed) {
    Rand rng(seed);
    Surface surface;
    int objects = 0;
    Canvas cv = Underlay(std::max<uint32_t>(width, 64), std::max<uint32_t>(height, 64), rng, surface, objects);
    return Finish(cv, rng, seed);
}

}  // namespace testpage
