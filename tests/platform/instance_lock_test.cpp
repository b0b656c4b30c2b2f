// One running copy per key: a second lock on the key is refused while the
// first is held, and freed when its holder ends, even by a crash.

#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/scoped_env.h"
#include "../support/temp_dir.h"

using namespace lorvano_test;
using platform::InstanceLock;

TEST(InstanceLock, ASecondLockOnTheKeyIsRefusedUntilTheFirstGoes) {
    TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path().string());
    auto first = std::make_unique<InstanceLock>("trainer /languages/english");
    ASSERT_EQ(first->GetState(), InstanceLock::State::Held) << first->Error();
    EXPECT_EQ(first->Path().rfind(dir.Path().string() + "/lorvano-", 0), 0u) << first->Path();
    EXPECT_EQ(InstanceLock("trainer /languages/english").GetState(), InstanceLock::State::Taken);
    EXPECT_EQ(InstanceLock("trainer /languages/german").GetState(), InstanceLock::State::Held);
    first.reset();
    EXPECT_EQ(InstanceLock("trainer /languages/english").GetState(), InstanceLock::State::Held);
}

TEST(InstanceLock, ACrashedHolderFreesTheLock) {
    TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path().string());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock("trainer /languages/english");
        const char held = lock.GetState() == InstanceLock::State::Held ? 'y' : 'n';
        if (write(ready[1], &held, 1) != 1) _exit(2);
        pause();  // until killed
        _exit(0);
    }
    close(ready[1]);
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    close(ready[0]);
    EXPECT_EQ(held, 'y');
    EXPECT_EQ(InstanceLock("trainer /languages/english").GetState(), InstanceLock::State::Taken);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(InstanceLock("trainer /languages/english").GetState(), InstanceLock::State::Held);
}

TEST(InstanceLock, AFolderThatCannotBeMadeLeavesTheLockUnavailable) {
    TempDir dir;
    WriteFile(dir.File("file"), "");
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.File("file") + "/below");
    InstanceLock lock("trainer /languages/english");
    EXPECT_EQ(lock.GetState(), InstanceLock::State::Unavailable);
    EXPECT_FALSE(lock.Error().empty());
}
