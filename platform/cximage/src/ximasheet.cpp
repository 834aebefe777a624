// The sheet in a photograph. Detection works on a reduced picture of "paper-ness" (brightness less
// part of the colourfulness, so that white paper stands out from wood, cloth and coloured objects):
// edges with their direction, a Hough transform voting only along each edge's own direction, then
// every quadrilateral of the strongest lines scored by how much of its four sides is an edge that
// is brighter on the inside (prefix sums along each line make a side's score one subtraction).
// The winner's sides are then located again at full resolution from perpendicular profiles and
// fitted robustly. Rectification is a homography from the output rectangle to the quadrilateral
// with fixed-point bilinear sampling.
#include "platform/cximage/include/ximasheet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>
#include "platform/cximage/src/internal.h"
#include "platform/cximage/src/simd.h"

namespace cximg {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Pt {
    double x, y;
};

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

Pt Corner(const SheetCorners& c, int i) { return {c.x[i & 3], c.y[i & 3]}; }
double Dist(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }
double Cross(Pt o, Pt a, Pt b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// Convex, clockwise on the screen (y down), with a real area: the only corner sets the warp takes.
bool ProperQuad(const SheetCorners& c) {
    for (int i = 0; i < 4; ++i)
        if (!std::isfinite(c.x[i]) || !std::isfinite(c.y[i])) return false;
    double perimeter = 0;
    for (int i = 0; i < 4; ++i) perimeter += Dist(Corner(c, i), Corner(c, i + 1));
    if (!(perimeter > 0)) return false;
    // Each turn must be clockwise and not flat: the cross product measured against the squared
    // perimeter so that the test does not depend on the quadrilateral's size.
    const double flat = 1e-4 * perimeter * perimeter;
    for (int i = 0; i < 4; ++i)
        if (Cross(Corner(c, i), Corner(c, i + 1), Corner(c, i + 2)) <= flat) return false;
    return true;
}

// ----- aspect ratio -----

bool SnapPaper(double& aspect) {
    static const double sizes[] = {1.0 / std::sqrt(2.0), 8.5 / 11.0};
    double best = aspect, bestErr = 0.03;
    for (double s : sizes)
        for (double r : {s, 1.0 / s}) {
            double e = std::fabs(aspect / r - 1.0);
            if (e <= bestErr) {
                bestErr = e;
                best = r;
            }
        }
    bool snapped = best != aspect;
    aspect = best;
    return snapped;
}

double SideAverageAspect(const SheetCorners& c) {
    double w = Dist(Corner(c, 0), Corner(c, 1)) + Dist(Corner(c, 3), Corner(c, 2));
    double h = Dist(Corner(c, 0), Corner(c, 3)) + Dist(Corner(c, 1), Corner(c, 2));
    return w / h;
}

// Rectangle aspect under a pinhole camera with the principal point at the picture's centre and an
// unknown focal length (the whiteboard method of Zhang and He): the vanishing geometry of the two
// side pairs gives the focal length, and with it the ratio of the rectangle's sides in 3-D.
bool PerspectiveAspect(const SheetCorners& c, uint32_t w, uint32_t h, double& aspect) {
    const double u0 = w / 2.0, v0 = h / 2.0;
    const double s = std::max(1.0, std::hypot(double(w), double(h)));
    using V = std::array<double, 3>;
    auto hom = [&](int i) { return V{(c.x[i] - u0) / s, (c.y[i] - v0) / s, 1.0}; };
    auto cross = [](const V& a, const V& b) {
        return V{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    auto dot = [](const V& a, const V& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    // m1 top-left, m2 top-right, m3 bottom-left, m4 bottom-right.
    const V m1 = hom(0), m2 = hom(1), m3 = hom(3), m4 = hom(2);
    const V c14 = cross(m1, m4);
    const double d2 = dot(cross(m2, m4), m3), d3 = dot(cross(m3, m4), m2);
    if (std::fabs(d2) < 1e-12 || std::fabs(d3) < 1e-12) return false;
    const double k2 = dot(c14, m3) / d2, k3 = dot(c14, m2) / d3;
    V n2, n3;
    for (int i = 0; i < 3; ++i) {
        n2[i] = k2 * m2[i] - m1[i];
        n3[i] = k3 * m3[i] - m1[i];
    }
    // The focal length from the two vanishing points; when a pair of sides is parallel in the
    // picture (or the estimate is not a real camera's, between a wide angle and a long
    // telephoto, so that the corners' noise decided it) a typical phone camera's is taken.
    const double zz = n2[2] * n3[2];
    double f2 = 0.85 * 0.85;
    const double scale2 = (n2[0] * n2[0] + n2[1] * n2[1]) * (n3[0] * n3[0] + n3[1] * n3[1]);
    if (std::fabs(zz) > 1e-6 * std::sqrt(scale2)) {
        const double est = -(n2[0] * n3[0] + n2[1] * n3[1]) / zz;
        if (est > 0.3 * 0.3 && est < 5.0 * 5.0) f2 = est;
    }
    const double num = (n2[0] * n2[0] + n2[1] * n2[1]) / f2 + n2[2] * n2[2];
    const double den = (n3[0] * n3[0] + n3[1] * n3[1]) / f2 + n3[2] * n3[2];
    if (!(num > 0 && den > 0)) return false;
    aspect = std::sqrt(num / den);
    return std::isfinite(aspect) && aspect > 0;
}

// ----- homography -----

struct Homography {
    double h[9];
    Pt Map(double u, double v) const {
        double z = h[6] * u + h[7] * v + h[8];
        return {(h[0] * u + h[1] * v + h[2]) / z, (h[3] * u + h[4] * v + h[5]) / z};
    }
};

// ----- detection -----

// The reduced picture: paper-ness per cell of factor x factor pixels.
struct Small {
    int w = 0, h = 0, factor = 1;
    std::vector<float> q, gx, gy;
    float Q(int x, int y) const { return q[size_t(y) * w + x]; }
};

// Brightness minus half the colourfulness of one pixel; white paper is high, wood and cloth low.
inline float PaperNess(int b, int g, int r) {
    int mx = std::max({b, g, r}), mn = std::min({b, g, r});
    return float(r + 2 * g + b) * 0.25f - 0.5f * float(mx - mn);
}

void Reduce(const CxImage& pic, int factor, Small& s) {
    const uint32_t W = pic.GetWidth(), H = pic.GetHeight();
    s.factor = factor;
    s.w = int(W / factor);
    s.h = int(H / factor);
    s.q.assign(size_t(s.w) * s.h, 0.0f);
    std::vector<uint32_t> acc(size_t(s.w) * 3);
    const float norm = 1.0f / float(factor * factor);
    for (int y = 0; y < s.h; ++y) {
        std::fill(acc.begin(), acc.end(), 0u);
        for (int k = 0; k < factor; ++k) {
            const uint8_t* row = pic.GetRow(uint32_t(y * factor + k));
            for (int x = 0; x < s.w; ++x) {
                const uint8_t* p = row + size_t(x) * factor * 4;
                uint32_t b = 0, g = 0, r = 0;
                for (int i = 0; i < factor; ++i, p += 4) {
                    b += p[0];
                    g += p[1];
                    r += p[2];
                }
                acc[x * 3] += b;
                acc[x * 3 + 1] += g;
                acc[x * 3 + 2] += r;
            }
        }
        float* out = s.q.data() + size_t(y) * s.w;
        for (int x = 0; x < s.w; ++x) {
            float b = acc[x * 3] * norm, g = acc[x * 3 + 1] * norm, r = acc[x * 3 + 2] * norm;
            float mx = std::max({b, g, r}), mn = std::min({b, g, r});
            out[x] = (r + 2 * g + b) * 0.25f - 0.5f * (mx - mn);
        }
    }
}

// Binomial 1-4-6-4-1 smoothing (edges replicated), then the derivative per reduced pixel.
void Gradients(Small& s) {
    const int w = s.w, h = s.h;
    std::vector<float> t(size_t(w) * h), b(size_t(w) * h);
    auto cx = [&](int x) { return std::clamp(x, 0, w - 1); };
    auto cy = [&](int y) { return std::clamp(y, 0, h - 1); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            t[size_t(y) * w + x] = (s.Q(cx(x - 2), y) + s.Q(cx(x + 2), y) + 4 * (s.Q(cx(x - 1), y) + s.Q(cx(x + 1), y)) +
                                    6 * s.Q(x, y)) / 16;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto T = [&](int yy) { return t[size_t(cy(yy)) * w + x]; };
            b[size_t(y) * w + x] = (T(y - 2) + T(y + 2) + 4 * (T(y - 1) + T(y + 1)) + 6 * T(y)) / 16;
        }
    s.gx.assign(size_t(w) * h, 0.0f);
    s.gy.assign(size_t(w) * h, 0.0f);
    for (int y = 1; y + 1 < h; ++y)
        for (int x = 1; x + 1 < w; ++x) {
            auto B = [&](int xx, int yy) { return b[size_t(yy) * w + xx]; };
            s.gx[size_t(y) * w + x] = (B(x + 1, y - 1) + 2 * B(x + 1, y) + B(x + 1, y + 1) - B(x - 1, y - 1) - 2 * B(x - 1, y) -
                                       B(x - 1, y + 1)) / 8;
            s.gy[size_t(y) * w + x] = (B(x - 1, y + 1) + 2 * B(x, y + 1) + B(x + 1, y + 1) - B(x - 1, y - 1) - 2 * B(x, y - 1) -
                                       B(x + 1, y - 1)) / 8;
        }
}

// Whether the edge at reduced pixel (x, y), rising along (ux, uy), is the border of a surface (the
// darker side stays dark for a few pixels) rather than one side of a thin dark line, such as a
// printed rule, a line on a lined sheet or a seam between planks, whose far side is bright again.
bool IsStep(const Small& s, int x, int y, float ux, float uy, float slope) {
    auto q = [&](float d) {
        const int xx = std::clamp(int(std::floor(x + 0.5f + d * ux)), 0, s.w - 1);
        const int yy = std::clamp(int(std::floor(y + 0.5f + d * uy)), 0, s.h - 1);
        return s.Q(xx, yy);
    };
    const float bright = q(2.5f), near = q(-1.5f), far = q(-4.0f);
    // A border of contrast C blurred over two or three pixels has a slope near C / 2.5.
    return bright - far > std::max(0.5f * (bright - near), slope);
}

// A line x cos(theta) + y sin(theta) = rho in reduced pixels, with prefix sums of its support
// along t (the position along the line, point = rho * n + t * d, t from -tMax) for the two sides.
struct Line {
    double nx, ny, rho;
    int votes;
    std::vector<int> support[2];  // [0]: brighter on the +n side, [1]: brighter on the -n side
    std::vector<int> strong;      // a border at least twice as strong as needed, either way
    int tMax = 0;
    int Count(const std::vector<int>& v, double t1, double t2) const {
        int a = std::clamp(int(std::lround(t1)) + tMax, 0, 2 * tMax), b = std::clamp(int(std::lround(t2)) + tMax, 0, 2 * tMax);
        return b > a ? v[size_t(b)] - v[size_t(a)] : 0;
    }
    double Coverage(int side, double t1, double t2) const {
        if (t1 > t2) std::swap(t1, t2);
        int a = std::clamp(int(std::lround(t1)) + tMax, 0, 2 * tMax), b = std::clamp(int(std::lround(t2)) + tMax, 0, 2 * tMax);
        if (b <= a) return 0;
        return double(support[side][b] - support[side][a]) / double(b - a);
    }
};

constexpr float kEdgeMin = 1.5f;  // levels per reduced pixel for an edge point

std::vector<Line> HoughLines(const Small& s, int maxLines) {
    const int w = s.w, h = s.h;
    const int nTheta = 180;
    const int rMax = int(std::ceil(std::hypot(w, h))) + 1;
    const int nRho = 2 * rMax + 1;
    std::vector<float> acc(size_t(nTheta) * nRho, 0.0f);
    std::vector<float> cs(nTheta), sn(nTheta);
    for (int i = 0; i < nTheta; ++i) {
        cs[i] = float(std::cos(i * kPi / nTheta));
        sn[i] = float(std::sin(i * kPi / nTheta));
    }
    // Edge points: local maxima of the magnitude across the edge.
    for (int y = 2; y + 2 < h; ++y)
        for (int x = 2; x + 2 < w; ++x) {
            const size_t i = size_t(y) * w + x;
            const float gx = s.gx[i], gy = s.gy[i];
            const float m2 = gx * gx + gy * gy;
            if (m2 < kEdgeMin * kEdgeMin) continue;
            const int dx = std::fabs(gx) > 2.414f * std::fabs(gy) ? 1 : (std::fabs(gy) > 2.414f * std::fabs(gx) ? 0 : (gx > 0 ? 1 : -1));
            const int dy = std::fabs(gy) > 2.414f * std::fabs(gx) ? 1 : (std::fabs(gx) > 2.414f * std::fabs(gy) ? 0 : (gy > 0 ? 1 : -1));
            auto mag2 = [&](int xx, int yy) {
                size_t j = size_t(yy) * w + xx;
                return s.gx[j] * s.gx[j] + s.gy[j] * s.gy[j];
            };
            if (m2 < mag2(x + dx, y + dy) || m2 <= mag2(x - dx, y - dy)) continue;
            const float m = std::sqrt(m2);
            if (!IsStep(s, x, y, gx / m, gy / m, m)) continue;
            double phi = std::atan2(gy, gx);
            if (phi < 0) phi += kPi;
            if (phi >= kPi) phi -= kPi;
            const int t0 = int(std::lround(phi / kPi * nTheta));
            const float px = x + 0.5f, py = y + 0.5f;
            for (int k = -4; k <= 4; ++k) {
                int ti = t0 + k;
                float sign = 1.0f;
                if (ti < 0) { ti += nTheta; sign = -1.0f; }
                if (ti >= nTheta) { ti -= nTheta; sign = -1.0f; }
                (void)sign;
                float r = px * cs[ti] + py * sn[ti];
                int ri = int(std::lround(r)) + rMax;
                acc[size_t(ti) * nRho + ri] += 1.0f;
            }
        }
    // Smooth along rho (1-2-1) so that a line lying between two bins keeps its votes together.
    std::vector<float> sm(acc.size(), 0.0f);
    for (int t = 0; t < nTheta; ++t)
        for (int r = 1; r + 1 < nRho; ++r) {
            const float* a = acc.data() + size_t(t) * nRho;
            sm[size_t(t) * nRho + r] = a[r - 1] + 2 * a[r] + a[r + 1];
        }
    struct Peak { float v; int t, r; };
    std::vector<Peak> peaks;
    const float minVotes = 4.0f * std::max(12.0f, 0.05f * std::min(w, h));
    for (int t = 0; t < nTheta; ++t)
        for (int r = 1; r + 1 < nRho; ++r) {
            float v = sm[size_t(t) * nRho + r];
            if (v < minVotes) continue;
            bool isMax = true;
            for (int dt = -2; dt <= 2 && isMax; ++dt)
                for (int dr = -2; dr <= 2; ++dr) {
                    if (!dt && !dr) continue;
                    int tt = t + dt, rr = r + dr;
                    if (tt < 0) { tt += nTheta; rr = 2 * rMax - rr; }
                    if (tt >= nTheta) { tt -= nTheta; rr = 2 * rMax - rr; }
                    if (rr < 0 || rr >= nRho) continue;
                    float o = sm[size_t(tt) * nRho + rr];
                    if (o > v || (o == v && (dt < 0 || (dt == 0 && dr < 0)))) { isMax = false; break; }
                }
            if (isMax) peaks.push_back({v, t, r});
        }
    std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.v > b.v; });
    std::vector<Line> lines;
    for (const Peak& p : peaks) {
        if (int(lines.size()) >= maxLines) break;
        double th = p.t * kPi / nTheta;
        Line l;
        l.nx = std::cos(th);
        l.ny = std::sin(th);
        l.rho = p.r - rMax;
        l.votes = int(p.v / 4);
        // Suppress near duplicates (same direction, within a few pixels).
        bool dup = false;
        for (const Line& o : lines) {
            double c = l.nx * o.nx + l.ny * o.ny;
            if (std::fabs(c) > std::cos(3.0 * kPi / 180) && std::fabs(l.rho - (c > 0 ? o.rho : -o.rho)) < 3.0) { dup = true; break; }
        }
        if (!dup) lines.push_back(std::move(l));
    }
    return lines;
}

// Least-squares refit of a line to the edge points within two reduced pixels of it whose
// gradient is across it.
void RefitLine(const Small& s, Line& l) {
    const double dx = -l.ny, dy = l.nx;
    const int tMax = int(std::ceil(std::hypot(s.w, s.h)));
    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0, n = 0;
    for (int t = -tMax; t <= tMax; ++t)
        for (int k = -2; k <= 2; ++k) {
            double px = l.rho * l.nx + t * dx + k * l.nx, py = l.rho * l.ny + t * dy + k * l.ny;
            int x = int(std::floor(px)), y = int(std::floor(py));
            if (x < 1 || y < 1 || x + 1 >= s.w || y + 1 >= s.h) continue;
            size_t i = size_t(y) * s.w + x;
            double gn = s.gx[i] * l.nx + s.gy[i] * l.ny, gd = s.gx[i] * dx + s.gy[i] * dy;
            if (std::fabs(gn) < kEdgeMin || std::fabs(gd) > 0.3 * std::fabs(gn)) continue;
            // Keep the maximum of the profile only.
            auto gAt = [&](double ox, double oy) {
                int xx = std::clamp(int(std::floor(ox)), 0, s.w - 1), yy = std::clamp(int(std::floor(oy)), 0, s.h - 1);
                size_t j = size_t(yy) * s.w + xx;
                return std::fabs(s.gx[j] * l.nx + s.gy[j] * l.ny);
            };
            if (gAt(px + l.nx, py + l.ny) > std::fabs(gn) || gAt(px - l.nx, py - l.ny) > std::fabs(gn)) continue;
            double wgt = std::fabs(gn);
            double cxp = x + 0.5, cyp = y + 0.5;
            sx += wgt * cxp; sy += wgt * cyp; sxx += wgt * cxp * cxp; sxy += wgt * cxp * cyp; syy += wgt * cyp * cyp; n += wgt;
        }
    if (n <= 0) return;
    double mx = sx / n, my = sy / n;
    double cxx = sxx / n - mx * mx, cxy = sxy / n - mx * my, cyy = syy / n - my * my;
    // Normal = eigenvector of the smaller eigenvalue of the scatter matrix.
    double th = 0.5 * std::atan2(2 * cxy, cxx - cyy);  // direction of the major axis
    double nx = -std::sin(th), ny = std::cos(th);
    if (nx * l.nx + ny * l.ny < 0) { nx = -nx; ny = -ny; }
    if (nx * l.nx + ny * l.ny < std::cos(4.0 * kPi / 180)) return;  // moved too far: keep the Hough line
    l.nx = nx;
    l.ny = ny;
    l.rho = mx * nx + my * ny;
}

void LineSupport(const Small& s, Line& l) {
    const double dx = -l.ny, dy = l.nx;
    l.tMax = int(std::ceil(std::hypot(s.w, s.h)));
    for (int side = 0; side < 2; ++side) l.support[side].assign(size_t(2 * l.tMax + 1), 0);
    l.strong.assign(size_t(2 * l.tMax + 1), 0);
    for (int t = -l.tMax; t < l.tMax; ++t) {
        double best[2] = {0, 0};
        for (double k : {-1.0, 0.0, 1.0}) {
            double px = l.rho * l.nx + (t + 0.5) * dx + k * l.nx, py = l.rho * l.ny + (t + 0.5) * dy + k * l.ny;
            int x = int(std::floor(px)), y = int(std::floor(py));
            if (x < 1 || y < 1 || x + 1 >= s.w || y + 1 >= s.h) continue;
            size_t i = size_t(y) * s.w + x;
            double gn = s.gx[i] * l.nx + s.gy[i] * l.ny, gd = s.gx[i] * dx + s.gy[i] * dy;
            if (std::fabs(gd) > std::fabs(gn)) continue;
            if (std::fabs(gn) >= kEdgeMin && !IsStep(s, x, y, float(gn > 0 ? l.nx : -l.nx), float(gn > 0 ? l.ny : -l.ny), float(std::fabs(gn)))) continue;
            best[0] = std::max(best[0], gn);
            best[1] = std::max(best[1], -gn);
        }
        for (int side = 0; side < 2; ++side)
            l.support[side][size_t(t + l.tMax + 1)] = l.support[side][size_t(t + l.tMax)] + (best[side] >= kEdgeMin ? 1 : 0);
        l.strong[size_t(t + l.tMax + 1)] = l.strong[size_t(t + l.tMax)] + (std::max(best[0], best[1]) >= 2 * kEdgeMin ? 1 : 0);
    }
}

bool Intersect(const Line& a, const Line& b, Pt& p) {
    double det = a.nx * b.ny - a.ny * b.nx;
    if (std::fabs(det) < std::sin(25.0 * kPi / 180)) return false;
    p.x = (a.rho * b.ny - b.rho * a.ny) / det;
    p.y = (a.nx * b.rho - b.nx * a.rho) / det;
    return true;
}

struct Candidate {
    double score = -1, minCov = 0, meanCov = 0;
    Pt c[4];
};

// Puts the four corners of a convex quadrilateral in clockwise order on the screen, starting at
// the top-left: the corner from which the side pointing most nearly to the right starts (right for
// a sheet turned by less than 45 degrees either way).
void OrderCorners(Pt c[4]) {
    Pt m{0, 0};
    for (int i = 0; i < 4; ++i) { m.x += c[i].x / 4; m.y += c[i].y / 4; }
    std::sort(c, c + 4, [&](Pt a, Pt b) { return std::atan2(a.y - m.y, a.x - m.x) < std::atan2(b.y - m.y, b.x - m.x); });
    int first = 0;
    double best = -2;
    for (int i = 0; i < 4; ++i) {
        Pt a = c[i], b = c[(i + 1) & 3];
        double dirX = (b.x - a.x) / std::max(1e-12, Dist(a, b));
        if (dirX > best) { best = dirX; first = i; }
    }
    std::rotate(c, c + first, c + 4);
}

Candidate BestQuad(const Small& s, const std::vector<Line>& lines) {
    const int n = int(lines.size());
    std::vector<Pt> ix(size_t(n) * n);
    std::vector<char> ok(size_t(n) * n, 0);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            Pt p;
            if (Intersect(lines[i], lines[j], p)) {
                const double mx = 0.1 * s.w, my = 0.1 * s.h;
                if (p.x > -mx && p.x < s.w + mx && p.y > -my && p.y < s.h + my) {
                    ix[size_t(i) * n + j] = ix[size_t(j) * n + i] = p;
                    ok[size_t(i) * n + j] = ok[size_t(j) * n + i] = 1;
                }
            }
        }
    const double minArea = 0.04 * s.w * s.h;
    Candidate best;
    int cyc[4];
    auto consider = [&]() {
        Pt c[4];
        for (int k = 0; k < 4; ++k) {
            int a = cyc[k], b = cyc[(k + 1) & 3];
            if (!ok[size_t(a) * n + b]) return;
            c[k] = ix[size_t(a) * n + b];  // corner k joins side k and side k+1
        }
        double sign = 0, area = 0;
        for (int k = 0; k < 4; ++k) {
            double cr = Cross(c[k], c[(k + 1) & 3], c[(k + 2) & 3]);
            if (k == 0) sign = cr;
            if (cr * sign <= 0) return;
            area += c[k].x * c[(k + 1) & 3].y - c[(k + 1) & 3].x * c[k].y;
        }
        area = std::fabs(area) / 2;
        if (area < minArea) return;
        Pt m{(c[0].x + c[1].x + c[2].x + c[3].x) / 4, (c[0].y + c[1].y + c[2].y + c[3].y) / 4};
        double covered = 0, perimeter = 0, minCov = 1;
        for (int k = 0; k < 4; ++k) {
            const Line& l = lines[cyc[(k + 1) & 3]];  // side k+1 runs from corner k to corner k+1
            Pt p = c[k], q = c[(k + 1) & 3];
            double dx = -l.ny, dy = l.nx;
            double t1 = (p.x - l.rho * l.nx) * dx + (p.y - l.rho * l.ny) * dy;
            double t2 = (q.x - l.rho * l.nx) * dx + (q.y - l.rho * l.ny) * dy;
            int side = (m.x * l.nx + m.y * l.ny - l.rho) > 0 ? 0 : 1;
            double cov = l.Coverage(side, t1, t2);
            double len = std::fabs(t2 - t1);
            // A side of a sheet is an edge from end to end; a line that only partly borders the
            // candidate (e.g. a quadrilateral joining the edges of two overlapping sheets) has a
            // long stretch without support somewhere.
            for (int qtr = 0; qtr < 4; ++qtr)
                if (l.Coverage(side, t1 + (t2 - t1) * qtr / 4, t1 + (t2 - t1) * (qtr + 1) / 4) < 0.2) return;
            covered += cov * len;
            perimeter += len;
            minCov = std::min(minCov, cov);
        }
        if (minCov < 0.3) return;
        double score = covered - 0.5 * (perimeter - covered);
        if (score <= best.score) return;
        // A sheet has no long border running through it; a quadrilateral around two overlapping
        // sheets has the upper sheet's edge inside. A line counts when it is a strong border over
        // most of its chord through the candidate (rows of text are broken by word spaces); lines
        // close to a side and parallel to it are that side found twice.
        for (int j = 0; j < n && score > best.score; ++j) {
            if (j == cyc[0] || j == cyc[1] || j == cyc[2] || j == cyc[3]) continue;
            const Line& l = lines[j];
            bool nearSide = false;
            double lo = -1e30, hi = 1e30;
            const double dx = -l.ny, dy = l.nx;
            for (int k = 0; k < 4; ++k) {
                const Line& sl = lines[cyc[k]];
                const double cosA = l.nx * sl.nx + l.ny * sl.ny;
                if (std::fabs(cosA) > std::cos(6.0 * kPi / 180) && std::fabs(l.rho - (cosA > 0 ? sl.rho : -sl.rho)) < 6.0) nearSide = true;
                // The inside of the side from corner k to corner k+1, kept 3 pixels clear of it.
                const Pt a = c[k], b = c[(k + 1) & 3];
                const double len = Dist(a, b);
                double inx = -(b.y - a.y) / len, iny = (b.x - a.x) / len;
                if ((m.x - a.x) * inx + (m.y - a.y) * iny < 0) { inx = -inx; iny = -iny; }
                const double c0 = (l.rho * l.nx - a.x) * inx + (l.rho * l.ny - a.y) * iny - 3.0, c1 = dx * inx + dy * iny;
                if (std::fabs(c1) < 1e-12) {
                    if (c0 < 0) { lo = 1; hi = 0; }
                    continue;
                }
                const double t = -c0 / c1;
                if (c1 > 0) lo = std::max(lo, t); else hi = std::min(hi, t);
            }
            if (nearSide || hi - lo < 10) continue;
            const int strongLen = l.Count(l.strong, lo, hi);
            if (strongLen > 0.85 * (hi - lo)) score -= 2.0 * strongLen;
        }
        if (score > best.score) {
            best.score = score;
            best.minCov = minCov;
            best.meanCov = covered / perimeter;
            for (int k = 0; k < 4; ++k) best.c[k] = c[k];
        }
    };
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            for (int c = b + 1; c < n; ++c)
                for (int d = c + 1; d < n; ++d) {
                    cyc[0] = a; cyc[1] = b; cyc[2] = c; cyc[3] = d; consider();
                    cyc[0] = a; cyc[1] = c; cyc[2] = b; cyc[3] = d; consider();
                    cyc[0] = a; cyc[1] = b; cyc[2] = d; cyc[3] = c; consider();
                }
    return best;
}

// Paper-ness of the full picture at a point (bilinear), in picture pixels with centres at +0.5.
float SampleQ(const CxImage& pic, double x, double y) {
    const int W = int(pic.GetWidth()), H = int(pic.GetHeight());
    x -= 0.5;
    y -= 0.5;
    int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    double fx = x - x0, fy = y - y0;
    auto at = [&](int xx, int yy) {
        xx = std::clamp(xx, 0, W - 1);
        yy = std::clamp(yy, 0, H - 1);
        const uint8_t* p = pic.GetRow(uint32_t(yy)) + size_t(xx) * 4;
        return PaperNess(p[0], p[1], p[2]);
    };
    return float((at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) + (at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx) * fy);
}

// Locates one side again at full resolution: profiles across the side at points spread along it,
// the strongest rise towards the inside in each (to a fraction of a pixel), and a line fitted to
// them with outliers dropped. Returns the share of profiles that agreed with the line.
double RefineSide(const CxImage& pic, Pt a, Pt b, Pt inside, double reach, Pt& pa, Pt& pb) {
    const double len = Dist(a, b);
    if (len < 4) return 0;
    const double dx = (b.x - a.x) / len, dy = (b.y - a.y) / len;
    double nx = -dy, ny = dx;  // normal pointing inside
    if ((inside.x - a.x) * nx + (inside.y - a.y) * ny < 0) { nx = -nx; ny = -ny; }
    const int samples = 48;
    const int half = int(std::ceil(reach));
    std::vector<float> prof(size_t(2 * half + 1));
    std::vector<Pt> pts;
    for (int i = 0; i < samples; ++i) {
        const double t = len * (0.08 + 0.84 * (i + 0.5) / samples);
        const double px = a.x + t * dx, py = a.y + t * dy;
        for (int k = -half; k <= half; ++k) {
            float v = 0;
            for (double along : {-1.5, 0.0, 1.5}) v += SampleQ(pic, px + k * nx + along * dx, py + k * ny + along * dy);
            prof[size_t(k + half)] = v / 3;
        }
        int bestK = -1;
        float bestG = 0;
        for (int k = 1; k + 1 < 2 * half + 1; ++k) {
            float g = (prof[size_t(k + 1)] - prof[size_t(k - 1)]) * 0.5f;
            if (g > bestG) { bestG = g; bestK = k; }
        }
        if (bestK < 2 || bestK > 2 * half - 2 || bestG < 2.0f) continue;
        auto g = [&](int k) { return (prof[size_t(k + 1)] - prof[size_t(k - 1)]) * 0.5; };
        double gm = g(bestK - 1), g0 = g(bestK), gp = g(bestK + 1);
        double den = gm - 2 * g0 + gp, off = den < 0 ? 0.5 * (gm - gp) / den : 0;
        off = std::clamp(off, -0.5, 0.5);
        double k = bestK - half + off;
        pts.push_back({px + k * nx, py + k * ny});
    }
    if (pts.size() < 8) return 0;
    // Fit, drop points more than 3 median residuals (at least 1 pixel) away, fit again.
    std::vector<char> use(pts.size(), 1);
    double lnx = nx, lny = ny, lrho = a.x * nx + a.y * ny;
    for (int round = 0; round < 3; ++round) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0, cnt = 0;
        for (size_t i = 0; i < pts.size(); ++i)
            if (use[i]) { sx += pts[i].x; sy += pts[i].y; sxx += pts[i].x * pts[i].x; sxy += pts[i].x * pts[i].y; syy += pts[i].y * pts[i].y; ++cnt; }
        if (cnt < 6) return 0;
        double mx = sx / cnt, my = sy / cnt;
        double cxx = sxx / cnt - mx * mx, cxy = sxy / cnt - mx * my, cyy = syy / cnt - my * my;
        double th = 0.5 * std::atan2(2 * cxy, cxx - cyy);
        lnx = -std::sin(th);
        lny = std::cos(th);
        if (lnx * nx + lny * ny < 0) { lnx = -lnx; lny = -lny; }
        lrho = mx * lnx + my * lny;
        std::vector<double> res;
        for (const Pt& p : pts) res.push_back(std::fabs(p.x * lnx + p.y * lny - lrho));
        std::vector<double> sorted = res;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        double lim = std::max(1.0, 3 * sorted[sorted.size() / 2]);
        for (size_t i = 0; i < pts.size(); ++i) use[i] = res[i] <= lim;
    }
    if (lnx * nx + lny * ny < std::cos(3.0 * kPi / 180)) return 0;  // turned too far: not this side
    size_t inl = 0;
    for (char u : use) inl += u;
    // The line as two points: the old endpoints projected onto it.
    auto proj = [&](Pt p) {
        double d = p.x * lnx + p.y * lny - lrho;
        return Pt{p.x - d * lnx, p.y - d * lny};
    };
    pa = proj(a);
    pb = proj(b);
    return double(inl) / samples;
}

bool LineCross(Pt a1, Pt a2, Pt b1, Pt b2, Pt& p) {
    double d1x = a2.x - a1.x, d1y = a2.y - a1.y, d2x = b2.x - b1.x, d2y = b2.y - b1.y;
    double den = d1x * d2y - d1y * d2x;
    if (std::fabs(den) < 1e-9 * (std::hypot(d1x, d1y) * std::hypot(d2x, d2y))) return false;
    double t = ((b1.x - a1.x) * d2y - (b1.y - a1.y) * d2x) / den;
    p = {a1.x + t * d1x, a1.y + t * d1y};
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// ----- warp -----

struct WarpSource {
    const uint8_t* base;
    int w, h;
};

// Source positions of one output row: whole pixels and 1/1024 fractions, clamped to the picture.
// row[] holds the homography's numerators and denominator at the row's first pixel centre and
// their steps. The division is done exactly every 4 pixels and interpolated linearly between:
// over so short a run the perspective's curvature moves a position by far less than 1/1024 pixel.
struct RowPos {
    std::vector<int32_t> x, y;
    std::vector<uint16_t> fx, fy;
    explicit RowPos(uint32_t n) : x(n), y(n), fx(n), fy(n) {}
};

// Fixed is the integer type that holds a position in 1/1024 pixel: 32 bits while the picture's
// sides are below 2^21 pixels (the conversions then vectorise), 64 bits beyond.
template <typename Fixed>
void RowPositionsT(const double row[6], const WarpSource& s, RowPos& p, uint32_t n) {
    const double maxX = (s.w - 1.0) * 1024.0, maxY = (s.h - 1.0) * 1024.0;
    constexpr uint32_t kSpan = 4;
    auto at = [&](uint32_t k, double& x, double& y) {
        const double inv = 1024.0 / (row[2] + k * row[5]);
        x = (row[0] + k * row[3]) * inv - 512.0;
        y = (row[1] + k * row[4]) * inv - 512.0;
    };
    double x0, y0;
    at(0, x0, y0);
    for (uint32_t i = 0; i < n; i += kSpan) {
        double x1, y1;
        at(i + kSpan, x1, y1);
        const double dx = (x1 - x0) / kSpan, dy = (y1 - y0) / kSpan;
        Fixed X[kSpan], Y[kSpan];
        for (uint32_t k = 0; k < kSpan; ++k) {
            X[k] = Fixed(std::min(std::max(x0 + k * dx, 0.0), maxX) + 0.5);  // not negative: truncation rounds
            Y[k] = Fixed(std::min(std::max(y0 + k * dy, 0.0), maxY) + 0.5);
        }
        const uint32_t m = std::min(kSpan, n - i);
        for (uint32_t k = 0; k < m; ++k) {
            p.x[i + k] = int32_t(X[k] >> 10);
            p.y[i + k] = int32_t(Y[k] >> 10);
            p.fx[i + k] = uint16_t(X[k] & 1023);
            p.fy[i + k] = uint16_t(Y[k] & 1023);
        }
        x0 = x1;
        y0 = y1;
    }
}

void RowPositions(const double row[6], const WarpSource& s, RowPos& p, uint32_t n) {
    if (s.w < (1 << 21) && s.h < (1 << 21)) RowPositionsT<int32_t>(row, s, p, n);
    else RowPositionsT<int64_t>(row, s, p, n);
}

CXIMG_ALWAYS_INLINE inline void SampleOne(const RowPos& p, uint32_t i, const WarpSource& s, uint8_t* dst) {
    const size_t stride = size_t(s.w) * 4;
    const int x0 = p.x[i], y0 = p.y[i];
    const uint32_t fx = p.fx[i], fy = p.fy[i];
    const uint8_t* top = s.base + size_t(y0) * stride + size_t(x0) * 4;
    const uint8_t* bottom = y0 < s.h - 1 ? top + stride : top;
    const size_t right = x0 < s.w - 1 ? 4 : 0;
#if CXIMG_X86
    const __m128i zero = _mm_setzero_si128();
    auto pairs = [&](const uint8_t* q) {
        // B, G, R, A of the left and the right pixel as (left, right) pairs of 16-bit lanes.
        const __m128i v = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(Load32(q))),
                                                               _mm_cvtsi32_si128(int(Load32(q + right)))), zero);
        return _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
    };
    const __m128i wx = _mm_set1_epi32(int((fx << 16) | (1024 - fx)));
    const __m128i ht = _mm_srai_epi32(_mm_madd_epi16(pairs(top), wx), 4);
    const __m128i hb = _mm_srai_epi32(_mm_madd_epi16(pairs(bottom), wx), 4);
    const __m128i hs = _mm_packs_epi32(ht, hb);
    const __m128i vp = _mm_unpacklo_epi16(hs, _mm_srli_si128(hs, 8));
    const __m128i wy = _mm_set1_epi32(int((fy << 16) | (1024 - fy)));
    const __m128i r = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(vp, wy), _mm_set1_epi32(1 << 15)), 16);
    const __m128i r16 = _mm_packs_epi32(r, r);
    const uint32_t result = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(r16, r16)));
#else
    const uint32_t t[2] = {Load32(top), Load32(top + right)}, b[2] = {Load32(bottom), Load32(bottom + right)};
    uint32_t result = 0;
    for (int c = 0; c < 32; c += 8) {
        const uint32_t ht = (((t[0] >> c) & 255) * (1024 - fx) + ((t[1] >> c) & 255) * fx) >> 4;
        const uint32_t hb = (((b[0] >> c) & 255) * (1024 - fx) + ((b[1] >> c) & 255) * fx) >> 4;
        result |= ((ht * (1024 - fy) + hb * fy + (1u << 15)) >> 16) << c;
    }
#endif
    Store32(dst + size_t(i) * 4, result);
}

void SampleRow(const RowPos& p, uint32_t n, const WarpSource& s, uint8_t* dst) {
    for (uint32_t i = 0; i < n; ++i) SampleOne(p, i, s, dst);
}

#if CXIMG_X86
// The (left, right) pairs of two pixels' B, G, R, A, one pixel per 128-bit half.
CXIMG_AVX2 inline __m256i PairsAvx2(const uint8_t* a, const uint8_t* b) {
    const __m256i v = _mm256_unpacklo_epi8(
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),
                                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)), 1),
        _mm256_setzero_si256());
    return _mm256_unpacklo_epi16(v, _mm256_srli_si256(v, 8));
}

// SampleRow two pixels at a time, one in each 128-bit half, with the same arithmetic; pixels at the
// right edge (no right neighbour to load) go through SampleOne.
CXIMG_AVX2 void SampleRowAvx2(const RowPos& p, uint32_t n, const WarpSource& s, uint8_t* dst) {
    const size_t stride = size_t(s.w) * 4;
    const __m256i round = _mm256_set1_epi32(1 << 15);
    uint32_t i = 0;
    for (; i + 2 <= n; i += 2) {
        const int xa = p.x[i], xb = p.x[i + 1], ya = p.y[i], yb = p.y[i + 1];
        if (xa >= s.w - 1 || xb >= s.w - 1) {
            SampleOne(p, i, s, dst);
            SampleOne(p, i + 1, s, dst);
            continue;
        }
        const uint8_t* ta = s.base + size_t(ya) * stride + size_t(xa) * 4;
        const uint8_t* tb = s.base + size_t(yb) * stride + size_t(xb) * 4;
        const uint8_t* ba = ya < s.h - 1 ? ta + stride : ta;
        const uint8_t* bb = yb < s.h - 1 ? tb + stride : tb;
        const int wxa = int((uint32_t(p.fx[i]) << 16) | (1024u - p.fx[i])), wxb = int((uint32_t(p.fx[i + 1]) << 16) | (1024u - p.fx[i + 1]));
        const int wya = int((uint32_t(p.fy[i]) << 16) | (1024u - p.fy[i])), wyb = int((uint32_t(p.fy[i + 1]) << 16) | (1024u - p.fy[i + 1]));
        const __m256i wx = _mm256_setr_epi32(wxa, wxa, wxa, wxa, wxb, wxb, wxb, wxb);
        const __m256i wy = _mm256_setr_epi32(wya, wya, wya, wya, wyb, wyb, wyb, wyb);
        const __m256i ht = _mm256_srai_epi32(_mm256_madd_epi16(PairsAvx2(ta, tb), wx), 4);
        const __m256i hb = _mm256_srai_epi32(_mm256_madd_epi16(PairsAvx2(ba, bb), wx), 4);
        const __m256i hs = _mm256_packs_epi32(ht, hb);
        const __m256i vp = _mm256_unpacklo_epi16(hs, _mm256_srli_si256(hs, 8));
        const __m256i r = _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(vp, wy), round), 16);
        const __m256i r16 = _mm256_packs_epi32(r, r);
        const __m256i r8 = _mm256_packus_epi16(r16, r16);
        Store32(dst + size_t(i) * 4, uint32_t(_mm256_cvtsi256_si32(r8)));
        Store32(dst + size_t(i + 1) * 4, uint32_t(_mm256_extract_epi32(r8, 4)));
    }
    for (; i < n; ++i) SampleOne(p, i, s, dst);
}
#endif

void WarpRow(const double row[6], const WarpSource& s, RowPos& p, uint32_t n, uint8_t* dst) {
    RowPositions(row, s, p, n);
#if CXIMG_X86
    if (HaveAvx2()) return SampleRowAvx2(p, n, s, dst);
#endif
    SampleRow(p, n, s, dst);
}

}  // namespace

SheetCorners DefaultSheetCorners(uint32_t width, uint32_t height) {
    const double l = 0.05 * width, r = 0.95 * width, t = 0.05 * height, b = 0.95 * height;
    return SheetCorners{{l, r, r, l}, {t, t, b, b}};
}

bool FindSheet(const CxImage& picture, SheetCorners& out, double& confidence) {
    confidence = 0;
    out = DefaultSheetCorners(picture.IsValid() ? picture.GetWidth() : 0, picture.IsValid() ? picture.GetHeight() : 0);
    if (!picture.IsValid()) return false;
    const uint32_t W = picture.GetWidth(), H = picture.GetHeight();
    const uint32_t longSide = std::max(W, H);
    const int factor = int(std::max<uint32_t>(1, (longSide + 719) / 720));
    if (W / factor < 24 || H / factor < 24) return false;  // too small to hold a sheet we could see
    Small s;
    Reduce(picture, factor, s);
    Gradients(s);
    std::vector<Line> lines = HoughLines(s, 40);
    if (lines.size() < 4) return false;
    // Refitting can bring two peaks onto the same line: keep the one with more votes.
    std::vector<Line> distinct;
    for (Line& l : lines) {
        RefitLine(s, l);
        bool dup = false;
        for (const Line& o : distinct) {
            const double c = l.nx * o.nx + l.ny * o.ny;
            if (std::fabs(c) > std::cos(2.0 * kPi / 180) && std::fabs(l.rho - (c > 0 ? o.rho : -o.rho)) < 1.5) dup = true;
        }
        if (dup) continue;
        LineSupport(s, l);
        distinct.push_back(std::move(l));
    }
    lines.swap(distinct);
    Candidate best = BestQuad(s, lines);
    if (best.score <= 0) return false;
    Pt c[4];
    for (int k = 0; k < 4; ++k) c[k] = {best.c[k].x * factor, best.c[k].y * factor};
    OrderCorners(c);
    // Full-resolution refinement of each side; a side that does not refine keeps its place.
    Pt m{(c[0].x + c[1].x + c[2].x + c[3].x) / 4, (c[0].y + c[1].y + c[2].y + c[3].y) / 4};
    Pt side[4][2];
    double agree = 0;
    for (int k = 0; k < 4; ++k) {
        Pt a = c[k], b = c[(k + 1) & 3];
        double share = RefineSide(picture, a, b, m, 2.0 * factor + 3, side[k][0], side[k][1]);
        if (share <= 0) { side[k][0] = a; side[k][1] = b; }
        agree += share / 4;
    }
    Pt r[4];
    bool refined = true;
    for (int k = 0; k < 4; ++k)
        if (!LineCross(side[(k + 3) & 3][0], side[(k + 3) & 3][1], side[k][0], side[k][1], r[k])) refined = false;
    if (refined) {
        // A refinement that moved a corner further than the reduced picture's uncertainty is
        // not trusted.
        for (int k = 0; k < 4; ++k)
            if (Dist(r[k], c[k]) > 3.0 * factor + 2) refined = false;
    }
    SheetCorners found;
    for (int k = 0; k < 4; ++k) {
        found.x[k] = refined ? r[k].x : c[k].x;
        found.y[k] = refined ? r[k].y : c[k].y;
    }
    if (!ProperQuad(found)) return false;
    confidence = std::clamp(0.4 * best.meanCov + 0.3 * best.minCov + 0.3 * agree, 0.0, 1.0);
    if (confidence < 0.5) return false;
    out = found;
    return true;
}

bool SheetAspect(const SheetCorners& corners, uint32_t pictureW, uint32_t pictureH, double& aspect) {
    if (!ProperQuad(corners)) return false;
    double a = 0;
    if (!PerspectiveAspect(corners, pictureW, pictureH, a)) a = SideAverageAspect(corners);
    if (!std::isfinite(a) || a <= 0) return false;
    SnapPaper(a);
    aspect = a;
    return true;
}

bool SquareToQuad(const double x[4], const double y[4], double h[9]) {
    const double dx1 = x[1] - x[2], dx2 = x[3] - x[2], dx3 = x[0] - x[1] + x[2] - x[3];
    const double dy1 = y[1] - y[2], dy2 = y[3] - y[2], dy3 = y[0] - y[1] + y[2] - y[3];
    const double det = dx1 * dy2 - dx2 * dy1;
    const double scale = std::max({std::fabs(dx1), std::fabs(dx2), std::fabs(dy1), std::fabs(dy2), 1e-300});
    if (!std::isfinite(det) || std::fabs(det) < 1e-12 * scale * scale) return false;
    const double g = (dx3 * dy2 - dx2 * dy3) / det, hh = (dx1 * dy3 - dx3 * dy1) / det;
    h[0] = x[1] - x[0] + g * x[1];
    h[1] = x[3] - x[0] + hh * x[3];
    h[2] = x[0];
    h[3] = y[1] - y[0] + g * y[1];
    h[4] = y[3] - y[0] + hh * y[3];
    h[5] = y[0];
    h[6] = g;
    h[7] = hh;
    h[8] = 1;
    for (int i = 0; i < 9; ++i)
        if (!std::isfinite(h[i])) return false;
    return true;
}

bool RectifySheet(const CxImage& in, const SheetCorners& corners, CxImage& out, const char*& err) {
    if (!in.IsValid()) return (err = "empty picture", false);
    if (!ProperQuad(corners)) return (err = "corners do not form a convex quadrilateral", false);
    const double W = in.GetWidth(), H = in.GetHeight();
    for (int i = 0; i < 4; ++i)
        if (corners.x[i] < -0.25 * W || corners.x[i] > 1.25 * W || corners.y[i] < -0.25 * H || corners.y[i] > 1.25 * H)
            return (err = "corners far outside the picture", false);
    double aspect = 1;
    if (!SheetAspect(corners, in.GetWidth(), in.GetHeight(), aspect)) return (err = "corners do not form a convex quadrilateral", false);
    const double w0 = std::max(Dist(Corner(corners, 0), Corner(corners, 1)), Dist(Corner(corners, 3), Corner(corners, 2)));
    const double h0 = std::max(Dist(Corner(corners, 0), Corner(corners, 3)), Dist(Corner(corners, 1), Corner(corners, 2)));
    double ow = w0, oh = h0;
    if (w0 / h0 > aspect) oh = w0 / aspect; else ow = h0 * aspect;
    // No more pixels than four times the quadrilateral's extent (an aspect far from the corners'
    // own shape would otherwise blow the picture up) and than the library allows.
    const double limit = std::min(double(kMaxPixels), 4.0 * std::max(1.0, w0) * std::max(1.0, h0));
    if (ow * oh > limit) {
        double k = std::sqrt(limit / (ow * oh));
        ow *= k;
        oh *= k;
    }
    const uint32_t outW = uint32_t(std::clamp(std::floor(ow + 0.5), 1.0, 4.0e9));
    const uint32_t outH = uint32_t(std::clamp(std::floor(oh + 0.5), 1.0, 4.0e9));
    Homography hm;
    if (!SquareToQuad(corners.x, corners.y, hm.h)) return (err = "corners do not form a convex quadrilateral", false);
    // A destination of the right size (not the source itself) is written in place: fresh memory
    // costs as much to touch for the first time as the warp itself, and a sheet whose corners are
    // nudged is rectified again at much the same size.
    const bool reuse = &out != &in && out.IsValid() && out.GetWidth() == outW && out.GetHeight() == outH &&
                       out.AlphaIsValid() == in.AlphaIsValid();
    Picture pic;
    if (!reuse) {
        if (!pic.Allocate(outW, outH, err)) return false;
        pic.alpha = in.AlphaIsValid();
    }
    uint8_t* const dstBase = reuse ? out.GetRow(0) : pic.px.get();

    // Output pixel centre (i + 0.5, j + 0.5) -> unit square (u, v) -> picture point; the sample
    // is taken in the picture's pixel index space (centres at integers).
    const int iw = int(in.GetWidth()), ih = int(in.GetHeight());
    const WarpSource src{in.GetRow(0), iw, ih};
    const double su = 1.0 / outW, sv = 1.0 / outH;
    const double* h = hm.h;
    RowPos pos(outW);
    for (uint32_t j = 0; j < outH; ++j) {
        const double v = (j + 0.5) * sv;
        const double row[6] = {h[0] * (0.5 * su) + h[1] * v + h[2], h[3] * (0.5 * su) + h[4] * v + h[5],
                               h[6] * (0.5 * su) + h[7] * v + h[8], h[0] * su, h[3] * su, h[6] * su};
        uint8_t* dst = dstBase + size_t(j) * outW * 4;
        WarpRow(row, src, pos, outW, dst);
    }
    if (reuse) out.SelectionDelete();
    else out.Adopt(std::move(pic), CXIMAGE_FORMAT_UNKNOWN);
    return true;
}

}  // namespace cximg
