#include "platform/message_queue.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {

struct Queue {
    std::mutex lock;
    std::condition_variable filled;  // waited on while SDL video is not running
    std::deque<Message> messages;
};

// Never destroyed: an audio thread or a timer may still post while the
// process ends.
Queue& TheQueue() {
    static Queue& queue = *new Queue;
    return queue;
}

// At most one wake-up event sits in SDL's queue at a time, so a burst of posts
// cannot overflow SDL's bounded queue.
std::atomic<bool> gWakeQueued{false};

void WakeUiThread() {
    const Uint32 type = sdl::WakeEventType();
    if (type == 0 || gWakeQueued.exchange(true)) return;
    SDL_Event wake{};
    wake.type = type;
    if (SDL_PushEvent(&wake) != 1) gWakeQueued = false;
}

bool TakeQueued(Message& out) {
    Queue& q = TheQueue();
    std::lock_guard guard(q.lock);
    if (q.messages.empty()) return false;
    out = q.messages.front();
    q.messages.pop_front();
    return true;
}

void Append(const std::vector<Message>& input) {
    if (input.empty()) return;
    Queue& q = TheQueue();
    std::lock_guard guard(q.lock);
    q.messages.insert(q.messages.end(), input.begin(), input.end());
}

void Consider(const SDL_Event& event, std::vector<Message>& input) {
    if (event.type == sdl::WakeEventType()) {
        gWakeQueued = false;
        return;
    }
    sdl::Translate(event, input);
}

// Moves what the window system has reported into the queue; true when that
// added messages.
bool PollInput() {
    if (!sdl::VideoStarted()) return false;
    std::vector<Message> input;
    SDL_Event event;
    while (SDL_PollEvent(&event)) Consider(event, input);
    Append(input);
    return !input.empty();
}

void WaitForMore() {
    if (sdl::VideoStarted()) {
        SDL_Event event;
        if (!SDL_WaitEvent(&event)) return;
        std::vector<Message> input;
        Consider(event, input);
        Append(input);
        return;
    }
    Queue& q = TheQueue();
    std::unique_lock guard(q.lock);
    q.filled.wait(guard, [&] { return !q.messages.empty(); });
}

bool TakeOne(Message& out) {
    if (TakeQueued(out)) return true;
    if (PollInput() && TakeQueued(out)) return true;
    if (WindowHandle w = sdl::TakePaintRequest()) {
        out = Message{w, msg::kPaint, 0, 0};
        return true;
    }
    return false;
}

std::vector<Message> RemoveWhere(auto matches) {
    Queue& q = TheQueue();
    std::vector<Message> removed;
    std::lock_guard guard(q.lock);
    auto keep = std::stable_partition(q.messages.begin(), q.messages.end(),
                                      [&](const Message& m) { return !matches(m); });
    removed.assign(keep, q.messages.end());
    q.messages.erase(keep, q.messages.end());
    return removed;
}

// Messages waiting for their timer, by the key the timer carries. Never
// destroyed: a timer may still fire while the process ends.
struct Delayed {
    std::mutex lock;
    std::map<std::uintptr_t, Message> waiting;
    std::uintptr_t nextKey = 1;
};

Delayed& TheDelayed() {
    static Delayed& delayed = *new Delayed;
    return delayed;
}

// On SDL's timer thread.
Uint32 PostDelayed(Uint32, void* key) {
    Delayed& d = TheDelayed();
    Message message;
    {
        std::lock_guard guard(d.lock);
        const auto it = d.waiting.find(reinterpret_cast<std::uintptr_t>(key));
        if (it == d.waiting.end()) return 0;
        message = it->second;
        d.waiting.erase(it);
    }
    Post(message);
    return 0;
}

}  // namespace

void PostAfter(unsigned milliseconds, const Message& message) {
    // Initialised as a subsystem, so that SDL_Quit stops the timer thread.
    static const bool timers = SDL_InitSubSystem(SDL_INIT_TIMER) == 0;
    Delayed& d = TheDelayed();
    std::uintptr_t key = 0;
    {
        std::lock_guard guard(d.lock);
        key = d.nextKey++;
        d.waiting.emplace(key, message);
    }
    if (timers && SDL_AddTimer(std::max(1u, milliseconds), PostDelayed, reinterpret_cast<void*>(key)) != 0) return;
    // Without a timer the message comes at once rather than never.
    {
        std::lock_guard guard(d.lock);
        d.waiting.erase(key);
    }
    Post(message);
}

void Post(const Message& message) {
    Queue& q = TheQueue();
    {
        std::lock_guard guard(q.lock);
        q.messages.push_back(message);
    }
    q.filled.notify_one();
    WakeUiThread();
}

void PostQuit(int exitCode) {
    Post(Message{kNoWindow, msg::kQuit, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(exitCode)), 0});
}

std::vector<Message> RemovePending(MessageId id) {
    return RemoveWhere([id](const Message& m) { return m.id == id; });
}

std::vector<Message> RemovePending(WindowHandle window, MessageId id) {
    return RemoveWhere([id, window](const Message& m) { return m.id == id && m.window == window; });
}

std::size_t PendingCount() {
    Queue& q = TheQueue();
    std::lock_guard guard(q.lock);
    return q.messages.size();
}

bool NextMessage(Message& out) {
    while (!TakeOne(out)) WaitForMore();
    return out.id != msg::kQuit;
}

bool TakePending(Message& out) { return TakeOne(out); }

void PutBack(const Message& message) {
    Queue& q = TheQueue();
    std::lock_guard guard(q.lock);
    q.messages.push_front(message);
}

}  // namespace platform
