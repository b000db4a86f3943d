// What decides whether the library may be unloaded: the live objects and
// the locks that clients hold through IClassFactory::LockServer.
#pragma once

namespace bitstrings {

void ObjectCreated();
void ObjectDestroyed();
void ServerLocked();
void ServerUnlocked();
bool ServerInUse();

}  // namespace bitstrings
