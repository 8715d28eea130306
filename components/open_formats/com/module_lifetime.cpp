#include "com/com_object.h"

namespace open_formats {

namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

}  // namespace

void CountObject(bool alive) { alive ? ++liveObjects : --liveObjects; }
void CountLock(bool locked) { locked ? ++serverLocks : --serverLocks; }
bool ModuleInUse() { return liveObjects.load() != 0 || serverLocks.load() != 0; }

}  // namespace open_formats
