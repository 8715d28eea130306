#include "com_object.h"

namespace edf_component {

namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

}  // namespace

void CountObject(bool alive) { alive ? ++liveObjects : --liveObjects; }
void CountLock(bool locked) { locked ? ++serverLocks : --serverLocks; }
bool ModuleInUse() { return liveObjects.load() != 0 || serverLocks.load() != 0; }

}  // namespace edf_component
