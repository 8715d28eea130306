/* The public header as a C host sees it: it parses as C, declares each export with the types
 * hosts rely on, and links against the library. */
#include "tapline.h"

#define HAS_TYPE(function, type) _Generic(&(function), type: 1, default: 0)

_Static_assert(HAS_TYPE(OpenEx, int (*)(const char*, int*)), "OpenEx");
_Static_assert(HAS_TYPE(Close, int (*)(void)), "Close");
_Static_assert(HAS_TYPE(GetSegment, int (*)(double)), "GetSegment");
_Static_assert(HAS_TYPE(GetSegmentTime, int (*)(double*, double*)), "GetSegmentTime");
_Static_assert(HAS_TYPE(RecSecToDate, int (*)(double, double*)), "RecSecToDate");
_Static_assert(HAS_TYPE(GetChannelCount, int (*)(int)), "GetChannelCount");
_Static_assert(HAS_TYPE(GetChannelInf, int (*)(int, int, char*)), "GetChannelInf");
_Static_assert(HAS_TYPE(GetSegmentInf, int (*)(int, double*, int*)), "GetSegmentInf");
_Static_assert(HAS_TYPE(GetData, int (*)(int, short*)), "GetData");
_Static_assert(HAS_TYPE(GetData2, int (*)(double, double, short*)), "GetData2");
_Static_assert(HAS_TYPE(GetEventCount, int (*)(int*)), "GetEventCount");
_Static_assert(HAS_TYPE(GetEvents, int (*)(int, int*, char*, char*, char*, double*, double*)), "GetEvents");

int main(void) {
  /* Close before any OpenEx touches nothing and reports 1. */
  return Close() == 1 ? 0 : 1;
}
