#include "server_lifetime.h"

#include <atomic>

namespace bitstrings {
namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

}  // namespace

void ObjectCreated() { ++liveObjects; }
void ObjectDestroyed() { --liveObjects; }
void ServerLocked() { ++serverLocks; }
// An unlock without a matching lock is ignored rather than letting the
// count go below zero.
void ServerUnlocked()
{
    long locks = serverLocks.load();
    while (locks > 0 && !serverLocks.compare_exchange_weak(locks, locks - 1)) {
    }
}
bool ServerInUse() { return liveObjects.load() > 0 || serverLocks.load() > 0; }

}  // namespace bitstrings
