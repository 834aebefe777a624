// Memory made ready ahead of need: a worker thread allocates the pieces a coming picture will need
// and touches their pages while the picture decodes.
#include "platform/cximage/include/ximaprepare.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace cximg {

namespace {

constexpr size_t kPrepareFrom = size_t(4) << 20;
// Beyond this a piece is left to its user: memory made ready for a picture whose file may yet turn
// out damaged should stay within reason.
constexpr size_t kPrepareAtMost = size_t(256) << 20;
constexpr size_t kPage = 4096;

std::atomic<PageLocker> g_pageLocker{nullptr};
std::atomic<size_t> g_unused{0};

struct Piece {
    PreparedPiece asked;
    enum class State { Pending, Working, Ready, Taken } state = State::Pending;
    uint8_t* block = nullptr;
    void* surface = nullptr;
    void* bits = nullptr;
};

void Free(Piece& piece, const SurfaceFactory& factory);

struct Preparer {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Piece> pieces;
    std::thread worker;
    std::atomic<bool> stop{false};
    SurfaceFactory factory;

    // At exit a worker still at work is waited for (a thread left joinable would end the program).
    ~Preparer() {
        {
            std::lock_guard<std::mutex> held(lock);
            stop = true;
        }
        if (worker.joinable()) worker.join();
        for (Piece& piece : pieces) Free(piece, factory);
    }
};

Preparer& TheP() {
    static Preparer preparer;
    return preparer;
}

size_t SurfaceBytes(int32_t width, int32_t height) {
    const int64_t rows = height < 0 ? -int64_t(height) : int64_t(height);
    return width > 0 ? size_t(width) * size_t(rows) * 4 : 0;
}

// Brings in the pages a few megabytes at a time, so that a drop of the pieces (a file that turned
// out damaged) does not wait for the whole of a large piece. Stopping early only leaves pages to
// fault in later.
void PrepareInSteps(void* memory, size_t bytes, const std::atomic<bool>* stop) {
    constexpr size_t kStep = size_t(4) << 20;
    uint8_t* at = static_cast<uint8_t*>(memory);
    for (size_t done = 0; done < bytes; done += kStep) {
        if (stop && stop->load(std::memory_order_relaxed)) return;
        PreparePages(at + done, bytes - done < kStep ? bytes - done : kStep, true);
    }
}

// Allocates and touches one piece (outside the lock); stop, when given, cuts the touching short.
void Make(const PreparedPiece& asked, const SurfaceFactory& factory, Piece& into,
          const std::atomic<bool>* stop = nullptr) {
    if (asked.blockBytes) {
        into.block = new (std::nothrow) uint8_t[asked.blockBytes];
        if (into.block) PrepareInSteps(into.block, asked.blockBytes, stop);
        return;
    }
    if (!factory.make) return;
    void* bits = nullptr;
    void* surface = factory.make(asked.width, asked.height, &bits);
    if (!surface) return;
    if (!bits) {
        if (factory.destroy) factory.destroy(surface);
        return;
    }
    PrepareInSteps(bits, SurfaceBytes(asked.width, asked.height), stop);
    into.surface = surface;
    into.bits = bits;
}

void Free(Piece& piece, const SurfaceFactory& factory) {
    delete[] piece.block;
    piece.block = nullptr;
    if (piece.surface && factory.destroy) factory.destroy(piece.surface);
    piece.surface = nullptr;
}

void Work() {
    Preparer& p = TheP();
    std::unique_lock<std::mutex> held(p.lock);
    for (size_t i = 0; i < p.pieces.size() && !p.stop; ++i) {
        if (p.pieces[i].state != Piece::State::Pending) continue;
        p.pieces[i].state = Piece::State::Working;
        const PreparedPiece asked = p.pieces[i].asked;
        const SurfaceFactory factory = p.factory;
        held.unlock();
        Piece made;
        Make(asked, factory, made, &p.stop);
        held.lock();
        // The list is only replaced after this thread is joined, so index i is still this piece.
        Piece& piece = p.pieces[i];
        piece.block = made.block;
        piece.surface = made.surface;
        piece.bits = made.bits;
        piece.state = Piece::State::Ready;
        p.changed.notify_all();
    }
}

bool Matches(const Piece& piece, size_t bytes, int32_t width, int32_t height) {
    if (piece.state == Piece::State::Taken) return false;
    if (bytes) return piece.asked.blockBytes == bytes;
    return piece.asked.blockBytes == 0 && piece.asked.width == width && piece.asked.height == height;
}

// Takes the first untaken piece that matches: waits for it while the worker is on it, makes it
// here when the worker has not reached it. False when no such piece was asked for.
bool Take(size_t bytes, int32_t width, int32_t height, Piece& out) {
    Preparer& p = TheP();
    std::unique_lock<std::mutex> held(p.lock);
    for (size_t i = 0; i < p.pieces.size(); ++i) {
        if (!Matches(p.pieces[i], bytes, width, height)) continue;
        if (p.pieces[i].state == Piece::State::Pending) {
            p.pieces[i].state = Piece::State::Taken;
            const PreparedPiece asked = p.pieces[i].asked;
            const SurfaceFactory factory = p.factory;
            held.unlock();
            Make(asked, factory, out);
            return true;
        }
        p.changed.wait(held, [&] { return p.pieces[i].state == Piece::State::Ready; });
        Piece& piece = p.pieces[i];
        out.block = piece.block;
        out.surface = piece.surface;
        out.bits = piece.bits;
        piece.block = nullptr;
        piece.surface = piece.bits = nullptr;
        piece.state = Piece::State::Taken;
        return true;
    }
    return false;
}

}  // namespace

void SetSurfaceFactory(const SurfaceFactory& factory) {
    Preparer& p = TheP();
    std::lock_guard<std::mutex> held(p.lock);
    p.factory = factory;
}

void SetPageLocker(PageLocker locker) { g_pageLocker.store(locker); }

void PreparePages(void* memory, size_t bytes, bool touch) {
    if (!memory || bytes == 0) return;
    if (PageLocker locker = g_pageLocker.load()) locker(memory, bytes);
    if (!touch) return;
    volatile uint8_t* page = static_cast<uint8_t*>(memory);
    for (size_t at = 0; at < bytes; at += kPage) page[at] = 0;
}

void DropPrepared() {
    Preparer& p = TheP();
    {
        std::lock_guard<std::mutex> held(p.lock);
        p.stop = true;
    }
    if (p.worker.joinable()) p.worker.join();
    std::vector<Piece> left;
    SurfaceFactory factory;
    {
        std::lock_guard<std::mutex> held(p.lock);
        left.swap(p.pieces);
        factory = p.factory;
        p.stop = false;
    }
    for (Piece& piece : left) {
        if (piece.state != Piece::State::Taken) g_unused.fetch_add(1, std::memory_order_relaxed);
        Free(piece, factory);
    }
}

size_t PreparedPiecesUnused() { return g_unused.load(std::memory_order_relaxed); }

void PrepareAhead(const std::vector<PreparedPiece>& asked) {
    DropPrepared();
    std::vector<Piece> pieces;
    {
        Preparer& p = TheP();
        std::lock_guard<std::mutex> held(p.lock);
        for (const PreparedPiece& one : asked) {
            const size_t bytes = one.blockBytes ? one.blockBytes : SurfaceBytes(one.width, one.height);
            if (bytes < kPrepareFrom || bytes > kPrepareAtMost) continue;
            if (!one.blockBytes && !p.factory.make) continue;
            Piece piece;
            piece.asked = one;
            pieces.push_back(piece);
        }
        if (pieces.empty()) return;
        p.pieces = std::move(pieces);
    }
    try {
        TheP().worker = std::thread(Work);
    } catch (const std::system_error&) {
        // No thread: the pieces stay pending and whoever needs one prepares it.
    }
}

uint8_t* TakePreparedBlock(size_t bytes) {
    if (bytes == 0) return nullptr;
    Piece piece;
    if (!Take(bytes, 0, 0, piece)) return nullptr;
    return piece.block;
}

void* TakePreparedSurface(int32_t width, int32_t height, void** bits) {
    if (bits) *bits = nullptr;
    if (width <= 0 || height == 0) return nullptr;
    Piece piece;
    if (!Take(0, width, height, piece)) return nullptr;
    if (bits) *bits = piece.bits;
    return piece.surface;
}

size_t PreparedPiecesLeft() {
    Preparer& p = TheP();
    std::lock_guard<std::mutex> held(p.lock);
    size_t left = 0;
    for (const Piece& piece : p.pieces) left += piece.state != Piece::State::Taken;
    return left;
}

}  // namespace cximg
