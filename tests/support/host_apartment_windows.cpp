#include "host_apartment.h"

#include "platform/platform.h"

namespace support {

HostApartment::HostApartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  threadHadOne = SUCCEEDED(CoGetApartmentType(&type, &qualifier));
  if (SUCCEEDED(CoInitialize(nullptr))) depth = 1;
}

}  // namespace support
