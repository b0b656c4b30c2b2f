#pragma once
// The user-interface thread's message queue.
//
// Any thread may post: a device's helper thread reports "opened", "buffer
// done" and "closed" by posting messages, and they are delivered on the
// user-interface thread in the order they were posted. Posting takes one
// short mutex and never waits for the user-interface thread; it does not
// allocate beyond growing the queue, and it never fails or drops a message.
//
// Only the user-interface thread (the one that opens windows) takes messages
// out. Input from the window system is turned into messages (see message.h)
// when the user-interface thread looks for its next message, and queued
// behind what was posted before. A paint message is produced when nothing else
// is queued and a window needs drawing.
//
// Threads that post must be stopped before the program's final shutdown.
//
// Typical use from a device thread:
//     platform::Post({window, kBufferDone, deviceNumber, reinterpret_cast<std::intptr_t>(buffer)});
// and, on the user-interface thread, when the device is closed before its
// notifications were handled:
//     for (const platform::Message& m : platform::RemovePending(window, kBufferDone))
//         ReleaseBuffer(reinterpret_cast<Buffer*>(m.p2));

#include <cstddef>
#include <vector>

#include "platform/message.h"

namespace platform {

// Any thread. Appends the message to the queue.
void Post(const Message& message);
inline void Post(WindowHandle window, MessageId id, std::uintptr_t p1 = 0, std::intptr_t p2 = 0) {
    Post(Message{window, id, p1, p2});
}

// Any thread. Posts the message after about milliseconds (a one-shot timer);
// nothing cancels it, so its receiver must recognise one that comes too late.
void PostAfter(unsigned milliseconds, const Message& message);

// Any thread. Posts the thread message kQuit with the exit code in p1; the
// main loop ends when it takes it.
void PostQuit(int exitCode);

// Any thread. Removes every queued message with this id (for any window, or
// for the one window given) and returns them in queue order, so that the
// caller can release what their parameters point to. The other messages keep
// their order.
std::vector<Message> RemovePending(MessageId id);
std::vector<Message> RemovePending(WindowHandle window, MessageId id);

// Any thread. The number of messages queued (paint requests not counted).
std::size_t PendingCount();

// User-interface thread. Waits until a message is available and moves it to
// out. Returns false when it is the quit message (out holds it, p1 = exit code).
bool NextMessage(Message& out);

// User-interface thread. As NextMessage but never waits: returns false when
// nothing is queued. A quit message is returned like any other.
bool TakePending(Message& out);

// User-interface thread. Returns a message that was taken to the front of the
// queue, so that it is the next one taken (pumping helpers leave the quit
// message for the main loop this way).
void PutBack(const Message& message);

}  // namespace platform
