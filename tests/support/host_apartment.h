// The apartment a host holds while the fake component stands in front of the library. Windows
// registers a class object only inside an apartment, for that apartment alone, and drops it
// when the apartment ends: there the test opens one before registering, as a host would. The
// stand-in registers for the whole process: there the test opens none, so that the library's
// own initialisation of the thread can be watched.
#pragma once

namespace support {

class HostApartment {
 public:
  // CoInitialize on Windows, nothing elsewhere. The initialisation is left open: the test ends
  // every initialisation on its thread when it counts them.
  HostApartment();
  HostApartment(const HostApartment&) = delete;
  HostApartment& operator=(const HostApartment&) = delete;

  // Whether the thread had an apartment before (left behind by an earlier test).
  bool ThreadHadOne() const { return threadHadOne; }
  // Initialisations opened here: 0 or 1.
  int Depth() const { return depth; }

 private:
  bool threadHadOne = false;
  int depth = 0;
};

}  // namespace support
