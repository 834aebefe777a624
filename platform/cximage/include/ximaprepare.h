// Memory made ready ahead of need.
//
// Showing a newly loaded large picture needs several picture-sized pieces of fresh memory, one after
// another: the decoded pixels, a copy of them, a bitmap of them, a drawing surface. The first touch
// of each page of fresh memory is a page fault, and on some machines a slow one (about 120 ms for
// 48 MB in a virtual machine), while the platform's decoder keeps one processor busy and leaves the
// others idle. PrepareAhead hands the list of pieces, in the order they will be used, to a worker
// thread that allocates them and touches their pages meanwhile. Whoever needs a piece then takes the
// prepared one: at once when it is ready, after a wait when the worker is on it, or by preparing it
// itself when the worker has not reached it yet. What is never taken is freed by DropPrepared.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cximg {

// A surface: pixel memory owned by a handle of the platform (a DIB section on Windows).
struct SurfaceFactory {
    // Makes a zero-filled surface of width × |height| 32-bit pixels, its rows top-down when height
    // is negative; returns the handle and sets bits to its pixels, or returns null.
    void* (*make)(int32_t width, int32_t height, void** bits) = nullptr;
    void (*destroy)(void* handle) = nullptr;
};
// Installed by the platform library; without one, surfaces are not prepared.
void SetSurfaceFactory(const SurfaceFactory& factory);

// One piece of memory to prepare: a pixel block of blockBytes, or (blockBytes 0) a surface of
// width × height as SurfaceFactory::make takes them.
struct PreparedPiece {
    size_t blockBytes = 0;
    int32_t width = 0, height = 0;
};

// Drops whatever an earlier call prepared and not taken, then starts preparing these pieces on a
// worker thread, in their order. Pieces below 4 MB (their first touch costs little) and above
// 256 MB (64 megapixels) are left out.
void PrepareAhead(const std::vector<PreparedPiece>& pieces);

// The prepared pixel block of exactly this size (its contents undefined), or null when none was
// asked for. Used by NewPixelBlock; a kept block of the size goes first.
uint8_t* TakePreparedBlock(size_t bytes);

// The prepared surface of exactly this size and row order: its handle, with bits set; null when
// none was asked for. The caller owns the handle.
void* TakePreparedSurface(int32_t width, int32_t height, void** bits);

// Stops the worker and frees every piece not taken. Call when the pieces can no longer be needed
// (the picture is shown, or its load failed).
void DropPrepared();

// How many pieces are waiting to be taken (prepared or not yet), and how many were dropped
// untaken since the program started (work done for nothing: what was asked for was not needed).
size_t PreparedPiecesLeft();
size_t PreparedPiecesUnused();

// Makes fresh memory ready for use: the platform's way of bringing all its pages in at once, when
// it has one (much cheaper than a fault per page where faults are slow), and, with touch, a zero
// written to the first byte of every page (so zero-filled fresh memory stays as it was).
void PreparePages(void* memory, size_t bytes, bool touch);
// Installed by the platform library: brings the pages of memory in, false when it cannot.
using PageLocker = bool (*)(void* memory, size_t bytes);
void SetPageLocker(PageLocker locker);

}  // namespace cximg
