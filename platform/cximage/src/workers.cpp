#include "platform/cximage/src/workers.h"

#include "platform/cximage/include/ximacore.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace cximg {
namespace {

std::atomic<unsigned> g_pixelPassThreads{0};

class Workers {
public:
    static Workers& Get() {
        // Never destroyed: at process exit the system ends the waiting workers.
        static Workers* workers = new Workers;
        return *workers;
    }

    void Run(unsigned parts, unsigned threads, const std::function<void(unsigned)>& work) {
        std::lock_guard<std::mutex> one(callers_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            while (workers_.size() + 1 < threads) workers_.emplace_back([this] { Serve(); });
            work_ = &work;
            parts_ = parts;
            next_ = 0;
            unfinished_ = parts;
            ++generation_;
        }
        wake_.notify_all();
        Take();
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return unfinished_ == 0; });
        work_ = nullptr;
    }

private:
    // Takes parts of the current job until none is left.
    void Take() {
        for (;;) {
            unsigned part;
            const std::function<void(unsigned)>* work;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!work_ || next_ >= parts_) return;
                part = next_++;
                work = work_;
            }
            (*work)(part);
            std::lock_guard<std::mutex> lock(mutex_);
            if (--unfinished_ == 0) done_.notify_all();
        }
    }

    void Serve() {
        uint64_t seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return generation_ != seen; });
                seen = generation_;
            }
            Take();
        }
    }

    std::mutex callers_, mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> workers_;
    const std::function<void(unsigned)>* work_ = nullptr;
    unsigned parts_ = 0, next_ = 0, unfinished_ = 0;
    uint64_t generation_ = 0;
};

}  // namespace

void SetPixelPassThreads(unsigned threads) { g_pixelPassThreads = threads; }

unsigned PixelPassThreads() {
    const unsigned n = g_pixelPassThreads.load();
    return n ? n : DefaultWorkerThreads();
}

unsigned DefaultWorkerThreads() { return std::min(4u, std::max(1u, std::thread::hardware_concurrency())); }

void RunParts(unsigned parts, unsigned threads, const std::function<void(unsigned)>& work) {
    if (parts == 0) return;
    if (threads <= 1 || parts == 1) {
        for (unsigned p = 0; p < parts; ++p) work(p);
        return;
    }
    Workers::Get().Run(parts, std::min(threads, parts), work);
}

void ForRanges(size_t count, size_t grain, unsigned threads, const std::function<void(size_t, size_t)>& body) {
    if (count == 0) return;
    grain = std::max<size_t>(grain, 1);
    const size_t ranges = (count + grain - 1) / grain;
    if (threads <= 1 || ranges <= 1) {
        body(0, count);
        return;
    }
    RunParts(unsigned(ranges), threads, [&](unsigned part) {
        const size_t begin = size_t(part) * grain;
        body(begin, std::min(count, begin + grain));
    });
}

void ForRowBands(size_t rows, size_t rowPixels, const std::function<void(size_t, size_t)>& body) {
    ForRanges(rows, std::max<size_t>(1, kBandPixels / std::max<size_t>(1, rowPixels)), PixelPassThreads(), body);
}

void CopyPixelsTo(const CxImage& picture, int64_t originX, int64_t originY, uint32_t width, uint32_t height,
                  uint8_t* target, ptrdiff_t stride, const uint32_t* beyond) {
    if (!picture.IsValid() || !target || width == 0 || height == 0) return;
    const int64_t pictureWidth = picture.GetWidth(), pictureHeight = picture.GetHeight();
    // The target columns that show picture pixels: [left, right).
    const int64_t left = std::clamp<int64_t>(-originX, 0, width);
    const int64_t right = std::clamp<int64_t>(pictureWidth - originX, left, width);
    auto fill = [&](uint8_t* row, int64_t from, int64_t to) {
        if (beyond && to > from) std::fill(reinterpret_cast<uint32_t*>(row) + from, reinterpret_cast<uint32_t*>(row) + to, *beyond);
    };
    ForRowBands(height, width, [&](size_t first, size_t end) {
        for (size_t y = first; y < end; ++y) {
            uint8_t* row = target + ptrdiff_t(y) * stride;
            const int64_t py = originY + int64_t(y);
            if (py < 0 || py >= pictureHeight || right <= left) {
                fill(row, 0, width);
                continue;
            }
            fill(row, 0, left);
            std::memcpy(row + left * 4, picture.GetRow(uint32_t(py)) + (originX + left) * 4, size_t(right - left) * 4);
            fill(row, right, width);
        }
    });
}

}  // namespace cximg
