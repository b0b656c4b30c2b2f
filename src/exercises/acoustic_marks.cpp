#include "exercises/acoustic_marks.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/exception.h"
#include "platform/message_queue.h"

#ifdef LORVANO_POCKETSPHINX
#include "analysis/scoring/acoustic_judge.h"
#include "analysis/scoring/phone_strings.h"
#endif

namespace {

// Results kept for exercises that have not taken them yet (an exercise that
// went away never will).
constexpr std::size_t kKeptResults = 32;

struct Pending {
    std::uint64_t id = 0;
    vTrAcousticJob_c job;
    platform::WindowHandle window = platform::kNoWindow;
};

}  // namespace

struct vTrAcousticMarks_c::State {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<Pending> waiting;  // says not yet started, oldest first
    std::optional<std::string> preload;
    std::deque<std::pair<std::uint64_t, vTrAcousticResult_c>> done;
    std::uint64_t lastId = 0;
    bool started = false;

    void Run();
    vTrAcousticResult_c Judge(const vTrAcousticJob_c& job);
    void Load(const std::string& folder);

#ifdef LORVANO_POCKETSPHINX
    // Worker thread only.
    std::unique_ptr<vAcousticJudge_c> judge;
    std::string judgeFolder;
    std::string loadError;
    bool loaded = false;
#endif
};

vTrAcousticMarks_c& vTrAcousticMarks_c::Instance() {
    // Never destroyed: the worker may still be judging when the program ends.
    static vTrAcousticMarks_c& marks = *new vTrAcousticMarks_c;
    return marks;
}

vTrAcousticMarks_c::State& vTrAcousticMarks_c::Shared() {
    static State& state = *new State;
    std::lock_guard<std::mutex> hold(state.lock);
    if (!state.started) {
        state.started = true;
        std::thread([s = &state] { s->Run(); }).detach();
    }
    return state;
}

bool vTrAcousticMarks_c::Built() {
#ifdef LORVANO_POCKETSPHINX
    return true;
#else
    return false;
#endif
}

bool vTrAcousticMarks_c::DictionaryLacks(const std::string& name, const std::string& folder) {
#ifdef LORVANO_POCKETSPHINX
    try {
        return vAcousticJudge_c::PhonesIn(folder.empty() ? vAcousticJudge_c::DefaultModelFolder() : folder, name)
            .empty();
    } catch (const vException_c&) {
        return false;
    }
#else
    (void)name;
    (void)folder;
    return false;
#endif
}

void vTrAcousticMarks_c::Preload(const std::string& folder) {
    State& s = Shared();
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.preload = folder;
    }
    s.wake.notify_one();
}

std::uint64_t vTrAcousticMarks_c::Submit(vTrAcousticJob_c job, platform::WindowHandle window) {
    State& s = Shared();
    std::uint64_t id;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        id = ++s.lastId;
        s.waiting.push_back(Pending{id, std::move(job), window});
    }
    s.wake.notify_one();
    return id;
}

bool vTrAcousticMarks_c::Take(std::uint64_t id, vTrAcousticResult_c& out) {
    State& s = Shared();
    std::lock_guard<std::mutex> hold(s.lock);
    for (auto it = s.done.begin(); it != s.done.end(); ++it) {
        if (it->first != id) continue;
        out = std::move(it->second);
        s.done.erase(it);
        return true;
    }
    return false;
}

void vTrAcousticMarks_c::State::Run() {
    for (;;) {
        std::optional<Pending> job;
        std::optional<std::string> folder;
        {
            std::unique_lock<std::mutex> hold(lock);
            wake.wait(hold, [this] { return !waiting.empty() || preload.has_value(); });
            if (!waiting.empty()) {
                job = std::move(waiting.front());
                waiting.pop_front();
            }
            folder.swap(preload);
        }
        if (folder) Load(*folder);
        if (!job) continue;
        vTrAcousticResult_c result = Judge(job->job);
        {
            std::lock_guard<std::mutex> hold(lock);
            done.emplace_back(job->id, std::move(result));
            while (done.size() > kKeptResults) done.pop_front();
        }
        platform::Post(job->window, kTrAcousticDoneMessage, static_cast<std::uintptr_t>(job->id), 0);
    }
}

#ifdef LORVANO_POCKETSPHINX

void vTrAcousticMarks_c::State::Load(const std::string& folder) {
    const std::string wanted = folder.empty() ? vAcousticJudge_c::DefaultModelFolder() : folder;
    if (loaded && wanted == judgeFolder) return;
    judge.reset();
    loaded = true;
    judgeFolder = wanted;
    loadError.clear();
    try {
        judge = std::make_unique<vAcousticJudge_c>(wanted, vAcousticScoreSettings_c{});
    } catch (const vException_c& e) {
        loadError = e.ShortText();
        if (loadError.empty()) loadError = "The acoustic model in " + wanted + " cannot be loaded.";
    }
}

vTrAcousticResult_c vTrAcousticMarks_c::State::Judge(const vTrAcousticJob_c& job) {
    vTrAcousticResult_c result;
    Load(job.modelFolder);
    if (!judge) {
        result.error = loadError;
        return result;
    }
    const std::vector<std::string> phones = job.phones.empty() ? judge->PhonesOf(job.word) : job.phones;
    result.phones = JoinPhones(phones);
    vAcousticJudgment_c j;
    try {
        j = judge->Judge(job.samples.data(), job.samples.size(), job.rate, phones, job.target);
    } catch (const vException_c& e) {
        // A model that fails while decoding fails from then on.
        result.error = e.ShortText();
        judge.reset();
        loadError = result.error;
        return result;
    }
    if (!j.Marked()) {
        result.error = j.error;
        return result;
    }
    result.target = j.targetMark >= 0;
    result.distance = j.distance;
    result.targetDistance = j.targetDistance;
    return result;
}

#else

void vTrAcousticMarks_c::State::Load(const std::string&) {}

vTrAcousticResult_c vTrAcousticMarks_c::State::Judge(const vTrAcousticJob_c&) {
    vTrAcousticResult_c result;
    result.error = "This build has no acoustic judge.";
    return result;
}

#endif
