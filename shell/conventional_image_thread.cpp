// The image-preparation threads of the projection windows.
#include "shell/conventional_image_thread.h"

#include <process.h>

#include <cstdlib>
#include <vector>

#include "render/output/bent_pictures.h"

namespace {

// The thread's start block, freed by the thread.
struct StartBlock {
    HWND window;
    RecordRef element;
};

// The handles of the threads started and not yet collected (GUI thread
// only), with the window record each was started for.
struct Worker {
    HANDLE handle;
    ProjectionWindow* window;
};
std::vector<Worker> workers;

unsigned __stdcall prepare_conventional_image_thread(void* parameter) {
    StartBlock* block = static_cast<StartBlock*>(parameter);
    const HWND window = block->window;
    const RecordRef element = block->element;
    std::free(block);
    bent_picture_prepare(element);
    if (window) InvalidateRect(window, nullptr, TRUE);
    return 0;
}

bool window_listed(const ProjectionWindow* w) {
    for (ProjectionWindow* p = projection_windows; p; p = p->next)
        if (p == w) return true;
    return false;
}

// Closes the handles of the threads that have ended.
void collect_ended() {
    for (size_t i = 0; i < workers.size();) {
        if (WaitForSingleObject(workers[i].handle, 0) == WAIT_OBJECT_0) {
            if (window_listed(workers[i].window) && workers[i].window->image_thread == workers[i].handle)
                workers[i].window->image_thread = nullptr;
            CloseHandle(workers[i].handle);
            workers.erase(workers.begin() + static_cast<long>(i));
        } else {
            ++i;
        }
    }
}

}  // namespace

bool start_symbol_picture_thread(ProjectionWindow* window, RecordRef element) {
    collect_ended();
    StartBlock* block = static_cast<StartBlock*>(std::malloc(sizeof(StartBlock)));
    if (!block) return false;
    block->window = window ? window->window : nullptr;
    block->element = element;
    unsigned id = 0;
    const uintptr_t h = _beginthreadex(nullptr, 0, prepare_conventional_image_thread, block, 0, &id);
    if (!h) {
        std::free(block);
        return false;
    }
    workers.push_back(Worker{reinterpret_cast<HANDLE>(h), window});
    if (window) window->image_thread = reinterpret_cast<HANDLE>(h);
    return true;
}

DWORD conventional_image_stop_limit_ms = 10000;

void conventional_image_threads_stop() {
    if (workers.empty()) return;
    bent_pictures_abandon(0);
    const DWORD limit = conventional_image_stop_limit_ms;
    for (const Worker& w : workers) {
        const DWORD start = GetTickCount();
        for (;;) {
            const DWORD waited = GetTickCount() - start;
            if (waited >= limit && !bent_pictures_holding_lock()) {
                // The last resort: a thread that does not stop, and holds
                // no lock of the drawing.
                if (WaitForSingleObject(w.handle, 0) != WAIT_OBJECT_0) TerminateThread(w.handle, 1);
                break;
            }
            // A thread storing its picture is waited for in short steps
            // past the limit: it ends on its own.
            const DWORD slice = waited < limit ? limit - waited : 50;
            const DWORD r = MsgWaitForMultipleObjects(1, &w.handle, FALSE, slice, QS_SENDMESSAGE);
            if (r == WAIT_OBJECT_0) break;
            if (r == WAIT_OBJECT_0 + 1) {
                MSG m;
                // Sent messages are served by the peek itself.
                PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
                continue;
            }
            if (r == WAIT_FAILED) break;
        }
    }
    for (const Worker& w : workers) {
        if (window_listed(w.window) && w.window->image_thread == w.handle) w.window->image_thread = nullptr;
        CloseHandle(w.handle);
    }
    workers.clear();
}

int conventional_image_threads_running() {
    collect_ended();
    return static_cast<int>(workers.size());
}
